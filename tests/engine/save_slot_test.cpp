#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/read_mark_file.h"
#include "engine/save_file.h"
#include "engine/save_slot.h"
#include "engine/save_slot_format.h"
#include "engine/script_engine.h"
#include "tests/engine/fake_scene.h"
#include "platform/file.h"
#include "tests/engine/save_test_util.h"
#include "tests/engine/script_test_util.h"

using kvtest::HeldLock;
using kvtest::Script;
using kvtest::Sj;

namespace {

SlotValue Int(const std::string& n, std::int32_t v) {
  SlotValue s;
  s.name = n;
  s.type = '%';
  s.bits = static_cast<std::uint32_t>(v);
  return s;
}
SlotValue Text(const std::string& n, const std::string& t) {
  SlotValue s;
  s.name = n;
  s.type = '$';
  s.text = t;
  return s;
}

// The smallest slot that can be run: "top" and the three reserved variables.
SlotData MinimalSlot() {
  SlotData s;
  s.file = "START";
  s.label = "START";
  s.stack.push_back(SlotStackEntry{"top", "", "", "", 0});
  s.vars = {Text("reg", ""), Int("dbg", 0), Text("bgm", "")};
  return s;
}

// A slot with something in every section.
SlotData FullSlot() {
  SlotData s = MinimalSlot();
  s.title = Sj("第一章");
  s.comment = "comment";
  s.voice = "v001";
  s.localLabel = "loc";
  s.line = 12;
  s.lineText = Sj("あいう\\n");
  s.cursor = 4;
  s.pageText = Sj("ページの文字");
  s.music = {2, "bgm01"};
  s.effect = {3, "se07"};
  s.ambience = {2, "rain"};
  s.tone = 2;
  s.currentWindow = 1;
  s.mode = 0;
  s.pendingState = 8;
  s.resetWord = 3;
  s.choicePending = 1;
  s.stack.push_back(SlotStackEntry{"jsb", "", "SUB", "", 40});
  s.stack.push_back(SlotStackEntry{"gsb", "OTHER", "LBL", "l2", 9});
  s.stack.push_back(SlotStackEntry{"wh", "", "", "", 33});
  s.stack.push_back(SlotStackEntry{"if", "", "", "", 0});
  SlotValue f;
  f.name = "f";
  f.type = '!';
  f.bits = std::bit_cast<std::uint32_t>(2.5f);
  s.vars.push_back(f);
  SlotValue q;
  q.name = "q";
  q.type = '*';
  q.children = {Int("que", 1), Text("que", "two"), Int("que", 3)};
  s.vars.push_back(q);
  SlotValue empty;
  empty.name = "st";
  empty.type = '*';
  s.vars.push_back(empty);
  s.vars.push_back(Text("after", "x"));
  s.defs = {Int("ALL", -1), Int("NUM", 0)};
  s.choices = {SlotChoice{10, 20, 300, 24, Sj("はい")}, SlotChoice{10, 50, 300, 24, Sj("いいえ")}};
  SlotWindow w;
  w.x = 100;
  w.y = 400;
  w.width = 824;
  w.height = 180;
  w.state = 1;
  w.panelX = 4;
  w.panelY = 5;
  w.panelWidth = 800;
  w.panelHeight = 170;
  w.red = 0xFF;
  w.green = 0x80;
  w.blue = 0x01;
  w.panelStrength = 70;
  w.homeX = 20;
  w.homeY = 10;
  w.lineGap = 4;
  w.charGap = 1;
  w.linesPerPage = 3;
  w.charsPerLine = 30;
  w.frame = SlotWindowPicture{true, "frame01", 3, 4, 0, 0};
  w.pageCursor = SlotWindowPicture{true, "fp01", 700, 150, 7, 1};
  w.promptCursor = SlotWindowPicture{true, "pp01", 710, 150, 5, 0};
  w.hasButtons = true;
  w.buttons = {SlotWindowButton{"btn_auto", "automode", "lbl", 10, 20, 11, 21},
               SlotWindowButton{"btn_save", "save", "", 30, 20, 0, 0}};
  s.windows.push_back(w);
  SlotWindow plain;
  plain.x = 1;
  s.windows.push_back(plain);
  s.sprites = {SlotSprite{"bg01", 0, 0, 0, 0, 0, 0, 0, 0}, SlotSprite{}, SlotSprite{"ch01", -50, 10, 2, 1, 0, 3, 1, 4}};
  s.engine.raster[0] = 1;
  s.engine.raster[1] = 2;
  s.engine.background = 3;
  s.engine.readMark = 1;
  s.engine.rightButton = -1;
  s.engine.weatherState = 1;
  s.engine.weatherKind = 2;
  s.engine.overlayState = 1;
  s.engine.overlayName = "cloud";
  s.engine.overlayWords[0] = 5;
  s.engine.overlayWords[1] = 6;
  s.buttons = {SlotScriptButton{"sb01", 5, 6, Sj("押す"), 0x1234, 0x7FFF}, SlotScriptButton{}};
  s.gauges = {SlotGauge{{1, 2, 3, 4}, 10, 20, 200, 16, 128, 1, 0, 100, 40}};
  return s;
}

std::vector<std::uint8_t> Encode(const SlotData& s) {
  std::vector<std::uint8_t> out;
  EXPECT_TRUE(EncodeSlot(s, &out));
  return out;
}

// ------------------------------------------------------------ the format

TEST(SaveSlotFormat, FileNamesOfTheSlots) {
  struct Case {
    int slot;
    const char* file;
    const char* thumb;
  } cases[] = {{0, "file01.dat", "file01c.dat"},
               {98, "file99.dat", "file99c.dat"},
               {99, "file00.dat", "file00c.dat"},
               {100, "file101.dat", "file101c.dat"},
               {-1, "", ""},
               {101, "", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(SlotFileName(c.slot), c.file) << c.slot;
    EXPECT_EQ(ThumbnailFileName(c.slot), c.thumb) << c.slot;
  }
}

TEST(SaveSlotFormat, GoldenBytesOfASmallSlot) {
  SlotData s = MinimalSlot();
  s.title = "T";
  s.comment = "C";
  s.voice = "V";
  s.localLabel = "L";
  s.line = 7;
  s.cursor = 2;
  s.pageText = "abc";   // 3 characters: 4 bytes
  s.lineText = "abcd";  // 4 characters: 8 bytes
  s.music = {2, "bgm01"};
  s.tone = 5;
  s.currentWindow = -1;
  s.mode = 1;
  s.pendingState = 8;
  s.choicePending = 1;

  std::vector<std::uint8_t> e(232, 0);
  e[0] = 1;
  auto text = [&](std::size_t at, const char* t) { std::memcpy(e.data() + at, t, std::strlen(t)); };
  text(16, "T");
  text(80, "C");
  text(112, "V");
  text(144, "START");
  text(160, "START");
  text(192, "L");
  e[224] = 7;
  e[228] = 2;
  auto bytes = [&](std::initializer_list<std::uint8_t> b) { e.insert(e.end(), b); };
  auto word = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) e.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  bytes({'a', 'b', 'c', 0});
  bytes({'a', 'b', 'c', 'd', 0, 0, 0, 0});
  word(2);
  word(0);
  bytes({'b', 'g', 'm', '0', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  word(0);
  e.insert(e.end(), 16, 0);
  word(0);
  e.insert(e.end(), 16, 0);
  word(5);
  word(0xFFFFFFFFu);
  word(1);
  word(8);
  word(0);
  word(1);
  bytes({'S', 'T', 'K', 0, 't', 'o', 'p', 0});
  bytes({'V', 'A', 'R', 0});
  bytes({'r', 'e', 'g', 0, '$', 0, 0, 0, 0, 0, 0, 0});
  bytes({'d', 'b', 'g', 0, '%', 0, 0, 0, 0, 0, 0, 0});
  bytes({'b', 'g', 'm', 0, '$', 0, 0, 0, 0, 0, 0, 0});
  // Empty sections back to back.
  bytes({'D', 'E', 'F', 0, 'S', 'E', 'L', 0, 0, 0, 0, 0, 'W', 'N', 'D', 0, 'S', 'P', 'R', 0, 'B', 'U', 'F', 0});
  e.insert(e.end(), 14 * 4, 0);
  bytes({'B', 'T', 'N', 0, 'A', 'N', 'M', 0, 'G', 'G', 0, 0});
  EXPECT_EQ(Encode(s), e);
}

TEST(SaveSlotFormat, WindowAndGaugeWordsArePackedAsSaved) {
  SlotData s = MinimalSlot();
  s.windows = FullSlot().windows;
  s.gauges = FullSlot().gauges;
  const std::vector<std::uint8_t> b = Encode(s);
  const std::size_t wnd = [&] {
    for (std::size_t i = 0; i + 4 <= b.size(); i += 4) {
      if (byteio::GetLE32(b.data() + i) == kTagWND) return i + 4;
    }
    return std::size_t{0};
  }();
  ASSERT_NE(wnd, 0u);
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd), 0u);              // no bytes before the rectangle
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 4), 100u);        // x
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 20), 1u);         // state byte
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 40), 0xFF800100u);  // R, G, B, 0
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 72), kTagFRM);
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 72 + 28), kTagFP);
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 72 + 28 + 36), kTagPP);
  EXPECT_EQ(byteio::GetLE32(b.data() + wnd + 72 + 28 + 36 + 32), kTagBTN);
  // The gauge ends the file: 10 words, its colour first byte high.
  EXPECT_EQ(byteio::GetLE32(b.data() + b.size() - 40), 0x01020304u);
  EXPECT_EQ(byteio::GetLE32(b.data() + b.size() - 44), kTagGG);
}

