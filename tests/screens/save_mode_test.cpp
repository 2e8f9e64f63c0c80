#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/read_mark_file.h"
#include "engine/save_file.h"
#include "engine/save_slot.h"
#include "engine/save_slot_format.h"
#include "engine/script_engine.h"
#include "platform/file.h"
#include "screens/save_mode.h"
#include "tests/engine/fake_scene.h"
#include "tests/engine/script_test_util.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;
using kvtest::Sj;

// The scene's share of a slot kept as data.
class SlotSceneStub : public ISlotScene {
 public:
  void CaptureSlot(SlotData* slot) override { *slot = state; }
  bool CanRestoreSlot(const SlotData&) override { return true; }
  int AskLoadQuestion() override { return 1; }
  void BeginRestore() override {}
  void RestoreSlot(const SlotData& slot) override { state = slot; }
  void FinishRestore(const SlotData&, bool quick) override { finishedQuick = quick; ++finished; }
  SlotData state;
  bool finishedQuick = false;
  int finished = 0;
};

// A game picture whose 2 x 2 blocks are each of one colour: any shrink by
// two gives thumbnail pixel (x, y) = Game(x, y).
std::uint32_t Game(int bx, int by) {
  return 0xFF000000u | static_cast<std::uint32_t>(bx & 0xFF) | (static_cast<std::uint32_t>(by & 0xFF) << 8) |
         (static_cast<std::uint32_t>((bx + by) & 0x7F) << 16);
}

std::vector<std::string>& Cues() {
  static std::vector<std::string> cues;
  return cues;
}
int RecordCue(int, const char* name, const char*, int) {
  Cues().push_back(name);
  return 1;
}

class SaveModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    SetScreenSoundPlayer(&RecordCue);
    Cues().clear();
    ASSERT_TRUE(savefile::EnsureSaveFolder("K:"));
    ASSERT_TRUE(kvtest::WriteFile(dir / "txt/START.TXT",
                                  kvtest::Script({"::START", "var(%a)", "%a=1", "あいう", "::END"})));
    eng.Reset();
    eng.StartScript("START");
    eng.m_Root.m_Vars.AddInt("a", 1);
    eng.m_strChapter = Sj("第二章");
    ASSERT_EQ(kept.Create(1, 1024, 600, nullptr), 0);
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 1024; ++x) Shown()[y * 1024 + x] = Game(x / 2, y / 2);
  }
  void TearDown() override {
    SetScreenSoundPlayer(nullptr);
    ScreenHarness::TearDown();
  }
  void MakePictures(int kind) {
    const SaveModePictures& p = SaveModePictureNames(kind);
    MakePicture(p.background, Bands(24, 1024, {{600, kPage}}));
    MakePicture(p.chips, Bands(32, 552, {{48, kNormal}, {48, kHover}, {48, kPressed}, {144, kTabs}}));
    MakePicture(p.panel, Bands(32, 472, {{216, kPanel}, {64, kNormal}, {64, kHover}, {64, kPressed}}));
  }
  int Run(int kind, bool withThird = false) {
    const ScreenDescriptor third = DescribeScreen(GetVirtualScreen(1));
    const int r = screen.Run(window, DescribeScreen(GetPresentedScreen()), DescribeBuffer(kept),
                             withThird ? &third : nullptr, &keys, &hooks, kind, ctx);
    screen.LeaveHookList();
    return r;
  }
  std::int32_t VarA() {
    const ValueNode* n = eng.m_Root.m_Vars.Find("a");
    return n ? n->nValue : -999;
  }
  bool GamePictureShown() {
    return ShownAt(0, 0) == Game(0, 0) && ShownAt(700, 300) == Game(350, 150) && ShownAt(1023, 599) == Game(511, 299);
  }
  std::function<bool()> Entered() {
    return [this] { return screen.m_bLoop == 1 && Later(3)(); };
  }
  // Click on an item of the page, then yes (or no) in the panel.
  void AddChoose(std::vector<Step>& s, int item, bool yes) {
    const pl::Point at = LayoutCenter(SaveButtonLayout[item]);
    s.push_back({Entered(), [this, at] { fake.InjectMouseMove(at); }});
    s.push_back({[this, item] { return screen.m_nHover == item && Later(2)(); },
                 [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, at); }});
    s.push_back({Later(3), [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); }});
    const pl::Point b = LayoutCenter(SaveDialogLayout[yes ? 1 : 2]);
    AddClick(s, [this] { return screen.m_bPanelOpen && Later(3)(); }, b);
  }
  std::function<bool()> PanelClosed() {
    return [this] { return !screen.m_bPanelOpen && screen.m_bLoop == 1 && Later(3)(); };
  }
  std::string SaveFile(const std::string& name) { return dir / ("save/" + name); }

  kvtest::FakeScene script;
  CScriptEngine eng{&script};
  SlotSceneStub slotScene;
  CReadMarks marks;
  SaveGameContext ctx{eng, slotScene, marks, std::string()};
  CBuffer kept;
  CSaveMode screen;
};

