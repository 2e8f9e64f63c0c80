#include "platform/sdl/sdl_audio.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>

namespace pl::sdl {
namespace {

class SdlAudioOutput final : public SoundDevice::Output {
 public:
  SdlAudioOutput(SoundDevice* mixer) : mixer_(mixer) {}
  ~SdlAudioOutput() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Open() {
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(SoundDevice::kOutputRate);
    want.format = AUDIO_S16SYS;
    want.channels = SoundDevice::kOutputChannels;
    want.samples = static_cast<Uint16>(SoundDevice::kBlockFrames);
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      std::fprintf(stderr, "kivzo: no sound device: %s\n", SDL_GetError());
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int len) {
    auto* out = static_cast<SdlAudioOutput*>(self);
    const std::size_t frames = static_cast<std::size_t>(len) / (SoundDevice::kOutputChannels * sizeof(std::int16_t));
    out->mixer_->Render(reinterpret_cast<std::int16_t*>(stream), frames);
  }

  SoundDevice* mixer_;
  SDL_AudioDeviceID device_ = 0;
};

}  // namespace

std::unique_ptr<SoundDevice::Output> OpenAudioOutput(SoundDevice* mixer) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "kivzo: no sound driver: %s\n", SDL_GetError());
    return nullptr;
  }
  auto out = std::make_unique<SdlAudioOutput>(mixer);
  if (!out->Open()) return nullptr;
  return out;
}

}  // namespace pl::sdl
