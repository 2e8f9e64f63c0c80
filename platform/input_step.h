// The one step from native input to what the program sees: the key and
// button state with its tap latches (input.h), the cursor, and the messages
// the window procedure gets for keys, clicks, the wheel, the focus, the
// close box and typed text, with the menu strip's clicks and Alt alone
// opening the backend's menu loop. Both backends feed it (the SDL backend
// from SDL's events, the Fake backend from what a test injects), so an
// injected key or click takes the path of a real one.
//
// Points are window points: relative to the native window's top-left, where
// the menu strip (MenuBarHeight() rows, when the window has a menu) lies
// above the client area.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace pl {

class Backend;

class InputStep {
 public:
  explicit InputStep(Backend& backend) : backend_(backend) {}

  // At the start of each pump of the native events: the taps of the last
  // pump that the program has had its reads over are dropped.
  void BeginPump();

  void Close(Window& w);
  // The backend has already recorded the focus it reports from now on.
  void Focus(Window& w, bool gained, bool minimized);
  void MouseMove(Window& w, Point at);
  // A left press on the menu strip runs the backend's menu loop instead of
  // reaching the program. Buttons other than MOUSE_LEFT..MOUSE_MIDDLE only
  // move the cursor.
  void MouseButton(Window& w, int button, bool down, Point at);
  // The pointer left the window.
  void MouseLeave(Window& w);
  void Wheel(Window& w, int notches);
  // `vk` 0 for a key that has no virtual key (its state is kept all the
  // same); `altHeld` whether Alt was down with it.
  void Key(Window& w, int scanCode, std::uint32_t vk, bool down, bool repeat, bool altHeld);
  // What the input method composes (empty: cancelled) and commits, UTF-8,
  // for the text field that has the keyboard.
  void Composition(Window& w, const std::string& utf8);
  void Text(Window& w, const std::string& utf8);

  // Inside a modal loop of the platform's own (menu, box, dialog): the
  // state is kept, the loop has the messages.
  void ModalKey(int scanCode, bool down);
  void ModalMouseButton(Window& w, int button, bool down, Point at);
  void ModalMouseMove(Window& w, Point at);
  // After a modal loop: its clicks and keys were its own and must not reach
  // the program as taps as well.
  void EndModalLoop();
  // After the menu loop: the chosen command (0: none) is posted, then a
  // close asked for meanwhile, and WM_EXITMENULOOP is sent.
  void EndMenuLoop(Window& w, std::uint32_t command, bool close);

 private:
  int StripHeight(const Window& w) const;
  void KeepCursor(Window& w, Point at);

  Backend& backend_;
  bool altAlone_ = false;  // Alt is down and no other key came since
};

}  // namespace pl
