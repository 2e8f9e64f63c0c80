// The backlog view: opening it on the page being read, paging with the
// wheel, the keys and the arrows, replaying a line's voice, and leaving it
// with the wait that was in force before.
#include <gtest/gtest.h>

#include <memory>

#include "engine/kiv_base.h"
#include "platform/menu.h"
#include "sound/sound_request.h"
#include "tests/scene/input_harness.h"

namespace {

using kvtest::InputTest;
using kvtest::Sj;

// Records the voices the requests start (through their mouth timing).
struct VoiceHost : ISoundRequestHost {
  std::vector<std::string> voices;
  void ReadSettings(SoundRequestSettings* out) override {
    *out = SoundRequestSettings{};
    out->voiceOn = 1;
    for (auto& v : out->speakerVoice) v = 1;
  }
  bool HasVoiceSprite() override { return true; }
  void StartMouthTiming(const std::string&, const std::string& name, CArc*) override { voices.push_back(name); }
};

// A history window of 600 x 260 at (0, 0), text home (20, 30).
constexpr int kHistHomeX = 20, kHistHomeY = 30;

class BacklogViewTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    menu = pl::LoadMenu(101);
    SetMenuHandle(menu.get());
    SetSoundRequestHost(&voices);
  }
  void TearDown() override {
    SetSoundRequestHost(nullptr);
    SetMenuHandle(nullptr);
    InputTest::TearDown();
  }
  // Window 0 shown in `state`, and the backlog of two pages: "A", "B" (the
  // page mark), then the page being read, "C" and "D".
  void TwoPages(std::uint32_t state, const std::vector<std::string>& lines = {}) {
    std::vector<std::string> all = {"wbl(1,600,260)", "wbl(4,20,30,4,0,0,4)"};
    all.insert(all.end(), lines.begin(), lines.end());
    ShownWindowIn(state, all);
    text.ClearBacklog();
    for (const char* t : {"A", "B\\f", "C", "D"}) Record(t, "");
  }
  // A record with a hit rectangle (history coordinates) on text line `line`.
  ValueNode* Record(const std::string& t, const std::string& voice, int line = 0) {
    BacklogHeader hdr{};
    hdr[BL_LEFT] = kHistHomeX;
    hdr[BL_RIGHT] = kHistHomeX + 68;
    hdr[BL_TOP] = kHistHomeY + line * 20;
    hdr[BL_BOTTOM] = hdr[BL_TOP] + 40;
    for (std::size_t i = 0; i < voice.size() && i < 31; ++i)
      hdr[BL_VOICE + i / 4] |= static_cast<std::int32_t>(static_cast<std::uint8_t>(voice[i]) << (8 * (i % 4)));
    return text.Backlog().AddBacklog("@", hdr, t);
  }
  // The first record's text of the page on show, or "closed".
  std::string Shown() {
    const ValueNode* p = BacklogView().CurrentPage();
    return BacklogView().IsOpen() && p ? p->text : std::string("closed");
  }
  bool TitleGreyed() { return menu->FindItem(IDM_TITLE)->grayed; }
  void Arrows() {
    for (int i = 0; i < kHistoryImages; ++i) {
      CLayerImage& a = tables.m_HistoryImages[i];
      LoadPicture(a, "arrow" + std::to_string(i), 30, 45, 0xFF0000FFu);
      a.m_nX = static_cast<std::int16_t>(700 + 40 * i);
      a.m_nY = 50;
    }
  }
  // Strictly inside arrow i.
  void MouseOnArrow(int i) { MouseAt(700 + 40 * i + 15, 57); }

  std::unique_ptr<pl::Menu> menu;
  VoiceHost voices;
};

TEST_F(BacklogViewTest, TheFirstTurnBackOpensOnThePageBeingRead) {
  TwoPages(PND_FPROMPT);
  ASSERT_FALSE(TitleGreyed());
  BacklogView().OnWheel(120);
  EXPECT_EQ(Shown(), "C");
  EXPECT_EQ(Scene().m_nPendingState, PND_BACKLOG);
  EXPECT_EQ(text.m_nBacklogSavedState, PND_FPROMPT);
  EXPECT_TRUE(TitleGreyed());
  EXPECT_GT(host.historyDraws, 0);
  EXPECT_EQ(text.Backlog().Last()->text, "D") << "the temporary page mark is undone";
}

TEST_F(BacklogViewTest, PagingBackAndForwardThenLeavingRestoresTheWait) {
  TwoPages(PND_FPROMPT);
  struct Step {
    std::int32_t delta;
    const char* page;
  };
  const Step steps[] = {{120, "C"}, {120, "A"}, {120, "A"}, {-120, "C"}, {-120, "closed"}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.page);
    BacklogView().OnWheel(s.delta);
    EXPECT_EQ(Shown(), s.page);
    EXPECT_EQ(TitleGreyed(), std::string(s.page) != "closed");
  }
  EXPECT_EQ(Scene().m_nPendingState, PND_FPROMPT) << "the wait in force before";
  EXPECT_EQ(text.m_nBacklogSavedState, 0u);
  EXPECT_EQ(BacklogView().CurrentPage(), nullptr);
  EXPECT_EQ(text.Backlog().Last()->text, "D");
}

