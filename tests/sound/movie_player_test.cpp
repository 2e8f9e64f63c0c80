// The movie players on movies made by movie_gen: what opening reports, the
// frame drawn for a stream time, pausing and resuming, the end of a movie
// with and without looping, files that cannot be played, the volume and
// the sound that reaches the device, the player's thread, and the AVI
// played over the main window.
#include "sound/movie_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/app_base.h"
#include "framework/ddraw.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "platform/backend.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/messages.h"
#include "platform/movie.h"
#include "platform/sound_device.h"
#include "platform/text.h"
#include "sound/sound_system.h"
#include "tests/support/test_support.h"

namespace {

struct FrameColours {
  std::uint32_t upper, lower;  // 0xRRGGBB
};
// Frame i of every fixture: the upper half and the lower half.
constexpr FrameColours kFrames[10] = {
    {0xFF0000, 0x0000FF}, {0x00FF00, 0xFF00FF}, {0x0000FF, 0xFFFF00}, {0xFFFF00, 0x00FFFF},
    {0x00FFFF, 0xFF0000}, {0xFF00FF, 0x00FF00}, {0xFFFFFF, 0x000000}, {0x808080, 0xFFFFFF},
    {0x000000, 0x808080}, {0x404040, 0xC0C0C0},
};

std::string ColourList() {
  std::string s;
  for (const FrameColours& c : kFrames) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%06x/%06x", s.empty() ? "" : ",", c.upper, c.lower);
    s += buf;
  }
  return s;
}

// Largest difference of the three colour channels.
int ColourDistance(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int shift : {0, 8, 16}) {
    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return d;
}

// Polls (in real time) until the condition holds; false after 10 s.
bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

class MovieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pl::ClearMessageQueue();
    pl::SetProgramFolder(dir.path());
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    app.m_pDDraw = &dd;
    SetApp(&app);
    SetMovieSoundSettings({&bgm, &bgmVolume});
  }

  void TearDown() override {
    SetMovieSoundSettings({});
    SetApp(nullptr);
    SetSoundSystem(nullptr);
    sound.ShutdownDirectSound();
    pl::ClearMessageQueue();
  }

  // Runs movie_gen into the program folder; returns the game path.
  std::string Make(const std::string& name, const std::string& options) {
    const std::string cmd = kvtest::ToolPath("movie_gen") + " '" + (dir / name) + "' " + options;
    EXPECT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
    return "K:\\" + name;
  }
  std::string MakeColoured(const std::string& name, const std::string& options) {
    return Make(name, "--colours " + ColourList() + " " + options);
  }

  // The player's thread started and parked: the test runs the passes.
  void StartParked(CDirectShow& p) {
    ASSERT_EQ(p.StartThread(nullptr), 0);
    p.SetThreadRunning(0);
  }

  std::uint32_t SurfaceAt(int x, int y) {
    ReleaseScopedLock lock(dd.Lock());
    const MovieSurface& s = dd.Surface();
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return 0xDEADBEEF;
    return s.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) + static_cast<std::size_t>(x)] &
           0xFFFFFFu;
  }

  // The surface shows frame i: upper and lower halves, sampled away from
  // the border between them.
  void ExpectFrame(int i, int w, int h, int tolerance, const std::string& where) {
    const FrameColours& c = kFrames[i];
    for (int x : {0, w / 2, w - 1}) {
      EXPECT_LE(ColourDistance(SurfaceAt(x, 1), c.upper), tolerance) << where << " frame " << i << " x " << x;
      EXPECT_LE(ColourDistance(SurfaceAt(x, h - 2), c.lower), tolerance) << where << " frame " << i << " x " << x;
    }
  }

  void Advance(std::uint32_t ms) { fake.manualClock().Advance(ms); }

  std::string LastBox() const { return fake.boxes.empty() ? std::string() : fake.boxes.back().text; }

  pl::FakeBackend fake;
  kvtest::TempDir dir;
  CSoundSystem sound;
  CAppBase app;
  CDDraw dd;
  std::int32_t bgm = 1, bgmVolume = 0;
};

// ---------------------------------------------------------------- opening

