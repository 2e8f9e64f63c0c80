#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/script_engine.h"
#include "engine/script_loader.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "tests/engine/fake_scene.h"
#include "tests/engine/script_test_util.h"
#include "tests/support/test_support.h"

using kvtest::Script;
using kvtest::Sj;

namespace {

class InterpreterTest : public testing::Test {
 protected:
  void SetUp() override {
    pl::SetProgramFolder(dir.path());
    eng.Reset();
    scene.onReadMark = [this] {
      if (!stepStarted) return;
      stepStarted = false;
      const CScriptFrame& f = eng.DeepestFrame();
      trace.push_back((&f == &eng.m_Root ? 0 : 1000) + f.m_nLine);
    };
  }
  void TearDown() override { pl::SetProgramFolder(""); }

  void Write(const std::string& file, std::initializer_list<std::string> lines) {
    ASSERT_TRUE(kvtest::WriteFile(dir / ("txt/" + file + ".TXT"), Script(lines)));
  }
  // Starts START as the engine does, one line back (so that the first line
  // run is the one after "::START"), and steps until the script waits, halts
  // or has run `maxSteps` lines.
  void Run(std::initializer_list<std::string> lines, int maxSteps = 2000) {
    Write("START", lines);
    eng.StartScript("START");
    eng.m_Root.StepBack();
    Continue(maxSteps);
  }
  void Continue(int maxSteps = 2000) {
    for (int i = 0; i < maxSteps && !eng.m_bHalted && scene.pending == 0; ++i) {
      stepStarted = true;
      eng.ExecuteLine();
    }
  }
  std::int32_t Int(const std::string& name) {
    const ValueNode* v = eng.m_Root.m_Vars.Find(name);
    EXPECT_NE(v, nullptr) << name;
    return v ? v->nValue : -12345;
  }
  std::string Text(const std::string& name) {
    const ValueNode* v = eng.m_Root.m_Vars.Find(name);
    EXPECT_NE(v, nullptr) << name;
    return v ? v->text : std::string();
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> c;
    for (const auto& b : fake.boxes) c.push_back(pl::Cp932ToUtf8(b.caption) + ":" + pl::Cp932ToUtf8(b.text));
    return c;
  }

