#include "scene/compose.h"

void ComposeSprites(bool) {}
void RedrawMessageWindow(int, CTextWindow&, int) {}
void DrawWindowDecoration(CTextWindow&, VirtualScreen*, const VirtualScreen*) {}
void RedrawTextWindow(CTextWindow&, int, bool) {}
void CopyScreenRegion(const ScreenRect&, VirtualScreen*, const VirtualScreen*) {}
void CopyFullScreenRect(const ScreenRect*, const VirtualScreen*, VirtualScreen*, const ScreenRect&) {}
void BlendGaugeBar(const ScreenRect&, int, int, VirtualScreen*, const VirtualScreen*, int, int) {}
int LoadBmpImage(const char*, CArc*) { return 0; }