TEST_F(MovieTest, OpenTellsSizeLengthFrameTimeAndSound) {
  struct Case {
    const char* name;
    const char* options;
    int width, height, fps, frames;
    bool audio;
  };
  const Case cases[] = {
      {"png.avi", "--codec png --size 64x48 --fps 10 --frames 10 --tone 440", 64, 48, 10, 10, true},
      {"raw.avi", "--codec raw --size 40x30 --fps 20 --frames 10", 40, 30, 20, 10, false},
      {"ffv1.mkv", "--codec ffv1 --size 32x32 --fps 10 --frames 5 --tone 300", 32, 32, 10, 5, true},
      {"mpeg1.mpg", "--codec mpeg1 --size 64x48 --fps 25 --frames 25 --tone 440 --audio-codec mp2", 64, 48, 25, 25,
       true},
      {"full.avi", "--codec png --size 1024x600 --fps 10 --frames 2", 1024, 600, 10, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDirectShow p;
    StartParked(p);
    const std::string path = Make(c.name, c.options);
    ASSERT_EQ(p.Open(path.c_str()), 0);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(p.IsOpen(), 1);
    EXPECT_EQ(p.GetWidth(), c.width);
    EXPECT_EQ(p.GetHeight(), c.height);
    EXPECT_EQ(p.IsFullSize(), c.width >= 1024 && c.height >= 600 ? 1 : 0);
    EXPECT_EQ(p.HasAudio(), c.audio ? 1 : 0);
    EXPECT_EQ(p.IsSampleReady(), 1);
    EXPECT_EQ(*p.GetShowFlagPtr(), 1);
    EXPECT_EQ(p.GetFrameTime(), 10000000 / c.fps);
    const int frameMs = 1000 / c.fps;
    EXPECT_NEAR(p.GetDurationMs(), c.frames * frameMs, frameMs) << "duration";
    // The display device's surface was made for the picture.
    EXPECT_EQ(dd.Surface().width, c.width);
    EXPECT_EQ(dd.Surface().height, c.height);
    p.SetPos(5, 7);
    pl::Rect r;
    p.GetRect(&r);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.right, 5 + c.width);
    EXPECT_EQ(r.bottom, 7 + c.height);
    p.Close();
    EXPECT_EQ(p.IsOpen(), 0);
    EXPECT_EQ(*p.GetShowFlagPtr(), 0);
    EXPECT_EQ(p.GetTimeMs(), -1);
  }
}

TEST_F(MovieTest, ASoundOnlyMoviePlaysAndEndsByItsLength) {
  CDirectShow p;
  StartParked(p);
  const std::string path = Make("tone.mkv", "--no-video --tone 440 --audio-seconds 0.5");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  EXPECT_EQ(p.IsSampleReady(), 0);
  EXPECT_EQ(*p.GetShowFlagPtr(), 0);
  EXPECT_EQ(p.HasAudio(), 1);
  ASSERT_EQ(p.Play(), 0);
  EXPECT_EQ(p.GetFrame(), 0);  // no frame time: frame 0 throughout
  Advance(300);
  p.Update();
  EXPECT_EQ(p.IsRunning(), 1);
  Advance(300);
  p.Update();
  EXPECT_EQ(p.IsPaused(), 1);
  EXPECT_EQ(p.IsRunning(), 0);
}

// ---------------------------------------------------------------- frames

TEST_F(MovieTest, TheFrameDueAtTheStreamTimeIsDrawnTopRowFirst) {
  struct Codec {
    const char* name;
    const char* options;
    int tolerance;
  };
  const Codec codecs[] = {
      {"png.avi", "--codec png", 0},
      {"raw.avi", "--codec raw", 0},
      {"ffv1.mkv", "--codec ffv1", 0},
      {"mpeg4.avi", "--codec mpeg4", 16},  // key frames every 4: seeking decodes from one
  };
  // Times in ms after Play, in the order they are visited; 10 frames a second.
  struct When {
    int ms;
    bool seek;  // by SeekMs, else by the clock running on
  };
  const When times[] = {{0, false}, {99, false}, {100, false}, {450, false}, {999, false},
                        {300, true}, {0, true},   {730, true},  {200, true},  {250, false}};
  for (const Codec& c : codecs) {
    SCOPED_TRACE(c.name);
    CDirectShow p;
    StartParked(p);
    const std::string path = MakeColoured(c.name, std::string(c.options) + " --size 64x48 --fps 10 --frames 10");
    ASSERT_EQ(p.Open(path.c_str()), 0);
    ASSERT_EQ(p.Play(), 0);
    int now = 0, shown = -1;
    for (const When& t : times) {
      const std::string where = std::to_string(t.ms) + (t.seek ? " ms by seek" : " ms");
      if (t.seek) {
        ASSERT_EQ(p.SeekMs(t.ms), 0);
        EXPECT_EQ(p.IsRunning(), 1) << where;  // a running movie runs on after the seek
      } else {
        Advance(static_cast<std::uint32_t>(t.ms - now));
      }
      now = t.ms;
      const std::uint64_t before = p.FramesDrawn();
      p.Update();
      EXPECT_EQ(p.GetTimeMs(), t.ms) << where;
      EXPECT_EQ(p.GetFrame(), t.ms / 100) << where;
      ExpectFrame(t.ms / 100, 64, 48, c.tolerance, where);
      // A seek always draws; the clock running on draws only another frame.
      const bool fresh = t.seek || t.ms / 100 != shown;
      EXPECT_EQ(p.FramesDrawn(), before + (fresh ? 1 : 0)) << where;
      shown = t.ms / 100;
    }
    // Nothing new is due: the pass draws nothing.
    const std::uint64_t drawn = p.FramesDrawn();
    Advance(10);
    p.Update();
    EXPECT_EQ(p.FramesDrawn(), drawn);
  }
}

