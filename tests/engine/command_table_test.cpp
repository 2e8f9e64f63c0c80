#include "engine/command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/arg_list.h"
#include "engine/script_engine.h"
#include "engine/value_node.h"
#include "platform/fake/fake_backend.h"
#include "tests/engine/script_test_util.h"

using kvtest::Sj;

namespace {

TEST(CommandTableTest, EveryIndexOfTheCard) {
  // The named runs of the card; everything else up to 254 is "dummy".
  const std::vector<std::pair<int, std::vector<std::string>>> runs = {
      {0, {"nop", "debug", "def", "var", "array", "que", "stack", "pool", "enque", "deque", "push", "pop", "pick",
           "insp", "delp", "swap", "global"}},
      {128, {"title", "memo", "menu", "snap", "mode", "set", "layer", "msg", "exit", "pause", "wait", "call", "ret",
             "backtitle", "float", "fnt", "save", "load", "saveenable", "savedisable", "loadenable", "loaddisable",
             "skipenable", "skipdisable", "max", "min", "num", "str", "rand", "clrbacklog"}},
      {159, {"wbl", "wnd", "btn", "spr", "ch", "bg", "anm", "ss", "gg", "bgm", "env", "se", "cv"}},
      {176, {"bgmon", "bgmoff", "envon", "envoff", "seon", "seoff", "cvon", "cvoff", "avi", "movie"}},
      {192, {"cls", "print", "slct", "fill", "mono", "ofs", "scroll", "move", "ef", "efex", "bout", "bin", "wout",
             "win"}},
      {207, {"ud", "udwait", "readal"}},
      {224, {"wndon", "wndoff", "chon", "choff", "bgon", "bgoff", "cgon", "cgoff", "ssset", "ssreset", "sson",
             "ssoff", "anmon", "anmoff", "anmenable", "anmdisable", "anmnum", "btnset", "btnreset", "btnon",
             "btnoff", "btnenable", "btndisable", "rbtn", "ggon", "ggoff", "raster", "bmp", "fall", "filter"}},
  };
  std::vector<std::string> expected(255, "dummy");
  for (const auto& [first, words] : runs) {
    for (std::size_t k = 0; k < words.size(); ++k) expected[first + k] = words[k];
  }
  for (int i = 0; i < 255; ++i) {
    EXPECT_EQ(CommandName(i), expected[i]) << i;
    if (expected[i] != "dummy") {
      EXPECT_EQ(FindCommand(expected[i]), i);
    }
  }
  EXPECT_EQ(CommandName(255), "");
  EXPECT_EQ(FindCommand("dummy"), 17);
  EXPECT_EQ(FindCommand("Wait"), -1);
  EXPECT_EQ(FindCommand(""), -1);

  EXPECT_EQ(FindOperator("+="), OP_ADD_ASSIGN);
  EXPECT_EQ(FindOperator("`="), OP_POW_ASSIGN);
  EXPECT_EQ(FindOperator("|"), OP_OR);
  EXPECT_EQ(FindOperator("="), OP_ASSIGN);
  EXPECT_EQ(FindOperator("=>"), -1);
  EXPECT_EQ(FindControlWord("endw"), CW_ENDW);
  EXPECT_EQ(FindControlWord("endm"), CW_ENDM);
  EXPECT_EQ(FindControlWord("loop"), -1);
}

TEST(CommandTableTest, LookupSetsTheEngineFlags) {
  struct Case {
    const char* line;
    int index;
    int sceneChanged;  // after the lookup, from 7
    int screenOut;     // after the lookup, from 7
    bool endsRun;
  } cases[] = {
      {"chon(1)", 226, 1, 7, false}, {"wait(10)", 138, 0, 0, true}, {"ef(1)", 200, 7, 7, true},
      {"print", 193, 0, 0, false},   {"wndon", 224, 0, 0, true},    {"Wait", -1, 7, 7, false},
      {"bgoff", 229, 1, 7, false},
  };
  for (const Case& c : cases) {
    CScriptEngine eng;
    eng.m_bSceneChanged = 7;
    eng.m_nScreenOut = 7;
    const char* p = c.line;
    std::string word;
    bool ends = true;
    EXPECT_EQ(LookupCommand(eng, p, &word, &ends), c.index) << c.line;
    EXPECT_EQ(eng.m_bSceneChanged, c.sceneChanged) << c.line;
    EXPECT_EQ(eng.m_nScreenOut, c.screenOut) << c.line;
    EXPECT_EQ(ends, c.endsRun) << c.line;
  }
  // A word of 33 identifier characters is compared by its first 32, and the
  // cursor passes all of it.
  CScriptEngine eng;
  const std::string longWord = std::string(32, 'a') + "b(1)";
  const char* p = longWord.c_str();
  std::string word;
  EXPECT_EQ(LookupCommand(eng, p, &word, nullptr), -1);
  EXPECT_EQ(word, std::string(32, 'a'));
  EXPECT_EQ(*p, '(');
}

class ArgListTest : public testing::Test {
 protected:
  void SetUp() override {
    AddNamedConstants(constants);
    vars.AddInt("n", 42);
    vars.AddFloat("f", 1.5f);
    vars.AddText("s", Sj("表示"));
    vars.AddText("long", std::string(299, 'x') + Sj("あ"));
    vars.AddList("q");
  }
  ArgSlots Parse(const std::string& text) {
    ArgSlots a;
    for (auto& s : a.slot) {
      s.SetInt(0x55555555);
      s.type = 99;
    }
    const char* p = text.c_str();
    ParseArgList(a, p, vars, constants);
    return a;
  }
  pl::FakeBackend fake;
  ValueList vars, constants;
};

TEST_F(ArgListTest, SlotsAndTypes) {
  struct Case {
    std::string text;
    std::vector<std::int32_t> ints;  // for '%' slots
    std::string types;               // type chars of the first slots
  } cases[] = {
      {"(1,-2,0x10,~0)", {1, -2, 16, -1}, "%%%%"},
      {"(LEFT,ALL)", {65520, -1}, "%%"},
      // strtol of a 32-bit long saturates before the sign is applied.
      {"(%n,4294967295,-0x80000000)", {42, 0x7FFFFFFF, -0x7FFFFFFF}, "%%%"},
      {"()", {}, ""},
      {"", {}, ""},
      {"1,2", {}, ""},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    ArgSlots a = Parse(c.text);
    for (int i = 0; i < kArgSlots; ++i) {
      const char want = i < static_cast<int>(c.types.size()) ? c.types[i] : 0;
      EXPECT_EQ(a[i].type, want) << c.text << " slot " << i;
      if (i < static_cast<int>(c.ints.size())) {
        EXPECT_EQ(a[i].Int(), c.ints[i]) << c.text << " slot " << i;
      } else {
        EXPECT_EQ(a[i].Int(), 0) << c.text << " slot " << i;
      }
    }
    EXPECT_TRUE(fake.boxes.empty()) << c.text;
  }
}

TEST_F(ArgListTest, TextsFloatsAndVariables) {
  // Only a double quote closes a literal, also one opened by an apostrophe.
  ArgSlots a = Parse(Sj("(\"ab\\\"c\",'x\",$s,!f,%f,$q)"));
  EXPECT_EQ(a[0].Text(), "ab\"c");
  EXPECT_EQ(a[1].Text(), "x");
  EXPECT_EQ(a[2].Text(), Sj("表示"));
  EXPECT_EQ(a[2].type, '$');
  EXPECT_FLOAT_EQ(a[3].Float(), 1.5f);
  EXPECT_EQ(a[4].type, '%');  // the sigil as written, the value in its own form
  EXPECT_FLOAT_EQ(a[4].Float(), 1.5f);
  EXPECT_EQ(a[5].Int(), 0);  // a list has no slot form
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(ArgListTest, Faults) {
  struct Case {
    std::string text;
    int kept;                 // slots with a type
    std::string boxCaption;   // UTF-8
    std::string boxText;      // UTF-8 ("" = not checked)
  } cases[] = {
      {"(1,2,3,4,5,6,7,8,9,10,11)", 10, "デバッグ", "パラメータが多すぎます。以降のパラメータは捨てられます。"},
      {"(1,NOPE,2)", 1, "デバッグ", "名前付き定数 NOPE は定義されていません。"},
      {"(1,2", 2, "デバッグ", "名前付き定数  は定義されていません。"},
      {"(%none)", 1, "デバッグ", "引数リスト中の変数%noneは宣言されていません。"},
      {"($long)", 1, "文字列取得エラー", ""},
      {"(\"" + std::string(300, 'y') + "\")", 1, "文字列取得エラー", ""},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    ArgSlots a = Parse(c.text);
    int kept = 0;
    for (int i = 0; i < kArgSlots; ++i) kept += a[i].type != 0;
    EXPECT_EQ(kept, c.kept) << c.text;
    ASSERT_EQ(fake.boxes.size(), 1u) << c.text;
    EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[0].caption), c.boxCaption) << c.text;
    if (!c.boxText.empty()) {
      EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[0].text), c.boxText) << c.text;
    }
  }
  // The over-long text variable is cut to 255 bytes on a character boundary.
  fake.boxes.clear();
  ArgSlots a = Parse("($long)");
  EXPECT_EQ(a[0].Text(), std::string(255, 'x'));
}