TEST_F(BacklogViewTest, TurningForwardWithTheViewClosedAdvancesTheText) {
  TwoPages(PND_PROMPT_PAGE);
  BacklogView().OnWheel(-120);
  EXPECT_EQ(Shown(), "closed");
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

TEST_F(BacklogViewTest, TheWheelActsOnlyInTheClickWaitsWithTheWindowShown) {
  struct Case {
    const char* what;
    std::uint32_t state;
    int windowState;
    bool opens;
  };
  const Case cases[] = {
      {"in-page prompt", PND_PROMPT_PAGE, 1, true},
      {"choice", PND_SLCT, 1, true},
      {"timed wait", PND_TIMER, 1, false},
      {"button wait", PND_BUTTON, 1, false},
      {"windows hidden", PND_FPROMPT, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetBacklogView();
    TwoPages(c.state);
    W().m_nState = static_cast<std::uint8_t>(c.windowState);
    BacklogView().OnWheel(120);
    EXPECT_EQ(BacklogView().IsOpen(), c.opens ? 1 : 0);
    EXPECT_EQ(Scene().m_nPendingState, c.opens ? PND_BACKLOG : c.state);
  }
}

TEST_F(BacklogViewTest, AnEmptyBacklogOpensNothing) {
  TwoPages(PND_FPROMPT);
  text.ClearBacklog();
  BacklogView().OnWheel(120);
  BacklogView().OnKey(KEY_HOME);
  BacklogView().OnKey(KEY_END);
  EXPECT_FALSE(BacklogView().IsOpen());
  EXPECT_EQ(Scene().m_nPendingState, PND_FPROMPT);
}

TEST_F(BacklogViewTest, HomeAndEndKeepTheSavedWaitWhenTheViewIsOpen) {
  TwoPages(PND_SLCT);
  OnKey(KEY_HOME);
  EXPECT_EQ(Shown(), "A");
  OnKey(KEY_END);
  EXPECT_EQ(Shown(), "C");
  OnKey(KEY_HOME);
  EXPECT_EQ(Shown(), "A");
  EXPECT_EQ(text.m_nBacklogSavedState, PND_SLCT) << "opening steps skipped while open";
  OnRightClick();
  EXPECT_EQ(Shown(), "closed");
  EXPECT_EQ(Scene().m_nPendingState, PND_SLCT);
}

TEST_F(BacklogViewTest, PageKeysActAsAWheelTurnWhenTheMessageComesBack) {
  TwoPages(PND_FPROMPT);
  OnKey(KEY_PAGEUP);
  EXPECT_EQ(Shown(), "closed") << "nothing at once";
  OnKey(KEY_PAGEDOWN);
  const auto posted = Posted();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].id, static_cast<std::uint32_t>(pl::WM_MOUSEWHEEL));
  EXPECT_EQ(posted[0].wParam, 0x10000u);
  EXPECT_EQ(posted[1].wParam, 0xFFFF0000u);
}

TEST_F(BacklogViewTest, ClickingAVoicedLineReplaysItAndLeavingKeepsTheRestOfTheView) {
  TwoPages(PND_FPROMPT);
  Record("E", "v_e", 2);
  Record("F", "", 4);
  BacklogView().OnWheel(120);
  ASSERT_EQ(Shown(), "C");
  // Inside "E"'s rectangle strictly; the history window is at (0, 0).
  MouseAt(kHistHomeX + 10, kHistHomeY + 2 * 20 + 10);
  OnLeftClick(1);
  EXPECT_EQ(voices.voices, std::vector<std::string>{"v_e"});
  EXPECT_EQ(Shown(), "C") << "the view stays open";
  // A line without a voice, and the edge of a rectangle, play nothing.
  MouseAt(kHistHomeX + 10, kHistHomeY + 4 * 20 + 30);
  OnLeftClick(1);
  MouseAt(kHistHomeX, kHistHomeY + 2 * 20 + 10);
  OnLeftClick(1);
  EXPECT_EQ(voices.voices.size(), 1u);
  // The hover finds the voiced line by its index in the page.
  EXPECT_EQ(BacklogView().HitHistoryEntry(kHistHomeX + 10, kHistHomeY + 2 * 20 + 10), 2);
  EXPECT_EQ(BacklogView().HitHistoryEntry(kHistHomeX + 10, kHistHomeY + 4 * 20 + 30), -1);
  OnKey(KEY_SPACE);
  EXPECT_EQ(Shown(), "closed");
  EXPECT_EQ(Scene().m_nPendingState, PND_FPROMPT);
}