  pl::FakeBackend fake;
  kvtest::TempDir dir;
  kvtest::FakeScene scene;
  CScriptEngine eng{&scene};
  bool stepStarted = false;
  std::vector<int> trace;
};

TEST_F(InterpreterTest, ControlFlowTraces) {
  // A block's closer found by a scan is not run itself: the frame stands on
  // it and the next step runs the line after it.
  struct Case {
    const char* what;
    std::vector<std::string> script;
    std::vector<int> trace;
    std::int32_t r;  // the variable %r at the end
  } cases[] = {
      {"if false runs else",
       {"::START", "var(%r,%a)", "^if(%a==1)", "%r=1", "^else", "%r=2", "^endi", "%r+=10", "::END"},
       {2, 3, 6, 7, 8, 9}, 12},
      {"else reached from the true branch skips to after endi",
       {"::START", "var(%r)", "^if(%r==0)", "%r=1", "^else", "%r=2", "^endi", "%r+=10", "::END"},
       {2, 3, 4, 5, 8, 9}, 11},
      {"nested ifs in a false branch are passed over whole",
       {"::START", "var(%r)", "^if(%r==1)", "^if(%r==0)", "^else", "^endi", "^if(%r==0)", "^endi", "^elif(%r==0)",
        "%r=5", "^endi", "::END"},
       {2, 3, 10, 11, 12}, 5},
      {"an elif chain",
       {"::START", "var(%r,%a)", "%a=3", "^if(%a==1)", "%r=1", "^elif(%a==2)", "%r=2", "^elif(%a==3)", "%r=3",
        "^else", "%r=4", "^endi", "::END"},
       {2, 3, 4, 9, 10, 13}, 3},
      {"sw runs the matching case without fall-through",
       {"::START", "var(%r,%a)", "%a=2", "^sw(%a)", "^case(1)", "%r=1", "^case(2)", "%r=2", "^df", "%r=9", "^ends",
        "::END"},
       {2, 3, 4, 8, 9, 12}, 2},
      {"sw with df before a matching case runs df",
       {"::START", "var(%r,%a)", "%a=2", "^sw(%a)", "^df", "%r=9", "^case(2)", "%r=2", "^ends", "::END"},
       {2, 3, 4, 6, 7, 10}, 9},
      {"a loop of three",
       {"::START", "var(%r)", "^wh(%r<3)", "%r+=1", "^endw", "::END"},
       {2, 3, 4, 5, 4, 5, 4, 5, 6}, 3},
      {"wh false at entry inside another loop leaves after its own endw",
       {"::START", "var(%r,%i)", "^wh(%i<2)", "%i+=1", "^wh(%r>5)", "%r=100", "^endw", "%r+=1", "^endw", "::END"},
       {2, 3, 4, 5, 8, 9, 4, 5, 8, 9, 10}, 2},
      {"brk in an if in a loop",
       {"::START", "var(%r)", "^wh(1==1)", "%r+=1", "^if(%r==2)", "^brk", "^endi", "^endw", "%r+=10", "::END"},
       {2, 3, 4, 5, 8, 4, 5, 6, 9, 10}, 12},
      {"cont goes round again",
       {"::START", "var(%r,%i)", "^wh(%i<3)", "%i+=1", "^if(%i==2)", "^cont", "^endi", "%r+=1", "^endw", "::END"},
       {2, 3, 4, 5, 8, 9, 4, 5, 6, 4, 5, 8, 9, 10}, 2},
      {"jsb and ret",
       {"::START", "var(%r)", ":top", "^jsb(sub)", "%r+=10", "^jp(end)", ":sub", "%r+=1", "^ret", ":end", "::END"},
       {2, 3, 4, 8, 9, 5, 6, 11}, 11},
      {"go within the file",
       {"::START", "var(%r)", "^go(.B)", "%r=1", "::B", "%r+=5", "::END"},
       {2, 3, 6, 7}, 5},
      {"a macro call (its body starts after its first line)",
       {"::START", "^macro(\"INC\")", "#skipped", "%r+=100", "%r+=1", "^endm", "var(%r)", "INC", "INC", "%r+=10",
        "::END"},
       {2, 3, 1002, 1003, 4, 1002, 1003, 5, 6}, 12},
  };
  for (const Case& c : cases) {
    trace.clear();
    fake.boxes.clear();
    eng.Reset();
    Write("START", {});
    std::string text;
    for (const auto& l : c.script) text += Sj(l) + "\r\n";
    ASSERT_TRUE(kvtest::WriteFile(dir / "txt/START.TXT", text));
    LoadScriptFile(eng, "START", "START");
    eng.m_Root.m_strFile = "START";
    eng.m_Root.StepBack();
    Continue();
    EXPECT_EQ(trace, c.trace) << c.what;
    EXPECT_EQ(Int("r"), c.r) << c.what;
    // Every script ends past its "::END" line: one box, nothing else.
    EXPECT_TRUE(eng.m_bHalted) << c.what;
    EXPECT_EQ(fake.boxes.size(), 1u) << c.what << " " << testing::PrintToString(Captions());
    EXPECT_EQ(eng.m_Root.m_Stack.Size(), 1u) << c.what;  // only "top" is left
  }
}

TEST_F(InterpreterTest, GsbAndRetAcrossFiles) {
  Write("SUB", {"::START", "::ENTRY", "%r+=1", "^ret", "::END"});
  Run({"::START", "var(%r)", "^gsb(SUB.ENTRY)", "%r+=10", "^go(SUB)", "::END"});
  // Back in START after the gsb; then the go to SUB's START runs ::ENTRY's
  // line once more and its ^ret with no call left.
  EXPECT_EQ(Int("r"), 12);
  EXPECT_EQ(trace, (std::vector<int>{2, 3, 3, 4, 4, 5, 2, 3, 4}));
  EXPECT_EQ(eng.m_Root.m_strFile, "SUB");
  EXPECT_TRUE(eng.m_bHalted);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[0].text).rfind("^gsb / ^jsb のない ^ret", 0), 0u);
  EXPECT_EQ(eng.m_Root.m_Stack.Size(), 1u);
}

