// The SDL audio device that pulls the sound device's mix: 44100 Hz, stereo,
// signed 16-bit, 1024 frames a callback, no format changes allowed (SDL
// converts for the hardware when it must).
#pragma once
#include <memory>

#include "platform/sound_device.h"

namespace pl::sdl {

// Starts SDL's audio subsystem, opens the default device and starts it
// pulling from `mixer`; null when there is no usable driver or device. The
// device closes (and the subsystem is released) when the result goes, after
// the last callback has returned.
std::unique_ptr<SoundDevice::Output> OpenAudioOutput(SoundDevice* mixer);

}  // namespace pl::sdl
