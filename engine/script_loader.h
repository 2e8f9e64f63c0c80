// Script loading: finding a script's text ("txt", then "SCR", then the
// "SCR.AOS" archive), splitting it into numbered lines, labels and macros,
// and putting the root frame at a label. Also the block scanner that finds
// the line closing an if / sw / wh / for / do / macro block.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class CArc;
class CScriptEngine;
class ValueList;
struct ValueNode;

// The raw text of a script is at most 4 MB (longer loose files are cut).
inline constexpr std::size_t kRawTextMax = 0x400000;
// A packed script file or member is refused beyond this.
inline constexpr std::size_t kPackedMax = 0x9600800;
// The text run in place of a missing script or label.
inline constexpr const char* kStubScript = "::START\r\n^ret\r\n::END\r\n";

// The text of a script by name, looked up in that order: the plain text
// "%s\\txt\\%s.TXT", the packed file "%s\\SCR\\%s.scr", the packed member
// "%s.SCR" of the archive. None when no source gives a text.
std::optional<std::string> ReadScriptSource(const std::string& programFolder, CArc* archive, std::string_view name);

// What a split produced besides the lists.
struct SplitResult {
  bool endSeen = false;  // "::END" ended the split
  int lineCount = 0;     // numbered lines made
};
// Splits the text into lines and labels (both emptied first) and appends
// the macros it defines to `macros`. `mode` is the script mode word in force;
// `rootVars` names the macros given as "$var". A macro defined twice in one
// text is refused with a box; one already defined by an earlier load keeps
// its first body silently. Either way the body is consumed, so that the
// numbering is a function of the text alone: a reload (every ^ret from a
// ^gsb, a game load, the return to the title) numbers the lines as the
// first load did, and saved line numbers stay true.
SplitResult SplitScript(const char* text, int mode, ValueList& lines, ValueList& labels, ValueList& macros,
                        const ValueList* rootVars);

// The local labels of the section from `first` on: every ':' line up to
// the next "::" line or line 65,536 (the list is emptied first).
void CollectLocalLabels(const ValueNode* from, ValueList& localLabels);

// LoadScriptFile: loads `file`, splits it and puts the root frame one line
// past `label` (empty: "START"). A missing file or label shows its box and
// runs the stub. Always 1.
int LoadScriptFile(CScriptEngine& eng, std::string_view file, std::string_view label);

// SkipBlock: from the line after `node` (the opener) to the line closing
// the block of `blockWord` (a CW_ control word: if, sw, wh, for, do,
// macro). Nested openers of the same kind are passed over whole. With
// `stopAtElse` an if-scan also stops on "else" and "elif". Returns false
// (with a box, the node left on the last line) when no closer comes.
bool SkipBlock(ValueNode*& node, int blockWord, bool stopAtElse);
// The control word of a line that begins with '^' (-1 for others).
int ControlWordOfLine(std::string_view line);
