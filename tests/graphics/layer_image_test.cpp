// The image store: where pictures are found (loose before archive, the
// extensions in order, packed pictures expanded), the boxes of a failed
// load, the decode by kind, and drawing by kind with the part animation.
#include "graphics/layer_image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "abm_fixture.h"
#include "framework/arc.h"
#include "framework/globals.h"
#include "graphics/layer_draw.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

using u32 = std::uint32_t;

class LayerImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pl::SetProgramFolder(dir_.path());
    ASSERT_EQ(kvtest::RunCommand("mkdir -p " + dir_ / "GRP" + " " + dir_ / "src"), 0);
  }
  void TearDown() override {
    SetLayerDrawHooks(LayerDrawHooks{});
    pl::SetProgramFolder("");
  }
  // A 1 x 1 picture of one opaque colour under src/: variant 32, or a
  // plain 24-bit BMP for the names that end in "_bmp".
  std::string Colour(const std::string& file, u32 pixel) {
    const std::string path = dir_ / ("src/" + file);
    const std::string recipe = dir_ / ("src/" + file + ".recipe");
    char px[16];
    std::snprintf(px, sizeof px, "%08X", pixel);
    const bool bmp = file.size() > 4 && file.compare(file.size() - 4, 4, "_bmp") == 0;
    kvtest::WriteFile(recipe, std::string(bmp ? "variant 24" : "variant 32") + "\nsize 1 1\npx " + px + "\n");
    EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + path + " " + recipe), 0);
    return path;
  }
  std::string Recipe(const std::string& file, const std::string& recipe) {
    const std::string path = dir_ / ("src/" + file);
    kvtest::WriteFile(path + ".recipe", recipe);
    EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + path + " " + path + ".recipe"), 0);
    return path;
  }
  void Loose(const std::string& src, const std::string& name) {
    ASSERT_EQ(kvtest::RunCommand("cp " + src + " " + dir_ / ("GRP/" + name)), 0);
  }
  std::string Pack(const std::string& src) {
    EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("hufpack") + " encode " + src + " " + src + ".dat"), 0);
    return src + ".dat";
  }
  void Archive(const std::vector<std::string>& members) {
    std::string cmd = kvtest::ToolPath("aospack") + " " + dir_ / "GRP.AOS";
    for (const auto& m : members) cmd += " " + m;
    ASSERT_EQ(kvtest::RunCommand(cmd), 0);
    ASSERT_EQ(arc_.Open("K:\\GRP.AOS"), 1);
  }
  u32 Loaded(const char* name, int callerKind = 0, int keep8 = 0) {
    CLayerImage rec;
    if (!LoadLayerImage(rec, name, callerKind, arc_.IsOpen() ? &arc_ : nullptr, 0, keep8)) return 0xDEADu;
    return rec.m_Pixels.empty() ? 0xBEEFu : rec.m_Pixels[0];
  }

  pl::FakeBackend fake_;
  kvtest::TempDir dir_;
  CArc arc_;
};

TEST_F(LayerImageTest, LooseBeforeArchiveAndExtensionsInOrder) {
  Archive({"a.abm=" + Colour("arc_a_abm", 0xFF000001), "a.bmp=" + Colour("arc_a_bmp", 0xFF000002),
           "b.bmp=" + Colour("arc_b_bmp", 0xFF000003), "b.dat=" + Pack(Colour("arc_b_dat", 0xFF000004)),
           "c.dat=" + Pack(Colour("arc_c_dat", 0xFF000005)), "e.dat=" + Colour("arc_e_dat", 0xFF000006)});
  EXPECT_EQ(Loaded("a"), 0xFF000001u);  // archive: .abm before .bmp
  EXPECT_EQ(Loaded("b"), 0xFF000003u);  // .bmp before .dat
  EXPECT_EQ(Loaded("c"), 0xFF000005u);  // an archived .dat is expanded
  Loose(Colour("l_a_bmp", 0xFF000011), "A.BMP");  // loose, names without regard to case
  EXPECT_EQ(Loaded("a"), 0xFF000011u);
  Loose(Colour("l_a_abm", 0xFF000012), "a.abm");
  EXPECT_EQ(Loaded("a"), 0xFF000012u);  // loose .abm before loose .bmp
  Loose(Pack(Colour("l_d", 0xFF000013)), "d.dat");
  EXPECT_EQ(Loaded("d"), 0xFF000013u);  // a loose .dat found by the plain name is expanded
  // A name with a dot is taken as it is and never expanded.
  EXPECT_EQ(Loaded("e.dat"), 0xFF000006u);  // an unpacked file stored as .dat
  EXPECT_EQ(Loaded("c.dat"), 0xDEADu);      // the packed bytes are no picture
  ASSERT_FALSE(fake_.boxes.empty());
  EXPECT_EQ(fake_.boxes.back().caption, SJ("ファイルリードエラー"));
  EXPECT_EQ(Loaded("a.abm"), 0xFF000012u);
}

