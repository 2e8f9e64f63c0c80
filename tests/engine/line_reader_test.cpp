#include "engine/line_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/command_table.h"
#include "engine/script_loader.h"
#include "engine/value_node.h"
#include "platform/fake/fake_backend.h"
#include "tests/engine/script_test_util.h"

using kvtest::Script;
using kvtest::Sj;

namespace {

struct Split {
  std::vector<std::string> lines;
  ValueList labels;
  SplitResult result;
};

// The numbered lines of a text, in order ("1", "2", ... checked too).
std::vector<std::string> Lines(const std::string& text, int mode, ValueList& macros, SplitResult* r = nullptr) {
  ValueList lines, labels;
  SplitResult res = SplitScript(text.c_str(), mode, lines, labels, macros, nullptr);
  if (r) *r = res;
  std::vector<std::string> out;
  int i = 1;
  for (const ValueNode* n = lines.Head(); n; n = n->next, ++i) {
    EXPECT_EQ(n->name, std::to_string(i));
    out.push_back(n->text);
  }
  return out;
}
std::vector<std::string> Lines(const std::string& text, int mode = 0) {
  ValueList macros;
  return Lines(text, mode, macros);
}

class LineReaderTest : public testing::Test {
 protected:
  pl::FakeBackend fake;
  std::vector<std::string> Captions() {
    std::vector<std::string> c;
    for (const auto& b : fake.boxes) c.push_back(pl::Cp932ToUtf8(b.caption));
    return c;
  }
};

TEST_F(LineReaderTest, LogicalLinesByKind) {
  struct Case {
    const char* what;
    std::string text;
    int mode;
    std::vector<std::string> lines;
  } cases[] = {
      {"comments take no number, empty lines do",
       Script({"# head", "%a=1", "", "  # indented comment", "%b=2 # trailing", "::END"}), 0,
       {"%a=1", "", "%b=2", "::END"}},
      {"blanks and tabs leave command lines", Script({"title( \"a b\" ,\t 1 )", "::END"}), 0,
       {"title(\"ab\",1)", "::END"}},
      {"mode 0 joins message lines", Script({"あいう", "えお", "", "::END"}), 0, {Sj("あいう\\nえお"), "", "::END"}},
      {"mode 2 keeps them apart", Script({"あいう", "えお", "::END"}), 2, {Sj("あいう"), Sj("えお"), "::END"}},
      {"a continuation starting with a backslash or '[' is a line of its own",
       Script({"あ", "\\nい", "[名]う", "::END"}), 0, {Sj("あ"), Sj("\\nい"), Sj("[名]う"), "::END"}},
      {"a speaker name alone is joined to its body", Script({"[太郎]  # who", "こんにちは", "::END"}), 2,
       {Sj("[太郎]こんにちは"), "::END"}},
      {"a name keeps joining in mode 2", Script({"[太郎]あ", "い", "::END"}), 2, {Sj("[太郎]あ\\nい"), "::END"}},
      {"blanks between characters go, the full-width blank stays", Script({"あ い　う", "::END"}), 0,
       {Sj("あい　う"), "::END"}},
      {"escapes are kept", Script({"あ@Nい\\F", "::END"}), 0, {Sj("あ@Nい\\F"), "::END"}},
      {"a voice cue may run on to the next physical line", Script({"あ@Cvoice01", "いう", "::END"}), 2,
       {Sj("あ@Cvoice01いう"), "::END"}},
      {"'#' ends the text", Script({"あい#note", "う", "::END"}), 0, {Sj("あい"), Sj("う"), "::END"}},
      {"an other byte gives an empty line and its line break another", Script({"*x", "::END"}), 0,
       {"", "", "::END"}},
      {"a choice list over three lines", Script({"/はい", "  /いいえ # c", "//", "::END"}), 0,
       {Sj("/はい/いいえ//"), "::END"}},
      {"the same list on one line", Script({"/はい/いいえ// rest", "::END"}), 0, {Sj("/はい/いいえ//"), "::END"}},
      // Trail bytes equal to '\\' and '[' or letters are not markup.
      {"trail bytes are never escapes", Script({"表ソ能ア", "::END"}), 0, {Sj("表ソ能ア"), "::END"}},
      {"labels are lines", Script({"::START", ":loop", "::END"}), 0, {"::START", ":loop", "::END"}},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    EXPECT_EQ(Lines(c.text, c.mode), c.lines) << c.what;
    EXPECT_TRUE(fake.boxes.empty()) << c.what;
  }
}

TEST_F(LineReaderTest, MalformedTextIsReportedAndReadingGoesOn) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> lines;
    std::string caption;
    std::string boxText;
  } cases[] = {
      {"an escape of no meaning drops the rest of the line", Script({"あ@Xい", "::END"}), {Sj("あ"), "::END"},
       "表示文字列が不正です", Sj("あ")},
      {"a single byte ends the text after it", Script({"あx%a=1", "::END"}), {Sj("あx"), "%a=1", "::END"},
       "表示文字列が不正です。", Sj("あx")},
      {"a line break inside the brackets", Script({"[名", "あ", "::END"}), {Sj("[名"), Sj("あ"), "::END"},
       "デバッグ", Sj("名前表示指定が不正です。")},
      // The byte ends the text, and what is left of the physical line (only
      // its line break here) is read as a line of its own.
      {"another byte after the name", Script({"[名]x", "::END"}), {Sj("[名]x"), "", "::END"}, "デバッグ",
       Sj("名前表示指定が不正です。")},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    EXPECT_EQ(Lines(c.text), c.lines) << c.what;
    ASSERT_GE(fake.boxes.size(), 1u) << c.what;
    EXPECT_EQ(pl::Cp932ToUtf8(fake.boxes[0].caption), c.caption) << c.what;
    EXPECT_EQ(fake.boxes[0].text, c.boxText) << c.what;
  }
}

