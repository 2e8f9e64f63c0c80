// The warning about a normal sprite above a system sprite in the running
// game: each such sprite is named once a game, however often the scene is
// composed, and a sprite that becomes one later is named once in its turn;
// after the return to the title the new game names them again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "scene/pending.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
using kvtest::Utf8;

std::string Warning(int sprite) {
  return "[KIV] スプライトナンバー " + std::to_string(sprite) +
         " より後のスプライトで通常スプライトを使用しています。\nシステムスプライトを指定してください。\n";
}

// Sprites 1 and 3 normal, 2 a system sprite, composed by three transitions;
// then sprite 4 (normal) joins and two more transitions compose the scene.
constexpr const char kStart[] =
    "::START\r\n\r\nspr(5)\r\n"
    "chon(1,\"a\",0,0,0,0)\r\nchon(2,\"a\",100,0,0,0)\r\nch(2,4,1)\r\nchon(3,\"a\",200,0,0,0)\r\n"
    "ud(1,100)\r\nud(1,100)\r\nud(1,100)\r\n"
    "chon(4,\"a\",300,0,0,0)\r\n"
    "ud(1,100)\r\nud(1,100)\r\n"
    "backtitle\r\n::END\r\n";
// The title's game shows the same order fault twice over.
constexpr const char kTitle[] =
    "::START\r\n\r\n"
    "chon(1,\"a\",0,0,0,0)\r\nchon(2,\"a\",100,0,0,0)\r\nch(2,4,1)\r\nchon(3,\"a\",200,0,0,0)\r\n"
    "ud(1,100)\r\nud(1,100)\r\n"
    "wait(100000)\r\n::END\r\n";

struct SpriteOrderWarning : kvtest::Process {};

TEST_F(SpriteOrderWarning, EachSpriteIsNamedOnceAGame) {
  startScript = kStart;
  ASSERT_TRUE(kvtest::WriteFile(folder / "txt/TITLE.TXT", kTitle));
  const std::string pic = folder / "grp/a.abm";
  ASSERT_TRUE(kvtest::WriteFile(pic + ".recipe", "variant 32\nsize 8 8\nfill 64 FFFF0000\n"));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + pic + " " + pic + ".recipe"), 0);
  bool reachedTitleWait = false;
  onPump = [&](int) {
    CKivBase* engine = globals.m_App.m_pKivBase;
    if (reachedTitleWait || !engine) return;
    if (engine->Script().m_Root.m_strFile == "TITLE" && Scene().m_nPendingState == PND_TIMER) {
      reachedTitleWait = true;
      QuitYes();
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(reachedTitleWait) << "the title's game ran to its wait";
  EXPECT_EQ(Texts(OtherBoxes()), Warning(3) + Warning(4) + Warning(3));
}

}  // namespace