TEST(SaveSlotFormat, RoundTripOfEverySection) {
  const SlotData s = FullSlot();
  const std::vector<std::uint8_t> bytes = Encode(s);
  SlotData back;
  ASSERT_EQ(ParseSlot(bytes, &back), SlotParse::kOk);
  EXPECT_EQ(back, s);
  EXPECT_EQ(back.vars[4].children.size(), 3u);
  EXPECT_TRUE(back.vars[5].children.empty());
  EXPECT_EQ(back.windows[0].buttons.size(), 2u);
  EXPECT_FALSE(back.windows[1].frame.present);
}

TEST(SaveSlotFormat, FixedFieldsAreCutOnACharacterBoundary) {
  SlotData s = MinimalSlot();
  std::string comment;
  while (comment.size() < 97) comment += Sj("あ");
  s.comment = comment;
  s.title = std::string(80, 't');
  SlotData back;
  ASSERT_EQ(ParseSlot(Encode(s), &back), SlotParse::kOk);
  EXPECT_EQ(back.comment.size(), 30u);  // 15 whole characters, then the NUL
  EXPECT_EQ(back.comment, comment.substr(0, 30));
  EXPECT_EQ(back.title, std::string(63, 't'));
}

TEST(SaveSlotFormat, StatesThatCannotBeRestoredAreNotWritten) {
  struct Case {
    const char* what;
    void (*spoil)(SlotData&);
  } cases[] = {
      {"file too long", [](SlotData& s) { s.file = std::string(16, 'F'); }},
      {"label too long", [](SlotData& s) { s.label = std::string(32, 'L'); }},
      {"local label too long", [](SlotData& s) { s.localLabel = std::string(32, 'l'); }},
      {"file with a path", [](SlotData& s) { s.file = "../START"; }},
      {"variable named like a section", [](SlotData& s) { s.vars.push_back(Int("DEF", 1)); }},
      {"sprite named like a section",
       [](SlotData& s) { s.sprites.push_back(SlotSprite{"BUF", 0, 0, 0, 0, 0, 0, 0, 0}); }},
      {"button named like a section",
       [](SlotData& s) { s.buttons.push_back(SlotScriptButton{"ANM", 0, 0, "", 0, 0}); }},
      {"element name after an empty container",
       [](SlotData& s) {
         SlotValue c;
         c.name = "c";
         c.type = '*';
         s.vars.push_back(c);
         s.vars.push_back(Int("que", 1));
       }},
      {"no top", [](SlotData& s) { s.stack[0].name = "jsb"; }},
      {"reg not first", [](SlotData& s) { std::swap(s.vars[0], s.vars[1]); }},
      {"sixteen choices", [](SlotData& s) { s.choices.resize(16); }},
      {"cursor past the line", [](SlotData& s) { s.cursor = 5; }},
  };
  for (const Case& c : cases) {
    SlotData s = MinimalSlot();
    c.spoil(s);
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(EncodeSlot(s, &out)) << c.what;
    EXPECT_TRUE(out.empty()) << c.what;
  }
}