TEST_F(LayerImageTest, MissingAndBadPicturesLeaveTheRecord) {
  Loose(Colour("ok", 0xFF123456), "ok.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "ok", 0, nullptr, 0, 0), 1);
  EXPECT_STREQ(rec.m_szName, "ok");
  struct Case {
    const char* name;
    const char* caption;
  } cases[] = {
      {"nothere", "ファイルオープンエラー"},
      {"averyveryverylongname", "ファイルオープンエラー"},  // more than 15 bytes
      {"deep32", "ファイルリードエラー"},                   // a .bmp that is not 8 or 24 bits
      {"huge", "ファイルリードエラー"},                     // impossible size
  };
  Loose(Recipe("deep32", "variant 32\nbitcount 32\nsize 1 1\npx FF000000\n"), "deep32.bmp");
  Loose(Recipe("huge", "variant 32\nsize 0x7FFFFFFF 2\n"), "huge.abm");
  for (const auto& c : cases) {
    fake_.boxes.clear();
    EXPECT_EQ(LoadLayerImage(rec, c.name, 0, nullptr, 0, 0), 0) << c.name;
    ASSERT_EQ(fake_.boxes.size(), 1u) << c.name;
    EXPECT_EQ(fake_.boxes[0].text.rfind(SJ("不正なグラフィック指定："), 0), 0u);
    EXPECT_EQ(fake_.boxes[0].caption, pl::Utf8ToCp932(c.caption)) << c.name;
    EXPECT_EQ(fake_.boxes[0].owner, GetMainWindowHandle());
    EXPECT_STREQ(rec.m_szName, "ok");
    ASSERT_EQ(rec.m_Pixels.size(), 1u);
    EXPECT_EQ(rec.m_Pixels[0], 0xFF123456u);
  }
  EXPECT_NE(fake_.boxes[0].text.find("huge"), std::string::npos);
}

TEST_F(LayerImageTest, EightBitPicturesRulesAndWidening) {
  // 3 x 2, bottom-up file rows, padded to 4; palette entry i = (i, 2i, 0)
  std::string pal;
  for (int i = 0; i < 8; ++i) pal += "palette " + std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(2 * i) + " 0\n";
  Loose(Recipe("p8", "variant 8\nsize 3 2\n" + pal + "idx 1 2 3 4 5 6\n"), "p8.bmp");
  Loose(Recipe("p8td", "variant 8\nsize 3 -2\n" + pal + "idx 1 2 3 4 5 6\n"), "p8td.bmp");
  for (const char* n : {"p8", "p8td"}) {
    CLayerImage rec;
    ASSERT_EQ(LoadLayerImage(rec, n, 0, nullptr, 0, 0), 1);
    EXPECT_EQ(rec.m_nKind, 8);
    EXPECT_EQ(rec.m_nHeight, 2);
    EXPECT_EQ(rec.m_Plane, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6})) << n;
    ASSERT_EQ(rec.m_Palette.size(), 1024u);
    EXPECT_EQ(rec.m_Palette[4 * 3 + 1], 6);
    CLayerImage wide;
    ASSERT_EQ(LoadLayerImage(wide, n, 0, nullptr, 0, 1), 1);
    EXPECT_EQ(wide.m_nKind, 24);
    EXPECT_EQ(wide.m_Pixels[4], 0xFF000A05u);  // index 5 -> B 5, G 10, opaque
  }
  // A rule picture is scaled into a 1024 x 600 plane, rows turned.
  Loose(Recipe("rule", "variant 8\nsize 2 2\nidx 10 20 30 40\n"), "rule.msk");
  CLayerImage rule;
  ASSERT_EQ(LoadLayerImage(rule, "rule.msk", 6, nullptr, 0, 0), 1);
  EXPECT_EQ(rule.m_nWidth, 1024);
  EXPECT_EQ(rule.m_nHeight, 600);
  ASSERT_EQ(rule.m_Plane.size(), 1024u * 600u);
  EXPECT_EQ(rule.m_Plane[0], 10);
  EXPECT_EQ(rule.m_Plane[1023], 20);
  EXPECT_EQ(rule.m_Plane[599 * 1024], 30);
  EXPECT_EQ(rule.m_Plane[599 * 1024 + 1023], 40);
  // ... and a rule that is not 8-bit is refused (the record keeps no plane).
  Loose(Colour("rule32", 0xFF000000), "rule32.msk");
  CLayerImage bad;
  EXPECT_EQ(LoadLayerImage(bad, "rule32.msk", 6, nullptr, 0, 0), 0);
  EXPECT_TRUE(bad.m_Plane.empty());
}

