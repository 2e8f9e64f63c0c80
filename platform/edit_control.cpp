#include "platform/edit_control.h"

#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/font.h"
#include "platform/ime.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window.h"

namespace pl {
namespace {

// Start of the character before byte offset `at` (the text is walked from
// its start: a trail byte can look like anything).
std::size_t PreviousChar(const std::string& s, std::size_t at) {
  std::size_t i = 0, prev = 0;
  while (i < at) {
    prev = i;
    i += IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
  }
  return prev;
}

std::size_t NextChar(const std::string& s, std::size_t at) {
  if (at >= s.size()) return s.size();
  return std::min(s.size(), at + (IsLeadByte(static_cast<unsigned char>(s[at])) && at + 1 < s.size() ? 2 : 1));
}

// Removes the selected bytes; the caret and the anchor meet where they were.
void EraseSelection(EditControl& e) {
  const std::size_t start = SelectionStart(e), end = SelectionEnd(e);
  e.text.erase(start, end - start);
  e.caret = e.anchor = start;
}

// A character typed: it takes the selection's place, or is refused whole
// (the selection kept) when the field would hold more than its limit.
void Insert(Window* w, EditControl& e, const char* bytes, std::size_t n) {
  const std::size_t selected = SelectionEnd(e) - SelectionStart(e);
  if (e.text.size() - selected + n > e.limit) return;
  EraseSelection(e);
  e.text.insert(e.caret, bytes, n);
  e.caret += n;
  e.anchor = e.caret;
  InvalidateWindow(w);
}

// The longest prefix of at most `room` bytes that ends on a character.
std::size_t FitChars(const std::string& s, std::size_t room) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t next = NextChar(s, i);
    if (next > room) break;
    i = next;
  }
  return i;
}

// The start of the character that holds byte offset `at` (at itself when
// it is a boundary), the text's end past it.
std::size_t CharBoundary(const std::string& s, std::size_t at) {
  if (at >= s.size()) return s.size();
  std::size_t i = 0;
  for (;;) {
    const std::size_t next = NextChar(s, i);
    if (next > at) return i;
    i = next;
  }
}

// An offset of EM_SETSEL: negative is the text's end.
std::size_t SelectionOffset(const std::string& s, std::intptr_t v) {
  if (v < 0) return s.size();
  return CharBoundary(s, static_cast<std::size_t>(v));
}

bool ShiftDown() { return IsKeyDown(DIK_LSHIFT) || IsKeyDown(DIK_RSHIFT); }
bool CtrlDown() { return IsKeyDown(DIK_LCONTROL) || IsKeyDown(DIK_RCONTROL); }

}  // namespace

