// The input method of a window: whether it is enabled for the window and
// open, its conversion and sentence modes, the font asked for its
// composition, and the composition in progress. Backends hand what the
// system's input method composes and commits to ImeComposition and
// ImeCommit, which turn it into the window's IME messages and characters.
// Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace pl {

class Window;

struct ImeCompositionFont {
  int height = 0;
  int weight = 0;
  int charSet = 0;
  std::string faceCp932;
};

// Conversion and sentence modes a window may ask for.
enum : std::uint32_t {
  IME_CMODE_NATIVE = 0x0001,
  IME_CMODE_FULLSHAPE = 0x0008,
  IME_CMODE_ROMAN = 0x0010,
  IME_SMODE_PHRASEPREDICT = 0x0008,
};
// WM_IME_NOTIFY commands.
enum : std::uint32_t {
  IMN_CLOSESTATUSWINDOW = 1,
  IMN_OPENSTATUSWINDOW = 2,
  IMN_CLOSECANDIDATE = 4,
  IMN_SETCONVERSIONMODE = 6,
  IMN_SETOPENSTATUS = 8,
};

struct ImeState {
  bool enabled = true;  // the window may use the input method at all
  bool open = false;
  std::uint32_t conversion = 0, sentence = 0;
  ImeCompositionFont font;
  bool composing = false;
  std::string composition;  // CP932
};

// The window's state, made on first use; null for no window.
ImeState* ImeOf(Window* w);
void ImeSetOpen(Window* w, bool open);
bool ImeIsOpen(Window* w);
void ImeSetCompositionFont(Window* w, const ImeCompositionFont& font);
void ImeGetConversion(Window* w, std::uint32_t* conversion, std::uint32_t* sentence);
void ImeSetConversion(Window* w, std::uint32_t conversion, std::uint32_t sentence);
// Enables or disables the input method for the window; returns the
// previous setting.
bool ImeEnable(Window* w, bool enable);

// Whether the system's text input should be on for the program's window:
// a shown, enabled text field has the keyboard.
bool WantsTextInput(Window* top);
// The system's input method composes `cp932` (empty: the composition was
// cancelled): WM_IME_STARTCOMPOSITION when it begins, WM_IME_COMPOSITION as
// it changes, WM_IME_ENDCOMPOSITION when it is emptied. Ignored while the
// window's input method is disabled or closed.
void ImeComposition(Window* target, std::string_view cp932);
// Committed text: the composition ends, then each byte arrives as WM_CHAR.
void ImeCommit(Window* target, std::string_view cp932);

}  // namespace pl
