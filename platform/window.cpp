#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/edit_control.h"
#include "platform/front_pixels.h"
#include "platform/ime.h"
#include "platform/text.h"

namespace pl {
namespace {

Backend* g_backend = nullptr;
// The program's windows; it has one, but nothing here depends on that.
std::vector<Window*> g_windows;

// The child that has the keyboard, if any.
Window* g_focusChild = nullptr;

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

bool EqualsNoCase(const std::string& a, const char* b) {
  std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void MarkChildChanged(Window* w) {
  if (w && w->parent) w->parent->childrenDirty = true;
}

// The focused child loses the keyboard to its parent.
void DropChildFocus(Window* child) {
  if (g_focusChild != child) return;
  g_focusChild = nullptr;
  if (child->alive) SendMessage(child, WM_KILLFOCUS, reinterpret_cast<WPARAM>(child->parent), 0);
  MarkChildChanged(child);
}

Window* CreateChild(const WindowDesc& desc, WindowProc proc) {
  Window* parent = desc.parent;
  if (!parent->alive) return nullptr;
  auto* w = new Window;
  w->parent = parent;
  w->controlId = desc.controlId;
  w->className = desc.className;
  w->caption = desc.caption;
  w->style = desc.style;
  w->x = desc.x;
  w->y = desc.y;
  w->clientWidth = std::max(desc.width, 1);
  w->clientHeight = std::max(desc.height, 1);
  w->visible = (desc.style & WS_VISIBLE) != 0;
  if (EqualsNoCase(desc.className, "edit")) {
    w->edit = new EditControl;
    w->proc = proc ? proc : &EditWindowProc;
  } else {
    w->proc = proc ? proc : &DefWindowProc;
  }
  w->alive = true;
  parent->children.push_back(w);
  parent->childrenDirty = true;
  if (w->edit && !desc.caption.empty()) SendMessage(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(desc.caption.c_str()));
  return w;
}

}  // namespace

Backend* CurrentBackend() { return g_backend; }

Window* FirstWindow() {
  for (Window* w : g_windows) {
    if (w->alive) return w;
  }
  return nullptr;
}

void SetBackend(Backend* backend) {
  g_backend = backend;
  SetClock(backend ? &backend->clock() : nullptr);
}

Window* CreateWindow(const WindowDesc& desc, WindowProc proc) {
  Backend* b = CurrentBackend();
  if (!b) return nullptr;
  if (desc.parent) return CreateChild(desc, proc);
  auto* w = new Window;
  w->proc = proc;
  w->className = desc.className;
  w->caption = desc.caption;
  w->style = desc.style;
  w->menu = desc.menu;
  w->x = desc.x;
  w->y = desc.y;
  w->clientWidth = std::max(desc.width, 1);
  w->clientHeight = std::max(desc.height, 1);
  w->front.assign(static_cast<size_t>(w->clientWidth) * w->clientHeight, 0xFF000000u);
  if (!b->CreateNative(*w, desc)) {
    delete w;
    return nullptr;
  }
  PublishClientOrigin(*w);
  w->alive = true;
  g_windows.push_back(w);
  return w;
}

void DestroyWindow(Window* w) {
  if (!w || !w->alive) return;
  // Children go first, as their owners expect their parent to outlive them.
  std::vector<Window*> children = w->children;
  for (Window* c : children) DestroyWindow(c);
  DropChildFocus(w);
  w->alive = false;
  // The procedure still runs for WM_DESTROY: the application reacts to it.
  if (w->proc) w->proc(w, WM_DESTROY, 0, 0);
  w->visible = false;
  if (w->parent) {
    std::vector<Window*>& siblings = w->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    w->parent->childrenDirty = true;
    return;
  }
  if (Backend* b = CurrentBackend()) b->HideNative(*w);
}

void FreeWindow(Window* w) {
  if (!w) return;
  if (w->alive && (w->parent || !w->children.empty())) DestroyWindow(w);
  if (!w->parent) {
    if (Backend* b = CurrentBackend()) b->FreeNative(*w);
    g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), w), g_windows.end());
  }
  delete w->edit;
  delete w->ime;
  delete w;
}