LRESULT EditWindowProc(Window* w, std::uint32_t id, WPARAM wParam, LPARAM lParam) {
  if (!w || !w->edit) return DefWindowProc(w, id, wParam, lParam);
  EditControl& e = *w->edit;
  switch (id) {
    case WM_SETTEXT: {
      const char* t = reinterpret_cast<const char*>(lParam);
      e.text.assign(t ? t : "");
      e.text.resize(FitChars(e.text, e.limit));
      e.caret = e.anchor = e.text.size();
      e.pendingLead = 0;
      InvalidateWindow(w);
      return 1;
    }
    case EM_SETSEL: {
      const auto start = static_cast<std::intptr_t>(wParam), end = static_cast<std::intptr_t>(lParam);
      if (start < 0) {
        e.anchor = e.caret;
      } else {
        e.anchor = SelectionOffset(e.text, start);
        e.caret = SelectionOffset(e.text, end);
      }
      InvalidateWindow(w);
      return 0;
    }
    case EM_GETSEL: {
      const std::size_t start = SelectionStart(e), end = SelectionEnd(e);
      if (auto* out = reinterpret_cast<std::uint32_t*>(wParam)) *out = static_cast<std::uint32_t>(start);
      if (auto* out = reinterpret_cast<std::uint32_t*>(lParam)) *out = static_cast<std::uint32_t>(end);
      return static_cast<LRESULT>((std::min<std::size_t>(end, 0xFFFF) << 16) | std::min<std::size_t>(start, 0xFFFF));
    }
    case EM_SETLIMITTEXT:
      e.limit = wParam == 0 ? EditControl{}.limit : static_cast<std::size_t>(wParam);
      return 0;
    case WM_GETTEXT: {
      char* out = reinterpret_cast<char*>(lParam);
      if (!out || wParam == 0) return 0;
      std::size_t n = FitChars(e.text, static_cast<std::size_t>(wParam) - 1);
      std::memcpy(out, e.text.data(), n);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(e.text.size());
    case WM_SETFONT:
      e.font = reinterpret_cast<Font*>(wParam);
      if (LoWord(static_cast<std::uintptr_t>(lParam))) InvalidateWindow(w);
      return 0;
    case WM_CHAR: {
      auto c = static_cast<unsigned char>(wParam & 0xFF);
      if (e.pendingLead) {
        char pair[2] = {static_cast<char>(e.pendingLead), static_cast<char>(c)};
        e.pendingLead = 0;
        if (c >= 0x40 && c != 0x7F) Insert(w, e, pair, 2);
        return 0;
      }
      if (IsLeadByte(c)) {
        e.pendingLead = c;
      } else if (c >= 0x20 && c != 0x7F) {
        char one = static_cast<char>(c);
        Insert(w, e, &one, 1);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      const bool extend = ShiftDown();
      const bool selected = e.anchor != e.caret;
      switch (wParam) {
        case VK_BACK:
          if (selected) {
            EraseSelection(e);
          } else if (e.caret > 0) {
            std::size_t p = PreviousChar(e.text, e.caret);
            e.text.erase(p, e.caret - p);
            e.caret = e.anchor = p;
          }
          break;
        case VK_DELETE:
          if (selected) {
            EraseSelection(e);
          } else {
            e.text.erase(e.caret, NextChar(e.text, e.caret) - e.caret);
          }
          break;
        case VK_LEFT:
          // Without Shift a selection collapses to its start.
          if (extend) {
            if (e.caret > 0) e.caret = PreviousChar(e.text, e.caret);
          } else {
            e.caret = e.anchor = selected ? SelectionStart(e) : e.caret > 0 ? PreviousChar(e.text, e.caret) : 0;
          }
          break;
        case VK_RIGHT:
          if (extend) {
            e.caret = NextChar(e.text, e.caret);
          } else {
            e.caret = e.anchor = selected ? SelectionEnd(e) : NextChar(e.text, e.caret);
          }
          break;
        case VK_HOME:
          e.caret = 0;
          if (!extend) e.anchor = e.caret;
          break;
        case VK_END:
          e.caret = e.text.size();
          if (!extend) e.anchor = e.caret;
          break;
        case 'A':
          if (!CtrlDown()) return 0;
          e.anchor = 0;
          e.caret = e.text.size();
          break;
        default:
          return 0;
      }
      InvalidateWindow(w);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      InvalidateWindow(w);
      return 0;
    default:
      return DefWindowProc(w, id, wParam, lParam);
  }
}

void DrawChildWindows(Window& parent, ui::Canvas& canvas) {
  for (Window* c : parent.children) {
    if (!c->alive || !c->visible || !c->edit) continue;
    const EditControl& e = *c->edit;
    Rect r{c->x, c->y, c->x + c->clientWidth, c->y + c->clientHeight};
    bool focused = KeyTarget(&parent) == c;
    ui::FillRect(canvas, r, c->enabled ? 0xFFFFFFFFu : ui::color::kFace);
    ui::FrameRect(canvas, r, focused ? ui::color::kFocus : ui::color::kBorder);
    Font* font = e.font ? e.font : ui::UiFont();
    Rect clip{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    int top = r.top + std::max(0, (c->clientHeight - ui::LineHeight(font)) / 2);
    int x = r.left + 3;
    std::uint32_t ink = c->enabled ? ui::color::kText : ui::color::kGrayText;
    const std::string_view text(e.text);
    // The text in pieces: before the caret, the composition, after it; a
    // selected range is drawn on the highlight wherever it falls.
    auto drawPiece = [&](std::size_t from, std::size_t to) {
      const std::size_t s0 = std::clamp(SelectionStart(e), from, to), s1 = std::clamp(SelectionEnd(e), from, to);
      x = ui::DrawText(canvas, font, x, top, Cp932ToUtf32(text.substr(from, s0 - from)), ink, clip);
      if (s1 > s0) {
        const std::u32string sel = Cp932ToUtf32(text.substr(s0, s1 - s0));
        const int wSel = ui::TextWidth(font, sel);
        ui::FillRect(canvas, ui::Intersect(Rect{x, top, x + wSel, top + ui::LineHeight(font)}, clip),
                     ui::color::kHighlight);
        x = ui::DrawText(canvas, font, x, top, sel, ui::color::kHighlightText, clip);
      }
      x = ui::DrawText(canvas, font, x, top, Cp932ToUtf32(text.substr(s1, to - s1)), ink, clip);
    };
    drawPiece(0, e.caret);
    int caretX = x;
    if (c->ime && c->ime->composing) {
      int start = x;
      x = ui::DrawText(canvas, font, x, top, Cp932ToUtf32(c->ime->composition), ink, clip);
      ui::FillRect(canvas, Rect{start, top + ui::LineHeight(font), x, top + ui::LineHeight(font) + 1}, ink);
      caretX = x;
    }
    drawPiece(e.caret, e.text.size());
    if (focused) ui::FillRect(canvas, ui::Intersect(Rect{caretX, top, caretX + 1, top + ui::LineHeight(font)}, clip), ink);
  }
}

}  // namespace pl
