// The software sound device on its own: what the mixer makes of a buffer,
// gains, clamping, cursors and the rules of its notifications.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/sound_device.h"
#include "tests/sound/sound_test_util.h"

namespace {

using pl::PcmFormat;
using pl::SoundBuffer;
using pl::SoundDevice;

// Writes bytes into a buffer from offset 0.
void Fill(SoundBuffer& b, const std::vector<std::uint8_t>& bytes) {
  void* p1;
  void* p2;
  std::uint32_t n1, n2;
  ASSERT_TRUE(b.Lock(0, b.Size(), &p1, &n1, &p2, &n2));
  ASSERT_EQ(n1, b.Size());
  std::memset(p1, 0, n1);
  std::memcpy(p1, bytes.data(), std::min<std::size_t>(bytes.size(), n1));
  ASSERT_TRUE(b.Unlock(p1, n1, p2, n2));
}

std::vector<std::uint8_t> Pattern(std::size_t bytes, int seed) {
  std::vector<std::uint8_t> v(bytes);
  std::uint32_t s = static_cast<std::uint32_t>(seed) * 2654435761u + 1;
  for (auto& b : v) {
    s = s * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(s >> 24);
  }
  return v;
}

std::vector<std::uint8_t> Constant(std::size_t samples, std::int16_t value) {
  std::vector<std::uint8_t> v(samples * 2);
  for (std::size_t i = 0; i < samples; ++i) {
    v[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
    v[2 * i + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  }
  return v;
}

std::vector<std::int16_t> Render(SoundDevice& d, std::size_t frames) {
  std::vector<std::int16_t> out(frames * 2);
  d.Render(out.data(), frames);
  return out;
}

// Which events of a group are set (and clears them).
std::uint32_t TakeEvents(pl::EventGroup& g) {
  std::uint32_t bits = 0;
  for (int i; (i = g.WaitAny(0xFFFFFFFFu, 0)) >= 0;) bits |= 1u << i;
  return bits;
}

struct FormatCase {
  std::uint32_t rate;
  std::uint16_t channels;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.rate << " Hz, " << c.channels << " channels"; }

class MixerConversion : public ::testing::TestWithParam<FormatCase> {};

// Every format comes out as the documented conversion says, bit for bit at
// volume 0, across the wrap of a looping buffer.
TEST_P(MixerConversion, PlaysTheDocumentedConversionAcrossTheWrap) {
  const PcmFormat f{GetParam().rate, GetParam().channels, 16};
  SoundDevice d;
  const std::uint32_t bytes = f.BlockAlign() * 3000;  // not a multiple of the mix block
  auto b = d.CreateBuffer(f, bytes);
  ASSERT_TRUE(b);
  const auto data = Pattern(bytes, static_cast<int>(f.rate + f.channels));
  Fill(*b, data);
  ASSERT_TRUE(b->Play(true));
  const std::size_t frames = 3 * 3000 * (44100 / f.rate) + 77;
  const auto out = Render(d, frames);
  for (std::size_t i = 0; i < frames; ++i)
    for (int s = 0; s < 2; ++s)
      ASSERT_EQ(out[2 * i + s], soundtest::ExpectedOutput(f, data, i, s, true)) << "frame " << i << " side " << s;
}

INSTANTIATE_TEST_SUITE_P(Formats, MixerConversion,
                         ::testing::Values(FormatCase{44100, 2}, FormatCase{44100, 1}, FormatCase{22050, 2},
                                           FormatCase{22050, 1}));

TEST(SoundDevice, OddRenderSizesKeepTheHalfFramePhase) {
  const PcmFormat f{22050, 2, 16};
  SoundDevice whole, pieces;
  auto a = whole.CreateBuffer(f, 4 * 500);
  auto b = pieces.CreateBuffer(f, 4 * 500);
  const auto data = Pattern(4 * 500, 7);
  Fill(*a, data);
  Fill(*b, data);
  a->Play(true);
  b->Play(true);
  const auto expected = Render(whole, 1001);
  std::vector<std::int16_t> got;
  for (std::size_t n : {1u, 3u, 500u, 7u, 490u}) {
    auto part = Render(pieces, n);
    got.insert(got.end(), part.begin(), part.end());
  }
  EXPECT_EQ(got, expected);
}

// Volume v (hundredths of a dB) scales by 10^(v/2000); -10000 is silence.
TEST(SoundDevice, VolumeScalesByTheDecibelCurve) {
  const PcmFormat f{44100, 2, 16};
  const std::int16_t level = 20000;
  for (std::int32_t v : {0, -1, -600, -1250, -2000, -4900, -9999, -10000}) {
    SoundDevice d;
    auto b = d.CreateBuffer(f, 4 * 1000);
    Fill(*b, Constant(2000, level));
    ASSERT_TRUE(b->SetVolume(v));
    EXPECT_EQ(b->GetVolume(), v);
    b->Play(true);
    const auto out = Render(d, 100);
    const double want = level * std::pow(10.0, v / 2000.0);
    if (v == -10000)
      EXPECT_EQ(out[50], 0);
    else
      EXPECT_NEAR(out[50], want, 1.0) << "volume " << v;
  }
}

TEST(SoundDevice, VolumeIsClampedToTheDeviceRange) {
  SoundDevice d;
  auto b = d.CreateBuffer({44100, 2, 16}, 400);
  b->SetVolume(-20000);
  EXPECT_EQ(b->GetVolume(), -10000);
  b->SetVolume(300);
  EXPECT_EQ(b->GetVolume(), 0);
}

TEST(SoundDevice, SumOfBuffersIsClamped) {
  const PcmFormat f{44100, 2, 16};
  for (std::int16_t level : {std::int16_t(30000), std::int16_t(-30000)}) {
    SoundDevice d;
    auto a = d.CreateBuffer(f, 400);
    auto b = d.CreateBuffer(f, 400);
    Fill(*a, Constant(200, level));
    Fill(*b, Constant(200, level));
    a->Play(true);
    b->Play(true);
    const auto out = Render(d, 10);
    EXPECT_EQ(out[4], level > 0 ? 32767 : -32768);
  }
}

TEST(SoundDevice, NotificationsFireAtPlayAndOnEachCrossing) {
  const PcmFormat f{44100, 2, 16};
  const std::uint32_t half = 4 * 3000;
  SoundDevice d;
  auto b = d.CreateBuffer(f, 2 * half);
  pl::EventGroup g;
  const pl::SoundNotification n[] = {{0, &g, 0}, {half, &g, 1}, {pl::kSoundNotifyAtStop, &g, 2}};
  ASSERT_TRUE(b->SetNotificationPositions(n));

  ASSERT_TRUE(b->Play(true));
  EXPECT_EQ(TakeEvents(g), 1u << 0) << "the start offset fires at Play";
  Render(d, 2999);
  EXPECT_EQ(TakeEvents(g), 0u);
  Render(d, 1);
  EXPECT_EQ(TakeEvents(g), 1u << 1) << "reaching the half fires it";
  Render(d, 2999);
  EXPECT_EQ(TakeEvents(g), 0u);
  Render(d, 1);
  EXPECT_EQ(TakeEvents(g), 1u << 0) << "coming back to 0 fires it";
  std::uint32_t play = 1, write = 0;
  ASSERT_TRUE(b->GetCurrentPosition(&play, &write));
  EXPECT_EQ(play, 0u);
  EXPECT_EQ(write, 4u);

  Render(d, 100);
  ASSERT_TRUE(b->Stop());
  EXPECT_EQ(TakeEvents(g), 1u << 2);
  EXPECT_FALSE(b->IsPlaying());
  // Nothing more once stopped, however far the mixer runs; a second Stop of
  // a stopped buffer says nothing either.
  Render(d, 10000);
  ASSERT_TRUE(b->Stop());
  EXPECT_EQ(TakeEvents(g), 0u);
  // Play from where it stopped fires only an offset that is there.
  ASSERT_TRUE(b->Play(true));
  EXPECT_EQ(TakeEvents(g), 0u);
}

TEST(SoundDevice, BufferPlayedOnceStopsAtItsEnd) {
  const PcmFormat f{22050, 1, 16};
  SoundDevice d;
  auto b = d.CreateBuffer(f, 2 * 1000);
  Fill(*b, Constant(1000, 1234));
  pl::EventGroup g;
  const pl::SoundNotification n[] = {{0, &g, 0}, {1000, &g, 1}, {pl::kSoundNotifyAtStop, &g, 2}};
  ASSERT_TRUE(b->SetNotificationPositions(n));
  b->Play(false);
  EXPECT_EQ(TakeEvents(g), 1u << 0);
  const auto out = Render(d, 2100);
  EXPECT_FALSE(b->IsPlaying());
  EXPECT_EQ(TakeEvents(g), (1u << 1) | (1u << 2)) << "the half, then the stop; not offset 0 again";
  EXPECT_EQ(out[2 * 1998], 1234);
  EXPECT_EQ(out[2 * 1999], 1234 / 2) << "the frame after the last is silence";
  EXPECT_EQ(out[2 * 2000], 0);
}

TEST(SoundDevice, LockHandsOutWrappingRegionsAndRefusesOthers) {
  SoundDevice d;
  auto b = d.CreateBuffer({44100, 2, 16}, 400);
  void* p1;
  void* p2;
  std::uint32_t n1, n2;
  ASSERT_TRUE(b->Lock(392, 16, &p1, &n1, &p2, &n2));
  EXPECT_EQ(n1, 8u);
  EXPECT_EQ(n2, 8u);
  EXPECT_NE(p2, nullptr);
  std::memset(p1, 0x11, n1);
  std::memset(p2, 0x22, n2);
  ASSERT_TRUE(b->Unlock(p1, n1, p2, n2));
  b->Play(true);
  const auto out = Render(d, 100);
  EXPECT_EQ(out[0], 0x2222);
  EXPECT_EQ(out[2 * 98], 0x1111);

  EXPECT_FALSE(b->Lock(400, 4, &p1, &n1, &p2, &n2));
  EXPECT_FALSE(b->Lock(0, 401, &p1, &n1, &p2, &n2));
  EXPECT_FALSE(b->Lock(0, 0, &p1, &n1, &p2, &n2));
  EXPECT_FALSE(b->Lock(392, 16, &p1, &n1, nullptr, nullptr)) << "a wrapping region needs its second part";
  int outside = 0;
  EXPECT_FALSE(b->Unlock(&outside, 4, nullptr, 0));
}

TEST(SoundDevice, CreateBufferRefusesWhatItCannotMix) {
  SoundDevice d;
  EXPECT_FALSE(d.CreateBuffer({48000, 2, 16}, 4000));
  EXPECT_FALSE(d.CreateBuffer({44100, 6, 16}, 4800));
  EXPECT_FALSE(d.CreateBuffer({44100, 2, 8}, 4000));
  EXPECT_FALSE(d.CreateBuffer({44100, 2, 16}, 0));
  EXPECT_FALSE(d.CreateBuffer({44100, 2, 16}, 402));
  EXPECT_TRUE(d.CreateBuffer({22050, 1, 16}, 2));
}

TEST(SoundDevice, NotificationsAreSetOnlyWhileStoppedAndInside) {
  SoundDevice d;
  auto b = d.CreateBuffer({44100, 2, 16}, 400);
  pl::EventGroup g;
  const pl::SoundNotification outside[] = {{400, &g, 0}};
  EXPECT_FALSE(b->SetNotificationPositions(outside));
  const pl::SoundNotification noGroup[] = {{0, nullptr, 0}};
  EXPECT_FALSE(b->SetNotificationPositions(noGroup));
  const pl::SoundNotification ok[] = {{200, &g, 3}};
  EXPECT_TRUE(b->SetNotificationPositions(ok));
  b->Play(true);
  EXPECT_FALSE(b->SetNotificationPositions(ok));
}

TEST(SoundDevice, BufferAndDeviceMayGoInEitherOrder) {
  auto d = std::make_unique<SoundDevice>();
  auto b = d->CreateBuffer({44100, 2, 16}, 400);
  b->Play(true);
  d.reset();
  EXPECT_FALSE(b->IsPlaying());
  EXPECT_FALSE(b->Play(true));
  b.reset();

  SoundDevice d2;
  auto c = d2.CreateBuffer({44100, 2, 16}, 400);
  c->Play(true);
  c.reset();
  const auto out = Render(d2, 10);
  EXPECT_EQ(out[0], 0);
}

// The installed backend chooses the output: none without a backend, none
// when the fake is told to fail, else the fake's device that nobody pulls.
TEST(SoundDevice, TheBackendChoosesTheOutput) {
  EXPECT_EQ(pl::CreateSoundDevice(), nullptr);
  pl::FakeBackend fake;
  fake.failSoundDevice = true;
  EXPECT_EQ(pl::CreateSoundDevice(), nullptr);
  fake.failSoundDevice = false;
  auto d = pl::CreateSoundDevice();
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(d->HasOutput());
}

}  // namespace
