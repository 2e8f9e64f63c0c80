// The CG gallery: which thumbnails are unlocked and what they show, the
// tabs and page buttons only where there is a choice, paging, the viewer
// (the first unlocked picture of a group, the scroll over a tall picture,
// Ctrl), a group with nothing unlocked, and the pictures or lists that are
// missing or damaged.
#include "screens/cg_mode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/value_node.h"
#include "framework/byte_io.h"
#include "graphics/blend_table.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

constexpr std::uint32_t kGame = 0xFF405060;
constexpr std::uint32_t kSheet0 = 0xFFC08040;
constexpr std::uint32_t kSheet1 = 0xFF40C080;
constexpr std::uint32_t kLocked = 0xFFE0E0E0;
constexpr std::uint32_t kPicA = 0xFF30A0F0;
constexpr std::uint32_t kPicC = 0xFFF0A030;

// What a cell of `colour` shows after the thumbnail's tint toward black.
std::uint32_t Tinted(std::uint32_t colour, int f) {
  std::uint32_t out = 0;
  for (int s = 0; s < 24; s += 8) {
    const int c = static_cast<int>((colour >> s) & 0xFF);
    out |= static_cast<std::uint32_t>(c + ((f * (0 - c)) >> 8)) << s;
  }
  return out;
}

struct Rec {
  std::string name;
  int group;
};

class CGModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    ASSERT_EQ(backdrop.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    std::fill_n(backdrop.Row32(0), 1024 * 600, kGame);
    MakePictures();
    pl::SetCursorPos(pl::ClientToScreen(window, {0, 0}));
  }
  void MakePictures() {
    MakePicture("cgm_bk0.bmp", Bands(24, 1024, {{600, kPage}}));
    MakePicture("cgm_cp.abm", Bands(32, 564, {{440, kTabs}, {144, kNormal}}));
    MakePicture("cgm000.bmp", Bands(24, 576, {{339, kSheet0}}));
    MakePicture("cgm001.bmp", Bands(24, 576, {{339, kSheet1}}));
    MakePicture("cgm_no.abm", Bands(32, 192, {{113, kLocked}}));
  }

  // A list file: the records, then the record and group counts (the real
  // ones unless a damaged file is wanted).
  void List(int category, const std::vector<Rec>& recs, int claimRecords = -1, int claimGroups = -1) {
    std::string bytes;
    int groups = 0;
    for (std::size_t i = 0; i < recs.size(); ++i) {
      std::uint8_t r[48] = {};
      std::memcpy(r, recs[i].name.data(), std::min<std::size_t>(recs[i].name.size(), 32));
      byteio::PutLE32(r + 36, static_cast<std::uint32_t>(recs[i].group));
      byteio::PutLE32(r + 40, 0xDEADBEEF);
      bytes.append(reinterpret_cast<const char*>(r), 48);
      if (i == 0 || recs[i].group != recs[i - 1].group) ++groups;
    }
    std::uint8_t tail[8];
    byteio::PutLE32(tail, static_cast<std::uint32_t>(claimRecords < 0 ? static_cast<int>(recs.size()) : claimRecords));
    byteio::PutLE32(tail + 4, static_cast<std::uint32_t>(claimGroups < 0 ? groups : claimGroups));
    bytes.append(reinterpret_cast<const char*>(tail), 8);
    char name[32];
    std::snprintf(name, sizeof name, "cglist%02d.dat", category);
    ASSERT_TRUE(kvtest::WriteFile(dir / name, bytes));
  }
  int Run() {
    screen.m_pBlendTable = Tables();
    const int r = screen.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved),
                             DescribeBuffer(backdrop), &keys, &globals);
    screen.LeaveHookList();
    return r;
  }
  static const BlendTables* Tables() {
    static const std::unique_ptr<BlendTables> tables = MakeBlendTables();
    return tables.get();
  }
  static pl::Point Slot(int s) { return LayoutCenter(CGButtonLayout[kCGFirstSlot + s]); }
  static pl::Point Control(int i) { return LayoutCenter(CGButtonLayout[i]); }
  // The pixel exactly (its fourth byte aside): what a fade or blend only
  // comes near, its last copy gives.
  bool Is(int x, int y, std::uint32_t colour) { return ((ShownAt(x, y) ^ colour) & 0xFFFFFF) == 0; }
  // The page has faded in and waits for input.
  std::function<bool()> PageIn() {
    return [this] { return screen.m_bLoop == 1 && Is(100, 20, kPage) && Later(2)(); };
  }
  std::function<bool()> Hovering(int i) {
    return [this, i] { return screen.m_nHovered == i && Later(2)(); };
  }
  // White text pixels in the top right of a slot, where its count goes.
  int CountInk(int s) {
    const LayoutButton& b = CGButtonLayout[kCGFirstSlot + s];
    int ink = 0;
    for (int y = b.y + 2; y < b.y + 22; ++y) {
      for (int x = b.x + b.w - 60; x < b.x + b.w - 2; ++x) ink += (ShownAt(x, y) & 0xFFFFFF) > 0xC0C0C0 ? 1 : 0;
    }
    return ink;
  }

  CCGMode screen;
  ValueList globals;
  CBuffer saved, backdrop;
};

