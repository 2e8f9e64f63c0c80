#include "engine/command_table.h"

namespace {

struct Run {
  int first;
  std::string_view words[30];
  int count;
};

// The fixed partition of the table; every index not listed is "dummy".
constexpr Run kRuns[] = {
    {0, {"nop", "debug", "def", "var", "array", "que", "stack", "pool", "enque", "deque", "push", "pop", "pick",
         "insp", "delp", "swap", "global"}, 17},
    {128, {"title", "memo", "menu", "snap", "mode", "set", "layer", "msg", "exit", "pause", "wait", "call", "ret",
           "backtitle", "float", "fnt", "save", "load", "saveenable", "savedisable", "loadenable", "loaddisable",
           "skipenable", "skipdisable", "max", "min", "num", "str", "rand", "clrbacklog"}, 30},
    {159, {"wbl", "wnd", "btn", "spr", "ch", "bg", "anm", "ss", "gg", "bgm", "env", "se", "cv"}, 13},
    {176, {"bgmon", "bgmoff", "envon", "envoff", "seon", "seoff", "cvon", "cvoff", "avi", "movie"}, 10},
    {192, {"cls", "print", "slct", "fill", "mono", "ofs", "scroll", "move", "ef", "efex", "bout", "bin", "wout",
           "win"}, 14},
    {207, {"ud", "udwait", "readal"}, 3},
    {224, {"wndon", "wndoff", "chon", "choff", "bgon", "bgoff", "cgon", "cgoff", "ssset", "ssreset", "sson",
           "ssoff", "anmon", "anmoff", "anmenable", "anmdisable", "anmnum", "btnset", "btnreset", "btnon",
           "btnoff", "btnenable", "btndisable", "rbtn", "ggon", "ggoff", "raster", "bmp", "fall", "filter"}, 30},
};

constexpr std::array<std::string_view, 256> BuildCommandNames() {
  std::array<std::string_view, 256> names{};
  for (int i = 0; i < kCommandCount; ++i) names[i] = "dummy";
  for (const Run& r : kRuns) {
    for (int k = 0; k < r.count; ++k) names[r.first + k] = r.words[k];
  }
  names[255] = "";
  return names;
}

constexpr std::array<std::string_view, 256> kCommandNames = BuildCommandNames();

constexpr std::array<std::string_view, kOperatorCount + 1> kOperators = {
    "+=", "-=", "*=", "/=", "%=", "`=", "+", "-", "*", "/", "%", "`", "&=", "|=",
    "^=", "~=", "&",  "|",  "^",  "~",  "==", "!=", "<=", ">=", "<", ">", "=", "",
};

constexpr std::array<std::string_view, kControlWordCount + 1> kControlWords = {
    "jp", "go", "jsb", "gsb", "ret", "if", "elif", "else", "endi", "sw", "case", "df",
    "ends", "wh", "cont", "brk", "endw", "for", "endf", "do", "untl", "macro", "endm", "",
};

template <std::size_t N>
int FindIn(const std::array<std::string_view, N>& table, std::string_view text) {
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (table[i] == text) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::string_view CommandName(int index) {
  if (index < 0 || index > 255) return "";
  return kCommandNames[index];
}

int FindCommand(std::string_view word) {
  if (word.empty()) return -1;
  return FindIn(kCommandNames, word);
}

std::string_view OperatorName(int index) {
  if (index < 0 || index > kOperatorCount) return "";
  return kOperators[index];
}

int FindOperator(std::string_view text) {
  if (text.empty()) return -1;
  return FindIn(kOperators, text);
}

std::string_view ControlWordName(int index) {
  if (index < 0 || index > kControlWordCount) return "";
  return kControlWords[index];
}

int FindControlWord(std::string_view word) {
  if (word.empty()) return -1;
  return FindIn(kControlWords, word);
}

CommandFlags FlagsOfCommand(int index) {
  CommandFlags f;
  const std::string_view w = CommandName(index);
  if (index < 0 || w.empty()) return f;
  for (std::string_view s : {"chon", "choff", "bgon", "bgoff", "cgon", "cgoff", "mono", "fill"}) {
    if (w == s) f.setsSceneChanged = true;
  }
  for (std::string_view s : {"ef", "ud", "bout", "bin", "wout", "win"}) {
    if (w == s) f.keepsFlags = true;
  }
  for (std::string_view s : {"ef", "ud", "bout", "bin", "wout", "win", "pause", "wait", "wndon", "wndoff"}) {
    if (w == s) f.endsFrameRun = true;
  }
  return f;
}
