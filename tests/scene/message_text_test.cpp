// Message text through the interpreter: what a player sees revealed on
// layer 0, step by step on the virtual clock; the click waits; wrapping;
// names, colours, voices; choices; backlog records.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "engine/settings_record.h"
#include "graphics/anti_font.h"
#include "graphics/virtual_screen.h"
#include "tests/scene/scene_harness.h"
#include "tests/scene/screen_harness.h"

namespace {

using kvtest::Sj;
using Strings = std::vector<std::string>;

struct Host : ITextHost {
  Strings voices;
  std::vector<std::pair<int, int>> glides;
  int redraws = 0;
  bool read = false;
  int nameW = 0, nameH = 0;
  void RedrawWindow(std::int32_t, bool) override { ++redraws; }
  bool NameWindow(int* w, int* h) override {
    *w = nameW;
    *h = nameH;
    return nameH > 0;
  }
  void PlayVoice(const std::string& n) override { voices.push_back(n); }
  void GlideCursorTo(int x, int y) override { glides.emplace_back(x, y); }
  bool IsCurrentLineRead() override { return read; }
};

// Window 0 at (100, 400), text home (10, 8), pitch 17 x 20 (cell 17 wide,
// text size 16, line gap 4), 3 characters a line, 3 lines a page.
constexpr int kWx = 100, kWy = 400, kHomeX = 10, kHomeY = 8, kPx = 17, kPy = 20;

class MessageTextTest : public kvtest::SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    ASSERT_TRUE(CreateVirtualScreens(nullptr));
    // Characters as solid boxes in cells of kPx: a lit cell centre tells
    // that a character stands there, its colour which colour.
    UseBoxText(font, text);
    eng.m_nTextColor = 0x0000FF;  // COLORREF red
    // The reveal reads its speed and skip switch from the live settings.
    Presentation().m_pSettings = &settings;
  }
  void TearDown() override {
    Presentation().m_pSettings = nullptr;
    SetAntiFont(nullptr);
    FreeVirtualScreens();
    SceneScriptTest::TearDown();
  }
  // The window set-up, then the lines; runs until the first wait.
  void Page(std::initializer_list<std::string> lines, const std::string& layout = "wnd(0,4,10,8,4,0,3,3)") {
    std::vector<std::string> all = Window0Lines();
    all.push_back(layout);
    all.insert(all.end(), lines.begin(), lines.end());
    RunLines(all);
  }
  CTextWindow& W() { return *tables.WindowAt(0); }
  // The reveal until it waits (at most n steps), clock moving 100 ms a step.
  void RevealAll(int n = 200) {
    for (int i = 0; i < n && Scene().m_Ops[0].code == kTextRevealOp && Scene().m_nPendingState == PND_TYPING; ++i) {
      text.ShowTextStep();
      fake.manualClock().Advance(100);
    }
  }
  // A click that ends a click wait inside the page, then the script goes on.
  void Click() {
    Scene().m_nPendingState = 0;
    Continue();
  }
  std::uint32_t Px(int x, int y) { return kvtest::LayerPixel(0, x, y); }
  // The character cell at column c, text line l of window 0.
  std::uint32_t Cell(int c, int l) { return Px(kWx + kHomeX + c * kPx + 8, kWy + kHomeY + l * kPy + 8); }
  bool Lit(int c, int l) { return Cell(c, l) != 0; }
  int LitCount() {
    int n = 0;
    for (int l = 0; l < 3; ++l)
      for (int c = 0; c < 4; ++c) n += Lit(c, l);
    return n;
  }

  CSettings settings;
  CAntiFont font;
  Host host;
  CMessageText text{eng, tables, &host};
};

