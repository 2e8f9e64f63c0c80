// CThread: a worker thread with a manual-reset stop event; its body uses a
// timed wait on that event as its clock, so Stop ends it at once however
// long its pause. Park/Resume hold a thread between passes (the movie player
// rests this way while no movie plays) without blinding it to Stop.
#pragma once
#include <memory>

#include "framework/critical_section.h"
#include "platform/thread.h"

class IThread {
 public:
  virtual ~IThread() = default;
  virtual int Start() = 0;
  virtual void Stop() = 0;
  virtual int Run() = 0;
};

class CThread : public IThread {
 public:
  static constexpr std::size_t kStackSize = 0x200000;

  CThread() = default;
  // A derived class must call Stop in its own destructor: by the time this
  // one runs, Run is gone.
  ~CThread() override;

  // 0 on success, 1 on failure (also when a thread already runs).
  int Start() override;
  // Signals the stop event and waits for the thread without a time limit.
  // Does nothing when no thread was started, and refuses when called from the
  // thread itself (it would wait for itself forever).
  void Stop() override;

  // For the body: waits on the stop event up to ms; true when stopping.
  bool WaitForStop(std::uint32_t ms);
  bool StopRequested() const { return m_pStop && m_pStop->IsSet(); }
  // The body calls this between passes: it blocks while the thread is
  // parked and returns true when the thread is to stop.
  bool WaitWhileParked();
  void Park();
  void Resume();
  bool IsParked() const;
  bool IsRunning() const { return m_thread.Joinable(); }
  std::int32_t ThreadId() const { return m_thread.Id(); }

 protected:
  CCriticalSection m_Lock;  // the derived class's shared fields

 private:
  pl::NativeThread m_thread;
  std::unique_ptr<pl::Event> m_pStop;
  mutable std::mutex m_parkMu;
  std::condition_variable m_parkCv;
  bool m_bParked = false;
};
