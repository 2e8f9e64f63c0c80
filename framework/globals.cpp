#include "framework/globals.h"

#include <atomic>

#include "framework/cpu.h"

namespace {
std::atomic<pl::Window*> g_hMainWnd{nullptr};
int g_nMmxFlag = -1;
}  // namespace

pl::Window* GetMainWindowHandle() { return g_hMainWnd.load(std::memory_order_acquire); }
void SetMainWindowHandle(pl::Window* window) { g_hMainWnd.store(window, std::memory_order_release); }

CCriticalSection& GetPresentLock() {
  static CCriticalSection s_PresentLock;
  return s_PresentLock;
}

int* GetMmxFlag() {
  if (g_nMmxFlag < 0) g_nMmxFlag = GetCpuClass() >= 3 ? 1 : 0;
  return &g_nMmxFlag;
}