TEST(SaveSlotFormat, EveryTruncationIsRefused) {
  const std::vector<std::uint8_t> bytes = Encode(FullSlot());
  for (std::size_t len = 1; len < bytes.size(); ++len) {
    SlotData out;
    const SlotParse r = ParseSlot(std::span(bytes.data(), len), &out);
    if (len == bytes.size() - 40) {
      // The gauges have no count: a file cut exactly before the last one
      // reads as a slot with one gauge fewer.
      EXPECT_EQ(r, SlotParse::kOk);
      EXPECT_TRUE(out.gauges.empty());
      continue;
    }
    EXPECT_EQ(r, SlotParse::kDamaged) << len;
    EXPECT_EQ(out, SlotData{}) << len;
  }
  SlotData out;
  EXPECT_EQ(ParseSlot({}, &out), SlotParse::kNotSaved);
}

TEST(SaveSlotFormat, CorruptFieldsAreRefused) {
  const std::vector<std::uint8_t> good = Encode(FullSlot());
  auto find = [&](std::uint32_t tag) {
    for (std::size_t i = 232; i + 4 <= good.size(); i += 4) {
      if (byteio::GetLE32(good.data() + i) == tag) return i;
    }
    return std::size_t{0};
  };
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    SlotParse expect;
  } cases[] = {
      {"no save mark", 0, 0, SlotParse::kNotSaved},
      {"other save mark", 0, 2, SlotParse::kNotSaved},
      {"cursor past the line", kSlotCursorOffset, 100, SlotParse::kDamaged},
      {"huge cursor", kSlotCursorOffset, 0xFFFFFFFFu, SlotParse::kDamaged},
      {"no STK", find(kTagSTK), 0x11111111u, SlotParse::kDamaged},
      {"first entry not top", find(kTagSTK) + 4, SlotTag("jsb"), SlotParse::kDamaged},
      {"first variable not reg", find(kTagVAR) + 4, SlotTag("rex"), SlotParse::kDamaged},
      {"choice count 16", find(kTagSEL) + 4, 16, SlotParse::kDamaged},
      {"huge choice count", find(kTagSEL) + 4, 0x7FFFFFFFu, SlotParse::kDamaged},
      {"unknown type", find(kTagVAR) + 8, '#', SlotParse::kDamaged},
      {"file with a slash", kSlotFileOffset, SlotTag("a/b"), SlotParse::kDamaged},
      {"file with a backslash", kSlotFileOffset, SlotTag("a\\b"), SlotParse::kDamaged},
      {"file ..", kSlotFileOffset, SlotTag(".."), SlotParse::kDamaged},
      {"empty file", kSlotFileOffset, 0, SlotParse::kDamaged},
      {"no ANM", find(kTagANM), 0x22222222u, SlotParse::kDamaged},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> b = good;
    byteio::PutLE32(b.data() + c.at, c.value);
    SlotData out;
    EXPECT_EQ(ParseSlot(b, &out), c.expect) << c.what;
  }
  // A trail byte 0x5C in a name is no separator.
  SlotData s = MinimalSlot();
  s.file = Sj("表");
  SlotData back;
  EXPECT_EQ(ParseSlot(Encode(s), &back), SlotParse::kOk);
  // A field that fills its width without a NUL is taken cut.
  std::vector<std::uint8_t> b = good;
  std::memset(b.data() + kSlotTitleOffset, 'x', kSlotTitleSize);
  ASSERT_EQ(ParseSlot(b, &back), SlotParse::kOk);
  EXPECT_EQ(back.title, std::string(63, 'x'));
  // Bytes after the last gauge that make no gauge.
  b = good;
  b.push_back(0);
  EXPECT_EQ(ParseSlot(b, &back), SlotParse::kDamaged);
}