TEST_F(InterpreterTest, Assignments) {
  struct Case {
    const char* line;
    std::int32_t start;
    std::int32_t value;
  } cases[] = {
      {"%a+=5", 7, 12},   {"%a-=5", 7, 2},   {"%a*=5", 7, 35},   {"%a/=2", 7, 3},  {"%a%=4", 7, 3},
      {"%a`=2", 7, 49},   {"%a&=3", 7, 3},   {"%a|=8", 7, 15},   {"%a^=1", 7, 6},  {"%a~=0", 7, -1},
      {"%a=2+3*4", 7, 14}, {"%a+5", 7, 7},   {"%a/=0", 7, 1},    {"%a%=0", 7, 0},  {"%a+=1", INT32_MAX, INT32_MIN},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    eng.Reset();
    eng.m_Root.m_Vars.AddInt("a", c.start);
    Run({"::START", c.line, "::END"});
    EXPECT_EQ(Int("a"), c.value) << c.line;
  }
  // The zero divisor shows its box before the end-of-script box.
  fake.boxes.clear();
  eng.Reset();
  eng.m_Root.m_Vars.AddInt("a", 7);
  Run({"::START", "%a/=0", "::END"});
  ASSERT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(fake.boxes[0].caption, Sj("ゼロ除算エラー"));

  // A relational operator goes through the warning box.
  fake.boxes.clear();
  Run({"::START", "%a==1", "::END"});
  ASSERT_GE(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, "KIV");
  EXPECT_EQ(fake.boxes[0].text, Sj("不正なオペレータ【==】が指定されています。"));
}

TEST_F(InterpreterTest, TextAssignmentsJoin) {
  Run({"::START", "var($s,$t)", "$t=\"ab\"", "$s=$t+\"cd\"+$t", "$s+=\"!\"", "$t=LEFT", "::END"});
  EXPECT_EQ(Text("s"), "abcdab!");
  EXPECT_EQ(Text("t"), "65520");
}

TEST_F(InterpreterTest, WrongTypedTargetsAreRefused) {
  Run({"::START", "var($s,%n)", "$s=\"keep\"", "%s=1", "$n=\"x\"", "que(\"q\",1)", "%q=5", "::END"});
  EXPECT_EQ(Text("s"), "keep");
  EXPECT_EQ(Int("n"), 0);
  const ValueNode* q = eng.m_Root.m_Vars.Find("q");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->type, VT_LIST);
  EXPECT_EQ(q->list->Size(), 1u);
  EXPECT_EQ(fake.boxes.size(), 4u);  // three refusals and the end of the script
}

TEST_F(InterpreterTest, MessageLineStartsTheReveal) {
  scene.windowCount = 1;
  scene.currentWindow = 0;
  eng.m_bSaveEnabled = eng.m_bLoadEnabled = 1;
  Run({"::START", "var($who)", "$who=\"太郎\"", "[\\Swho]あい@1う@Nえ@Cv01お@Sgoneか@Pき", "", "::END"});
  EXPECT_EQ(scene.pending, PND_TYPING);
  EXPECT_EQ(scene.opCode, kTextRevealOp);
  EXPECT_EQ(scene.opWindow, 0);
  // Counted: あ い 1 う え お か (the escape P and the rest are dropped).
  EXPECT_EQ(scene.deadlineChars, 7u);
  ASSERT_EQ(scene.names.size(), 1u);
  EXPECT_EQ(scene.names[0], Sj("太郎"));
  // An empty line follows: the page ends with this line.
  EXPECT_EQ(eng.m_LineBuf, Sj("[\\Swho]あい@1う@Nえ@Cv01おか\\f"));
  ASSERT_EQ(scene.backlog.size(), 1u);
  EXPECT_EQ(scene.backlog[0], eng.m_LineBuf);
  EXPECT_EQ(eng.m_bSaveEnabled, 0);  // mode 0
  EXPECT_EQ(eng.m_bLoadEnabled, 0);
  EXPECT_FALSE(eng.m_bContinue);
}