TEST_F(ArgListTest, ReadersStopAtTheEnd) {
  struct Case {
    std::string text;
    std::string value;
  } cases[] = {
      {"abc\\", "abc"},           // a trailing backslash
      {"ab\x82", "ab\x82"},       // a lead byte before the NUL
      {"no closing", "noclosing"},  // blanks never reach it in real lines; here they are kept
  };
  cases[2].value = "no closing";
  for (const Case& c : cases) {
    const char* p = c.text.c_str();
    EXPECT_EQ(FetchString(p), c.value) << c.text;
    EXPECT_EQ(p, c.text.c_str() + c.text.size()) << c.text;
  }
  // A name of 300 bytes is cut to 255 and passed over whole.
  const std::string name = std::string(300, 'n') + "=1";
  const char* p = name.c_str();
  EXPECT_EQ(FetchName(p).size(), 255u);
  EXPECT_EQ(*p, '=');
  EXPECT_EQ(fake.boxes.size(), 1u);
  const char* op = "<=5";
  EXPECT_EQ(FetchOperator(op), "<=");
  const char* none = "(5";
  EXPECT_EQ(FetchOperator(none), "");
  EXPECT_EQ(*none, '(');
  const char* num = "-0x1fz";
  EXPECT_EQ(FetchNumber(num), "-0x1f");
}

}  // namespace
