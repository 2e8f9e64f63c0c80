#include "sound/sound_request.h"

void UpdateSoundFades() {}
