// CCGMode: the CG gallery. The event pictures of the story by category
// ("cglist%02d.dat", one list a category) and page of nine thumbnails; a
// thumbnail shows how many of its group's pictures are unlocked (a
// persistent global of the picture's name exists, of any type or value)
// and opens a viewer that shows them full size one after the other, with
// fades, a slow scroll over pictures larger than the screen and the frame
// animation of animated pictures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/abm_image.h"
#include "screens/screen_base.h"

class CArc;
class ValueList;

// One 48-byte record of a list file.
struct CGListRecord {
  std::string name;         // 32-byte field, up to its NUL
  std::int32_t seen = 0;    // 1 once found unlocked (memory only)
  std::int32_t group = 0;   // consecutive equal numbers form one thumbnail
  std::int32_t word40 = 0;  // kept, not read by the gallery
  std::int32_t word44 = 0;
};
inline constexpr std::size_t kCGListRecordSize = 48;

// The records of a list file and the two counts of its last eight bytes,
// bounded by what the file holds: never more records than whole records
// lie before the counts, never more groups than those records form. False
// for a file too short to hold the counts.
bool ParseCGList(const std::vector<std::uint8_t>& file, std::vector<CGListRecord>* records, int* groups);

// Controls: 0-9 category tabs, 10-19 page buttons, 20 return, 21-29 the
// thumbnail slots (three rows of three).
inline constexpr int kCGControls = 30;
inline constexpr int kCGFirstPage = 10;
inline constexpr int kCGReturn = 20;
inline constexpr int kCGFirstSlot = 21;
extern const LayoutButton CGButtonLayout[kCGControls];

// The scroll kind of a group: 0 downward from the top, 1 upward from the
// bottom, 2 rightward from the left, 3 leftward from the right.
struct CGScrollKind {
  std::int32_t group;
  std::int32_t kind;
};
extern const CGScrollKind CGScrollKinds[82];

class CCGMode : public IProgMode {
 public:
  CCGMode();

  // The launcher's three descriptors: the presented screen, the buffer
  // that keeps a copy of it, and the game picture shown before and after
  // the gallery. `globals` are the persistent globals that unlock pictures.
  int Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
          const ScreenDescriptor& backdrop, CKeyManager* keys, const ValueList* globals);

  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnCancel() override;
  void OnUp() override;
  void OnDown() override;
  void OnLeft() override;
  void OnRight() override;

  void CountCGLists();
  int LoadCGList();
  int ReloadList();
  int FindGroup(int k) const;
  void SetupPage();
  bool HitTest();
  // look: 0 normal, 1 hover, 2 pressed.
  void DrawControl(int i, int look, CBuffer& target);
  void DrawControl(int i, int look) { DrawControl(i, look, m_ScreenView); }
  void DrawButton(int i, int look, CBuffer& target);
  void DrawAllControls(CBuffer& target);
  void DrawSeenCount(int slot, CBuffer& target);
  void DrawPage();
  void FadeInPage();
  void FadeOut();
  void FadeInGame();

  void ViewGroup();
  void RunViewer();
  void ViewerLoop();
  void ViewerTick();
  void ViewerNext();
  void ViewerCancel();
  int LoadNextSeen();
  void ShowPicture(const CBuffer* source);
  void ShowNextPicture();
  void ViewerFadeOut();
  void ScrollPicture();
  void DrawFrame(int x, int y);

  // Set by the launcher: the step time of the viewer, fades without steps,
  // and the archive of the list files (null: loose files only).
  std::uint32_t m_dwStepTime = 33;
  std::int32_t m_bNoEffect = 0;
  CArc* m_pScriptArc = nullptr;

  // The page's state (read by the tests while the screen runs).
  int m_nPage = 0;
  int m_nPageCount = 0;
  int m_nHovered = kNoItem;
  int m_nPrevHovered = kNoItem;
  int m_nCategory = 0;
  int m_nCategoryCount = 0;
  std::int32_t m_bSlotUnlocked[9] = {};
  std::int32_t m_nSlotSeen[9] = {};
  std::int32_t m_nSlotCount[9] = {};
  LayoutButton m_Buttons[kCGControls];  // user0: enabled
  std::vector<CGListRecord> m_Records;
  int m_nGroups = 0;

  // The viewer's state.
  int m_nViewFirst = 0;  // first record of the group
  int m_nViewIndex = 0;
  int m_nViewEnd = 0;    // 0 running, 2 ended
  int m_nScrollKind = 0;
  int m_nAnimStep = 0;
  std::uint32_t m_dwLastAnim = 0;
  bool m_bViewAbm = false;
  int m_nViewX = 0, m_nViewY = 0;

 private:
  // Seven steps of M[a][v] from `source` into the screen, a from `first` by
  // `step`, each at least `ms`; false when the program is quitting.
  bool Fade(const CBuffer& source, int first, int step, std::uint32_t ms);
  bool LoadPagePictures(bool background);
  bool SlotInUse(int slot) const { return m_nPage * 9 + slot < m_nGroups; }
  bool Hoverable(int i) const;
  int GroupNumber() const;
  int LookUpScrollKind() const;
  int FrameHeight() const;
  void StartWindow(int* x, int* y) const;
  void EndWindow(int* x, int* y) const;
  // The picture's window at (x, y) over black into `target`.
  void ComposeWindow(int x, int y, CBuffer& target) const;
  void MoveTo(int target);
  void CursorKey(std::uint32_t key, int target);
  int TargetUp() const;
  int TargetDown() const;
  int TargetLeft() const;
  int TargetRight() const;

  CBuffer m_ScreenView;
  CBuffer m_SavedView;
  CBuffer m_BackdropView;
  CBuffer m_Background;
  CBuffer m_Chips;
  CBuffer m_Sheet;
  CBuffer m_NoThumb;
  CBuffer m_PageWork;
  CBuffer m_ViewFade;
  CAbmImage m_Picture;
  const ValueList* m_pGlobals = nullptr;
  CScreenFont m_Font;
};