TEST(SaveSlotFormat, OnlyWaitsASaveCanBeTakenInComeBack) {
  struct Case {
    std::uint32_t saved, restored;
  } cases[] = {{0, 0},       {PND_PAUSE, PND_PAUSE}, {PND_PROMPT_PAGE, PND_PROMPT_PAGE}, {PND_FPROMPT, PND_FPROMPT},
               {PND_SLCT, PND_SLCT}, {PND_BUTTON, PND_BUTTON}, {PND_OPERATION, 0}, {PND_TIMER, 0},
               {PND_TYPING, 0}, {PND_MOVIE, 0},   {PND_FADE, 0}, {PND_BACKLOG, 0}, {PND_BACKLOG | PND_PROMPT_PAGE, 0}};
  for (const Case& c : cases) EXPECT_EQ(RestorablePendingState(c.saved), c.restored) << c.saved;
}

TEST(SaveSlotFormat, ThumbnailIsExactlyItsPixels) {
  std::vector<std::uint32_t> px(4 * 3);
  for (std::size_t i = 0; i < px.size(); ++i) px[i] = 0xAABBCC00u + static_cast<std::uint32_t>(i);
  const std::vector<std::uint8_t> b = EncodeThumbnail(px.data(), 4, 3);
  ASSERT_EQ(b.size(), 48u);
  EXPECT_EQ(b[0], 0x00);  // blue first
  EXPECT_EQ(b[3], 0xAA);
  std::vector<std::uint32_t> back;
  EXPECT_TRUE(DecodeThumbnail(b, 4, 3, &back));
  EXPECT_EQ(back, px);
  EXPECT_FALSE(DecodeThumbnail(std::span(b.data(), 47), 4, 3, &back));
  EXPECT_FALSE(DecodeThumbnail(b, 4, 4, &back));
  EXPECT_FALSE(DecodeThumbnail(b, 0, 3, &back));
}

