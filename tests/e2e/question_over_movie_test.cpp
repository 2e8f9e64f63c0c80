// The quit question asked while the movie screen plays a movie: the movie
// stands still behind the box (its position does not move on), the picture
// behind the panel is the movie's frame and not a movie drawn over the
// panel, and after "no" the movie goes on from where it stood.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/globals.h"
#include "platform/input.h"
#include "platform/window.h"
#include "screens/movie_mode.h"
#include "screens/msg_mode.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;

namespace fs = std::filesystem;

constexpr int kW = 1024, kH = 600;
// Every frame of the movie is this colour (0xRRGGBB).
constexpr std::uint32_t kFrameColour = 0x30C060;
// Where the movie plays, 320 x 240, across the panel's top-left part
// (the panel lies at 277, 191, 472 x 216).
constexpr int kMovieX = 200, kMovieY = 150, kMovieW = 320, kMovieH = 240;

fs::path StageFolder() { return fs::path(kvtest::ToolPath("")).parent_path().parent_path() / "stage"; }

bool IsFrameColour(std::uint32_t p) {
  for (int c = 0; c < 3; ++c) {
    const int a = static_cast<int>((p >> (8 * c)) & 0xFF), b = static_cast<int>((kFrameColour >> (8 * c)) & 0xFF);
    if (a - b > 3 || b - a > 3) return false;
  }
  return true;
}

struct QuestionOverMovie : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }
  CDirectShow& Player() { return Engine()->m_MovieMode.Player(); }

  void SetUp() override {
    Process::SetUp();
    // The game's pictures, with the question's panels.
    const fs::path grp = StageFolder() / "GRP.AOS";
    ASSERT_TRUE(fs::exists(grp)) << grp << " is missing: build the stage first";
    fs::copy_file(grp, fs::path(folder.path()) / "GRP.AOS");
    const std::string movie = folder / "movie/clip.avi";
    ASSERT_TRUE(kvtest::WriteFile(movie, ""));
    char colour[8];
    std::snprintf(colour, sizeof colour, "%06X", kFrameColour);
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("movie_gen") + " '" + movie + "' --codec png --size " +
                                 std::to_string(kMovieW) + "x" + std::to_string(kMovieH) +
                                 " --fps 10 --frames 600 --colours " + colour),
              0);
    startScript = "::START\r\n\r\nmovie(\"clip.avi\"," + std::to_string(kMovieX) + "," + std::to_string(kMovieY) +
                  ")\r\nvar(%i)\r\n^wh(%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n";
  }

  std::vector<std::uint32_t> Presented() {
    pl::Window* w = GetMainWindowHandle();
    if (!w) return {};
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kW || w->clientHeight != kH) return {};
    return w->front;
  }
};