TEST_F(InterpreterTest, EmptyLinesInModeTwoBreakThePage) {
  scene.windowCount = 1;
  scene.currentWindow = 0;
  scene.pageText = "x";
  Run({"::START", "mode(2)", "", "::END"});
  EXPECT_EQ(scene.pageText, "x\\n");
  EXPECT_EQ(scene.backlog, (std::vector<std::string>{"\\n"}));
  EXPECT_EQ(scene.newTextLines, 1);
}

TEST_F(InterpreterTest, Choices) {
  scene.windowCount = 1;
  scene.currentWindow = 0;
  scene.runMode = 8;
  Run({"::START", "/はい/x表/いいえ//", "::END"});
  EXPECT_EQ(scene.pending, PND_SLCT);
  ASSERT_EQ(scene.choiceLists.size(), 1u);
  EXPECT_EQ(scene.choiceLists[0], (std::vector<std::string>{Sj("はい"), Sj("x表"), Sj("いいえ")}));
  EXPECT_EQ(scene.runMode, 1);  // skip mode is switched off
  EXPECT_TRUE(fake.boxes.empty());

  // Sixteen choices: fifteen kept, a box, and still a choice wait.
  std::string many;
  for (int i = 0; i < 16; ++i) many += "/" + std::string(1, static_cast<char>('a' + i));
  scene.pending = 0;
  scene.choiceLists.clear();
  Run({"::START", many + "//", "::END"});
  EXPECT_EQ(scene.pending, PND_SLCT);
  ASSERT_EQ(scene.choiceLists.size(), 1u);
  EXPECT_EQ(scene.choiceLists[0].size(), 15u);
  EXPECT_EQ(fake.boxes.size(), 1u);

  // No choice at all: nothing to wait for.
  scene.pending = 0;
  fake.boxes.clear();
  Run({"::START", "//", "::END"});
  EXPECT_EQ(scene.pending, 0u);
  EXPECT_EQ(fake.boxes.size(), 2u);
}

TEST_F(InterpreterTest, WindowSelection) {
  scene.windowCount = 2;
  Run({"::START", ">1", "::END"});
  EXPECT_EQ(scene.currentWindow, 1);
  fake.boxes.clear();
  Run({"::START", ">5", ">%nope", ">NOPE", ">ALL", "::END"});
  EXPECT_EQ(scene.currentWindow, 1);
  EXPECT_EQ(fake.boxes.size(), 5u);  // four refused and the end of the script
}

TEST_F(InterpreterTest, ControlFaultsAreReportedSafely) {
  struct Case {
    const char* what;
    std::vector<std::string> script;
    std::size_t boxes;  // including the end-of-script box
  } cases[] = {
      {"brk without a loop", {"::START", "^brk", "%r=1", "::END"}, 2},
      {"cont without a loop", {"::START", "^cont", "%r=1", "::END"}, 2},
      {"endw without a loop", {"::START", "^endw", "%r=1", "::END"}, 2},
      {"a loop left by jp", {"::START", "^wh(1==1)", "^jp(out)", "^endw", ":out", "^endw", "%r=1", "::END"}, 2},
      // No closer and no "::END": the scan stops on the last line.
      {"an if without endi", {"::START", "%r=1", "^if(1==0)", "%r=5"}, 3},
      {"a jsb to a missing local label", {"::START", "^jsb(none)", "%r=1", "::END"}, 2},
      {"a bad go target", {"::START", "^go(A.)", "%r=1", "::END"}, 2},
      {"a gsb to a missing label", {"::START", "^gsb(.NONE)", "%r=1", "::END"}, 2},
      {"an unknown word", {"::START", "frobnicate(1)", "%r=1", "::END"}, 2},
      {"a macro calling itself", {"::START", "^macro(\"M\")", "%x", "M", "^endm", "M", "%r=1", "::END"}, 2},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    eng.Reset();
    eng.m_Root.m_Vars.AddInt("r", 0);
    std::string text;
    for (const auto& l : c.script) text += Sj(l) + "\r\n";
    ASSERT_TRUE(kvtest::WriteFile(dir / "txt/START.TXT", text));
    LoadScriptFile(eng, "START", "START");
    eng.m_Root.m_strFile = "START";
    eng.m_Root.StepBack();
    Continue();
    EXPECT_TRUE(eng.m_bHalted) << c.what;
    EXPECT_EQ(Int("r"), 1) << c.what;
    EXPECT_EQ(fake.boxes.size(), c.boxes) << c.what << " " << testing::PrintToString(Captions());
    ASSERT_NE(eng.m_Root.m_Stack.Head(), nullptr) << c.what;
    EXPECT_EQ(eng.m_Root.m_Stack.Head()->name, "top") << c.what;
    EXPECT_EQ(eng.m_Root.m_Stack.Size(), 1u) << c.what;
  }
}

