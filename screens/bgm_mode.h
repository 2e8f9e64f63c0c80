// CBGMMode: the music room. Eighteen track buttons in two columns of nine
// and four controls (continuous play, repeat play, stop, return). A chosen
// track plays on the music channel; continuous play moves on to the next
// track when one ends, repeat play loops it, otherwise it stops after the
// track. The game's music fades out with the game picture on the way in
// and is started again on the way out.
#pragma once
#include <cstdint>
#include <string>

#include "screens/screen_base.h"

class ValueList;

inline constexpr int kBgmControls = 22;
inline constexpr int kBgmFirstTrack = 4;
inline constexpr int kBgmTracks = 18;
extern const LayoutButton BGMButtonLayout[kBgmControls];
extern const char* const BGMTrackNames[kBgmTracks];

// The game's music as the script last gave it in its reserved variable
// "bgm": its text, or a number above 1 in decimal ("12" names the music
// file "12"); empty otherwise.
std::string GetBgmVariableText(const ValueList* scriptVars);
// Whether the music channel has a sound loaded.
bool IsBgmPlaying();

class CBGMMode : public IProgMode {
 public:
  // The launcher's three descriptors: the presented screen, the buffer
  // that keeps a copy of it, and the game picture. `scriptVars` are the
  // script's root variables, where "bgm" names the game's music.
  int Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
          const ScreenDescriptor& backdrop, CKeyManager* keys, const ValueList* scriptVars);

  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnCancel() override;
  void OnUp() override;
  void OnDown() override;
  void OnLeft() override;
  void OnRight() override;

  bool HitTest();
  void CheckHover();
  void DrawButton(int i, bool pressed);
  void DrawAllButtons();
  void PlayTrack(int t);
  void SetPlayMode(int m);
  void FadeBgmStep(int level);
  void FadeOutGame();
  void FadeInRoom();
  void FadeOutRoom();
  void FadeInGame();

  // Set by the launcher from the settings: fades without steps.
  std::int32_t m_bNoEffect = 0;

  // The room's state (read by the tests while the screen runs).
  int m_nHovered = kNoItem;
  int m_nPrevHovered = kNoItem;
  int m_nCurrent = kNoItem;  // track 0-17
  std::string m_strGameBgm;
  int m_nPlayMode = 0;  // 0 single, 1 continuous, 2 repeat
  std::int32_t m_bPlaying = 0;
  std::int32_t m_bBlend = 1;  // the track sheet's alpha is used

 private:
  // Seven steps of M[a][v] from `source`, a from `first` by `step`, each
  // at least 15 ms; with `music` each step also fades the music.
  bool Fade(const CBuffer& source, int first, int step, bool music);
  void ResetRoom();
  void Leave();
  void CursorKey(std::uint32_t key, int dir);
  void DrawLook(int i, int look, CBuffer& target);

  CBuffer m_ScreenView;
  CBuffer m_SavedView;
  CBuffer m_BackdropView;
  CBuffer m_Background;
  CBuffer m_Chips;
  CBuffer m_Tracks;
  CBuffer m_Work;
  const ValueList* m_pScriptVars = nullptr;
  CScreenFont m_Font;
  // Tracks asked for in a row in continuous play that never started: a
  // whole round of them ends continuous play.
  int m_nFailedStarts = 0;
};