TEST_F(SaveModeTest, SavingThroughTheScreenWritesTheSlotAndAThumbnailOfTheGame) {
  MakePictures(SAVEMODE_SAVE);
  bool panelShown = false, barHovered = false;
  std::vector<Step> s;
  AddChoose(s, 2, true);
  s.back().act = [this, act = s.back().act, &panelShown, &barHovered] {
    panelShown = Near(ShownAt(290, 200), kPanel);
    barHovered = Near(ShownAt(530, 54 + 49 * 2 + 4), kPressed) || Near(ShownAt(530, 54 + 49 * 2 + 4), kHover);
    act();
  };
  std::vector<std::string> labelAfter;
  s.push_back({PanelClosed(), [&] { labelAfter.push_back(screen.m_Rows[2].label); }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_SAVE), 3);
  EXPECT_TRUE(AllPlayed());
  EXPECT_TRUE(panelShown);
  EXPECT_TRUE(barHovered);
  EXPECT_TRUE(Boxes().empty());
  // The slot file, its comment (the chapter, for a row without one) and
  // the page's label of it.
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(savefile::ReadLocked("K:\\save\\file03.dat", &bytes, 1 << 24), savefile::ReadResult::kOk);
  SlotData data;
  ASSERT_EQ(ParseSlot(bytes, &data), SlotParse::kOk);
  EXPECT_EQ(data.comment, Sj("第二章"));
  EXPECT_EQ(data.title, Sj("第二章"));
  ASSERT_EQ(labelAfter.size(), 1u);
  EXPECT_EQ(labelAfter[0].substr(0, 6), "No.03 ");
  EXPECT_NE(labelAfter[0].find('/'), std::string::npos);
  EXPECT_EQ(labelAfter[0].find("----"), std::string::npos);
  EXPECT_EQ(screen.m_nNewest, 2);
  // The cue of choosing a slot, then the one of the committed save.
  EXPECT_EQ(Cues(), (std::vector<std::string>{SaveVoiceCues[screen.m_nCueRow][0], SaveVoiceCues[screen.m_nCueRow][1]}));
  // The thumbnail is the game picture, not the screen over it.
  std::vector<std::uint32_t> thumb;
  ASSERT_TRUE(ReadThumbnail("K:", 2, kThumbnailWidth, kThumbnailHeight, &thumb));
  int wrong = 0;
  for (int y = 0; y < kThumbnailHeight; ++y)
    for (int x = 0; x < kThumbnailWidth; ++x) wrong += (thumb[y * kThumbnailWidth + x] & 0xFFFFFF) != (Game(x, y) & 0xFFFFFF);
  EXPECT_EQ(wrong, 0);
  // The game's picture is back.
  EXPECT_TRUE(GamePictureShown());
  EXPECT_TRUE(hooks.Hooks().empty());
}

TEST_F(SaveModeTest, NoInThePanelSavesNothing) {
  MakePictures(SAVEMODE_SAVE);
  std::vector<Step> s;
  AddChoose(s, 0, false);
  AddKey(s, PanelClosed(), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_SAVE), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_FALSE(std::filesystem::exists(SaveFile("file01.dat")));
  EXPECT_TRUE(GamePictureShown());
}

TEST_F(SaveModeTest, LoadingThroughTheScreenRestoresTheGame) {
  ASSERT_EQ(SaveGame(ctx, 4, nullptr, 0, 0), 1);
  eng.m_Root.m_Vars.Find("a")->nValue = 2;
  eng.m_bSaveEnabled = eng.m_bLoadEnabled = 0;
  MakePictures(SAVEMODE_LOAD);
  std::vector<Step> s;
  AddChoose(s, 4, true);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_LOAD, true), 5);
  EXPECT_TRUE(AllPlayed());
  EXPECT_EQ(VarA(), 1);
  EXPECT_EQ(slotScene.finished, 1);
  EXPECT_FALSE(slotScene.finishedQuick);
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  EXPECT_EQ(eng.m_bLoadEnabled, 1);
  EXPECT_EQ(Cues(), std::vector<std::string>{SaveVoiceCues[screen.m_nCueRow][2]});
  EXPECT_TRUE(Boxes().empty());
  // The second surface received the load screen as it was at the load.
  EXPECT_TRUE(Near(GetVirtualScreen(1)->Pixels()[10 * 1024 + 10], kPage));
}

