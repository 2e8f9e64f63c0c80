// The weather and overlay layers in the running game, read back from the
// presented picture: snow moves from one second to the next (over an
// animated sprite too), `fall(0)` fades the layer out and ends it, a kind
// asked for while it fades starts after the fade, `filter` fades its
// picture in and scrolls it, and with the screen effects switched off
// neither layer moves nor shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "engine/settings_record.h"
#include "engine/system_file.h"
#include "framework/globals.h"
#include "graphics/weather.h"
#include "platform/window.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;

constexpr int kW = 1024, kH = 600;
constexpr std::uint32_t kFill = 0x000050;  // fill(0,0,80)

struct Shot {
  std::vector<std::uint32_t> px;  // 0xAARRGGBB
  std::uint32_t At(int x, int y) const { return px[static_cast<std::size_t>(y) * kW + x] & 0xFFFFFF; }
  // Pixels that are not the fill colour: what the layers put there.
  int NotFill() const {
    int n = 0;
    for (std::uint32_t p : px) n += (p & 0xFFFFFF) != kFill ? 1 : 0;
    return n;
  }
  bool operator==(const Shot& o) const {
    if (px.size() != o.px.size()) return false;
    for (std::size_t i = 0; i < px.size(); ++i)
      if ((px[i] & 0xFFFFFF) != (o.px[i] & 0xFFFFFF)) return false;
    return true;
  }
};

int Blue(std::uint32_t p) { return static_cast<int>(p & 0xFF); }

// A scene of the fill colour brought up by a transition; `%p` marks the
// script's moments for the test.
std::string Script(const std::string& body) {
  return "::START\r\n\r\nvar(%p)\r\nfill(0,0,80)\r\nud(1,100)\r\n" + body + "wait(100000)\r\n::END\r\n";
}

struct WeatherLayers : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  std::int32_t Var(const char* name) {
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }
  std::uint32_t Now() { return fake.manualClock().TickMs(); }
  Shot Presented() {
    Shot s;
    pl::Window* w = GetMainWindowHandle();
    if (!w) return s;
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth == kW && w->clientHeight == kH) s.px = w->front;
    return s;
  }
  void MakePicture(const std::string& file, const std::string& recipe) {
    const std::string out = folder / ("grp/" + file);
    ASSERT_TRUE(kvtest::WriteFile(out + ".recipe", recipe));
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + out + " " + out + ".recipe"), 0) << file;
  }
  // The overlay picture: a red top half over a green bottom half, so that
  // its scroll shows.
  void MakeFog() {
    MakePicture("fog.abm", "variant 32\nsize 1024 600\nfill 307200 FFFF0000\nfill 307200 FF00FF00\n");
  }
  // Runs the script; `at(p, ms)` is called at every pump with the script's
  // mark and the milliseconds since the mark was first seen, and returns
  // true when the run may end.
  void RunScript(const std::string& body, const std::function<bool(std::int32_t, std::uint32_t)>& at) {
    startScript = Script(body);
    std::int32_t mark = -1;
    std::uint32_t since = 0;
    bool done = false;
    onPump = [&](int) {
      if (done || !Engine()) return;
      const std::int32_t p = Var("p");
      if (p != mark) {
        mark = p;
        since = Now();
      }
      if (p >= 0 && at(p, Now() - since)) {
        done = true;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(done) << "the run reached its last moment";
    EXPECT_TRUE(OtherBoxes().empty()) << Texts(OtherBoxes());
  }
  // The screen one and two seconds after the script set %p to 1.
  void ShotsOneSecondApart(const std::string& body, Shot* first, Shot* second) {
    RunScript(body, [&](std::int32_t p, std::uint32_t ms) {
      if (p != 1) return false;
      if (ms >= 1000 && first->px.empty()) *first = Presented();
      if (ms >= 2000 && second->px.empty()) *second = Presented();
      return !second->px.empty();
    });
  }
};

TEST_F(WeatherLayers, SnowFallsFromOneSecondToTheNext) {
  Shot first, second;
  ShotsOneSecondApart("fall(1)\r\n%p=1\r\n", &first, &second);
  ASSERT_EQ(first.px.size(), static_cast<std::size_t>(kW * kH));
  ASSERT_EQ(second.px.size(), first.px.size());
  EXPECT_GT(first.NotFill(), 0) << "snow on the screen after a second";
  EXPECT_GT(second.NotFill(), 0);
  EXPECT_FALSE(first == second) << "the flakes moved";
}

// The button's normal look, as the opaque blend leaves it (within 2 a channel).
bool NearGreen(std::uint32_t p) {
  const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF), b = Blue(p);
  return std::abs(r - 0x20) <= 2 && std::abs(g - 0xA0) <= 2 && std::abs(b - 0x20) <= 2;
}

