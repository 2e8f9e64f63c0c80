// The story's pictures beyond the first chapter's (see story_art.cpp).
#pragma once
#include <string>
#include <vector>

#include "tools/demo_art/canvas.h"

namespace art {

// The pictures the story's art is made from.
struct StoryCast {
  const Canvas* dusk;   // the hill at dusk (bg01)
  const Canvas* night;  // the town at night (bg02)
  const Canvas* mina;   // the two characters
  const Canvas* sora;
};

// Writes "title", the title buttons "tb_*" and the blank story button
// "sb_blank" (240 x 132: three looks stacked), "bg03" (a rainy street),
// "bg04" (a snowy field at night), the event pictures "ev01" to "ev05"
// (returned in `events`, for the gallery's thumbnails), "star" (four
// frames of 64 x 64 stacked), "rule01" (the mask transition's grey rule),
// "mist" (the overlay) and "T1mina.recipe" (the speaking character with a
// voice-driven mouth, as an abmpack recipe).
bool WriteStoryArt(const std::string& folder, const StoryCast& cast, std::vector<Canvas>* events);

}  // namespace art
