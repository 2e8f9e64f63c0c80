// The movie screen on movies made by movie_gen: its end at the movie's end
// and on the keys that cancel it, a looping movie, the bands of the picture
// it repaints around a movie smaller than the screen, a movie that cannot
// be opened and a closed window. What the screen presents is recorded as
// it goes to the window; the movie itself is drawn by the player's thread.
#include "screens/movie_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/app_base.h"
#include "framework/ddraw.h"
#include "sound/sound_system.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

struct Present {
  int srcX, srcY, w, h, dstX, dstY;
};
std::vector<Present>& Presents() {
  static std::vector<Present> p;
  return p;
}
void RecordPresent(int x, int y, int w, int h, int dstX, int dstY, pl::Window*) {
  Presents().push_back({x, y, w, h, dstX, dstY});
}

pl::Rect Clip(pl::Rect r) {
  r.left = std::clamp(r.left, 0, 1024);
  r.right = std::clamp(r.right, 0, 1024);
  r.top = std::clamp(r.top, 0, 600);
  r.bottom = std::clamp(r.bottom, 0, 600);
  return r;
}
bool Overlap(const pl::Rect& a, const pl::Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
long long Area(const pl::Rect& r) {
  return r.Width() > 0 && r.Height() > 0 ? static_cast<long long>(r.Width()) * r.Height() : 0;
}

class MovieModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    app.m_pDDraw = &dd;
    SetApp(&app);
    SetMovieSoundSettings({&bgm, &bgmVolume});
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    ASSERT_EQ(screen.StartPlayer(window), 0);
    screen.m_pScreenRunning = &screenRunning;
    SetPresentRectHandler(&RecordPresent);
    FillShown(kPage);
  }
  void TearDown() override {
    screen.Player().StopThread();
    pl::ReleaseAllKeys();
    SetPresentRectHandler(nullptr);
    SetMovieSoundSettings({});
    SetApp(nullptr);
    SetSoundSystem(nullptr);
    sound.ShutdownDirectSound();
    ScreenHarness::TearDown();
  }

  // A movie under "movie" of the program folder; its game path.
  std::string MakeMovie(const std::string& name, const std::string& options) {
    const std::string out = dir / ("movie/" + name);
    EXPECT_TRUE(kvtest::WriteFile(out, ""));
    EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("movie_gen") + " '" + out + "' --codec png " + options), 0);
    return "K:\\movie\\" + name;
  }
  // The steps, with every pump taking a millisecond of real time as well:
  // the player's thread keeps real time while the screen's clock is the
  // test's, and a movie must not run through in a handful of its passes.
  void PlayPaced(std::vector<Step> s) {
    s.push_back({[] { return false; }, [] {}});  // the run ends by itself
    Play(std::move(s));
    auto inner = fake.onPump;
    const int first = fake.pumps;
    fake.onPump = [this, inner, first](int pump) {
      inner(pump);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      // A screen that never ends fails in twenty seconds, not in minutes.
      if (pump - first > 20000) fake.InjectClose();
    };
  }
  int Run(const std::string& path, int x, int y) {
    const int r = screen.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved), &keys,
                             path.c_str(), x, y);
    screen.LeaveHookList();
    return r;
  }
  std::function<bool()> Showing() {
    return [this] { return screen.Player().FramesDrawn() > drawnBefore && Later(2)(); };
  }
  enum Key { kRightButton, kSpace, kLeftButton, kEnter, kCtrl };
  void Press(Key key, bool down) {
    const pl::Point p{500, 300};
    switch (key) {
      case kRightButton:
        fake.InjectMouseMove(p);
        fake.InjectMouseButton(pl::MOUSE_RIGHT, down, p);
        break;
      case kLeftButton:
        fake.InjectMouseMove(p);
        fake.InjectMouseButton(pl::MOUSE_LEFT, down, p);
        break;
      case kSpace: fake.InjectKey(pl::DIK_SPACE, down); break;
      case kEnter: fake.InjectKey(pl::DIK_RETURN, down); break;
      case kCtrl: fake.InjectKey(pl::DIK_LCONTROL, down); break;
    }
  }
  // Once the movie shows: the key pressed and let go.
  void AddPress(std::vector<Step>& s, std::function<bool()> ready, Key key) {
    s.push_back({std::move(ready), [this, key] { Press(key, true); }});
    s.push_back({Later(3), [this, key] { Press(key, false); }});
  }
  void ExpectNothingLeftRunning() {
    EXPECT_EQ(screen.Player().IsOpen(), 0);
    EXPECT_EQ(screen.Player().IsRunWanted(), 0) << "the player's thread is parked";
    EXPECT_EQ(screen.m_bPresent, 1);
    EXPECT_EQ(screenRunning, 1) << "the engine's screen-running word comes back";
  }

  CSoundSystem sound;
  CAppBase app;
  CDDraw dd;
  std::int32_t bgm = 1, bgmVolume = 0;
  std::int32_t screenRunning = 1;
  CBuffer saved;
  CMovieMode screen;
  std::uint64_t drawnBefore = 0;
};

