#include "platform/input.h"

#include <atomic>
#include <mutex>

namespace pl {
namespace {

struct InputState {
  std::atomic<bool> keys[256] = {};
  std::atomic<bool> buttons[3] = {};
  std::mutex mu;
  Point cursor;
  bool warpPending = false;
  Point warp;
};

InputState& State() {
  static InputState s;
  return s;
}

bool Focused() { return GetActiveWindow() != nullptr; }

}  // namespace

bool IsKeyDown(int scanCode) {
  if (scanCode < 0 || scanCode > 255 || !Focused()) return false;
  return State().keys[scanCode].load();
}

bool IsMouseButtonDown(int button) {
  if (button < 0 || button > 2 || !Focused()) return false;
  return State().buttons[button].load();
}

Point GetCursorPos() {
  InputState& s = State();
  std::lock_guard<std::mutex> g(s.mu);
  return s.cursor;
}

void SetCursorPos(Point screen) {
  InputState& s = State();
  std::lock_guard<std::mutex> g(s.mu);
  s.warp = screen;
  s.warpPending = true;
  // Reads right after a move see where the cursor is going.
  s.cursor = screen;
}

void SetKeyState(int scanCode, bool down) {
  if (scanCode >= 0 && scanCode <= 255) State().keys[scanCode].store(down);
}

void SetMouseButtonState(int button, bool down) {
  if (button >= 0 && button <= 2) State().buttons[button].store(down);
}

void SetCursorState(Point screen) {
  InputState& s = State();
  std::lock_guard<std::mutex> g(s.mu);
  s.cursor = screen;
}

void ReleaseAllKeys() {
  InputState& s = State();
  for (auto& k : s.keys) k.store(false);
  for (auto& b : s.buttons) b.store(false);
}

bool TakePendingCursorMove(Point* screen) {
  InputState& s = State();
  std::lock_guard<std::mutex> g(s.mu);
  if (!s.warpPending) return false;
  s.warpPending = false;
  *screen = s.warp;
  return true;
}

}  // namespace pl