TEST_F(BacklogViewTest, TheHoverRedrawsThePageOnlyWhenTheHoveredLineChanges) {
  TwoPages(PND_FPROMPT);
  Record("E", "v_e", 2);
  BacklogView().OnWheel(120);
  const int draws = host.historyDraws;
  BacklogView().Hover(5, 5);
  EXPECT_EQ(host.historyDraws, draws);
  BacklogView().Hover(kHistHomeX + 10, kHistHomeY + 2 * 20 + 10);
  EXPECT_EQ(host.historyDraws, draws + 1);
  EXPECT_EQ(BacklogView().HoveredIndex(), 2);
  BacklogView().Hover(kHistHomeX + 11, kHistHomeY + 2 * 20 + 10);
  EXPECT_EQ(host.historyDraws, draws + 1);
}

TEST_F(BacklogViewTest, ArrowPressShowsItPressedAndAReleaseElsewhereActsOnNone) {
  TwoPages(PND_FPROMPT);
  Arrows();
  BacklogView().OnWheel(120);
  MouseOnArrow(kArrowFirstPage);
  PressWindowButton();
  EXPECT_EQ(tables.m_HistoryImages[kArrowFirstPage].m_nShownState, 2);
  // The hover leaves a pressed arrow alone and lights the one under it.
  BacklogView().Hover(700 + 40 * kArrowFirstPage + 15, 57);
  EXPECT_EQ(tables.m_HistoryImages[kArrowFirstPage].m_nShownState, 2);
  MouseAt(5, 5);
  OnLeftClick(1);
  for (const CLayerImage& a : tables.m_HistoryImages) EXPECT_EQ(a.m_nShownState, 0);
  EXPECT_EQ(Shown(), "C");
  BacklogView().Hover(700 + 40 * kArrowLastPage + 15, 57);
  EXPECT_EQ(tables.m_HistoryImages[kArrowLastPage].m_nShownState, 1);
  EXPECT_EQ(tables.m_HistoryImages[kArrowClose].m_nShownState, 0);
}

TEST_F(BacklogViewTest, EachArrowActs) {
  struct Case {
    const char* what;
    int arrow;
    const char* page;
    std::uint32_t posted;  // the wheel word posted, 0 for none
  };
  const Case cases[] = {
      {"one page back, as a wheel turn", kArrowPageBack, "C", 0x10000u},
      {"one page forward, as a wheel turn", kArrowPageForward, "C", 0xFFFF0000u},
      {"first page", kArrowFirstPage, "A", 0},
      {"last page", kArrowLastPage, "C", 0},
      {"close", kArrowClose, "closed", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetBacklogView();
    TwoPages(PND_FPROMPT);
    Arrows();
    BacklogView().OnWheel(120);
    Posted();
    MouseOnArrow(c.arrow);
    OnLeftClick(1);
    EXPECT_EQ(Shown(), c.page);
    const auto posted = Posted();
    if (c.posted) {
      ASSERT_EQ(posted.size(), 1u);
      EXPECT_EQ(posted[0].wParam, c.posted);
    } else {
      EXPECT_TRUE(posted.empty());
    }
    EXPECT_EQ(tables.m_HistoryImages[c.arrow].m_nShownState, 0);
  }
}

TEST_F(BacklogViewTest, LeavingToAChoiceGlidesTheCursorBackToIt) {
  TwoPages(PND_SLCT, {"/a/b//"});
  ASSERT_EQ(Scene().m_nPendingState, PND_SLCT);
  text.ClearBacklog();
  for (const char* t : {"A", "B\\f", "C"}) Record(t, "");
  const std::size_t glides = host.glides.size();
  BacklogView().OnWheel(120);
  ASSERT_EQ(Shown(), "C");
  OnRightClick();
  EXPECT_EQ(Scene().m_nPendingState, PND_SLCT);
  EXPECT_EQ(host.glides.size(), glides + 1);
}

TEST_F(BacklogViewTest, TemporaryPageMark) {
  TwoPages(PND_FPROMPT);
  struct Case {
    const char* what;
    std::string last;  // empty: no records at all
    int result;
    std::string marked;
  };
  const Case cases[] = {
      {"no records", "", 0, ""},
      {"an unfinished page", "D", 1, "D\\f"},
      {"a page end already", "D\\F", 0, "D\\F"},
      {"a trail byte 0x5C before f is no mark", Sj("表") + "f", 1, Sj("表") + "f\\f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    text.ClearBacklog();
    if (!c.last.empty()) Record(c.last, "");
    ValueNode* entry = nullptr;
    std::string previous;
    EXPECT_EQ(BacklogView().AppendPageMark(&entry, &previous), c.result);
    if (c.result) {
      EXPECT_EQ(entry, text.Backlog().Last());
      EXPECT_EQ(previous, c.last);
      EXPECT_EQ(entry->text, c.marked);
    } else if (!c.last.empty()) {
      EXPECT_EQ(text.Backlog().Last()->text, c.marked);
    }
  }
}

}  // namespace