TEST_F(MovieModeTest, TheScreenEndsWithTheMovieAndSilencesTheVoice) {
  const std::string movie = MakeMovie("short.avi", "--size 64x48 --fps 10 --frames 5");
  const std::string voice = dir / "cv/v.wav";
  ASSERT_TRUE(kvtest::WriteFile(voice, ""));
  const pl::PcmFormat f = ChannelFormat(kVoiceChannel);
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("gensound") + " wav " + voice + " --seconds 0.5 --rate " +
                               std::to_string(f.rate) + " --channels " + std::to_string(f.channels)),
            0);
  ASSERT_EQ(sound.OpenChannelFile("K:\\cv\\v.wav", kVoiceChannel), 1);
  ASSERT_NE(sound.Channel(kVoiceChannel).m_szName[0], 0);

  std::int32_t runningWhilePlaying = -1, presentWhilePlaying = -1;
  PlayPaced({{Showing(), [&] {
                runningWhilePlaying = screenRunning;
                presentWhilePlaying = screen.m_bPresent;
              }}});
  EXPECT_EQ(Run(movie, 100, 50), 0);
  EXPECT_EQ(screen.m_bClosed, 0);
  EXPECT_EQ(runningWhilePlaying, 0);
  EXPECT_EQ(presentWhilePlaying, 0) << "the frame loop presents nothing over the movie";
  ExpectNothingLeftRunning();
  EXPECT_EQ(sound.Channel(kVoiceChannel).m_szName[0], 0) << "the voice is silent after the screen";
  // The game's picture comes back whole.
  EXPECT_EQ(ShownAt(0, 0), kPage);
  EXPECT_EQ(ShownAt(120, 60), kPage);
  ASSERT_FALSE(Presents().empty());
  const Present& last = Presents().back();
  EXPECT_EQ(last.dstX, 0);
  EXPECT_EQ(last.dstY, 0);
  EXPECT_EQ(last.w, 1024);
  EXPECT_EQ(last.h, 600);
  EXPECT_TRUE(fake.boxes.empty()) << (Boxes().empty() ? "" : Boxes()[0]);
}

TEST_F(MovieModeTest, SpaceOrTheRightButtonEndsTheMovieAndTheDecideKeyDoesNot) {
  const std::string movie = MakeMovie("loop.avi", "--size 64x48 --fps 10 --frames 10");
  // Looping, so that only a key can end it.
  screen.Player().SetLoop(1);
  struct Case {
    Key key;
    bool ends;
  };
  const Case cases[] = {
      {kRightButton, true}, {kSpace, true}, {kLeftButton, false}, {kEnter, false}, {kCtrl, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key);
    drawnBefore = screen.Player().FramesDrawn();
    bool stillPlaying = false;
    std::vector<Step> s;
    AddPress(s, Showing(), c.key);
    s.push_back({Later(200), [&] { stillPlaying = screen.m_bLoop == 1 && screen.Player().IsRunning() == 1; }});
    AddPress(s, Later(1), kSpace);
    PlayPaced(std::move(s));
    EXPECT_EQ(Run(movie, 0, 0), 0);
    EXPECT_EQ(screen.m_bClosed, 0);
    EXPECT_EQ(stillPlaying, !c.ends);
    ExpectNothingLeftRunning();
    pl::ReleaseAllKeys();
  }
}

TEST_F(MovieModeTest, OnlyAMovieThatDoesNotLoopEndsByItself) {
  const std::string movie = MakeMovie("half.avi", "--size 64x48 --fps 10 --frames 5");
  for (int loop : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "loop " << loop);
    screen.Player().SetLoop(loop);
    drawnBefore = screen.Player().FramesDrawn();
    const std::uint32_t start = pl::TickMs();
    std::uint64_t drawnAfterItsEnd = 0;
    bool playedOn = false;
    std::vector<Step> s;
    // Three times its length on, new frames still come only when it looped.
    s.push_back({[&] { return pl::TickMs() - start > 1500; }, [&] { drawnAfterItsEnd = screen.Player().FramesDrawn(); }});
    s.push_back({[&] { return screen.Player().FramesDrawn() > drawnAfterItsEnd + 2; },
                 [&] { playedOn = screen.m_bLoop == 1; }});
    AddPress(s, Later(1), kSpace);
    PlayPaced(std::move(s));
    EXPECT_EQ(Run(movie, 0, 0), 0);
    EXPECT_EQ(screen.m_bClosed, 0);
    EXPECT_EQ(playedOn, loop == 1);
    ExpectNothingLeftRunning();
    pl::ReleaseAllKeys();
  }
}

