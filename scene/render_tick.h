// The scene's 33 ms render tick, the layer rebuilds and the per-tick
// recomposition that keeps animated sprites, the weather and the screen
// effects moving, and the short pumped pause between input actions.
#pragma once
#include "graphics/virtual_screen.h"

void RenderFrame();
// 1 when the whole screen must be presented.
int ComposeFrame();
// 1: the scene without windows and system sprites; 0: everything back.
void RedrawLayers(int mode);
// The current window's part under a rectangle (screen coordinates),
// restored from layer 2 with the window picture over it.
void DrawWindowRegion(VirtualScreen* target, int x, int y, int width, int height);
// n pumped pauses of 15 ms; 0 as soon as the program is quitting.
int PumpFrames(int n);
// One recomposition tick (the sprite stepper's idle codes): 1 when the
// whole screen must be presented.
int RecomposeScene();
