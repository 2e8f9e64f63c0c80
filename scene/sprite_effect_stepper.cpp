#include "scene/sprite_effect_stepper.h"

#include "scene/pending.h"
#include "scene/render_tick.h"

int SpriteEffectStep(CBuffer&, int, CBuffer&) {
  const int code = Scene().m_Ops[0].code;
  if (code == 0 || code == 1 || code == 2 || (code >= 71 && code <= 75)) return RecomposeScene();
  return 0;
}
