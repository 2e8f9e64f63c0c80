// The one tick source of the program and its sleep, behind a clock that
// tests replace with a virtual one.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

namespace pl {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds of a monotonic clock, truncated to 32 bits: it wraps, so
  // callers compare readings by unsigned difference.
  virtual std::uint32_t TickMs() = 0;
  // Sleeps n ms; 0 gives up the rest of the time slice.
  virtual void SleepMs(std::uint32_t ms) = 0;
  // The finest period the clock keeps, in ms.
  virtual std::uint32_t MinPeriodMs() { return 1; }
};

// The real clock: CLOCK_MONOTONIC and nanosleep.
class SystemClock final : public Clock {
 public:
  std::uint32_t TickMs() override;
  void SleepMs(std::uint32_t ms) override;
};

// A virtual clock for tests: time moves only when someone sleeps or the test
// advances it. Every sleep is recorded. Thread-safe.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::uint32_t start = 1000) : now_(start) {}
  std::uint32_t TickMs() override;
  void SleepMs(std::uint32_t ms) override;
  void Advance(std::uint32_t ms);
  void Set(std::uint32_t now);
  std::vector<std::uint32_t> TakeSleeps();
  std::uint32_t MinPeriodMs() override { return minPeriod_; }
  void SetMinPeriod(std::uint32_t ms) { minPeriod_ = ms; }

 private:
  std::mutex mu_;
  std::uint32_t now_;
  std::uint32_t minPeriod_ = 1;
  std::vector<std::uint32_t> sleeps_;
};

// The clock in use (the system clock unless one was installed).
Clock& CurrentClock();
// Installs a clock for the whole process (nullptr restores the system clock).
// The clock must outlive its use.
void SetClock(Clock* clock);

inline std::uint32_t TickMs() { return CurrentClock().TickMs(); }
inline void SleepMs(std::uint32_t ms) { CurrentClock().SleepMs(ms); }

}  // namespace pl
