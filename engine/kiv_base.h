// CKivBase: the engine object. It is the second hook of the main window and
// carries the flags through which the main loop, the interpreter and the
// screens talk.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/win_hook.h"
#include "platform/dialog.h"
#include "platform/menu.h"

class CKeyManager;
class CAppBase;

// Menu 101's commands.
enum : std::uint32_t {
  IDM_VERSION = 111,
  IDM_TITLE = 112,
  IDM_EXIT = 113,
  IDM_HOMEPAGE = 33001,
};

class CKivBase : public IWinHook {
 public:
  explicit CKivBase(CAppBase& app);
  ~CKivBase() override;

  // 1 when the engine is ready to run, 0 when start-up must stop (the
  // reason has been shown).
  int Init(CKeyManager* pKeyManager, pl::Window* hWnd, void* hInstance);
  void Cleanup();

  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;
  // 0 to let WM_CLOSE through (the window has been destroyed), 1 to swallow it.
  std::int32_t ConfirmQuit(pl::Window* hWnd);
  void OnMenuCommand(pl::Window* hWnd, std::uint32_t id);
  void ShowVersionDialog(pl::Window* hWnd);

  pl::Window* m_hWnd = nullptr;
  CKeyManager* m_pKeyManager = nullptr;
  std::int32_t m_bScreenRunning = 0;
  std::int32_t m_bSaveEnabled = 0;
  std::int32_t m_bLoadEnabled = 0;
  std::int32_t m_bQuit = 0;
  std::int32_t m_bStopRequest = 0;
  std::int32_t m_bContinue = 0;
  std::string m_strCaption;     // the game's title, CP932
  std::unique_ptr<pl::Menu> m_pMenu;  // menu 101

 private:
  int InitApplication(pl::Window* hWnd, void* hInstance);

  CAppBase& m_App;
  bool m_bQuitQuestionOpen = false;
  bool m_bMenuCommandRunning = false;
};

// The address menu item 33001 opens.
extern const char kHomePageUrl[];
