// The modal half of the SDL backend: the menu loop, message boxes and
// dialogs. Each runs its own event loop over the window until it ends, as
// the system's modal loops do; messages posted meanwhile wait in the queue.
#include <SDL.h>

#include "platform/input.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/signals.h"
#include "platform/ui/dialog_view.h"
#include "platform/ui/message_box_view.h"

namespace pl {

using sdl::Native;

namespace {

// A box's or a dialog's answer to the pointer and key events they share:
// each view returns its answer (or command) for the input, 0 for none.
template <typename View>
int FeedView(View& view, const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      return view.MouseMove(Point{e.motion.x, e.motion.y});
    case SDL_MOUSEBUTTONDOWN:
      return e.button.button == SDL_BUTTON_LEFT ? view.MouseDown(Point{e.button.x, e.button.y}) : 0;
    case SDL_MOUSEBUTTONUP:
      return e.button.button == SDL_BUTTON_LEFT ? view.MouseUp(Point{e.button.x, e.button.y}) : 0;
    case SDL_KEYDOWN: {
      ui::Key k;
      return ui::KeyFromVirtualKey(sdl::VirtualKeyOf(e.key.keysym), &k) ? view.KeyPress(k) : 0;
    }
    default:
      return 0;
  }
}

}  // namespace

ui::MenuBarView* SdlBackend::MenuBar(Window& w) {
  if (!w.menu) return nullptr;
  if (!bar_ || barMenu_ != w.menu) {
    bar_ = std::make_unique<ui::MenuBarView>(*w.menu, w.clientWidth);
    barMenu_ = w.menu;
  }
  bar_->SetWidth(w.clientWidth);
  return bar_.get();
}

bool SdlBackend::NextModalEvent(Window& w, SDL_Event* e) {
  if (!SDL_WaitEventTimeout(e, 50)) return false;
  switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      input_.ModalKey(sdl::ScanCodeOf(e->key.keysym.scancode), e->type == SDL_KEYDOWN);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const Point at{e->button.x, e->button.y};
      const int button = sdl::ButtonOf(e->button.button);
      if (button == MOUSE_LEFT || button == MOUSE_RIGHT) {
        input_.ModalMouseButton(w, button, e->type == SDL_MOUSEBUTTONDOWN, at);
      } else {
        input_.ModalMouseMove(w, at);
      }
      break;
    }
    case SDL_MOUSEMOTION:
      input_.ModalMouseMove(w, Point{e->motion.x, e->motion.y});
      break;
    case SDL_WINDOWEVENT:
      if (e->window.event == SDL_WINDOWEVENT_EXPOSED) {
        if (sdl::NativeWindow* n = Native(w)) n->fullRedraw = true;
      }
      // Focus and the like still reach the program, after the loop.
      if (e->window.event != SDL_WINDOWEVENT_CLOSE) TranslateWindowEvent(w, e->window);
      break;
    default:
      break;
  }
  return true;
}

