#include <deque>
#include <mutex>

#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/signals.h"

namespace pl {
namespace {

struct Queue {
  std::mutex mu;
  std::deque<Message> items;
};

Queue& TheQueue() {
  static Queue q;
  return q;
}

}  // namespace

void PostMessage(Window* window, std::uint32_t id, WPARAM wParam, LPARAM lParam) {
  Queue& q = TheQueue();
  std::lock_guard<std::mutex> g(q.mu);
  q.items.push_back(Message{window, id, wParam, lParam});
}

void PostQuitMessage(int exitCode) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

bool PeekMessage(Message* out) {
  if (Backend* b = CurrentBackend()) b->PumpEvents();
  if (TakeQuitSignal()) {
    if (Window* w = FirstWindow()) PostMessage(w, WM_KV_QUITREQUEST, 0, 0);
  }
  Queue& q = TheQueue();
  std::lock_guard<std::mutex> g(q.mu);
  if (q.items.empty()) return false;
  *out = q.items.front();
  q.items.pop_front();
  return true;
}

LRESULT DispatchMessage(const Message& msg) {
  if (msg.id == WM_QUIT || !msg.window) return 0;
  return SendMessage(msg.window, msg.id, msg.wParam, msg.lParam);
}

void ClearMessageQueue() {
  Queue& q = TheQueue();
  std::lock_guard<std::mutex> g(q.mu);
  q.items.clear();
}

}  // namespace pl
