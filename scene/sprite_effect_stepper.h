// The sprite and screen effects of the main pending operation, one step a
// render tick; its idle codes recompose the scene.
#pragma once
#include "graphics/pixel_buffer.h"

// 1 when the whole screen must be presented.
int SpriteEffectStep(CBuffer& output, int flag, CBuffer& newPicture);
