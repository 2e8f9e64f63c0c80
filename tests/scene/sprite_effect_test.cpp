// The sprite effect stepper on the fake clock: effects started by scripts
// step through the layers, reach their end positions and end their wait;
// skipping and the effects-off setting jump to the end; zero lengths end
// at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/pending.h"
#include "tests/scene/effects_harness.h"

namespace {

using kvtest::EffectsTest;

constexpr std::uint32_t kBg = 0x203040, kRed = 0xFF0000, kGreen = 0x00FF00;

class SpriteEffectTest : public EffectsTest {
 protected:
  // Background, sprite 1 (100 x 50 at (100, 200)) and a system sprite 3.
  void Scene3(std::initializer_list<std::string> lines) {
    RunWith({});
    Solid(Sprite(0), "bg", 1024, 600, kBg);
    Solid(Sprite(1), "c", 100, 50, kRed);
    Sprite(1).m_nX = 100;
    Sprite(1).m_nY = 200;
    Solid(Sprite(3), "sys", 40, 40, kGreen, 1);
    Sprite(3).m_nX = 600;
    Sprite(3).m_nY = 100;
    DrawSceneSprites(GetVirtualScreen(2));
    eng.m_bSaveEnabled = 1;
    More(lines);
  }
  void ExpectEnded(const std::string& what) {
    EXPECT_EQ(Scene().m_Ops[0].code, 0) << what;
    EXPECT_EQ(Scene().m_nPendingState, 0u) << what;
    EXPECT_EQ(eng.m_bSaveEnabled, 1) << what;
    EXPECT_EQ(eng.m_bLoadEnabled, 1) << what;
    EXPECT_EQ(Scene().m_bStepReady, 0) << what;
    EXPECT_EQ(SpriteEffectProgress(), 0) << what;
  }
  // Layer 0 shows layer 2 at a few points.
  static bool ScreenIsScene() {
    for (int y : {5, 102, 210, 230, 296, 393, 490, 587}) {
      for (int x : {3, 104, 110, 150, 205, 306, 407, 508, 609, 710, 811, 912, 1020}) {
        if (At(0, x, y) != At(2, x, y)) return false;
      }
    }
    return true;
  }
};

TEST_F(SpriteEffectTest, SlidesMoveByTimeAndEndStoredAtTheirEnd) {
  struct Case {
    int kind;
    int midX, midY;  // after 500 of 1000 ms
    int endX, endY;
  } cases[] = {
      {1, 150, 200, 200, 200}, {2, 50, 200, 0, 200}, {3, 100, 250, 100, 300}, {4, 100, 150, 100, 100},
  };
  for (const Case& c : cases) {
    const std::string line = "ef(1," + std::to_string(c.kind) + ",100,200,100,1000)";
    Scene3({line});
    ASSERT_EQ(Scene().m_nPendingState, PND_OPERATION) << line;
    EXPECT_EQ(eng.m_bSaveEnabled, 0);
    Advance(100);
    EXPECT_EQ(Step(), 1);
    // 10 pixels in 100 ms
    const int dx = (c.midX - 100) / 5, dy = (c.midY - 200) / 5;
    EXPECT_EQ(At(0, 100 + dx, 200 + dy), kRed) << line;
    EXPECT_EQ(At(0, 100 + dx - 1, 200 + dy - 1), kBg) << line;
    Advance(400);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(At(0, c.midX, c.midY), kRed) << line;
    EXPECT_EQ(At(0, c.midX - 1, c.midY - 1), kBg) << line;
    // The system sprite is never drawn by an effect.
    EXPECT_EQ(At(0, 610, 110), kBg) << line;
    EXPECT_EQ(Sprite(1).m_nX, 100) << line;
    Advance(500);
    EXPECT_EQ(Step(), 1);
    ExpectEnded(line);
    EXPECT_EQ(Sprite(1).m_nX, c.endX) << line;
    EXPECT_EQ(Sprite(1).m_nY, c.endY) << line;
    EXPECT_EQ(At(2, c.endX, c.endY), kRed) << line;
    EXPECT_TRUE(ScreenIsScene()) << line;
    EXPECT_EQ(At(1, c.endX, c.endY), kRed) << line;
  }
}

TEST_F(SpriteEffectTest, MovesFollowTheElapsedTime) {
  Scene3({"ef(1,5,400,300,0,400)"});
  Advance(200);
  Step();
  EXPECT_EQ(At(0, 250, 250), kRed);
  EXPECT_EQ(At(0, 249, 249), kBg);
  Advance(200);
  Step();
  ExpectEnded("move");
  EXPECT_EQ(Sprite(1).m_nX, 400);
  EXPECT_EQ(Sprite(1).m_nY, 300);

  // Appearing: half-way the sprite is half over the background.
  Picture("c2", 100, 50, 0xFFFF0000);
  Scene3({"ef(1,6,400,300,\"c2\",400,100,200)"});
  Advance(200);
  Step();
  const std::uint32_t mixed = At(0, 251, 251);
  EXPECT_NE(mixed, kRed);
  EXPECT_NE(mixed, kBg);

  // Vanishing: hidden at its end, its position kept.
  Scene3({"ef(1,7,400,300,0,400)"});
  Advance(100);
  Step();
  EXPECT_NE(At(0, 176, 226), kBg);
  Advance(400);
  Step();
  ExpectEnded("vanish");
  EXPECT_EQ(Sprite(1).m_szName[0], '\0');
  EXPECT_EQ(Sprite(1).m_nX, 400);
  EXPECT_EQ(At(0, 410, 310), kBg);
}

TEST_F(SpriteEffectTest, DoubleImagesCloseInOrSpreadAndHide) {
  Picture("c2", 100, 50, 0xFF0000FF);
  Scene3({"ef(1,8,300,200,\"c2\",400,40)"});
  Advance(200);
  Step();
  // Two copies 20 pixels either side, each half faded in.
  EXPECT_EQ(SpriteEffectProgress(), 127);
  EXPECT_NE(At(0, 282, 210), kBg);
  EXPECT_EQ(At(0, 278, 210), kBg);
  Advance(200);
  Step();
  ExpectEnded("converge");
  EXPECT_STREQ(Sprite(1).m_szName, "c2");
  EXPECT_EQ(Sprite(1).m_nX, 300);
  EXPECT_EQ(Sprite(1).m_nY, 200);

  Scene3({"ef(1,9,0,0,0,400,40)"});
  EXPECT_EQ(StepUntilDone(33), 14);
  ExpectEnded("spread");
  EXPECT_EQ(Sprite(1).m_szName[0], '\0');
  EXPECT_EQ(Sprite(1).m_nX, 100);
}

TEST_F(SpriteEffectTest, ShakesStepOncePerTickAndEndOnTheStillPicture) {
  struct Case {
    const char* line;
    int steps;
    int firstDx, firstDy;
  } cases[] = {
      {"ef(-1,11)", 6, -8, 0}, {"ef(-1,12)", 6, 0, -8}, {"ef(-1,16)", 4, 0, 8}, {"ef(-1,17)", 4, 0, 8},
  };
  for (const Case& c : cases) {
    Scene3({c.line});
    Step();
    // The whole picture moved by the first step's offset.
    EXPECT_EQ(At(0, 100 + c.firstDx, 200 + c.firstDy), kRed) << c.line;
    EXPECT_EQ(At(0, 100 + c.firstDx - 1, 200 + c.firstDy - 1), kBg) << c.line;
    EXPECT_EQ(SpriteEffectProgress(), 1);
    EXPECT_EQ(StepUntilDone(33), c.steps) << c.line;  // the rest of the steps and the end
    ExpectEnded(c.line);
    EXPECT_TRUE(ScreenIsScene()) << c.line;
  }
}

TEST_F(SpriteEffectTest, TheShownWindowsTextIsDrawnAgainAfterEveryShakeStep) {
  struct Case {
    const char* line;
    int windowState;
    int redraws;  // steps and the end
  } cases[] = {
      {"ef(-1,11)", 1, 7}, {"ef(-1,16)", 1, 5}, {"ef(-1,18,8,8,99,1000)", 1, 4}, {"ef(-1,29,8,8,99,1000)", 1, 4},
      {"ef(-1,11)", 2, 0}, {"ef(-1,20)", 1, 0},
  };
  for (const Case& c : cases) {
    Scene3({c.line});
    Window().m_nState = static_cast<std::uint8_t>(c.windowState);
    textHost.redraws = 0;
    StepUntilDone(33);
    EXPECT_EQ(textHost.redraws, c.redraws) << c.line << " window " << c.windowState;
  }
}

TEST_F(SpriteEffectTest, DecayingShakesEndByStepsOrTime) {
  struct Case {
    const char* line;
    int calls;  // steps drawn plus the end
  } cases[] = {
      {"ef(-1,18,8,8,99,1000)", 4},  // 3 steps
      {"ef(-1,19,8,4,330,1000)", 11},
      {"ef(1,18,8,8,330,100)", 5},   // the time ends it after 4 ticks of 33 ms
      {"ef(-1,18,10,10,0,400)", 1},  // no steps: over at once
      {"ef(-1,29,8,8,99,1000)", 4},
  };
  for (const Case& c : cases) {
    Scene3({c.line});
    EXPECT_EQ(StepUntilDone(33), c.calls) << c.line;
    ExpectEnded(c.line);
    EXPECT_TRUE(ScreenIsScene()) << c.line;
  }
  // The first step moves by the full amplitudes: the whole scene over
  // black, or the one sprite over the still background.
  Scene3({"ef(-1,18,8,6,330,1000)"});
  Step();
  EXPECT_EQ(At(0, 92, 194), kRed);
  EXPECT_EQ(At(0, 91, 193), kBg);
  EXPECT_EQ(At(0, 1020, 597), 0u);
  Scene3({"ef(1,18,8,6,330,1000)"});
  Step();
  EXPECT_EQ(At(0, 92, 194), kRed);
  EXPECT_EQ(At(0, 192, 244), kBg);
  EXPECT_EQ(At(0, 1020, 597), kBg);
}

TEST_F(SpriteEffectTest, BouncesGoOutAndComeBackInSixteenSteps) {
  for (const char* line : {"ef(-1,20)", "ef(-1,21)", "ef(-1,22)", "ef(-1,23)", "ef(-1,24)", "ef(-1,25)",
                           "ef(-1,26)", "ef(-1,27)", "ef(-1,28)", "ef(1,20)", "ef(1,28)"}) {
    Scene3({line});
    Step();
    // Step 0 is the still picture.
    EXPECT_TRUE(ScreenIsScene()) << line;
    for (int i = 1; i < 8; ++i) {
      Advance(33);
      Step();
    }
    EXPECT_FALSE(ScreenIsScene()) << line;
    EXPECT_EQ(StepUntilDone(33), 9) << line;  // steps 8 to 15 and the end
    ExpectEnded(line);
    EXPECT_TRUE(ScreenIsScene()) << line;
  }
  // Kind 20 at its widest: a black band over the upper half.
  Scene3({"ef(-1,20)"});
  for (int i = 0; i <= 8; ++i) Step();
  EXPECT_EQ(At(0, 10, 0), 0u);
  EXPECT_EQ(At(0, 10, 299), 0u);
  EXPECT_EQ(At(0, 10, 300), kBg);
}

TEST_F(SpriteEffectTest, GroupedMovesRunTheParallelEntriesAndEndThemAll) {
  Scene3({"efex(0,1,500)"});
  EXPECT_EQ(StepUntilDone(50), 11);
  ExpectEnded("no moves");
  EXPECT_EQ(Sprite(1).m_nX, 100);

  Solid(Sprite(2), "d", 20, 20, kGreen);
  Sprite(2).m_nX = 10;
  Sprite(2).m_nY = 20;
  More({"efex(1,11,400,300)", "efex(2,13,50,60)", "efex(0,1,500)"});
  Advance(250);
  Step();
  EXPECT_EQ(At(0, 250, 250), kRed);
  EXPECT_EQ(At(0, 249, 249), kBg);
  EXPECT_EQ(At(0, 30, 40), kGreen);
  Advance(250);
  Step();
  ExpectEnded("moves");
  EXPECT_EQ(Sprite(1).m_nX, 400);
  EXPECT_EQ(Sprite(1).m_nY, 300);
  EXPECT_EQ(Sprite(2).m_szName[0], '\0');
  EXPECT_EQ(Sprite(2).m_nX, 50);
  for (int e = 0; e < 8; ++e) EXPECT_EQ(Scene().m_Ops[e].code, 0) << e;
  EXPECT_TRUE(ScreenIsScene());
}

TEST_F(SpriteEffectTest, SpinEndsWithTheSpriteHidden) {
  Scene3({"ef(1,30,150,200,0,300,1)"});
  Advance(150);
  Step();
  EXPECT_EQ(Scene().m_Ops[0].code, 64);
  EXPECT_EQ(StepUntilDone(200), 2);
  ExpectEnded("spin");
  EXPECT_EQ(Sprite(1).m_szName[0], '\0');
  EXPECT_EQ(At(0, 110, 210), kBg);
}

TEST_F(SpriteEffectTest, SkippingOrEffectsOffJumpToTheEnd) {
  const char* lines[] = {"ef(1,1,100,200,100,1000)", "ef(1,5,400,300,0,1000)", "ef(1,9,0,0,0,1000,30)",
                         "ef(-1,11)",                "ef(-1,18,8,8,330,1000)", "ef(-1,24)",
                         "ef(1,30,0,0,0,1000,0)",     "efex(0,3,1000)"};
  for (int way = 0; way < 3; ++way) {
    for (const char* line : lines) {
      Scene3({line});
      Scene().m_nRunMode = way == 0 ? RUN_SKIP : way == 1 ? RUN_SKIPHELD : RUN_NORMAL;
      settings.m_bNoEffect = way == 2 ? 1 : 0;
      EXPECT_EQ(Step(), 1) << line << " " << way;
      ExpectEnded(line);
    }
  }
  settings.m_bNoEffect = 0;
  Scene().m_nRunMode = RUN_NORMAL;
  // The end position all the same.
  Scene3({"ef(1,1,100,200,100,1000)"});
  Scene().m_nRunMode = RUN_SKIP;
  Step();
  EXPECT_EQ(Sprite(1).m_nX, 200);
}

TEST_F(SpriteEffectTest, ZeroLengthsEndOnTheFirstStep) {
  for (const char* line : {"ef(1,1,100,200,0,1000)", "ef(1,5,100,200,0,1)", "ef(1,9,0,0,0,1,0)"}) {
    Scene3({line});
    Advance(1);
    EXPECT_EQ(Step(), 1) << line;
    ExpectEnded(line);
  }
}

TEST_F(SpriteEffectTest, AnEffectEndingBehindTheBacklogKeepsItOpen) {
  Scene3({"ef(1,1,100,200,100,100)"});
  Scene().m_nPendingState = PND_BACKLOG;
  Advance(200);
  Step();
  EXPECT_EQ(Scene().m_Ops[0].code, 0);
  EXPECT_EQ(Scene().m_nPendingState, PND_BACKLOG);
}

}  // namespace