TEST_F(MovieTest, AFrameIsStretchedToASurfaceOfAnotherSize) {
  CDirectShow p;
  StartParked(p);
  const std::string path = MakeColoured("png.avi", "--codec png --size 64x48 --fps 10 --frames 10");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  // The surface is remade larger behind the player's back (the confirmation
  // box copies whatever the device holds).
  ASSERT_EQ(dd.CreateMovieSurface(128, 96), 1);
  ASSERT_EQ(p.Play(), 0);
  Advance(200);
  p.Update();
  ExpectFrame(2, 128, 96, 0, "stretched");
}

// ---------------------------------------------------------------- pause, end

TEST_F(MovieTest, PauseSetsTheCountToOneAndOneResumeGoesOn) {
  CDirectShow p;
  StartParked(p);
  const std::string path = MakeColoured("png.avi", "--codec png --fps 10 --frames 10");
  EXPECT_EQ(p.Pause(), -1);  // nothing open
  EXPECT_EQ(p.Resume(), -1);
  ASSERT_EQ(p.Open(path.c_str()), 0);
  EXPECT_EQ(p.Pause(), -1);  // open but not running
  ASSERT_EQ(p.Play(), 0);
  EXPECT_EQ(p.Resume(), 0);  // not paused: nothing to do
  EXPECT_EQ(p.GetPauseCount(), 0);
  Advance(250);
  p.Update();
  ExpectFrame(2, 64, 48, 0, "before the pause");

  EXPECT_EQ(p.Pause(), 0);
  EXPECT_EQ(p.GetPauseCount(), 1);
  EXPECT_EQ(p.Pause(), -1);  // already stopped: the count stays 1
  EXPECT_EQ(p.GetPauseCount(), 1);
  EXPECT_EQ(p.IsPaused(), 1);
  EXPECT_EQ(p.IsRunning(), 0);
  Advance(500);
  EXPECT_EQ(p.GetTimeMs(), 250);  // time stands still
  const std::uint64_t drawn = p.FramesDrawn();
  p.Update();
  EXPECT_EQ(p.FramesDrawn(), drawn);  // a paused movie draws nothing
  ExpectFrame(2, 64, 48, 0, "while paused");

  EXPECT_EQ(p.Resume(), 0);
  EXPECT_EQ(p.GetPauseCount(), 0);
  EXPECT_EQ(p.IsRunning(), 1);
  EXPECT_EQ(p.GetTimeMs(), 250);
  Advance(100);
  p.Update();
  EXPECT_EQ(p.GetTimeMs(), 350);
  ExpectFrame(3, 64, 48, 0, "after the resume");
}

TEST_F(MovieTest, AtTheEndAMoviePausesUnlessItLoops) {
  for (int loop : {0, 1}) {
    SCOPED_TRACE(loop ? "looping" : "once");
    CDirectShow p;
    StartParked(p);
    const std::string path = MakeColoured("end.avi", "--codec png --fps 10 --frames 10");
    ASSERT_EQ(p.Open(path.c_str()), 0);
    EXPECT_EQ(p.SetLoop(loop), loop == 0 ? 1 : 0);
    EXPECT_EQ(p.SetLoop(loop), 1);
    EXPECT_EQ(p.GetLoop(), loop);
    ASSERT_EQ(p.Play(), 0);
    Advance(950);
    p.Update();
    ExpectFrame(9, 64, 48, 0, "last frame");
    EXPECT_EQ(p.IsRunning(), 1);
    Advance(100);  // past the last frame's time
    p.Update();
    if (loop == 0) {
      EXPECT_EQ(p.IsPaused(), 1);
      EXPECT_EQ(p.IsRunning(), 0);
      Advance(500);
      p.Update();
      EXPECT_EQ(p.IsPaused(), 1);
      ExpectFrame(9, 64, 48, 0, "stays on the last frame");
    } else {
      EXPECT_EQ(p.IsPaused(), 0);
      EXPECT_EQ(p.IsRunning(), 1);
      EXPECT_EQ(p.GetTimeMs(), 0);
      p.Update();
      ExpectFrame(0, 64, 48, 0, "again from the start");
      Advance(420);
      p.Update();
      ExpectFrame(4, 64, 48, 0, "second round");
    }
  }
}