TEST_F(MovieModeTest, ARepaintWhileTheMovieShowsCoversOnlyThePictureAroundIt) {
  struct Case {
    int w, h, x, y;
  };
  const Case cases[] = {
      {64, 48, 100, 50},    // four bands
      {64, 48, 0, 0},       // below and right only
      {64, 48, 1000, 580},  // partly off the screen
      {1024, 600, 0, 0},    // covers it all: nothing to repaint
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y);
    const std::string movie =
        MakeMovie("m" + std::to_string(c.w) + ".avi", "--size " + std::to_string(c.w) + "x" + std::to_string(c.h) +
                                                          " --fps 10 --frames 100");
    drawnBefore = screen.Player().FramesDrawn();
    std::vector<Present> painted;
    bool painting = false;
    std::vector<Step> s;
    s.push_back({Showing(), [&] {
                   Presents().clear();
                   painting = true;
                   fake.InjectMessage(pl::WM_PAINT, 0, 0);
                 }});
    s.push_back({Later(3), [&] { painted = Presents(); }});
    AddPress(s, Later(1), kSpace);
    PlayPaced(std::move(s));
    EXPECT_EQ(Run(movie, c.x, c.y), 0);
    ASSERT_TRUE(painting);

    const pl::Rect movieRect = Clip(pl::Rect{c.x, c.y, c.x + c.w, c.y + c.h});
    long long area = Area(movieRect);
    for (std::size_t i = 0; i < painted.size(); ++i) {
      const Present& p = painted[i];
      const pl::Rect r{p.dstX, p.dstY, p.dstX + p.w, p.dstY + p.h};
      EXPECT_EQ(p.srcX, p.dstX);
      EXPECT_EQ(p.srcY, p.dstY);
      EXPECT_GT(Area(r), 0);
      EXPECT_EQ(Clip(r).Width(), r.Width()) << "on the screen";
      EXPECT_EQ(Clip(r).Height(), r.Height()) << "on the screen";
      EXPECT_FALSE(Overlap(r, movieRect)) << "present " << i << " covers the movie";
      for (std::size_t j = 0; j < i; ++j) {
        const Present& q = painted[j];
        EXPECT_FALSE(Overlap(r, pl::Rect{q.dstX, q.dstY, q.dstX + q.w, q.dstY + q.h})) << i << " and " << j;
      }
      area += Area(r);
    }
    // Together with the movie the bands cover the whole screen.
    EXPECT_EQ(area, 1024LL * 600);
    ExpectNothingLeftRunning();
    pl::ReleaseAllKeys();
  }
}

TEST_F(MovieModeTest, AMovieThatCannotBeOpenedEndsTheScreenAtOnce) {
  PlayPaced({});
  EXPECT_EQ(Run("K:\\movie\\missing.mpg", 0, 0), -1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("ムービーの読み込みエラーです。"), std::string::npos) << Boxes()[0];
  EXPECT_NE(Boxes()[0].find("missing.mpg"), std::string::npos) << Boxes()[0];
  EXPECT_LT(fake.pumps, 5);
  EXPECT_EQ(ShownAt(120, 60), kPage);
  ExpectNothingLeftRunning();
}

TEST_F(MovieModeTest, ClosingTheWindowStopsTheMovieForGood) {
  const std::string movie = MakeMovie("long.avi", "--size 64x48 --fps 10 --frames 100");
  PlayPaced({{Showing(), [this] { fake.InjectClose(); }}});
  EXPECT_EQ(Run(movie, 0, 0), -1);
  EXPECT_EQ(screen.m_bClosed, 1);
  ExpectNothingLeftRunning();
  // Every later movie is refused without opening.
  const std::uint64_t drawn = screen.Player().FramesDrawn();
  PlayPaced({});
  EXPECT_EQ(Run(movie, 0, 0), -1);
  EXPECT_EQ(screen.Player().FramesDrawn(), drawn);
  EXPECT_EQ(screen.Player().IsOpen(), 0);
}

}  // namespace
