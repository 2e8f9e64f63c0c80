// CMsgMode: the yes/no question asked before a quick load, the quit, the
// return to the title and the reset of the settings. It freezes the
// current picture (darkened) behind a panel with two buttons, fades the
// panel in, speaks a short cue and returns the answer.
#pragma once
#include <cstdint>

#include "screens/screen_base.h"

class CMovieMode;

// The questions, in the order of their panel pictures.
enum : int { MSG_QUICKLOAD = 0, MSG_QUIT = 1, MSG_TITLE = 2, MSG_RESET = 3 };
// The answers: 1 yes, 2 no (or cancel), -1 the box could not run.
enum : int { MSG_YES = 1, MSG_NO = 2 };

// The cue names: one row a run, the column by the question.
extern const char* const MsgVoiceCues[6][4];
extern const LayoutButton MsgBoxLayout[3];
// Panel picture of each question.
const char* MsgPanelPicture(int kind);

class CMsgMode : public IProgMode {
 public:
  CMsgMode() = default;
  ~CMsgMode() override = default;

  // `movie`: the movie screen the box may open over (or null); a movie it
  // plays stands still behind the box, its frame as the backdrop, and goes
  // on afterwards.
  int Run(int kind, pl::Window* owner, const ScreenDescriptor& screen, IWinHookList* hooks, CKeyManager* keys,
          CMovieMode* movie = nullptr);

  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnCancel() override;
  void OnUp() override;
  void OnDown() override;
  void OnLeft() override;
  void OnRight() override;

  // Set by the launcher from the settings: no fade steps.
  std::int32_t m_bNoEffect = 0;
  std::int32_t m_nKind = 0;
  std::int32_t m_nCueRow = 0;
  std::int32_t m_nHover = kNoItem;
  std::int32_t m_nPrevHover = kNoItem;

 private:
  bool MakeSurfaces();
  void FreeSurfaces();
  // The button (1 yes, 2 no) in a look: 0 normal, 1 hover, 2 pressed.
  void DrawButton(int item, int look);
  void PresentPanel();
  // Step a of the blend between the backdrop and the composed panel.
  void DrawFadeStep(int a);
  void FadeIn();
  void FadeOut();
  // Pumps until `ms` have passed since `start`; false when the loop ended.
  bool PaceStep(std::uint32_t start, std::uint32_t ms);
  void MoveCursorTo(int item);
  void WaitAfterAnswer();

  // Pauses a movie the movie screen plays and puts its current frame into
  // the backdrop at the movie's place; false when no movie plays.
  bool PauseMovie();

  CMovieMode* m_pMovie = nullptr;
  bool m_bMoviePaused = false;
  CBuffer m_ScreenView;
  CBuffer m_SecondaryDIB;      // the frozen picture, darkened
  CBuffer m_BackDIB;           // backdrop, panel and buttons as they are shown
  CBuffer m_SecondaryDIB_tmp;  // the frozen picture as it was
  CBuffer m_BackSurface;       // backdrop and panel, under the buttons
  CBuffer m_YesNo;             // the panel picture
};
