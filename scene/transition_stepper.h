// The transitions of the main pending operation, one step a render tick:
// the page clears, the cut, the dissolve and the rule wipe, blinds and
// combs, zooms and turns, the other full-screen transitions, the fades to
// and from black and white, and the dissolve that shows a loaded game.
// Main thread only.
#pragma once
#include <cstdint>

#include "graphics/pixel_buffer.h"

// The dissolve after a load: p5 the duration, p6 the start tick, p7 the
// wait and p8 the interpreter's choice word put back at its end. (The codes
// of the commands' transitions are named with those commands.)
enum : std::int32_t { OP_LOAD_DISSOLVE = 80 };

// How long the dissolve after a load lasts.
inline constexpr std::int32_t kLoadDissolveMs = 500;

// 1 when the whole screen must be presented.
int TransitionStep(CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture);

// The step counters back at rest (a new run, or a test).
void ResetTransitionStepper();
// The progress counter of the running timed transition (0 at rest).
std::int32_t TransitionProgress();