TEST_F(SaveModeTest, TheQuickSlotLoadsFromTheLoadScreensQuickBar) {
  SaveGameContext quick{eng, slotScene, marks, std::string()};
  ASSERT_EQ(SaveGame(quick, kQuickSlot, nullptr, 0, 0), 1);
  eng.m_Root.m_Vars.Find("a")->nValue = 9;
  MakePictures(SAVEMODE_LOAD);
  std::vector<Step> s;
  AddChoose(s, kSaveItemQuick, true);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_LOAD), 101);
  EXPECT_EQ(VarA(), 1);
  EXPECT_TRUE(slotScene.finishedQuick);
}

TEST_F(SaveModeTest, ADamagedSlotShowsTheLoadBoxAndChangesNothing) {
  ASSERT_EQ(SaveGame(ctx, 0, nullptr, 0, 0), 1);
  std::filesystem::resize_file(SaveFile("file01.dat"), 300);
  eng.m_Root.m_Vars.Find("a")->nValue = 7;
  MakePictures(SAVEMODE_LOAD);
  std::vector<Step> s;
  AddChoose(s, 0, true);
  // The box was answered, the panel closed, the page stays open.
  AddKey(s, PanelClosed(), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_LOAD), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:ロードに失敗しました。"});
  EXPECT_EQ(VarA(), 7);
  EXPECT_EQ(slotScene.finished, 0);
  EXPECT_TRUE(GamePictureShown());
}

TEST_F(SaveModeTest, EmptySlotsAreDashedAndCannotBeLoaded) {
  MakePictures(SAVEMODE_LOAD);
  std::vector<std::string> page0, page9;
  bool panelOpened = false;
  std::vector<Step> s;
  s.push_back({Entered(), [&] {
                 for (int r = 0; r < 10; ++r) page0.push_back(screen.m_Rows[r].label);
               }});
  // An empty slot opens no panel.
  AddClick(s, Later(1), LayoutCenter(SaveButtonLayout[3]));
  s.push_back({Later(10), [&] { panelOpened = screen.m_bPanelOpen; }});
  AddClick(s, Later(1), LayoutCenter(SaveButtonLayout[19]));
  s.push_back({[this] { return screen.m_nPage == 9 && Later(3)(); }, [&] {
                 for (int r = 0; r < 10; ++r) page9.push_back(screen.m_Rows[r].label);
               }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_LOAD), 0);
  EXPECT_TRUE(AllPlayed());
  EXPECT_FALSE(panelOpened);
  EXPECT_EQ(screen.m_nNewest, kNoItem);
  ASSERT_EQ(page0.size(), 10u);
  ASSERT_EQ(page9.size(), 10u);
  EXPECT_EQ(page0[0], "No.01 ----/--/-- --:--");
  EXPECT_EQ(page0[9], "No.10 ----/--/-- --:--");
  EXPECT_EQ(page9[8], "No.99 ----/--/-- --:--");
  EXPECT_EQ(page9[9], "No.00 ----/--/-- --:--");
  EXPECT_EQ(screen.m_Rows[10].label, "QSave: ----/--/-- --:--");
}

TEST_F(SaveModeTest, TheNewestSaveDecidesThePageAndTheLowerSlotWinsATie) {
  using namespace std::chrono_literals;
  struct Case {
    std::vector<std::pair<int, int>> slots;  // slot, age in minutes
    int newest;
  };
  const Case cases[] = {
      {{}, kNoItem},
      {{{35, 5}, {12, 1}}, 12},
      {{{35, 1}, {12, 5}}, 35},
      {{{61, 2}, {47, 2}}, 47},
      {{{99, 0}, {0, 3}}, 99},
  };
  const auto now = std::filesystem::file_time_type::clock::now();
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir / "save");
    ASSERT_TRUE(savefile::EnsureSaveFolder("K:"));
    for (auto [slot, age] : c.slots) {
      ASSERT_EQ(SaveGame(ctx, slot, nullptr, 0, 0), 1);
      std::filesystem::last_write_time(SaveFile(SlotFileName(slot)), now - std::chrono::minutes(age));
    }
    EXPECT_EQ(FindNewestSlot("K:"), c.newest);
  }
  // The screen opens on the newest save's page.
  MakePictures(SAVEMODE_SAVE);
  int page = -1;
  std::vector<Step> s;
  s.push_back({Entered(), [&] { page = screen.m_nPage; }});
  AddKey(s, Later(1), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_SAVE), 0);
  EXPECT_EQ(page, 9);
}

