#include "graphics/crt_random.h"

CrtRandom& GetCrtRandom() {
  static CrtRandom s_Random;
  return s_Random;
}
