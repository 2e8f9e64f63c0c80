// Window messages: the ids the engine's hooks handle, the message record and
// the application's message queue. The queue takes posts from any thread;
// only the main thread peeks and dispatches.
#pragma once
#include <cstdint>

namespace pl {

class Window;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

enum : std::uint32_t {
  WM_NULL = 0x0000,
  WM_DESTROY = 0x0002,
  WM_ACTIVATE = 0x0006,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_PAINT = 0x000F,
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_GETTEXTLENGTH = 0x000E,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_ACTIVATEAPP = 0x001C,
  WM_SETFONT = 0x0030,
  WM_NCLBUTTONDOWN = 0x00A1,
  WM_NCLBUTTONDBLCLK = 0x00A3,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_IME_STARTCOMPOSITION = 0x010D,
  WM_IME_ENDCOMPOSITION = 0x010E,
  WM_IME_COMPOSITION = 0x010F,
  WM_INITDIALOG = 0x0110,
  WM_COMMAND = 0x0111,
  WM_SYSCOMMAND = 0x0112,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_MOUSEWHEEL = 0x020A,
  WM_EXITMENULOOP = 0x0212,
  WM_IME_SETCONTEXT = 0x0281,
  WM_IME_NOTIFY = 0x0282,
  WM_USER = 0x0400,
};

// WM_ACTIVATE low words, WM_SYSCOMMAND commands, hit-test codes.
enum : std::uint32_t {
  WA_INACTIVE = 0,
  WA_ACTIVE = 1,
  WA_CLICKACTIVE = 2,
  SC_MINIMIZE = 0xF020,
  SC_CLOSE = 0xF060,
  SC_RESTORE = 0xF120,
  SC_SCREENSAVE = 0xF140,
  HTSYSMENU = 3,
};

// Messages of the "edit" class: the selection as byte offsets (EM_SETSEL:
// WPARAM start, LPARAM end; a start of 0 with an end of -1 selects
// everything, a start of -1 removes the selection; EM_GETSEL: the start in
// the low word of the result, the end in the high word, and both written to
// the two pointers when they are not null), the most bytes the field takes
// (EM_SETLIMITTEXT: WPARAM, 0 for no limit of its own).
enum : std::uint32_t {
  EM_GETSEL = 0x00B0,
  EM_SETSEL = 0x00B1,
  EM_SETLIMITTEXT = 0x00C5,
};

// Virtual-key codes carried by the key messages.
enum : std::uint32_t {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,  // Alt
  VK_ESCAPE = 0x1B,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_RIGHT = 0x27,
  VK_DELETE = 0x2E,
};

constexpr std::uint32_t LoWord(std::uintptr_t v) { return static_cast<std::uint32_t>(v & 0xFFFF); }
constexpr std::uint32_t HiWord(std::uintptr_t v) { return static_cast<std::uint32_t>((v >> 16) & 0xFFFF); }

// A client point packed as the mouse messages carry it (16 bits each, signed).
constexpr LPARAM MakePointParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                             static_cast<std::uint16_t>(x));
}

struct Message {
  Window* window = nullptr;
  std::uint32_t id = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Puts a message at the end of the queue; safe from any thread.
void PostMessage(Window* window, std::uint32_t id, WPARAM wParam, LPARAM lParam);
// Main thread: WM_QUIT into the queue.
void PostQuitMessage(int exitCode);
// Main thread: turns pending native events into messages, then removes the
// first queued message into *out. False when the queue is empty.
bool PeekMessage(Message* out);
// Calls the window procedure of the message's window (nothing for WM_QUIT
// or a window that is gone) and returns its result.
LRESULT DispatchMessage(const Message& msg);
// Empties the queue (tests, and shutdown).
void ClearMessageQueue();

}  // namespace pl