TEST_F(SaveModeTest, CursorKeysMoveBetweenTheControls) {
  struct Case {
    int kind, page, hover;
    std::uint32_t key;
    int target;
  };
  const Case cases[] = {
      {SAVEMODE_SAVE, 3, 0, KEY_UP, 13},         {SAVEMODE_SAVE, 0, 5, KEY_UP, 4},
      {SAVEMODE_SAVE, 0, 5, KEY_DOWN, 6},        {SAVEMODE_SAVE, 0, 9, KEY_DOWN, kSaveItemReturn},
      {SAVEMODE_SAVE, 0, 5, KEY_LEFT, -1},       {SAVEMODE_LOAD, 0, 5, KEY_LEFT, kSaveItemQuick},
      {SAVEMODE_SAVE, 0, 5, KEY_RIGHT, -1},      {SAVEMODE_SAVE, 0, 10, KEY_LEFT, -1},
      {SAVEMODE_SAVE, 0, 10, KEY_RIGHT, 11},     {SAVEMODE_SAVE, 0, 14, KEY_LEFT, 13},
      {SAVEMODE_SAVE, 0, 19, KEY_RIGHT, -1},     {SAVEMODE_SAVE, 0, 15, KEY_DOWN, 0},
      {SAVEMODE_SAVE, 0, 15, KEY_UP, -1},        {SAVEMODE_SAVE, 0, kSaveItemReturn, KEY_UP, 9},
      {SAVEMODE_SAVE, 0, kSaveItemReturn, KEY_DOWN, -1},
      {SAVEMODE_LOAD, 7, kSaveItemQuick, KEY_UP, 17}, {SAVEMODE_LOAD, 0, kSaveItemQuick, KEY_RIGHT, 0},
      {SAVEMODE_LOAD, 0, kSaveItemQuick, KEY_LEFT, -1}, {SAVEMODE_SAVE, 4, kNoItem, KEY_RIGHT, 0},
      {SAVEMODE_LOAD, 4, kNoItem, KEY_UP, 0},
  };
  for (const Case& c : cases) {
    screen.m_nKind = c.kind;
    screen.m_nPage = c.page;
    screen.m_nHover = c.hover;
    EXPECT_EQ(screen.CursorTarget(c.key), c.target) << c.hover << " key " << c.key;
  }
}

TEST_F(SaveModeTest, MissingPicturesKeepTheScreenShut) {
  for (int kind : {SAVEMODE_SAVE, SAVEMODE_LOAD}) {
    Play({});
    EXPECT_EQ(Run(kind), -1);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(GamePictureShown());
    EXPECT_TRUE(hooks.Hooks().empty());
  }
}

TEST_F(SaveModeTest, QuickSaveWritesTheQuickSlotWithAThumbnailOfThePicture) {
  ASSERT_EQ(screen.QuickSave(window, DescribeScreen(GetPresentedScreen()), ctx), 1);
  EXPECT_EQ(screen.m_nResult, 101);
  EXPECT_TRUE(std::filesystem::exists(SaveFile("file101.dat")));
  std::vector<std::uint32_t> thumb;
  ASSERT_TRUE(ReadThumbnail("K:", kQuickSlot, kThumbnailWidth, kThumbnailHeight, &thumb));
  EXPECT_EQ(thumb[0] & 0xFFFFFF, Game(0, 0) & 0xFFFFFF);
  EXPECT_EQ(thumb[150 * kThumbnailWidth + 300] & 0xFFFFFF, Game(300, 150) & 0xFFFFFF);
  EXPECT_EQ(thumb.back() & 0xFFFFFF, Game(511, 299) & 0xFFFFFF);
  // The quick save has no comment.
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(savefile::ReadLocked("K:\\save\\file101.dat", &bytes, 1 << 24), savefile::ReadResult::kOk);
  SlotData data;
  ASSERT_EQ(ParseSlot(bytes, &data), SlotParse::kOk);
  EXPECT_TRUE(data.comment.empty());
  EXPECT_TRUE(fake.boxes.empty());
  // A failed write is reported by the save and gives 0.
  pl::SetWriteFaultHook([](pl::WriteStep step, const std::string&) {
    return step != pl::WriteStep::kWrite;
  });
  EXPECT_EQ(screen.QuickSave(window, DescribeScreen(GetPresentedScreen()), ctx), 0);
  pl::SetWriteFaultHook({});
  EXPECT_EQ(Boxes(), std::vector<std::string>{"確認:セーブに失敗しました。"});
}

}  // namespace