TEST_F(InterpreterTest, HaltedScriptStaysPutUntilAJump) {
  Run({"::START", "%r=1", "::END"});
  EXPECT_TRUE(eng.m_bHalted);
  const std::size_t boxes = fake.boxes.size();
  for (int i = 0; i < 5; ++i) eng.ExecuteLine();
  EXPECT_EQ(fake.boxes.size(), boxes);  // the box came once
  LoadScriptFile(eng, "START", "START");
  EXPECT_FALSE(eng.m_bHalted);
}

TEST_F(InterpreterTest, EngineStartRunsTheSecondLineAfterTheLabel) {
  Write("START", {"::START", "%r=1", "%r=2", "::END"});
  eng.m_Root.m_Vars.AddInt("r", 0);
  eng.StartScript("START");
  EXPECT_EQ(eng.m_Root.m_strFile, "START");
  EXPECT_EQ(eng.m_strLabel, "START");
  stepStarted = true;
  eng.ExecuteLine();
  EXPECT_EQ(trace, (std::vector<int>{3}));
  EXPECT_EQ(Int("r"), 2);
}

// A whole START script as the sample game could run it before the scene
// exists: caption, loop, call into another file, value commands, debug box.
TEST_F(InterpreterTest, SampleStartScript) {
  Write("SUB", {"::START", "::ENTRY", "memo(\"第一章\")", "^ret", "::END"});
  Write("START", {"::START", "", "title(\"kivzo\")", "%dbg=1", "var(%i,$s)", "^wh(%i<3)", "%i+=1", "^endw",
                  "str(%i)", "$s=$reg", "debug($s)", "^gsb(SUB.ENTRY)", "wait(1000)", "::END"});
  eng.StartScript("START");
  Continue();
  EXPECT_EQ(scene.pending, PND_TIMER);
  EXPECT_EQ(eng.m_strCaption, Sj("kivzo"));
  EXPECT_EQ(eng.m_strChapter, Sj("第一章"));
  EXPECT_EQ(eng.m_Root.m_strFile, "START");
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, Sj("debugコマンド実行"));
  EXPECT_EQ(fake.boxes[0].text, Sj("文字列変数 s の値は ３ です。"));
}

TEST_F(InterpreterTest, EngineStartRunsTheStubSafely) {
  // No START anywhere: the stub's "::END" runs first, then the script halts.
  LoadScriptFile(eng, "START", "START");
  Continue();
  EXPECT_TRUE(eng.m_bHalted);
  EXPECT_EQ(fake.boxes.size(), 2u);
}

TEST_F(InterpreterTest, CommandsBetweenLinesKeepStepping) {
  scene.windowCount = 1;
  Run({"::START", "var(%r)", "%r=1", "wait(100)", "%r=2", "::END"});
  EXPECT_EQ(scene.pending, PND_TIMER);
  EXPECT_EQ(scene.waitLength, 100u);
  EXPECT_EQ(Int("r"), 1);
  EXPECT_FALSE(eng.m_bContinue);  // wait ends the frame step's run of lines
  scene.pending = 0;
  Continue();
  EXPECT_EQ(Int("r"), 2);
}

}  // namespace