TEST_F(MessageTextTest, EachSpeedShowsOneCharacterPerInterval) {
  const struct {
    int speed;
    std::uint32_t interval;
  } cases[] = {{0, 90}, {1, 45}, {2, 16}};
  for (const auto& c : cases) {
    settings.m_nTextSpeed = c.speed;
    GetVirtualScreen(0)->m_Surface.m_pcPix[0] = 0;
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    text.ClearPageText();
    Page({"あいう"});
    ASSERT_EQ(Scene().m_nPendingState, PND_TYPING) << c.speed;
    ASSERT_EQ(Scene().m_Ops[0].code, kTextRevealOp);
    fake.manualClock().Advance(1000);
    text.ShowTextStep();
    EXPECT_EQ(LitCount(), 1) << c.speed;
    EXPECT_TRUE(Lit(0, 0));
    fake.manualClock().Advance(c.interval - 1);
    text.ShowTextStep();
    EXPECT_EQ(LitCount(), 1) << c.speed;
    fake.manualClock().Advance(1);
    text.ShowTextStep();
    EXPECT_EQ(LitCount(), 2) << c.speed;
    EXPECT_TRUE(Lit(1, 0));
    EXPECT_EQ(Scene().m_nPendingState, PND_TYPING);
    fake.manualClock().Advance(c.interval);
    text.ShowTextStep();
    EXPECT_EQ(LitCount(), 3);
    // The line's end is a step of its own: the click wait inside the page.
    fake.manualClock().Advance(c.interval);
    text.ShowTextStep();
    EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE) << c.speed;
    EXPECT_EQ(Scene().m_nRunMode, RUN_NORMAL);
    EXPECT_EQ(text.PageText(), Sj("あいう") + "\\n");
    EXPECT_NE(Scene().m_Ops[0].code, kTextRevealOp);
    TakeBoxes();
  }
}

TEST_F(MessageTextTest, SpeedThreeShowsTheLineAtOnceAndTheClickGoesOn) {
  settings.m_nTextSpeed = 3;
  // (Outside mode 2 consecutive text lines are one line: a label parts them.)
  Page({"あいう", ":a", "えお"});
  const int marks = scene.readMarks;
  text.ShowTextStep();
  // The read mark is handed on at the line's end.
  EXPECT_EQ(scene.readMarks, marks + 1);
  EXPECT_EQ(LitCount(), 3);
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
  // Run mode 2 for the page, back to 1 at the wait.
  EXPECT_EQ(Scene().m_nRunMode, RUN_NORMAL);
  Click();
  EXPECT_EQ(Scene().m_nPendingState, PND_TYPING);
  text.ShowTextStep();
  EXPECT_TRUE(Lit(0, 1));
  EXPECT_TRUE(Lit(1, 1));
  EXPECT_EQ(text.PageText(), Sj("あいう") + "\\n" + Sj("えお") + "\\n");
}

TEST_F(MessageTextTest, WrappingRules) {
  // Where the text position ends after the line's last character: the
  // page-end cursor follows the text.
  const struct {
    std::string line;
    int x, y;  // relative to the text home, in pitches
  } cases[] = {
      {"あい", 2, 0},
      {"あいう", 0, 1},             // a full line: the next line's start
      {"あいうえ", 1, 1},
      {"あいう。", 0, 1},           // one full stop hangs past the end
      {"あいう。、", 1, 1},         // a second one does not
      {"あい「う」", 0, 2},         // an opening bracket never ends a line
      {"表示ソ", 0, 1},             // 0x5C trail bytes are no escapes
      {"あ@nい", 1, 1},
      {"あいう@nえ", 1, 1},          // a break at the full line: one line
      {"あいうえおかきくけこ", 1, 0},  // past the last line: back home
  };
  settings.m_nTextSpeed = 3;
  for (const auto& c : cases) {
    text.ClearPageText();
    Page({c.line});
    W().m_nPageCursorFixed = -1;
    RevealAll();
    EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE) << c.line;
    EXPECT_EQ(W().m_nPageCursorX, kHomeX + c.x * kPx) << c.line;
    EXPECT_EQ(W().m_nPageCursorY, kHomeY + c.y * kPy) << c.line;
    TakeBoxes();
  }
  // Single-byte characters (only a variable's text brings them) take
  // half a pitch and one pixel.
  text.ClearPageText();
  Page({});
  W().m_nPageCursorFixed = -1;
  eng.m_LineBuf = Sj("aあ");
  eng.DeepestFrame().m_nCursor = 0;
  text.PrepareTextLine("");
  ::SetPendingOp(kTextRevealOp, 0);
  Scene().m_nPendingState = PND_TYPING;
  RevealAll();
  EXPECT_EQ(W().m_nPageCursorX, kHomeX + (kPx / 2 + 1) + kPx);
}

TEST_F(MessageTextTest, PageEndWaitsOrClearsAtOnceWhenSkipping) {
  settings.m_nTextSpeed = 3;
  eng.m_bSaveEnabled = eng.m_bLoadEnabled = 0;
  // An empty line after the text ends the page with it.
  Page({"あい", "", "うえ"});
  RevealAll();
  EXPECT_EQ(Scene().m_nPendingState, PND_FPROMPT);
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  EXPECT_EQ(eng.m_bLoadEnabled, 1);
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
  EXPECT_EQ(text.PageText(), Sj("あい") + "\\f");

  text.ClearPageText();
  Page({"あい", "", "うえ"});
  settings.m_bSkipReadOnly = 0;  // skipping passes unread text too
  Scene().m_nRunMode = RUN_SKIP;
  RevealAll();
  // The skip's clear: the wait driver does it at once.
  EXPECT_EQ(Scene().m_Ops[0].code, OP_PAGE_CLEAR);
  EXPECT_EQ(Scene().m_Ops[0].p[0], 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_TYPING);
}

