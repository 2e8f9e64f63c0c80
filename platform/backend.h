// The backend behind the platform's window, message, dialog and clock
// functions: the SDL backend for the real program, the Fake backend for
// tests. Exactly one is installed at a time.
//
// The model. Code above platform/ never sees this interface: it calls the
// platform's functions (window, messages, display, dialog, input, time),
// and they call the installed backend. main() makes the SDL backend
// (CreateSdlBackend), installs it with SetBackend before anything else of
// the platform is used, runs the program and uninstalls it after shutdown;
// a test makes a FakeBackend, which installs itself and uninstalls itself
// when it is destroyed.
//
// Threads: every operation of the backend is called on the main thread,
// the one that makes the window and pumps its messages, except clock(),
// which any thread may read. Other threads (sound channels, the movie, the
// cursor glide) use only what the platform marks safe for them: posting a
// message (PostMessage), asking for a cursor move that the next pump makes
// (SetCursorPos), presenting into a window's front buffer or scaled picture
// (under Window::pixelsMu), reading its client origin, the clock, files and
// the sound device.
//
// Call order: SetBackend; CreateNative when the program makes its window
// (false: there is no window and start-up fails); then at every PeekMessage
// PumpEvents makes a pending cursor move, turns the native events gathered
// since the last pump (close, focus, keys, buttons, moves, the wheel, menu
// choices, text input) into key and button state and posted messages, in
// the order they happened; the SDL backend then draws what was presented
// since the last pump (the fake leaves it in the window's front buffer for
// the test to read). The other operations come with the platform call that
// needs them (TitleChanged after SetWindowText, SetFullscreen for a change
// of display mode, ShowMessageBox and RunDialog, which return only when
// answered); HideNative at DestroyWindow, FreeNative at FreeWindow, and
// SetBackend(nullptr) last.
//
// The fake and the SDL backend behave alike for everything above this
// interface: the same native events give the same key state, the same
// messages and the same refusals (a close, focus, key presses and releases,
// a click below the menu strip, an instant click, clipped presents, a
// full-screen mode the display does not list).
// tests/platform/backend_contract_test.cpp shows it by running the same
// cases against both, the SDL backend on the dummy video driver.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/display.h"
#include "platform/time.h"
#include "platform/window.h"

namespace pl {

struct EditControl;
struct ImeState;
class SoundDevice;

// The platform's record of a window; the backend keeps its native part in
// `native`.
class Window {
 public:
  WindowProc proc = nullptr;
  void* userData = nullptr;
  bool alive = false;
  std::string className;
  std::string caption;  // CP932
  std::uint32_t style = 0;
  Menu* menu = nullptr;
  bool visible = false;
  bool iconic = false;
  bool topmost = false;
  int x = 0, y = 0;                      // screen position of the window's top-left
  // The client's top-left on the screen (x in the low half, y in the high
  // half), published by the main thread whenever the position or the menu
  // strip changes: other threads (the cursor glide) read only this.
  std::atomic<std::uint64_t> clientOrigin{0};
  int clientWidth = 1024, clientHeight = 600;
  // The pixels below are written by whichever thread presents (the movie
  // thread too) and read by the main thread when it draws the window.
  std::mutex pixelsMu;
  std::vector<std::uint32_t> front;      // clientWidth x clientHeight, 0xAARRGGBB
  Rect frontDirty{};                     // changed since the backend last showed it
  bool scaled = false;                   // the scaled view is on
  Rect viewport{};                       // where the scaled picture goes
  std::vector<std::uint32_t> picture;    // 1024 x 600, the scaled view's picture
  Rect pictureDirty{};
  FullscreenKind fullscreen = FullscreenKind::Off;
  void* native = nullptr;

