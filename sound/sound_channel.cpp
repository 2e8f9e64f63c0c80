#include "sound/sound_channel.h"

#include <algorithm>

pl::PcmFormat ChannelFormat(int channel) {
  pl::PcmFormat f;
  f.bitsPerSample = 16;
  if (channel == kBgmChannel) {
    f.rate = 44100;
    f.channels = 2;
  } else if (channel == kVoiceChannel) {
    f.rate = 44100;
    f.channels = 1;
  } else {
    f.rate = 22050;
    f.channels = 2;
  }
  return f;
}

int ScaleVolume(int value) {
  if (value == -10000) return -10000;
  return value / 2;  // C++ division truncates toward zero
}

int VolumeOfAttenuation(int attenuation) {
  // Nothing should pass more than 100, but -(101 * 101) / 2 would be loud.
  const int a = std::clamp(attenuation, 0, 100);
  return ScaleVolume(-(a * a));
}
