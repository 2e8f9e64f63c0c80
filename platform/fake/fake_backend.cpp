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

namespace pl {

FakeBackend::FakeBackend(std::uint32_t startTick) : clock_(startTick) {
  SetBackend(this);
  // Engine tests never open the real audio device: the mix is rendered on
  // demand.
  SetSoundOutput(SoundOutput::Manual);
  ReleaseAllKeys();
}

FakeBackend::~FakeBackend() {
  if (CurrentBackend() == this) SetBackend(nullptr);
  SetSoundOutput(SoundOutput::Sdl);
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
  presents.push_back(
      RecordedPresent{w->scaled ? w->pictureDirty : w->frontDirty, repaint_, w->childrenDirty, clock_.TickMs()});
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

void FakeBackend::PumpEvents() {
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
    if (!w) continue;
    switch (p.kind) {
      case Pending::Close:
        PostMessage(w, WM_CLOSE, 0, 0);
        break;
      case Pending::Focus:
        active = p.id != 0;
        if (active) repaint_ = true;
        PostMessage(w, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
        PostMessage(w, WM_ACTIVATEAPP, active ? 1 : 0, 0);
        break;
      case Pending::Expose:
        repaint_ = true;
        PostMessage(w, WM_PAINT, 0, 0);
        break;
      case Pending::Menu: {
        // As the real menu loop: the command goes in the queue, the end of
        // the loop is sent at once.
        MenuItem* item = w->menu ? w->menu->FindItem(p.id) : nullptr;
        if (item && !item->grayed) PostMessage(w, WM_COMMAND, p.id, 0);
        SendMessage(w, WM_EXITMENULOOP, 0, 0);
        break;
      }
      case Pending::Msg:
        PostMessage(w, p.id, p.wParam, p.lParam);
        break;
      case Pending::Key:
        SetKeyState(static_cast<int>(p.id), p.wParam != 0);
        break;
      case Pending::Button: {
        SetCursorState(ClientToScreen(w, p.point));
        SetMouseButtonState(static_cast<int>(p.id), p.wParam != 0);
        LPARAM lp = MakePointParam(p.point.x, p.point.y);
        std::uint32_t id = p.id == 0 ? (p.wParam ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                                     : (p.wParam ? WM_RBUTTONDOWN : WM_RBUTTONUP);
        PostMessage(w, id, 0, lp);
        break;
      }
      case Pending::Move: {
        SetCursorState(ClientToScreen(w, p.point));
        PostMessage(w, WM_MOUSEMOVE, 0, MakePointParam(p.point.x, p.point.y));
        break;
      }
      case Pending::KeyMsg: {
        bool down = p.wParam != 0;
        std::uint32_t id = p.lParam ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
        PostMessage(KeyTarget(w), id, p.id, 0);
        break;
      }
      case Pending::Compose:
        if (KeyTarget(w) != w) ImeComposition(KeyTarget(w), Utf8ToCp932(p.text));
        break;
      case Pending::Commit:
        if (KeyTarget(w) != w) ImeCommit(KeyTarget(w), Utf8ToCp932(p.text));
        break;
    }
  }
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
