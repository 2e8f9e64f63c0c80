// The main window as the engine sees it: a window procedure that receives
// messages, a style word, a menu bar, a client area, and a retained front
// buffer that presented rectangles are copied into.
#pragma once
#include <cstdint>
#include <string>

#include "platform/menu.h"
#include "platform/messages.h"

namespace pl {

using WindowProc = LRESULT (*)(Window* window, std::uint32_t id, WPARAM wParam, LPARAM lParam);

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};
struct Point {
  int x = 0, y = 0;
};

// The smallest rectangle holding both; an empty rectangle adds nothing.
inline Rect UnionRect(const Rect& a, const Rect& b) {
  bool ea = a.Width() <= 0 || a.Height() <= 0, eb = b.Width() <= 0 || b.Height() <= 0;
  if (ea) return eb ? Rect{} : b;
  if (eb) return a;
  return Rect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top, a.right > b.right ? a.right : b.right,
              a.bottom > b.bottom ? a.bottom : b.bottom};
}

// Style bits the engine switches between: a captioned window and a popup.
enum : std::uint32_t {
  WS_POPUP = 0x80000000u,
  WS_CHILD = 0x40000000u,
  WS_VISIBLE = 0x10000000u,
  WS_CLIPCHILDREN = 0x02000000u,
  WS_CAPTION = 0x00C00000u,
  WS_SYSMENU = 0x00080000u,
  WS_MINIMIZEBOX = 0x00020000u,
  WS_TABSTOP = 0x00010000u,
};

enum ShowCommand : int {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_MAXIMIZE = 3,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_RESTORE = 9,
};

struct WindowDesc {
  std::string className;
  std::string caption;  // CP932
  int x = 0, y = 0;
  int width = 1024, height = 600;  // client size
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  Menu* menu = nullptr;
  Window* parent = nullptr;
  int controlId = 0;               // a child's id
  const char* iconName = nullptr;  // an "ICON" resource
};

// Creates the window hidden (a child shown when its style has WS_VISIBLE).
// Null when the backend cannot make one (for example no display). A null
// procedure gives a child its class's own.
Window* CreateWindow(const WindowDesc& desc, WindowProc proc);
// Sends WM_DESTROY to the window procedure (once) and takes the window off
// the screen. The object stays valid until FreeWindow.
void DestroyWindow(Window* w);
// Releases the native window; the last thing shutdown does with it.
void FreeWindow(Window* w);
// True between creation and DestroyWindow.
bool IsWindow(Window* w);

// The default procedure: WM_CLOSE destroys the window, SC_RESTORE restores
// it, everything else answers 0.
LRESULT DefWindowProc(Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam);
// Calls the procedure at once, on the calling (main) thread.
LRESULT SendMessage(Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam);

void SetUserData(Window* w, void* data);
void* GetUserData(Window* w);

void SetWindowText(Window* w, const std::string& cp932);
// The caption of a top-level window, a child's text through WM_GETTEXT
// (CP932); empty for none.
std::string GetWindowText(Window* w);
void ShowWindow(Window* w, int command);
bool IsWindowVisible(Window* w);
bool IsIconic(Window* w);
void SetForegroundWindow(Window* w);
// For a child: it takes the keyboard (WM_KILLFOCUS to the one that had it,
// WM_SETFOCUS to it) when it is shown and enabled; its parent is raised.
void SetFocus(Window* w);
// The focused child while its parent is the active window, else the active
// window.
Window* GetFocus();
// The program's window when it has the input focus, else null.
Window* GetActiveWindow();
void SetWindowStyle(Window* w, std::uint32_t style);
std::uint32_t GetWindowStyle(Window* w);
// Position and size of the whole window (the client plus the menu strip when
// a menu is attached); topmost on request.
void SetWindowPos(Window* w, int x, int y, int width, int height, bool topmost);
// The window rectangle for a client size with or without a menu.
Rect AdjustWindowRect(int clientWidth, int clientHeight, bool withMenu);
Rect GetClientRect(Window* w);
Rect GetWindowRect(Window* w);
Point ClientToScreen(Window* w, Point p);
Point ScreenToClient(Window* w, Point p);

void SetMenu(Window* w, Menu* menu);  // null takes the menu off
Menu* GetMenu(Window* w);
void DrawMenuBar(Window* w);
int GetMenuBarHeight();
void GetScreenSize(int* width, int* height);
// Bits per pixel of the desktop's display mode.
int GetScreenBitsPerPixel();

// --- child windows
// CreateWindow with a parent makes a child: it has no native window of its
// own, lies at (x, y) of the parent's client and is drawn over the parent's
// picture by the backend. The class "edit" (any case) is the platform's
// one-line text field (edit_control.h); another class gets the default
// procedure. Destroying a parent destroys its children first.
Window* GetParent(Window* w);
// Replaces the procedure and returns the previous one (subclassing).
WindowProc SetWindowProc(Window* w, WindowProc proc);
WindowProc GetWindowProc(Window* w);
LRESULT CallWindowProc(WindowProc proc, Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam);
void EnableWindow(Window* w, bool enable);
bool IsWindowEnabled(Window* w);
// A child's position and size in its parent's client.
void MoveWindow(Window* w, int x, int y, int width, int height);
// A child is drawn again at the next present.
void InvalidateWindow(Window* w);
// Where the keyboard goes: the focused child of `top` while it is alive,
// shown and enabled, else `top` itself.
Window* KeyTarget(Window* top);

// Opens a web address in the user's browser ("open" of the shell).
bool OpenUrl(const std::string& url);

// Fills a rectangle of the window's front buffer (the bars around the
// picture); clipped to the client area.
void FillFrontRect(Window* w, Rect r, std::uint32_t argb);

// Copies a rectangle of 32-bit B, G, R, A pixels into the window's front
// buffer at (dx, dy) of the client area; clipped to it.
void PresentPixels(Window* w, const std::uint32_t* pixels, int pitchBytes, int sx, int sy, int width, int height, int dx,
                   int dy);

}  // namespace pl
