// The scene-replay gallery: which scenes are seen, what choosing one hands
// the script ("reg") and does to the music, which items exist on short
// pages and single categories, where the next visit starts, the cursor
// keys, and missing lists and pictures.
#include "screens/h_mode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/script_engine.h"
#include "engine/value_node.h"
#include "framework/arc.h"
#include "framework/byte_io.h"
#include "graphics/blend_table.h"
#include "platform/sound_device.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

constexpr std::uint32_t kSeen = 0xFF00F000;
constexpr std::uint32_t kUnseen = 0xFFF00000;

struct Scene {
  std::string name;
  std::int32_t number;
};

struct MusicHost : ISoundRequestHost {
  void ReadSettings(SoundRequestSettings* out) override {
    out->bgmOn = out->voiceOn = out->seOn = 1;
    out->bgmVolume = 20;
  }
};

class HModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    ASSERT_EQ(saved.Create(1, 1024, 600, nullptr), CBuffer::kCreateOk);
    for (int c = 0; c < 2; ++c) MakePicture("hm_bk" + std::to_string(c) + ".bmp", Bands(24, 1024, {{600, kPage}}));
    MakePicture("hm_cp.abm", Bands(32, 564, {{440, kTabs}, {144, kNormal}}));
    for (const char* p : {"hm000.bmp", "hm001.bmp", "hm100.bmp", "hm101.bmp"}) {
      MakePicture(p, Bands(24, 576, {{339, kSeen}}));
    }
    MakePicture("hm_no.abm", Bands(32, 192, {{113, kUnseen}}));
    ASSERT_EQ(sound.InitDirectSound(nullptr), 1);
    SetSoundSystem(&sound);
    ResetSoundRequests();
    SetSoundRequestHost(&musicHost);
    script.Reset();
    screen.m_pScript = &script;
    screen.m_pBlendTable = Tables();
    FillShown(0xFF112233);
  }
  void TearDown() override {
    SetSoundRequestHost(nullptr);
    ResetSoundRequests();
    SetSoundSystem(nullptr);
    sound.ShutdownDirectSound();
    ScreenHarness::TearDown();
  }
  static const BlendTables* Tables() {
    static const std::unique_ptr<BlendTables> tables = MakeBlendTables();
    return tables.get();
  }
  // A scene list: 48-byte records, then the count in the last word.
  void List(int category, const std::vector<Scene>& scenes) {
    std::string bytes;
    for (const Scene& s : scenes) {
      std::uint8_t r[48] = {};
      std::memcpy(r, s.name.data(), std::min<std::size_t>(s.name.size(), 31));
      byteio::PutLE32(r + 36, 0xDEADBEEF);
      byteio::PutLE32(r + 44, static_cast<std::uint32_t>(s.number));
      bytes.append(reinterpret_cast<const char*>(r), 48);
    }
    std::uint8_t tail[4];
    byteio::PutLE32(tail, static_cast<std::uint32_t>(scenes.size()));
    bytes.append(reinterpret_cast<const char*>(tail), 4);
    char name[32];
    std::snprintf(name, sizeof name, "hmlist%02d.dat", category);
    ASSERT_TRUE(kvtest::WriteFile(dir / name, bytes));
  }
  static std::vector<Scene> Scenes(int n, const std::string& prefix = "h") {
    std::vector<Scene> out;
    for (int i = 0; i < n; ++i) out.push_back({prefix + std::to_string(i), 100 + i});
    return out;
  }
  int Run() {
    const int r = screen.Run(window, &hooks, DescribeScreen(GetPresentedScreen()), DescribeBuffer(saved), nullptr,
                             &keys, &globals);
    screen.LeaveHookList();
    return r;
  }
  std::function<bool()> Open() {
    return [this] { return screen.m_bLoop == 1 && Near(ShownAt(1000, 20), kPage) && Later(3)(); };
  }
  static pl::Point Item(int i) { return LayoutCenter(HModeLayout[i]); }
  // Plays the steps after the page is open; the screen must end by itself.
  int RunWith(const std::function<void(std::vector<Step>&)>& body) {
    std::vector<Step> s;
    s.push_back({Open(), [] {}});
    body(s);
    Play(std::move(s));
    const int r = Run();
    EXPECT_TRUE(AllPlayed()) << "stopped before step " << next;
    EXPECT_FALSE(screen.m_bClosed) << "the screen did not end by itself";
    return r;
  }
  void Hover(std::vector<Step>& s, int item, int* seen) {
    s.push_back({Later(3), [this, item] { fake.InjectMouseMove(Item(item)); }});
    s.push_back({Later(4), [this, seen] { *seen = screen.m_nHovered; }});
  }
  void Cancel(std::vector<Step>& s) { AddKey(s, Later(3), pl::DIK_SPACE); }
  std::int32_t Reg() { return script.Reg()->nValue; }
  void PlayMusic() {
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir / "bgm"), 0);
    const std::string cmd = kvtest::ToolPath("gensound") + " ogg '" + dir / "bgm/m01.ogg" +
                            "' --seconds 0.5 --rate 44100 --channels 2";
    ASSERT_EQ(kvtest::RunCommand(cmd), 0);
    ASSERT_EQ(PlaySoundByKind(0, "m01", "bgm", 0), 1);
    ASSERT_NE(sound.Channel(kBgmChannel).m_szName[0], '\0');
  }

  CSoundSystem sound;
  MusicHost musicHost;
  CScriptEngine script;
  ValueList globals;
  CHMode screen;
  CBuffer saved;
};

