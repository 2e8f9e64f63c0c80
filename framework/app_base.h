// CAppBase: the application object. It owns the process-wide objects that
// start-up makes, is the first hook of the main window, and runs the
// pump-and-pace pass every waiting loop of the program uses.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "framework/win_hook.h"
#include <memory>

#include "platform/instance.h"
#include "platform/menu.h"

class CWindow;
class CDDraw;
class CKeyManager;
class CD3DScreen;
class CKivBase;
class CCharaCheck;
class CDrawRect;

enum AppState : std::int32_t {
  APP_NONE = 0,
  APP_ACTIVE = 1,
  APP_INACTIVE = 2,
  APP_QUITTING = 3,
  APP_DESTROYED = 4,
};

class CAppBase : public IWinHook {
 public:
  CAppBase() = default;
  // Releases the single-instance lock when it is still held.
  ~CAppBase() override;

  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;

  // One pump-and-pace pass: at most one message dispatched, then a sleep of
  // 1 ms (33 ms or less since the previous pass) or 0 ms (more), or 30 ms
  // without an active window. 0 once the window is destroyed, else 1.
  int PumpMessage();

  // The reactions to the window's activation and end.
  void OnDestroyWindow(pl::Window* hWnd);
  void OnActivate(pl::Window* hWnd, pl::WPARAM wParam);
  void OnActivateApp(pl::Window* hWnd, bool activating);
  std::int32_t OnSysCommand(pl::Window* hWnd, pl::WPARAM command);
  void ShowMenuBar(pl::Window* hWnd);

  void* m_hInstance = nullptr;
  CWindow* m_pWindow = nullptr;
  std::unique_ptr<pl::Menu> m_pMenu;  // the menu the window is created with
  pl::SingleInstance m_Mutex;
  std::string m_strMutexName = "_K_I_V_Z_O_";  // tests run side by side under names of their own
  std::int32_t m_nTickSource = 0;
  // The movie threads look at it to stop drawing into a window going away.
  std::atomic<std::int32_t> m_nState{APP_NONE};
  CDDraw* m_pDDraw = nullptr;
  CKeyManager* m_pKeyManager = nullptr;
  CD3DScreen* m_pD3DScreen = nullptr;
  CKivBase* m_pKivBase = nullptr;
  CCharaCheck* m_pCharaCheck = nullptr;
  CDrawRect* m_pDrawRect = nullptr;
  std::int32_t m_nMmx = 0;
  std::int32_t m_nMmx2 = 0;
  std::int32_t m_bModal = 0;
  std::int32_t m_bAppActive = 0;
  std::int32_t m_bRestoreMode = 0;
  std::int32_t m_nSavedMode = 0;
  void* m_hHeap = nullptr;
  std::uint32_t m_dwLastPump = 0;

 private:
  bool m_bErased = false;
};

// The warning box of the program: the main window is brought to the front
// and a box captioned "KIV" with a warning icon shows the text (CP932).
int ShowWarning(const char* text);
// Shows the last system error code, when there is one, through ShowWarning.
void ShowLastError();
// Takes the single-instance lock; 0 when another copy holds it.
int AcquireSingleInstance(CAppBase& app);
