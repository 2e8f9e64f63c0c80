#include "scene/transition_stepper.h"

int TransitionStep(CBuffer&, CBuffer&, CBuffer&) { return 0; }