// ------------------------------------------------------------ SaveGame and LoadGame

// The scene's share of a slot, kept as data.
class FakeSlotScene : public ISlotScene {
 public:
  explicit FakeSlotScene(kvtest::FakeScene& script) : m_Script(script) {}
  void CaptureSlot(SlotData* slot) override {
    *slot = state;
    slot->pendingState = m_Script.pending;
  }
  bool CanRestoreSlot(const SlotData& slot) override { return slot.windows.size() <= windowTable; }
  int AskLoadQuestion() override {
    ++questions;
    return answer;
  }
  void BeginRestore() override { ++begun; }
  void RestoreSlot(const SlotData& slot) override {
    state = slot;
    ++restored;
  }
  void FinishRestore(const SlotData& slot, bool quick) override {
    finishedPending = slot.pendingState;
    finishedQuick = quick;
    // The dissolve puts the wait back when it ends.
    m_Script.pending = slot.pendingState;
  }

  SlotData state;
  std::size_t windowTable = 4;
  int answer = 1, questions = 0, begun = 0, restored = 0;
  std::uint32_t finishedPending = 0xDEAD;
  bool finishedQuick = false;

 private:
  kvtest::FakeScene& m_Script;
};

// The save mark, then bytes that make no slot.
std::vector<std::uint8_t> Garbage() {
  std::vector<std::uint8_t> b(300, 0x01);
  b[1] = b[2] = b[3] = 0;
  return b;
}

class SaveGameTest : public kvtest::SaveDataTest {
 protected:
  void SetUp() override {
    kvtest::SaveDataTest::SetUp();
    eng.Reset();
    script.currentWindow = 0;
    script.windowCount = 1;
    slotScene.state.pageText = Sj("ページ");
    slotScene.state.windows.resize(1);
    slotScene.state.sprites.resize(2);
    slotScene.state.music = {2, "bgm01"};
    ASSERT_TRUE(kvtest::WriteFile(dir / "txt/START.TXT",
                                  Script({"::START", "var(%a,$s)", "%a=1", "$s=\"text\"", "あいう", "%a=2",
                                          "えお", "%a=3", "::END"})));
    eng.StartScript("START");
    eng.m_Root.StepBack();
  }
  // Steps until the script waits.
  void RunToWait() {
    for (int i = 0; i < 100 && script.pending == 0 && !eng.m_bHalted; ++i) eng.ExecuteLine();
  }
  const ValueNode* Var(const std::string& n) { return eng.m_Root.m_Vars.Find(n); }

