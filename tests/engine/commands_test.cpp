// The variable and system commands, run as script lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/command_table.h"
#include "engine/script_engine.h"
#include "engine/script_loader.h"
#include "engine/variable_commands.h"
#include "framework/globals.h"
#include "platform/backend.h"
#include "platform/fake/fake_backend.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/engine/fake_scene.h"
#include "tests/engine/script_test_util.h"

using kvtest::Sj;

namespace {

class CommandsTest : public testing::Test {
 protected:
  void SetUp() override { eng.Reset(); }

  // Runs each line in turn as the current line of the root frame.
  void Lines(std::initializer_list<std::string> lines) {
    eng.m_Lines.Clear();
    int n = 1;
    for (const std::string& l : lines) eng.m_Lines.AddText(std::to_string(n++), Sj(l));
    eng.m_Root.m_pLines = &eng.m_Lines;
    eng.m_Root.SetLine(0);
    for (std::size_t i = 0; i < lines.size(); ++i) eng.ExecuteLine();
  }
  const ValueNode& Reg() { return *eng.m_Root.m_Vars.Head(); }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> out;
    for (const auto& b : fake.boxes) out.push_back(pl::Cp932ToUtf8(b.text));
    return out;
  }

  pl::FakeBackend fake;
  kvtest::FakeScene scene;
  CScriptEngine eng{&scene};
};

TEST_F(CommandsTest, QueuesAndStacks) {
  Lines({"que(\"q\",5)", "enque(\"q\",6,7)", "deque(\"q\")"});
  EXPECT_EQ(Reg().type, VT_INT);
  EXPECT_EQ(Reg().nValue, 5);
  Lines({"deque(\"q\")"});
  EXPECT_EQ(Reg().nValue, 6);
  Lines({"deque(\"q\")"});
  EXPECT_EQ(Reg().nValue, 7);
  EXPECT_EQ(Reg().name, "reg");
  Lines({"stack(\"s\",\"x\")", "push(\"s\",1,2)", "pop(\"s\")"});
  EXPECT_EQ(Reg().nValue, 2);
  Lines({"pop(\"s\")", "pop(\"s\")"});
  EXPECT_EQ(Reg().type, VT_TEXT);
  EXPECT_EQ(Reg().text, "x");
  EXPECT_TRUE(fake.boxes.empty());

  // Faults: an empty container, a variable of another kind, a missing one,
  // a second declaration, a declaration without a first value.
  Lines({"pop(\"s\")", "var(%n)", "push(\"n\",1)", "deque(\"none\")", "que(\"q\",1)", "pool(\"p\")"});
  EXPECT_EQ(Reg().text, "x");  // unchanged
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"スタック変数 s は空です。", "スタック変数 n が宣言されていません。",
                                                  "キュー変数 none が宣言されていません。",
                                                  "キュー変数 q が再宣言されました。"}));
  EXPECT_EQ(eng.m_Root.m_Vars.Find("p"), nullptr);
  EXPECT_EQ(eng.m_Root.m_Vars.Find("n")->type, VT_INT);
}

TEST_F(CommandsTest, Declarations) {
  // Digits belong to a name: a number value follows its name with a sign.
  Lines({"var(%i,!f,$t)", "var(%i)", "def名前\"値\"", "def数-7", "def名前-1", "var(#x)"});
  const ValueNode* i = eng.m_Root.m_Vars.Find("i");
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(i->type, VT_INT);
  EXPECT_EQ(eng.m_Root.m_Vars.Find("f")->type, VT_FLOAT);
  EXPECT_EQ(eng.m_Root.m_Vars.Find("t")->type, VT_TEXT);
  EXPECT_EQ(eng.m_Root.m_Vars.Find(Sj("名前"))->text, Sj("値"));
  ASSERT_NE(eng.m_Root.m_Vars.Find(Sj("数")), nullptr);
  EXPECT_EQ(eng.m_Root.m_Vars.Find(Sj("数"))->nValue, -7);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"変数 i が再宣言されました。",
                                                  "定数 名前 が再宣言されているか、同じ名前の変数が存在します。",
                                                  "変数#xの宣言に不正な識別子が使用されています。"}));
  // A second declaration is still appended; lookups keep the older node.
  std::size_t count = 0;
  for (const ValueNode* n = eng.m_Root.m_Vars.Head(); n; n = n->next) count += n->name == "i";
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(eng.m_Root.m_Vars.Find("i"), i);
}