TEST_F(QuestionOverMovie, TheMovieStandsStillBehindTheBoxAndGoesOnAfterNo) {
  enum Phase { kWaitMovie, kWaitBox, kBoxUp, kAnswering, kWaitClosed, kAfter, kEnding, kDone } phase = kWaitMovie;
  int due = 0;
  int timeAtOpen = -1, timeBoxLater = -1, timeAtClose = -1, timeLater = -1;
  std::uint64_t framesAtOpen = 0, framesBoxLater = 0, framesAtClose = 0, framesLater = 0;
  bool pausedWhileUp = false, playingAfter = false;
  std::vector<std::uint32_t> withBox;
  onPump = [&](int n) {
    // The player's thread keeps real time: every pump lets it have a
    // millisecond, so that it has its passes while the box is up.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The question is answered here, not by the fixture's yes.
    if (phase < kEnding) answering = true;
    if (n < due) return;
    switch (phase) {
      case kWaitMovie:
        if (Player().FramesDrawn() < 3 || !Player().IsRunning()) return;
        fake.InjectClose();
        phase = kWaitBox;
        return;
      case kWaitBox:
        if (!Engine()->QuestionShown()) return;
        timeAtOpen = Player().GetTimeMs();
        framesAtOpen = Player().FramesDrawn();
        phase = kBoxUp;
        due = n + 300;
        return;
      case kBoxUp:
        timeBoxLater = Player().GetTimeMs();
        framesBoxLater = Player().FramesDrawn();
        pausedWhileUp = Player().IsPaused() != 0;
        withBox = Presented();
        // Right puts the cursor on "no", the decide key takes it.
        fake.InjectKey(pl::DIK_RIGHT, true);
        phase = kAnswering;
        due = n + 3;
        return;
      case kAnswering:
        fake.InjectKey(pl::DIK_RIGHT, false);
        At(3, [this] { fake.InjectKey(pl::DIK_RETURN, true); });
        At(6, [this] { fake.InjectKey(pl::DIK_RETURN, false); });
        phase = kWaitClosed;
        due = n + 8;
        return;
      case kWaitClosed:
        if (Engine()->QuestionShown() || Engine()->m_MsgMode.m_bLoop != 0 || Player().IsPaused()) {
          if (n > due + 2000) phase = kEnding;
          return;
        }
        timeAtClose = Player().GetTimeMs();
        framesAtClose = Player().FramesDrawn();
        phase = kAfter;
        due = n + 300;
        return;
      case kAfter:
        timeLater = Player().GetTimeMs();
        framesLater = Player().FramesDrawn();
        playingAfter = Player().IsRunning() == 1 && Engine()->m_MovieMode.m_bLoop == 1;
        phase = kEnding;
        return;
      case kEnding:
        // Space ends the movie; then the close request is answered yes.
        answering = false;
        fake.InjectKey(pl::DIK_SPACE, true);
        At(3, [this] { fake.InjectKey(pl::DIK_SPACE, false); });
        At(40, [this] { QuitYes(); });
        phase = kDone;
        return;
      case kDone:
        return;
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_GE(timeAtOpen, 0) << "the box did not open over the movie; boxes:\n" << Texts(fake.boxes);
  ASSERT_GE(timeAtClose, 0) << "the box did not close after no";

  EXPECT_TRUE(pausedWhileUp);
  EXPECT_EQ(timeBoxLater, timeAtOpen) << "the movie's position moved on while the box was up";
  EXPECT_EQ(framesBoxLater, framesAtOpen) << "the movie was drawn while the box was up";

  ASSERT_EQ(withBox.size(), static_cast<std::size_t>(kW) * kH);
  auto at = [&](int x, int y) { return withBox[static_cast<std::size_t>(y) * kW + x]; };
  // Behind the panel, in the movie's rectangle: the movie's frame.
  EXPECT_TRUE(IsFrameColour(at(kMovieX + 10, kMovieY + 10))) << std::hex << at(kMovieX + 10, kMovieY + 10);
  EXPECT_TRUE(IsFrameColour(at(kMovieX + kMovieW - 10, kMovieY + 20)));
  EXPECT_TRUE(IsFrameColour(at(kMovieX + 20, kMovieY + kMovieH - 10)));
  // Outside it the frame is not.
  EXPECT_FALSE(IsFrameColour(at(kMovieX + kMovieW + 10, kMovieY + 10)));
  EXPECT_FALSE(IsFrameColour(at(kMovieX - 10, kMovieY + 10)));
  // Where the panel lies over the movie, the panel is shown, not the movie.
  int coveredByMovie = 0;
  for (int y = 200; y < kMovieY + kMovieH; y += 8)
    for (int x = 290; x < kMovieX + kMovieW; x += 8) coveredByMovie += IsFrameColour(at(x, y)) ? 1 : 0;
  EXPECT_EQ(coveredByMovie, 0) << "the movie was drawn over the panel";

  EXPECT_TRUE(playingAfter) << "the movie goes on after no";
  EXPECT_GE(timeAtClose, timeAtOpen);
  EXPECT_LT(timeAtClose - timeAtOpen, 100) << "it goes on from where it stood";
  EXPECT_GT(timeLater, timeAtClose) << "its position moves on again";
  EXPECT_GT(framesLater, framesAtClose) << "its frames are drawn again";
}

}  // namespace