  kvtest::FakeScene script;
  CScriptEngine eng{&script};
  FakeSlotScene slotScene{script};
  CReadMarks marks;
  SaveGameContext ctx{eng, slotScene, marks, "my comment"};
};

TEST_F(SaveGameTest, SavedInAClickWaitLoadsIntoTheSameWaitAndLine) {
  RunToWait();
  ASSERT_EQ(script.pending, PND_TYPING);
  script.pending = PND_PROMPT_PAGE;  // the reveal ended in the click wait
  const std::int32_t savedLine = eng.m_Root.m_nLine;
  ASSERT_EQ(SaveGame(ctx, 3, nullptr, 0, 0), 1);
  EXPECT_TRUE(std::filesystem::exists(SavePath("file04.dat")));
  EXPECT_FALSE(std::filesystem::exists(SavePath("file04c.dat")));
  EXPECT_TRUE(std::filesystem::exists(SavePath("global.dat")));
  EXPECT_TRUE(std::filesystem::exists(SavePath("readal.dat")));

  // The story goes on and changes.
  script.pending = 0;
  RunToWait();
  ASSERT_EQ(Var("a")->nValue, 2);
  eng.m_Root.m_Vars.AddInt("late", 1);
  slotScene.state.pageText = "other";

  ASSERT_EQ(LoadGame(ctx, 3, 0), 1);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Var("a")->nValue, 1);
  EXPECT_EQ(Var("s")->text, "text");
  EXPECT_EQ(Var("late"), nullptr);
  EXPECT_EQ(eng.m_Root.m_nLine, savedLine);
  ASSERT_NE(eng.m_Root.m_pLine, nullptr);
  EXPECT_EQ(eng.m_Root.m_pLine->text, Sj("あいう"));
  EXPECT_EQ(slotScene.finishedPending, PND_PROMPT_PAGE);
  EXPECT_EQ(slotScene.state.pageText, Sj("ページ"));
  EXPECT_EQ(slotScene.state.comment, "my comment");
  EXPECT_EQ(slotScene.state.music.name, "bgm01");
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  // The click ends the wait; the next line is the one after the saved one.
  script.pending = 0;
  eng.ExecuteLine();
  EXPECT_EQ(Var("a")->nValue, 2);
}

