#include "platform/fake/fake_backend.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/ime.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/sound_device.h"
#include "platform/text.h"
#include "platform/ui/menu_bar_view.h"

namespace pl {
namespace {

// The virtual key of a scan code on a US keyboard (with Num Lock on), as the
// SDL backend maps the keys it is given; 0 for keys without one.
std::uint32_t VirtualKeyOfScanCode(int scanCode) {
  static const unsigned char kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                             0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                             0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  for (int i = 0; i < 26; ++i) {
    if (kLetters[i] == scanCode) return static_cast<std::uint32_t>('A' + i);
  }
  if (scanCode >= 0x02 && scanCode <= 0x0A) return static_cast<std::uint32_t>('1' + (scanCode - 0x02));
  if (scanCode >= 0x3B && scanCode <= 0x44) return 0x70u + static_cast<std::uint32_t>(scanCode - 0x3B);
  switch (scanCode) {
    case 0x0B: return '0';
    case 0x57: return 0x7A;  // F11
    case 0x58: return 0x7B;  // F12
    case DIK_ESCAPE: return VK_ESCAPE;
    case 0x0E: return VK_BACK;
    case 0x0F: return VK_TAB;
    case DIK_RETURN:
    case DIK_NUMPADENTER: return VK_RETURN;
    case DIK_LCONTROL:
    case DIK_RCONTROL: return VK_CONTROL;
    case DIK_LSHIFT:
    case DIK_RSHIFT: return VK_SHIFT;
    case 0x38:
    case 0xB8: return VK_MENU;
    case DIK_SPACE: return 0x20;
    case DIK_PRIOR: return 0x21;
    case DIK_NEXT: return 0x22;
    case DIK_END: return VK_END;
    case DIK_HOME: return VK_HOME;
    case DIK_LEFT: return VK_LEFT;
    case DIK_UP: return 0x26;
    case DIK_RIGHT: return VK_RIGHT;
    case DIK_DOWN: return 0x28;
    case 0xD2: return 0x2D;  // Insert
    case 0xD3: return VK_DELETE;
    case 0x52: return 0x60;  // the keypad's digits
    case 0x4F: return 0x61;
    case DIK_NUMPAD2: return 0x62;
    case 0x51: return 0x63;
    case DIK_NUMPAD4: return 0x64;
    case 0x4C: return 0x65;
    case DIK_NUMPAD6: return 0x66;
    case 0x47: return 0x67;
    case DIK_NUMPAD8: return 0x68;
    case 0x49: return 0x69;
    default: return 0;
  }
}

}  // namespace

FakeBackend::FakeBackend(std::uint32_t startTick) : clock_(startTick) {
  SetBackend(this);
  ReleaseAllKeys();
}

FakeBackend::~FakeBackend() {
  if (CurrentBackend() == this) SetBackend(nullptr);
  ClearMessageQueue();
  // The next test starts with every key up and no cursor move pending.
  ReleaseAllKeys();
  Point ignored;
  TakePendingCursorMove(&ignored);
}

bool FakeBackend::CreateNative(Window& w, const WindowDesc&) {
  if (failCreateWindow) return false;
  ++windowsCreated;
  lastWindow = &w;
  repaint_ = true;
  return true;
}

void FakeBackend::HideNative(Window&) { ++windowsHidden; }

void FakeBackend::FreeNative(Window& w) {
  ++windowsFreed;
  if (lastWindow == &w) lastWindow = nullptr;
}

void FakeBackend::GetScreenSize(int* width, int* height) {
  *width = screenWidth;
  *height = screenHeight;
}

bool FakeBackend::SetFullscreen(Window&, FullscreenKind kind, int width, int height) {
  repaint_ = true;
  if (!desktopWidth_) {
    desktopWidth_ = screenWidth;
    desktopHeight_ = screenHeight;
  }
  switch (kind) {
    case FullscreenKind::Desktop:
      screenWidth = desktopWidth_;
      screenHeight = desktopHeight_;
      displayLog.push_back("desktop");
      return true;
    case FullscreenKind::Exclusive: {
      bool listed = false;
      for (const DisplayModeInfo& m : modes) listed = listed || (m.width == width && m.height == height);
      std::string size = std::to_string(width) + "x" + std::to_string(height);
      if (!listed) {
        displayLog.push_back("refused " + size);
        return false;
      }
      screenWidth = width;
      screenHeight = height;
      displayLog.push_back("exclusive " + size);
      return true;
    }
    case FullscreenKind::Off:
    default:
      screenWidth = desktopWidth_;
      screenHeight = desktopHeight_;
      displayLog.push_back("off");
      return true;
  }
}

void FakeBackend::InjectClose() { pending_.push_back({Pending::Close}); }
void FakeBackend::InjectFocus(bool gained) { pending_.push_back({Pending::Focus, gained ? 1u : 0u}); }
void FakeBackend::InjectExpose() { pending_.push_back({Pending::Expose}); }
void FakeBackend::InjectMenuChoice(std::uint32_t id) { pending_.push_back({Pending::Menu, id}); }
void FakeBackend::InjectMessage(std::uint32_t id, WPARAM wParam, LPARAM lParam) {
  pending_.push_back({Pending::Msg, id, wParam, lParam});
}

void FakeBackend::InjectKey(int scanCode, bool down) {
  pending_.push_back({Pending::Key, static_cast<std::uint32_t>(scanCode), down ? 1u : 0u});
}
void FakeBackend::InjectMouseButton(int button, bool down, Point client) {
  Pending p{Pending::Button, static_cast<std::uint32_t>(button), down ? 1u : 0u};
  p.point = client;
  pending_.push_back(p);
}
void FakeBackend::InjectMouseMove(Point client) {
  Pending p{Pending::Move};
  p.point = client;
  pending_.push_back(p);
}
void FakeBackend::InjectWheel(int notches) {
  auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(notches * 120));
  InjectMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(delta) << 16, 0);
}

