// IProgMode: the base of every modal screen (brand logo, save and load,
// galleries, settings, the yes/no box ...). A running screen is one more
// hook of the main window; it runs its own paced frame loop on the main
// thread until a handler drops m_bLoop, and draws into the presented
// screen's pixels, which it hands to the window rectangle by rectangle.
//
// Also here: the control record every screen's layout table is made of, and
// the small routines the screens share (picture loading, the key-release
// wait, the voice cues, the surface-failure box, the screen font).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/critical_section.h"
#include "framework/win_hook.h"
#include "graphics/anti_font.h"
#include "graphics/pixel_buffer.h"
#include "platform/window.h"

class CArc;
class CKeyManager;
struct BlendTables;
struct VirtualScreen;

// What a launcher hands a screen about one of its pictures.
struct ScreenDescriptor {
  std::uint32_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 32;
};
ScreenDescriptor DescribeScreen(VirtualScreen* screen);
ScreenDescriptor DescribeBuffer(CBuffer& buffer);
// A view over the descriptor's pixels (rows top-down, stride width x 4);
// false when the descriptor holds no 32-bit picture.
bool MakeScreenView(CBuffer& view, const ScreenDescriptor& d);

// One control of a screen: its rectangle on the 1024 x 600 screen, the
// cells of its four looks in the screen's chip picture, and two words of
// the screen's own.
struct LayoutButton {
  std::int32_t x, y, w, h;
  std::int32_t normalX, normalY;
  std::int32_t hoverX, hoverY;
  std::int32_t pressedX, pressedY;
  std::int32_t fourthX, fourthY;
  std::int32_t user0, user1;
};

inline constexpr int kNoItem = 255;

// The first record (in table order) whose rectangle holds the point, edges
// included; kNoItem for none.
int HitTestLayout(const LayoutButton* table, int count, pl::Point pt);
inline bool LayoutContains(const LayoutButton& b, pl::Point pt) {
  return pt.x >= b.x && pt.x <= b.x + b.w && pt.y >= b.y && pt.y <= b.y + b.h;
}
inline pl::Point LayoutCenter(const LayoutButton& b) { return pl::Point{b.x + b.w / 2, b.y + b.h / 2}; }

class IProgMode : public IWinHook {
 public:
  IProgMode() = default;
  ~IProgMode() override = default;
  IProgMode(const IProgMode&) = delete;
  IProgMode& operator=(const IProgMode&) = delete;

  // WM_PAINT repaints, WM_CLOSE ends the screen with -1 for good; always 0,
  // so the dispatch goes on.
  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;
  // Cursor (0, 0), Enter, the frame loop; m_nResult.
  virtual int Execute();
  // Presents one rectangle of the screen's picture and then the collected
  // dirty region; nothing while m_nResult is -1.
  virtual void Redraw(int x, int y, int width, int height, int srcX, int srcY);
  virtual int MainLoop();
  virtual void Enter() {}
  virtual void Update() {}
  virtual void OnDecide() {}
  virtual void OnCancel() {}
  virtual void OnUp() {}
  virtual void OnDown() {}
  virtual void OnLeft() {}
  virtual void OnRight() {}
  virtual void OnSkip() {}

  // One message, the pacing sleep; m_bLoop.
  int PumpAndPace();
  void RedrawAll() { Redraw(0, 0, 1024, 600, 0, 0); }
  // The key bit through the input object, refreshing m_ptCursor (client
  // coordinates); 0 without an input object.
  int CheckKey(std::uint32_t bit);
  // m_ptCursor on the logical screen.
  pl::Point LogicalCursor() const;

  // Steps 2 of the run protocol: false (result -1) when the window was
  // closed during an earlier run; otherwise the window, input object, hook
  // list and picture are taken and the screen joins the hook list.
  bool BeginRun(pl::Window* hWnd, const ScreenDescriptor& screen, CKeyManager* keys, IWinHookList* hooks);
  // Leaves the hook list (the launchers' step; harmless twice).
  void LeaveHookList();