TEST_F(SaveGameTest, RefusedSlotsLeaveTheGameAsItWas) {
  RunToWait();
  ASSERT_EQ(SaveGame(ctx, 0, nullptr, 0, 0), 1);
  std::vector<std::uint8_t> good = ReadBytes("file01.dat");
  eng.m_Root.m_Vars.AddInt("marker", 5);
  const std::int32_t line = eng.m_Root.m_nLine;

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> boxes;
  } cases[] = {
      {"not saved", kvtest::Words({0, 0, 0, 0}), {"警告:データがセーブされていません。"}},
      {"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2),
       {"エラー:ロードに失敗しました。"}},
      {"garbage after the save mark", Garbage(), {"エラー:ロードに失敗しました。"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes("file01.dat", c.bytes);
    fake.boxes.clear();
    EXPECT_EQ(LoadGame(ctx, 0, 0), 0);
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(slotScene.begun, 0);
    EXPECT_NE(Var("marker"), nullptr);
    EXPECT_EQ(eng.m_Root.m_nLine, line);
  }
  // More windows than the tables hold.
  WriteBytes("file01.dat", good);
  slotScene.windowTable = 0;
  fake.boxes.clear();
  EXPECT_EQ(LoadGame(ctx, 0, 0), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:ロードに失敗しました。"});
  EXPECT_EQ(slotScene.begun, 0);
  slotScene.windowTable = 4;
  // A slot locked by another process.
  {
    HeldLock lock(SavePath("file01.dat"));
    fake.boxes.clear();
    EXPECT_EQ(LoadGame(ctx, 0, 0), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:ロードに失敗しました。"});
  }
  // A missing slot is silent.
  fake.boxes.clear();
  EXPECT_EQ(LoadGame(ctx, 50, 0), 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_NE(Var("marker"), nullptr);
}

TEST_F(SaveGameTest, TheLoadQuestion) {
  RunToWait();
  ASSERT_EQ(SaveGame(ctx, kQuickSlot, nullptr, 0, 0), 1);
  slotScene.answer = 0;
  EXPECT_EQ(LoadGame(ctx, kQuickSlot, 1), 0);
  EXPECT_EQ(slotScene.begun, 0);
  // Without the confirmation box, a message box asks.
  slotScene.answer = -1;
  fake.QueueBoxAnswer(pl::IDCANCEL);
  EXPECT_EQ(LoadGame(ctx, kQuickSlot, 1), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"確認:ロードします。よろしいですか？"});
  EXPECT_EQ(fake.boxes.back().style & pl::MB_TYPEMASK, pl::MB_OKCANCEL);
  fake.QueueBoxAnswer(pl::IDOK);
  EXPECT_EQ(LoadGame(ctx, kQuickSlot, 1), 1);
  EXPECT_TRUE(slotScene.finishedQuick);
  EXPECT_EQ(slotScene.questions, 3);
}

TEST_F(SaveGameTest, MissingScriptAfterTheStateWasReplaced) {
  RunToWait();
  ASSERT_EQ(SaveGame(ctx, 1, nullptr, 0, 0), 1);
  std::filesystem::remove(dir / "txt/START.TXT");
  EXPECT_EQ(LoadGame(ctx, 1, 0), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ロード:ロードできませんでした。"});
}

TEST_F(SaveGameTest, FailedWritesKeepThePreviousSlot) {
  RunToWait();
  ASSERT_EQ(SaveGame(ctx, 5, nullptr, 0, 0), 1);
  const std::vector<std::uint8_t> before = ReadBytes("file06.dat");
  eng.m_Root.m_Vars.AddInt("newer", 1);
  pl::SetWriteFaultHook(
      [](pl::WriteStep s, const std::string&) { return s != pl::WriteStep::kRename; });
  EXPECT_EQ(SaveGame(ctx, 5, nullptr, 0, 0), 0);
  pl::SetWriteFaultHook({});
  EXPECT_EQ(ReadBytes("file06.dat"), before);
  {
    HeldLock lock(SavePath("file06.dat"));
    EXPECT_EQ(SaveGame(ctx, 5, nullptr, 0, 0), 0);
  }
  EXPECT_EQ(ReadBytes("file06.dat"), before);
  // A state whose label does not fit its field is not written at all.
  eng.m_strLabel = std::string(40, 'L');
  EXPECT_EQ(SaveGame(ctx, 7, nullptr, 0, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(SavePath("file08.dat")));
  EXPECT_EQ(Boxes(), std::vector<std::string>(3, "確認:セーブに失敗しました。"));
}

TEST_F(SaveGameTest, ThumbnailOfTheSaveScreen) {
  RunToWait();
  std::vector<std::uint32_t> px(kThumbnailWidth * kThumbnailHeight);
  for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint32_t>(i * 2654435761u);
  ASSERT_EQ(SaveGame(ctx, 99, px.data(), kThumbnailWidth, kThumbnailHeight), 1);
  EXPECT_EQ(std::filesystem::file_size(SavePath("file00c.dat")), 614400u);
  std::vector<std::uint32_t> back;
  EXPECT_TRUE(ReadThumbnail("K:", 99, kThumbnailWidth, kThumbnailHeight, &back));
  EXPECT_EQ(back, px);
  std::filesystem::resize_file(SavePath("file00c.dat"), 614399);
  EXPECT_FALSE(ReadThumbnail("K:", 99, kThumbnailWidth, kThumbnailHeight, &back));
  EXPECT_FALSE(ReadThumbnail("K:", 12, kThumbnailWidth, kThumbnailHeight, &back));
}

}  // namespace