TEST_F(LineReaderTest, ScannersStopAtTheTerminator) {
  // A lead byte right before CR LF or the NUL must not swallow it.
  std::string text = std::string("\x82") + "\r\n%a=1\r\n::END";
  EXPECT_EQ(Lines(text), (std::vector<std::string>{"\x82", "", "%a=1", "::END"}));
  fake.boxes.clear();
  for (std::string tail : {std::string("\x82"), std::string("/\x82"), std::string("[\x82"),
                           std::string("title(\"\x82"), std::string("@"), std::string("/a/")}) {
    std::string out;
    const char* p = tail.c_str();
    ReadScriptLine(out, p, 0);
    EXPECT_EQ(p, tail.c_str() + tail.size()) << testing::PrintToString(tail);
    EXPECT_LE(out.size(), tail.size());
  }
}

TEST_F(LineReaderTest, OverlongLinesAreCutOnACharacter) {
  std::string text = "%a=" + std::string(70000, '1') + "\r\n" + std::string(40000, '\x82') + "\r\n::END\r\n";
  // 40000 lead bytes pair up as 20000 characters of two bytes; the joined
  // message continues to 80000 bytes with the next line.
  std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), kScriptLineMax);
  EXPECT_EQ(lines[2], "::END");
  EXPECT_EQ(fake.boxes.size(), 1u);
}

