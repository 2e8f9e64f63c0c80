// Helpers of the sound tests: fixtures made with the project's tools, the
// samples they hold, a reference decode through libvorbisfile, and a rig
// that runs the sound system on the manual device.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake_backend.h"
#include "platform/messages.h"
#include "platform/sound_device.h"
#include "sound/sound_system.h"
#include "tests/support/test_support.h"

namespace soundtest {

// Runs gensound ("wav" or "ogg") into dir/name with the given options;
// fails the test when the tool fails. Returns the path.
std::string MakeSound(const kvtest::TempDir& dir, const std::string& name, const std::string& kind,
                      const std::string& options);
// Runs aospack: OUT.AOS from NAME=FILE members. Returns the path.
std::string MakeArchive(const kvtest::TempDir& dir, const std::string& name, const std::vector<std::string>& members);

// The bytes of the first "data" chunk of a wave file as written by gensound.
std::vector<std::uint8_t> WaveData(const std::string& path);
// The whole stream decoded by libvorbisfile directly (16-bit little-endian).
std::vector<std::uint8_t> ReferenceDecode(const std::string& path);

std::int16_t SampleAt(const std::vector<std::uint8_t>& bytes, std::size_t index);

// What the mixer makes of a source in `format` (bytes from the first frame)
// played at volume 0: output frame i, side s. The conversion is the one the
// device documents: 22050 Hz frames are doubled with the midpoint, mono
// feeds both sides. Beyond the data (played once) it is silence; `loop`
// repeats the data.
std::int32_t ExpectedOutput(const pl::PcmFormat& format, const std::vector<std::uint8_t>& bytes, std::size_t frame,
                            int side, bool loop);

// Host whose volumes a test sets.
struct TestHost : ISoundHost {
  int volume[kSoundChannelCount] = {};
  int opened[kSoundChannelCount] = {};
  int voiceResets = 0;
  int KindVolume(int ch) override { return volume[ch]; }
  int OpenVolume(int ch) override { return volume[ch]; }
  void OnChannelOpened(int ch) override { ++opened[ch]; }
  void ResetVoiceAnimations() override { ++voiceResets; }
};

struct EndMessage {
  int channel;
  std::uint16_t generation;
  std::uint64_t frame;  // frames rendered when it was seen
};

// The sound system on the manual device, under the fake backend (boxes
// recorded, sleeps instant). Rendering goes block by block and waits after
// each until the channel threads have handled what the block signalled, so
// every refill happens at a known cursor position.
class SoundRig {
 public:
  SoundRig();
  ~SoundRig();

  pl::FakeBackend backend;
  TestHost host;
  CSoundSystem sound;
  bool initOk = false;

  // Renders `frames` output frames and returns them (interleaved stereo);
  // end messages seen on the way are collected with the frame count.
  std::vector<std::int16_t> Render(std::size_t frames);
  std::uint64_t FramesRendered() const { return rendered_; }
  // End messages posted so far (taken from the queue).
  std::vector<EndMessage> messages;
  void CollectMessages();

 private:
  std::uint64_t rendered_ = 0;
};

// Whether the whole buffer, as the channel would next play it, is silence.
bool BufferIsSilent(CSoundChannel& c);

}  // namespace soundtest
