#include "platform/input.h"

#include <atomic>
#include <mutex>

namespace pl {
namespace {

// Each key and button has its state and a tap mark: it went down since it
// was last read. A press and its release that both arrive between two reads
// (a touchpad tap, a synthetic click, a quick key tap pumped in one go)
// would otherwise never be seen down; with the mark the next read answers
// "down" once and the read after it the state as it is. A mark lives until
// the program has read the input once after it came: when the reads of a
// pass skipped the key (a key before it in their order was down), the next
// pump drops it, as a press held that long and released would be gone.
struct InputState {
  std::atomic<bool> keys[256] = {};
  std::atomic<bool> keyTaps[256] = {};
  std::atomic<bool> buttons[3] = {};
  std::atomic<bool> buttonTaps[3] = {};
  std::atomic<bool> readSincePump{false};
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

// A read of one key: down while held, and once more after a tap that no read
// has seen yet.
bool Read(std::atomic<bool>& state, std::atomic<bool>& tap) {
  State().readSincePump.store(true);
  bool tapped = tap.exchange(false);
  return state.load() || tapped;
}

void Write(std::atomic<bool>& state, std::atomic<bool>& tap, bool down) {
  if (down && !state.exchange(true)) {
    tap.store(true);
  } else if (!down) {
    state.store(false);
  }
}

}  // namespace

bool IsKeyDown(int scanCode) {
  if (scanCode < 0 || scanCode > 255 || !Focused()) return false;
  InputState& s = State();
  return Read(s.keys[scanCode], s.keyTaps[scanCode]);
}

bool IsMouseButtonDown(int button) {
  if (button < 0 || button > 2 || !Focused()) return false;
  InputState& s = State();
  return Read(s.buttons[button], s.buttonTaps[button]);
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
  if (scanCode < 0 || scanCode > 255) return;
  InputState& s = State();
  Write(s.keys[scanCode], s.keyTaps[scanCode], down);
}

void SetMouseButtonState(int button, bool down) {
  if (button < 0 || button > 2) return;
  InputState& s = State();
  Write(s.buttons[button], s.buttonTaps[button], down);
}

bool KeyHeld(int scanCode) { return scanCode >= 0 && scanCode <= 255 && State().keys[scanCode].load(); }

bool MouseButtonHeld(int button) { return button >= 0 && button <= 2 && State().buttons[button].load(); }

void SetCursorState(Point screen) {
  InputState& s = State();
  std::lock_guard<std::mutex> g(s.mu);
  s.cursor = screen;
}

void ReleaseAllKeys() {
  InputState& s = State();
  for (auto& k : s.keys) k.store(false);
  for (auto& b : s.buttons) b.store(false);
  ForgetTaps();
}

void BeginInputPump() {
  if (State().readSincePump.exchange(false)) ForgetTaps();
}

void ForgetTaps() {
  InputState& s = State();
  for (auto& t : s.keyTaps) t.store(false);
  for (auto& t : s.buttonTaps) t.store(false);
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