TEST_F(LineReaderTest, MacrosTakeNoNumbersAndReloadsNumberAlike) {
  const std::string text = Script({"::START", "^macro(\"M\")", "%a=1", "^endm", "%b=2", "M", "::END"});
  ValueList macros;
  SplitResult r;
  const auto first = Lines(text, 0, macros, &r);
  EXPECT_TRUE(r.endSeen);
  EXPECT_EQ(first, (std::vector<std::string>{"::START", "%b=2", "M", "::END"}));
  ASSERT_NE(macros.Find("M"), nullptr);
  const ValueList& body = *macros.Find("M")->list;
  ASSERT_EQ(body.Size(), 2u);
  EXPECT_EQ(body.Head()->text, "%a=1");
  EXPECT_EQ(body.Tail()->text, "^endm");
  EXPECT_TRUE(fake.boxes.empty());

  // Reloading the same file (every ^ret from a ^gsb does) keeps the numbering
  // and shows nothing; the first body stays.
  EXPECT_EQ(Lines(text, 0, macros), first);
  EXPECT_TRUE(fake.boxes.empty());
  EXPECT_EQ(macros.Size(), 1u);

  // Defined twice in one text: refused with a box, but its body is consumed.
  ValueList fresh;
  const auto twice = Lines(Script({"^macro(\"M\")", "^endm", "^macro(\"M\")", "%x=1", "^endm", "::END"}), 0, fresh);
  EXPECT_EQ(twice, (std::vector<std::string>{"::END"}));
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, Sj("マクロ名設定エラー"));
  EXPECT_EQ(fake.boxes[0].text, Sj("マクロ名 M は既に使用されています。"));
}

TEST_F(LineReaderTest, RefusedMacroNamesConsumeNothing) {
  ValueList macros;
  EXPECT_EQ(Lines(Script({"^macro(\"wait\")", "%a=1", "^endm", "^macro", "::END"}), 0, macros),
            (std::vector<std::string>{"%a=1", "^endm", "::END"}));
  EXPECT_TRUE(macros.Empty());
  ASSERT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(fake.boxes[0].text, Sj("マクロ名にキーワード wait は使用できません。"));
  EXPECT_EQ(fake.boxes[1].caption, Sj("マクロ名設定エラー"));  // the short line has no name
}

TEST_F(LineReaderTest, TheEndOfTheTextEndsTheSplitOnce) {
  struct Case {
    std::string text;
    std::size_t lines;
  } cases[] = {
      {Script({"%a=1", "%b=2"}), 2},
      {Script({"%a=1", "^macro(\"M\")", "%b=2"}), 1},
      {std::string(), 0},
      {"%a=1", 1},
  };
  for (const Case& c : cases) {
    fake.boxes.clear();
    ValueList macros;
    SplitResult r;
    EXPECT_EQ(Lines(c.text, 0, macros, &r).size(), c.lines);
    EXPECT_FALSE(r.endSeen);
    EXPECT_EQ(fake.boxes.size(), 1u);
  }
}

