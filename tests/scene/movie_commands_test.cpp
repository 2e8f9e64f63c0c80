// The script's movie commands through the interpreter: `movie` hands the
// movie screen its path (the "mpg" rule) and the picture's place and the
// script goes on after it; `avi` plays over the main window while the
// script waits, also when the file cannot be played.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/globals.h"
#include "scene/pending.h"
#include "scene/sound_commands.h"
#include "sound/movie_player.h"
#include "tests/scene/scene_harness.h"

namespace {

struct Launch {
  std::string path;
  std::int32_t x, y;
};
std::vector<Launch>& Launches() {
  static std::vector<Launch> l;
  return l;
}
void RecordLaunch(const std::string& path, std::int32_t x, std::int32_t y) {
  Launches().push_back({path, x, y});
  // The movie screen blocks while it plays: the script must not have run
  // on meanwhile.
  EXPECT_EQ(Scene().m_nPendingState, 0u);
}

class MovieCommandsTest : public kvtest::SceneScriptTest {
 protected:
  void SetUp() override {
    SceneScriptTest::SetUp();
    InstallSoundCommands(eng);
    SetMovieLauncher(&RecordLaunch);
    Launches().clear();
  }
  void TearDown() override {
    StopAvi();
    SetMovieLauncher(nullptr);
    SetSoundRequestHost(nullptr);
    SceneScriptTest::TearDown();
  }
};

TEST_F(MovieCommandsTest, MovieNamesItsFileUnderMovieAndTheScriptGoesOn) {
  struct Case {
    const char* line;
    const char* path;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {"movie(\"op\",100,50)", "K:\\movie\\op.mpg", 100, 50},   // no extension: mpg
      {"movie(\"ed.avi\",0,0)", "K:\\movie\\ed.avi", 0, 0},     // its own is kept
      {"movie(\"v1.2/op\",-8,600)", "K:\\movie\\v1.2/op.mpg", -8, 600},  // a dot in a folder is no extension
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Launches().clear();
    // The line after the movie runs too: the second launch shows it.
    Run({"::START", c.line, "movie(\"next\",1,2)"});
    ASSERT_EQ(Launches().size(), 2u);
    EXPECT_EQ(Launches()[0].path, c.path);
    EXPECT_EQ(Launches()[0].x, c.x);
    EXPECT_EQ(Launches()[0].y, c.y);
    EXPECT_EQ(Launches()[1].path, "K:\\movie\\next.mpg");
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(MovieCommandsTest, AviMakesTheScriptWaitWhetherOrNotItPlays) {
  pl::WindowDesc d;
  d.className = "KIV";
  pl::Window* window = pl::CreateWindow(d, &pl::DefWindowProc);
  ASSERT_NE(window, nullptr);
  SetMainWindowHandle(window);
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("movie_gen") + " '" + dir / "op.avi" +
                               "' --codec png --size 64x48 --fps 10 --frames 5"),
            0);
  struct Case {
    const char* name;
    bool plays;
  };
  for (const Case& c : {Case{"op", true}, Case{"missing", false}}) {
    SCOPED_TRACE(c.name);
    StopAvi();
    Run({"::START", std::string("avi(\"") + c.name + "\")", "movie(\"after\",0,0)"});
    EXPECT_EQ(Scene().m_nPendingState, static_cast<std::uint32_t>(PND_MOVIE));
    EXPECT_TRUE(Launches().empty()) << "the script waits at the avi line";
    EXPECT_EQ(AviDeviceId() != 0, c.plays);
    const std::vector<std::string> boxes = TakeBoxes();
    EXPECT_TRUE(boxes.empty()) << boxes[0];
  }
  StopAvi();
  SetMainWindowHandle(nullptr);
  pl::FreeWindow(window);
}

}  // namespace
