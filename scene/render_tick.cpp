#include "scene/render_tick.h"

void RenderFrame() {}
int ComposeFrame() { return 0; }
void RedrawLayers(int) {}
void DrawWindowRegion(VirtualScreen*, int, int, int, int) {}
int PumpFrames(int n) { return n; }
int RecomposeScene() { return 0; }
