// The logical screen of 1024 x 600 and the display mode that decides how it
// reaches the monitor: 0 a window, 1 full screen at the desktop resolution
// (the picture scaled into a centred box of its shape), 2 full screen at
// 1024 pixels wide (the picture at the window's picture offset). Client
// points map to logical ones and back through the mode; the window's
// geometry follows it, and leaving the program in a full-screen mode drops
// to the window until it is activated again.
#pragma once
#include <cstdint>

#include "platform/window.h"

class CWindow;
struct WindowCreateRecord;

// The process-wide display-mode word.
std::int32_t GetDisplayMode();
void SetDisplayModeWord(std::int32_t mode);
// The mode the player chose: while a full-screen mode is left because
// another program was activated, the one to come back to. This is what the
// settings keep.
std::int32_t GetDisplayModeSetting();

// Client <-> logical points for the current mode.
void ClientToLogical(pl::Point& pt);
void LogicalToClient(pl::Point& pt);
// The input object's last mouse point, mapped (the same as GetClientSize).
void GetLogicalMousePos(pl::Point* pt);
void GetClientSize(int* x, int* y);
// The system cursor, mapped.
void GetLogicalCursorPos(pl::Point* pt);
// Puts the cursor on a logical point at once.
void SetLogicalCursorPos(pl::Point pt);
void SetLogicalCursorXY(int x, int y);
// Lets the glide thread move the cursor onto a logical point, when gliding
// is on and the program has the focus.
void GlideCursorTo(pl::Point pt);

// Whether mode 1 has a working presenter (the scaled view is showing).
bool ScaledViewReady();
// Mode 1 with its presenter: the rectangle (source and destination, clipped
// to the logical screen) of the 1024 x 600 pixels is shown scaled, under the
// present lock. Nothing in the other modes.
void PresentScaledRect(pl::Rect rect, const std::uint32_t* pixels);

// Copies pixels (rows of `pitchBytes`) to the window at (x, y): nothing in
// mode 1; moved by the picture offset in mode 2.
void BlitToWindowDc(const std::uint32_t* pixels, int pitchBytes, int x, int y, int width, int height);
// Where mode 2 puts the picture in the window: the presented rectangles
// move by it.
void SetPictureOffset(int x, int y);
pl::Point GetPictureOffset();
// Paints the bars around the picture black.
void PaintBorders();

// 1 when the window now covers the screen (in mode 1 with its presenter).
int EnterFullScreen();
// 1 when the style changed (and the window was fitted to the mode), else 0.
int ChangeWindowStyle(std::uint32_t remove, std::uint32_t add);
void FitWindowToDisplayMode();
// The window rectangle for the record's client size (1024 x 600) with its
// menu, centred on the desktop: x = max(desktop width - window width, 1) / 2,
// likewise y; not topmost.
void CenterWindow(CWindow& window, const WindowCreateRecord& rec);
// Engine start in a full-screen mode: the desktop recorded, the display
// changed for mode 2, the window made a popup covering the screen.
void EnterDisplayModeAtStart(pl::Window* hWnd);
// Called at the end of every mode change with whether the new mode is not
// the scaled full screen (mode 1): the save screen's comment field follows
// the mode with it. Null: nothing is called.
using CommentFieldMover = void (*)(bool leavingMode1);
void SetCommentFieldMover(CommentFieldMover mover);
// Changes the mode on activation changes and at start.
void SetDisplayMode(std::int32_t mode, pl::Window* hWnd);
// Changes the mode from the settings: a change between the two full-screen
// modes passes through the window mode.
void ApplyDisplayModeSetting(pl::Window* hWnd, std::int32_t mode);
// The height of the first listed mode of the given width taller than
// `height`, or -1.
// The height of the first listed mode of the display device (by width,
// then height) as wide as `width` and taller than `height`, or -1.
int FindTallerDisplayMode(int width, int height);

// Whether menu 101 is attached to the window (always in the window mode; in
// a full-screen mode after Alt showed it, until the next mode change).
bool IsMenuAttached();
void SetMenuAttached(bool attached);

// The desktop's display settings as recorded before the first change.
struct DesktopSettings {
  bool recorded = false;
  int width = 0, height = 0, bits = 0, refresh = 0;
};
const DesktopSettings& GetRecordedDesktop();
// Forgets the recorded desktop and resets the mode word (tests).
void ResetDisplayModeState();