bool IsWindow(Window* w) { return w && w->alive; }

LRESULT DefWindowProc(Window* w, std::uint32_t id, WPARAM wParam, LPARAM) {
  switch (id) {
    case WM_CLOSE:
      // Idempotent: a handler may already have destroyed the window.
      if (IsWindow(w)) DestroyWindow(w);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_RESTORE && w && w->iconic) ShowWindow(w, SW_RESTORE);
      return 0;
    default:
      return 0;
  }
}

LRESULT SendMessage(Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam) {
  if (!w || !w->proc) return 0;
  if (!w->alive && id != WM_DESTROY) return 0;
  return w->proc(w, id, wParam, lParam);
}

void SetUserData(Window* w, void* data) {
  if (w) w->userData = data;
}
void* GetUserData(Window* w) { return w ? w->userData : nullptr; }

void SetWindowText(Window* w, const std::string& cp932) {
  if (!w) return;
  if (w->parent) {
    SendMessage(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(cp932.c_str()));
    return;
  }
  w->caption = cp932;
  if (Backend* b = CurrentBackend()) b->TitleChanged(*w);
}

std::string GetWindowText(Window* w) {
  if (!w) return {};
  if (w->parent) {
    const auto length = static_cast<std::size_t>(SendMessage(w, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length + 1, '\0');
    const auto n = static_cast<std::size_t>(
        SendMessage(w, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(n, length));
    return text;
  }
  return w->caption;
}

void ShowWindow(Window* w, int command) {
  if (!w || !w->alive) return;
  if (w->parent) {
    w->visible = command != SW_HIDE;
    if (!w->visible) DropChildFocus(w);
    MarkChildChanged(w);
    return;
  }
  switch (command) {
    case SW_HIDE:
      w->visible = false;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      w->visible = true;
      w->iconic = true;
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_MAXIMIZE:
      w->visible = true;
      w->iconic = false;
      break;
    default:
      w->visible = true;
      break;
  }
  if (Backend* b = CurrentBackend()) b->ShowChanged(*w, command);
}

bool IsWindowVisible(Window* w) { return w && w->alive && w->visible; }
bool IsIconic(Window* w) { return w && w->iconic; }

void SetForegroundWindow(Window* w) {
  if (!w || !w->alive) return;
  while (w->parent) w = w->parent;
  if (Backend* b = CurrentBackend()) b->Raise(*w);
}

void SetFocus(Window* w) {
  if (!w || !w->alive) return;
  if (!w->parent) {
    if (g_focusChild) DropChildFocus(g_focusChild);
    SetForegroundWindow(w);
    return;
  }
  if (!w->visible || !w->enabled) return;
  SetForegroundWindow(w);
  if (g_focusChild == w) return;
  Window* old = g_focusChild;
  g_focusChild = w;
  if (old && old->alive) {
    SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w), 0);
    MarkChildChanged(old);
  }
  SendMessage(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  MarkChildChanged(w);
}

Window* GetFocus() {
  Window* active = GetActiveWindow();
  if (g_focusChild && g_focusChild->alive) {
    Window* top = g_focusChild;
    while (top->parent) top = top->parent;
    if (top == active) return g_focusChild;
  }
  return active;
}

Window* GetParent(Window* w) { return w ? w->parent : nullptr; }

WindowProc SetWindowProc(Window* w, WindowProc proc) {
  if (!w) return nullptr;
  WindowProc old = w->proc;
  w->proc = proc;
  return old;
}
WindowProc GetWindowProc(Window* w) { return w ? w->proc : nullptr; }

LRESULT CallWindowProc(WindowProc proc, Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(w, id, wParam, lParam) : DefWindowProc(w, id, wParam, lParam);
}

void EnableWindow(Window* w, bool enable) {
  if (!w || w->enabled == enable) return;
  w->enabled = enable;
  if (!enable) DropChildFocus(w);
  MarkChildChanged(w);
}
bool IsWindowEnabled(Window* w) { return w && w->alive && w->enabled; }

void MoveWindow(Window* w, int x, int y, int width, int height) {
  if (!w || !w->parent) return;
  w->x = x;
  w->y = y;
  w->clientWidth = std::max(width, 1);
  w->clientHeight = std::max(height, 1);
  MarkChildChanged(w);
}

void InvalidateWindow(Window* w) {
  if (!w) return;
  if (w->parent) {
    MarkChildChanged(w);
  } else {
    w->childrenDirty = true;
  }
}

Window* KeyTarget(Window* top) {
  Window* c = g_focusChild;
  if (!c || !c->alive || !c->visible || !c->enabled) return top;
  for (Window* p = c->parent; p; p = p->parent) {
    if (p == top) return c;
  }
  return top;
}

Window* GetActiveWindow() {
  Backend* b = CurrentBackend();
  if (!b) return nullptr;
  for (Window* w : g_windows) {
    if (w->alive && b->HasFocus(*w)) return w;
  }
  return nullptr;
}

void SetWindowStyle(Window* w, std::uint32_t style) {
  if (!w) return;
  w->style = style;
  if (w->parent) return;
  if (Backend* b = CurrentBackend()) b->GeometryChanged(*w);
}
std::uint32_t GetWindowStyle(Window* w) { return w ? w->style : 0; }

Rect AdjustWindowRect(int clientWidth, int clientHeight, bool withMenu) {
  int menu = withMenu ? GetMenuBarHeight() : 0;
  return Rect{0, -menu, clientWidth, clientHeight};
}

void SetWindowPos(Window* w, int x, int y, int width, int height, bool topmost) {
  if (!w) return;
  if (w->parent) {
    MoveWindow(w, x, y, width, height);
    return;
  }
  int menu = w->menu ? GetMenuBarHeight() : 0;
  w->x = x;
  w->y = y;
  PublishClientOrigin(*w);
  w->topmost = topmost;
  int cw = std::max(width, 1), ch = std::max(height - menu, 1);
  if (cw != w->clientWidth || ch != w->clientHeight) {
    std::lock_guard<std::mutex> g(w->pixelsMu);
    // Keep what was presented where it still fits.
    std::vector<std::uint32_t> front(static_cast<size_t>(cw) * ch, 0xFF000000u);
    for (int row = 0; row < std::min(ch, w->clientHeight); ++row) {
      std::memcpy(&front[static_cast<size_t>(row) * cw], &w->front[static_cast<size_t>(row) * w->clientWidth],
                  sizeof(std::uint32_t) * static_cast<size_t>(std::min(cw, w->clientWidth)));
    }
    w->front.swap(front);
    w->clientWidth = cw;
    w->clientHeight = ch;
    w->frontDirty = Rect{0, 0, cw, ch};
  }
  if (Backend* b = CurrentBackend()) b->GeometryChanged(*w);
}

Rect GetClientRect(Window* w) { return w ? Rect{0, 0, w->clientWidth, w->clientHeight} : Rect{}; }

Rect GetWindowRect(Window* w) {
  if (!w) return {};
  if (w->parent) {
    Point o = ClientToScreen(w->parent, Point{w->x, w->y});
    return Rect{o.x, o.y, o.x + w->clientWidth, o.y + w->clientHeight};
  }
  int menu = w->menu ? GetMenuBarHeight() : 0;
  return Rect{w->x, w->y, w->x + w->clientWidth, w->y + menu + w->clientHeight};
}

void PublishClientOrigin(Window& w) {
  if (w.parent) return;
  const int menu = w.menu ? GetMenuBarHeight() : 0;
  const auto x = static_cast<std::uint32_t>(w.x), y = static_cast<std::uint32_t>(w.y + menu);
  w.clientOrigin.store(static_cast<std::uint64_t>(y) << 32 | x, std::memory_order_release);
}

// Safe from any thread for a top-level window: it reads only the published
// origin. A child's own position is the main thread's alone.
Point ClientToScreen(Window* w, Point p) {
  if (!w) return p;
  if (w->parent) return ClientToScreen(w->parent, Point{p.x + w->x, p.y + w->y});
  const std::uint64_t o = w->clientOrigin.load(std::memory_order_acquire);
  const auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(o));
  const auto y = static_cast<std::int32_t>(static_cast<std::uint32_t>(o >> 32));
  return Point{p.x + x, p.y + y};
}