TEST_F(HModeTest, OnlySeenScenesCanBeChosenAndTheChoiceGoesToReg) {
  List(0, {{"scene_a", 7}, {"scene_b", 8}, {"scene_c", 9}});
  globals.AddInt("SCENE_A", 0);     // any value, another case
  globals.AddText("scene_c", "");  // any type
  struct Case {
    int thumb;
    bool seen;
    std::int32_t reg;
  };
  const Case cases[] = {{0, true, 7}, {1, false, -1}, {2, true, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "thumbnail " << c.thumb);
    PlayMusic();
    script.Reg()->SetInt(12345);
    // A seen scene ends the gallery by itself; an unseen one leaves it
    // open and "reg" alone until the cancel.
    std::int32_t regWhileOpen = 0;
    RunWith([&](std::vector<Step>& s) {
      AddClick(s, Later(3), Item(kHFirstThumb + c.thumb));
      if (!c.seen) {
        s.push_back({Later(5), [&] { regWhileOpen = screen.m_bLoop == 1 ? Reg() : 0; }});
        Cancel(s);
      }
    });
    if (!c.seen) {
      EXPECT_EQ(regWhileOpen, 12345);
    }
    EXPECT_EQ(Reg(), c.reg);
    EXPECT_EQ(screen.m_bStarted, c.seen ? 1 : 0);
    // Choosing a scene fades the music out and halts it; cancel leaves it.
    EXPECT_EQ(sound.Channel(kBgmChannel).m_szName[0] == '\0', c.seen);
    EXPECT_EQ(SoundRequests().bgmMemo.empty(), c.seen);
    sound.HaltChannel(kBgmChannel);
    screen.m_nPage = -1;
  }
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(HModeTest, ThumbnailsShowSeenAndUnseenPictures) {
  List(0, Scenes(3));
  globals.AddInt("h1", 1);
  std::vector<std::uint32_t> shot;
  RunWith([&](std::vector<Step>& s) {
    s.push_back({Later(2), [&] { shot.assign(Shown(), Shown() + 1024 * 600); }});
    Cancel(s);
  });
  ASSERT_FALSE(shot.empty());
  auto at = [&](int item) {
    return shot[static_cast<std::size_t>(HModeLayout[item].y + 50) * 1024 + HModeLayout[item].x + 90];
  };
  auto green = [](std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); };
  auto red = [](std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); };
  EXPECT_GT(red(at(kHFirstThumb)), green(at(kHFirstThumb)));          // h0 unseen
  EXPECT_GT(green(at(kHFirstThumb + 1)), red(at(kHFirstThumb + 1)));  // h1 seen
  EXPECT_TRUE(Near(at(kHFirstThumb + 3), kPage)) << "no scene, no thumbnail";
}