TEST_F(LayerImageTest, SameKindAndSizeReuseTheBlock) {
  Loose(Recipe("r1", "variant 32\nsize 4 4\nfill 16 FF111111\n"), "r1.abm");
  Loose(Recipe("r2", "variant 32\nsize 4 4\nfill 16 FF222222\n"), "r2.abm");
  Loose(Recipe("r3", "variant 32\nsize 4 5\nfill 20 FF333333\n"), "r3.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "r1", 0, nullptr, 0, 0), 1);
  const u32* block = rec.m_Pixels.data();
  ASSERT_EQ(LoadLayerImage(rec, "r2", 0, nullptr, 0, 0), 1);
  EXPECT_EQ(rec.m_Pixels.data(), block);
  EXPECT_EQ(rec.m_Pixels[15], 0xFF222222u);
  ASSERT_EQ(LoadLayerImage(rec, "r3", 0, nullptr, 0, 0), 1);
  EXPECT_EQ(rec.m_Pixels.size(), 20u);
}

// ---- drawing

struct Screens {
  Screens() { EXPECT_TRUE(CreateVirtualScreens(nullptr)); }
  ~Screens() { FreeVirtualScreens(); }
  u32 At(int layer, int x, int y) { return GetVirtualScreen(layer)->Pixels()[y * 1024 + x]; }
};

const CLayerImage* g_background = nullptr;

TEST_F(LayerImageTest, BackgroundClearsOnlyWhenItDoesNotCover) {
  Screens s;
  Loose(Recipe("bg", "variant 24\nsize 1024 600\nfill 614400 FF405060\n"), "bg.bmp");
  CLayerImage bg;
  ASSERT_EQ(LoadLayerImage(bg, "bg", 0, nullptr, 0, 1), 1);
  ASSERT_EQ(bg.m_nKind, 24);
  g_background = &bg;
  LayerDrawHooks hooks;
  hooks.isBackground = [](const CLayerImage& r) { return &r == g_background; };
  SetLayerDrawHooks(hooks);
  ClearVirtualScreen(GetVirtualScreen(1), 0x00FFFFFF);
  DrawLayerImage(bg, 0, 0, GetVirtualScreen(1), 0, 0, 255, 0, 0);
  EXPECT_EQ(s.At(1, 0, 0), 0xFF405060u);
  ClearVirtualScreen(GetVirtualScreen(1), 0x00FFFFFF);
  DrawLayerImage(bg, 1, 0, GetVirtualScreen(1), 0, 0, 255, 0, 0);
  EXPECT_EQ(s.At(1, 0, 0), 0u);  // cleared to black, not left white
  EXPECT_EQ(s.At(1, 1, 0), 0xFF405060u);
}

TEST_F(LayerImageTest, StackedFramesFollowTheirSequence) {
  Screens s;
  Loose(Recipe("k1", "variant 1\nsize 1 1\nframe\npx FF0000AA\nframe\npx FF0000BB\nframe\npx FF0000CC\nseq 0 0 1 2\n"),
        "k1.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "k1", 0, nullptr, 0, 0), 1);
  // Frame f is composited over frame 0 by its alpha: b + ((s - b) * 255 >> 8).
  auto over0 = [](u32 c) { return 0xFF000000u | (0xAA + (((c - 0xAA) * 255) >> 8)); };
  const u32 expect[] = {0xFF0000AA, over0(0xBB), over0(0xCC), 0xFF0000AA, over0(0xBB)};
  for (u32 e : expect) {
    DrawLayerImage(rec, 5, 5, GetVirtualScreen(0), 0, 0, 255, 0, 0);
    EXPECT_EQ(s.At(0, 5, 5), e);
  }
}

TEST_F(LayerImageTest, IndexedPixelsBlendThroughTheDivisionTable) {
  Screens s;
  Loose(Recipe("ix", "variant 248\nsize 3 1\npalette 1 255 0 100\nidx 1:0 1:255 1:128\n"), "ix.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "ix", 0, nullptr, 0, 0), 1);
  ASSERT_EQ(rec.m_nKind, -8);
  ClearVirtualScreen(GetVirtualScreen(0), 0x00FFFFFF);  // white, alpha 0
  GetVirtualScreen(0)->Pixels()[0] = 0x77FFFFFF;
  DrawLayerImage(rec, 0, 0, GetVirtualScreen(0), 0, 0, 255, 0, 0);
  EXPECT_EQ(s.At(0, 0, 0), 0x77FFFFFFu);  // alpha 0: untouched
  EXPECT_EQ(s.At(0, 1, 0), 0x006400FFu);  // alpha 255: the palette colour, alpha byte 0
  // 128: 128*c/255 + 127*255/255 per channel
  const u32 b = 128 * 255 / 255 + 127, g = 0 + 127, r = 128 * 100 / 255 + 127;
  EXPECT_EQ(s.At(0, 2, 0), (r << 16) | (g << 8) | b);
}

TEST_F(LayerImageTest, NormalSpritesComposeOnLayer3AndTheLastCopiesUp) {
  Screens s;
  Loose(Recipe("sp", "variant 32\nsize 2 2\nfill 4 FF00FF00\n"), "sp.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "sp", 0, nullptr, 0, 0), 1);
  g_background = &rec;  // here: the last normal sprite
  LayerDrawHooks hooks;
  hooks.isLastNormalSprite = [](const CLayerImage& r) { return &r == g_background; };
  SetLayerDrawHooks(hooks);
  ClearVirtualScreen(GetVirtualScreen(2), 0x000000FF);
  ClearVirtualScreen(GetVirtualScreen(3), 0);
  DrawLayerImage(rec, 10, 10, GetVirtualScreen(2), 0, 0, 255, 1, 0);
  EXPECT_EQ(s.At(3, 10, 10) & 0xFFFFFF, 0x00FE00u);  // 255 * 255 >> 8
  EXPECT_EQ(s.At(2, 10, 10), s.At(3, 10, 10));       // copied up
  EXPECT_EQ(s.At(2, 0, 0), 0u);                      // all of layer 3
}

// Kind 2: a 4 x 1 base, a blinking group (mode 1) over pixel 1 and a mouth
// group (mode 2) over pixel 2.
std::string AnimatedRecipe() {
  return "variant 2\nsize 4 1\n"
         "part 0 0 4 1 0\npx FF000010 FF000011 FF000012 FF000013\n"
         "part 1 0 1 1 1\npx FF0000B1\n"
         "part 2 0 1 1 2\npx FF0000C1\n"
         "seq 0 0\nseq 1 0 1\nseq 2 2\n";
}

TEST_F(LayerImageTest, BlinkingHoldsThenPlaysOnce) {
  Screens s;
  Loose(Recipe("anim", AnimatedRecipe()), "anim.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "anim", 0, nullptr, 0, 0), 1);
  ASSERT_EQ(rec.m_Groups.size(), 3u);
  EXPECT_EQ(rec.m_Groups[1].m_bRunning, 1);
  EXPECT_EQ(rec.m_Groups[2].m_bRunning, 0);  // a mouth waits for its voice
  std::vector<u32> seen;
  for (int t = 0; t < 400; ++t) {
    fake_.manualClock().Advance(33);
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    DrawLayerImage(rec, 0, 0, GetVirtualScreen(0), 0, 0, 255, 0, 0);
    seen.push_back(s.At(0, 1, 0));
  }
  // Runs of the composite (what the base shows there, 0x11, drawn opaque
  // over black: 0x11 * 255 >> 8 = 0x10), each 2..128 draws long, with
  // single blinks (0xB1 -> 0xB0) between.
  int run = 0, blinks = 0;
  for (u32 v : seen) {
    if (v == 0xFF000010u) {
      ++run;
    } else {
      ASSERT_EQ(v, 0xFF0000B0u);
      if (blinks > 0 || run > 0) {
        EXPECT_GE(run, 2);
        EXPECT_LE(run, 128);
      }
      run = 0;
      ++blinks;
    }
  }
  EXPECT_GE(blinks, 3);
}

TEST_F(LayerImageTest, TonesOfAnimatedParts) {
  // Base parts up to the highest frame of sequence 0, every group's parts
  // and the composites are toned; a base part past sequence 0 is not.
  Loose(Recipe("tp", "variant 2\nsize 2 1\npart 0 0 2 1 0\npx FF102030 FF405060\npart 0 0 2 1 0\npx FF010101 FF010101\n"
                     "part 1 0 1 1 4\npx FF0A0B0C\nseq 0 0\nseq 0 2\n"),
        "tp.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "tp", 0, nullptr, 0, 0), 1);
  ApplyImageToneFrames(rec, 5);
  const auto& ps = rec.m_Parts;
  EXPECT_EQ(ps.parts[0].pixels[0], 0xFFEFDFCFu);
  EXPECT_EQ(ps.parts[1].pixels[0], 0xFF010101u);  // frame 1 is not in sequence 0
  EXPECT_EQ(ps.parts[2].pixels[0], 0xFFF5F4F3u);
  ASSERT_EQ(ps.composites.size(), 1u);
  EXPECT_EQ(ps.composites[0][0], 0xFFBFAF9Fu);  // what the base showed at (1, 0): 405060, negated
}

u32 g_elapsed = 0;
const u32 g_pairs[] = {100, 200, 300, 400, 0xFFFFFFFF, 0xFFFFFFFF};

TEST_F(LayerImageTest, MouthRestsInsideIntervalsAndAfterTheLast) {
  Screens s;
  Loose(Recipe("anim", AnimatedRecipe()), "anim.abm");
  CLayerImage rec;
  ASSERT_EQ(LoadLayerImage(rec, "anim", 0, nullptr, 0, 0), 1);
  LayerDrawHooks hooks;
  hooks.voiceTiming = [](u32* elapsed, const u32** pairs, int* count) {
    *elapsed = g_elapsed;
    *pairs = g_pairs;
    *count = 3;
    return true;
  };
  SetLayerDrawHooks(hooks);
  rec.m_Groups[2].m_bRunning = 1;  // the voice layer starts the mouth
  struct Case {
    u32 t;
    bool rests;
  } cases[] = {{50, false}, {150, true}, {100, false}, {250, false}, {350, true}, {400, false}, {401, true}};
  for (const auto& c : cases) {
    g_elapsed = c.t;
    ClearVirtualScreen(GetVirtualScreen(0), 0);
    DrawLayerImage(rec, 0, 0, GetVirtualScreen(0), 0, 0, 255, 0, 0);
    // the composite 0x12 or the part 0xC1, each drawn opaque over black
    EXPECT_EQ(s.At(0, 2, 0), c.rests ? 0xFF000011u : 0xFF0000C0u) << c.t;
  }
}

}  // namespace