// Rain goes on under a script button: every tick redraws the scene with the
// drops, and the button, three looks of one green each, stays whole on top.
TEST_F(WeatherLayers, ScriptButtonStaysOverTheRain) {
  MakePicture("sbtn.abm", "variant 32\nsize 120 90\nfill 3600 FF20A020\nfill 3600 FF40C040\nfill 3600 FF108010\n");
  Shot first, second;
  ShotsOneSecondApart("btn(1)\r\nfall(2)\r\nwait(500)\r\nbtnset(0,\"sbtn\",300,200)\r\nbtnon(-1)\r\nud(0)\r\n%p=1\r\nbtnenable(0)\r\n",
                      &first, &second);
  ASSERT_EQ(first.px.size(), static_cast<std::size_t>(kW * kH));
  ASSERT_EQ(second.px.size(), first.px.size());
  EXPECT_FALSE(first == second) << "the rain moved";
  int off = 0;
  for (const Shot* s : {&first, &second})
    for (int y = 200; y < 230; ++y)
      for (int x = 300; x < 420; ++x) off += NearGreen(s->At(x, y)) ? 0 : 1;
  EXPECT_EQ(off, 0) << "button pixels drawn over";
}

// An animated sprite makes the recomposition draw every sprite again each
// tick; the snow comes up with the last one and moves all the same.
TEST_F(WeatherLayers, SnowFallsOverAnAnimatedSprite) {
  MakePicture("anim.abm", "variant 3\nsize 8 8\nframe\nfill 64 FFFF0000\nframe\nfill 64 FF00FF00\nseq 0 0 1\n");
  Shot first, second;
  RunScript("spr(2)\r\nchon(1,\"anim\",1000,580,0,1)\r\nud(1,100)\r\nfall(1)\r\n%p=1\r\n", [&](std::int32_t p, std::uint32_t ms) {
    if (p != 1) return false;
    if (ms >= 1000 && first.px.empty()) first = Presented();
    if (ms >= 2000 && second.px.empty()) second = Presented();
    return !second.px.empty();
  });
  ASSERT_EQ(first.px.size(), static_cast<std::size_t>(kW * kH));
  ASSERT_EQ(second.px.size(), first.px.size());
  // Away from the sprite in the bottom right corner.
  int snow = 0, moved = 0;
  for (int y = 0; y < 560; ++y) {
    for (int x = 0; x < 980; ++x) {
      snow += first.At(x, y) != kFill ? 1 : 0;
      moved += first.At(x, y) != second.At(x, y) ? 1 : 0;
    }
  }
  EXPECT_GT(snow, 0) << "snow on the screen";
  EXPECT_GT(moved, 0) << "the flakes moved";
  EXPECT_NE(first.At(1003, 583), kFill) << "the sprite is shown";
}

// While the screen fades to black both the recomposition and the fade draw
// the layers each tick; the flakes still take one step a tick, falling as
// fast as they did before the fade. (The script goes on while the fade
// runs: the second measure is taken a second into a fade of two.)
TEST_F(WeatherLayers, FlakesFallAtOneSpeedThroughAFadeToBlack) {
  std::size_t flake = 0;
  std::int32_t y[3] = {0, 0, 0};
  std::uint32_t at[3] = {0, 0, 0};
  int seen = 0;
  RunScript("fall(1)\r\n%p=1\r\nwait(1000)\r\n%p=2\r\nbout(2000)\r\nwait(1000)\r\n%p=3\r\n", [&](std::int32_t p, std::uint32_t) {
    if (p < 1 || p > 3 || p <= seen) return p == 3;
    const auto& particles = Engine()->m_Weather.m_Particles;
    if (p == 1) {
      // The highest small flake: it stays on its way down for the whole run.
      for (std::size_t i = CWeather::kLarge; i < particles.size(); ++i)
        if (particles[i].y < particles[flake].y || flake < CWeather::kLarge) flake = i;
    }
    y[p - 1] = particles[flake].y;
    at[p - 1] = Now();
    seen = p;
    return p == 3;
  });
  ASSERT_EQ(seen, 3);
  const double before = static_cast<double>(y[1] - y[0]) / (at[1] - at[0]);
  const double during = static_cast<double>(y[2] - y[1]) / (at[2] - at[1]);
  EXPECT_GT(before, 0.04) << "the flake fell before the fade (pixels a millisecond)";
  EXPECT_GT(during, before * 0.8) << "and during it";
  EXPECT_LT(during, before * 1.25) << "no faster during the fade";
}

