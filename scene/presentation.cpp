#include "scene/presentation.h"

namespace {
ScenePresentation g_Presentation;
}

ScenePresentation& Presentation() { return g_Presentation; }

void ResetPresentation() { g_Presentation = ScenePresentation{}; }
