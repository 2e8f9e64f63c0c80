// The named positions LEFT, CENTER, RIGHT and NON in a script put a
// character exactly where the codes -16, -15, -14 and -13 do, in `chon`
// and in the effects that show a picture first (`ef` 6 and 8, `efex` 12):
// the presented picture and the sprite's stored place agree word for word.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "scene/pending.h"
#include "tests/e2e/scene_script_fixture.h"

namespace {

using kvtest::ScreenPicture;
using kvtest::Texts;

// The character: 100 x 50 of red, shown with alignment 1 (centred on x) at
// y 100, over a grey background.
constexpr int kRow = 125;

// The leftmost column of row kRow that shows the red character, -1 none.
int LeftEdge(const ScreenPicture& pic) {
  if (pic.Empty()) return -1;
  for (int x = 0; x < ScreenPicture::kW; ++x) {
    const std::uint32_t p = pic.Rgb(x, kRow);
    if (ScreenPicture::R(p) > ScreenPicture::G(p) + 30) return x;
  }
  return -1;
}

struct PositionWords : kvtest::SceneScript {
  struct Seen {
    std::set<int> during;  // left edges while the effect ran
    int finalEdge = -2;
    int spriteX = -99999;
  };

  // Runs `lines` after the common set-up and records what was shown.
  Seen RunCase(const std::vector<std::string>& lines) {
    std::vector<std::string> all = {"var(%done)", "spr(3)", "ch(1,6,1)", "bgon(\"bg\",0,0)", "ud(0)"};
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back("%done=1");
    startScript = Script(all);
    Seen seen;
    int doneAt = -1;
    presentsSeen = 0;
    onPump = [&](int count) {
      if (doneAt < 0 && Var("done") == 1) doneAt = count;
      const bool newFrame = NewFramePresented();
      if (doneAt < 0 && newFrame && Scene().m_nPendingState == PND_OPERATION) {
        const int edge = LeftEdge(Presented());
        if (edge >= 0) seen.during.insert(edge);
      }
      if (doneAt >= 0 && count == doneAt + 10) {
        seen.finalEdge = LeftEdge(Presented());
        seen.spriteX = Engine()->Tables().SpriteAt(1)->m_nX;
        QuitYes();
      }
    };
    Run();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
    return seen;
  }
};

// `format` holds one %s, filled with the word and with its number.
std::string Fill(const char* format, const char* value) {
  char line[256];
  std::snprintf(line, sizeof line, format, value);
  return line;
}

struct Case {
  const char* what;
  const char* word;
  const char* code;
  std::vector<const char*> lines;  // each with one %s for the position
  int left;                        // the character's left edge at the end
  bool still;                      // the effect never moves it
};
const Case kCases[] = {
    {"chon LEFT", "LEFT", "-16", {"chon(1,\"ch\",%s,100,0,0)", "ud(0)"}, 256 - 50, true},
    {"chon CENTER", "CENTER", "-15", {"chon(1,\"ch\",%s,100,0,0)", "ud(0)"}, 512 - 50, true},
    {"chon RIGHT", "RIGHT", "-14", {"chon(1,\"ch\",%s,100,0,0)", "ud(0)"}, 767 - 50, true},
    {"chon NON keeps the place",
     "NON",
     "-13",
     {"chon(1,\"ch\",300,100,0,0)", "ud(0)", "chon(1,\"ch\",%s,100,0,0)", "ud(0)"},
     300 - 50,
     true},
    {"ef 6 appears at CENTER and moves to the centre", "CENTER", "-15",
     {"ef(1,6,512,100,\"ch\",600,%s,100)"}, 512 - 50, true},
    {"ef 6 moves to RIGHT", "RIGHT", "-14", {"ef(1,6,%s,100,\"ch\",600,512,100)"}, 767 - 50, false},
    {"ef 8 converges on RIGHT", "RIGHT", "-14", {"ef(1,8,%s,100,\"ch\",600,30)"}, 767 - 50, false},
    {"efex 12 appears at LEFT and moves to 256",
     "LEFT",
     "-16",
     {"efex(1,12,256,100,\"ch\",%s,100)", "efex(0,2,600)"},
     256 - 50,
     true},
};

struct PositionWordCase : PositionWords, ::testing::WithParamInterface<Case> {};

TEST_P(PositionWordCase, TheWordPlacesTheCharacterAsItsCodeDoes) {
  const Case& c = GetParam();
  MakeBackground("bg.bmp", "FF646464");
  MakePicture("ch.abm", "variant 32\nsize 100 50\nfill 5000 FFFF0000\n");
  Seen seen[2];
  for (int way = 0; way < 2; ++way) {
    std::vector<std::string> lines;
    for (const char* l : c.lines) {
      const std::string line = l;
      lines.push_back(line.find("%s") != std::string::npos ? Fill(l, way == 0 ? c.word : c.code) : line);
    }
    seen[way] = RunCase(lines);
  }
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? c.word : c.code);
    EXPECT_EQ(seen[way].finalEdge, c.left);
    EXPECT_EQ(seen[way].spriteX, c.left);
    if (c.still) {
      if (std::string(c.what).rfind("ef", 0) == 0) {
        EXPECT_FALSE(seen[way].during.empty());
      }
      for (int edge : seen[way].during) EXPECT_EQ(edge, c.left) << "while the effect ran";
    }
  }
  EXPECT_EQ(seen[0].during, seen[1].during) << "the word and the code show the same frames";
}

INSTANTIATE_TEST_SUITE_P(Cases, PositionWordCase, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) { return kvtest::CaseName(i.param.what); });

}  // namespace
