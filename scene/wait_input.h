// The player's input while the script waits: the left click (decide key or
// left button), the press that shows a button pressed before its release,
// the right click, the cursor keys and Ctrl, the choice click, the message
// window's system buttons, the script's own buttons, the hover looks, the
// menu bar of the full-screen modes and the skip advance. Every handler
// looks at the pending state first and acts only on the waits it serves;
// the backlog view (backlog_view.h) takes the same input while it is open.
//
// The handlers reach the running engine's parts through Presentation();
// a part that is not set is left alone. Main thread only.
#pragma once
#include <cstdint>

#include "platform/window.h"

struct CTextWindow;
struct CScriptButton;
struct CLayerImage;

// fromUser: 1 for the decide key or the left button, 0 for auto mode and
// the wheel.
void OnLeftClick(int fromUser);
// The decide key or the left button is down (not yet released).
void PressWindowButton();
// 1 when the button wait took the right-click value.
int OnRightClick();
// One logical key bit (KEY_... of key_manager.h).
void OnKey(std::uint32_t bit);
// 1 when no choice is highlighted, else 0.
int OnChoiceClick(CTextWindow& window);
// 1 when a system button lay under the cursor. lookOnly: only the pressed
// look is shown.
int OnSystemButton(int fromUser, int lookOnly);
// 1 when pressed (press 1) over a script button, else 0.
int OnButtonClick(int press);
// Every frame step: the menu bar, then the hover looks of the wait.
void OnMouseHover(pl::Window* hWnd);
// The hover looks at a cursor point (the part of OnMouseHover after the
// menu bar).
void HoverAt(int x, int y);
// 0 when the window is not the active one; else 1 with the cursor point.
int TrackMenuBar(pl::Window* hWnd, int* x, int* y);
// Stops the voice and advances as a click (skip turned on, Ctrl).
void AdvanceAfterVoice();
// 1 when the click was used to show the hidden windows again.
int SetWindowsShown(int show, int fromUser);
// The voice stops on an advance when the player's setting asks for it.
void StopVoiceOnAdvance();
// The voice channel stopped (a replayed or speaking voice ends).
void StopVoice();
// The save and load screens; the load's result is 1 when a game was loaded.
int OpenSaveMenu();
int OpenLoadMenu();
// 1 when the quick slot was loaded.
int QuickLoad();
// "reg" becomes the integer.
void SetResultValue(std::int32_t value);

// The cursor point in logical coordinates, as the handlers test it.
void GetCursorPoint(int* x, int* y);
// Presents a rectangle of layer 0, clipped to the screen.
void PresentScreenArea(int x, int y, int width, int height);
// Height of one look of a picture holding `rows` + 1 looks stacked.
int LookHeight(const CLayerImage& image, int rowsLessOne);