  // Child windows have no native part: they live inside their parent's
  // client (x, y relative to it) and the backend draws them over its picture.
  Window* parent = nullptr;
  std::vector<Window*> children;  // alive ones, in creation order
  bool enabled = true;
  int controlId = 0;
  bool childrenDirty = false;      // a child changed: the parent is drawn again
  EditControl* edit = nullptr;     // the "edit" class's state (owned)
  ImeState* ime = nullptr;         // made on first use (owned)
};

// Publishes a top-level window's client origin after its position or its
// menu changed (main thread).
void PublishClientOrigin(Window& w);

// A dialog made from its template while it runs.
struct DialogItem {
  enum Kind { Static, Button } kind = Static;
  int id = 0;
  std::string text;  // CP932
  Rect rect;         // in dialog units = pixels, relative to the client of the dialog
};
struct DialogTemplate {
  std::string caption;  // CP932
  int width = 0, height = 0;
  std::vector<DialogItem> items;
};
// Parses "CAPTION <text>", "SIZE <w> <h>", "STATIC <id> <x> <y> <w> <h> [text]"
// and "BUTTON <id> <x> <y> <w> <h> <text>" lines (UTF-8); null when malformed.
std::unique_ptr<DialogTemplate> ParseDialogTemplate(const std::string& utf8);

class Dialog {
 public:
  DialogTemplate tmpl;
  DialogProc proc = nullptr;
  bool ended = false;
  std::intptr_t result = 0;
  // Called by the backend when a button is pressed (or IDCANCEL for Escape).
  void Command(int id);
};

// Changes come faster than a display shows them only while the game skips
// or runs several steps a frame: the window is presented at most once in
// this many milliseconds, a repaint the system asks for excepted; what
// changed meanwhile goes up with the next present.
inline constexpr std::uint32_t kMinPresentIntervalMs = 16;

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Clock& clock() = 0;

  virtual bool CreateNative(Window& w, const WindowDesc& desc) = 0;
  virtual void HideNative(Window& w) = 0;     // DestroyWindow: off the screen
  virtual void FreeNative(Window& w) = 0;     // FreeWindow: gone
  virtual void TitleChanged(Window& w) = 0;
  virtual void ShowChanged(Window& w, int command) = 0;
  virtual void GeometryChanged(Window& w) = 0;
  virtual void MenuChanged(Window& w) = 0;    // attached, detached or redrawn
  virtual void Raise(Window& w) = 0;
  virtual bool HasFocus(Window& w) = 0;

  virtual void GetScreenSize(int* width, int* height) = 0;
  virtual int ScreenBitsPerPixel() = 0;
  virtual int MenuBarHeight() = 0;

  virtual std::vector<DisplayModeInfo> DisplayModes() = 0;
  virtual DisplayModeInfo DesktopMode() = 0;
  virtual DisplayModeInfo CurrentMode() = 0;
  // Switches the window's full-screen state; false when refused.
  virtual bool SetFullscreen(Window& w, FullscreenKind kind, int width, int height) = 0;
  virtual void ScaledViewChanged(Window& w) = 0;

  // Turns native events into posted messages, through the InputStep
  // (input_step.h) that every backend feeds.
  virtual void PumpEvents() = 0;
  // Runs the menu loop of the window's menu bar until it closes, opened by
  // a left press at a window point on the strip, or by Alt alone (null);
  // it ends with InputStep::EndMenuLoop.
  virtual void RunMenuLoop(Window& w, const Point* openingClick) = 0;
  // The sound device on this backend's output; null when none can be
  // opened.
  virtual std::unique_ptr<SoundDevice> OpenSoundDevice() = 0;

  virtual int ShowMessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932,
                             std::uint32_t style) = 0;
  // Runs a dialog until Dialog::ended; false when it cannot be shown.
  virtual bool RunDialog(Window* owner, Dialog& dlg) = 0;
  // Opens a web address in the user's browser; false when it cannot.
  virtual bool OpenUrl(const std::string& url) = 0;
  // The player's own data folder for the program `app` (UTF-8, made when
  // missing, ending with '/'); empty when there is none.
  virtual std::string UserDataFolder(const std::string& app) = 0;
};

Backend* CurrentBackend();
// The first window that is still alive (the program's main window).
Window* FirstWindow();
// Installs a backend (and its clock as the process clock); null uninstalls.
void SetBackend(Backend* backend);

}  // namespace pl
