// Voices, waited effects and the `avi` movie in the running game: the voice
// of `cvon` goes with the next backlog line, which the backlog view shows in
// the voice colour and replays on a click; a voice that ends by itself puts
// the speaking mouth back, so the next voice without timing leaves it
// still; a waited effect that ended does not make a later effect of another
// mode wait; a click during `avi` stops its picture and sound, and so does
// the shutdown.
//
// The sound device is played by the test in step with the virtual clock,
// as the audio device would pull it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/globals.h"
#include "platform/input.h"
#include "platform/sound_device.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/backlog_view.h"
#include "scene/message_text.h"
#include "scene/pending.h"
#include "sound/movie_player.h"
#include "sound/mouth_timing.h"
#include "sound/sound_system.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;

constexpr int kW = 1024, kH = 600;

int Red(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int Green(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int Blue(std::uint32_t p) { return static_cast<int>(p & 0xFF); }

struct VoiceMovie : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  std::int32_t Var(const char* name) {
    if (!Engine()) return -999;
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }
  std::string ChannelName(int ch) {
    CSoundSystem* snd = GetSoundSystem();
    return snd ? std::string(snd->Channel(ch).m_szName) : std::string("(no sound)");
  }

  void TearDown() override { StopAvi(); }

  // The script as written in UTF-8, stored in the game's code page.
  void Script(const std::string& utf8) { startScript = pl::Utf8ToCp932(utf8); }

  // A wave file of the tools' making under the game folder.
  void MakeSound(const std::string& relPath, const std::string& options) {
    const std::string out = folder / relPath;
    ASSERT_TRUE(kvtest::WriteFile(out, ""));
    const std::string cmd = kvtest::ToolPath("gensound") + " wav '" + out + "' " + options;
    ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  }
  // A voice: 44.1 kHz mono, shorter than a second.
  void MakeVoice(const std::string& name) {
    MakeSound("cv/" + name + ".wav", "--rate 44100 --channels 1 --seconds 0.3");
  }
  // An effect: 22.05 kHz stereo.
  void MakeEffect(const std::string& name) {
    MakeSound("se/" + name + ".wav", "--rate 22050 --channels 2 --seconds 0.2");
  }
  void MakePicture(const std::string& name, const std::string& recipe) {
    const std::string out = folder / ("grp/" + name);
    ASSERT_TRUE(kvtest::WriteFile(out + ".recipe", recipe));
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " '" + out + "' '" + out + ".recipe'"), 0) << name;
  }
  void MakeMovie(const std::string& name, const std::string& options) {
    const std::string cmd = kvtest::ToolPath("movie_gen") + " '" + (folder / name) + "' " + options;
    ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  }

  kvtest::ClockedSoundDevice device;
  void PlayDevice() { device.Play(fake); }
  // The loudest sample of the next tenth of a second of the mix.
  int MixPeak() {
    CSoundSystem* snd = GetSoundSystem();
    if (!snd || !snd->Device()) return -1;
    std::vector<std::int16_t> out(4410 * 2);
    snd->Device()->Render(out.data(), 4410);
    int peak = 0;
    for (std::int16_t v : out) peak = std::max(peak, std::abs(static_cast<int>(v)));
    return peak;
  }

  std::vector<std::uint32_t> Presented() {
    pl::Window* w = GetMainWindowHandle();
    if (!w) return {};
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kW || w->clientHeight != kH) return {};
    return w->front;
  }
  // Pixels of a rectangle that pass a test of their colour.
  template <typename Fn>
  static int Count(const std::vector<std::uint32_t>& px, int x0, int y0, int x1, int y1, Fn is) {
    if (px.size() != static_cast<std::size_t>(kW) * kH) return -1;
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += is(px[static_cast<std::size_t>(y) * kW + x]) ? 1 : 0;
    return n;
  }

  // A left click at a client point, released two pumps later.
  void Click(pl::Point at) {
    fake.InjectMouseMove(at);
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
    At(2, [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); });
  }
  bool quitting = false;
  void Quit() {
    if (quitting) return;
    quitting = true;
    QuitYes();
  }
};

