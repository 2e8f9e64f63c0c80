// The backend of the tests: a virtual clock, windows without a screen,
// boxes and dialogs answered from queues and recorded, menu choices and
// window-system events injected by the test and fed through the input step
// the SDL backend feeds, presents kept for inspection, a sound device mixed
// by hand.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/input_step.h"

namespace pl {

namespace ui {
class MenuBarView;
struct MenuInput;
}  // namespace ui

struct RecordedBox {
  std::string text;     // CP932
  std::string caption;  // CP932
  std::uint32_t style = 0;
  Window* owner = nullptr;
  int answer = 0;
};

struct RecordedDialog {
  std::string caption;                  // CP932
  std::vector<DialogItem> itemsAtStart; // texts after WM_INITDIALOG
  int pressed = 0;
};

class FakeBackend final : public Backend {
 public:
  // Installs itself (and its clock) as the process's backend; the destructor
  // uninstalls it when it is still installed.
  explicit FakeBackend(std::uint32_t startTick = 1000);
  ~FakeBackend() override;
  FakeBackend(const FakeBackend&) = delete;
  FakeBackend& operator=(const FakeBackend&) = delete;

  ManualClock& manualClock() { return clock_; }
  Clock& clock() override { return clock_; }

  // --- what the test sets up
  bool failCreateWindow = false;
  int screenWidth = 1920, screenHeight = 1080;
  int menuBarHeight = 20;
  int screenBits = 32;
  // The sound device the fake gives: one nobody pulls, which a test mixes
  // by hand with SoundDevice::Render; none at all when this is set.
  bool failSoundDevice = false;
  // Whether the program's window has the focus (the dummy video driver never
  // gives focus, so tests decide). Changing it posts nothing; InjectFocus does.
  bool active = true;

  // Answers for the next boxes, in order; a box with no queued answer gets
  // its first button (OK, or Yes).
  void QueueBoxAnswer(int answer) { boxAnswers_.push_back(answer); }
  // Button ids to press in the next dialogs (IDCANCEL for Escape); a dialog
  // with none queued is ended with its first button.
  void QueueDialogPress(int id) { dialogPresses_.push_back(id); }
  // Called on each box as it is shown (before it is answered), e.g. to check
  // state at that moment or to inject messages a real user would cause.
  std::function<void(const RecordedBox&)> onBox;
  // Called at the start of every PumpEvents, with the number of earlier
  // calls: a test injects what a user does at a given moment, or ends a run
  // that has gone on too long.
  std::function<void(int)> onPump;
  int pumps = 0;

  // --- window-system events and input, delivered by the next PeekMessage
  // through the same input step as the SDL backend's events
  void InjectClose();                      // the close box
  void InjectFocus(bool gained);           // WM_ACTIVATE + WM_ACTIVATEAPP; gaining it repaints, losing it releases every key
  // The window system lost the window's picture (an expose): WM_PAINT, and
  // the next present shows the whole window again.
  void InjectExpose();
  // A whole menu loop that chose `id`: WM_COMMAND (for an enabled item),
  // WM_EXITMENULOOP.
  void InjectMenuChoice(std::uint32_t id);
  void InjectMessage(std::uint32_t id, WPARAM wParam, LPARAM lParam);
  // A physical key of a US keyboard by its scan code: the key state, and
  // the key message with its virtual key (the WM_SYS pair while Alt is
  // down) to where the keyboard goes.
  void InjectKey(int scanCode, bool down);
  // Points are in client coordinates of the program's window: a point above
  // the client (y from -MenuBarHeight() to -1) is on the menu strip, where
  // a left press opens the menu loop. The loop then takes the injected
  // clicks, moves and keys that follow it until it closes; when they run
  // out it is left without a choice.
  void InjectMouseButton(int button, bool down, Point client);
  void InjectMouseMove(Point client);
  void InjectWheel(int notches);
  // A key message alone (WM_KEYDOWN/WM_KEYUP, or the WM_SYS pair with Alt)
  // to where the keyboard goes; the key state is left alone.
  void InjectKeyMessage(std::uint32_t vk, bool down, bool alt = false);
  // What the system's input method composes (empty: cancelled) and commits,
  // as UTF-8, to where the keyboard goes.
  void InjectComposition(const std::string& utf8);
  void InjectText(const std::string& utf8);