void FakeBackend::InjectKeyMessage(std::uint32_t vk, bool down, bool alt) {
  Pending p{Pending::KeyMsg, vk, down ? 1u : 0u};
  p.lParam = alt ? 1 : 0;
  pending_.push_back(p);
}
void FakeBackend::InjectComposition(const std::string& utf8) {
  Pending p{Pending::Compose};
  p.text = utf8;
  pending_.push_back(p);
}
void FakeBackend::InjectText(const std::string& utf8) {
  Pending p{Pending::Commit};
  p.text = utf8;
  pending_.push_back(p);
}

void FakeBackend::Present() {
  Window* w = lastWindow;
  if (!w || !w->visible) return;
  std::lock_guard<std::mutex> g(w->pixelsMu);
  auto any = [](const Rect& r) { return r.Width() > 0 && r.Height() > 0; };
  const bool dirty = any(w->frontDirty) || (w->scaled && any(w->pictureDirty));
  if (!dirty && !repaint_ && !w->childrenDirty) return;
  const std::uint32_t now = clock_.TickMs();
  if (!repaint_ && !presents.empty() && now - presents.back().tick < kMinPresentIntervalMs) return;
  presents.push_back(
      RecordedPresent{w->scaled ? w->pictureDirty : w->frontDirty, repaint_, w->childrenDirty, now});
  if (repaint_ || shownWidth != w->clientWidth || shown.size() != w->front.size()) {
    shown = w->front;
    shownWidth = w->clientWidth;
  } else if (any(w->frontDirty)) {
    const Rect& r = w->frontDirty;
    for (int y = r.top; y < r.bottom; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(w->clientWidth) + r.left;
      std::copy_n(w->front.begin() + static_cast<std::ptrdiff_t>(at), r.Width(),
                  shown.begin() + static_cast<std::ptrdiff_t>(at));
    }
  }
  w->frontDirty = Rect{};
  if (w->scaled) w->pictureDirty = Rect{};
  w->childrenDirty = false;
  repaint_ = false;
}

std::unique_ptr<SoundDevice> FakeBackend::OpenSoundDevice() {
  if (failSoundDevice) return nullptr;
  return std::make_unique<SoundDevice>();
}

Point FakeBackend::WindowPoint(const Window& w, Point client) {
  return Point{client.x, client.y + (w.menu ? MenuBarHeight() : 0)};
}

void FakeBackend::PumpEvents() {
  input_.BeginPump();
  if (onPump) onPump(pumps);
  ++pumps;
  Present();
  Point warp;
  // A move the program asks for happens, as the real pointer would go there.
  if (TakePendingCursorMove(&warp)) {
    cursorMoves.push_back(warp);
    SetCursorState(warp);
  }
  Window* w = lastWindow;
  while (!pending_.empty()) {
    Pending p = pending_.front();
    pending_.pop_front();
    if (w) Deliver(*w, p);
  }
}

void FakeBackend::Deliver(Window& w, const Pending& p) {
  switch (p.kind) {
    case Pending::Close:
      input_.Close(w);
      break;
    case Pending::Focus:
      active = p.id != 0;
      if (active) repaint_ = true;
      input_.Focus(w, active, false);
      break;
    case Pending::Expose:
      repaint_ = true;
      PostMessage(&w, WM_PAINT, 0, 0);
      break;
    case Pending::Menu: {
      // A whole menu loop at once: the command goes in the queue, the end of
      // the loop is sent.
      MenuItem* item = w.menu ? w.menu->FindItem(p.id) : nullptr;
      input_.EndMenuLoop(w, item && !item->grayed ? p.id : 0, false);
      break;
    }
    case Pending::Msg:
      PostMessage(&w, p.id, p.wParam, p.lParam);
      break;
    case Pending::Key: {
      const int scanCode = static_cast<int>(p.id);
      const bool altHeld = KeyHeld(0x38) || KeyHeld(0xB8);
      input_.Key(w, scanCode, VirtualKeyOfScanCode(scanCode), p.wParam != 0, false, altHeld);
      break;
    }
    case Pending::Button:
      input_.MouseButton(w, static_cast<int>(p.id), p.wParam != 0, WindowPoint(w, p.point));
      break;
    case Pending::Move:
      input_.MouseMove(w, WindowPoint(w, p.point));
      break;
    case Pending::KeyMsg: {
      bool down = p.wParam != 0;
      std::uint32_t id = p.lParam ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
      PostMessage(KeyTarget(&w), id, p.id, 0);
      break;
    }
    case Pending::Compose:
      input_.Composition(w, p.text);
      break;
    case Pending::Commit:
      input_.Text(w, p.text);
      break;
  }
}

