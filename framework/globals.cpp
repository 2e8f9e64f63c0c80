#include "framework/globals.h"

#include <atomic>

#include "framework/cpu.h"

namespace {
CAppBase* g_pApp = nullptr;
pl::Menu* g_hMenu = nullptr;
std::atomic<pl::Window*> g_hMainWnd{nullptr};
int g_nMmxFlag = -1;
}  // namespace

CAppBase* GetApp() { return g_pApp; }
void SetApp(CAppBase* app) { g_pApp = app; }
pl::Menu* GetMenuHandle() { return g_hMenu; }
void SetMenuHandle(pl::Menu* menu) { g_hMenu = menu; }

pl::Window* GetMainWindowHandle() { return g_hMainWnd.load(std::memory_order_acquire); }
void SetMainWindowHandle(pl::Window* window) { g_hMainWnd.store(window, std::memory_order_release); }

namespace {
std::atomic<CCriticalSection*> g_pPresentLock{nullptr};
}

CCriticalSection& GetPresentLock() {
  if (CCriticalSection* lock = g_pPresentLock.load(std::memory_order_acquire)) return *lock;
  static CCriticalSection s_FallbackLock;
  return s_FallbackLock;
}

void SetPresentLock(CCriticalSection* lock) { g_pPresentLock.store(lock, std::memory_order_release); }

int* GetMmxFlag() {
  if (g_nMmxFlag < 0) g_nMmxFlag = GetCpuClass() >= 3 ? 1 : 0;
  return &g_nMmxFlag;
}
