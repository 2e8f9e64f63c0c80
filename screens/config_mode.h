// CConfigMode: the settings screen. Two pages of picture controls (the
// display, text and auto-mode settings; the sound and the speakers' voices)
// through which the player changes every user setting but the auto-mode
// minimum wait and the sound-fade switch. A change takes effect at once in
// the live setting words, the sound layer and the display mode; only the
// message font's face waits for the screen to close. No fades.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "engine/settings_record.h"
#include "screens/msg_mode.h"
#include "screens/screen_base.h"

class CDirectShow;
class CMessageText;
class CObjectTables;
class CScriptEngine;

// The controls: 0 reset, 1 and 2 the page tabs, 3 return (both pages);
// 4-22 page 0, 23-48 page 1. For a slider fourthX is the track length,
// fourthY the track area's extra height, user0 the knob offset and user1 1
// (the value grows toward the left); radio members and toggles keep their
// state in user0.
inline constexpr int kConfigControls = 49;
inline constexpr int kConfigReset = 0;
inline constexpr int kConfigTab0 = 1;
inline constexpr int kConfigTab1 = 2;
inline constexpr int kConfigReturn = 3;
inline constexpr int kConfigAutoSlider = 15;
inline constexpr int kConfigFontName = 16;
inline constexpr int kConfigFontPrev = 17;
inline constexpr int kConfigFontNext = 18;
inline constexpr int kConfigBgmSlider = 23;
inline constexpr int kConfigBgmToggle = 24;
inline constexpr int kConfigVoiceSlider = 25;
inline constexpr int kConfigVoiceToggle = 26;
inline constexpr int kConfigSeSlider = 27;
inline constexpr int kConfigSeToggle = 28;
inline constexpr int kConfigFirstSpeaker = 35;
extern const LayoutButton ConfigControlLayout[kConfigControls];

// The auto-mode slider's value into the two waits (char wait at most 200
// ms, page wait at most 4 s).
void SliderToAutoWait(std::int32_t v, CSettings& live, SettingsRecord& work);

class CConfigMode : public IProgMode {
 public:
  CConfigMode();

  // The launcher's descriptors: the presented screen, the buffer that keeps
  // the game's picture while the screen is open, and the picture shown
  // under the screen's first frame (none: the screen as it is). `settings`
  // holds the live words every control writes.
  int Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
          const ScreenDescriptor* backdrop, CKeyManager* keys, CSettings* settings);

  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnCancel() override;
  void OnUp() override;
  void OnDown() override;
  void OnLeft() override;
  void OnRight() override;

  void LoadSettings();
  void LoadPageBackground();
  void DrawPage();
  bool HitTest();
  void ClickTrack();
  void DragSlider();
  void WaitDecideRelease();
  // Draws the control into `target` (null: sets its state only) and, when
  // `acting`, does what the control does.
  void HandleControl(int i, bool acting, CBuffer* target);
  // The selected index when acting, else -1.
  int DrawRadioGroup(int first, int last, int index, bool acting, CBuffer* target);
  int DrawSlider(int i, bool acting, CBuffer* target);
  void SetSlider(int i, int value, CBuffer* target);
  void DrawButton(int i, bool acting, CBuffer* target);
  int DrawToggle(int i, bool acting, CBuffer* target);
  void DrawFontName(CBuffer* target);
  void ApplyFontFace();
  int ConfirmReset();
  int AskReset();
  void ResetToDefaults();

  // The appliers: the working value into the live word and its effect.
  void ApplyDisplayModeChoice();
  void ApplyBgmVolume();
  void ApplyVoiceVolume();
  void ApplySeVolume();
  void ApplyBgmSwitch();
  void ApplyVoiceSwitch();
  void ApplySeSwitch();
  // The speaker sliders and toggles from the live per-speaker words.
  void ApplyVoiceVolumes();
  void ApplyVoiceSwitches();

  // Set by the launcher. The script engine's "bgm" variable names the
  // music to bring back when the music is switched on again; the movie
  // player follows the music volume; the message text is drawn again in a
  // new face; the face takes `m_nFontSize` of the settings.
  CScriptEngine* m_pScript = nullptr;
  CDirectShow* m_pMovie = nullptr;
  CMessageText* m_pText = nullptr;
  CObjectTables* m_pTables = nullptr;
  // The screen has no fades; kept for the launchers, which set it on every
  // screen (the reset question follows the live setting instead, which the
  // screen itself may just have changed).
  std::int32_t m_bNoEffect = 0;
  // The reset question (MSG_RESET): 1 yes, 2 no, -1 the box could not run;
  // without one the screen's own box asks.
  std::function<int(int)> m_fnAskBox;

  // The screen's state (read by the tests while it runs).
  int m_nHovered = kNoItem;
  int m_nPrevHovered = kNoItem;
  int m_nPage = 0;
  int m_nFontIndex = -1;
  SettingsRecord m_Work;
  LayoutButton m_Controls[kConfigControls];
  CMsgMode m_MsgBox;
  bool m_bAskRunning = false;

 private:
  bool OnPage(int i) const;
  bool IsSlider(int i) const;
  void ApplySlider(int i, int v);
  void DrawTopControl(int i, bool acting, CBuffer* target);
  void DrawLook(int i, int cellX, int cellY, CBuffer* target);
  void WaitTwice(std::uint32_t bit);
  void StopVoice();

  CBuffer m_ScreenView;
  CBuffer m_SavedView;
  CBuffer m_BackdropView;
  CBuffer m_Background;
  CBuffer m_Chips;
  CSettings* m_pSettings = nullptr;
  CScreenFont m_Font;
};
