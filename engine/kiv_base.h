// CKivBase: the engine object. It is the second hook of the main window,
// owns the archives, the back buffer, the blend tables and the script
// engine, runs the main loop with its frame step and key dispatch, and
// carries the flags through which the main loop, the interpreter and the
// screens talk.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine/engine_host.h"
#include "engine/save_data.h"
#include "engine/scene_bridge.h"
#include "engine/slot_scene.h"
#include "engine/script_engine.h"
#include "framework/arc.h"
#include "framework/path_name.h"
#include "framework/win_hook.h"
#include "graphics/blend_table.h"
#include "graphics/pixel_buffer.h"
#include "graphics/weather.h"
#include "platform/dialog.h"
#include "platform/menu.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/text_host.h"

class CKeyManager;
class CAppBase;
class CBlandLogo;
class CSaveMode;
class CMsgMode;
class CEndMode;
class CCGMode;
class CBGMMode;
class CMovieMode;
class CHMode;
class CConfigMode;

// How long one frame step may run script lines back to back before the
// window gets its turn again.
inline constexpr std::uint32_t kFrameStepLineBudgetMs = 50;

class CKivBase : public IWinHook, public IEngineHost {
 public:
  explicit CKivBase(CAppBase& app);
  ~CKivBase() override;

  // 1 when the engine is ready to run, 0 when start-up must stop (the
  // reason has been shown).
  int Init(CKeyManager* pKeyManager, pl::Window* hWnd, void* hInstance);
  void Cleanup();
  void FirstRun();
  // The main loop, until the quit flag is set; the engine's clean-up after.
  void RunEngine();

  // One pump-and-pace pass; 0 once the quit flag is set.
  int PumpAndPace() override;
  void DispatchWaitKeys();
  void DispatchWaitKeysNoSkip();
  // Keeps the game running while the key is held; 0 when the program quit
  // meanwhile (the action bound to the key must not run then).
  int WaitKeyRelease(std::uint32_t bit, int withKeys);
  void FrameStep();
  int DrainActivationKeys(std::uint32_t activation);

  void OnSkipKey();
  void OnPageUpKey();
  void OnPageDownKey();
  void OnHomeKey();
  void OnEndKey();
  void OnSaveKey();
  void OnLoadKey();
  void OnWheelKey();
  void OnVKey();

  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;
  // 0 to let WM_CLOSE through (the window has been destroyed), 1 to swallow it.
  std::int32_t ConfirmQuit(pl::Window* hWnd);
  void OnMenuCommand(pl::Window* hWnd, std::uint32_t id);
  // Menu item 112: after the question, everything the story set up goes
  // and the "TITLE" script starts.
  void ReturnToTitle(pl::Window* hWnd);
  // The script's `backtitle`: the same return without the question.
  void BackTitle();
  // The script's `float`: a screen by number.
  void OpenScreen(std::int32_t which, std::string_view text);
  void ShowVersionDialog(pl::Window* hWnd);
  void OnChannelFinished(int channel);
  void OnPaint(pl::Window* hWnd);
  // Launchers of the modal screens: 0 when nothing opened.
  int RunSaveMode() override;
  int RunLoadMode() override;
  // Writes the quick slot with a thumbnail of the picture; 1 when written.
  int QuickSave() override;
  // The yes/no question of the kind (MSG_QUICKLOAD ...): 1 yes, 2 no, -1
  // when the box could not run (the asker then asks with a message box).
  int RunMsgMode(int kind);
  // Whether the confirmation screen is up and waiting for its answer.
  bool QuestionShown() const;
  // A script command's own blocking loop (a window fade, the raster's stop,
  // an animation switch) runs between these. A return to the title chosen
  // meanwhile is held until the last such loop has ended, so that the
  // command does not finish over the title.
  void EnterCommandLoop() override { ++m_nCommandLoops; }
  void LeaveCommandLoop() override;
  // The ending list, the CG gallery and the music room.
  void RunEndMode();
  void RunCgMode();
  void RunBgmMode();
  // The settings screen (1 when its result is not 0) and the scene-replay
  // gallery.
  int RunConfigMode() override;
  void RunHMode();
  // The movie screen with a movie file (a game path) at (x, y).
  void PlayMovie(const char* path, int x, int y);
  // Loads the quick slot after the confirmation question; 1 when a game was
  // loaded.
  int QuickLoad() override;
  // Creates "save" (or a folder inside it) when it is missing; 1 / 0.
  int EnsureSaveFolder(const char* subFolder);

  // The read mark of the current line, and "global.dat": kept with the
  // save files.
  void UpdateReadMark();
  void SaveGlobalFile();
  // The message font's face (CP932).
  const char* MessageFontFace() const { return m_SaveData.m_Settings.m_strFontFace.c_str(); }
  CSettings& Settings() { return m_SaveData.m_Settings; }
  CSaveData& SaveData() { return m_SaveData; }

