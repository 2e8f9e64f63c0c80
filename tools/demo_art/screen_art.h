// The pictures of the sample game's modal screens (save and load, the
// questions, the brand logo, the ending list, the gallery, the music room,
// the settings and the scene replay), each in the size and cell layout its
// screen reads, and the gallery's and the replay's list files.
#pragma once
#include <string>

#include "tools/demo_art/canvas.h"

namespace art {

// Writes every screen picture into `folder` as BMP files (32-bit with
// alpha for the cell pictures, 24-bit for the page backgrounds) and the
// list files as "cglist00.dat" and "hmlist00.dat". `scene1` and `scene2`
// are the story's two backgrounds, shrunk into the gallery's thumbnails.
bool WriteScreenArt(const std::string& folder, const Canvas& scene1, const Canvas& scene2);

}  // namespace art