TEST_F(MessageTextTest, EscapeIGoesOnWithoutAClick) {
  settings.m_nTextSpeed = 3;
  Page({"あい@i", ":a", "う"});
  RevealAll();
  EXPECT_TRUE(text.GetContinuedText());
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_EQ(text.PageText(), Sj("あい") + "@i");
  Continue();
  // The next line: the continued flag is cleared and it starts where the
  // first one stopped.
  EXPECT_FALSE(text.GetContinuedText());
  RevealAll();
  EXPECT_TRUE(Lit(2, 0));
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
}

TEST_F(MessageTextTest, LoneEscapeAndLeadByteAtTheEndStopTheLine) {
  settings.m_nTextSpeed = 3;
  // "表" ends in 0x5C: "表f" is no page end.
  for (const std::string& line : {Sj("あ@"), Sj("あ\\"), Sj("あ") + "\x82", Sj("表") + "f"}) {
    text.ClearPageText();
    Page({});
    eng.m_LineBuf = line;
    eng.DeepestFrame().m_nCursor = 0;
    text.PrepareTextLine("");
    ::SetPendingOp(kTextRevealOp, 0);
    Scene().m_nPendingState = PND_TYPING;
    RevealAll();
    EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
    EXPECT_LE(eng.DeepestFrame().m_nCursor, eng.m_LineBuf.size());
  }
}

TEST_F(MessageTextTest, SpeakerNameOnThePlateAndTextFromTheNextLine) {
  settings.m_nTextSpeed = 3;
  Page({"[太郎]「あ」"});
  EXPECT_EQ(scene.names, Strings{Sj("太郎")});
  EXPECT_EQ(text.SpeakerName(), Sj("太郎"));
  RevealAll();
  // No name window: "【太郎】" at the start of the text area.
  for (int c = 0; c < 3; ++c) EXPECT_TRUE(Lit(c, 0)) << c;
  EXPECT_TRUE(Lit(0, 1));
  EXPECT_TRUE(Lit(2, 1));
  // The closing bracket ends the speaker's turn.
  EXPECT_EQ(text.SpeakerName(), "");

  // With a name window, the name is centred on it above the window.
  ClearVirtualScreen(GetVirtualScreen(0), 0);
  host.nameW = 200;
  host.nameH = 40;
  text.ClearPageText();
  Page({"[太郎]あ"});
  RevealAll();
  const int nx = kWx + 200 / 2 - kPx * (4 / 2) / 2 - 6, ny = kWy + 40 / 2 - 16 / 2 - 14;
  EXPECT_NE(Px(nx + 8, ny + 8), 0u);
  EXPECT_NE(Px(nx + kPx + 8, ny + 8), 0u);
  EXPECT_TRUE(Lit(0, 1));
  EXPECT_FALSE(Lit(0, 0));
}

TEST_F(MessageTextTest, NamePlateAboveTheScreenIsClipped) {
  host.nameW = 200;
  host.nameH = 40;
  settings.m_nTextSpeed = 3;
  Page({"[太郎]あ"}, "wnd(0,4,10,8,4,0,3,3)");
  W().m_nY = 2;  // the plate would start above the screen
  RevealAll();
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
}

TEST_F(MessageTextTest, ReadTextColour) {
  const struct {
    int display;
    bool read;
    std::uint32_t colorref;
  } cases[] = {{1, true, kReadTextColor}, {1, false, 0x0000FF}, {0, true, 0x0000FF}};
  settings.m_nTextSpeed = 3;
  for (const auto& c : cases) {
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    text.m_Settings.readMarkDisplay = c.display;
    host.read = c.read;
    text.ClearPageText();
    Page({"あ"});
    RevealAll();
    // Memory order B, G, R; a COLORREF holds R in its low byte.
    const std::uint32_t p = Cell(0, 0);
    const int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
    EXPECT_NEAR(r, static_cast<int>(c.colorref & 0xFF), 1) << c.display << c.read;
    EXPECT_NEAR(g, static_cast<int>((c.colorref >> 8) & 0xFF), 1);
    EXPECT_NEAR(b, static_cast<int>((c.colorref >> 16) & 0xFF), 1);
  }
}

