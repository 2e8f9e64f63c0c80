#include "platform/ime.h"

#include "platform/backend.h"
#include "platform/messages.h"

namespace pl {

ImeState* ImeOf(Window* w) {
  if (!w) return nullptr;
  if (!w->ime) w->ime = new ImeState;
  return w->ime;
}

void ImeSetOpen(Window* w, bool open) {
  if (ImeState* s = ImeOf(w)) s->open = open;
}
bool ImeIsOpen(Window* w) { return w && w->ime && w->ime->open; }

void ImeSetCompositionFont(Window* w, const ImeCompositionFont& font) {
  if (ImeState* s = ImeOf(w)) s->font = font;
}

void ImeGetConversion(Window* w, std::uint32_t* conversion, std::uint32_t* sentence) {
  ImeState* s = ImeOf(w);
  if (conversion) *conversion = s ? s->conversion : 0;
  if (sentence) *sentence = s ? s->sentence : 0;
}

void ImeSetConversion(Window* w, std::uint32_t conversion, std::uint32_t sentence) {
  if (ImeState* s = ImeOf(w)) {
    s->conversion = conversion;
    s->sentence = sentence;
  }
}

bool ImeEnable(Window* w, bool enable) {
  ImeState* s = ImeOf(w);
  if (!s) return false;
  bool old = s->enabled;
  s->enabled = enable;
  if (!enable && s->composing) {
    s->composing = false;
    s->composition.clear();
    PostMessage(w, WM_IME_ENDCOMPOSITION, 0, 0);
  }
  return old;
}

bool WantsTextInput(Window* top) {
  Window* t = KeyTarget(top);
  return t != top && t && t->edit;
}

void ImeComposition(Window* target, std::string_view cp932) {
  if (!target || !target->alive) return;
  ImeState* s = ImeOf(target);
  if (!s->enabled || !s->open) return;
  if (cp932.empty()) {
    if (s->composing) {
      s->composing = false;
      s->composition.clear();
      PostMessage(target, WM_IME_ENDCOMPOSITION, 0, 0);
    }
    return;
  }
  if (!s->composing) {
    s->composing = true;
    PostMessage(target, WM_IME_STARTCOMPOSITION, 0, 0);
  }
  s->composition.assign(cp932);
  PostMessage(target, WM_IME_COMPOSITION, 0, 0);
}

void ImeCommit(Window* target, std::string_view cp932) {
  if (!target || !target->alive) return;
  if (target->ime && target->ime->composing) {
    target->ime->composing = false;
    target->ime->composition.clear();
    PostMessage(target, WM_IME_ENDCOMPOSITION, 0, 0);
  }
  for (char c : cp932) PostMessage(target, WM_CHAR, static_cast<unsigned char>(c), 1);
}

}  // namespace pl
