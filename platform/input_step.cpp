#include "platform/input_step.h"

#include <algorithm>

#include "platform/backend.h"
#include "platform/ime.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace pl {

int InputStep::StripHeight(const Window& w) const { return w.menu ? backend_.MenuBarHeight() : 0; }

void InputStep::KeepCursor(Window& w, Point at) { SetCursorState(Point{w.x + at.x, w.y + at.y}); }

void InputStep::BeginPump() { BeginInputPump(); }

void InputStep::Close(Window& w) { PostMessage(&w, WM_CLOSE, 0, 0); }

void InputStep::Focus(Window& w, bool gained, bool minimized) {
  // Keys held when the focus went are not down for us any more.
  if (!gained) ReleaseAllKeys();
  // A click activation cannot be told apart; both lead to the same place.
  WPARAM wp = (gained ? WA_ACTIVE : WA_INACTIVE) | (minimized ? 0x10000u : 0u);
  PostMessage(&w, WM_ACTIVATE, wp, 0);
  PostMessage(&w, WM_ACTIVATEAPP, gained ? 1 : 0, 0);
}

void InputStep::MouseMove(Window& w, Point at) {
  KeepCursor(w, at);
  PostMessage(&w, WM_MOUSEMOVE, 0, MakePointParam(at.x, at.y - StripHeight(w)));
}

void InputStep::MouseButton(Window& w, int button, bool down, Point at) {
  KeepCursor(w, at);
  if (button < MOUSE_LEFT || button > MOUSE_MIDDLE) return;
  const int strip = StripHeight(w);
  if (down && button == MOUSE_LEFT && strip > 0 && at.y < strip) {
    backend_.RunMenuLoop(w, &at);
    return;
  }
  SetMouseButtonState(button, down);
  std::uint32_t id = 0;
  if (button == MOUSE_LEFT) id = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  if (button == MOUSE_RIGHT) id = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
  if (id) PostMessage(&w, id, 0, MakePointParam(at.x, at.y - strip));
}

void InputStep::MouseLeave(Window& w) {
  // Out of the window with no button held: hover and clicks must not stick
  // to the last point inside.
  if (!MouseButtonHeld(MOUSE_LEFT) && !MouseButtonHeld(MOUSE_RIGHT)) SetCursorState(Point{w.x - 1, w.y - 1});
}

void InputStep::Wheel(Window& w, int notches) {
  if (notches == 0) return;
  auto delta = static_cast<std::int16_t>(std::clamp(notches * 120, -32768, 32767));
  PostMessage(&w, WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16, 0);
}

void InputStep::Key(Window& w, int scanCode, std::uint32_t vk, bool down, bool repeat, bool altHeld) {
  SetKeyState(scanCode, down);
  const bool alt = altHeld || vk == VK_MENU;
  if (down) altAlone_ = vk == VK_MENU ? !repeat || altAlone_ : false;
  if (!vk) return;
  std::uint32_t id = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  PostMessage(KeyTarget(&w), id, vk, repeat ? 0x40000000 : 0);
  // Alt pressed and released alone puts the keyboard on the menu bar.
  if (!down && vk == VK_MENU && altAlone_ && w.menu) {
    altAlone_ = false;
    backend_.RunMenuLoop(w, nullptr);
  }
}

void InputStep::Composition(Window& w, const std::string& utf8) {
  if (KeyTarget(&w) != &w) ImeComposition(KeyTarget(&w), Utf8ToCp932(utf8));
}

void InputStep::Text(Window& w, const std::string& utf8) {
  if (KeyTarget(&w) != &w) ImeCommit(KeyTarget(&w), Utf8ToCp932(utf8));
}

void InputStep::ModalKey(int scanCode, bool down) { SetKeyState(scanCode, down); }

void InputStep::ModalMouseButton(Window& w, int button, bool down, Point at) {
  KeepCursor(w, at);
  SetMouseButtonState(button, down);
}

void InputStep::ModalMouseMove(Window& w, Point at) { KeepCursor(w, at); }

void InputStep::EndModalLoop() { ForgetTaps(); }

void InputStep::EndMenuLoop(Window& w, std::uint32_t command, bool close) {
  if (command) PostMessage(&w, WM_COMMAND, command, 0);
  if (close) PostMessage(&w, WM_CLOSE, 0, 0);
  // The clicks and keys that worked the menu were the menu's.
  ForgetTaps();
  SendMessage(&w, WM_EXITMENULOOP, 0, 0);
}

}  // namespace pl