TEST_F(MessageTextTest, ShadowIsDrawnOffsetInItsColour) {
  settings.m_nTextSpeed = 3;
  eng.m_nShadow = static_cast<std::int32_t>((4u << 24) | 0x00FF00u);
  Page({"あ"});
  RevealAll();
  // Right of and below the character, only the shadow reaches.
  const std::uint32_t p = Px(kWx + kHomeX + 18, kWy + kHomeY + 18);
  EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 0xFF, 1);
  EXPECT_EQ(p & 0xFF, 0u);
}

TEST_F(MessageTextTest, VoiceCues) {
  settings.m_nTextSpeed = 3;
  Page({"cv(\"ev_\")", "@cA01あ"});
  RevealAll();
  EXPECT_EQ(host.voices, Strings{"ev_A01"});
  EXPECT_TRUE(Lit(0, 0));
  // Skipping plays nothing.
  host.voices.clear();
  text.ClearPageText();
  Page({"cv(\"ev_\")", "@cA02あ"});
  settings.m_bSkipReadOnly = 0;  // skipping passes unread text too
  Scene().m_nRunMode = RUN_SKIPHELD;
  RevealAll();
  EXPECT_TRUE(host.voices.empty());
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  // Without "cv": one box for the line, the cue passed over, the text shown.
  eng.m_Root.m_Vars.Remove(eng.m_Root.m_Vars.Find("cv"));
  TakeBoxes();
  text.ClearPageText();
  Scene().m_nRunMode = RUN_NORMAL;
  settings.m_nTextSpeed = 0;
  Page({"@cB1あ@cB2い"});
  RevealAll();
  const Strings boxes = TakeBoxes();
  EXPECT_EQ(std::count(boxes.begin(), boxes.end(), "デバッグ:cvコマンドが未使用です。"), 1);
  EXPECT_TRUE(Lit(1, 0));
  EXPECT_EQ(Scene().m_nPendingState, PND_PROMPT_PAGE);
}

TEST_F(MessageTextTest, SkipStopsAtUnreadText) {
  settings.m_nTextSpeed = 0;
  settings.m_bSkipReadOnly = 1;
  Page({"あいう"});
  Scene().m_nRunMode = RUN_SKIP;
  host.read = false;
  text.ShowTextStep();
  EXPECT_EQ(Scene().m_nRunMode, RUN_NORMAL);
  EXPECT_EQ(LitCount(), 1);
  host.read = true;
  text.ClearPageText();
  Page({"あいう"});
  Scene().m_nRunMode = RUN_SKIP;
  text.ShowTextStep();
  EXPECT_EQ(Scene().m_nRunMode, RUN_SKIP);
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

TEST_F(MessageTextTest, PageTextIsCappedAndAFullPageEnds) {
  settings.m_nTextSpeed = 3;
  Page({"あ"});
  text.AppendPageText(std::string(kPageTextMax - 3, 'a'));
  RevealAll();
  EXPECT_LE(text.PageText().size(), kPageTextMax);
  EXPECT_EQ(Scene().m_nPendingState, PND_FPROMPT);
}

TEST_F(MessageTextTest, ChoicesLayoutHighlightAndResult) {
  Page({"/はい/yes/あいうえお//"}, "wnd(0,4,10,8,4,0,5,3)");
  ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
  ASSERT_EQ(text.ChoiceCount(), 3);
  EXPECT_EQ(text.Choice(1).m_strText, "yes");
  EXPECT_EQ(text.Choice(0).m_nX, kHomeX);
  EXPECT_EQ(text.Choice(0).m_nY, kHomeY);
  EXPECT_EQ(text.Choice(0).m_nWidth, 3 * kPx);
  EXPECT_EQ(text.Choice(1).m_nY, kHomeY + kPy);
  // The third is longer than a line: two lines high.
  EXPECT_EQ(text.Choice(2).m_nY, kHomeY + 2 * kPy);
  EXPECT_EQ(text.Choice(2).m_nHeight, 2 * kPy);
  EXPECT_EQ(text.Highlighted(), -1);
  ASSERT_EQ(host.glides.size(), 1u);
  EXPECT_EQ(host.glides[0], std::make_pair(kWx + kHomeX + 4, kWy + kHomeY + kPy - 5));
  // Nothing highlighted: every choice grey.
  auto red = [](std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); };
  auto blue = [](std::uint32_t p) { return static_cast<int>(p & 0xFF); };
  EXPECT_NEAR(blue(Cell(0, 0)), 0xC0, 1);
  text.DrawChoice(1, -1);
  EXPECT_EQ(text.Highlighted(), 1);
  EXPECT_NEAR(red(Cell(0, 1)), 0xFF, 1);
  EXPECT_EQ(blue(Cell(0, 1)), 0);
  EXPECT_NEAR(blue(Cell(0, 0)), 0xC0, 1);
  // Hit rectangles are relative to the window, bounds included.
  EXPECT_EQ(text.ChoiceAt(kWx + kHomeX, kWy + kHomeY + kPy), 0);
  EXPECT_EQ(text.ChoiceAt(kWx + kHomeX + 1, kWy + kHomeY + kPy + 1), 1);
  EXPECT_EQ(text.ChoiceAt(kWx + kHomeX, kWy + kHomeY + 4 * kPy + 1), -1);
  EXPECT_FALSE(text.ApplyChoice(3));
  EXPECT_EQ(Scene().m_nPendingState, PND_SLCT);
  EXPECT_TRUE(text.ApplyChoice(2));
  EXPECT_EQ(Scene().m_nPendingState, 0u);
  EXPECT_EQ(eng.Reg()->type, VT_INT);
  EXPECT_EQ(eng.Reg()->nValue, 2);
}

