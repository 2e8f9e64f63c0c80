// The script's `bmp` export into "save\bmp": a Japanese name keeps every
// character (the trail byte 5C of "表" is no folder separator), an export
// that cannot be written leaves no file behind to be kept by the next one,
// and the messages that name a folder or file name the real one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <string>

#include "platform/text.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
using kvtest::Utf8;

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

struct BmpExport : kvtest::Process {
  // A script that waits a moment, exports the picture and idles.
  void ExportScript(const std::string& nameUtf8) {
    startScript = pl::Utf8ToCp932("::START\r\n\r\nwait(300)\r\nbmp(\"" + nameUtf8 +
                                  "\")\r\nvar(%i)\r\n^wh(%i==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n");
  }
  // A 24-bit picture of 64 x 64 under grp.
  void Picture(const std::string& fileUtf8) {
    const std::string out = folder / ("grp/" + fileUtf8);
    ASSERT_TRUE(kvtest::WriteFile(folder / "pic.recipe", "variant 24\nsize 64 64\nfill 4096 FF336699\n"));
    ASSERT_TRUE(kvtest::WriteFile(out, ""));
    ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " '" + out + "' '" + folder / "pic.recipe" + "'"), 0);
  }
  void CloseAfter(int pumps) {
    onPump = [this, pumps](int count) {
      if (count == pumps) QuitYes();
    };
  }
};

TEST_F(BmpExport, AJapaneseNameIsKeptWhole) {
  Picture("表紙.bmp");
  ExportScript("表紙");
  CloseAfter(800);
  Run();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(Texts(OtherBoxes()), "");
  const std::string exported = folder / "save/bmp/表紙.bmp";
  ASSERT_TRUE(Exists(exported)) << "the export keeps its name";
  EXPECT_TRUE(kvtest::ReadFile(exported) == kvtest::ReadFile(folder / "grp/表紙.bmp")) << "the bytes of the picture";
  EXPECT_FALSE(Exists(folder / "save/bmp/紙.bmp"));
}

TEST_F(BmpExport, AnExportThatCannotBeWrittenLeavesNoFile) {
  Picture("cover.bmp");
  ExportScript("cover");
  // While the export runs the process may write no more than 100 bytes to
  // a file (as on a full disk); the limit goes once the failure is shown.
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  bool limited = false;
  auto unlimit = [&] {
    if (!limited) return;
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, SIG_DFL);
    limited = false;
  };
  onPump = [&](int count) {
    if (count == 2) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit small = before;
      small.rlim_cur = 100;
      limited = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    if (limited && !OtherBoxes().empty()) unlimit();
    if (count == 700) unlimit();
    if (count == 800) QuitYes();
  };
  Run();
  unlimit();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(Texts(OtherBoxes()), "[KIV] 出力ＢＭＰファイルの書き込みに失敗しました。\n");
  EXPECT_FALSE(Exists(folder / "save/bmp/cover.bmp")) << "a cut-off export was left behind";

  // Written whole the next time.
  fake.boxes.clear();
  CloseAfter(fake.pumps + 800);
  exitCode = RunMain();
  EXPECT_EQ(Texts(OtherBoxes()), "");
  EXPECT_TRUE(kvtest::ReadFile(folder / "save/bmp/cover.bmp") == kvtest::ReadFile(folder / "grp/cover.bmp"));
}

TEST_F(BmpExport, TheMessagesNameTheRealFolderAndFile) {
  struct Case {
    const char* what;
    const char* picture;  // under grp; empty: a file of 0 bytes named "empty.abm"
    const char* name;     // for the script
    bool bmpIsAFile;
    std::string box;      // "[caption] text" with {} for the game folder
  };
  const Case cases[] = {
      {"the export folder cannot be made", "cover.bmp", "cover", true,
       "指定のフォルダ {}/save/bmp が作成できません。"},
      {"a loose picture that reads nothing", "", "empty", false,
       "[ファイルリードエラー] 不正なグラフィック指定：{}/grp/empty.abm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(kvtest::RunCommand("rm -rf '" + folder / "save" + "'"), 0);
    if (*c.picture) {
      Picture(c.picture);
    } else {
      ASSERT_TRUE(kvtest::WriteFile(folder / "grp/empty.abm", ""));
    }
    if (c.bmpIsAFile) {
      ASSERT_TRUE(kvtest::WriteFile(folder / "save/bmp", "x"));
    }
    ExportScript(c.name);
    fake.boxes.clear();
    CloseAfter(fake.pumps + 800);
    Run();
    std::string want = c.box;
    want.replace(want.find("{}"), 2, folder.path());
    const std::string got = Texts(OtherBoxes());
    EXPECT_NE(got.find(want), std::string::npos) << got;
    EXPECT_EQ(got.find("K:"), std::string::npos) << got;
  }
}

}  // namespace