Point ScreenToClient(Window* w, Point p) {
  if (!w) return p;
  if (w->parent) {
    Point q = ScreenToClient(w->parent, p);
    return Point{q.x - w->x, q.y - w->y};
  }
  int menu = w->menu ? GetMenuBarHeight() : 0;
  return Point{p.x - w->x, p.y - w->y - menu};
}

void SetMenu(Window* w, Menu* menu) {
  if (!w || w->parent) return;
  w->menu = menu;
  PublishClientOrigin(*w);
  if (Backend* b = CurrentBackend()) b->MenuChanged(*w);
}
Menu* GetMenu(Window* w) { return w ? w->menu : nullptr; }

void DrawMenuBar(Window* w) {
  if (!w) return;
  if (Backend* b = CurrentBackend()) b->MenuChanged(*w);
}

int GetMenuBarHeight() {
  Backend* b = CurrentBackend();
  return b ? b->MenuBarHeight() : 0;
}

void GetScreenSize(int* width, int* height) {
  int w = 1024, h = 600;
  if (Backend* b = CurrentBackend()) b->GetScreenSize(&w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

bool OpenUrl(const std::string& url) {
  Backend* b = CurrentBackend();
  return b && b->OpenUrl(url);
}

int GetScreenBitsPerPixel() {
  Backend* b = CurrentBackend();
  return b ? b->ScreenBitsPerPixel() : 32;
}

void FillFrontRect(Window* w, Rect r, std::uint32_t argb) {
  if (!w) return;
  // The size is read under the lock too: a resize swaps the buffer under it.
  std::lock_guard<std::mutex> g(w->pixelsMu);
  int x0 = Clamp(r.left, 0, w->clientWidth), x1 = Clamp(r.right, 0, w->clientWidth);
  int y0 = Clamp(r.top, 0, w->clientHeight), y1 = Clamp(r.bottom, 0, w->clientHeight);
  if (x0 >= x1 || y0 >= y1) return;
  const Rect changed = FillChangedPixels(w->front.data(), static_cast<std::size_t>(w->clientWidth), x0, y0, x1 - x0,
                                         y1 - y0, argb);
  w->frontDirty = UnionRect(w->frontDirty, changed);
}

void PresentPixels(Window* w, const std::uint32_t* pixels, int pitchBytes, int sx, int sy, int width, int height,
                   int dx, int dy) {
  if (!w || !pixels || width <= 0 || height <= 0) return;
  // The movie threads present too: the size is read under the lock that
  // a resize swaps the buffer under.
  std::lock_guard<std::mutex> g(w->pixelsMu);
  // Clip the destination to the client area; the source moves with it.
  int x0 = Clamp(dx, 0, w->clientWidth), y0 = Clamp(dy, 0, w->clientHeight);
  int x1 = Clamp(dx + width, 0, w->clientWidth), y1 = Clamp(dy + height, 0, w->clientHeight);
  if (x0 >= x1 || y0 >= y1) return;
  const auto* src = reinterpret_cast<const std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(sy + (y0 - dy)) * pitchBytes +
                    sizeof(std::uint32_t) * static_cast<std::size_t>(sx + (x0 - dx));
  // Only what differs from the picture shown already goes to the screen.
  const Rect changed = CopyChangedPixels(w->front.data(), static_cast<std::size_t>(w->clientWidth), x0, y0, x1 - x0,
                                         y1 - y0, src, pitchBytes);
  w->frontDirty = UnionRect(w->frontDirty, changed);
}

}  // namespace pl
