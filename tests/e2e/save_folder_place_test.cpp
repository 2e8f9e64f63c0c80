// Where the game keeps its data: "save" beside the program while the game's
// folder takes files; in the player's own data folder
// ($XDG_DATA_HOME/kivzo/<the game folder's name>/save) when the folder
// beside the program cannot be made or takes no files, so that a game
// installed read-only still keeps its settings and saves. When neither
// place can be had, the warning names the real folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/save_slot.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
using kvtest::Utf8;

// Saving allowed, the quick save written, then an idle wait.
constexpr const char kSavesAtOnce[] =
    "::START\r\n\r\nsaveenable()\r\nfloat(7)\r\nvar(%i)\r\n^wh(%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n";

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}
bool IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
// Whether a file can be made in the folder now, asked of the disk.
bool TakesFiles(const std::string& folder) {
  const std::string probe = folder + "/probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

struct SaveFolderPlace : kvtest::Process {
  kvtest::TempDir userData;
  std::vector<std::string> lockedFolders;

  void SetUp() override {
    Process::SetUp();
    ::setenv("XDG_DATA_HOME", userData.path().c_str(), 1);
  }
  void TearDown() override {
    for (const std::string& f : lockedFolders) ::chmod(f.c_str(), 0755);
    ::unsetenv("XDG_DATA_HOME");
    pl::SetProgramFolder("");
    Process::TearDown();
  }
  // A game folder of its own with the START script and the scene pictures.
  std::string MakeGame(const std::string& name) {
    const std::string game = folder / name;
    EXPECT_TRUE(kvtest::WriteFile(game + "/txt/START.TXT", kSavesAtOnce));
    MakeScenePictures();
    EXPECT_EQ(kvtest::RunCommand("cp -r '" + folder / "grp" + "' '" + game + "/grp'"), 0);
    return game;
  }
  // One run in the game folder, closed once the script had its frames.
  void RunIn(const std::string& game) {
    pl::SetProgramFolder(game);
    fake.boxes.clear();
    const int first = fake.pumps;
    onPump = [this, first](int count) {
      if (count - first == 80) QuitYes();
    };
    exitCode = RunMain();
  }
};

TEST_F(SaveFolderPlace, TheSaveFolderMovesToThePlayersOwnFolderOnlyWhenTheGamesFolderTakesNoFiles) {
  struct Case {
    const char* game;
    const char* what;
    // Makes "save" beside the program impossible; false when this machine
    // cannot arrange it (the row is then reported and left out).
    std::function<bool(SaveFolderPlace&, const std::string&)> arrange;
    bool moved;
  };
  const Case cases[] = {
      {"writable", "a game folder that takes files keeps save beside the program",
       [](SaveFolderPlace&, const std::string&) { return true; }, false},
      {"savefile", "a file named save stands where the folder would be made",
       [](SaveFolderPlace&, const std::string& game) { return kvtest::WriteFile(game + "/save", "keep"); }, true},
      {"readonly", "a read-only game folder without save",
       [](SaveFolderPlace& t, const std::string& game) {
         ::chmod(game.c_str(), 0555);
         t.lockedFolders.push_back(game);
         return !TakesFiles(game);
       },
       true},
      {"savelocked", "a save folder there that takes no files",
       [](SaveFolderPlace& t, const std::string& game) {
         const std::string save = game + "/save";
         ::mkdir(save.c_str(), 0755);
         ::chmod(save.c_str(), 0555);
         t.lockedFolders.push_back(save);
         if (!TakesFiles(save)) return true;
         // Permissions do not stop this user (root): a file system that
         // takes no files at all stands in for the read-only medium.
         ::chmod(save.c_str(), 0755);
         t.lockedFolders.pop_back();
         ::rmdir(save.c_str());
         return ::symlink("/sys", save.c_str()) == 0 && !TakesFiles(save);
       },
       true},
  };
  int rowsRun = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string game = MakeGame(c.game);
    if (!c.arrange(*this, game)) {
      std::printf("[ NOTE ] left out on this machine (it writes there anyway): %s\n", c.what);
      continue;
    }
    ++rowsRun;
    RunIn(game);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Texts(OtherBoxes()), "") << "no warning: the data has a place";
    const std::string beside = game + "/save";
    const std::string userSave = userData / (std::string("kivzo/") + c.game + "/save");
    const std::string kept = c.moved ? userSave : beside;
    for (const std::string& name : {std::string("system.dat"), std::string("readal.dat"), SlotFileName(100)}) {
      EXPECT_TRUE(IsFile(kept + "/" + name)) << kept << "/" << name;
    }
    if (c.moved) {
      EXPECT_FALSE(IsFile(beside + "/system.dat"));
    } else {
      EXPECT_FALSE(Exists(userData / "kivzo")) << "the player's own folder is not touched";
    }
  }
  EXPECT_GE(rowsRun, 2);

  // A second run of a game whose data moved writes it to the player's
  // folder again, and leaves the game's folder as it was.
  SCOPED_TRACE("the second run");
  const std::string game = folder / "savefile";
  const std::string userSave = userData / "kivzo/savefile/save";
  ASSERT_TRUE(IsFile(userSave + "/system.dat"));
  ASSERT_EQ(::unlink((userSave + "/system.dat").c_str()), 0);
  RunIn(game);
  EXPECT_TRUE(IsFile(userSave + "/system.dat"));
  EXPECT_EQ(kvtest::ReadFile(game + "/save"), "keep");
}

TEST_F(SaveFolderPlace, WithNoPlaceForTheDataTheWarningNamesTheRealFolder) {
  ::unsetenv("XDG_DATA_HOME");
  const std::string game = MakeGame("nowhere");
  ASSERT_TRUE(kvtest::WriteFile(game + "/save", "keep"));
  RunIn(game);
  EXPECT_EQ(exitCode, 0);
  ASSERT_FALSE(fake.boxes.empty());
  EXPECT_EQ(Utf8(fake.boxes[0].text), "指定のフォルダ " + game + "/save が作成できません。") << Texts(fake.boxes);
}

}  // namespace
