// The sprite and screen effects of the main pending operation, one step a
// render tick; its idle codes recompose the scene.
#pragma once
#include <cstdint>

#include "graphics/pixel_buffer.h"

struct VirtualScreen;

// 1 when the whole screen must be presented.
int SpriteEffectStep(CBuffer& output, int flag, CBuffer& newPicture);

// The stepper's progress counter back at rest (a new scene or a test).
void ResetSpriteEffectState();
// The effect progress: a 0..255 opacity or a step count while an effect
// runs, 0 at rest.
std::int32_t SpriteEffectProgress();

// Every scene sprite (shown, class 0) in index order onto `target` at its
// own position and frame, with the fill colour where there is no
// background, then the weather and overlay. Sprite `moved` (-1: none) is
// drawn at (x, y) with `opacity` instead. Onto layer 2 the scene is
// composed on layer 3 first, as the composition does.
void DrawSceneSprites(VirtualScreen* target, std::int32_t moved = -1, int x = 0, int y = 0, int opacity = 255);
