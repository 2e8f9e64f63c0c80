#include "app/process.h"

#include <new>

#include "engine/kiv_base.h"
#include "framework/cpu.h"
#include "framework/d3d_screen.h"
#include "framework/ddraw.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "framework/window.h"
#include "graphics/draw_rect.h"
#include "platform/text.h"
#include "platform/time.h"
#include "platform/window.h"
#include "sound/chara_check.h"

namespace {

ProcessGlobals* g_pGlobals = nullptr;

// The caption style of the window mode: a popup with caption, system menu
// and minimise box, clipping its children.
constexpr std::uint32_t kWindowStyle = 0x82CA0000u;

}  // namespace

ProcessGlobals::ProcessGlobals() {
  g_pGlobals = this;
  SetApp(&m_App);
  SetAntiFont(&m_AntiFont);
  SetFontList(&m_FontList);
  SetPresentLock(&m_PresentLock);
  SetSoundSystem(&m_Sound);
}

ProcessGlobals::~ProcessGlobals() {
  SetSoundSystem(nullptr);
  SetPresentLock(nullptr);
  SetFontList(nullptr);
  SetAntiFont(nullptr);
  SetApp(nullptr);
  g_pGlobals = nullptr;
}

ProcessGlobals* GetProcessGlobals() { return g_pGlobals; }

int Startup(CAppBase& app, void* hInstance) {
  // 1. One copy at a time; a second one ends without a word.
  if (!AcquireSingleInstance(app)) return 0;
  // 2.
  app.m_hInstance = hInstance;
  // 3. The tick source: the monotonic clock has a 1 ms period already, which
  // is what raising the multimedia timer's period gave.
  app.m_nTickSource = pl::CurrentClock().MinPeriodMs() >= 10 ? 1 : 0;
  // 4. The pixel routines' SIMD paths.
  int cls = GetCpuClass();
  app.m_nMmx = app.m_nMmx2 = cls >= 3 ? 1 : 0;
  *GetMmxFlag() = app.m_nMmx;
  // 5. The private heap and COM have no counterpart here.
  // 6.
  app.m_pWindow = new (std::nothrow) CWindow;
  if (!app.m_pWindow) {
    ShowWarning(SJ("Window Class の作成に失敗しました"));
    return 0;
  }
  app.m_pWindow->Hooks().Add(&app);
  // 7.
  app.m_pMenu = pl::LoadMenu(101);
  WindowCreateRecord rec;
  rec.hInstance = hInstance;
  rec.hMenu = app.m_pMenu.get();
  rec.nHeight = 600;
  rec.nWidth = 1024;
  rec.x = 0;
  rec.y = 0;
  rec.dwStyle = kWindowStyle;
  rec.caption = SJ("kivzo");
  rec.className = "KIV";
  if (app.m_pWindow->Create(rec) != 0) {
    ShowWarning(SJ("ウィンドウの作成に失敗しました。"));
    return 0;
  }
  // 8.
  CenterWindow(*app.m_pWindow, rec);
  // 9.
  app.m_pDDraw = new (std::nothrow) CDDraw;
  if (!app.m_pDDraw) {
    ShowWarning(SJ("DirectDrawクラスの作成に失敗しました。"));
    return 0;
  }
  if (!app.m_pDDraw->Init(app.m_pWindow->GetHandle())) {
    ShowWarning(SJ("DirectDrawクラスの初期化に失敗しました。"));
    return 0;
  }
  app.m_pDDraw->m_bRgb = 1;
  // 10.
  app.m_pKeyManager = new (std::nothrow) CKeyManager;
  if (!app.m_pKeyManager) {
    ShowWarning(SJ("キーマネージャークラスの作成に失敗しました。"));
    return 0;
  }
  if (!app.m_pKeyManager->Init(app.m_pWindow->GetHandle())) {
    ShowWarning(SJ("キーマネージャークラスの初期化に失敗しました。"));
    return 0;
  }
  app.m_pKeyManager->SetBounds(1024, 600);
  // 11.
  app.m_pCharaCheck = new (std::nothrow) CCharaCheck;
  if (!app.m_pCharaCheck) {
    ShowWarning(SJ("キャラ識別チェッククラスの作成に失敗しました。"));
    return 0;
  }
  // 12.
  app.m_pDrawRect = new (std::nothrow) CDrawRect;
  if (!app.m_pDrawRect) {
    ShowWarning(SJ("DrawRectクラスの作成に失敗しました。"));
    return 0;
  }
  SetDrawRect(app.m_pDrawRect);
  // 13.
  app.m_pKivBase = new (std::nothrow) CKivBase(app);
  if (!app.m_pKivBase) {
    ShowWarning(SJ("KIVクラスの作成に失敗しました。"));
    return 0;
  }
  pl::Window* hWnd = app.m_pWindow->GetHandle();
  if (!app.m_pKivBase->Init(app.m_pKeyManager, hWnd, hInstance)) return 0;
  // 14. Hook order: the application, the engine, the input object.
  app.m_pWindow->Hooks().Add(app.m_pKivBase);
  app.m_pWindow->Hooks().Add(app.m_pKeyManager);
  // 15.
  app.m_pWindow->Show(pl::SW_SHOW);
  app.m_pWindow->SetForeground();
  app.m_pWindow->SetFocus();
  // Text input (the IME) was switched off when the platform started.
  app.m_nState = APP_ACTIVE;
  return 1;
}

void RunEngine(CAppBase& app) {
  if (app.m_pKivBase) app.m_pKivBase->RunEngine();
}

void Shutdown(CAppBase& app) {
  // Nothing may reach a hook that is about to go.
  if (app.m_pWindow) app.m_pWindow->Hooks().Clear();
  pl::Window* hWnd = app.m_pWindow ? app.m_pWindow->GetHandle() : nullptr;
  // The engine first: its destruction still uses the window, the input
  // object and the archives.
  delete app.m_pKivBase;
  app.m_pKivBase = nullptr;
  // 1. The window object and its hook list.
  delete app.m_pWindow;
  app.m_pWindow = nullptr;
  // 2.
  delete app.m_pD3DScreen;
  app.m_pD3DScreen = nullptr;
  // 3.
  if (app.m_pDDraw) {
    app.m_pDDraw->Release();
    delete app.m_pDDraw;
    app.m_pDDraw = nullptr;
  }
  // 4. The devices, then the object, whose destruction stops the glide thread.
  if (app.m_pKeyManager) {
    app.m_pKeyManager->Release();
    delete app.m_pKeyManager;
    app.m_pKeyManager = nullptr;
  }
  // 5.
  app.m_Mutex.Release();
  // 7.
  delete app.m_pCharaCheck;
  app.m_pCharaCheck = nullptr;
  // 8.
  if (GetDrawRect() == app.m_pDrawRect) SetDrawRect(nullptr);
  delete app.m_pDrawRect;
  app.m_pDrawRect = nullptr;
  // 9.-11. No timer period was raised, and there is no private heap or COM.
  // Last, the native window, which everything above could still touch.
  if (hWnd) {
    if (GetMainWindowHandle() == hWnd) SetMainWindowHandle(nullptr);
    pl::FreeWindow(hWnd);
  }
  app.m_pMenu.reset();
}

int KivzoMain(ProcessGlobals& globals, void* hInstance) {
  CAppBase& app = globals.m_App;
  int ok = Startup(app, hInstance);
  bool secondCopy = !ok && !app.m_Mutex.Held();
  if (ok) RunEngine(app);
  Shutdown(app);
  pl::ClearMessageQueue();
  if (ok || secondCopy) return 0;
  return 1;
}
