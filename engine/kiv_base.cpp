#include "engine/kiv_base.h"

#include "framework/app_base.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "platform/text.h"
#include "platform/window.h"

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

CKivBase::CKivBase(CAppBase& app) : m_App(app) {}

CKivBase::~CKivBase() = default;

int CKivBase::Init(CKeyManager* pKeyManager, pl::Window* hWnd, void* hInstance) {
  m_hWnd = hWnd;
  m_pKeyManager = pKeyManager;
  // Linux is a supported platform: the platform warning never shows.
  // Still to come with their parts of the engine: the program paths and the
  // "save" folder, the save screen's comment fields, the archives, sound,
  // virtual screens, tables and the START script, the movie thread and the
  // back buffer.
  if (!InitApplication(hWnd, hInstance)) return 0;
  m_bQuit = 0;
  return 1;
}

int CKivBase::InitApplication(pl::Window* hWnd, void*) {
  m_strCaption = GameTitle();
  pl::SetWindowText(hWnd, m_strCaption);
  if (pl::GetScreenBitsPerPixel() == 8) {
    pl::MessageBox(nullptr, SJ("65536色以上のカラーモードでお楽しみ下さい。"), SJ("中止"), pl::MB_OK);
    return 0;
  }
  m_pMenu = pl::LoadMenu(101);
  SetMenuHandle(m_pMenu.get());
  if (GetDisplayMode() == 0 && m_pMenu) {
    pl::SetMenu(hWnd, m_pMenu.get());
    pl::DrawMenuBar(hWnd);
    SetMenuAttached(true);
  }
  return 1;
}

void CKivBase::Cleanup() {
  // The menu goes with the engine; the window must not point at it after.
  if (m_hWnd && pl::GetMenu(m_hWnd) == m_pMenu.get()) pl::SetMenu(m_hWnd, nullptr);
  if (GetMenuHandle() == m_pMenu.get()) SetMenuHandle(nullptr);
  m_pMenu.reset();
  SetMenuAttached(false);
}

std::int32_t CKivBase::OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM) {
  switch (uMsg) {
    case pl::WM_DESTROY:
      m_bQuit = 1;
      return 0;
    case pl::WM_CLOSE:
      return ConfirmQuit(hWnd);
    case pl::WM_COMMAND:
      if (!m_bMenuCommandRunning) OnMenuCommand(hWnd, pl::LoWord(wParam));
      return 0;
    default:
      return 0;
  }
}

std::int32_t CKivBase::ConfirmQuit(pl::Window* hWnd) {
  if (m_bQuitQuestionOpen) return 1;
  m_bQuitQuestionOpen = true;
  // The yes/no screen asks first once it exists; this box is what asks when
  // that screen cannot run.
  bool yes = pl::MessageBox(hWnd, SJ("終了してもよろしいですか？"), SJ("確認"), pl::MB_OKCANCEL) == pl::IDOK;
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
    default:
      // 112, the return to the title, comes with the main loop.
      break;
  }
  m_bMenuCommandRunning = false;
}

void CKivBase::ShowVersionDialog(pl::Window* hWnd) {
  // Deactivation must not leave a full-screen mode while the dialog runs.
  m_App.m_bModal = 1;
  pl::DialogBoxParam(hWnd, 151, &VersionDlgProc, reinterpret_cast<pl::LPARAM>(m_strCaption.c_str()));
  m_App.m_bModal = 0;
}
