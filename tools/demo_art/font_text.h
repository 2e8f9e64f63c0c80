// Anti-aliased text for the pictures, through FreeType and one of the
// Japanese fonts on the machine. When no font can be opened the callers
// draw their labels with the dot font instead, so the pictures are still
// made (only plainer).
#pragma once
#include <string>

#include "tools/demo_art/canvas.h"

namespace art {

// True when a font was found and opened (once per run).
bool HaveFont();
// Width in pixels of a UTF-8 text at a pixel size; 0 without a font.
float TextWidth(const std::string& utf8, int px);
// Draws a UTF-8 text centred at (cx, cy); false (and nothing drawn) when
// there is no font.
bool Text(Canvas& c, const std::string& utf8, float cx, float cy, int px, const Rgba& col);

}  // namespace art
