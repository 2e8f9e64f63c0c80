#include "tests/sound/sound_test_util.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace soundtest {

std::string MakeSound(const kvtest::TempDir& dir, const std::string& name, const std::string& kind,
                      const std::string& options) {
  const std::string path = dir / name;
  const std::string cmd = kvtest::ToolPath("gensound") + " " + kind + " '" + path + "' " + options;
  EXPECT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  return path;
}

std::string MakeArchive(const kvtest::TempDir& dir, const std::string& name, const std::vector<std::string>& members) {
  const std::string path = dir / name;
  std::string cmd = kvtest::ToolPath("aospack") + " '" + path + "'";
  for (const std::string& m : members) cmd += " '" + m + "'";
  EXPECT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  return path;
}

std::vector<std::uint8_t> WaveData(const std::string& path) {
  const std::string bytes = kvtest::ReadFile(path);
  std::size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + pos);
    const std::uint32_t n = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24);
    if (std::memcmp(p, "data", 4) == 0) {
      const std::size_t end = std::min<std::size_t>(bytes.size(), pos + 8 + n);
      return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                                       bytes.begin() + static_cast<std::ptrdiff_t>(end));
    }
    pos += 8 + n + (n & 1);
  }
  ADD_FAILURE() << "no data chunk in " << path;
  return {};
}

std::vector<std::uint8_t> ReferenceDecode(const std::string& path) {
  OggVorbis_File vf;
  std::vector<std::uint8_t> out;
  if (ov_fopen(path.c_str(), &vf) != 0) {
    ADD_FAILURE() << "reference decoder cannot open " << path;
    return out;
  }
  char buf[4096];
  for (;;) {
    const long n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, nullptr);
    if (n == OV_HOLE) continue;
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  ov_clear(&vf);
  return out;
}

std::int16_t SampleAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8)));
}

std::int32_t ExpectedOutput(const pl::PcmFormat& format, const std::vector<std::uint8_t>& bytes, std::size_t frame,
                            int side, bool loop) {
  const std::size_t ch = format.channels;
  const std::size_t frames = bytes.size() / (2 * ch);
  if (frames == 0) return 0;
  auto source = [&](std::size_t k) -> std::int32_t {
    if (k >= frames) {
      if (!loop) return 0;
      k %= frames;
    }
    return SampleAt(bytes, k * ch + (ch == 2 ? static_cast<std::size_t>(side) : 0));
  };
  if (format.rate == 44100) return source(frame);
  const std::size_t k = frame / 2;
  if (frame % 2 == 0) return source(k);
  return (source(k) + source(k + 1)) >> 1;
}

SoundRig::SoundRig() {
  pl::ClearMessageQueue();
  sound.SetHost(&host);
  initOk = sound.InitDirectSound(nullptr) == 1;
}

SoundRig::~SoundRig() {
  sound.ShutdownDirectSound();
  pl::ClearMessageQueue();
}

void SoundRig::CollectMessages() {
  pl::Message m;
  while (pl::PeekMessage(&m)) {
    if (m.id != CSoundSystem::kEndMessage) continue;
    EXPECT_EQ(m.lParam, 0);
    messages.push_back({static_cast<int>(pl::LoWord(m.wParam)), static_cast<std::uint16_t>(pl::HiWord(m.wParam)),
                        rendered_});
  }
}

std::vector<std::int16_t> SoundRig::Render(std::size_t frames) {
  std::vector<std::int16_t> out(frames * 2);
  pl::SoundDevice* device = sound.Device();
  EXPECT_TRUE(sound.WaitQuiescent());
  for (std::size_t at = 0; at < frames;) {
    const std::size_t n = std::min(frames - at, pl::SoundDevice::kBlockFrames);
    if (device) device->Render(out.data() + at * 2, n);
    at += n;
    rendered_ += n;
    EXPECT_TRUE(sound.WaitQuiescent());
    CollectMessages();
  }
  return out;
}

bool BufferIsSilent(CSoundChannel& c) {
  void* p1;
  void* p2;
  std::uint32_t n1, n2;
  if (!c.m_pBuffer->Lock(0, c.m_nBufferBytes, &p1, &n1, &p2, &n2)) return false;
  const auto* b = static_cast<const std::uint8_t*>(p1);
  const bool silent = std::all_of(b, b + n1, [](std::uint8_t x) { return x == 0; });
  c.m_pBuffer->Unlock(p1, n1, p2, n2);
  return silent;
}

}  // namespace soundtest
