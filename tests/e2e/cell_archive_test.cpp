// The message and name cells a game ships only as packed ".dat" members of
// "GRP.AOS" are found there at the first run, as the screens find their
// pictures: no failure is reported and the cells hold the archived
// pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scene/presentation.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;

struct CellArchive : kvtest::Process {};

TEST_F(CellArchive, CellsOnlyInTheArchivesPackedFormAreLoaded) {
  struct Pic {
    const char* name;
    const char* recipe;
  } pics[] = {
      {"msgcell1", "variant 24\nsize 6 3\nfill 18 FF2468AC\n"},
      {"namecell1", "variant 24\nsize 5 2\nfill 10 FF13579B\n"},
  };
  std::string members;
  for (const Pic& p : pics) {
    const std::string bmp = folder / (std::string("work/") + p.name + ".bmp");
    const std::string dat = folder / (std::string("work/") + p.name + ".dat");
    ASSERT_TRUE(kvtest::WriteFile(bmp + ".recipe", p.recipe));
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " '" + bmp + "' '" + bmp + ".recipe'"), 0);
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("hufpack") + " encode '" + bmp + "' '" + dat + "'"), 0);
    members += std::string(" '") + p.name + ".dat=" + dat + "'";
  }
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("aospack") + " '" + folder / "GRP.AOS" + "'" + members), 0);
  // The name window loose as usual; the cells nowhere but in the archive.
  MakeScenePictures();
  ASSERT_EQ(kvtest::RunCommand("rm -f '" + folder / "grp/msgcell1.bmp" + "' '" + folder / "grp/namecell1.bmp" + "'"), 0);

  int messageLoaded = -1, nameLoaded = -1;
  std::vector<std::uint32_t> messagePixels, namePixels;
  std::pair<int, int> messageSize, nameSize;
  onPump = [&](int count) {
    if (count == 30) {
      const ScenePresentation& p = Presentation();
      messageLoaded = p.m_bMessageCellLoaded;
      nameLoaded = p.m_bNameCellLoaded;
      messagePixels = p.m_MessageCell.m_Pixels;
      namePixels = p.m_NameCell.m_Pixels;
      messageSize = {p.m_MessageCell.m_nWidth, p.m_MessageCell.m_nHeight};
      nameSize = {p.m_NameCell.m_nWidth, p.m_NameCell.m_nHeight};
      QuitYes();
    }
  };
  ASSERT_TRUE(kvtest::WriteFile(folder / "txt/START.TXT", startScript));
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(Texts(OtherBoxes()), "") << "no cell was reported missing";
  EXPECT_EQ(messageLoaded, 1);
  EXPECT_EQ(nameLoaded, 1);
  EXPECT_EQ(messageSize, std::make_pair(6, 3));
  EXPECT_EQ(nameSize, std::make_pair(5, 2));
  ASSERT_EQ(messagePixels.size(), 18u);
  ASSERT_EQ(namePixels.size(), 10u);
  for (std::uint32_t px : messagePixels) EXPECT_EQ(px & 0xFFFFFF, 0x2468ACu);
  for (std::uint32_t px : namePixels) EXPECT_EQ(px & 0xFFFFFF, 0x13579Bu);
}

}  // namespace