TEST_F(MessageTextTest, BacklogRecords) {
  eng.m_nTextSize = 16;
  // History: home (20, 30), pitch 17 x 20, 10 lines a page, 4 a line.
  Page({"wbl(1,600,260)", "wbl(4,20,30,4,0,0,4)", "cv(\"v_\")", "あいうえお", ":a", "@cX9か", ":b", "き"});
  ASSERT_EQ(tables.m_History.m_nLinesPerPage, (260 - 60) / 20);
  settings.m_nTextSpeed = 3;
  RevealAll();
  Click();
  RevealAll();
  Click();
  RevealAll();
  ASSERT_EQ(text.Backlog().Size(), 3u);
  const ValueNode* r = text.Backlog().Head();
  EXPECT_EQ(r->type, VT_BACKLOG);
  EXPECT_EQ(r->text, Sj("あいうえお"));
  EXPECT_EQ(r->header[BL_LEFT], 20);
  EXPECT_EQ(r->header[BL_RIGHT], 20 + 4 * kPx);
  EXPECT_EQ(r->header[BL_TOP], 30);
  // Two text lines and the gap of two.
  EXPECT_EQ(r->header[BL_BOTTOM], 30 + 4 * kPy);
  EXPECT_EQ(r->header[BL_MODE], 0);
  EXPECT_EQ(r->header[BL_VOICE], 0);
  const ValueNode* r2 = r->next;
  EXPECT_EQ(r2->header[BL_TOP], 30 + 4 * kPy);
  char voice[33] = {};
  for (int k = 0; k < 8; ++k)
    for (int b = 0; b < 4; ++b) voice[4 * k + b] = static_cast<char>(r2->header[BL_VOICE + k] >> (8 * b));
  EXPECT_STREQ(voice, "v_X9");
  // The third no longer fits on the page (4 + 3 + 3 > 9): a new page
  // begins with it and the second record carries the page mark.
  const ValueNode* r3 = r2->next;
  EXPECT_EQ(r3->header[BL_TOP], 30);
  EXPECT_EQ(r2->text, "@cX9" + Sj("か") + "\\f");
  EXPECT_EQ(r->text, Sj("あいうえお"));

  // A mode change starts a new page; a record already ending in "\f"
  // gets no second mark.
  text.ClearBacklog();
  text.AddBacklogLine(Sj("あ") + "\\f");
  eng.m_nMode = 2;
  text.AddBacklogLine(Sj("い"));
  EXPECT_EQ(text.Backlog().Head()->text, Sj("あ") + "\\f");
  EXPECT_EQ(text.Backlog().Last()->header[BL_TOP], 30);
  EXPECT_EQ(text.Backlog().Last()->header[BL_MODE], 2);
  // In mode 2 a line takes its lines and one more.
  EXPECT_EQ(text.Backlog().Last()->header[BL_BOTTOM], 30 + 2 * kPy);
  // After a page the script ended, the next record's rectangle is at the
  // top of its page, where the view draws it.
  text.ClearBacklog();
  eng.m_nMode = 0;
  text.AddBacklogLine(Sj("あ"));
  text.AddBacklogLine(Sj("い") + "\\f");
  text.AddBacklogLine("@cX2" + Sj("う"));
  EXPECT_EQ(text.Backlog().Head()->next->header[BL_TOP], 30 + 3 * kPy);
  EXPECT_EQ(text.Backlog().Last()->header[BL_TOP], 30);
  EXPECT_EQ(text.Backlog().Last()->header[BL_BOTTOM], 30 + 3 * kPy);
  EXPECT_EQ(text.Backlog().Head()->next->text, Sj("い") + "\\f") << "no second mark";
  // A trail byte 0x5C before 'f' is no page mark.
  text.ClearBacklog();
  eng.m_nMode = 0;
  for (int i = 0; i < 4; ++i) text.AddBacklogLine(Sj("表") + "f");
  EXPECT_EQ(text.Backlog().Head()->next->next->text, Sj("表") + "f\\f");
}