TEST_F(MovieTest, StopPausesAndGivesTheThreadBack) {
  CDirectShow p;
  ASSERT_EQ(p.StartThread(nullptr), 0);
  const std::string path = MakeColoured("png.avi", "--codec png --fps 10 --frames 10");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  ASSERT_EQ(p.Play(), 0);
  ASSERT_EQ(p.IsRunWanted(), 1);
  p.Stop();
  EXPECT_EQ(p.IsPaused(), 1);
  EXPECT_EQ(p.IsRunning(), 0);
  EXPECT_EQ(p.IsRunWanted(), 1);  // wanted before, wanted after
  p.SetThreadRunning(0);
  p.Stop();
  EXPECT_EQ(p.IsRunWanted(), 0);  // a parked thread stays parked
  p.StopThread();
}

// ---------------------------------------------------------------- failures

TEST_F(MovieTest, FilesThatCannotBePlayedGiveTheirMessageAndLeaveThePlayerClosed) {
  const std::string good = MakeColoured("good.avi", "--codec png --fps 10 --frames 10");
  const std::string bytes = kvtest::ReadFile(dir / "good.avi");
  ASSERT_GT(bytes.size(), 1000u);
  std::string garbage(4096, '\0');
  std::uint32_t s = 12345;
  for (char& ch : garbage) {
    s = s * 1664525u + 1013904223u;
    ch = static_cast<char>(s >> 24);
  }
  std::string unknownCodec = bytes;
  for (std::size_t at; (at = unknownCodec.find("MPNG")) != std::string::npos;) unknownCodec.replace(at, 4, "ZZZZ");

  const std::string readError = SJ("ムービーの読み込みエラーです。\n");
  const std::string formatError = SJ("ムービーの初期化エラーです。\nm_pDDStream->GetFormat()\nドライバを最新の物に更新してください。");
  struct Case {
    const char* name;
    const std::string* content;  // null: no such file
    bool withPathMessage;        // the read error with the path; else the format error
  };
  const std::string empty;
  const std::string header = bytes.substr(0, 64);
  const Case cases[] = {
      {"missing.avi", nullptr, true},         {"empty.avi", &empty, true},
      {"garbage.avi", &garbage, true},        {"header.avi", &header, true},
      {"unknown.avi", &unknownCodec, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.content) {
      ASSERT_TRUE(kvtest::WriteFile(dir / c.name, *c.content));
    }
    CDirectShow p;
    StartParked(p);
    // A movie that played before is closed by the failed open.
    ASSERT_EQ(p.Open(good.c_str()), 0);
    ASSERT_EQ(p.Play(), 0);
    fake.boxes.clear();
    const std::string path = std::string("K:\\") + c.name;
    EXPECT_EQ(p.Open(path.c_str()), -1);
    ASSERT_EQ(fake.boxes.size(), 1u);
    // The path as it is on the disk, not the game's own form of it.
    EXPECT_EQ(LastBox(), c.withPathMessage ? readError + pl::Utf8ToCp932(dir / c.name) : formatError);
    EXPECT_EQ(fake.boxes.back().caption, "KIV");
    EXPECT_EQ(p.IsOpen(), 0);
    EXPECT_EQ(p.IsSampleReady(), 0);
    EXPECT_EQ(*p.GetShowFlagPtr(), 0);
    EXPECT_EQ(p.HasAudio(), 0);
    EXPECT_EQ(p.Play(), -1);
    EXPECT_EQ(p.SeekMs(100), -1);
    EXPECT_EQ(p.GetTimeMs(), -1);
    EXPECT_EQ(p.GetFrame(), -1);
    EXPECT_EQ(p.GetDurationMs(), -1);
    p.Update();
    EXPECT_EQ(p.IsRunning(), 0);
  }
}