TEST_F(CGModeTest, ThumbnailsShowWhatTheGlobalsUnlockWhateverTheirTypeValueOrCase) {
  List(0, {{"ev01a", 1}, {"ev01b", 1}, {"ev01c", 1}, {"ev02a", 2}, {"ev03a", 3}, {"ev03b", 3}});
  globals.AddInt("EV01C", 0);
  globals.AddText("ev03a", "");
  globals.AddFloat("Ev03B", 2.5f);
  globals.AddInt("ev02", 1);  // a prefix unlocks nothing
  std::vector<int> seen, counts;
  bool pageOk = false, hoverOk = false;
  int inkUnlocked = 0, inkLocked = 0, inkSecond = 0;
  std::vector<Step> s;
  s.push_back({PageIn(), [&] {
                 seen.assign(screen.m_nSlotSeen, screen.m_nSlotSeen + 9);
                 counts.assign(screen.m_nSlotCount, screen.m_nSlotCount + 9);
                 inkUnlocked = CountInk(0);
                 inkLocked = CountInk(1);
                 inkSecond = CountInk(2);
                 pageOk = Near(ShownAt(Slot(0).x, Slot(0).y + 30), Tinted(kSheet0, 128)) &&
                          Near(ShownAt(Slot(1).x, Slot(1).y), Tinted(kLocked, 128)) &&
                          Near(ShownAt(Slot(3).x, Slot(3).y), kPage) &&            // no group
                          Near(ShownAt(Control(0).x, Control(0).y), kPage) &&      // one category: no tabs
                          Near(ShownAt(Control(10).x, Control(10).y), kPage) &&    // one page: no buttons
                          Near(ShownAt(Control(kCGReturn).x, Control(kCGReturn).y), kNormal);
               }});
  s.push_back({Later(1), [&] { fake.InjectMouseMove(Slot(0)); }});
  s.push_back({Hovering(kCGFirstSlot), [&] { hoverOk = Near(ShownAt(Slot(0).x, Slot(0).y + 30), Tinted(kSheet0, 64)); }});
  // Neither an empty slot nor a lone tab or page button takes the hover.
  for (pl::Point p : {Slot(4), Control(0), Control(10)}) {
    s.push_back({Later(1), [this, p] { fake.InjectMouseMove(p); }});
    s.push_back({Later(5), [this] { EXPECT_EQ(screen.m_nHovered, kNoItem); }});
  }
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(counts, (std::vector<int>{3, 1, 2, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(pageOk);
  EXPECT_TRUE(hoverOk);
  EXPECT_GT(inkUnlocked, 10) << "the count of an unlocked slot";
  EXPECT_GT(inkSecond, 10);
  EXPECT_EQ(inkLocked, 0) << "a locked slot has no count";
  EXPECT_EQ(ShownAt(500, 300), kGame);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(CGModeTest, AGroupOpensOnItsFirstUnlockedPictureAndReturnsToThePage) {
  List(0, {{"ev01a", 9}, {"ev01b", 9}, {"ev01c", 9}});
  MakePicture("ev01a.bmp", Bands(24, 1024, {{600, kPicA}}));
  MakePicture("ev01c.bmp", Bands(24, 1024, {{600, kPicC}}));
  globals.AddInt("ev01c", 1);
  bool sawA = false, sawC = false, backOnPage = false;
  std::vector<Step> s;
  AddClick(s, PageIn(), Slot(0));
  s.push_back({[this] { return Is(500, 300, kPicC) && Later(2)(); }, [&] { sawC = true; }});
  AddKey(s, Later(1), pl::DIK_RETURN);
  s.push_back({[this] { return screen.m_nViewEnd == 2 && Is(100, 20, kPage) && Later(3)(); },
               [&] { backOnPage = Near(ShownAt(Slot(0).x, Slot(0).y + 30), Tinted(kSheet0, 64)); }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  auto inner = fake.onPump;
  fake.onPump = [&](int p) {
    sawA = sawA || Near(ShownAt(500, 300), kPicA);
    inner(p);
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_TRUE(sawC);
  EXPECT_FALSE(sawA) << "a locked picture was shown";
  EXPECT_TRUE(backOnPage);
  EXPECT_EQ(screen.m_nScrollKind, 0);
}

TEST_F(CGModeTest, AGroupWithNothingUnlockedReturnsToThePageAtOnce) {
  List(0, {{"ev01a", 9}, {"ev01b", 9}});
  MakePicture("ev01a.bmp", Bands(24, 1024, {{600, kPicA}}));
  bool watching = false, sawBlack = false, sawPicture = false;
  std::vector<Step> s;
  AddClick(s, PageIn(), Slot(0));
  s.push_back({Later(1), [&] { watching = true; }});
  s.push_back({Later(30), [&] {
                 EXPECT_EQ(screen.m_nHovered, kCGFirstSlot);
                 watching = false;  // leaving fades out
               }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  auto inner = fake.onPump;
  fake.onPump = [&](int p) {
    if (watching && screen.m_bLoop) {
      sawBlack = sawBlack || (ShownAt(100, 20) & 0xFFFFFF) == 0;
      sawPicture = sawPicture || Near(ShownAt(500, 300), kPicA);
    }
    inner(p);
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_FALSE(sawBlack) << "the viewer faded the page out";
  EXPECT_FALSE(sawPicture);
}

TEST_F(CGModeTest, ATallPictureScrollsFromItsBottomUpUnlessCtrlShowsTheTop) {
  constexpr std::uint32_t kTop = 0xFF10E010, kBottom = 0xFFE01010;
  List(0, {{"tall", 1}});  // group 1 scrolls upward
  MakePicture("tall.bmp", Bands(24, 1024, {{600, kTop}, {600, kBottom}}));
  globals.AddInt("tall", 1);
  for (const bool ctrl : {false, true}) {
    SCOPED_TRACE(ctrl ? "ctrl" : "no key");
    std::vector<int> ys;
    bool firstShowsBottom = false, endShowsTop = false;
    std::vector<Step> s;
    AddClick(s, PageIn(), Slot(0));
    s.push_back({[&] { return !ys.empty(); }, [&] {
                   if (ctrl) fake.InjectKey(pl::DIK_LCONTROL, true);
                 }});
    s.push_back({[&] { return !ys.empty() && ys.back() == 0 && Later(3)(); }, [&] {
                   if (ctrl) fake.InjectKey(pl::DIK_LCONTROL, false);
                   endShowsTop = Near(ShownAt(500, 0), kTop) && Near(ShownAt(500, 599), kTop);
                 }});
    AddKey(s, Later(50), pl::DIK_SPACE);  // out of the viewer, once the last step has waited
    AddKey(s, PageIn(), pl::DIK_SPACE);  // out of the gallery
    Play(std::move(s));
    auto inner = fake.onPump;
    fake.onPump = [&](int p) {
      // The scroll's positions, from the first drawn frame on.
      if (screen.m_nViewEnd == 0 && screen.m_nScrollKind == 1 && (Near(ShownAt(500, 300), kBottom) || !ys.empty())) {
        if (ys.empty()) firstShowsBottom = Near(ShownAt(500, 599), kBottom);
        if (ys.empty() || ys.back() != screen.m_nViewY) ys.push_back(screen.m_nViewY);
      }
      inner(p);
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AllPlayed());
    ASSERT_FALSE(ys.empty());
    EXPECT_TRUE(firstShowsBottom);
    EXPECT_TRUE(endShowsTop);
    EXPECT_GE(ys.front(), 592) << "the scroll starts at the bottom half";
    for (std::size_t i = 1; i < ys.size(); ++i) {
      EXPECT_LT(ys[i], ys[i - 1]);
      if (!ctrl) {
        EXPECT_EQ(ys[i - 1] - ys[i], 4) << "at " << i;
      }
    }
    if (ctrl) {
      EXPECT_LE(ys.size(), 4u) << "Ctrl jumps to the top";
    } else {
      EXPECT_GE(ys.size(), 148u);
    }
  }
}

TEST_F(CGModeTest, AnAnimatedPictureStepsThroughItsSequenceInTheViewer) {
  constexpr std::uint32_t kFrame0 = 0xFF2040E0, kFrame1 = 0xFFE04020;
  struct Case {
    const char* seq;
    bool frame1Shown;
  };
  // A frame the picture does not have shows frame 0.
  for (const Case c : {Case{"0 1", true}, Case{"0 7", false}}) {
    SCOPED_TRACE(c.seq);
    List(0, {{"anim", 9}});
    globals.Clear();
    globals.AddInt("anim", 1);
    char hex0[16], hex1[16];
    std::snprintf(hex0, sizeof hex0, "%08X", kFrame0);
    std::snprintf(hex1, sizeof hex1, "%08X", kFrame1);
    MakePicture("anim.abm", std::string("variant 3\nsize 1024 600\nframe\nfill 614400 ") + hex0 + "\nframe\nfill 614400 " +
                                hex1 + "\nseq 0 " + c.seq + "\n");
    int frame0 = 0, frame1 = 0;
    bool viewing = false;
    std::vector<Step> s;
    AddClick(s, PageIn(), Slot(0));
    s.push_back({[this] { return Is(500, 300, kFrame0) || Is(500, 300, kFrame1); }, [&] { viewing = true; }});
    s.push_back({Later(400), [&] { viewing = false; }});
    AddKey(s, Later(1), pl::DIK_SPACE);
    AddKey(s, PageIn(), pl::DIK_SPACE);
    Play(std::move(s));
    auto inner = fake.onPump;
    fake.onPump = [&](int p) {
      if (viewing) {
        frame0 += Near(ShownAt(500, 300), kFrame0) ? 1 : 0;
        frame1 += Near(ShownAt(500, 300), kFrame1) ? 1 : 0;
      }
      inner(p);
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AllPlayed());
    EXPECT_GT(frame0, 0);
    EXPECT_EQ(frame1 > 0, c.frame1Shown);
    EXPECT_EQ(frame0 + frame1, 400) << "every pump shows one of the frames";
  }
}

TEST_F(CGModeTest, PageButtonsTurnThePageAndTabsChangeTheCategory) {
  std::vector<Rec> recs;
  for (int g = 0; g < 10; ++g) {
    recs.push_back({"p" + std::to_string(g), 100 + g});
    globals.AddInt("p" + std::to_string(g), 1);
  }
  List(0, recs);
  List(1, {{"q0", 5}, {"q1", 6}});
  MakePicture("cgm_bk1.bmp", Bands(24, 1024, {{600, 0xFF102030}}));
  MakePicture("cgm100.bmp", Bands(24, 576, {{339, kPicA}}));
  bool firstPage = false, secondPage = false, secondCategory = false;
  std::vector<Step> s;
  s.push_back({PageIn(), [&] {
                 firstPage = screen.m_nPageCount == 2 && screen.m_nCategoryCount == 2 &&
                             Near(ShownAt(Control(10).x, Control(10).y), kNormal) &&
                             Near(ShownAt(Control(11).x, Control(11).y), kNormal) &&
                             Near(ShownAt(Control(12).x, Control(12).y), kPage) &&
                             Near(ShownAt(Control(1).x, Control(1).y), kTabs) &&
                             Near(ShownAt(Control(2).x, Control(2).y), kPage) &&
                             Near(ShownAt(Slot(8).x, Slot(8).y + 30), Tinted(kSheet0, 128));
               }});
  AddClick(s, Later(1), Control(11));
  s.push_back({[this] { return screen.m_nPage == 1 && Later(3)(); }, [&] {
                 secondPage = screen.m_nSlotCount[0] == 1 && screen.m_nSlotCount[1] == 0 &&
                              Near(ShownAt(Slot(0).x, Slot(0).y + 30), Tinted(kSheet1, 128)) &&
                              Near(ShownAt(Slot(1).x, Slot(1).y), kPage);
               }});
  s.push_back({Later(1), [&] { fake.InjectMouseMove(Slot(1)); }});
  s.push_back({Later(5), [this] { EXPECT_EQ(screen.m_nHovered, kNoItem) << "past the last group"; }});
  AddClick(s, Later(1), Control(1));
  s.push_back({[this] { return screen.m_nCategory == 1 && Later(3)(); }, [&] {
                 secondCategory = screen.m_nPage == 0 && screen.m_nPageCount == 1 && screen.m_nGroups == 2 &&
                                  Near(ShownAt(100, 20), 0xFF102030) &&
                                  Near(ShownAt(Slot(0).x, Slot(0).y + 30), Tinted(kLocked, 128));
               }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_TRUE(firstPage);
  EXPECT_TRUE(secondPage);
  EXPECT_TRUE(secondCategory);
}

TEST_F(CGModeTest, CursorKeysMoveBetweenTheControlsThatCanBeChosen) {
  // Two groups, one page, one category: slots 0 and 1 only.
  List(0, {{"a", 1}, {"b", 2}});
  struct Case {
    pl::Point from;  // {0, 0}: nothing hovered
    int key;
    int hovered;     // afterwards
  };
  const Case cases[] = {
      {{0, 0}, pl::DIK_DOWN, kCGFirstSlot},            // nothing hovered: slot 0
      {Slot(0), pl::DIK_RIGHT, kCGFirstSlot + 1},
      {Slot(1), pl::DIK_RIGHT, kCGFirstSlot + 1},      // slot 2 holds no group: no move
      {Slot(0), pl::DIK_DOWN, kCGReturn},              // slot 3 empty, one page: return
      {Control(kCGReturn), pl::DIK_UP, kCGFirstSlot},  // one page: lowest used slot of the left column
      {Slot(0), pl::DIK_LEFT, kCGFirstSlot},           // the lone tab is not a target
      {Control(kCGReturn), pl::DIK_DOWN, kCGReturn},
  };
  std::vector<int> got;
  std::vector<Step> s;
  s.push_back({PageIn(), [] {}});
  for (const Case& c : cases) {
    const pl::Point from = c.from;
    s.push_back({Later(1), [this, from] { fake.InjectMouseMove(from); }});
    AddKey(s, Later(4), c.key);
    s.push_back({Later(6), [&] { got.push_back(screen.m_nHovered); }});
  }
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
  std::vector<int> want;
  for (const Case& c : cases) want.push_back(c.hovered);
  EXPECT_EQ(got, want);
}

TEST_F(CGModeTest, WhatIsMissingEndsTheGallery) {
  struct Case {
    const char* what;
    std::function<void()> damage;
    std::vector<std::string> boxes;
    std::uint32_t shown;  // a list fails before the gallery draws; a picture after the game picture is back
  };
  const std::string noList = "メッセージ:cglist.datのファイルデータ取得に失敗しました。";
  const Case cases[] = {
      {"no list", [this] { (void)kvtest::RunCommand("rm -f " + dir / "cglist00.dat"); }, {noList}, kPage},
      {"list shorter than its counts", [this] { ASSERT_TRUE(kvtest::WriteFile(dir / "cglist00.dat", "abc")); },
       {noList}, kPage},
      {"background", [this] { (void)kvtest::RunCommand("rm " + dir / "grp/cgm_bk0.bmp"); }, {}, kGame},
      {"sheet", [this] { (void)kvtest::RunCommand("rm " + dir / "grp/cgm000.bmp"); }, {}, kGame},
      {"chips", [this] { (void)kvtest::RunCommand("rm " + dir / "grp/cgm_cp.abm"); }, {}, kGame},
      {"locked thumbnail", [this] { (void)kvtest::RunCommand("rm " + dir / "grp/cgm_no.abm"); }, {}, kGame},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakePictures();
    List(0, {{"a", 1}});
    c.damage();
    fake.boxes.clear();
    fake.onPump = {};
    CCGMode fresh;
    fresh.m_pBlendTable = Tables();
    FillShown(kPage);
    EXPECT_EQ(fresh.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved),
                        DescribeBuffer(backdrop), &keys, &globals),
              -1);
    fresh.LeaveHookList();
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(ShownAt(500, 300), c.shown);
  }
}

TEST_F(CGModeTest, ATabWhoseListIsGoneEndsTheGallery) {
  // Two lists count as two tabs, but the second tab opens list 1.
  List(0, {{"a", 1}});
  List(5, {{"b", 1}});
  std::vector<Step> s;
  AddClick(s, PageIn(), Control(1));
  Play(std::move(s));
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(AllPlayed());
  EXPECT_EQ(screen.m_nCategoryCount, 2);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"メッセージ:cglist.datのファイルデータ取得に失敗しました。"});
  EXPECT_EQ(ShownAt(500, 300), kGame);
}

TEST_F(CGModeTest, AnUnlockedPictureWithoutItsFileEndsTheGallery) {
  List(0, {{"gone", 3}});
  globals.AddInt("gone", 1);
  std::vector<Step> s;
  AddClick(s, PageIn(), Slot(0));
  Play(std::move(s));
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(AllPlayed());
  EXPECT_EQ(screen.m_bClosed, 0) << "ended by the gallery, not by a close";
  EXPECT_EQ(ShownAt(500, 300), kGame);
}

TEST_F(CGModeTest, AListClaimingMoreThanItHoldsShowsWhatItHolds) {
  List(0, {{"a", 1}, {"b", 2}}, 5000, 900);
  globals.AddInt("b", 1);
  std::vector<Step> s;
  s.push_back({PageIn(), [this] {
                 EXPECT_EQ(screen.m_Records.size(), 2u);
                 EXPECT_EQ(screen.m_nGroups, 2);
                 EXPECT_EQ(screen.m_nPageCount, 1);
                 EXPECT_TRUE(Near(ShownAt(Slot(1).x, Slot(1).y + 30), Tinted(kSheet0, 128)));
                 EXPECT_TRUE(Near(ShownAt(Slot(2).x, Slot(2).y), kPage));
               }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(AllPlayed());
}

}  // namespace