TEST_F(MessageTextTest, HistoryPageColoursAndHover) {
  Page({"wbl(1,600,260)", "wbl(4,20,30,4,0,0,4)", "cv(\"v_\")"});
  text.ClearBacklog();
  text.AddBacklogLine(Sj("あ"));
  text.AddBacklogLine("@cX1" + Sj("い"));
  text.AddBacklogLine(Sj("う") + "\\f");
  text.AddBacklogLine(Sj("え"));
  ClearVirtualScreen(GetVirtualScreen(0), 0);
  // The mouse strictly inside the voiced record's rectangle.
  const ValueNode* second = text.Backlog().Head()->next;
  const ValueNode* hovered = text.DrawHistoryPage(text.Backlog().Head(), 25, second->header[BL_TOP] + 5);
  EXPECT_EQ(hovered, second);
  auto at = [&](int line) { return Px(20 + 8, 30 + line * kPy + 8); };
  auto rgb = [](std::uint32_t p) { return std::array<int, 3>{int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)}; };
  // COLORREF 0xFFFF00 is cyan, 0x00FFFF yellow (R, G, B below).
  auto near = [](std::array<int, 3> a, std::array<int, 3> b) {
    for (int i = 0; i < 3; ++i)
      if (std::abs(a[i] - b[i]) > 1) return false;
    return true;
  };
  EXPECT_TRUE(near(rgb(at(0)), {0, 0xFF, 0xFF}));
  EXPECT_TRUE(near(rgb(at(3)), {0xFF, 0xFF, 0}));
  EXPECT_TRUE(near(rgb(at(6)), {0, 0xFF, 0xFF}));
  // The page ends with the mark: the fourth record is on the next page.
  EXPECT_EQ(at(9), 0u);
  // Away from it, the voiced record is green and none is hovered.
  EXPECT_EQ(text.DrawHistoryPage(text.Backlog().Head(), 500, 5), nullptr);
  EXPECT_TRUE(near(rgb(at(3)), {0, 0xFF, 0}));
}

TEST_F(MessageTextTest, RedrawnWindowShowsThePageAgain) {
  settings.m_nTextSpeed = 3;
  Page({"[太郎]あい", ":a", "うえおか"});
  RevealAll();
  Click();
  RevealAll();
  ClearVirtualScreen(GetVirtualScreen(0), 0);
  text.ResetWindowText(nullptr, true);
  EXPECT_TRUE(Lit(0, 0));  // the plate "【太郎】"
  EXPECT_TRUE(Lit(1, 1));
  EXPECT_TRUE(Lit(2, 2));  // "うえお" after the first text line
  // "か" went past the last line, back to the first; the line's break
  // leaves the position on the second.
  EXPECT_EQ(W().m_nLine, 1);
}

TEST_F(MessageTextTest, SavedLineIsRebuiltByTheCopyRules) {
  eng.m_Root.m_Vars.AddText("who", "Ann");
  eng.m_Root.m_Vars.AddText("w", "xy");
  text.ScanTextMarkup(Sj("[\\swho]あ@swい@p残り"));
  EXPECT_EQ(eng.m_LineBuf, Sj("[\\swho]あxyい"));
  EXPECT_EQ(text.SpeakerName(), "Ann");
  text.ScanTextMarkup(Sj("あ@fい"));
  EXPECT_EQ(eng.m_LineBuf, Sj("あ@f"));
  text.ScanTextMarkup(Sj("表@c12345678901234567890"));
  EXPECT_EQ(eng.m_LineBuf, Sj("表@c12345678901234567890"));
  EXPECT_EQ(eng.DeepestFrame().m_nCursor, 0u);
}

}  // namespace
