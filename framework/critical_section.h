// CCriticalSection: a recursive lock that knows its owner thread and how
// often it is held. ReleaseScopedLock releases what an operation took on
// every way out of it.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/thread.h"

class ICriticalSection {
 public:
  virtual ~ICriticalSection() = default;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  virtual int IsOwner() = 0;
};

class CCriticalSection : public ICriticalSection {
 public:
  CCriticalSection() = default;
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;
  // Leaves the lock as often as the destroying thread still holds it. A lock
  // held by another thread at this point is a program error.
  ~CCriticalSection() override;

  void Lock() override;
  // Does nothing unless the calling thread holds the lock: an unlock from a
  // stranger would release someone else's hold.
  void Unlock() override;
  int IsOwner() override;

  // For tests and diagnostics: the holder's thread id (-1 when free) and the
  // hold count as the holder sees it.
  std::int32_t OwnerId() const { return m_nOwner.load(std::memory_order_acquire); }
  std::int32_t HoldCount() const { return m_nCount; }

 private:
  pl::RecursiveMutex m_cs;
  std::atomic<std::int32_t> m_nOwner{-1};
  std::int32_t m_nCount = 0;  // touched only while held
};

// Takes a lock and releases it as many times as it took it when it goes.
class ReleaseScopedLock {
 public:
  explicit ReleaseScopedLock(CCriticalSection& cs) : m_cs(cs) { Lock(); }
  ReleaseScopedLock(const ReleaseScopedLock&) = delete;
  ReleaseScopedLock& operator=(const ReleaseScopedLock&) = delete;
  ~ReleaseScopedLock() {
    while (m_nLocks > 0) Unlock();
  }
  void Lock() {
    m_cs.Lock();
    ++m_nLocks;
  }
  void Unlock() {
    if (m_nLocks > 0) {
      --m_nLocks;
      m_cs.Unlock();
    }
  }

 private:
  CCriticalSection& m_cs;
  int m_nLocks = 0;
};