TEST_F(MovieTest, WithoutTheDisplayDeviceOrAPathNothingOpens) {
  CDirectShow p;  // never started: it has no display device
  const std::string path = MakeColoured("png.avi", "--codec png");
  EXPECT_EQ(p.Open(nullptr), -1);
  EXPECT_EQ(p.Open(""), -1);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(p.Open(path.c_str()), -1);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(LastBox(), SJ("DirectDrawオブジェクト作成に失敗しています。\nムービー再生を中止します。"));
  EXPECT_EQ(p.IsOpen(), 0);
}

TEST_F(MovieTest, WithoutASoundDeviceTheMovieSaysSoAndPlaysSilent) {
  SetSoundSystem(nullptr);
  CDirectShow p;
  StartParked(p);
  const std::string path = MakeColoured("png.avi", "--codec png --tone 440");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(LastBox(), SJ("ムービーの初期化エラーです。\nm_pAMMultiMediaStream->AddMediaStream( &MSPID_PrimaryAudio )\n"
                          "ドライバを最新の物に更新してください。"));
  EXPECT_EQ(p.HasAudio(), 0);
  ASSERT_EQ(p.Play(), 0);
  Advance(300);
  p.Update();
  ExpectFrame(3, 64, 48, 0, "silent movie");
}

TEST_F(MovieTest, ACutFilePlaysWhatItHasAndEnds) {
  MakeColoured("whole.avi", "--codec png --fps 10 --frames 10 --tone 440");
  const std::string bytes = kvtest::ReadFile(dir / "whole.avi");
  ASSERT_TRUE(kvtest::WriteFile(dir / "cut.avi", bytes.substr(0, bytes.size() / 2)));
  CDirectShow p;
  StartParked(p);
  ASSERT_EQ(p.Open("K:\\cut.avi"), 0);
  ASSERT_EQ(p.Play(), 0);
  int passes = 0;
  for (; passes < 40 && !p.IsPaused(); ++passes) {
    p.Update();
    Advance(100);
  }
  EXPECT_EQ(p.IsPaused(), 1) << "no end after " << passes << " passes";
  EXPECT_GE(p.FramesDrawn(), 1u);
  EXPECT_LT(p.FramesDrawn(), 10u);
}

// ---------------------------------------------------------------- sound

TEST_F(MovieTest, VolumeFollowsTheCurveAndTheMusicSwitch) {
  CDirectShow p;
  StartParked(p);
  const std::string path = MakeColoured("png.avi", "--codec png --tone 440");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  struct Case {
    int attenuation;
    std::int32_t volume;
  };
  const Case curve[] = {{0, 0}, {1, 0}, {10, -50}, {50, -1250}, {99, -4900}, {100, -10000}};
  for (const Case& c : curve) {
    EXPECT_EQ(p.SetVolume(c.attenuation), 0) << c.attenuation;
    EXPECT_EQ(p.GetVolume(), c.attenuation);
    EXPECT_EQ(p.GetDeviceVolume(), c.volume) << c.attenuation;
  }
  // Play applies the stored volume while music is on...
  ASSERT_EQ(p.SetVolume(50), 0);
  ASSERT_EQ(p.Play(), 0);
  EXPECT_EQ(p.GetDeviceVolume(), -1250);
  // ...and silences the movie while it is off; a volume is then only stored.
  bgm = 0;
  ASSERT_EQ(p.Play(), 0);
  EXPECT_EQ(p.GetDeviceVolume(), -10000);
  EXPECT_EQ(p.SetVolume(20), 0);
  EXPECT_EQ(p.GetVolume(), 20);
  EXPECT_EQ(p.GetDeviceVolume(), -10000);

  // A movie without sound stores the volume and says so.
  const std::string mute = MakeColoured("mute.avi", "--codec png");
  ASSERT_EQ(p.Open(mute.c_str()), 0);
  EXPECT_EQ(p.HasAudio(), 0);
  EXPECT_EQ(p.SetVolume(70), -1);
  EXPECT_EQ(p.GetVolume(), 70);
}

