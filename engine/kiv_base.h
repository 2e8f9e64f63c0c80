// CKivBase: the engine object. It is the second hook of the main window,
// owns the archives, the back buffer, the blend tables and the script
// engine, runs the main loop with its frame step and key dispatch, and
// carries the flags through which the main loop, the interpreter and the
// screens talk.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine/save_data.h"
#include "engine/scene_bridge.h"
#include "engine/slot_scene.h"
#include "engine/script_engine.h"
#include "framework/arc.h"
#include "framework/path_name.h"
#include "framework/win_hook.h"
#include "graphics/blend_table.h"
#include "graphics/pixel_buffer.h"
#include "platform/dialog.h"
#include "platform/menu.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"

class CKeyManager;
class CAppBase;

// Menu 101's commands.
enum : std::uint32_t {
  IDM_VERSION = 111,
  IDM_TITLE = 112,
  IDM_EXIT = 113,
  IDM_HOMEPAGE = 33001,
};

// How long one frame step may run script lines back to back before the
// window gets its turn again.
inline constexpr std::uint32_t kFrameStepLineBudgetMs = 50;

class CKivBase : public IWinHook {
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
  int PumpAndPace();
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
  void ShowVersionDialog(pl::Window* hWnd);
  void OnChannelFinished(int channel);
  void OnPaint(pl::Window* hWnd);
  // Launchers of the modal screens: 0 when nothing opened.
  int RunSaveMode();
  int RunLoadMode();
  // Loads the quick slot after the confirmation question; 1 when a game was
  // loaded.
  int QuickLoad();
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

  pl::Window* m_hWnd = nullptr;
  CKeyManager* m_pKeyManager = nullptr;
  CArc m_GrpArc, m_ScrArc, m_CvArc, m_BgmArc, m_SeArc;
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

 private:
  int InitApplication(pl::Window* hWnd, void* hInstance);
  void StartEngine(pl::Window* hWnd);
  void ShutdownEngine();
  void SetupPaths();
  void ApplyMode01();
  void DispatchKeys(bool withSkipKeys);
  // The shared tail of the page-key handlers.
  void OnReleasedKey(std::uint32_t bit);
  bool InPromptOrChoice() const;

  CAppBase& m_App;
  CSceneBridge m_Scene;
  CScriptEngine m_Script;
  CObjectTables m_Tables;
  CMessageText m_Text;
  CSlotScene m_SlotScene{m_Tables, m_Text};
  CSaveData m_SaveData;
  std::string m_strProgramFolder;
  bool m_bQuitQuestionOpen = false;
  bool m_bMenuCommandRunning = false;
  bool m_bEngineStarted = false;
};

// The address menu item 33001 opens.
extern const char kHomePageUrl[];
