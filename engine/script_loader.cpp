#include "engine/script_loader.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/command_table.h"
#include "engine/line_reader.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/value_node.h"
#include "framework/arc.h"
#include "framework/huffman.h"
#include "framework/sjis.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Expands a packed script. The announced size is checked before anything
// is allocated, and the decoder is told how much input it really has.
std::optional<std::string> Expand(const std::vector<std::uint8_t>& packed) {
  const std::int64_t size = HuffmanBlockSize(packed.data(), packed.size());
  if (size < 0 || static_cast<std::uint64_t>(size) > kRawTextMax) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  const std::int64_t got = DecodeHuffman(packed.data(), packed.size(), reinterpret_cast<std::uint8_t*>(text.data()),
                                         text.size());
  if (got != size) return std::nullopt;
  return text;
}

// Each numbered line's key is its number in decimal.
std::string Key(int number) { return std::to_string(number); }

int LineNumberOf(const ValueNode* n) {
  int v = 0;
  std::from_chars(n->name.data(), n->name.data() + n->name.size(), v);
  return v;
}

// The macro name of a "^macro" line: from its ninth byte up to the first
// '"' or ')'.
std::string MacroNameOf(const std::string& line) {
  if (line.size() < 9) return std::string();
  std::string_view rest(line);
  rest.remove_prefix(8);
  std::size_t cut = rest.size();
  for (std::size_t i = 0; i < rest.size(); i += sjis::CharLen(rest, i)) {
    if (rest[i] == '"' || rest[i] == ')') {
      cut = i;
      break;
    }
  }
  return std::string(rest.substr(0, cut));
}

// Reads a macro body (up to and including its "^endm" line) into `body`
// (none: read and dropped). False when the text ended first.
bool ReadMacroBody(const char*& p, int mode, ValueList* body) {
  std::string line;
  int n = 1;
  for (;;) {
    if (*p == '\0') return false;
    ReadScriptLine(line, p, mode);
    if (body) body->AddText(Key(n++), line);
    if (StartsWith(line, "^endm")) return true;
  }
}

// DefineMacro. Returns false when the text ended inside the body.
bool DefineMacro(const std::string& line, const char*& p, int mode, ValueList& macros, const ValueList* rootVars,
                 std::unordered_set<std::string>& definedHere) {
  std::string name = MacroNameOf(line);
  if (!name.empty() && name[0] == '$') {
    const ValueNode* var = rootVars ? rootVars->Find(std::string_view(name).substr(1)) : nullptr;
    name = (var && var->type == VT_TEXT) ? var->text : std::string();
  }
  // A refused name consumes nothing: the body is split as ordinary lines.
  if (name.empty()) {
    ScriptBox(SJ("マクロ名が指定されていません。"), SJ("マクロ名設定エラー"));
    return true;
  }
  if (FindCommand(name) >= 0) {
    ScriptBox(FormatText(SJ("マクロ名にキーワード %s は使用できません。"), name.c_str()), SJ("マクロ名設定エラー"));
    return true;
  }
  if (macros.Find(name)) {
    // A name made earlier in this text is the script's own mistake; one
    // made by an earlier load of this (or another) file keeps its first body.
    if (definedHere.count(name)) {
      ScriptBox(FormatText(SJ("マクロ名 %s は既に使用されています。"), name.c_str()), SJ("マクロ名設定エラー"));
    }
    return ReadMacroBody(p, mode, nullptr);
  }
  ValueNode* node = macros.AddList(name);
  definedHere.insert(name);
  return ReadMacroBody(p, mode, node->list.get());
}

void UnterminatedBox() { ScriptBox(SJ("スクリプトの終わりに ::END がありません。"), SJ("デバッグ")); }

bool IsIdentByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

int CloserOf(int blockWord) {
  switch (blockWord) {
    case CW_IF: return CW_ENDI;
    case CW_SW: return CW_ENDS;
    case CW_WH: return CW_ENDW;
    case CW_FOR: return CW_ENDF;
    case CW_DO: return CW_UNTL;
    case CW_MACRO: return CW_ENDM;
    default: return -1;
  }
}

}  // namespace

std::optional<std::string> ReadScriptSource(const std::string& programFolder, CArc* archive, std::string_view name) {
  const std::string n(name);
  {
    pl::File f;
    if (f.OpenRead(programFolder + "\\txt\\" + n + ".TXT")) {
      const std::int64_t size = f.Size();
      if (size >= 0) {
        // Longer loose texts are cut at the raw-text limit.
        std::string text(static_cast<std::size_t>(std::min<std::int64_t>(size, kRawTextMax)), '\0');
        const std::int64_t got = f.ReadAt(0, text.data(), text.size());
        if (got >= 0) {
          text.resize(static_cast<std::size_t>(got));
          return text;
        }
      }
      return std::nullopt;
    }
  }
  const std::string packedPath = programFolder + "\\SCR\\" + n + ".scr";
  if (pl::FileExists(packedPath)) {
    std::vector<std::uint8_t> packed;
    if (!pl::ReadWholeFile(packedPath, &packed, kPackedMax)) return std::nullopt;
    return Expand(packed);
  }
  if (archive) {
    const std::string member = n + ".SCR";
    const std::int64_t size = archive->GetSize(member);
    if (size >= 0) {
      if (static_cast<std::uint64_t>(size) > kPackedMax) return std::nullopt;
      std::vector<std::uint8_t> packed(static_cast<std::size_t>(size));
      if (archive->Read(member, packed.data(), packed.size()) != size) return std::nullopt;
      return Expand(packed);
    }
  }
  return std::nullopt;
}

