// The transitions of the main pending operation, one step a render tick.
#pragma once
#include "graphics/pixel_buffer.h"

// 1 when the whole screen must be presented.
int TransitionStep(CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture);