bool FakeBackend::FeedMenu(Window& w, ui::MenuBarView& bar, const Pending& p, ui::MenuInput* in, bool* close) {
  switch (p.kind) {
    case Pending::Button: {
      const Point at = WindowPoint(w, p.point);
      const int button = static_cast<int>(p.id);
      const bool down = p.wParam != 0;
      if (button != MOUSE_LEFT && button != MOUSE_RIGHT) return false;
      input_.ModalMouseButton(w, button, down, at);
      if (button == MOUSE_LEFT) *in = down ? bar.MouseDown(at) : bar.MouseUp(at);
      return true;
    }
    case Pending::Move: {
      const Point at = WindowPoint(w, p.point);
      input_.ModalMouseMove(w, at);
      *in = bar.MouseMove(at);
      return true;
    }
    case Pending::Key: {
      input_.ModalKey(static_cast<int>(p.id), p.wParam != 0);
      ui::Key k;
      if (p.wParam && ui::KeyFromVirtualKey(VirtualKeyOfScanCode(static_cast<int>(p.id)), &k)) *in = bar.KeyPress(k);
      return true;
    }
    case Pending::Focus:
      // The focus still reaches the program, after the loop; losing it
      // leaves the menu.
      Deliver(w, p);
      if (!p.id) *in = bar.Cancel();
      return true;
    case Pending::Close:
      *in = bar.Cancel();
      *close = true;
      return true;
    default:
      return false;
  }
}

void FakeBackend::RunMenuLoop(Window& w, const Point* openingClick) {
  if (!w.menu) return;
  ui::MenuBarView bar(*w.menu, w.clientWidth);
  ui::MenuInput in = openingClick ? bar.MouseDown(*openingClick) : bar.KeyPress(ui::Key::Alt);
  std::uint32_t command = in.kind == ui::MenuInput::Command ? in.id : 0;
  bool close = false;
  if (openingClick) input_.ModalMouseButton(w, MOUSE_LEFT, true, *openingClick);
  while (bar.Active() && !pending_.empty()) {
    if (!FeedMenu(w, bar, pending_.front(), &in, &close)) break;
    pending_.pop_front();
    if (in.kind == ui::MenuInput::Command) command = in.id;
  }
  // Nothing more for the menu: it is left as a real one is when the player
  // turns to something else.
  if (bar.Active()) bar.Cancel();
  input_.EndMenuLoop(w, command, close);
}

int FakeBackend::ShowMessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932,
                                std::uint32_t style) {
  RecordedBox box{textCp932, captionCp932, style, owner, 0};
  if (!boxAnswers_.empty()) {
    box.answer = boxAnswers_.front();
    boxAnswers_.pop_front();
  } else {
    box.answer = (style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }
  if (onBox) onBox(box);
  boxes.push_back(box);
  return box.answer;
}

bool FakeBackend::RunDialog(Window*, Dialog& dlg) {
  RecordedDialog rec{dlg.tmpl.caption, dlg.tmpl.items, 0};
  int press = 0;
  if (!dialogPresses_.empty()) {
    press = dialogPresses_.front();
    dialogPresses_.pop_front();
  } else {
    for (const DialogItem& item : dlg.tmpl.items) {
      if (item.kind == DialogItem::Button) {
        press = item.id;
        break;
      }
    }
    if (!press) press = IDCANCEL;
  }
  rec.pressed = press;
  dialogs.push_back(rec);
  // A procedure that ignores the press would leave a real dialog open; here
  // it ends with Cancel so that a test never hangs.
  dlg.Command(press);
  if (!dlg.ended) EndDialog(&dlg, IDCANCEL);
  return true;
}

std::string FakeBackend::UserDataFolder(const std::string& app) {
  const char* root = std::getenv("XDG_DATA_HOME");
  if (!root || !*root || app.empty()) return {};
  const std::filesystem::path folder = std::filesystem::path(root) / "kivzo" / app;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) return {};
  return folder.string() + "/";
}

}  // namespace pl