namespace {

TEST_F(SaveModeTest, TheCommentTypedInThePanelIsSavedCutToItsField) {
  MakePictures(SAVEMODE_SAVE);
  std::string shownText;
  bool visible = false, openAfterSpace = false;
  std::vector<Step> s;
  const pl::Point bar = LayoutCenter(SaveButtonLayout[1]);
  s.push_back({Entered(), [this, bar] { fake.InjectMouseMove(bar); }});
  s.push_back({[this] { return screen.m_nHover == 1 && Later(2)(); },
               [this, bar] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, bar); }});
  s.push_back({Later(3), [this, bar] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, bar); }});
  s.push_back({[this] { return screen.m_bPanelOpen && screen.m_bCommentShown && Later(3)(); }, [&] {
                 CChildEditWnd& edit = screen.CommentEdit(0);
                 visible = pl::IsWindowVisible(edit.Handle());
                 shownText = edit.GetText();
                 // 36 bytes over the offered comment, which is selected:
                 // they replace it, and the field stops at 31.
                 fake.InjectText(" abcdefghijklmnopqrstuvwxyz012345678");
               }});
  // One message a pass: the typed bytes arrive one by one.
  s.push_back({[this] { return screen.CommentEdit(0).GetText().size() == 31; }, [] {}});
  // Space goes to the (full) field and leaves the panel open.
  AddKey(s, Later(3), pl::DIK_SPACE);
  s.push_back({Later(5), [&] { openAfterSpace = screen.m_bPanelOpen; }});
  AddClick(s, Later(1), LayoutCenter(SaveDialogLayout[1]));
  AddKey(s, PanelClosed(), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_SAVE), 2);
  EXPECT_TRUE(AllPlayed());
  EXPECT_TRUE(visible);
  EXPECT_EQ(shownText, Sj("第二章"));
  EXPECT_TRUE(openAfterSpace);
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(savefile::ReadLocked("K:\\save\\file02.dat", &bytes, 1 << 24), savefile::ReadResult::kOk);
  SlotData data;
  ASSERT_EQ(ParseSlot(bytes, &data), SlotParse::kOk);
  const std::string typed = " abcdefghijklmnopqrstuvwxyz012345678";
  ASSERT_GT(typed.size(), 31u);
  EXPECT_EQ(data.comment, typed.substr(0, 31));
  // The fields are gone with the screen.
  EXPECT_EQ(screen.CommentEdit(0).Handle(), nullptr);
}

TEST_F(SaveModeTest, ACommentIsNeverCutInsideADoubleByteCharacter) {
  MakePictures(SAVEMODE_SAVE);
  std::vector<Step> s;
  const pl::Point bar = LayoutCenter(SaveButtonLayout[0]);
  s.push_back({Entered(), [this, bar] { fake.InjectMouseMove(bar); }});
  s.push_back({[this] { return screen.m_nHover == 0 && Later(2)(); },
               [this, bar] { fake.InjectMouseButton(pl::MOUSE_LEFT, true, bar); }});
  s.push_back({Later(3), [this, bar] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, bar); }});
  // Over the selected offer: two bytes and fifteen double-byte
  // characters; the fifteenth would take bytes 30 and 31, one past the
  // field, and is refused whole.
  s.push_back({[this] { return screen.m_bPanelOpen && screen.m_bCommentShown && Later(3)(); },
               [this] { fake.InjectText("xyあいうえおかきくけこさしすせそ"); }});
  AddClick(s, [this] { return screen.CommentEdit(0).GetText().size() == 2 + 28; },
           LayoutCenter(SaveDialogLayout[1]));
  AddKey(s, PanelClosed(), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(SAVEMODE_SAVE), 1);
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(savefile::ReadLocked("K:\\save\\file01.dat", &bytes, 1 << 24), savefile::ReadResult::kOk);
  SlotData data;
  ASSERT_EQ(ParseSlot(bytes, &data), SlotParse::kOk);
  EXPECT_EQ(data.comment, Sj("xyあいうえおかきくけこさしすせ"));
}

}  // namespace