TEST_F(MovieTest, TheSoundReachesTheDeviceAtTheMusicVolume) {
  const std::string path = Make("tone.avi", "--codec png --tone 440 --frames 10 --fps 10");
  struct Case {
    std::int32_t bgmOn;
    std::int32_t attenuation;
  };
  const Case cases[] = {{1, 0}, {1, 50}, {0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("switch " + std::to_string(c.bgmOn) + " attenuation " + std::to_string(c.attenuation));
    bgm = c.bgmOn;
    bgmVolume = c.attenuation;
    CDirectShow p;
    StartParked(p);  // takes the music volume
    EXPECT_EQ(p.GetVolume(), c.attenuation);
    ASSERT_EQ(p.Open(path.c_str()), 0);
    ASSERT_EQ(p.Play(), 0);
    // A tenth of a second: within the half written when the play started.
    std::vector<std::int16_t> out(4410 * 2);
    sound.Device()->Render(out.data(), 4410);
    int peak = 0;
    for (std::int16_t v : out) peak = std::max(peak, std::abs(static_cast<int>(v)));
    // The tone is written at half scale (16384).
    const std::int32_t volume = c.bgmOn ? -(c.attenuation * c.attenuation) / 2 : -10000;
    const double expected = 16384.0 * pl::SoundGainOf(volume) / 65536.0;
    EXPECT_NEAR(peak, expected, expected * 0.02 + 2);
    p.Close();
  }
}

TEST_F(MovieTest, MoviesOneAfterAnotherAndSideBySideAreFedToTheEndOfTheirSound) {
  // A tone of 0.4 s in a movie of 1 s. The device's buffer holds half a
  // second and only its first half is written when the play starts: the
  // rest of the tone and the silence after it are written while it plays,
  // as the cursor leaves each half. Had nobody written them, the second
  // half would stay silent and the first would sound its tone again.
  const std::string path = Make("tone.avi", "--codec png --tone 440 --frames 10 --fps 10 --audio-seconds 0.4");
  constexpr std::size_t kBlock = 2205;  // 50 ms
  const auto peaksOfPlay = [&](int movies) {
    std::vector<CDirectShow> players(static_cast<std::size_t>(movies));
    for (CDirectShow& p : players) {
      StartParked(p);
      EXPECT_EQ(p.Open(path.c_str()), 0);
      EXPECT_EQ(p.HasAudio(), 1);
    }
    for (CDirectShow& p : players) EXPECT_EQ(p.Play(), 0);
    std::vector<int> peaks;
    std::vector<std::int16_t> out(kBlock * 2);
    for (int block = 0; block < 15; ++block) {
      // Time for the writes: at the start the second half, after the
      // crossing at 0.25 s the first.
      if (block == 0 || block == 6) std::this_thread::sleep_for(std::chrono::milliseconds(200));
      sound.Device()->Render(out.data(), kBlock);
      int peak = 0;
      for (std::int16_t v : out) peak = std::max(peak, std::abs(static_cast<int>(v)));
      peaks.push_back(peak);
    }
    for (CDirectShow& p : players) p.Close();
    return peaks;
  };
  // A movie after a closed one is fed by the thread that fed the closed
  // one; two at once each have a thread of their own.
  for (const int movies : {1, 1, 1, 2}) {
    SCOPED_TRACE(std::to_string(movies) + " at once");
    const std::vector<int> peaks = peaksOfPlay(movies);
    const int level = std::min(16384 * movies, 32767);  // the tone is at half scale; the mix clamps
    for (int block = 0; block < 8; ++block) EXPECT_NEAR(peaks[block], level, level * 0.02 + 2) << "block " << block;
    // The block that holds the tone's end may keep a few samples of it.
    for (int block = 9; block < 15; ++block) EXPECT_EQ(peaks[block], 0) << "block " << block;
  }
}

TEST_F(MovieTest, ASoundOfAnImpossibleRateStaysSilentAndThePictureGoesOn) {
  MakeColoured("tone.avi", "--codec png --tone 440 --rate 22050 --channels 1 --frames 10 --fps 10");
  std::string bytes = kvtest::ReadFile(dir / "tone.avi");
  // The sound stream's format: the rate follows the format tag and the
  // channel count in the "strf" chunk after "auds".
  const std::size_t auds = bytes.find("auds");
  ASSERT_NE(auds, std::string::npos);
  const std::size_t strf = bytes.find("strf", auds);
  ASSERT_NE(strf, std::string::npos);
  const std::size_t rate = strf + 8 + 4;
  ASSERT_EQ(static_cast<unsigned char>(bytes[rate]) | static_cast<unsigned char>(bytes[rate + 1]) << 8, 22050);
  const struct {
    const char* what;
    std::uint32_t rate;
  } cases[] = {{"67 MHz", 67152964u}, {"500 kHz", 500000u}, {"10 Hz", 10u}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (int k = 0; k < 4; ++k) bytes[rate + k] = static_cast<char>((c.rate >> (8 * k)) & 0xFF);
    ASSERT_TRUE(kvtest::WriteFile(dir / "odd.avi", bytes));
    CDirectShow p;
    StartParked(p);
    ASSERT_EQ(p.Open("K:\\odd.avi"), 0);
    ASSERT_EQ(p.Play(), 0);
    std::vector<std::int16_t> out(4410 * 2);
    sound.Device()->Render(out.data(), 4410);
    int peak = 0;
    for (std::int16_t v : out) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_EQ(peak, 0) << "nothing of the sound is played";
    Advance(300);
    p.Update();
    ExpectFrame(3, 64, 48, 0, "the picture");
    p.Close();
  }
}

// ---------------------------------------------------------------- thread

TEST_F(MovieTest, TheThreadDrawsFramesWhileWantedAndNothingWhileParked) {
  // Handing the thread over waits out a pass in 1-ms sleeps, which move the
  // test's clock on by as much as the pass takes in real time: each step
  // below starts the movie afresh after such a hand-over.
  CDirectShow p;
  ASSERT_EQ(p.StartThread(nullptr), 0);
  const std::string path = MakeColoured("png.avi", "--codec png --fps 10 --frames 10 --size 64x48");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  p.SetThreadRunning(1);
  ASSERT_EQ(p.Play(), 0);
  ASSERT_TRUE(WaitUntil([&] { return p.FramesDrawn() >= 1 && SurfaceAt(0, 1) == kFrames[0].upper; }));
  ExpectFrame(0, 64, 48, 0, "first pass");
  Advance(500);
  ASSERT_TRUE(WaitUntil([&] { return SurfaceAt(0, 1) == kFrames[5].upper; }));
  ExpectFrame(5, 64, 48, 0, "later pass");

  p.SetThreadRunning(0);
  EXPECT_EQ(p.IsBusy(), 0);
  const std::uint64_t drawn = p.FramesDrawn();
  const std::uint32_t shown = SurfaceAt(0, 1);
  ASSERT_EQ(p.Play(), 0);  // a frame is due at once, but nobody draws it
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(p.FramesDrawn(), drawn);
  EXPECT_EQ(SurfaceAt(0, 1), shown);

  p.SetThreadRunning(1);
  ASSERT_EQ(p.Play(), 0);
  Advance(300);
  ASSERT_TRUE(WaitUntil([&] { return p.FramesDrawn() > drawn && SurfaceAt(0, 1) == kFrames[3].upper; }));
  p.Close();
  p.StopThread();
}

TEST_F(MovieTest, ALoopRestartsOnTheThreadAtTheVolumeItPlaysAt) {
  // The settings words are the main thread's: while the thread loops the
  // movie, the settings change them, and the loop keeps the movie's volume.
  CDirectShow p;
  ASSERT_EQ(p.StartThread(nullptr), 0);
  const std::string path = MakeColoured("loop.avi", "--codec png --fps 10 --frames 3 --size 64x48 --tone 440");
  ASSERT_EQ(p.Open(path.c_str()), 0);
  p.SetLoop(1);
  ASSERT_EQ(p.SetVolume(50), 0);
  p.SetThreadRunning(1);
  ASSERT_EQ(p.Play(), 0);
  const std::int32_t playing = p.GetDeviceVolume();
  EXPECT_EQ(playing, -1250);
  for (int round = 0; round < 3; ++round) {
    Advance(250);
    ASSERT_TRUE(WaitUntil([&] { return SurfaceAt(0, 1) == kFrames[2].upper; })) << round;
    for (int i = 1; i <= 20; ++i) {
      bgm = i % 2;  // ends switched off
      bgmVolume = i * 5;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Advance(150);  // past the end: the thread starts it again
    ASSERT_TRUE(WaitUntil([&] { return SurfaceAt(0, 1) == kFrames[0].upper; })) << round;
  }
  EXPECT_EQ(p.IsRunning(), 1);
  EXPECT_EQ(p.IsPaused(), 0);
  EXPECT_EQ(p.GetDeviceVolume(), playing);
  p.Close();
  p.StopThread();
}

// ---------------------------------------------------------------- AVI

class AviTest : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    pl::WindowDesc d;
    d.className = "KIV";
    window = pl::CreateWindow(d, &pl::DefWindowProc);
    ASSERT_NE(window, nullptr);
    SetMainWindowHandle(window);
    SetDisplayModeWord(0);
  }
  void TearDown() override {
    StopAvi();
    SetMainWindowHandle(nullptr);
    pl::FreeWindow(window);
    MovieTest::TearDown();
  }
  std::uint32_t Front(int x, int y) {
    std::lock_guard<std::mutex> g(window->pixelsMu);
    return window->front[static_cast<std::size_t>(y) * static_cast<std::size_t>(window->clientWidth) +
                         static_cast<std::size_t>(x)] &
           0xFFFFFFu;
  }
  // The end notices posted so far.
  std::vector<pl::Message> TakeEnds() {
    std::vector<pl::Message> ends;
    pl::Message m;
    while (pl::PeekMessage(&m)) {
      if (m.id == kAviNotifyMessage) ends.push_back(m);
    }
    return ends;
  }
  pl::Window* window = nullptr;
};

