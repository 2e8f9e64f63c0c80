#include "framework/path_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "表" is 95 5C and "ソ" 83 5C: both end in the byte of the backslash.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(PathNameTest, SplitKeepsCharactersWhole) {
  struct Case {
    std::string path, drive, dir, name, ext;
  } cases[] = {
      {"K:\\kivzo.exe", "K:", "\\", "kivzo", ".exe"},
      {"K:\\save\\bmp\\a.b.bmp", "K:", "\\save\\bmp\\", "a.b", ".bmp"},
      {"dir/sub\\file", "", "dir/sub\\", "file", ""},
      {"K:\\" + kSo + kHyo + "\\x.txt", "K:", "\\" + kSo + kHyo + "\\", "x", ".txt"},
      {"K:\\a\\" + kHyo + ".txt", "K:", "\\a\\", kHyo, ".txt"},  // 表 is a name, not "\x95" + separator
      {kHyo, "", "", kHyo, ""},
      {"x.dir\\name", "", "x.dir\\", "name", ""},  // a dot in a folder is no extension
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.path));
    CPathName p;
    ASSERT_EQ(p.SetPath(c.path), 1);
    EXPECT_EQ(p.GetDrive(), c.drive);
    EXPECT_EQ(p.GetDir(), c.dir);
    EXPECT_EQ(p.GetName(), c.name);
    EXPECT_EQ(p.GetExt(), c.ext);
    EXPECT_EQ(p.GetPath(), c.path);
  }
}

TEST(PathNameTest, ChangesRebuildTheWholePath) {
  struct Case {
    const char* what;
    std::string start;
    int (*change)(CPathName&);
    int result;
    std::string want;
  } cases[] = {
      {"extension without dot", "K:\\kivzo.exe", [](CPathName& p) { return p.SetExtension("bmp"); }, 1, "K:\\kivzo.bmp"},
      {"extension with dot", "K:\\kivzo.exe", [](CPathName& p) { return p.SetExtension(".bmp"); }, 1, "K:\\kivzo.bmp"},
      {"file name with folders", "K:\\save\\kivzo.exe",
       [](CPathName& p) { return p.SetFileName("a\\b\\c.txt"); }, 1, "K:\\save\\c.txt"},
      {"file name climbing out", "K:\\save\\bmp\\kivzo.exe",
       [](CPathName& p) { return p.SetFileName("..\\..\\evil.bmp"); }, 1, "K:\\save\\bmp\\evil.bmp"},
      {"folder", "K:\\kivzo.exe", [](CPathName& p) { return p.AppendFolder("save"); }, 1, "K:\\save\\kivzo.exe"},
      {"folder ending in backslash", "K:\\kivzo.exe", [](CPathName& p) { return p.AppendFolder("save\\"); }, 1,
       "K:\\save\\kivzo.exe"},
      {"two folders", "K:\\kivzo.exe",
       [](CPathName& p) { return p.AppendFolder("save") & p.AppendFolder("bmp"); }, 1, "K:\\save\\bmp\\kivzo.exe"},
      // The trail byte of 表 is no separator: the folder still gets its own.
      {"folder ending in a trail byte 0x5C", "K:\\kivzo.exe",
       [](CPathName& p) { return p.AppendFolder("\x95\x5C"); }, 1, "K:\\\x95\x5C\\kivzo.exe"},
      {"file name ending in 表", "K:\\save\\kivzo.exe", [](CPathName& p) { return p.SetFileName("\x95\x5C"); }, 1,
       "K:\\save\\\x95\x5C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CPathName p;
    ASSERT_EQ(p.SetPath(c.start), 1);
    EXPECT_EQ(c.change(p), c.result);
    EXPECT_EQ(p.GetPath(), c.want);
    // The parts agree with the whole path.
    EXPECT_EQ(p.GetDrive() + p.GetDir() + p.GetName() + p.GetExt(), p.GetPath());
  }
}

TEST(PathNameTest, TooLongPathsAreRefusedAndTheRecordStays) {
  const std::string start = "K:\\" + std::string(240, 'd') + "\\kivzo.exe";  // 253 bytes
  CPathName p;
  ASSERT_EQ(p.SetPath(start), 1);
  // 253 - 9 ("kivzo.exe") + 17 = 261: one byte too many.
  EXPECT_EQ(p.SetFileName("abcdefghijklm.txt"), 0);
  EXPECT_EQ(p.GetPath(), start);
  EXPECT_EQ(p.GetFileName(), "kivzo.exe");
  // 260 is still allowed.
  EXPECT_EQ(p.SetFileName("abcdefghijkl.txt"), 1);
  EXPECT_EQ(p.GetPath().size(), 260u);
  EXPECT_EQ(p.AppendFolder("x"), 0);
  EXPECT_EQ(p.GetPath().size(), 260u);
  EXPECT_EQ(p.GetDir(), "\\" + std::string(240, 'd') + "\\");

  EXPECT_EQ(p.SetPath(std::string(261, 'a')), 0);
  EXPECT_EQ(p.GetPath().size(), 260u);
}

TEST(PathNameTest, FolderAndFileNameResultsAreIndependent) {
  CPathName p;
  ASSERT_EQ(p.SetPath("K:\\save\\file01.dat"), 1);
  std::string folder = p.GetFolder();
  std::string file = p.GetFileName();
  EXPECT_EQ(folder + file, "K:\\save\\file01.dat");
  EXPECT_EQ(DotExtension("dat"), ".dat");
}

}  // namespace
