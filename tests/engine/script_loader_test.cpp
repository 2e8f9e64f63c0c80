#include "engine/script_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/script_engine.h"
#include "framework/arc.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "tests/engine/script_test_util.h"
#include "tests/support/test_support.h"

using kvtest::Script;
using kvtest::Sj;

namespace {

class ScriptLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    pl::SetProgramFolder(dir.path());
    eng.Reset();
    fake.boxes.clear();
  }
  void TearDown() override { pl::SetProgramFolder(""); }

  // A packed script file made by the project's encoder.
  void Pack(const std::string& text, const std::string& out, const std::string& extra = "") {
    const std::string raw = dir / "raw.bin";
    ASSERT_TRUE(kvtest::WriteFile(raw, text));
    std::filesystem::create_directories(std::filesystem::path(out).parent_path());
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("hufpack") + " encode '" + raw + "' '" + out + "' " + extra), 0);
  }
  void Archive(const std::string& member, const std::string& packedFile) {
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("aospack") + " '" + (dir / "SCR.AOS") + "' '" + member + "=" +
                                 packedFile + "'"),
              0);
    ASSERT_EQ(arc.Open("K:\\SCR.AOS"), 1);
    eng.m_pScriptArc = &arc;
  }
  std::string FirstLine() {
    ValueNode* n = eng.m_Lines.Find("2");
    return n ? n->text : std::string();
  }

  pl::FakeBackend fake;
  kvtest::TempDir dir;
  CScriptEngine eng;
  CArc arc;
};

TEST_F(ScriptLoaderTest, SourcesInOrderOfPrecedence) {
  // Each source says where it came from on its line 2; the loose names are
  // written in another case than the engine asks for.
  ASSERT_TRUE(kvtest::WriteFile(dir / "txt/start.txt", Script({"::START", "%from=1", "::END"})));
  Pack(Script({"::START", "%from=2", "::END"}), dir / "scr/START.SCR");
  Pack(Script({"::START", "%from=3", "::END"}), dir / "member.bin");
  Archive("start.scr", dir / "member.bin");

  struct Step {
    const char* remove;
    const char* line;
  } steps[] = {{nullptr, "%from=1"}, {"txt/start.txt", "%from=2"}, {"scr/START.SCR", "%from=3"}};
  for (const Step& s : steps) {
    if (s.remove) std::filesystem::remove(dir / s.remove);
    EXPECT_EQ(LoadScriptFile(eng, "START", "START"), 1);
    EXPECT_EQ(FirstLine(), s.line);
    EXPECT_TRUE(fake.boxes.empty());
  }
}

TEST_F(ScriptLoaderTest, MissingFileOrLabelRunsTheStub) {
  LoadScriptFile(eng, "START", "START");
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, Sj("エラー"));
  EXPECT_EQ(fake.boxes[0].text, Sj("「 START 」スクリプトファイルは存在しません。"));
  EXPECT_EQ(FirstLine(), "^ret");
  EXPECT_EQ(eng.m_Root.m_nLine, 2);

  fake.boxes.clear();
  ASSERT_TRUE(kvtest::WriteFile(dir / "txt/A.TXT", Script({"::START", "%a=1", "::END"})));
  LoadScriptFile(eng, "A", "NOPE");
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, Sj("「 NOPE 」ラベルは存在しません。\n「 A 」ファイルを無効化します。"));
  EXPECT_EQ(FirstLine(), "^ret");
  EXPECT_EQ(eng.m_Root.m_nLine, 2);
}

TEST_F(ScriptLoaderTest, PositionIsOnePastTheLabel) {
  // "::START" on line 5: the frame stands on line 6, and the first step
  // (which advances first) runs line 7.
  ASSERT_TRUE(kvtest::WriteFile(dir / "txt/START.TXT",
                                Script({"%a=1", "", "# no number", "%b=1", ":x", "%c=1", "::START", "%d=1",
                                        "%e=1", ":loc", "%f=1", "::NEXT", ":other", "::END"})));
  LoadScriptFile(eng, "START", "");
  EXPECT_EQ(eng.m_Labels.Find("START")->nValue, 6);
  EXPECT_EQ(eng.m_Root.m_nLine, 7);
  ASSERT_TRUE(eng.m_Root.Advance());
  EXPECT_EQ(eng.m_Root.m_pLine->text, "%e=1");
  // Only the local labels of the section entered.
  EXPECT_EQ(eng.m_LocalLabels.Size(), 1u);
  ASSERT_NE(eng.m_LocalLabels.Find("loc"), nullptr);
  EXPECT_EQ(eng.m_LocalLabels.Find("loc")->nValue, 9);
}

TEST_F(ScriptLoaderTest, BadPackedScriptsAreMissingScripts) {
  const std::string good = Script({"::START", "%a=1", "::END"});
  struct Case {
    const char* what;
    std::string options;
  } cases[] = {
      {"announces 100 MB", "--announce 104857600"},
      {"announces more than it holds", "--announce 5000"},
      {"cut short", "--cut 3"},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    Pack(good, dir / "SCR/START.scr", c.options);
    LoadScriptFile(eng, "START", "START");
    ASSERT_EQ(fake.boxes.size(), 1u) << c.what;
    EXPECT_EQ(fake.boxes[0].text, Sj("「 START 」スクリプトファイルは存在しません。")) << c.what;
    EXPECT_EQ(FirstLine(), "^ret") << c.what;
  }
}

TEST_F(ScriptLoaderTest, LooseTextIsCutAtFourMegabytes) {
  std::string text = Script({"::START"});
  while (text.size() < kRawTextMax) text += "%a=1\r\n";
  text += "::END\r\n";
  ASSERT_TRUE(kvtest::WriteFile(dir / "txt/START.TXT", text));
  LoadScriptFile(eng, "START", "START");
  // Cut before "::END": the end of the text ends the split, with one box.
  EXPECT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(eng.m_Labels.Find("END"), nullptr);
  // 9 + 6 * 699049 bytes are whole lines; one byte of the next is left.
  EXPECT_EQ(eng.m_Lines.Size(), 1u + 699049u + 1u);
  EXPECT_EQ(eng.m_Lines.Tail()->text, "%");
}

TEST_F(ScriptLoaderTest, ReloadKeepsTheNumbering) {
  ASSERT_TRUE(kvtest::WriteFile(
      dir / "txt/START.TXT",
      Script({"::START", "^macro(\"M\")", "%x=1", "^endm", "%a=1", "::SUB", "%b=1", "::END"})));
  LoadScriptFile(eng, "START", "SUB");
  const int first = eng.m_Labels.Find("SUB")->nValue;
  const std::size_t count = eng.m_Lines.Size();
  LoadScriptFile(eng, "START", "SUB");
  EXPECT_EQ(eng.m_Labels.Find("SUB")->nValue, first);
  EXPECT_EQ(eng.m_Lines.Size(), count);
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
