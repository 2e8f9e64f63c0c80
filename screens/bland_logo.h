// CBlandLogo: the maker's logo the player sees first, once per program
// start: "ld_logo.bmp" fades in from black, one of six spoken logo sounds
// plays, the logo stays until the sound has ended plus a second, and fades
// to black. Enter, the left button or Ctrl cut it short; Space or the right
// button end it at once without the fade-out.
#pragma once
#include <cstdint>

#include "screens/screen_base.h"

extern const char* const LogoSoundNames[6];

class CBlandLogo : public IProgMode {
 public:
  CBlandLogo() = default;
  ~CBlandLogo() override = default;

  // 0 normally, -1 when the back surface or the picture cannot be made (or
  // the window was closed).
  int Run(pl::Window* owner, const ScreenDescriptor& first, const ScreenDescriptor& second, CKeyManager* keys,
          IWinHookList* hooks);

  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnSkip() override;

  // The sound the run picked (0 to 5).
  std::int32_t m_nSound = 0;

 private:
  // One fade step at level a: pump, draw, present, at least 15 ms. False
  // when the fade must stop (pump 0: `*ended` set too, or a key).
  bool FadeStep(int a, bool* ended);
  void FadeIn();
  void FadeOut();
  void WaitDecideRelease();

  CBuffer m_ScreenView;
  CBuffer m_SavedView;
  CBuffer m_Back;
  CScreenFont m_Font;
};
