// The pictures of the sample game's modal screens (save and load, the
// questions, the brand logo, the ending list, the gallery, the music room,
// the settings and the scene replay), each in the size and cell layout its
// screen reads, and the gallery's and the replay's list files.
#pragma once
#include <string>
#include <vector>

#include "tools/demo_art/canvas.h"

namespace art {

// Writes every screen picture into `folder` as BMP files (32-bit with
// alpha for the cell pictures, 24-bit for the page backgrounds) and the
// list files as "cglist00.dat" and "hmlist00.dat": the gallery lists
// `gallery` (each picture its own group, unlocked by the variable of its
// name) and the replay `replays` (scene numbers 1, 2, ... in order, seen
// when the variable of its name is there); their pictures are shrunk into
// the thumbnails.
struct Picture {
  std::string name;
  const Canvas* canvas;
};
bool WriteScreenArt(const std::string& folder, const std::vector<Picture>& gallery, const std::vector<Picture>& replays);

}  // namespace art
