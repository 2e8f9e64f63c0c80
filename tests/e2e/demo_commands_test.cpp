// The sample game shows every command: the running engine is asked which
// command words have a handler of their own (not the empty one), and the
// sample game's scripts in demo/scripts must use each of them at least
// once. The failure lists the words no script uses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/command_table.h"
#include "engine/kiv_base.h"
#include "engine/script_engine.h"
#include "framework/globals.h"
#include "tests/e2e/process_fixture.h"

namespace {

namespace fs = std::filesystem;

bool IdentifierByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The command words the scripts' lines begin with, as the interpreter reads
// them: the identifier bytes at the start of a line inside a file label
// (the lines before the first "::" label are the file's notes), blanks
// skipped, '#' comments ignored.
std::map<std::string, std::vector<std::string>> WordsUsed(const fs::path& folder) {
  std::map<std::string, std::vector<std::string>> used;  // word -> files
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    if (e.path().extension() != ".txt") continue;
    std::ifstream in(e.path());
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
      std::size_t p = line.find_first_not_of(" \t\r");
      if (p == std::string::npos) continue;
      if (line.compare(p, 2, "::") == 0) {
        inside = true;
        continue;
      }
      if (!inside || line[p] == '#') continue;
      std::size_t q = p;
      while (q < line.size() && IdentifierByte(line[q])) ++q;
      if (q == p) continue;
      const std::string word = line.substr(p, q - p);
      std::vector<std::string>& files = used[word];
      if (files.empty() || files.back() != e.path().filename().string()) files.push_back(e.path().filename().string());
    }
  }
  return used;
}

struct DemoCommands : kvtest::Process {};

TEST_F(DemoCommands, EveryCommandWithAHandlerIsUsedInTheSampleGame) {
  // The handlers the engine has plugged in once it runs.
  std::set<std::string> handled;
  std::set<std::string> empty;
  bool asked = false;
  onPump = [&](int) {
    CKivBase* engine = globals.m_App.m_pKivBase;
    if (asked || !engine) return;
    asked = true;
    const CScriptEngine& script = engine->Script();
    for (int i = 0; i < kCommandCount; ++i) {
      const std::string word(CommandName(i));
      if (word.empty() || word == "dummy") continue;
      (script.GetCommandHandler(i) == &CmdNop ? empty : handled).insert(word);
    }
    QuitYes();
  };
  Run();
  ASSERT_TRUE(asked) << "the engine never ran";
  // The engine's own words and their kinds, so that a handler lost from
  // the table would show here too.
  for (const char* w : {"var", "global", "wait", "wnd", "chon", "ud", "bgmon", "cvon", "movie", "filter", "float"})
    EXPECT_TRUE(handled.count(w)) << w << " has no handler";
  for (const char* w : {"nop", "menu", "ssset", "anm", "print"}) EXPECT_TRUE(empty.count(w)) << w << " has a handler";

  const fs::path scripts = fs::path(KIVZO_SOURCE_DIR) / "demo" / "scripts";
  ASSERT_TRUE(fs::is_directory(scripts)) << scripts;
  const auto used = WordsUsed(scripts);
  std::string missing;
  for (const std::string& w : handled) {
    if (!used.count(w)) missing += " " + w;
  }
  EXPECT_TRUE(missing.empty()) << "command words with a handler that no script in demo/scripts uses:" << missing;
  // Every word a script begins a line with is a command the engine knows
  // (a misspelt command would do nothing in the game).
  std::string unknown;
  for (const auto& [word, files] : used) {
    if (FindCommand(word) < 0) {
      unknown += " " + word + " (";
      for (const std::string& f : files) unknown += f + (f == files.back() ? ")" : ", ");
    }
  }
  EXPECT_TRUE(unknown.empty()) << "lines of demo/scripts that begin with no command word:" << unknown;
}

}  // namespace