void SdlBackend::RunMenuLoop(Window& w, const Point* openingClick) {
  ui::MenuBarView* bar = MenuBar(w);
  if (!bar) return;
  ui::MenuInput in = openingClick ? bar->MouseDown(*openingClick) : bar->KeyPress(ui::Key::Alt);
  std::uint32_t command = in.kind == ui::MenuInput::Command ? in.id : 0;
  bool closeAfter = false;
  if (openingClick) input_.ModalMouseButton(w, MOUSE_LEFT, true, *openingClick);
  // The open popup reaches below the strip: the whole bar is drawn as an
  // overlay while the loop runs.
  OverlayPainter paint = [bar](ui::Canvas& c) { bar->Draw(c); };
  // Drawn again only after something happened: a box that waits costs
  // nothing.
  bool redraw = true;
  while (bar->Active() && !QuitSignalSeen()) {
    if (redraw) {
      if (sdl::NativeWindow* n = Native(w)) {
        n->fullRedraw = true;
        n->stripDirty = true;
      }
      Render(w, &paint);
    }
    SDL_Event e;
    redraw = NextModalEvent(w, &e);
    if (!redraw) continue;
    switch (e.type) {
      case SDL_MOUSEMOTION:
        in = bar->MouseMove(Point{e.motion.x, e.motion.y});
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT) in = bar->MouseDown(Point{e.button.x, e.button.y});
        break;
      case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) in = bar->MouseUp(Point{e.button.x, e.button.y});
        break;
      case SDL_KEYDOWN: {
        ui::Key k;
        if (ui::KeyFromVirtualKey(sdl::VirtualKeyOf(e.key.keysym), &k)) in = bar->KeyPress(k);
        break;
      }
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_LEAVE) in = bar->MouseLeave();
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) in = bar->Cancel();
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          in = bar->Cancel();
          closeAfter = true;
        }
        break;
      case SDL_QUIT:
        in = bar->Cancel();
        closeAfter = true;
        break;
      default:
        break;
    }
    if (in.kind == ui::MenuInput::Command) command = in.id;
  }
  if (bar->Active()) bar->Cancel();
  if (sdl::NativeWindow* n = Native(w)) {
    n->fullRedraw = true;
    n->stripDirty = true;
  }
  Render(w, nullptr);
  input_.EndMenuLoop(w, command, closeAfter);
}

int SdlBackend::RunMessageBoxLoop(Window& w, const std::string& textCp932, const std::string& captionCp932,
                                  std::uint32_t style) {
  int menuH = w.menu ? MenuBarHeight() : 0;
  ui::MessageBoxView view(textCp932, captionCp932, style, w.clientWidth, w.clientHeight + menuH);
  OverlayPainter paint = [&view](ui::Canvas& c) { view.Draw(c); };
  int answer = 0;
  bool redraw = true;
  while (!answer) {
    if (QuitSignalSeen()) {
      answer = view.CloseAnswer();
      break;
    }
    if (redraw) {
      if (sdl::NativeWindow* n = Native(w)) n->fullRedraw = true;
      Render(w, &paint);
    }
    SDL_Event e;
    redraw = NextModalEvent(w, &e);
    if (!redraw) continue;
    answer = FeedView(view, e);
    // The close box answers the box, as its own close box would.
    if ((e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) || e.type == SDL_QUIT) {
      answer = view.CloseAnswer();
    }
  }
  if (sdl::NativeWindow* n = Native(w)) n->fullRedraw = true;
  Render(w, nullptr);
  input_.EndModalLoop();
  return answer;
}

bool SdlBackend::RunDialog(Window* owner, Dialog& dlg) {
  Window* w = owner ? owner : mainWindow_;
  if (!Interactive() || !w || !w->alive || !Native(*w) || !Native(*w)->ren) return false;
  int menuH = w->menu ? MenuBarHeight() : 0;
  ui::DialogView view(dlg, w->clientWidth, w->clientHeight + menuH);
  OverlayPainter paint = [&view](ui::Canvas& c) { view.Draw(c); };
  bool redraw = true;
  while (!dlg.ended) {
    if (QuitSignalSeen()) {
      dlg.Command(IDCANCEL);
      if (!dlg.ended) EndDialog(&dlg, IDCANCEL);
      break;
    }
    if (redraw) {
      if (sdl::NativeWindow* n = Native(*w)) n->fullRedraw = true;
      Render(*w, &paint);
    }
    SDL_Event e;
    redraw = NextModalEvent(*w, &e);
    if (!redraw) continue;
    int id = FeedView(view, e);
    if ((e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) || e.type == SDL_QUIT) id = IDCANCEL;
    if (id) dlg.Command(id);
  }
  if (sdl::NativeWindow* n = Native(*w)) n->fullRedraw = true;
  Render(*w, nullptr);
  input_.EndModalLoop();
  return true;
}

}  // namespace pl