  pl::Window* m_hWnd = nullptr;
  std::int32_t m_bLoop = 0;
  std::int32_t m_nResult = -1;
  pl::Point m_ptCursor;
  std::int32_t m_bClosed = 0;
  std::int32_t m_bPresent = 1;
  IWinHookList* m_pHookList = nullptr;
  CKeyManager* m_pKeyManager = nullptr;
  ScreenDescriptor m_Screen;
  CCriticalSection m_Lock;
  std::uint32_t m_dwLastPump = 0;
  const BlendTables* m_pBlendTable = nullptr;
  // The graphics archive the screen's pictures come from after the loose
  // "grp" folder; null: loose files only.
  CArc* m_pGraphicsArc = nullptr;

 private:
  bool m_bInHookList = false;
};

// Pumps frames while the key bit stays down; stops early when the screen's
// loop ended.
void WaitKeyRelease(IProgMode& screen, std::uint32_t bit);

// The whole file of a screen picture: loose under "grp" of the program
// folder first (a loose file that cannot be read, or reads 0 bytes, ends
// the search with nothing), then the archive under the name, then the
// archive's packed ".dat" form, expanded. The sizes taken are the script's
// picture loader's (kPictureWorkBytes for a file or an expansion,
// kPackedWorkBytes for a packed file as read), so every picture a script
// can show a screen can show too. False when there is none.
bool LoadGraphicData(const std::string& name, CArc* archive, std::vector<std::uint8_t>* out);
// A BMP file (8 bits through its palette, else 24-bit rows) into the
// target's blue, green and red, top-down; the fourth byte keeps its value.
// Rows and widths beyond what the file or the target holds are left alone.
// 0 only when the file could not be had.
int LoadBitmapToBuffer(const std::string& name, CArc* archive, CBuffer& target);
// An .abm picture decoded into the target; 0 only when the file could not
// be had.
int LoadAbmToBuffer(const std::string& name, CArc* archive, CBuffer& target);
// The control's rectangle restored from `background`, then its pressed
// look from `chips` blended over it at its place.
void DrawLayoutButton(const LayoutButton& b, const CBuffer& background, const CBuffer& chips, CBuffer& target);
// The control drawn in the look at (cellX, cellY) of `chips` over its
// rectangle restored from `background`.
void DrawLayoutLook(const LayoutButton& b, int cellX, int cellY, const CBuffer& background, const CBuffer& chips,
                    CBuffer& target);

// How the screens start a sound by kind ("se", "bgm", ...): mode, name,
// kind, index. The sound requests' PlaySoundByKind unless another player is
// installed (tests record the cues; null puts PlaySoundByKind back).
using ScreenSoundPlayer = int (*)(int mode, const char* name, const char* kind, int index);
void SetScreenSoundPlayer(ScreenSoundPlayer player);
// A screen's spoken cue on the first effect channel: nothing (0) while Ctrl
// is down, while the screen's loop is 0, or for "nonfile" in any case.
int PlayVoiceCue(IProgMode& screen, const char* name);
// Ends a script wait on the cue's channel, then halts the channel.
void StopVoiceCue();
// Whether the first effect channel holds a sound.
bool IsEffectChannelBusy();

// The run protocol's box for a work surface that cannot be made, owned by
// the main window; `surface` is the name the box gives ("Back", "Chip" ...).
void ShowSurfaceFailure(pl::Window* owner, const char* surface);

// The screen font: "ＭＳ ゴシック" in the text renderer while the screen
// runs; the message font it replaced comes back with Restore (or when the
// object goes).
class CScreenFont {
 public:
  CScreenFont() = default;
  ~CScreenFont() { Restore(); }
  CScreenFont(const CScreenFont&) = delete;
  CScreenFont& operator=(const CScreenFont&) = delete;
  void Select(int height, int weight);
  void Restore();

 private:
  bool m_bSelected = false;
  bool m_bHadFont = false;
  LogFontA m_Saved;
};
