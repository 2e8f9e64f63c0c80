// Scripts that show, hide and animate the scene: the interpreter with the
// object tables, the message text, the four layers, the presentation words
// and the show and effect commands plugged in, on the fake backend's clock.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/settings_record.h"
#include "graphics/layer_draw.h"
#include "graphics/virtual_screen.h"
#include "platform/messages.h"
#include "scene/effect_commands.h"
#include "scene/presentation.h"
#include "scene/scene_draw_hooks.h"
#include "scene/show_commands.h"
#include "scene/sprite_effect_stepper.h"
#include "tests/scene/scene_harness.h"
#include "tests/scene/screen_harness.h"

namespace kvtest {

class EffectsTest : public SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_TRUE(CreateVirtualScreens(nullptr));
    // The drawing hooks the engine installs at its start.
    SetLayerDrawHooks(LayerDrawHooks{});
    InstallSceneDrawHooks();
    InstallShowCommands(eng);
    InstallEffectCommands(eng);
    ResetPresentation();
    ResetSpriteEffectState();
    SetSpriteTone(0);
    PointPresentation(&text, &settings);
    scene.text = &text;
    fake.manualClock().Set(100000);
    pl::ClearMessageQueue();
  }
  void TearDown() override {
    SetLayerDrawHooks(LayerDrawHooks{});
    SetSpriteToneHook(nullptr);
    SetSpriteTone(0);
    ResetSpriteEffectState();
    ResetPresentation();
    FreeVirtualScreens();
    pl::ClearMessageQueue();
    SceneScriptTest::TearDown();
  }

  std::uint32_t Now() { return fake.manualClock().TickMs(); }
  void Advance(std::uint32_t ms) { fake.manualClock().Advance(ms); }

  // One step of the sprite stepper over the layers' own views.
  int Step() {
    CBuffer& out = GetVirtualScreen(0)->m_Surface;
    CBuffer& fresh = GetVirtualScreen(3)->m_Surface;
    return SpriteEffectStep(out, 0, fresh);
  }
  // Steps every `ms` until the main operation ends (at most `limit` steps);
  // the number of steps taken.
  int StepUntilDone(std::uint32_t ms, int limit = 1000) {
    int n = 0;
    while (Scene().m_Ops[0].code != 0 && n < limit) {
      Step();
      Advance(ms);
      ++n;
    }
    return n;
  }

  // A kind-24 picture of one colour (0x00RRGGBB), drawn exactly at full
  // opacity, put straight into a record.
  static void Solid(CLayerImage& r, const char* name, int w, int h, std::uint32_t rgb, int cls = 0) {
    SolidPicture(r, name, w, h, {rgb | 0xFF000000u}, 24, cls);
    r.m_nShownState = 0;
  }

  // The colour (0x00RRGGBB) of a layer's pixel.
  static std::uint32_t At(int layer, int x, int y) { return LayerColour(layer, x, y); }

  // The script with `n` sprites, one window and four buttons and gauges
  // made, then the lines.
  void RunWith(std::initializer_list<std::string> lines, int sprites = 4) {
    tables.FreeAll();  // made afresh without the remake warnings
    std::vector<std::string> all = Window0Lines();
    all.push_back("spr(" + std::to_string(sprites) + ")");
    all.push_back("btn(4)");
    all.insert(all.end(), lines.begin(), lines.end());
    RunLines(all);
  }
  // More lines after a script has stopped in its wait.
  void More(std::initializer_list<std::string> lines) {
    std::vector<std::string> all = {"::START"};
    all.insert(all.end(), lines.begin(), lines.end());
    RunLines(all);
  }
  CLayerImage& Sprite(int i) { return *tables.SpriteAt(i); }
  CTextWindow& Window() { return *tables.WindowAt(0); }

  // Counts the window redraws the text asks for.
  struct CountingTextHost : ITextHost {
    int redraws = 0;
    void RedrawWindow(std::int32_t, bool) override { ++redraws; }
  };

  CSettings settings;
  CountingTextHost textHost;
  CMessageText text{eng, tables, &textHost};
};

}  // namespace kvtest
