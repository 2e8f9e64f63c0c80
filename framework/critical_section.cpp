#include "framework/critical_section.h"

#include <cassert>

CCriticalSection::~CCriticalSection() {
  if (m_nOwner.load(std::memory_order_acquire) == pl::CurrentThreadId()) {
    while (m_nCount > 0) Unlock();
  } else {
    assert(m_nOwner.load() == -1 && "CCriticalSection destroyed while another thread holds it");
  }
}

void CCriticalSection::Lock() {
  m_cs.Lock();
  m_nOwner.store(pl::CurrentThreadId(), std::memory_order_release);
  ++m_nCount;
}

void CCriticalSection::Unlock() {
  if (m_nOwner.load(std::memory_order_acquire) != pl::CurrentThreadId()) return;
  if (m_nCount == 0) return;
  if (--m_nCount == 0) m_nOwner.store(-1, std::memory_order_release);
  m_cs.Unlock();
}

int CCriticalSection::IsOwner() { return m_nOwner.load(std::memory_order_acquire) == pl::CurrentThreadId() ? 1 : 0; }