  CScriptEngine& Script() { return m_Script; }
  CObjectTables& Tables() { return m_Tables; }
  CMessageText& Text() { return m_Text; }
  CSceneBridge& SceneBridge() { return m_Scene; }
  const std::string& ProgramFolder() const { return m_strProgramFolder; }
  CArc& MusicArchive() override { return m_BgmArc; }
  CArc& EffectArchive() override { return m_SeArc; }
  CArc& VoiceArchive() override { return m_CvArc; }
  std::int32_t ReadMarkLine(std::string_view key) override { return m_SaveData.m_ReadMarks.LineOf(key); }
  // The engine object behind the scene's host, or null when none is.
  static CKivBase* Running();

  pl::Window* m_hWnd = nullptr;
  CKeyManager* m_pKeyManager = nullptr;
  CArc m_GrpArc, m_ScrArc, m_CvArc, m_BgmArc, m_SeArc;
  CWeather m_Weather;
  COverlay m_Overlay;
  std::unique_ptr<CBuffer> m_pBackBuffer;
  CPathName m_Path, m_Path2;
  std::int32_t m_bScreenRunning = 0;
  std::int32_t m_bQuit = 0;
  std::int32_t m_bStopRequest = 0;
  std::int32_t m_bVoiceArc = 0;
  std::string m_strVoiceArcPath;
  std::int32_t m_bSupportedPlatform = 1;
  std::int32_t m_nMode01 = 0;
  std::unique_ptr<BlendTables> m_pBlendTables;
  std::unique_ptr<CMulDiv255Table> m_pMulDiv255;
  std::uint32_t m_dwLastPass = 0;
  std::uint32_t m_dwLastTick = 0;
  pl::Point m_ptMouse;
  std::string m_strCaption;           // the game's title, CP932
  std::unique_ptr<pl::Menu> m_pMenu;  // menu 101
  // The nine screens: owned here, made with the engine object; the
  // references name them (a file that uses one includes its header).
  std::unique_ptr<CBlandLogo> m_pBlandLogo;
  std::unique_ptr<CSaveMode> m_pSaveMode;
  std::unique_ptr<CMsgMode> m_pMsgMode;
  std::unique_ptr<CEndMode> m_pEndMode;
  std::unique_ptr<CCGMode> m_pCgMode;
  std::unique_ptr<CBGMMode> m_pBgmMode;
  std::unique_ptr<CMovieMode> m_pMovieMode;
  std::unique_ptr<CHMode> m_pHMode;
  std::unique_ptr<CConfigMode> m_pConfigMode;
  CBlandLogo& m_BlandLogo;
  CSaveMode& m_SaveMode;
  CMsgMode& m_MsgMode;
  CEndMode& m_EndMode;
  CCGMode& m_CgMode;
  CBGMMode& m_BgmMode;
  CMovieMode& m_MovieMode;
  CHMode& m_HMode;
  CConfigMode& m_ConfigMode;

 private:
  int InitApplication(pl::Window* hWnd, void* hInstance);
  void StartEngine(pl::Window* hWnd);
  void ShutdownEngine();
  void SetupPaths();
  void ApplyMode01();
  // The return to the title's share of both ways back: fromMenu also
  // resets the window, the sprites' looks and the screen effects.
  void ResetToTitle(bool fromMenu);
  // The launchers' shared frame around a screen's run (`run` gets the hook
  // list, the presented screen and the back buffer); -1 when none ran.
  template <typename Screen, typename RunFn>
  int LaunchScreen(Screen& screen, RunFn&& run);
  void DispatchKeys(bool withSkipKeys);
  // The shared tail of the page-key handlers.
  void OnReleasedKey(std::uint32_t bit);
  bool InPromptOrChoice() const;

  CAppBase& m_App;
  CSceneBridge m_Scene;
  CScriptEngine m_Script;
  CObjectTables m_Tables;
  CSceneTextHost m_TextHost;  // before m_Text, which calls it
  CMessageText m_Text;
  CSlotScene m_SlotScene{m_Tables, m_Text};
  CSaveData m_SaveData;
  std::string m_strProgramFolder;
  bool m_bQuitQuestionOpen = false;
  bool m_bMenuCommandRunning = false;
  bool m_bMsgModeRunning = false;
  // The save and load screens' launcher; the screen's result.
  int RunSaveScreen(int kind);
  // Greys (or enables) the menu items a running screen must not offer;
  // the title item stays greyed while the backlog view is open, where it
  // would do nothing.
  void SetScreenMenuItems(bool running, bool exitToo);
  int m_nCommandLoops = 0;
  bool m_bTitleHeld = false;
  bool m_bEngineStarted = false;
};

// The address menu item 33001 opens.
extern const char kHomePageUrl[];
