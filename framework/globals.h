// Process-wide values that many parts read: the main window's handle, the
// lock held while a rectangle is presented, the SIMD switch of the pixel
// routines.
#pragma once
#include "framework/critical_section.h"
#include "platform/window.h"

// The main window (null before it is created and after shutdown).
pl::Window* GetMainWindowHandle();
void SetMainWindowHandle(pl::Window* window);

// Held while a rectangle of the presented screen is copied to the window, so
// that the movie thread and the main thread never present at once.
CCriticalSection& GetPresentLock();

// 1 when the pixel routines take their SIMD paths (the processor has them),
// 0 for the plain paths. Pixel buffers keep a pointer to it.
int* GetMmxFlag();