// A generated script of every kind of line, with blanks, tabs, comments,
// lone CRs and LFs, lead bytes before line ends and long runs of plain and
// two-byte characters, split and compared line by line with what each
// generated line must read as: the numbering, the text and the labels.
TEST_F(LineReaderTest, GeneratedScriptReadsLineByLine) {
  std::mt19937 rng(2024);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::string kana[] = {"\x82\xA0", "\x82\xA2", "\x88\x9F", "\x81\x40", "\xE0\x40", "\x82\x5C"};
  const char plain[] = "abcXYZ019_(),\"=%$!<>+-*/.'\\";
  std::string text;
  std::vector<std::string> want;
  std::vector<std::pair<std::string, int>> labels;
  for (int i = 0; i < 6000; ++i) {
    const int kind = pick(9);
    std::string phys, read;
    if (kind <= 2) {
      // A command line: plain bytes, two-byte characters and blanks.
      phys = read = std::string(1, "abS%$!>^_"[pick(9)]);
      const int n = pick(3) == 0 ? 300 + pick(600) : pick(30);
      for (int k = 0; k < n; ++k) {
        const int c = pick(10);
        if (c < 5) {
          phys += plain[pick(static_cast<int>(sizeof plain) - 1)];
          read += phys.back();
        } else if (c < 7) {
          phys += kana[pick(6)];
          read += phys.substr(phys.size() - 2);
        } else if (c < 9) {
          phys += pick(2) ? ' ' : '\t';
        } else {
          // A lone CR or LF is a byte of the line.
          phys += pick(2) && phys.back() != '\r' ? '\n' : '\r';
          read += phys.back();
        }
      }
      if (pick(4) == 0) {
        // A lead byte right before the line end stands alone.
        phys += '\x82';
        read += '\x82';
      } else if (pick(3) == 0) {
        phys += pick(2) ? " # note \x82\xA0 (a, b)" : "#note";
      }
    } else if (kind <= 4) {
      // Message text: two-byte characters with blanks between them and the
      // kept escapes.
      phys = read = kana[pick(6)];
      const int n = pick(3) == 0 ? 200 + pick(400) : pick(20);
      for (int k = 0; k < n; ++k) {
        const int c = pick(8);
        if (c < 5) {
          phys += kana[pick(6)];
          read += phys.substr(phys.size() - 2);
        } else if (c < 7) {
          phys += pick(2) ? "  " : "\t";
        } else {
          phys += pick(2) ? "@N" : "\\5";
          read += phys.substr(phys.size() - 2);
        }
      }
      if (pick(3) == 0) phys += "\t# \x82\xA0 note";
    } else if (kind == 5) {
      phys = "# comment \x82\xA0 " + std::string(pick(50), 'x');
      text += std::string(pick(3), ' ') + phys + "\r\n";
      continue;
    } else if (kind == 6) {
      phys = read = "::L" + std::to_string(i);
      labels.emplace_back(read.substr(2), static_cast<int>(want.size()) + 1);
    } else if (kind == 7) {
      phys = read = ":local" + std::to_string(i);
    } else {
      phys = std::string(pick(3), ' ');
    }
    text += std::string(pick(2), '\t') + phys + "\r\n";
    want.push_back(read);
  }
  text += "::END\r\n";
  want.push_back("::END");
  labels.emplace_back("END", static_cast<int>(want.size()));

  ValueList lines, labelList, macros;
  const SplitResult r = SplitScript(text.c_str(), 2, lines, labelList, macros, nullptr);
  EXPECT_TRUE(r.endSeen);
  EXPECT_EQ(r.lineCount, static_cast<int>(want.size()));
  EXPECT_EQ(lines.Size(), want.size());
  int number = 1;
  for (const ValueNode* n = lines.Head(); n && number <= static_cast<int>(want.size()); n = n->next, ++number) {
    ASSERT_EQ(n->name, std::to_string(number));
    ASSERT_EQ(n->text, want[static_cast<std::size_t>(number - 1)]) << "line " << number;
    ASSERT_EQ(lines.Find(n->name), n);
  }
  ASSERT_EQ(labelList.Size(), labels.size());
  const ValueNode* l = labelList.Head();
  for (const auto& [name, at] : labels) {
    ASSERT_EQ(l->name, name);
    EXPECT_EQ(l->nValue, at);
    EXPECT_EQ(labelList.Find(name), l);
    l = l->next;
  }
  EXPECT_TRUE(fake.boxes.empty());
}

TEST(BlockScanTest, FindsTheCloserOfItsOwnKind) {
  ValueList lines;
  const char* text[] = {"^wh(%a<3)", "^if(%b==1)", "^wh(%c<1)", "^endw", "^else", "^endi", "^endw", "%z=0"};
  for (int i = 0; i < 8; ++i) lines.AddText(std::to_string(i + 1), text[i]);
  ValueNode* n = lines.Head();
  EXPECT_TRUE(SkipBlock(n, CW_WH, false));
  EXPECT_EQ(n->name, "7");  // the inner loop is passed over whole
  n = lines.Find("2");
  EXPECT_TRUE(SkipBlock(n, CW_IF, true));
  EXPECT_EQ(n->name, "5");
  n = lines.Find("2");
  EXPECT_TRUE(SkipBlock(n, CW_IF, false));
  EXPECT_EQ(n->name, "6");

  pl::FakeBackend fake;
  n = lines.Find("4");
  EXPECT_FALSE(SkipBlock(n, CW_SW, false));
  EXPECT_EQ(n->name, "8");  // left on the last line
  EXPECT_EQ(fake.boxes.size(), 1u);
}

}  // namespace
