#include "platform/signals.h"

#include <signal.h>

#include <atomic>

namespace pl {
namespace {

std::atomic<int> g_pending{0};
std::atomic<int> g_seen{0};

void OnSignal(int) {
  g_pending.store(1);
  g_seen.store(1);
}

}  // namespace

void InstallQuitSignals() {
  struct sigaction sa {};
  sa.sa_handler = &OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

bool TakeQuitSignal() { return g_pending.exchange(0) != 0; }
bool QuitSignalSeen() { return g_seen.load() != 0; }

}  // namespace pl
