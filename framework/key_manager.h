// CKeyManager: the one input object. It turns the keyboard and the mouse
// into the logical key bits, keeps the mouse point in client coordinates,
// records the wheel, and owns the glide thread that moves the cursor
// smoothly onto a control.
#pragma once
#include <cstdint>

#include "framework/thread.h"
#include "framework/win_hook.h"
#include "platform/window.h"

enum : std::uint32_t {
  KEY_ENTER = 1,
  KEY_SPACE = 2,
  KEY_UP = 4,
  KEY_DOWN = 8,
  KEY_LEFT = 16,
  KEY_RIGHT = 32,
  KEY_SHIFT = 64,
  KEY_CTRL = 128,
  KEY_PAGEUP = 256,
  KEY_PAGEDOWN = 512,
  KEY_HOME = 1024,
  KEY_END = 2048,
  KEY_WHEEL = 4096,
  KEY_Z = 0x10000,
  KEY_X = 0x20000,
  KEY_C = 0x40000,
  KEY_V = 0x80000,
};

// One coordinate of a glide pass: 0.466 of the remaining distance in single
// precision, truncated toward zero; straight onto the target when that is
// less than a pixel.
int GlideStep(int current, int target);

// The glide thread: every 33 ms (less its own pass time) while gliding, the
// cursor moves toward the target. The thread only computes; the cursor move
// itself is handed to the main thread.
class CMouse : public CThread {
 public:
  ~CMouse() override { Stop(); }
  int Run() override;
  // One pass under the lock (the thread's body; tests call it directly).
  void Pass();

  CCriticalSection& Lock() { return m_Lock; }
  pl::Window* m_hWnd = nullptr;
  std::int32_t m_bGliding = 0;
  pl::Point m_ptTarget;
  pl::Point m_ptCurrent;
  std::int32_t m_bGlide = 0;  // gliding allowed (a setting)
};

class CKeyManager : public IWinHook {
 public:
  CKeyManager() = default;
  // Releases the devices and stops the glide thread.
  ~CKeyManager() override;

  // 1 / 0; starts the glide thread.
  int Init(pl::Window* hWnd);
  void Release();
  // 1 when any key of the bit is down; the mouse point is copied out when a
  // place for it is given. Refreshes the point unless a decide or cancel
  // press is held, so a held button keeps the point where it went down.
  int CheckKey(std::uint32_t bit, pl::Point* pt = nullptr);
  int IsScanCodeDown(int code);
  // A button counts only while the point is on the picture (bounds included).
  int IsMouseButtonDown(int button);
  std::int32_t OnWindowMessage(pl::Window* hWnd, std::uint32_t uMsg, pl::WPARAM wParam, pl::LPARAM lParam) override;

  void SetBounds(int width, int height) {
    m_nBoundWidth = width;
    m_nBoundHeight = height;
  }
  // The wheel word: the last WM_MOUSEWHEEL wParam, 0 when none is pending.
  std::uint32_t TakeWheel() {
    std::uint32_t w = m_nWheel;
    m_nWheel = 0;
    return w;
  }

  pl::Window* m_hWnd = nullptr;
  CMouse m_Mouse;
  pl::Point m_ptMouse;
  std::int32_t m_bDecideLatch = 0;
  std::int32_t m_bCancelLatch = 0;
  int m_nBoundWidth = 1024;
  int m_nBoundHeight = 600;
  std::uint32_t m_nWheel = 0;

 private:
  void RefreshPoint();
  bool m_bDevices = false;
};

// How the end of the menu loop asks whether the decide key is down.
bool IsDecideKeyDown(CKeyManager* pKeyManager);
