#include "platform/thread.h"

#include <sys/syscall.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cassert>
#include <chrono>

namespace pl {

// Asked on every lock taken and every present: the system call is made once
// a thread.
std::int32_t CurrentThreadId() {
  thread_local const auto id = static_cast<std::int32_t>(syscall(SYS_gettid));
  return id;
}

NativeThread::~NativeThread() {
  if (started_) Join();
}

void* NativeThread::Entry(void* p) {
  auto* self = static_cast<NativeThread*>(p);
  {
    std::lock_guard<std::mutex> g(self->idMu_);
    self->id_ = CurrentThreadId();
  }
  self->idCv_.notify_all();
  self->result_ = self->body_();
  return nullptr;
}

bool NativeThread::Start(std::function<int()> body, std::size_t stackBytes) {
  if (started_) return false;
  body_ = std::move(body);
  {
    std::lock_guard<std::mutex> g(idMu_);
    id_ = 0;
  }
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  if (stackBytes) pthread_attr_setstacksize(&attr, stackBytes);
  // Marked started before the thread runs, so that its own first look sees it.
  started_.store(true, std::memory_order_release);
  int rc = pthread_create(&handle_, &attr, &NativeThread::Entry, this);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    started_.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

int NativeThread::Join() {
  if (!started_) return -1;
  pthread_join(handle_, nullptr);
  started_ = false;
  return result_;
}

std::int32_t NativeThread::Id() const {
  std::unique_lock<std::mutex> g(idMu_);
  if (started_) idCv_.wait(g, [this] { return id_ != 0; });
  return id_;
}

void RaiseCurrentThreadPriority() {
  // Unprivileged processes may not lower their niceness; failure is fine.
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), -5);
}

void Event::Set() {
  {
    std::lock_guard<std::mutex> g(mu_);
    set_ = true;
  }
  if (manual_)
    cv_.notify_all();
  else
    cv_.notify_one();
}

void Event::Reset() {
  std::lock_guard<std::mutex> g(mu_);
  set_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> g(mu_);
  return set_;
}

WaitResult Event::Wait(std::uint32_t ms) {
  std::unique_lock<std::mutex> g(mu_);
  auto ready = [this] { return set_; };
  if (ms == kInfinite) {
    cv_.wait(g, ready);
  } else if (!cv_.wait_for(g, std::chrono::milliseconds(ms), ready)) {
    return WaitResult::Timeout;
  }
  if (!manual_) set_ = false;
  return WaitResult::Signaled;
}

void EventGroup::Set(int index) {
  {
    std::lock_guard<std::mutex> g(mu_);
    bits_ |= 1u << index;
  }
  cv_.notify_all();
}

void EventGroup::Reset(int index) {
  std::lock_guard<std::mutex> g(mu_);
  bits_ &= ~(1u << index);
}

int EventGroup::WaitAny(std::uint32_t mask, std::uint32_t ms) {
  std::unique_lock<std::mutex> g(mu_);
  auto ready = [&] { return (bits_ & mask) != 0; };
  if (ms == kInfinite) {
    cv_.wait(g, ready);
  } else if (!cv_.wait_for(g, std::chrono::milliseconds(ms), ready)) {
    return -1;
  }
  std::uint32_t hit = bits_ & mask;
  int index = __builtin_ctz(hit);
  bits_ &= ~(1u << index);
  return index;
}

}  // namespace pl
