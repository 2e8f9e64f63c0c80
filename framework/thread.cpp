#include "framework/thread.h"

CThread::~CThread() {
  // A derived class stops its thread first; this catches one that did not
  // before the members go.
  Stop();
}

int CThread::Start() {
  if (m_thread.Joinable()) return 1;
  m_pStop = std::make_unique<pl::Event>(true, false);
  m_pStop->Reset();
  if (!m_thread.Start([this] { return Run(); }, kStackSize)) {
    m_pStop.reset();
    return 1;
  }
  return 0;
}

void CThread::Stop() {
  if (!m_pStop) return;
  // The id is known before the body runs, so even a first pass that stops
  // its own thread is caught.
  if (m_thread.Joinable() && m_thread.Id() == pl::CurrentThreadId()) return;
  m_pStop->Set();
  {
    std::lock_guard<std::mutex> g(m_parkMu);
    m_bParked = false;
  }
  m_parkCv.notify_all();
  if (m_thread.Joinable()) m_thread.Join();
  m_pStop.reset();
}

bool CThread::WaitForStop(std::uint32_t ms) {
  if (!m_pStop) return true;
  return m_pStop->Wait(ms) == pl::WaitResult::Signaled;
}

bool CThread::WaitWhileParked() {
  std::unique_lock<std::mutex> g(m_parkMu);
  m_parkCv.wait(g, [this] { return !m_bParked || StopRequested(); });
  return StopRequested();
}

void CThread::Park() {
  std::lock_guard<std::mutex> g(m_parkMu);
  m_bParked = true;
}

void CThread::Resume() {
  {
    std::lock_guard<std::mutex> g(m_parkMu);
    m_bParked = false;
  }
  m_parkCv.notify_all();
}

bool CThread::IsParked() const {
  std::lock_guard<std::mutex> g(m_parkMu);
  return m_bParked;
}
