// The mixer's cost: CPU time to mix one second of sound (44,100 output
// frames) with all nineteen channels playing in their own formats, beside
// the same second with one channel and with plain copying of the channels'
// bytes. The CPU column is the CPU time per second of sound; the counter
// "realtime_x" is how many seconds of sound one core mixes in a second
// (100 / realtime_x is the percentage of a core the mix takes).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/sound_device.h"
#include "sound/sound_channel.h"

namespace {

constexpr std::size_t kSecondFrames = 44100;

struct Mix {
  pl::SoundDevice device;
  std::vector<std::unique_ptr<pl::SoundBuffer>> buffers;
  pl::EventGroup events;  // notifications as the channels set them up

  explicit Mix(int channels) {
    std::uint32_t seed = 1;
    for (int ch = 0; ch < channels; ++ch) {
      const pl::PcmFormat f = ChannelFormat(ch);
      auto b = device.CreateBuffer(f, 2 * f.BytesPerSecond());
      void* p1;
      void* p2;
      std::uint32_t n1, n2;
      b->Lock(0, b->Size(), &p1, &n1, &p2, &n2);
      auto* bytes = static_cast<std::uint8_t*>(p1);
      for (std::uint32_t i = 0; i < n1; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = static_cast<std::uint8_t>(seed >> 24);
      }
      b->Unlock(p1, n1, p2, n2);
      const pl::SoundNotification n[] = {
          {0, &events, 0}, {f.BytesPerSecond(), &events, 1}, {pl::kSoundNotifyAtStop, &events, 2}};
      b->SetNotificationPositions(n);
      // Typical settings: the curve's attenuation 20 (not the identity path).
      b->SetVolume(VolumeOfAttenuation(20));
      b->Play(true);
      buffers.push_back(std::move(b));
    }
  }
};

void ReportShare(benchmark::State& state) {
  // Each iteration mixes one second of sound.
  state.counters["realtime_x"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_MixNineteenChannels(benchmark::State& state) {
  Mix mix(kSoundChannelCount);
  std::vector<std::int16_t> out(kSecondFrames * 2);
  for (auto _ : state) {
    mix.device.Render(out.data(), kSecondFrames);
    benchmark::DoNotOptimize(out.data());
  }
  ReportShare(state);
  state.SetLabel("ref:BM_CopyNineteenSecondsOfBytes");
}
BENCHMARK(BM_MixNineteenChannels)->Unit(benchmark::kMicrosecond);

void BM_MixOneChannel(benchmark::State& state) {
  Mix mix(1);
  std::vector<std::int16_t> out(kSecondFrames * 2);
  for (auto _ : state) {
    mix.device.Render(out.data(), kSecondFrames);
    benchmark::DoNotOptimize(out.data());
  }
  ReportShare(state);
}
BENCHMARK(BM_MixOneChannel)->Unit(benchmark::kMicrosecond);

// Reference: copying nineteen seconds' worth of the channels' bytes once.
void BM_CopyNineteenSecondsOfBytes(benchmark::State& state) {
  std::size_t bytes = 0;
  for (int ch = 0; ch < kSoundChannelCount; ++ch) bytes += ChannelFormat(ch).BytesPerSecond();
  std::vector<std::uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
  ReportShare(state);
}
BENCHMARK(BM_CopyNineteenSecondsOfBytes)->Unit(benchmark::kMicrosecond);

}  // namespace