// Polls in real time until the condition holds; false after 5 s.
template <typename Fn>
bool WaitReal(Fn done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

// The message window at the foot of the screen and the history window over
// the whole screen, text home (80, 76), 32 pixels a line.
constexpr const char kWindows[] =
    "mode(1)\r\n"
    "fnt(24,0xFFFFFF,0,0)\r\n"
    "wnd(1)\r\n"
    "wnd(0,2,12,420)\r\n"
    "wnd(0,1,1000,170)\r\n"
    "wnd(0,4,36,8,8,1,5,34)\r\n"
    "wbl(1,1024,600)\r\n"
    "wbl(2,0,0)\r\n"
    "wbl(4,80,76,8,1,0,30)\r\n";

TEST_F(VoiceMovie, CvonGivesItsVoiceToTheNextBacklogLineWhichTheViewShowsAndReplays) {
  MakeVoice("mwd01");
  MakeVoice("mwd02");
  // Three pages, each a backlog page of its own: the line after `cvon`
  // (the voice stopped at once, so that only the view can start it again),
  // a line with its own voice cue, and a line without a voice.
  Script(std::string("::START\r\n\r\nvar($cv)\r\n$cv=\"mwd\"\r\n") + kWindows +
         "cvon(\"mwd01\")\r\ncvoff()\r\nあいうえお\r\n\r\n\\c02かきくけこ\r\n\r\nさしすせそ\r\n\r\n"
         "wait(100000)\r\n::END\r\n");
  constexpr int kPages = 3;
  enum { kReading, kPaging, kReplaying, kLeaving, kDone } phase = kReading;
  int phaseAt = 0, pagesRead = 0, shown = 0;
  std::vector<std::string> voices;
  // The view opens on the last page and goes back one page a wheel turn;
  // each page's line at the top of the history window, in its colour.
  int green[kPages] = {-1, -1, -1}, cyan[kPages] = {-1, -1, -1};
  std::uint32_t stateShown = 0, stateAfter = 0, stateLeft = 0;
  std::string channelBefore = "?", channelAfter = "?", channelLeft = "?";
  int hoverYellow = -1;
  const pl::Point away{1000, 590};
  const pl::Point onLine{120, 92};  // inside the top line's rectangle
  auto isGreen = [](std::uint32_t p) { return Green(p) > 160 && Red(p) < 80 && Blue(p) < 80; };
  auto isCyan = [](std::uint32_t p) { return Green(p) > 160 && Blue(p) > 160 && Red(p) < 80; };
  auto isYellow = [](std::uint32_t p) { return Green(p) > 160 && Red(p) > 160 && Blue(p) < 80; };
  onPump = [&](int count) {
    PlayDevice();
    const std::uint32_t state = Scene().m_nPendingState;
    switch (phase) {
      case kReading:
        if (count - phaseAt <= 10) break;
        if (state == PND_PROMPT_PAGE || state == PND_TYPING || (state == PND_FPROMPT && pagesRead < kPages - 1)) {
          pagesRead += state == PND_FPROMPT ? 1 : 0;
          Click({300, 500});
          phaseAt = count;
        } else if (state == PND_FPROMPT) {
          for (ValueNode* r = Engine()->Text().Backlog().Head(); r; r = r->next)
            if (r->type == VT_BACKLOG) voices.push_back(BacklogVoiceName(*r));
          fake.InjectMouseMove(away);
          fake.InjectWheel(1);
          phase = kPaging;
          phaseAt = count;
        }
        break;
      case kPaging:
        if (count - phaseAt == 40) {
          if (shown == 0) stateShown = state;
          const std::vector<std::uint32_t> px = Presented();
          const int page = kPages - 1 - shown;
          green[page] = Count(px, 80, 76, 700, 108, isGreen);
          cyan[page] = Count(px, 80, 76, 700, 108, isCyan);
          phaseAt = count;
          if (++shown < kPages) {
            fake.InjectWheel(1);
          } else {
            // On the first page: its line is clicked.
            channelBefore = ChannelName(kVoiceChannel);
            Click(onLine);
            phase = kReplaying;
          }
        }
        break;
      case kReplaying:
        if (count - phaseAt == 20) {
          channelAfter = ChannelName(kVoiceChannel);
          stateAfter = state;
          hoverYellow = Count(Presented(), 80, 76, 700, 108, isYellow);
          // A right click leaves the view.
          fake.InjectMouseButton(pl::MOUSE_RIGHT, true, onLine);
          At(2, [&] { fake.InjectMouseButton(pl::MOUSE_RIGHT, false, onLine); });
          phase = kLeaving;
          phaseAt = count;
        }
        break;
      case kLeaving:
        if (count - phaseAt == 20) {
          stateLeft = state;
          channelLeft = ChannelName(kVoiceChannel);
          phase = kDone;
          Quit();
        }
        break;
      default:
        break;
    }
    if (count == 6000) Quit();
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << Texts(OtherBoxes());
  EXPECT_EQ(stateShown, PND_BACKLOG);
  EXPECT_EQ(voices, (std::vector<std::string>{"mwd01", "mwd02", ""}))
      << "the line after cvon and the line with a cue keep their voices, and no other line takes them";
  const char* what[kPages] = {"the line after cvon", "the line with a cue", "the line without a voice"};
  const bool voiced[kPages] = {true, true, false};
  for (int page = 0; page < kPages; ++page) {
    SCOPED_TRACE(what[page]);
    // Voiced lines in the voice colour, the others in the plain one.
    EXPECT_GT(voiced[page] ? green[page] : cyan[page], 20);
    EXPECT_EQ(voiced[page] ? cyan[page] : green[page], 0);
  }
  EXPECT_NE(channelBefore, "mwd01.wav") << "cvoff had stopped the voice";
  EXPECT_EQ(channelAfter, "mwd01.wav") << "the click on the line replays its voice";
  EXPECT_EQ(stateAfter, PND_BACKLOG) << "and the view stays open";
  EXPECT_GT(hoverYellow, 20) << "the line under the cursor is highlighted";
  EXPECT_EQ(stateLeft, PND_FPROMPT) << "leaving the view gives back the wait";
  EXPECT_EQ(channelLeft, "") << "and stops the replayed voice";
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(OtherBoxes());
}

// A 64 x 64 speaker "T1a": a grey face, and a mouth (a voice-driven group)
// over its middle whose sequence goes open (red) and shut (the face).
constexpr const char kSpeaker[] =
    "variant 2\nsize 64 64\n"
    "part 0 0 64 64 0\nfill 4096 FF404040\n"
    "part 16 16 32 32 1\nfill 1024 FFFF0000\n"
    "seq 0 0\nseq 2 1 0\n";

TEST_F(VoiceMovie, AVoiceThatEndsByItselfPutsTheMouthBackForTheNextVoice) {
  MakeScenePictures();
  MakePicture("T1a.abm", kSpeaker);
  MakeVoice("mwd01");
  MakeVoice("mwd02");
  // The first voice's timing lets the mouth move for its first five
  // seconds; the second voice has no timing of its own.
  std::string cog(CMouthTiming::kHeaderBytes, '\0');
  for (std::uint32_t w : {5000u, 6000u, CMouthTiming::kEndMark, CMouthTiming::kEndMark})
    for (int k = 0; k < 4; ++k) cog.push_back(static_cast<char>((w >> (8 * k)) & 0xFF));
  ASSERT_TRUE(kvtest::WriteFile(folder / "cv/mwd01.cog", cog));
  Script(
      "::START\r\n\r\nvar(%v)\r\nspr(2)\r\nchon(1,\"T1a\",300,200,0,0)\r\nud(1,100)\r\n"
      "wait(300)\r\n%v=1\r\ncvon(\"mwd01\")\r\nwait(2500)\r\n"
      "%v=2\r\ncvon(\"mwd02\")\r\n%v=3\r\nwait(100000)\r\n::END\r\n");
  auto red = [](std::uint32_t p) { return Red(p) > 200 && Green(p) < 60 && Blue(p) < 60; };
  // Looks at the picture in three stretches: 1 while the first voice
  // speaks, 2 after it ended by itself, 3 while the second voice speaks;
  // how often the face was seen and how often its mouth was open.
  int open[4] = {}, seen[4] = {};
  std::uint32_t stretchStart[4] = {};
  std::string voiceOnTwo = "?";
  bool firstEnded = false;
  onPump = [&](int count) {
    PlayDevice();
    const int v = Var("v");
    if (v >= 1 && v <= 3) {
      const std::uint32_t now = fake.manualClock().TickMs();
      if (stretchStart[v] == 0) stretchStart[v] = now;
      if (v == 1 && ChannelName(kVoiceChannel).empty()) firstEnded = true;
      const int at = v == 1 && firstEnded ? 2 : v == 1 ? 1 : v == 3 ? 3 : 0;
      if (at > 0 && count % 5 == 0) {
        const std::vector<std::uint32_t> px = Presented();
        auto grey = [](std::uint32_t p) {
          return Red(p) == Green(p) && Green(p) == Blue(p) && Red(p) > 0x30 && Red(p) < 0x50;
        };
        if (Count(px, 0, 0, kW, kH, grey) > 1000) ++seen[at];
        if (Count(px, 0, 0, kW, kH, red) > 500) ++open[at];
      }
      if (v == 3 && voiceOnTwo == "?") voiceOnTwo = ChannelName(kVoiceChannel);
      if (v == 3 && now - stretchStart[3] > 800) Quit();
    }
    if (count == 15000) Quit();
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(firstEnded) << "the first voice ended by itself";
  EXPECT_EQ(voiceOnTwo, "mwd02.wav");
  ASSERT_GT(seen[1], 3);
  EXPECT_GT(open[1], 0) << "the mouth moves while the first voice speaks";
  ASSERT_GT(seen[2], 3);
  EXPECT_EQ(open[2], 0) << "the ended voice put the mouth back";
  ASSERT_GT(seen[3], 3);
  EXPECT_EQ(open[3], 0) << "a voice without timing leaves the mouth still";
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(OtherBoxes());
}

TEST_F(VoiceMovie, AnEffectOfAnotherModeAfterAWaitedOneDoesNotWait) {
  MakeEffect("bell");
  MakeEffect("chime");
  struct Case {
    const char* what;
    const char* second;  // the effect request after the waited one
    int channel;         // where it plays
  };
  const Case cases[] = {
      {"mode 3 on another index", "seon(\"chime\",3,5)", kFirstSeChannel + 5},
      {"mode 7 on another index", "seon(\"chime\",7,2)", kFirstSeChannel + 2},
      {"mode -1 on the first index", "seon(\"chime\",-1,0)", kFirstSeChannel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Script(std::string("::START\r\n\r\nvar(%after,%waited)\r\nseon(\"bell\",1,0)\r\n%waited=1\r\n") + c.second +
           "\r\n%after=1\r\nwait(100000)\r\n::END\r\n");
    std::int32_t waitedWhileBell = -1, waited = -1, after = -1;
    std::string chimeWhenOn = "?";
    std::uint32_t stateWhileBell = 0;
    bool sawBell = false;
    quitting = false;
    device.playedTo = 0;
    const int first = fake.pumps;
    onPump = [&](int count) {
      PlayDevice();
      if (!sawBell && ChannelName(kFirstSeChannel) == "bell.wav") {
        sawBell = true;
        stateWhileBell = Scene().m_nPendingState;
        waitedWhileBell = Var("waited");
      }
      waited = Var("waited");
      after = Var("after");
      if (after == 1 && chimeWhenOn == "?") chimeWhenOn = ChannelName(c.channel);
      // Long after the first effect's end (a second of sound).
      if (after == 1 || count - first == 5000) Quit();
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(sawBell);
    EXPECT_EQ(stateWhileBell, PND_OPERATION) << "the first effect is waited for";
    EXPECT_EQ(waitedWhileBell, 0);
    EXPECT_EQ(waited, 1) << "its end released the script";
    EXPECT_EQ(after, 1) << "the second effect did not hold the script";
    EXPECT_EQ(chimeWhenOn, "chime.wav") << "the script went on while it played";
  }
}

// Four colours a frame in turn, ten frames a second, for four seconds, with
// a tone.
constexpr const char kMovieOptions[] =
    "--codec png --size 64x48 --fps 10 --frames 40 --colours FF0000,00FF00,0000FF,FFFF00 --tone 440";

bool MovieColour(std::uint32_t p) {
  const std::uint32_t rgb = p & 0xFFFFFF;
  return rgb == 0xFF0000 || rgb == 0x00FF00 || rgb == 0x0000FF || rgb == 0xFFFF00;
}

TEST_F(VoiceMovie, AClickDuringAviStopsItsPictureAndSoundAndTheStoryGoesOn) {
  MakeMovie("op.avi", kMovieOptions);
  Script("::START\r\n\r\nmode(1)\r\nvar(%after)\r\navi(\"op\")\r\n%after=1\r\nwait(100000)\r\n::END\r\n");
  enum { kWaiting, kClicked, kDone } phase = kWaiting;
  bool drewBefore = false, playedBefore = false;
  std::uint32_t deviceAfter = 1;
  std::uint64_t framesAtStop = 0, framesLater = 0;
  std::uint32_t pixelAtStop = 0, pixelLater = 0;
  std::int32_t after = -1;
  int peakAfter = -1;
  onPump = [&](int) {
    if (phase == kWaiting && Scene().m_nPendingState == PND_MOVIE) {
      drewBefore = WaitReal([] { return AviFramesDrawn() >= 1; }) &&
                   WaitReal([&] {
                     const auto px = Presented();
                     return !px.empty() && MovieColour(px[300 * kW + 512]);
                   });
      playedBefore = MixPeak() > 1000;
      Click({512, 300});
      phase = kClicked;
    } else if (phase == kClicked && Var("after") == 1) {
      after = 1;
      deviceAfter = AviDeviceId();
      framesAtStop = AviFramesDrawn();
      pixelAtStop = Presented()[300 * kW + 512];
      // Time moves on by several frames of the movie.
      fake.manualClock().Advance(450);
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      framesLater = AviFramesDrawn();
      pixelLater = Presented()[300 * kW + 512];
      peakAfter = MixPeak();
      phase = kDone;
      Quit();
    }
    if (fake.pumps == 6000) Quit();
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(drewBefore) << "the movie drew over the picture";
  EXPECT_TRUE(playedBefore) << "and its sound played";
  ASSERT_EQ(phase, kDone);
  EXPECT_EQ(after, 1) << "the click ended the wait";
  EXPECT_EQ(deviceAfter, 0u) << "and stopped the movie";
  EXPECT_EQ(framesLater, framesAtStop) << "no frame is drawn after the click";
  EXPECT_FALSE(MovieColour(pixelAtStop)) << "the story's picture is back";
  EXPECT_EQ(pixelLater, pixelAtStop);
  EXPECT_EQ(peakAfter, 0) << "the movie's sound stopped";
}

TEST_F(VoiceMovie, ShutdownDuringAviStopsTheMovie) {
  MakeMovie("op.avi", kMovieOptions);
  Script("::START\r\n\r\navi(\"op\")\r\nwait(100000)\r\n::END\r\n");
  bool drew = false;
  onPump = [&](int) {
    if (!quitting && Scene().m_nPendingState == PND_MOVIE) {
      drew = WaitReal([] { return AviFramesDrawn() >= 1; });
      Quit();
    }
    if (fake.pumps == 6000) Quit();
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(drew);
  EXPECT_EQ(AviDeviceId(), 0u) << "the shutdown stopped the movie";
  const std::uint64_t frames = AviFramesDrawn();
  fake.manualClock().Advance(450);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(AviFramesDrawn(), frames) << "nothing is drawn after the run";
}

}  // namespace