TEST_F(WeatherLayers, FallZeroFadesTheLayerOutAndEndsIt) {
  Shot before, after;
  std::int32_t stateBefore = -1, stateAfter = -1;
  RunScript("fall(1)\r\nwait(1500)\r\n%p=1\r\nwait(200)\r\nfall(0)\r\n%p=2\r\n", [&](std::int32_t p, std::uint32_t ms) {
    if (p == 1 && before.px.empty()) {
      before = Presented();
      stateBefore = Engine()->m_Weather.m_nState;
    }
    if (p == 2 && ms >= 1000) {
      after = Presented();
      stateAfter = Engine()->m_Weather.m_nState;
      return true;
    }
    return false;
  });
  EXPECT_EQ(stateBefore, 1);
  EXPECT_GT(before.NotFill(), 0) << "snow before the stop";
  EXPECT_EQ(stateAfter, 0) << "the fade ended the layer";
  ASSERT_EQ(after.px.size(), static_cast<std::size_t>(kW * kH));
  EXPECT_EQ(after.NotFill(), 0) << "no snow left on the screen";
}

TEST_F(WeatherLayers, AKindAskedForDuringTheFadeStartsAfterIt) {
  std::int32_t stateFading = -1, pendingFading = -1;
  std::int32_t state = -1, kind = -1;
  Shot first, second;
  RunScript("fall(1)\r\nwait(1000)\r\nfall(0)\r\nfall(2)\r\n%p=1\r\n", [&](std::int32_t p, std::uint32_t ms) {
    if (p != 1) return false;
    if (stateFading < 0) {
      stateFading = Engine()->m_Weather.m_nState;
      pendingFading = Engine()->m_Weather.m_nPending;
    }
    if (ms >= 1500 && first.px.empty()) {
      first = Presented();
      state = Engine()->m_Weather.m_nState;
      kind = Engine()->m_Weather.m_nKind;
    }
    if (ms >= 2000) {
      second = Presented();
      return true;
    }
    return false;
  });
  EXPECT_EQ(stateFading, 2) << "fading out";
  EXPECT_EQ(pendingFading, 1) << "rain waits for the fade";
  EXPECT_EQ(state, 1) << "the layer runs again";
  EXPECT_EQ(kind, 1) << "with rain";
  EXPECT_GT(first.NotFill(), 0) << "rain on the screen";
  EXPECT_FALSE(first == second) << "the drops move";
}

TEST_F(WeatherLayers, FilterFadesItsPictureInAndScrollsIt) {
  MakeFog();
  // The blue of the screen's centre at each moment the picture changed
  // there: the fill's 80 giving way to the picture's 0.
  std::vector<int> blues;
  Shot first, second;
  RunScript("filter(1,\"fog\",0,2)\r\n%p=1\r\n", [&](std::int32_t p, std::uint32_t ms) {
    if (p != 1) return false;
    const Shot now = Presented();
    if (now.px.empty()) return false;
    const int b = Blue(now.At(kW / 2, kH / 2));
    if (blues.empty() || blues.back() != b) blues.push_back(b);
    if (ms >= 1000 && first.px.empty()) first = now;
    if (ms >= 2000) {
      second = now;
      return true;
    }
    return false;
  });
  ASSERT_GE(blues.size(), 4u);
  for (std::size_t i = 1; i < blues.size(); ++i) EXPECT_LT(blues[i], blues[i - 1]) << "step " << i;
  EXPECT_GE(blues.front(), 40) << "the picture starts faint";
  EXPECT_LE(blues.back(), 2) << "and settles nearly opaque";
  ASSERT_EQ(first.px.size(), static_cast<std::size_t>(kW * kH));
  EXPECT_FALSE(first == second) << "the picture scrolls";
}

TEST_F(WeatherLayers, WithScreenEffectsOffNeitherLayerMovesNorShows) {
  MakeFog();
  CSettings settings;
  settings.SetCreationValues();
  settings.m_bNoEffect = 1;
  const std::vector<std::uint8_t> bytes = EncodeSystemFile(settings, 0);
  ASSERT_TRUE(kvtest::WriteFile(folder / "save/system.dat", std::string(bytes.begin(), bytes.end())));
  Shot first, second;
  std::int32_t weather = -1, overlay = -1;
  RunScript("fall(1)\r\nfilter(1,\"fog\",0,2)\r\n%p=1\r\n", [&](std::int32_t p, std::uint32_t ms) {
    if (p != 1) return false;
    if (ms >= 1000 && first.px.empty()) {
      first = Presented();
      weather = Engine()->m_Weather.m_nState;
      overlay = Engine()->m_Overlay.m_nState;
    }
    if (ms >= 2000) {
      second = Presented();
      return true;
    }
    return false;
  });
  EXPECT_EQ(weather, 1) << "the weather is on";
  EXPECT_EQ(overlay, 1) << "and so is the overlay";
  ASSERT_EQ(first.px.size(), static_cast<std::size_t>(kW * kH));
  EXPECT_EQ(first.NotFill(), 0) << "nothing of either layer shows";
  EXPECT_TRUE(first == second) << "nothing moves";
}

}  // namespace