TEST_F(CommandsTest, Debug) {
  Lines({"debug(\"hidden\")"});
  EXPECT_TRUE(fake.boxes.empty());  // dbg is 0
  Lines({"%dbg=1", "var(%n,!f,$s)", "%n=3", "debug(%n)", "debug($s)", "debug(\"hi\")", "debug(%gone)"});
  ASSERT_EQ(fake.boxes.size(), 4u);
  EXPECT_EQ(fake.boxes[0].caption, Sj("debugコマンド実行"));
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"整数変数 n の値は 3 です。", "文字列変数 s の値は  です。", "hi",
                                                  "変数 gone は宣言されていません。"}));
}

TEST_F(CommandsTest, Globals) {
  Lines({"global(%seen,5)"});
  EXPECT_EQ(Reg().nValue, -1);  // new
  EXPECT_EQ(scene.globalSaves, 1);
  ASSERT_NE(eng.m_Globals.Find("seen"), nullptr);
  EXPECT_EQ(eng.m_Globals.Find("seen")->nValue, 5);
  Lines({"global(%seen,8)"});
  EXPECT_EQ(Reg().nValue, 5);  // the previous value
  EXPECT_EQ(eng.m_Globals.Find("seen")->nValue, 8);
  Lines({"global(%seen,-1)", "global(%other,-1)"});
  EXPECT_EQ(Reg().nValue, -1);
  EXPECT_EQ(eng.m_Globals.Find("other"), nullptr);  // -1 only reads
  EXPECT_EQ(scene.globalSaves, 2);
  EXPECT_EQ(eng.m_Globals.Find("seen")->nValue, 8);

  // Declared again with another sigil: the type changes with the value.
  Lines({"global($seen,\"text\")"});
  EXPECT_EQ(Reg().type, VT_INT);
  EXPECT_EQ(Reg().nValue, 8);
  EXPECT_EQ(eng.m_Globals.Find("seen")->type, VT_TEXT);
  EXPECT_EQ(eng.m_Globals.Find("seen")->text, "text");
  Lines({"global(%seen,-1)"});
  EXPECT_EQ(Reg().type, VT_TEXT);

  // The engine's own text, which holds a blank.
  DeclareGlobals(eng, "(%Mode01, 1)");
  ASSERT_NE(eng.m_Globals.Find("Mode01"), nullptr);
  EXPECT_EQ(eng.m_Globals.Find("Mode01")->nValue, 1);
  Lines({"global(#x)", "global($t,$none)"});
  EXPECT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(eng.m_Globals.Find("t")->text, "");
}

TEST_F(CommandsTest, ValueCommands) {
  struct Case {
    const char* line;
    char type;
    std::int32_t value;
    const char* text;  // UTF-8, for text results
  } cases[] = {
      {"max(3,9,9)", '%', 1, nullptr},
      {"min(3,9,1)", '%', 2, nullptr},
      {"max()", '%', 0, nullptr},
      {"max(3,\"x\",7)", '%', 2, nullptr},
      {"num(\"－１２\")", '%', -12, nullptr},
      {"num(\"0x1F\")", '%', 31, nullptr},
      {"num(\"０ｘ１Ｆ\")", '%', 31, nullptr},
      {"num(5)", '%', 0, nullptr},
      {"str(-5)", '$', 0, "－５"},
      {"str(\"x\")", '$', 0, "０"},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    Lines({c.line});
    EXPECT_EQ(Reg().type, c.type) << c.line;
    if (c.type == '%') {
      EXPECT_EQ(Reg().nValue, c.value) << c.line;
    } else {
      EXPECT_EQ(pl::Cp932ToUtf8(Reg().text), c.text) << c.line;
    }
    EXPECT_TRUE(fake.boxes.empty()) << c.line;
  }
  // str of a float ends after its integer part.
  eng.m_Root.m_Vars.AddFloat("f", 2.5f);
  Lines({"str(!f)"});
  EXPECT_EQ(pl::Cp932ToUtf8(Reg().text), "２");
}