  // --- what reached the screen. As the SDL backend does once a pump, each
  // pump (at its start, before the events it delivers) presents the
  // program's window when something in it changed since the last present:
  // its front buffer (or the scaled view's picture), its child windows, or a
  // repaint the window system asked for; at most once in
  // kMinPresentIntervalMs unless it is such a repaint.
  struct RecordedPresent {
    Rect rect;           // what changed: client coordinates, or the scaled view's picture
    bool whole = false;  // a repaint of the whole window
    bool children = false;  // the child windows were drawn again
    std::uint32_t tick = 0;
  };
  std::vector<RecordedPresent> presents;
  // The program's window as the last present left it on the screen: its
  // client area, 0xAARRGGBB, shownWidth pixels a row.
  std::vector<std::uint32_t> shown;
  int shownWidth = 0;

  // --- what happened
  std::vector<RecordedBox> boxes;
  std::vector<RecordedDialog> dialogs;
  int windowsCreated = 0, windowsHidden = 0, windowsFreed = 0;
  int raises = 0;
  std::vector<Point> cursorMoves;  // screen points the program moved the cursor to
  Window* lastWindow = nullptr;

  // The display: the modes it lists, and the one it is in (GetScreenSize
  // reports the current mode, as the system metrics do).
  std::vector<DisplayModeInfo> modes = {{1920, 1080, 32, 60}, {1280, 1024, 32, 60}, {1024, 768, 32, 60}, {800, 600, 32, 60}};
  std::vector<std::string> displayLog;  // "desktop", "exclusive WxH", "off", "refused WxH"

  // Backend
  std::vector<DisplayModeInfo> DisplayModes() override { return modes; }
  DisplayModeInfo DesktopMode() override {
    return desktopWidth_ ? DisplayModeInfo{desktopWidth_, desktopHeight_, screenBits, 60}
                         : DisplayModeInfo{screenWidth, screenHeight, screenBits, 60};
  }
  DisplayModeInfo CurrentMode() override { return {screenWidth, screenHeight, screenBits, 60}; }
  bool SetFullscreen(Window& w, FullscreenKind kind, int width, int height) override;
  void ScaledViewChanged(Window&) override { repaint_ = true; }
  bool CreateNative(Window& w, const WindowDesc& desc) override;
  void HideNative(Window& w) override;
  void FreeNative(Window& w) override;
  void TitleChanged(Window&) override {}
  void ShowChanged(Window&, int) override { repaint_ = true; }
  void GeometryChanged(Window&) override { repaint_ = true; }
  void MenuChanged(Window&) override {
    ++menuRedraws;
    repaint_ = true;
  }
  void Raise(Window&) override { ++raises; }
  bool HasFocus(Window& w) override { return active && w.visible; }
  void GetScreenSize(int* width, int* height) override;
  int MenuBarHeight() override { return menuBarHeight; }
  int ScreenBitsPerPixel() override { return screenBits; }
  void PumpEvents() override;
  void RunMenuLoop(Window& w, const Point* openingClick) override;
  std::unique_ptr<SoundDevice> OpenSoundDevice() override;
  int ShowMessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932,
                     std::uint32_t style) override;
  bool RunDialog(Window* owner, Dialog& dlg) override;
  bool OpenUrl(const std::string& url) override {
    openedUrls.push_back(url);
    return true;
  }
  std::vector<std::string> openedUrls;
  // As the real backend: "$XDG_DATA_HOME/kivzo/<app>/", made when missing.
  // Without XDG_DATA_HOME there is none, so that no test writes into the
  // home folder of whoever runs it.
  std::string UserDataFolder(const std::string& app) override;

  int menuRedraws = 0;

 private:
  struct Pending {
    enum Kind { Close, Focus, Expose, Menu, Msg, Key, Button, Move, KeyMsg, Compose, Commit } kind;
    std::uint32_t id = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    Point point{};
    std::string text{};
  };
  // The window point of a client point of the top-level window.
  Point WindowPoint(const Window& w, Point client);
  void Deliver(Window& w, const Pending& p);
  // Feeds one injected event to the open menu bar; false when the event is
  // not the menu's (the loop ends and leaves it for the program).
  bool FeedMenu(Window& w, ui::MenuBarView& bar, const Pending& p, ui::MenuInput* in, bool* close);

  ManualClock clock_;
  InputStep input_{*this};
  int desktopWidth_ = 0, desktopHeight_ = 0;  // recorded at the first switch
  std::deque<int> boxAnswers_;
  std::deque<int> dialogPresses_;
  std::deque<Pending> pending_;
  bool repaint_ = true;  // the window system needs the whole picture again

  void Present();
};

}  // namespace pl