TEST_F(HModeTest, ShortPagesAndSingleCategoriesHideTheirItems) {
  struct Case {
    std::vector<int> listSizes;  // one a category
    int pageCount;
    std::vector<std::pair<int, int>> hovers;  // item pointed at, item hovered
  };
  const Case cases[] = {
      // One category, one page: neither tabs nor page buttons react.
      {{3},
       1,
       {{0, kNoItem}, {kHFirstPage, kNoItem}, {kHFirstThumb + 2, kHFirstThumb + 2}, {kHFirstThumb + 3, kNoItem}}},
      // Two categories, ten scenes: two pages, both tabs, no third page.
      {{10, 1}, 2, {{0, 0}, {1, 1}, {2, kNoItem}, {kHFirstPage + 1, kHFirstPage + 1}, {kHFirstPage + 2, kNoItem},
                    {kHReturn, kHReturn}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.listSizes.size() << " categories, " << c.listSizes[0] << " scenes");
    for (std::size_t k = 0; k < c.listSizes.size(); ++k) List(static_cast<int>(k), Scenes(c.listSizes[k]));
    std::vector<int> seen(c.hovers.size(), -1);
    RunWith([&](std::vector<Step>& s) {
      for (std::size_t k = 0; k < c.hovers.size(); ++k) Hover(s, c.hovers[k].first, &seen[k]);
      Cancel(s);
    });
    EXPECT_EQ(screen.m_nPageCount, c.pageCount);
    for (std::size_t k = 0; k < c.hovers.size(); ++k) {
      EXPECT_EQ(seen[k], c.hovers[k].second) << "item " << c.hovers[k].first;
    }
    ASSERT_EQ(kvtest::RunCommand("rm -f " + dir / "hmlist01.dat"), 0);
  }
}

TEST_F(HModeTest, TheSecondPageOfTenScenesHoldsOneThumbnail) {
  List(0, Scenes(10));
  globals.AddInt("h9", 1);
  int first = -1, second = -1;
  RunWith([&](std::vector<Step>& s) {
    AddClick(s, Later(3), Item(kHFirstPage + 1));
    Hover(s, kHFirstThumb + 1, &second);
    Hover(s, kHFirstThumb, &first);
    AddClick(s, Later(3), Item(kHFirstThumb));
  });
  EXPECT_EQ(second, kNoItem);
  EXPECT_EQ(first, kHFirstThumb);
  EXPECT_EQ(Reg(), 109);
}

TEST_F(HModeTest, TheNextVisitStartsOverUnlessAReplayWasChosen) {
  List(0, Scenes(1));
  List(1, Scenes(12, "k"));
  globals.AddInt("k10", 1);
  // A replay chosen on category 1, page 1: the next visit opens there.
  RunWith([&](std::vector<Step>& s) {
    AddClick(s, Later(3), Item(1));
    AddClick(s, Later(5), Item(kHFirstPage + 1));
    AddClick(s, Later(5), Item(kHFirstThumb + 1));
  });
  EXPECT_EQ(Reg(), 110);
  int category = -1, page = -1;
  RunWith([&](std::vector<Step>& s) {
    s.push_back({Later(1), [&] {
                   category = screen.m_nCategory;
                   page = screen.m_nPage;
                 }});
    AddClick(s, Later(3), Item(kHReturn));
  });
  EXPECT_EQ(category, 1);
  EXPECT_EQ(page, 1);
  EXPECT_EQ(Reg(), -1);
  // Left by the return button: category 0, page 0 again.
  RunWith([&](std::vector<Step>& s) {
    s.push_back({Later(1), [&] {
                   category = screen.m_nCategory;
                   page = screen.m_nPage;
                 }});
    Cancel(s);
  });
  EXPECT_EQ(category, 0);
  EXPECT_EQ(page, 0);
}

TEST_F(HModeTest, CursorKeysMoveBetweenTheItems) {
  List(0, Scenes(10));
  List(1, Scenes(2));
  struct Case {
    int from;  // kNoItem: the cursor off every item
    int key;
    int to;
  };
  const Case cases[] = {
      {kNoItem, pl::DIK_DOWN, kHFirstThumb},
      {kHFirstThumb, pl::DIK_RIGHT, kHFirstThumb + 1},
      {kHFirstThumb + 2, pl::DIK_RIGHT, kHFirstThumb + 2},  // right column: no move
      {kHFirstThumb, pl::DIK_LEFT, 0},                      // the current category's tab
      {kHFirstThumb + 6, pl::DIK_DOWN, kHFirstPage},        // the current page's button
      {kHFirstPage, pl::DIK_UP, kHFirstThumb + 6},
      {kHFirstPage, pl::DIK_DOWN, kHReturn},
      {kHReturn, pl::DIK_UP, kHFirstPage},
      {0, pl::DIK_DOWN, 1},
      {1, pl::DIK_DOWN, 1},  // the last existing tab
      {1, pl::DIK_RIGHT, kHFirstThumb},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << " key " << c.key);
    int landed = -1;
    RunWith([&](std::vector<Step>& s) {
      const pl::Point from = c.from == kNoItem ? pl::Point{1010, 10} : Item(c.from);
      s.push_back({Later(3), [this, from] { fake.InjectMouseMove(from); }});
      AddKey(s, Later(4), c.key);
      s.push_back({Later(4), [&] { landed = screen.m_nHovered; }});
      Cancel(s);
    });
    EXPECT_EQ(landed, c.to);
    screen.m_nPage = -1;
  }
}

