// CSaveMode: the save screen and the load screen. 100 slots ten to a page
// on ten pages, each with its number, date and comment, the thumbnail of
// the hovered slot and, on the load screen, the quick slot. Choosing a slot
// opens a small yes/no panel; yes saves or loads through SaveGame and
// LoadGame. The same object makes the quick save.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/save_slot.h"
#include "framework/child_wnd.h"
#include "screens/save_slot_info.h"
#include "screens/screen_base.h"

enum : int { SAVEMODE_SAVE = 0, SAVEMODE_LOAD = 1 };

// Items of the layout: 0-9 slot bars, 10-19 page tabs, 20 return, 21 the
// newest mark, 22 the thumbnail area, 23 the quick bar, 24 the panel.
inline constexpr int kSaveItemReturn = 20;
inline constexpr int kSaveItemNewest = 21;
inline constexpr int kSaveItemThumbnail = 22;
inline constexpr int kSaveItemQuick = 23;
extern const LayoutButton SaveButtonLayout[25];
// The panel, its yes and no buttons and the comment box.
extern const LayoutButton SaveDialogLayout[4];
extern const char* const SaveVoiceCues[6][3];

// The pictures of each screen: background, chips, panel.
struct SaveModePictures {
  const char* background;
  const char* chips;
  const char* panel;
};
const SaveModePictures& SaveModePictureNames(int kind);

class CSaveMode : public IProgMode {
 public:
  CSaveMode() = default;
  ~CSaveMode() override = default;

  // `kept` receives the game's picture while the screen runs; `third` (the
  // load screen's) the picture the screen showed when a load starts. The
  // result: slot + 1 after a committed save or load, 101 after loading the
  // quick slot, 0 when left without effect, -1 on failure.
  int Run(pl::Window* owner, const ScreenDescriptor& first, const ScreenDescriptor& kept,
          const ScreenDescriptor* third, CKeyManager* keys, IWinHookList* hooks, int kind, SaveGameContext& ctx);
  // Writes the quick slot with a thumbnail of the picture; 1 / 0.
  int QuickSave(pl::Window* owner, const ScreenDescriptor& first, SaveGameContext& ctx);

  // Tab and Enter of the comment field (which hands them to the main
  // window), then the base's messages.
  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;
  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnCancel() override;
  void OnUp() override;
  void OnDown() override;
  void OnLeft() override;
  void OnRight() override;

  // The slot of the page's row (0-9) or the quick bar (23); -1 otherwise.
  int SlotOfItem(int item) const;
  // The comment fields: id 100 for the window and the 1024-wide full
  // screen, id 101 for the scaled full screen. Made when the save screen
  // starts and gone when it ends; hidden (and empty) while no panel is open.
  void CreateCommentEdits(pl::Window* mainWindow);
  void DestroyCommentEdits();
  CChildEditWnd* GetActiveCommentEdit();
  void HideCommentEdits();
  // After a display-mode change (`leavingMode1`: the new mode is not the
  // scaled full screen): the shown comment field's text, with the field,
  // goes to the new mode's field, or the same field is placed for the new
  // mode, so what was typed stays.
  void MoveCommentText(bool leavingMode1);
  // The most bytes a comment field takes: what the slot's field keeps.
  static constexpr std::size_t kCommentBytes = kSlotCommentSize - 1;
  CChildEditWnd& CommentEdit(int i) { return m_CommentEdit[i & 1]; }
  // The comment box is shown, the Enter key was typed in it.
  bool m_bCommentShown = false;
  bool m_bCommentEnter = false;
  // The item a cursor key leads to from the hovered one; -1 for none.
  // `key` is KEY_UP, KEY_DOWN, KEY_LEFT or KEY_RIGHT.
  int CursorTarget(std::uint32_t key) const;

  std::int32_t m_nKind = SAVEMODE_SAVE;
  std::int32_t m_nPage = 0;
  std::int32_t m_nHover = kNoItem;
  std::int32_t m_nPrevHover = kNoItem;
  std::int32_t m_nNewest = kNoItem;
  std::int32_t m_nPanelHover = kNoItem;
  std::int32_t m_nPanelPrevHover = kNoItem;
  std::int32_t m_nPanelResult = 0;  // 0 open, 1 committed, 2 closed without commit
  bool m_bPanelOpen = false;
  std::int32_t m_nCueRow = 0;
  // Rows 0-9 of the page, then the quick slot.
  SaveSlotInfo m_Rows[11];
  // The comment a save from the open panel stores.
  std::string m_strComment;

 private:
  bool MakeSurfaces();
  void FreeSurfaces();
  const SaveSlotInfo& RowOf(int item) const { return m_Rows[item == kSaveItemQuick ? 10 : item]; }
  int HitTest() const;
  void BuildSlotLabels();
  void DrawAll();
  void DrawPageItems();
  void DrawSlotText(int item);
  void DrawItem(int item, bool pressed);
  void DrawLook(int item, int cellX, int cellY);
  void DrawThumbnail(int slot, bool show);
  void BlankThumbnail();
  void MoveCursorTo(int item);
  void CursorKey(std::uint32_t key);
  // The yes/no panel over the page.
  int RunCommentDialog();
  void OpenCommentDialog();
  void PanelUpdate();
  void DrawPanelButton(int button, int look);
  void PanelDecide();
  void PanelCancel();
  void PanelCursor(std::uint32_t key);
  int CommitSlot();
  // The game picture shrunk into the capture surface.
  void CaptureThumbnail(const CBuffer& picture);
  int SelectedSlot() const;

  SaveGameContext* m_pCtx = nullptr;
  CBuffer m_ScreenView;   // the picture the screen draws into
  CBuffer m_KeptView;     // the game's picture while the screen runs
  CBuffer m_ThirdView;    // the load screen's picture at a load
  bool m_bHasThird = false;
  CBuffer m_Back;         // the page background
  CBuffer m_Chip;         // the looks of every control
  CBuffer m_YesNo;        // the panel and its buttons
  CBuffer m_Backup;       // the page under the panel
  CBuffer m_Capture;      // the thumbnail
  CScreenFont m_Font;
  CChildEditWnd m_CommentEdit[2];
  bool m_bEditsMade = false;
  int m_nShownEdit = 0;  // the field shown while m_bCommentShown
  void PlaceCommentEdit();
  bool CommentHasFocus();
  bool CommentComposing();
};
