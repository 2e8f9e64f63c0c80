#include "engine/kiv_base.h"

#include "engine/global_file.h"
#include "engine/save_slot.h"
#include "engine/script_box.h"
#include "engine/variable_commands.h"
#include "framework/app_base.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/window.h"
#include "graphics/anti_font.h"
#include "graphics/font_list.h"
#include "graphics/virtual_screen.h"
#include "platform/display.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "platform/window.h"
#include "scene/backlog_view.h"
#include "scene/effect_commands.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/scene_draw_hooks.h"
#include "scene/show_commands.h"
#include "scene/sound_commands.h"
#include "scene/wait_input.h"
#include "screens/bgm_mode.h"
#include "screens/bland_logo.h"
#include "screens/cg_mode.h"
#include "screens/config_mode.h"
#include "screens/end_mode.h"
#include "screens/h_mode.h"
#include "screens/movie_mode.h"
#include "screens/msg_mode.h"
#include "screens/save_mode.h"
#include "sound/movie_player.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"

const char kHomePageUrl[] = "https://kivzo.example/";

namespace {

// The title the window caption and the version dialog show.
const char* GameTitle() { return SJ("kivzo サンプルゲーム"); }

pl::LRESULT VersionDlgProc(pl::Dialog* dlg, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  switch (uMsg) {
    case pl::WM_INITDIALOG:
      pl::SetDlgItemText(dlg, 1011, reinterpret_cast<const char*>(lParam));
      return 1;
    case pl::WM_COMMAND: {
      std::uint32_t id = pl::LoWord(wParam);
      if (id == 1001 || id == pl::IDCANCEL) {
        pl::EndDialog(dlg, id);
        return 1;
      }
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace

CKivBase::CKivBase(CAppBase& app)
    : m_pBlandLogo(std::make_unique<CBlandLogo>()),
      m_pSaveMode(std::make_unique<CSaveMode>()),
      m_pMsgMode(std::make_unique<CMsgMode>()),
      m_pEndMode(std::make_unique<CEndMode>()),
      m_pCgMode(std::make_unique<CCGMode>()),
      m_pBgmMode(std::make_unique<CBGMMode>()),
      m_pMovieMode(std::make_unique<CMovieMode>()),
      m_pHMode(std::make_unique<CHMode>()),
      m_pConfigMode(std::make_unique<CConfigMode>()),
      m_BlandLogo(*m_pBlandLogo),
      m_SaveMode(*m_pSaveMode),
      m_MsgMode(*m_pMsgMode),
      m_EndMode(*m_pEndMode),
      m_CgMode(*m_pCgMode),
      m_BgmMode(*m_pBgmMode),
      m_MovieMode(*m_pMovieMode),
      m_HMode(*m_pHMode),
      m_ConfigMode(*m_pConfigMode),
      m_App(app),
      m_Scene(*this),
      m_Script(&m_Scene),
      m_Text(m_Script, m_Tables, &m_TextHost) {
  // The tables are built with the object, as the engine has always done:
  // 16 MB of blend table before the first frame.
  m_pBlendTables = MakeBlendTables();
}

CKivBase* CKivBase::Running() { return dynamic_cast<CKivBase*>(Presentation().m_pEngine); }

bool CKivBase::QuestionShown() const { return m_bMsgModeRunning && m_MsgMode.m_bLoop == 1; }

CKivBase::~CKivBase() {
  if (Scene().m_pHost == &m_Scene) Scene().m_pHost = nullptr;
  if (GetWeather() == &m_Weather) SetWeatherLayers(nullptr, nullptr);
}

int CKivBase::Init(CKeyManager* pKeyManager, pl::Window* hWnd, void* hInstance) {
  // 1.
  m_hWnd = hWnd;
  m_pKeyManager = pKeyManager;
  // 2. Linux is a supported platform: the platform warning never shows.
  m_bSupportedPlatform = 1;
  // 3.-4.
  SetupPaths();
  // 5. A failure has shown its warning; start-up goes on.
  EnsureSaveFolder(nullptr);
  // 6. The save screen's comment fields arrive with that screen.
  // 7.
  if (!InitApplication(hWnd, hInstance)) return 0;
  // 8.
  StartEngine(hWnd);
  // 9.
  m_MovieMode.StartPlayer(hWnd);
  // 10.
  m_pBackBuffer = std::make_unique<CBuffer>();
  if (m_pBackBuffer->Create(1, 1024, 600, GetMmxFlag()) != 0) {
    ShowWarning(SJ("各モードのセカンダリサーフェース生成に失敗しました"));
    Cleanup();
    return 0;
  }
  // 11.
  if (m_pKeyManager) {
    ReleaseScopedLock lock(m_pKeyManager->m_Mouse.Lock());
    m_pKeyManager->m_Mouse.m_bGlide = Settings().m_bKeyOption;
  }
  m_nMode01 = Settings().m_nMode01 == 1 ? 1 : 0;
  ApplyMode01();
  // 12.
  m_Weather.Create(&Settings().m_bNoEffect);
  m_Overlay.SetNoEffect(&Settings().m_bNoEffect);
  SetWeatherLayers(&m_Weather, &m_Overlay);
  m_bQuit = 0;
  return 1;
}

void CKivBase::SetupPaths() {
  m_Path.SetPath(pl::GetModuleFileName());
  m_bVoiceArc = 1;
  m_Path2.SetPath(pl::GetModuleFileName());
  m_strProgramFolder = m_Path.GetFolder();
  // The folder may come with its trailing backslash; the paths below add it.
  while (!m_strProgramFolder.empty() && m_strProgramFolder.back() == '\\') m_strProgramFolder.pop_back();
  m_strVoiceArcPath = m_strProgramFolder + "\\CV.AOS";
  m_Script.m_strProgramFolder = m_strProgramFolder;
}

int CKivBase::EnsureSaveFolder(const char* subFolder) {
  // The save folder itself is placed by the platform: beside the program,
  // or in the player's own data folder when the game's folder takes no
  // files.
  if (!subFolder && pl::PlaceSaveFolder()) return 1;
  std::string path = m_strProgramFolder + "\\save";
  if (subFolder) path += std::string("\\") + subFolder;
  if (pl::FolderExists(path)) return 1;
  if (pl::CreateFolder(path)) return 1;
  ShowWarning(FormatText(SJ("指定のフォルダ %s が作成できません。"), pl::DisplayPath(path).c_str()).c_str());
  return 0;
}

int CKivBase::InitApplication(pl::Window* hWnd, void*) {
  // 1.-3.
  m_strCaption = GameTitle();
  pl::SetWindowText(hWnd, m_strCaption);
  // 4.
  if (pl::GetScreenBitsPerPixel() == 8) {
    pl::MessageBox(nullptr, SJ("65536色以上のカラーモードでお楽しみ下さい。"), SJ("中止"), pl::MB_OK);
    return 0;
  }
  // 5.
  m_SaveData.LoadAtStart(m_Script);
  Scene().m_bStepReady = 0;
  // 6. A desktop exactly 1024 wide plays on the whole screen.
  int sw = 0, sh = 0;
  pl::GetScreenSize(&sw, &sh);
  if (GetDisplayMode() == 0 && sw == 1024) SetDisplayModeWord(2);
  // 7.
  m_pMenu = pl::LoadMenu(101);
  SetMenuHandle(m_pMenu.get());
  if (GetDisplayMode() == 0 && m_pMenu) {
    pl::SetMenu(hWnd, m_pMenu.get());
    pl::DrawMenuBar(hWnd);
    SetMenuAttached(true);
  }
  // 8.
  BuildFontList();
  m_SaveData.ProbeSaveSlots(m_Script);
  return 1;
}

void CKivBase::StartEngine(pl::Window* hWnd) {
  // 1.-2. Every script list emptied, the reserved variables, the named
  // constants and the control stack's "top".
  m_Script.Reset();
  // 3. A missing archive is no error: its reader stays empty.
  m_GrpArc.Open(m_strProgramFolder + "\\GRP.AOS");
  m_ScrArc.Open(m_strProgramFolder + "\\SCR.AOS");
  m_CvArc.Open(m_strVoiceArcPath);
  m_CvArc.Close();
  m_BgmArc.Open(m_strProgramFolder + "\\BGM.AOS");
  m_SeArc.Open(m_strProgramFolder + "\\SE.AOS");
  m_Script.m_pScriptArc = &m_ScrArc;
  // 4.
  if (CSoundSystem* snd = GetSoundSystem()) snd->InitDirectSound(hWnd);
  // 5.-6.
  CreateVirtualScreens(hWnd);
  // 7.
  if (GetDisplayMode() != 0) EnterDisplayModeAtStart(hWnd);
  // 8.
  if (VirtualScreen* s = GetPresentedScreen()) ClearVirtualScreen(s, 0);
  pl::ShowWindow(hWnd, pl::SW_HIDE);
  // 9. The object tables; their records are made by the script's commands.
  SetObjectTables(&m_Tables);
  InstallObjectCommands(m_Script);
  InstallShowCommands(m_Script);
  InstallEffectCommands(m_Script);
  {
    ScenePresentation& look = Presentation();
    look.m_pTables = &m_Tables;
    look.m_pText = &m_Text;
    look.m_pScript = &m_Script;
    look.m_pSettings = &m_SaveData.m_Settings;
    look.m_pEngine = this;
  }
  // After the presentation words: the channels take their volumes from the
  // settings they point at.
  InstallSoundCommands(m_Script);
  SetMovieSoundSettings({&Settings().m_bBgm, &Settings().m_nBgmVolume});
  SetMovieLauncher([](const std::string& path, std::int32_t x, std::int32_t y) {
    if (CKivBase* engine = Running()) engine->PlayMovie(path.c_str(), x, y);
  });
  SetCommentFieldMover([](bool leavingMode1) {
    if (CKivBase* engine = Running()) engine->m_SaveMode.MoveCommentText(leavingMode1);
  });
  m_Tables.m_pGraphicsArc = &m_GrpArc;
  m_Tables.m_nWindowOpacity = Settings().m_nWindowOpacity;
  InstallSceneDrawHooks();
  // 10. Done by the reset above.
  // 11.
  m_pMulDiv255 = std::make_unique<CMulDiv255Table>();
  BuildMulDiv255Table(*m_pMulDiv255);
  // 12.
  m_Script.m_bSaveEnabled = 0;
  m_Script.m_bLoadEnabled = 0;
  // 13.
  Scene().m_pHost = &m_Scene;
  m_Script.StartScript("START");
  // 14.
  Scene().m_pfnFrameHook = &ResetAllWindows;
  m_bEngineStarted = true;
}

void CKivBase::ApplyMode01() {
  m_nMode01 = m_nMode01 == 1 ? 1 : 0;
  DeclareGlobals(m_Script, FormatText("(%%Mode01, %d)", m_nMode01));
}

void CKivBase::FirstRun() {
  // 1.-2. A picture that is missing has been told; the run goes on
  // without it.
  LoadScenePictures(&m_GrpArc);
  // 3.-5. The brand logo, before any script line.
  m_bScreenRunning = 1;
  SetScreenMenuItems(true, false);
  if (VirtualScreen* shown = GetPresentedScreen(); shown && m_pBackBuffer) {
    m_BlandLogo.m_pBlendTable = m_pBlendTables.get();
    m_BlandLogo.m_pGraphicsArc = &m_GrpArc;
    IWinHookList* hooks = m_App.m_pWindow ? &m_App.m_pWindow->Hooks() : nullptr;
    m_BlandLogo.Run(m_hWnd, DescribeScreen(shown), DescribeBuffer(*m_pBackBuffer), m_pKeyManager, hooks);
    m_BlandLogo.LeaveHookList();
    if (m_BlandLogo.m_bClosed) pl::PostMessage(m_hWnd, pl::WM_CLOSE, 0, 0);
  }
  if (m_bQuit) return;
  m_bScreenRunning = 0;
  SetScreenMenuItems(false, false);
}

void CKivBase::RunEngine() {
  FirstRun();
  if (!m_bQuit) {
    while (PumpAndPace()) {
      DispatchWaitKeys();
      FrameStep();
    }
  }
  Cleanup();
}

int CKivBase::PumpAndPace() {
  pl::Message msg;
  if (pl::PeekMessage(&msg)) pl::DispatchMessage(msg);
  std::uint32_t now = pl::TickMs();
  if (pl::GetActiveWindow()) {
    pl::SleepMs(now - m_dwLastPass <= 33 ? 1 : 0);
  } else {
    pl::SleepMs(30);
  }
  m_dwLastPass = pl::TickMs();
  if (CSoundSystem* snd = GetSoundSystem()) snd->ShowDeferredBoxes();
  // A window gone before the engine heard of it ends the loop all the same.
  return m_bQuit || !pl::IsWindow(m_hWnd) ? 0 : 1;
}

void CKivBase::DispatchWaitKeys() { DispatchKeys(true); }

// While the skip key is held only the keys below it are served: Shift and
// Ctrl are not tested.
void CKivBase::DispatchWaitKeysNoSkip() { DispatchKeys(false); }

void CKivBase::DispatchKeys(bool withSkipKeys) {
  if (!m_pKeyManager) return;
  CKeyManager& k = *m_pKeyManager;
  // The first key found down decides, and nothing after it is tested.
  if (k.CheckKey(KEY_ENTER, &m_ptMouse)) {
    // The decide key does nothing while the script's mode word is 0 or 3,
    // and still masks everything below it.
    std::int32_t mode = m_Script.m_nMode;
    if (mode == 0 || mode == 3) return;
    // A tap brings the pointer with its press, before any frame has hovered
    // where it landed: the hover catches up before the press is taken.
    m_Scene.OnMouseHover(m_hWnd);
    m_Scene.PressWindowButton();
    if (WaitKeyRelease(KEY_ENTER, 0)) m_Scene.OnLeftClick(1);
    return;
  }
  if (k.CheckKey(KEY_SPACE, &m_ptMouse)) {
    if (WaitKeyRelease(KEY_SPACE, 0)) m_Scene.OnRightClick();
    return;
  }
  if (k.CheckKey(KEY_UP, &m_ptMouse)) return OnReleasedKey(KEY_UP);
  if (k.CheckKey(KEY_DOWN, &m_ptMouse)) return OnReleasedKey(KEY_DOWN);
  // Left, Right and Shift have no action of their own but mask the rest.
  if (k.CheckKey(KEY_LEFT, &m_ptMouse) || k.CheckKey(KEY_RIGHT, &m_ptMouse)) return;
  if (withSkipKeys && k.CheckKey(KEY_SHIFT, &m_ptMouse)) return;
  if (withSkipKeys && k.CheckKey(KEY_CTRL, &m_ptMouse)) return OnSkipKey();
  if (k.CheckKey(KEY_PAGEUP, &m_ptMouse)) return OnPageUpKey();
  if (k.CheckKey(KEY_PAGEDOWN, &m_ptMouse)) return OnPageDownKey();
  if (k.CheckKey(KEY_HOME, &m_ptMouse)) return OnHomeKey();
  if (k.CheckKey(KEY_END, &m_ptMouse)) return OnEndKey();
  if (k.CheckKey(KEY_Z, &m_ptMouse)) return OnSaveKey();
  if (k.CheckKey(KEY_X, &m_ptMouse)) return OnLoadKey();
  if (k.CheckKey(KEY_C, &m_ptMouse)) return OnWheelKey();
  if (k.CheckKey(KEY_V, &m_ptMouse)) return OnVKey();
}

int CKivBase::WaitKeyRelease(std::uint32_t bit, int withKeys) {
  while (m_pKeyManager && m_pKeyManager->CheckKey(bit, &m_ptMouse)) {
    if (!PumpAndPace()) return 0;
    if (withKeys) DispatchWaitKeysNoSkip();
    FrameStep();
  }
  // The quit question may have been answered while the key was held.
  return m_bQuit || m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED ? 0 : 1;
}

void CKivBase::OnReleasedKey(std::uint32_t bit) {
  if (WaitKeyRelease(bit, 0)) m_Scene.OnKey(bit);
}

void CKivBase::OnSkipKey() {
  m_Scene.OnKey(KEY_CTRL);
  WaitKeyRelease(KEY_CTRL, 1);
  if (Scene().m_nRunMode == RUN_SKIPHELD) Scene().m_nRunMode = RUN_NORMAL;
}

void CKivBase::OnPageUpKey() { OnReleasedKey(KEY_PAGEUP); }
void CKivBase::OnPageDownKey() { OnReleasedKey(KEY_PAGEDOWN); }
void CKivBase::OnHomeKey() { OnReleasedKey(KEY_HOME); }
void CKivBase::OnEndKey() { OnReleasedKey(KEY_END); }

bool CKivBase::InPromptOrChoice() const {
  std::uint32_t s = Scene().m_nPendingState;
  return s == PND_PROMPT_PAGE || s == PND_FPROMPT || s == PND_SLCT;
}

void CKivBase::OnSaveKey() {
  if (!InPromptOrChoice() || !m_Scene.AnyWindowShown()) return;
  if (!WaitKeyRelease(KEY_Z, 0)) return;
  if (RunSaveMode() && Scene().m_nPendingState == PND_SLCT) m_Scene.GlideCursorToChoice();
}

void CKivBase::OnLoadKey() {
  if (!InPromptOrChoice() || !m_Scene.AnyWindowShown()) return;
  if (!WaitKeyRelease(KEY_X, 0)) return;
  RunLoadMode();
  if (Scene().m_nPendingState == PND_SLCT) m_Scene.GlideCursorToChoice();
}

void CKivBase::OnWheelKey() {
  if (!InPromptOrChoice()) return;
  if (!WaitKeyRelease(KEY_C, 0)) return;
  pl::PostMessage(m_hWnd, pl::WM_MOUSEWHEEL, 0x10000, 0);
}

void CKivBase::OnVKey() {
  if (!InPromptOrChoice()) return;
  if (!WaitKeyRelease(KEY_V, 0)) return;
  if (Scene().m_nRunMode != RUN_NOSKIP) ToggleSkipMode();
}

void CKivBase::FrameStep() {
  SceneState& s = Scene();
  // 1.-3.
  if (m_pKeyManager) {
    m_pKeyManager->CheckKey(0, &m_ptMouse);
    if (std::uint32_t wheel = m_pKeyManager->TakeWheel()) m_Scene.OnWheel(wheel);
  }
  m_Scene.OnMouseHover(m_hWnd);
  // 4. The work runs on every second call unless someone asked for the next.
  if (s.m_bStepReady != 1) {
    s.m_bStepReady = 1;
    return;
  }
  s.m_bStepReady = 0;
  // 5. Lines back to back until one waits; a script that never waits still
  // gives the window its turn after a while.
  const CSettings& set = Settings();
  s.m_Auto = AutoModeSettings{set.m_bAutoMode, static_cast<std::uint32_t>(set.m_nAutoCharWait),
                              static_cast<std::uint32_t>(set.m_nAutoPageWait),
                              static_cast<std::uint32_t>(set.m_nAutoMinWait), set.m_bAutoAdvance};
  std::uint32_t start = pl::TickMs();
  int lines = 0;
  do {
    m_Script.m_bContinue = 0;
    if (s.m_pfnFrameHook) s.m_pfnFrameHook();
    if (m_bStopRequest || m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED) {
      m_bStopRequest = 0;
      m_Script.m_bContinue = 0;
    }
    if (m_Script.m_bContinue &&
        (++lines >= kMaxLinesPerFrameStep || pl::TickMs() - start >= kFrameStepLineBudgetMs)) {
      s.m_bStepReady = 1;
      break;
    }
  } while (m_Script.m_bContinue);
  // 6.
  std::uint32_t now = pl::TickMs();
  if (now - m_dwLastTick >= 33) {
    m_dwLastTick = now;
    m_Scene.RenderFrame();
  }
  // 7.
  if (s.m_Ops[0].code == kTextRevealOp && s.m_nPendingState != PND_PROMPT_PAGE && s.m_nPendingState != PND_FPROMPT &&
      s.m_nPendingState != PND_BACKLOG) {
    s.m_bStepReady = 1;
    m_Scene.ShowTextStep();
  }
  // 8.
  PresentDirtyRegion();
}

int CKivBase::DrainActivationKeys(std::uint32_t activation) {
  if (activation != pl::WA_ACTIVE && activation != pl::WA_CLICKACTIVE) return 0;
  while (m_pKeyManager && (m_pKeyManager->CheckKey(KEY_ENTER) || m_pKeyManager->CheckKey(KEY_SPACE)) &&
         PumpAndPace()) {
  }
  return 0;
}

void CKivBase::Cleanup() {
  ShutdownEngine();
  if (GetWeather() == &m_Weather) SetWeatherLayers(nullptr, nullptr);
  m_Weather.Destroy();
  m_Overlay.Free();
  ReleaseScenePictures();
  m_pBackBuffer.reset();
}

void CKivBase::ShutdownEngine() {
  if (!m_bEngineStarted) {
    // A start that stopped early still gives its menu back.
    if (m_hWnd && pl::GetMenu(m_hWnd) == m_pMenu.get()) pl::SetMenu(m_hWnd, nullptr);
    if (GetMenuHandle() == m_pMenu.get()) SetMenuHandle(nullptr);
    m_pMenu.reset();
    return;
  }
  m_bEngineStarted = false;
  // 1. The `avi` movie first: it plays on the sound device.
  StopAvi();
  if (CSoundSystem* snd = GetSoundSystem()) snd->ShutdownDirectSound();
  // Nothing plays any more: the requests forget what they played, so that
  // the same music named at the next start plays again.
  ResetSoundRequests();
  // 2.
  m_SaveData.SaveAtShutdown(m_Script);
  // 3.
  m_pMulDiv255.reset();
  m_Tables.FreeAll();
  m_Text.ClearBacklog();
  m_Script.Reset();
  // 4.
  if (m_hWnd && pl::GetMenu(m_hWnd) == m_pMenu.get()) pl::SetMenu(m_hWnd, nullptr);
  if (GetMenuHandle() == m_pMenu.get()) SetMenuHandle(nullptr);
  m_pMenu.reset();
  SetMenuAttached(false);
  FreeVirtualScreens();
  // 5.
  if (m_hWnd) pl::SetFullscreen(m_hWnd, pl::FullscreenKind::Off);
  // 6.
  if (Scene().m_pHost == &m_Scene) Scene().m_pHost = nullptr;
  if (Presentation().m_pEngine == static_cast<IEngineHost*>(this)) {
    ResetPresentation();
    // The tone of `mono` is the scene's too: a later run starts without it.
    SetSpriteTone(0);
  }
  SetMovieSoundSettings({});
  SetMovieLauncher(nullptr);
  SetCommentFieldMover(nullptr);
  pl::PostQuitMessage(0);
}

std::int32_t CKivBase::OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) {
  switch (uMsg) {
    case pl::WM_DESTROY:
      m_bQuit = 1;
      return 0;
    case pl::WM_ACTIVATE:
      if (pl::LoWord(wParam) != 0) DrainActivationKeys(pl::LoWord(wParam));
      return 0;
    case pl::WM_PAINT:
      if (!m_bScreenRunning) OnPaint(hWnd);
      return 0;
    case pl::WM_CLOSE:
      return ConfirmQuit(hWnd);
    case pl::WM_COMMAND:
      if (!m_bMenuCommandRunning) OnMenuCommand(hWnd, pl::LoWord(wParam));
      return 0;
    case pl::WM_USER + 1:
      if (CSoundSystem* snd = GetSoundSystem()) {
        // A stale end (the channel has been reused since) is dropped.
        int channel = snd->CheckEndMessage(wParam);
        if (channel >= 0) OnChannelFinished(channel);
      }
      return 0;
    case kAviNotifyMessage:
      // The end of the `avi` movie ends its wait as a click would.
      if (IsAviEndMessage(wParam, lParam)) {
        StopAviMovie();
        if (Scene().m_nPendingState == PND_MOVIE) EndWait();
      }
      return 0;
    default:
      return 0;
  }
}

void CKivBase::OnChannelFinished(int channel) {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  CSoundChannel& c = snd->Channel(channel);
  if (c.m_bFinished.load() == 1) {
    // The halt sees the flag and clears it; a finished voice puts the
    // mouths back there.
    snd->HaltChannel(channel);
    c.m_bFinished.store(0);
    if (channel == 3 && snd->m_nSeMode.load() == 3 && Scene().m_nPendingState != 0x20000) EndWait();
    return;
  }
  RestartLoopingSound(channel);
}

void CKivBase::OnPaint(pl::Window*) {
  PresentRect(0, 0, 1024, 600, 0, 0, nullptr);
  PaintBorders();
  PresentDirtyRegion();
}

std::int32_t CKivBase::ConfirmQuit(pl::Window* hWnd) {
  if (m_bQuitQuestionOpen) return 1;
  m_bQuitQuestionOpen = true;
  // The yes/no screen asks; the plain box asks when that screen cannot run.
  const int answer = RunMsgMode(MSG_QUIT);
  const bool yes = answer == -1 ? pl::MessageBox(hWnd, SJ("終了してもよろしいですか？"), SJ("確認"), pl::MB_OKCANCEL) == pl::IDOK
                                : answer == MSG_YES;
  m_bQuitQuestionOpen = false;
  if (!yes) return 1;
  m_App.m_nState = APP_QUITTING;
  pl::DestroyWindow(hWnd);
  return 0;
}

void CKivBase::OnMenuCommand(pl::Window* hWnd, std::uint32_t id) {
  m_bMenuCommandRunning = true;
  switch (id) {
    case IDM_VERSION:
      ShowVersionDialog(hWnd);
      break;
    case IDM_EXIT:
      pl::PostMessage(hWnd, pl::WM_CLOSE, 0, 0);
      break;
    case IDM_HOMEPAGE:
      pl::OpenUrl(kHomePageUrl);
      break;
    case IDM_TITLE:
      // Greyed while a screen or the backlog view runs; a command already
      // queued then is refused as well. Inside a command's own loop it
      // waits for the loop's end.
      if (m_bScreenRunning || BacklogView().IsOpen()) break;
      if (m_nCommandLoops > 0) {
        m_bTitleHeld = true;
        break;
      }
      ReturnToTitle(hWnd);
      break;
    default:
      break;
  }
  m_bMenuCommandRunning = false;
}

void CKivBase::ReturnToTitle(pl::Window* hWnd) {
  // 1.
  const int answer = RunMsgMode(MSG_TITLE);
  const bool yes = answer == -1
                       ? pl::MessageBox(hWnd, SJ("タイトルに戻ります。よろしいですか？"), SJ("確認"), pl::MB_OKCANCEL) == pl::IDOK
                       : answer == MSG_YES;
  if (!yes) return;
  // 2. The frame step ends its run of lines.
  m_bStopRequest = 1;
  ResetToTitle(true);
}

void CKivBase::BackTitle() {
  ResetToTitle(false);
  ApplyMode01();
}

void CKivBase::ResetToTitle(bool fromMenu) {
  if (fromMenu) m_HMode.m_nPage = -1;
  Scene().m_nRunMode = RUN_NORMAL;
  // Music, ambience, voice and the first effect stop with their bookkeeping
  // (a waited effect ends its wait, the mouths close); the requests forget
  // their memos.
  for (int channel = 0; channel <= 3; ++channel) StopChannel(channel);
  ResetSoundRequests();
  Scene().m_nPendingState = PND_MOVIE;
  StopAvi();
  m_Text.ClearBacklog();
  m_Text.ClearPageText();
  m_Tables.ForgetOrderWarnings();
  if (fromMenu) {
    if (CTextWindow* w = m_Tables.CurrentWindow()) w->HomeText();
    for (std::int32_t i = 1; i < m_Tables.SpriteCount(); ++i) {
      if (CLayerImage* sprite = m_Tables.SpriteAt(i)) {
        sprite->m_nBlendMode = 0;
        sprite->m_nShownState = 0;
        sprite->m_nState2 = 0;
      }
    }
    m_Text.m_Settings.readMarkDisplay = 1;
    Presentation().m_nRightClickValue = -1;
    Presentation().m_bRasterOn = 0;
    m_Weather.m_nState = 0;
    m_Weather.m_nAlpha = 0;
    m_Weather.m_nPending = 3;
    m_Overlay.m_nState = 0;
    m_Overlay.m_nAlpha = 0;
    SetSpriteTone(0);
  }
  m_Script.StartScript("TITLE");
  m_SaveData.m_ReadMarks.Save(m_Script, m_strProgramFolder);
  m_Script.CutStackToTop();
  if (m_hWnd) pl::SetWindowText(m_hWnd, m_strCaption);
  Scene().m_pfnFrameHook = &ResetAllWindows;
}

void CKivBase::OpenScreen(std::int32_t which, std::string_view text) {
  switch (which) {
    case 1: OpenSaveMenu(); break;
    case 2: OpenLoadMenu(); break;
    case 3: RunCgMode(); break;
    case 4: RunHMode(); break;
    case 5: RunBgmMode(); break;
    case 6: RunEndMode(); break;
    case 7: QuickSave(); break;
    case 8: QuickLoad(); break;
    case 9: RunConfigMode(); break;
    case 11: pl::OpenUrl(pl::Cp932ToUtf8(text)); break;
    default: break;
  }
}

void CKivBase::ShowVersionDialog(pl::Window* hWnd) {
  // Deactivation must not leave a full-screen mode while the dialog runs.
  m_App.m_bModal = 1;
  pl::DialogBoxParam(hWnd, 151, &VersionDlgProc, reinterpret_cast<pl::LPARAM>(m_strCaption.c_str()));
  m_App.m_bModal = 0;
}

int CKivBase::RunSaveMode() {
  // No screen opens once the quit question was answered with yes.
  if (m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED) return 0;
  if (!m_Script.m_bSaveEnabled) return 0;
  RunSaveScreen(SAVEMODE_SAVE);
  return 1;
}

int CKivBase::RunLoadMode() {
  if (m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED) return 0;
  if (!m_Script.m_bLoadEnabled) return 0;
  // A screen that could not run (-1) has loaded nothing.
  return RunSaveScreen(SAVEMODE_LOAD) > 0 ? 1 : 0;
}

void CKivBase::LeaveCommandLoop() {
  if (m_nCommandLoops > 0) --m_nCommandLoops;
  if (m_nCommandLoops > 0 || !m_bTitleHeld) return;
  m_bTitleHeld = false;
  // Served by the next pump, after the command has done its work.
  if (m_hWnd && !m_bQuit) pl::PostMessage(m_hWnd, pl::WM_COMMAND, IDM_TITLE, 0);
}

void CKivBase::SetScreenMenuItems(bool running, bool exitToo) {
  if (!m_pMenu) return;
  const bool titleGreyed = running || BacklogView().IsOpen();
  pl::EnableMenuItem(m_pMenu.get(), IDM_TITLE, titleGreyed ? pl::MF_GRAYED : pl::MF_ENABLED);
  if (exitToo) pl::EnableMenuItem(m_pMenu.get(), IDM_EXIT, running ? pl::MF_GRAYED : pl::MF_ENABLED);
  if (m_hWnd) pl::DrawMenuBar(m_hWnd);
}

int CKivBase::RunSaveScreen(int kind) {
  VirtualScreen* shown = GetPresentedScreen();
  if (!shown || !m_pBackBuffer) return -1;
  m_bScreenRunning = 1;
  SetScreenMenuItems(true, false);
  m_SaveMode.m_pBlendTable = m_pBlendTables.get();
  m_SaveMode.m_pGraphicsArc = &m_GrpArc;
  IWinHookList* hooks = m_App.m_pWindow ? &m_App.m_pWindow->Hooks() : nullptr;
  const ScreenDescriptor third = DescribeScreen(GetVirtualScreen(1));
  SaveGameContext ctx{m_Script, m_SlotScene, m_SaveData.m_ReadMarks, std::string()};
  const int result = m_SaveMode.Run(m_hWnd, DescribeScreen(shown), DescribeBuffer(*m_pBackBuffer),
                                    kind == SAVEMODE_LOAD && third.pixels ? &third : nullptr, m_pKeyManager, hooks,
                                    kind, ctx);
  m_SaveMode.LeaveHookList();
  if (m_SaveMode.m_bClosed) pl::PostMessage(m_hWnd, pl::WM_CLOSE, 0, 0);
  m_bScreenRunning = 0;
  SetScreenMenuItems(false, false);
  return result;
}

int CKivBase::QuickSave() {
  if (m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED) return 0;
  if (!m_Script.m_bSaveEnabled) return 0;
  VirtualScreen* shown = GetPresentedScreen();
  if (!shown) return 0;
  SaveGameContext ctx{m_Script, m_SlotScene, m_SaveData.m_ReadMarks, std::string()};
  return m_SaveMode.QuickSave(m_hWnd, DescribeScreen(shown), ctx);
}

int CKivBase::RunMsgMode(int kind) {
  if (m_bMsgModeRunning) return 2;
  VirtualScreen* shown = GetPresentedScreen();
  if (!shown) return -1;
  m_bMsgModeRunning = true;
  const std::int32_t wasRunning = m_bScreenRunning;
  m_bScreenRunning = 1;
  SetScreenMenuItems(true, true);
  m_MsgMode.m_pBlendTable = m_pBlendTables.get();
  m_MsgMode.m_pGraphicsArc = &m_GrpArc;
  m_MsgMode.m_bNoEffect = Settings().m_bNoEffect;
  IWinHookList* hooks = m_App.m_pWindow ? &m_App.m_pWindow->Hooks() : nullptr;
  // Given the movie screen: a movie it plays stands still behind the box.
  const int result = m_MsgMode.Run(kind, m_hWnd, DescribeScreen(shown), hooks, m_pKeyManager, &m_MovieMode);
  m_MsgMode.LeaveHookList();
  if (m_MsgMode.m_bClosed) pl::PostMessage(m_hWnd, pl::WM_CLOSE, 0, 0);
  m_bScreenRunning = wasRunning;
  SetScreenMenuItems(wasRunning != 0, true);
  if (m_pMenu) pl::EnableMenuItem(m_pMenu.get(), IDM_EXIT, pl::MF_ENABLED);
  m_bMsgModeRunning = false;
  return result;
}

template <typename Screen, typename RunFn>
int CKivBase::LaunchScreen(Screen& screen, RunFn&& run) {
  if (m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED) return -1;
  VirtualScreen* shown = GetPresentedScreen();
  if (!shown || !m_pBackBuffer) return -1;
  m_bScreenRunning = 1;
  SetScreenMenuItems(true, false);
  screen.m_pBlendTable = m_pBlendTables.get();
  screen.m_pGraphicsArc = &m_GrpArc;
  screen.m_bNoEffect = Settings().m_bNoEffect;
  IWinHookList* hooks = m_App.m_pWindow ? &m_App.m_pWindow->Hooks() : nullptr;
  // The back buffer keeps the game's picture while the screen runs.
  const int result = run(hooks, DescribeScreen(shown), DescribeBuffer(*m_pBackBuffer));
  screen.LeaveHookList();
  if (screen.m_bClosed) pl::PostMessage(m_hWnd, pl::WM_CLOSE, 0, 0);
  m_bScreenRunning = 0;
  SetScreenMenuItems(false, false);
  return result;
}

void CKivBase::RunEndMode() {
  LaunchScreen(m_EndMode, [&](IWinHookList* hooks, const ScreenDescriptor& shown, const ScreenDescriptor& back) {
    return m_EndMode.Run(m_hWnd, hooks, shown, back, m_pKeyManager, &m_Script.m_Globals);
  });
}

void CKivBase::RunCgMode() {
  m_CgMode.m_dwStepTime = 33;
  m_CgMode.m_pScriptArc = &m_ScrArc;
  LaunchScreen(m_CgMode, [&](IWinHookList* hooks, const ScreenDescriptor& shown, const ScreenDescriptor& back) {
    // The gallery's backdrop is the same game picture.
    return m_CgMode.Run(m_hWnd, hooks, shown, back, back, m_pKeyManager, &m_Script.m_Globals);
  });
}

int CKivBase::RunConfigMode() {
  m_ConfigMode.m_pScript = &m_Script;
  m_ConfigMode.m_pText = &m_Text;
  m_ConfigMode.m_pTables = &m_Tables;
  m_ConfigMode.m_pMovie = &m_MovieMode.Player();
  m_ConfigMode.m_fnAskBox = [this](int kind) { return RunMsgMode(kind); };
  const int result =
      LaunchScreen(m_ConfigMode, [&](IWinHookList* hooks, const ScreenDescriptor& shown, const ScreenDescriptor& back) {
        return m_ConfigMode.Run(m_hWnd, hooks, shown, back, nullptr, m_pKeyManager, &Settings());
      });
  return result > 0 ? 1 : 0;
}

void CKivBase::RunHMode() {
  m_HMode.m_pScriptArc = &m_ScrArc;
  m_HMode.m_pScript = &m_Script;
  m_HMode.m_pText = &m_Text;
  m_HMode.m_pTables = &m_Tables;
  m_HMode.m_nBgmVolume = Settings().m_nBgmVolume;
  LaunchScreen(m_HMode, [&](IWinHookList* hooks, const ScreenDescriptor& shown, const ScreenDescriptor& back) {
    return m_HMode.Run(m_hWnd, hooks, shown, back, nullptr, m_pKeyManager, &m_Script.m_Globals);
  });
}

void CKivBase::PlayMovie(const char* path, int x, int y) {
  m_MovieMode.m_pScreenRunning = &m_bScreenRunning;
  LaunchScreen(m_MovieMode, [&](IWinHookList* hooks, const ScreenDescriptor& shown, const ScreenDescriptor& back) {
    return m_MovieMode.Run(m_hWnd, hooks, shown, back, m_pKeyManager, path, x, y);
  });
}

void CKivBase::RunBgmMode() {
  LaunchScreen(m_BgmMode, [&](IWinHookList* hooks, const ScreenDescriptor& shown, const ScreenDescriptor& back) {
    return m_BgmMode.Run(m_hWnd, hooks, shown, back, back, m_pKeyManager, &m_Script.m_Root.m_Vars);
  });
}

int CKivBase::QuickLoad() {
  if (m_App.m_nState == APP_QUITTING || m_App.m_nState == APP_DESTROYED) return 0;
  if (!m_Script.m_bLoadEnabled) return 0;
  SaveGameContext ctx{m_Script, m_SlotScene, m_SaveData.m_ReadMarks, std::string()};
  const int loaded = LoadGame(ctx, kQuickSlot, 1);
  if (loaded == 1) m_SaveMode.m_nResult = 101;
  return loaded;
}

void CKivBase::UpdateReadMark() { m_SaveData.m_ReadMarks.Update(m_Script); }

void CKivBase::SaveGlobalFile() { ::SaveGlobalFile(m_strProgramFolder, m_Script.m_Globals); }