TEST_F(HModeTest, MissingListsAndPicturesEndTheGallery) {
  struct Case {
    const char* missing;  // under the program folder
    bool box;
  };
  const Case cases[] = {{"hmlist00.dat", true}, {"grp/hm_no.abm", false}, {"grp/hm000.bmp", false},
                        {"grp/hm_cp.abm", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    List(0, Scenes(2));
    ASSERT_EQ(kvtest::RunCommand("mv " + dir / c.missing + " " + dir / "kept"), 0);
    fake.boxes.clear();
    FillShown(kPanel);
    Play({});
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(ShownAt(500, 300), kPanel);
    if (c.box) {
      EXPECT_EQ(Boxes(), std::vector<std::string>{"メッセージ:hmlist.datのファイルデータ取得に失敗しました。"});
    } else {
      EXPECT_TRUE(fake.boxes.empty());
    }
    ASSERT_EQ(kvtest::RunCommand("mv " + dir / "kept" + " " + dir / c.missing), 0);
  }
}

TEST_F(HModeTest, ListsInTheScriptArchiveCountAsCategories) {
  // Category 0 loose, category 1 only as a member of the script archive.
  List(0, Scenes(1));
  List(1, {{"arc_scene", 42}});
  ASSERT_EQ(kvtest::RunCommand("mv " + dir / "hmlist01.dat" + " " + dir / "member.dat"), 0);
  const std::string cmd =
      kvtest::ToolPath("aospack") + " '" + dir / "SCR.AOS" + "' 'hmlist01.dat=" + dir / "member.dat" + "'";
  ASSERT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
  CArc arc;
  ASSERT_EQ(arc.Open("K:\\SCR.AOS"), 1);
  screen.m_pScriptArc = &arc;
  globals.AddInt("arc_scene", 1);
  int categories = -1;
  RunWith([&](std::vector<Step>& s) {
    s.push_back({Later(1), [&] { categories = screen.m_nCategoryCount; }});
    AddClick(s, Later(3), Item(1));
    AddClick(s, Later(5), Item(kHFirstThumb));
  });
  EXPECT_EQ(categories, 2);
  EXPECT_EQ(Reg(), 42);
  EXPECT_TRUE(fake.boxes.empty());
}

TEST(HListTest, TheCountIsBoundedByTheRecordsTheFileHolds) {
  struct Case {
    std::size_t records;  // whole records written
    std::uint8_t claimed;
    bool ok;
    std::size_t parsed;
  };
  const Case cases[] = {{3, 3, true, 3}, {3, 200, true, 3}, {3, 1, true, 1}, {0, 9, true, 0}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> file(c.records * kHListRecordSize + 4, 0);
    for (std::size_t i = 0; i < c.records; ++i) {
      file[i * kHListRecordSize] = static_cast<std::uint8_t>('a' + i);
      byteio::PutLE32(file.data() + i * kHListRecordSize + 44, static_cast<std::uint32_t>(50 + i));
    }
    file[file.size() - 4] = c.claimed;
    std::vector<HListRecord> out;
    EXPECT_EQ(ParseHList(file, &out), c.ok);
    ASSERT_EQ(out.size(), c.parsed);
    for (std::size_t i = 0; i < out.size(); ++i) {
      EXPECT_EQ(out[i].name, std::string(1, static_cast<char>('a' + i)));
      EXPECT_EQ(out[i].scene, static_cast<std::int32_t>(50 + i));
    }
  }
  std::vector<HListRecord> out;
  EXPECT_FALSE(ParseHList(std::vector<std::uint8_t>{1, 2, 3}, &out));
}

}  // namespace
