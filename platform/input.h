// The keyboard and mouse as the engine reads them: the state of each
// physical key by its PC scan code (set 1, extended keys + 0x80: the codes
// DirectInput used), the mouse buttons, and the system cursor. The input
// step keeps this state from the events each backend pumps, so injected
// test events and real ones take one path. Reads answer "up" while the program's window has
// no focus, as a foreground-only device does.
#pragma once
#include <cstdint>

#include "platform/window.h"

namespace pl {

// Scan codes of the keys the engine names.
enum : int {
  DIK_ESCAPE = 0x01,
  DIK_RETURN = 0x1C,
  DIK_LCONTROL = 0x1D,
  DIK_LSHIFT = 0x2A,
  DIK_Z = 0x2C,
  DIK_X = 0x2D,
  DIK_C = 0x2E,
  DIK_V = 0x2F,
  DIK_RSHIFT = 0x36,
  DIK_SPACE = 0x39,
  DIK_NUMPAD8 = 0x48,
  DIK_NUMPAD4 = 0x4B,
  DIK_NUMPAD6 = 0x4D,
  DIK_NUMPAD2 = 0x50,
  DIK_NUMPADENTER = 0x9C,
  DIK_RCONTROL = 0x9D,
  DIK_HOME = 0xC7,
  DIK_UP = 0xC8,
  DIK_PRIOR = 0xC9,
  DIK_LEFT = 0xCB,
  DIK_RIGHT = 0xCD,
  DIK_END = 0xCF,
  DIK_DOWN = 0xD0,
  DIK_NEXT = 0xD1,
};

enum : int { MOUSE_LEFT = 0, MOUSE_RIGHT = 1, MOUSE_MIDDLE = 2 };

// 1 while the key is down and the program has the focus. A key that went
// down since its last read counts as down at this read even when it is up
// again already, so that no tap between two reads is lost; the read after
// it answers the key's state as it is.
bool IsKeyDown(int scanCode);
bool IsMouseButtonDown(int button);
// The system cursor in screen coordinates (it may be outside the window).
Point GetCursorPos();
// Puts the system cursor at a screen point. Safe from any thread: the move
// itself happens on the main thread at the next pump.
void SetCursorPos(Point screen);

// For the input step (input_step.h), which the backends feed: the state it
// keeps.
void SetKeyState(int scanCode, bool down);
void SetMouseButtonState(int button, bool down);
void SetCursorState(Point screen);
// Whether the key or button is held now, without taking its tap.
bool KeyHeld(int scanCode);
bool MouseButtonHeld(int button);
// Called before each pump of the native events: the taps of the last pump
// that the program has had its reads over are dropped.
void BeginInputPump();
// Every key and button up, no tap pending.
void ReleaseAllKeys();
// Drops the taps no read has seen, the state stays: after a modal loop of
// the platform's own (menu, box, dialog), whose clicks and keys were its
// own and must not reach the program as well.
void ForgetTaps();
// The latest cursor move asked for and not yet applied; false when none.
bool TakePendingCursorMove(Point* screen);

}  // namespace pl
