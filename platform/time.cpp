#include "platform/time.h"

#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <atomic>
#include <cerrno>

namespace pl {

std::uint32_t SystemClock::TickMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

void SystemClock::SleepMs(std::uint32_t ms) {
  // A sleep of 1 ms may end up to 1 ms late, as the system timer of the
  // original platform allowed: the kernel can then wake a waiting loop far
  // less often, which keeps an idle game cheap.
  thread_local bool slackSet = false;
  if (!slackSet) {
    prctl(PR_SET_TIMERSLACK, 1000000UL, 0, 0, 0);
    slackSet = true;
  }
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&req, &req) == -1 && errno == EINTR) {
  }
}

std::uint32_t ManualClock::TickMs() {
  std::lock_guard<std::mutex> g(mu_);
  return now_;
}

void ManualClock::SleepMs(std::uint32_t ms) {
  std::lock_guard<std::mutex> g(mu_);
  sleeps_.push_back(ms);
  now_ += ms;
}

void ManualClock::Advance(std::uint32_t ms) {
  std::lock_guard<std::mutex> g(mu_);
  now_ += ms;
}

void ManualClock::Set(std::uint32_t now) {
  std::lock_guard<std::mutex> g(mu_);
  now_ = now;
}

std::vector<std::uint32_t> ManualClock::TakeSleeps() {
  std::lock_guard<std::mutex> g(mu_);
  std::vector<std::uint32_t> out;
  out.swap(sleeps_);
  return out;
}

namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_clock{nullptr};
}  // namespace

Clock& CurrentClock() {
  Clock* c = g_clock.load(std::memory_order_acquire);
  return c ? *c : g_systemClock;
}

void SetClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

}  // namespace pl
