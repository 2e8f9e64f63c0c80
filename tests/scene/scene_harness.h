// A script driven through the interpreter with the scene's own object
// tables and message text plugged in: the scene double forwards the window,
// page-text, backlog and choice calls to them and keeps the pending state
// in the process's scene state, as the engine object does.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/script_engine.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "tests/engine/fake_scene.h"
#include "tests/engine/script_test_util.h"
#include "tests/scene/screen_harness.h"
#include "tests/support/process_state.h"
#include "tests/support/test_support.h"

namespace kvtest {

class TablesScene : public FakeScene {
 public:
  explicit TablesScene(CObjectTables& t) : tables(t) {}
  std::uint32_t GetPendingState() override { return Scene().m_nPendingState; }
  void SetPendingState(std::uint32_t s) override { Scene().m_nPendingState = s; }
  std::int32_t GetRunMode() override { return Scene().m_nRunMode; }
  void SetRunMode(std::int32_t m) override { Scene().m_nRunMode = m; }
  void SetPendingOp(std::int32_t code, std::int32_t p1) override { ::SetPendingOp(code, p1); }
  std::int32_t GetCurrentWindow() override { return tables.CurrentIndex(); }
  std::int32_t GetWindowCount() override { return tables.WindowCount(); }
  void SelectWindow(std::int32_t index) override { tables.SelectWindow(index); }
  // The text calls go to the message text once it is set.
  void EnsureWindowShown() override { text ? text->EnsureWindowShown() : FakeScene::EnsureWindowShown(); }
  void NewTextLine() override { text ? text->NewTextLine() : FakeScene::NewTextLine(); }
  void PrepareTextLine(std::string_view name) override {
    FakeScene::PrepareTextLine(name);
    if (text) text->PrepareTextLine(name);
  }
  bool IsPageTextEmpty() override { return text ? text->IsPageTextEmpty() : FakeScene::IsPageTextEmpty(); }
  void AppendPageText(std::string_view t) override { text ? text->AppendPageText(t) : FakeScene::AppendPageText(t); }
  void ClearPageText() override { text ? text->ClearPageText() : FakeScene::ClearPageText(); }
  bool GetContinuedText() override { return text ? text->GetContinuedText() : FakeScene::GetContinuedText(); }
  void SetContinuedText(bool on) override { text ? text->SetContinuedText(on) : FakeScene::SetContinuedText(on); }
  void AddBacklogLine(std::string_view t) override { text ? text->AddBacklogLine(t) : FakeScene::AddBacklogLine(t); }
  void ClearBacklog() override { text ? text->ClearBacklog() : FakeScene::ClearBacklog(); }
  void ShowChoices(const std::vector<std::string>& c) override {
    FakeScene::ShowChoices(c);
    if (text) text->ShowChoices(c);
  }
  CObjectTables& tables;
  CMessageText* text = nullptr;
};

class SceneScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState(dir.path());
    ASSERT_EQ(RunCommand("mkdir -p " + dir / "GRP" + " " + dir / "txt"), 0);
    eng.Reset();
    SetObjectTables(&tables);
    InstallObjectCommands(eng);
  }
  void TearDown() override {
    SetObjectTables(nullptr);
    ResetProcessState();
  }
  // Starts START as the engine does, one line back (so that the first line
  // run is the one after "::START"), and steps until the script waits, halts
  // or has run `maxSteps` lines. The script ends in a timed wait, so that it
  // never runs off its end.
  void Run(std::initializer_list<std::string> lines, int maxSteps = 2000) {
    RunLines(std::vector<std::string>(lines), maxSteps);
  }
  void RunLines(const std::vector<std::string>& lines, int maxSteps = 2000) {
    std::string text;
    for (const std::string& l : lines) text += Sj(l) + "\r\n";
    text += "wait(1)\r\n::END\r\n";
    ASSERT_TRUE(WriteFile(dir / "txt/START.TXT", text));
    Scene().m_nPendingState = 0;
    eng.StartScript("START");
    eng.m_Root.StepBack();
    Continue(maxSteps);
  }
  // The start of a script that makes window 0 at (100, 400), 600 x 150.
  static std::vector<std::string> Window0Lines() {
    return {"::START", "wnd(1)", "wnd(0,2,100,400)", "wnd(0,1,600,150)"};
  }
  // The text drawn in the box font at size 16, in cells 17 wide (16 and
  // one pixel apart), and the scene's text calls sent to `text`; the clock
  // at 100 s.
  void UseBoxText(CAntiFont& font, CMessageText& text) {
    UseBoxFont(font);
    eng.m_nTextSize = 16;
    eng.m_nLetterSpacing = 17;
    scene.text = &text;
    fake.manualClock().Set(100000);
  }
  // The presentation words pointed at this script's tables and engine and
  // at the given text and settings.
  void PointPresentation(CMessageText* text, CSettings* settings) {
    ScenePresentation& p = Presentation();
    p.m_pTables = &tables;
    p.m_pText = text;
    p.m_pScript = &eng;
    p.m_pSettings = settings;
  }
  void Continue(int maxSteps = 2000) {
    for (int i = 0; i < maxSteps && !eng.m_bHalted && Scene().m_nPendingState == 0; ++i) eng.ExecuteLine();
  }
  // "caption:text" of every box so far (UTF-8), and forget them.
  std::vector<std::string> TakeBoxes() {
    std::vector<std::string> c = BoxTexts(fake);
    fake.boxes.clear();
    return c;
  }
  // A solid picture "GRP/<name>.abm" of w x h pixels (0xAARRGGBB).
  void Picture(const std::string& name, int w, int h, std::uint32_t argb = 0xFF808080u) {
    char px[16];
    std::snprintf(px, sizeof px, "%08X", argb);
    const std::string recipe = dir / (name + ".recipe");
    ASSERT_TRUE(WriteFile(recipe, "variant 32\nsize " + std::to_string(w) + " " + std::to_string(h) + "\nfill " +
                                      std::to_string(w * h) + " " + px + "\n"));
    ASSERT_EQ(RunCommand(ToolPath("abmpack") + " " + dir / ("GRP/" + name + ".abm") + " " + recipe), 0);
  }

  pl::FakeBackend fake;
  TempDir dir;
  CObjectTables tables;
  TablesScene scene{tables};
  CScriptEngine eng{&scene};
};

}  // namespace kvtest
