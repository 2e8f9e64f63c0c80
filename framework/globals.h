// Process-wide values that many parts read: the main window's handle, the
// lock held while a rectangle is presented, the SIMD switch of the pixel
// routines.
#pragma once
#include "framework/critical_section.h"
#include "platform/window.h"

class CAppBase;

// The application object (null outside the process's run; tests set their own).
CAppBase* GetApp();
void SetApp(CAppBase* app);

// Menu 101 as the engine keeps it, attached and taken off by the display modes.
pl::Menu* GetMenuHandle();
void SetMenuHandle(pl::Menu* menu);

// The main window (null before it is created and after shutdown).
pl::Window* GetMainWindowHandle();
void SetMainWindowHandle(pl::Window* window);

// Held while a rectangle of the presented screen is copied to the window, so
// that the movie thread and the main thread never present at once.
CCriticalSection& GetPresentLock();
// The process's globals install their present lock here (null uninstalls;
// without one a lock of this file's own serves, for tests).
void SetPresentLock(CCriticalSection* lock);

// 1 when the pixel routines take their SIMD paths (the processor has them),
// 0 for the plain paths. Pixel buffers keep a pointer to it.
int* GetMmxFlag();