TEST_F(AviTest, PlaysOverThePictureAndPostsItsEnd) {
  const std::string path = MakeColoured("op.avi", "--codec png --size 64x48 --fps 10 --frames 10 --tone 440");
  ASSERT_EQ(PlayAvi(window, &AviDeviceId(), path.c_str()), 0);
  const std::uint32_t id = AviDeviceId();
  EXPECT_NE(id, 0u);
  // The frame is stretched over the whole 1024 x 600 picture.
  ASSERT_TRUE(WaitUntil([&] { return AviFramesDrawn() >= 1; }));
  EXPECT_EQ(Front(0, 0), kFrames[0].upper);
  EXPECT_EQ(Front(1023, 200), kFrames[0].upper);
  EXPECT_EQ(Front(0, 599), kFrames[0].lower);
  EXPECT_EQ(Front(1023, 400), kFrames[0].lower);
  Advance(650);
  ASSERT_TRUE(WaitUntil([&] { return Front(512, 100) == kFrames[6].upper; }));
  EXPECT_TRUE(TakeEnds().empty());

  Advance(1000);
  std::vector<pl::Message> ends;
  ASSERT_TRUE(WaitUntil([&] {
    for (const pl::Message& m : TakeEnds()) ends.push_back(m);
    return !ends.empty();
  }));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].window, window);
  EXPECT_EQ(ends[0].wParam, kAviNotifySuccessful);
  EXPECT_EQ(static_cast<std::uint32_t>(ends[0].lParam), id);
  EXPECT_TRUE(IsAviEndMessage(ends[0].wParam, ends[0].lParam));
  EXPECT_EQ(Front(512, 100), kFrames[9].upper);  // the last frame stays

  EXPECT_EQ(StopAvi(), 0);
  EXPECT_EQ(AviDeviceId(), 0u);
  EXPECT_FALSE(IsAviEndMessage(ends[0].wParam, ends[0].lParam));
  EXPECT_EQ(StopAvi(), 0);  // none open
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(AviTest, AStoppedAviPostsNothingAndANewOneHasANewId) {
  const std::string path = MakeColoured("op.avi", "--codec png --fps 10 --frames 10");
  ASSERT_EQ(PlayAvi(window, &AviDeviceId(), path.c_str()), 0);
  const std::uint32_t first = AviDeviceId();
  ASSERT_TRUE(WaitUntil([&] { return AviFramesDrawn() >= 1; }));
  EXPECT_EQ(StopAvi(), 0);
  Advance(2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_TRUE(TakeEnds().empty());
  // A second AVI over a first that still plays replaces it.
  ASSERT_EQ(PlayAvi(window, &AviDeviceId(), path.c_str()), 0);
  const std::uint32_t second = AviDeviceId();
  ASSERT_EQ(PlayAvi(window, &AviDeviceId(), path.c_str()), 0);
  const std::uint32_t third = AviDeviceId();
  EXPECT_NE(first, second);
  EXPECT_NE(second, third);
  EXPECT_FALSE(IsAviEndMessage(kAviNotifySuccessful, static_cast<pl::LPARAM>(second)));
  EXPECT_TRUE(IsAviEndMessage(kAviNotifySuccessful, static_cast<pl::LPARAM>(third)));
}

TEST_F(AviTest, OpenErrorsAreReturnedSilently) {
  ASSERT_TRUE(kvtest::WriteFile(dir / "bad.avi", std::string(300, 'x')));
  struct Case {
    pl::Window* window;
    const char* path;
    int error;
  };
  const Case cases[] = {
      {window, "K:\\missing.avi", kAviErrorFileNotFound},
      {window, "K:\\bad.avi", kAviErrorInvalidFile},
      {nullptr, "K:\\bad.avi", kAviErrorNoWindow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(PlayAvi(c.window, &AviDeviceId(), c.path), c.error);
    EXPECT_EQ(AviDeviceId(), 0u);
  }
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(StopAvi(), 0);
}

}  // namespace
