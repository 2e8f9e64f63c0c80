// The scene as the input handlers see it: a script run through the
// interpreter with the real tables and message text, the four layers, a
// font whose characters are solid boxes, the presentation words pointing
// at all of it, and an application object whose input object holds the
// mouse point the handlers test.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/settings_record.h"
#include "framework/app_base.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/anti_font.h"
#include "graphics/layer_draw.h"
#include "graphics/layer_image.h"
#include "graphics/virtual_screen.h"
#include "platform/messages.h"
#include "scene/backlog_view.h"
#include "scene/presentation.h"
#include "scene/wait_input.h"
#include "tests/scene/scene_harness.h"
#include "tests/scene/screen_harness.h"

namespace kvtest {

struct InputTextHost : ITextHost {
  std::vector<std::pair<int, int>> glides;
  int historyDraws = 0;
  void GlideCursorTo(int x, int y) override { glides.emplace_back(x, y); }
  void DrawHistoryWindow() override { ++historyDraws; }
};

// Window 0 at (100, 400), 600 x 150, text home (10, 8), pitch 17 x 20,
// 5 characters a line, 3 lines a page.
inline constexpr int kWinX = 100, kWinY = 400, kHomeX = 10, kHomeY = 8, kPitchX = 17, kPitchY = 20;

class InputTest : public SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_TRUE(CreateVirtualScreens(nullptr));
    UseBoxText(font, text);  // cells of kPitchX
    app.m_pKeyManager = &keys;
    app.m_nState = APP_ACTIVE;
    SetApp(&app);
    ResetPresentation();
    PointPresentation(&text, &settings);
    settings.m_bAutoMode = 0;
    settings.m_bVoiceStop = 0;
    ResetBacklogView();
    pl::ClearMessageQueue();
    // Drawing as the graphics alone do it, whatever an earlier test put in.
    savedHooks = GetLayerDrawHooks();
    SetLayerDrawHooks(LayerDrawHooks{});
  }
  void TearDown() override {
    SetLayerDrawHooks(savedHooks);
    ResetBacklogView();
    ResetPresentation();
    SetApp(nullptr);
    SetAntiFont(nullptr);
    FreeVirtualScreens();
    pl::ClearMessageQueue();
    SceneScriptTest::TearDown();
  }
  // The window set-up, then the lines, run until the first wait.
  void Page(const std::vector<std::string>& lines) {
    std::vector<std::string> all = Window0Lines();
    all.push_back("wnd(0,4,10,8,4,0,3,5)");
    all.insert(all.end(), lines.begin(), lines.end());
    RunLines(all);
  }
  // Window 0 made (with the extra set-up lines) and shown, the script in
  // the wait `state`.
  void ShownWindowIn(std::uint32_t state, const std::vector<std::string>& lines = {}) {
    Page(lines);
    W().m_nState = 1;
    Scene().m_nPendingState = state;
  }
  CTextWindow& W() { return *tables.WindowAt(0); }
  void MouseAt(int x, int y) { keys.m_ptMouse = pl::Point{x, y}; }
  pl::Point Mouse() const { return keys.m_ptMouse; }
  // A picture record loaded from "GRP/<name>.abm" (w x h, one colour).
  void LoadPicture(CLayerImage& rec, const std::string& name, int w, int h, std::uint32_t argb) {
    Picture(name, w, h, argb);
    ASSERT_EQ(LoadLayerImage(rec, name.c_str(), 3, nullptr, 0, 0), 1);
  }
  // The messages posted so far (taken from the queue).
  std::vector<pl::Message> Posted() {
    std::vector<pl::Message> out;
    pl::Message m;
    while (pl::PeekMessage(&m)) out.push_back(m);
    return out;
  }
  std::uint32_t Px(int x, int y) { return LayerPixel(0, x, y); }

  CAntiFont font;
  InputTextHost host;
  CMessageText text{eng, tables, &host};
  CSettings settings;
  CAppBase app;
  CKeyManager keys;
  LayerDrawHooks savedHooks;
};

}  // namespace kvtest