TEST_F(CommandsTest, Rand) {
  eng.SeedRandom(1);
  Lines({"rand(100)"});
  // The C runtime generator from seed 1: 41 first.
  EXPECT_EQ(Reg().nValue, 41);
  Lines({"rand(32768)"});
  EXPECT_EQ(Reg().nValue, 18467);
  // Two calls in the same millisecond differ: the generator is not seeded again.
  Lines({"rand(32768)"});
  EXPECT_EQ(Reg().nValue, 6334);
  EXPECT_TRUE(fake.boxes.empty());
  Lines({"rand(0)"});
  EXPECT_EQ(Reg().nValue, 0);
  Lines({"rand(\"x\")"});
  ASSERT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(fake.boxes[0].text, Sj("randコマンドの引数が不正です。"));
  EXPECT_EQ(fake.boxes[0].caption, Sj("デバッグ"));
}

TEST_F(CommandsTest, ModeWaitsAndSwitches) {
  Lines({"saveenable", "loadenable"});
  EXPECT_EQ(eng.m_bSaveEnabled, 1);
  EXPECT_EQ(eng.m_bLoadEnabled, 1);
  Lines({"mode(2)", "savedisable", "loaddisable"});
  EXPECT_EQ(eng.m_nMode, 2);
  EXPECT_EQ(eng.m_bSaveEnabled, 1);  // only in mode 0
  EXPECT_EQ(eng.m_bLoadEnabled, 1);
  Lines({"mode(0)", "savedisable"});
  EXPECT_EQ(eng.m_bSaveEnabled, 0);

  Lines({"skipdisable"});
  EXPECT_EQ(scene.runMode, 0);
  Lines({"pause"});
  EXPECT_EQ(scene.pending, PND_PAUSE);
  scene.pending = 0;
  scene.runMode = 8;
  Lines({"pause"});
  EXPECT_EQ(scene.pending, 0u);  // nothing while skipping
  Lines({"skipenable"});
  EXPECT_EQ(scene.runMode, 1);

  fake.manualClock().Set(5000);
  Lines({"wait(250)"});
  EXPECT_EQ(scene.pending, PND_TIMER);
  EXPECT_EQ(scene.waitStart, 5000u);
  EXPECT_EQ(scene.waitLength, 250u);
  scene.pending = 0;
  Lines({"wait(-5)"});
  EXPECT_EQ(scene.waitLength, 0u);

  scene.backlog = {"a"};
  scene.pageText = "b";
  Lines({"clrbacklog"});
  EXPECT_TRUE(scene.backlog.empty());
  EXPECT_TRUE(scene.pageText.empty());
}

TEST_F(CommandsTest, Font) {
  Lines({"fnt(20,16777215,0,0)"});
  EXPECT_TRUE(scene.fontSizes.empty());  // nothing changed
  Lines({"fnt(24,255,0,0)"});
  EXPECT_EQ(scene.fontSizes, (std::vector<std::int32_t>{24}));
  EXPECT_EQ(eng.m_nLetterSpacing, 22);
  Lines({"fnt(24,255,258,0x123456)"});
  EXPECT_EQ(eng.m_nShadow, 0x02123456);  // the offset masked to its byte
  EXPECT_EQ(scene.fontSizes.size(), 2u);
}

TEST_F(CommandsTest, CaptionAndExit) {
  pl::WindowDesc desc;
  pl::Window* w = pl::CreateWindow(desc, [](pl::Window* hw, std::uint32_t id, pl::WPARAM wp, pl::LPARAM lp) {
    return pl::DefWindowProc(hw, id, wp, lp);
  });
  ASSERT_NE(w, nullptr);
  SetMainWindowHandle(w);
  Lines({"title(\"ゲーム\")"});
  EXPECT_EQ(w->caption, Sj("ゲーム"));
  Lines({"memo(\"第一章\")"});
  EXPECT_EQ(w->caption, Sj("ゲーム － 第一章"));
  Lines({"memo(\"\")"});
  EXPECT_EQ(w->caption, Sj("ゲーム"));
  // A title of 255 bytes is kept to its 63.
  Lines({"title(\"" + std::string(200, 'x') + "あ\")"});
  EXPECT_EQ(w->caption, std::string(63, 'x'));

  pl::ClearMessageQueue();
  Lines({"exit"});
  pl::Message msg;
  bool closed = false;
  while (pl::PeekMessage(&msg)) closed |= msg.id == pl::WM_CLOSE;
  EXPECT_TRUE(closed);
  SetMainWindowHandle(nullptr);
  pl::FreeWindow(w);
}

}  // namespace