SplitResult SplitScript(const char* text, int mode, ValueList& lines, ValueList& labels, ValueList& macros,
                        const ValueList* rootVars) {
  SplitResult r;
  lines.Clear();
  labels.Clear();
  std::unordered_set<std::string> definedHere;
  // The label lines, put into the label list after the split in one go:
  // its index then stays in the cache instead of being visited between
  // every few lines.
  std::vector<std::pair<std::string, int>> labelLines;
  const char* p = text;
  std::string line;
  int number = 1;
  for (;;) {
    // The end of the text ends the split as "::END" would: a NUL would
    // otherwise read as an empty line forever.
    if (*p == '\0') {
      UnterminatedBox();
      break;
    }
    ReadScriptLine(line, p, mode);
    if (line[0] == '^' && StartsWith(line, "^macro")) {
      if (!DefineMacro(line, p, mode, macros, rootVars, definedHere)) {
        UnterminatedBox();
        break;
      }
      continue;
    }
    char key[16];
    const auto keyEnd = std::to_chars(key, key + sizeof key, number).ptr;
    lines.AddText(std::string_view(key, static_cast<std::size_t>(keyEnd - key)), line);
    ++r.lineCount;
    if (line.size() >= 2 && line[0] == ':' && line[1] == ':') {
      labelLines.emplace_back(line.substr(2), number);
      if (line == "::END") {
        r.endSeen = true;
        break;
      }
    }
    ++number;
  }
  for (const auto& [name, at] : labelLines) labels.AddInt(name, at);
  return r;
}

void CollectLocalLabels(const ValueNode* first, ValueList& localLabels) {
  localLabels.Clear();
  for (const ValueNode* n = first; n; n = n->next) {
    const int number = LineNumberOf(n);
    if (number >= 65536 || StartsWith(n->text, "::")) break;
    if (StartsWith(n->text, ":")) localLabels.AddInt(std::string_view(n->text).substr(1), number);
  }
}

int LoadScriptFile(CScriptEngine& eng, std::string_view file, std::string_view label) {
  const std::string fileName(file);
  std::optional<std::string> text = ReadScriptSource(eng.m_strProgramFolder, eng.m_pScriptArc, fileName);
  if (!text) {
    ScriptBox(FormatText(SJ("「 %s 」スクリプトファイルは存在しません。"), fileName.c_str()), SJ("エラー"));
    text = kStubScript;
  }
  CScriptFrame& root = eng.m_Root;
  // The frame's line pointer goes with the old lines.
  root.m_pLine = nullptr;
  root.m_pLines = &eng.m_Lines;
  eng.m_LocalLabels.Clear();
  SplitScript(text->c_str(), eng.m_nMode, eng.m_Lines, eng.m_Labels, eng.m_Macros, &root.m_Vars);

  const std::string wanted = label.empty() ? std::string("START") : std::string(label);
  const ValueNode* at = eng.m_Labels.Find(wanted);
  if (!at) {
    ScriptBox(FormatText(SJ("「 %s 」ラベルは存在しません。\n「 %s 」ファイルを無効化します。"), wanted.c_str(),
                         fileName.c_str()),
              SJ("エラー"));
    SplitScript(kStubScript, eng.m_nMode, eng.m_Lines, eng.m_Labels, eng.m_Macros, &root.m_Vars);
    at = eng.m_Labels.Find("START");
  }
  root.SetLine(at ? at->nValue + 1 : 1);
  CollectLocalLabels(root.m_pLine, eng.m_LocalLabels);
  eng.m_bHalted = false;
  return 1;
}

int ControlWordOfLine(std::string_view line) {
  if (line.empty() || line[0] != '^') return -1;
  std::size_t end = 1;
  while (end < line.size() && IsIdentByte(line[end])) ++end;
  return FindControlWord(line.substr(1, end - 1));
}

bool SkipBlock(ValueNode*& node, int blockWord, bool stopAtElse) {
  const int closer = CloserOf(blockWord);
  if (closer < 0 || !node) return false;
  // Only openers of the same kind nest; they are counted rather than
  // scanned recursively, so that deep nesting in a bad script costs no stack.
  int depth = 0;
  ValueNode* last = node;
  for (ValueNode* n = node->next; n; n = n->next) {
    last = n;
    const int cw = ControlWordOfLine(n->text);
    if (cw < 0) continue;
    if (cw == blockWord) {
      ++depth;
    } else if (cw == closer) {
      if (depth == 0) {
        node = n;
        return true;
      }
      --depth;
    } else if (depth == 0 && stopAtElse && blockWord == CW_IF && (cw == CW_ELSE || cw == CW_ELIF)) {
      node = n;
      return true;
    }
  }
  ScriptBox(FormatText(SJ("^%s に対応する ^%s が見つかりません。"), std::string(ControlWordName(blockWord)).c_str(),
                       std::string(ControlWordName(closer)).c_str()),
            SJ("デバッグ"));
  node = last;
  return false;
}
