// Threads, locks and events: what the engine's worker threads and their
// owners wait on. All of it is safe to use from any thread.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

#include <pthread.h>

namespace pl {

// Kernel id of the calling thread (never 0 and never -1).
std::int32_t CurrentThreadId();

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// A thread with a stack of a given size. Not copyable; the owner joins it.
class NativeThread {
 public:
  NativeThread() = default;
  NativeThread(const NativeThread&) = delete;
  NativeThread& operator=(const NativeThread&) = delete;
  ~NativeThread();  // a thread still running here is a program error: joined

  // Starts `body` on a new thread; false when a thread is already held or
  // the system refuses one.
  bool Start(std::function<int()> body, std::size_t stackBytes);
  // Waits for the thread to end and returns its result; -1 when none runs.
  int Join();
  bool Joinable() const { return started_.load(std::memory_order_acquire); }
  // The kernel id of the thread (0 until it has started running).
  std::int32_t Id() const;

 private:
  static void* Entry(void* self);
  pthread_t handle_{};
  // Read by the thread itself too (a thread asking whether it may stop itself).
  std::atomic<bool> started_{false};
  std::function<int()> body_;
  int result_ = 0;
  mutable std::mutex idMu_;
  mutable std::condition_variable idCv_;
  std::int32_t id_ = 0;
};

// Best effort: asks for a higher scheduling priority for the calling thread.
void RaiseCurrentThreadPriority();

// A recursive lock.
class RecursiveMutex {
 public:
  void Lock() { m_.lock(); }
  bool TryLock() { return m_.try_lock(); }
  void Unlock() { m_.unlock(); }

 private:
  std::recursive_mutex m_;
};

// A plain lock.
class Mutex {
 public:
  void Lock() { m_.lock(); }
  void Unlock() { m_.unlock(); }
  std::mutex& Native() { return m_; }

 private:
  std::mutex m_;
};

enum class WaitResult { Signaled, Timeout };

// An event, manual-reset (stays set until reset) or auto-reset (a
// successful wait clears it).
class Event {
 public:
  explicit Event(bool manualReset, bool initiallySet = false) : manual_(manualReset), set_(initiallySet) {}
  void Set();
  void Reset();
  bool IsSet() const;
  WaitResult Wait(std::uint32_t ms = kInfinite);

 private:
  const bool manual_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  bool set_;
};

// Up to 32 auto-reset events that one thread waits on together: WaitAny
// returns the lowest index that is set (and clears it), or -1 on time-out.
class EventGroup {
 public:
  void Set(int index);
  void Reset(int index);
  int WaitAny(std::uint32_t mask, std::uint32_t ms = kInfinite);

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::uint32_t bits_ = 0;
};

}  // namespace pl
