#include "platform/file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

// Points the drive "K:" at a temporary folder for one test.
class ProgramFolderTest : public testing::Test {
 protected:
  void SetUp() override { pl::SetProgramFolder(dir.path()); }
  void TearDown() override { pl::SetProgramFolder(""); }
  kvtest::TempDir dir;
};

using FileLookupTest = ProgramFolderTest;

TEST_F(FileLookupTest, GamePathsFindFilesWithoutRegardToCase) {
  ASSERT_TRUE(kvtest::WriteFile(dir / "GRP/BG01.abm", "bg"));
  // Both names hold a CP932 trail byte 0x5C: "ソ" 83 5C and "表" 95 5C.
  ASSERT_TRUE(kvtest::WriteFile(dir / "ソフト/表示.txt", "jp"));
  ASSERT_TRUE(kvtest::WriteFile(dir / "Dup.txt", "upper"));
  ASSERT_TRUE(kvtest::WriteFile(dir / "dup.txt", "lower"));
  struct Case {
    std::string gamePath;  // CP932
    std::string want;      // real path below the folder, "" for none
  } cases[] = {
      {"K:\\grp\\bg01.ABM", "GRP/BG01.abm"},
      {"K:\\GRP\\BG01.abm", "GRP/BG01.abm"},
      {"k:\\Grp\\\\Bg01.abm", "GRP/BG01.abm"},  // doubled separator from "%s\\" + "\\..."
      {"K:/grp/bg01.abm", "GRP/BG01.abm"},
      {pl::Utf8ToCp932("K:\\ソフト\\表示.TXT"), "ソフト/表示.txt"},
      {pl::Utf8ToCp932("K:\\ソフト"), "ソフト"},
      {"K:\\DUP.TXT", "Dup.txt"},  // several differ only in case: the smallest name
      {"K:\\dup.txt", "dup.txt"},  // the exact one wins
      {"K:\\grp\\missing.abm", ""},
      {"K:\\grp\\bg01.abm\\x", ""},  // a file is no folder
      {"Q:\\grp\\bg01.abm", ""},     // only K: is a drive here
      {"K:\\grp\\bg01.abm\x95", ""},  // a lead byte cut off is no shorter name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(pl::Cp932ToUtf8(c.gamePath));
    auto found = pl::FindFile(c.gamePath);
    if (c.want.empty()) {
      EXPECT_FALSE(found.has_value());
      continue;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, dir / c.want);
    pl::File f;
    if (fs::is_regular_file(*found)) {
      EXPECT_TRUE(f.OpenRead(c.gamePath));
      EXPECT_EQ(f.Size(), static_cast<std::int64_t>(fs::file_size(*found)));
    }
  }
  // A real path written with backslashes is a game path too.
  std::string mixed = dir.path() + "\\grp\\BG01.ABM";
  EXPECT_EQ(pl::FindFile(mixed).value_or(""), dir / "GRP/BG01.abm");
  EXPECT_TRUE(pl::FileExists("K:\\grp\\bg01.abm"));
  EXPECT_FALSE(pl::FileExists("K:\\grp"));
  EXPECT_TRUE(pl::FolderExists("K:\\grp"));
}

TEST_F(FileLookupTest, NewFilesGoIntoTheExistingFolderWhateverItsCase) {
  ASSERT_TRUE(pl::CreateFolder("K:\\save"));
  EXPECT_TRUE(pl::CreateFolder("K:\\SAVE"));  // already there: no second folder
  EXPECT_TRUE(pl::CreateFolder("K:\\Save\\bmp"));
  EXPECT_TRUE(fs::is_directory(dir / "save/bmp"));
  EXPECT_EQ(pl::MapNewPath("K:\\SAVE\\BMP\\a.bmp"), dir / "save/bmp/a.bmp");
  EXPECT_FALSE(pl::CreateFolder("K:\\nothere\\deeper"));

  pl::File f;
  EXPECT_FALSE(f.OpenWrite("K:\\SAVE\\file01.dat", 0)) << "no kCreate: the file must exist";
  ASSERT_TRUE(f.OpenWrite("K:\\SAVE\\file01.dat", pl::File::kCreate | pl::File::kWriteThrough));
  EXPECT_EQ(f.NativePath(), dir / "save/file01.dat");
  ASSERT_TRUE(f.WriteAt(0, "abcdef", 6));
  ASSERT_TRUE(f.Flush());
  ASSERT_TRUE(f.SetEnd(4));
  f.Close();
  EXPECT_EQ(kvtest::ReadFile(dir / "save/file01.dat"), "abcd");

  // Opening without truncation keeps the bytes; with it they are gone.
  ASSERT_TRUE(f.OpenWrite("K:\\save\\FILE01.DAT", pl::File::kCreate));
  EXPECT_EQ(f.Size(), 4);
  ASSERT_TRUE(f.OpenWrite("K:\\save\\FILE01.DAT", pl::File::kCreate | pl::File::kTruncate));
  EXPECT_EQ(f.Size(), 0);
  f.Close();

  // A read-only file refuses writes instead of pretending.
  ASSERT_TRUE(f.OpenRead("K:\\save\\file01.dat"));
  EXPECT_FALSE(f.WriteAt(0, "x", 1));
  EXPECT_FALSE(f.SetEnd(0));
}

TEST_F(FileLookupTest, WholeFilesAreReadBoundedAndReplacedWhole) {
  ASSERT_TRUE(kvtest::WriteFile(dir / "save/global.dat", "old contents"));
  const std::vector<std::uint8_t> data{1, 2, 3};
  ASSERT_TRUE(pl::WriteFileReplacing("K:\\SAVE\\GLOBAL.DAT", data));
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(pl::ReadWholeFile("K:\\save\\global.dat", &back, 3));
  EXPECT_EQ(back, data);
  EXPECT_FALSE(pl::ReadWholeFile("K:\\save\\global.dat", &back, 2)) << "larger than the caller allows";
  EXPECT_FALSE(pl::ReadWholeFile("K:\\save\\none.dat", &back, 100));
  // Nothing but the file itself is left in the folder.
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir / "save")) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(FileLookupTest, AReplacementThatFailsLeavesThePreviousFileAndNoTemporaryOne) {
  ASSERT_TRUE(kvtest::WriteFile(dir / "save/system.dat", "previous"));
  const std::vector<std::uint8_t> data{'n', 'e', 'w'};
  const std::string temp = pl::TempPathFor("K:\\save\\SYSTEM.DAT");
  EXPECT_EQ(temp, dir / "save/system.dat.tmp");
  {
    // Another copy of the program in the middle of a transfer of the file.
    pl::File other;
    ASSERT_TRUE(other.OpenNativeWrite(dir / "save/system.dat", 0));
    ASSERT_TRUE(other.Lock(0, 1 << 20));
    EXPECT_FALSE(pl::WriteFileReplacing("K:\\save\\system.dat", data));
    EXPECT_EQ(kvtest::ReadFile(dir / "save/system.dat"), "previous");
    EXPECT_FALSE(fs::exists(temp));
  }
  // Stopped before the rename: the whole new copy lies beside the old one,
  // and is taken away when the write gives up.
  std::string seen;
  pl::SetWriteFaultHook([&](pl::WriteStep step, const std::string& path) {
    if (step == pl::WriteStep::kRename) seen = kvtest::ReadFile(path);
    return step != pl::WriteStep::kRename;
  });
  EXPECT_FALSE(pl::WriteFileReplacing("K:\\save\\system.dat", data));
  EXPECT_EQ(seen, "new");
  EXPECT_EQ(kvtest::ReadFile(dir / "save/system.dat"), "previous");
  EXPECT_FALSE(fs::exists(temp));
  // The folder not flushed: the new file is in place, but the write reports
  // that it might not survive.
  pl::SetWriteFaultHook([](pl::WriteStep step, const std::string&) { return step != pl::WriteStep::kFlushFolder; });
  EXPECT_FALSE(pl::WriteFileReplacing("K:\\save\\system.dat", data));
  EXPECT_EQ(kvtest::ReadFile(dir / "save/system.dat"), "new");
  pl::SetWriteFaultHook({});
  EXPECT_TRUE(pl::WriteFileReplacing("K:\\save\\system.dat", {}));
  EXPECT_EQ(kvtest::ReadFile(dir / "save/system.dat"), "");
}

TEST_F(FileLookupTest, TheLastWriteTimeComesInLocalTimeWithAStampToOrderBy) {
  ASSERT_TRUE(kvtest::WriteFile(dir / "save/file01.dat", "slot"));
  const std::time_t seconds = 1772600767;  // 2026-03-04 05:06:07 UTC
  const auto when = std::chrono::system_clock::from_time_t(seconds) + std::chrono::nanoseconds(250000000);
  fs::last_write_time(dir / "save/file01.dat",
                      std::chrono::file_clock::from_sys(std::chrono::time_point_cast<std::chrono::nanoseconds>(when)));
  std::tm local{};
  ASSERT_TRUE(localtime_r(&seconds, &local));
  pl::FileTime t;
  ASSERT_TRUE(pl::GetFileWriteTime("K:\\SAVE\\FILE01.DAT", &t));
  EXPECT_EQ(t.year, local.tm_year + 1900);
  EXPECT_EQ(t.month, local.tm_mon + 1);
  EXPECT_EQ(t.day, local.tm_mday);
  EXPECT_EQ(t.hour, local.tm_hour);
  EXPECT_EQ(t.minute, local.tm_min);
  EXPECT_EQ(t.second, local.tm_sec);
  EXPECT_EQ(t.stamp, std::int64_t{seconds} * 1000000000 + 250000000);
  EXPECT_FALSE(pl::GetFileWriteTime("K:\\save\\file02.dat", &t));
}

TEST(FileLockTest, RangesConflictBetweenDescriptionsAndLengthZeroLocksNothing) {
  kvtest::TempDir dir;
  pl::File a, b, reader;
  ASSERT_TRUE(a.OpenNativeWrite(dir / "lock.dat", pl::File::kCreate));
  ASSERT_TRUE(b.OpenNativeWrite(dir / "lock.dat", 0));
  ASSERT_TRUE(reader.OpenNativeRead(dir / "lock.dat"));

  ASSERT_TRUE(a.Lock(0, 10));
  struct Case {
    std::int64_t offset, length;
    bool ok;
  } cases[] = {
      {5, 10, false},  // overlaps a's range
      {9, 1, false},
      {10, 5, true},   // just after it
      {100, 0, true},  // length 0: nothing locked (POSIX would lock to the end)
  };
  for (const auto& c : cases) {
    EXPECT_EQ(b.Lock(c.offset, c.length), c.ok) << c.offset << "+" << c.length;
  }
  // Had the length-0 lock been taken as "to the end", this would conflict.
  EXPECT_TRUE(a.Lock(200, 10));
  // A reader's shared lock conflicts with a writer's exclusive one.
  EXPECT_FALSE(reader.Lock(0, 4));
  EXPECT_TRUE(reader.Lock(300, 4));
  EXPECT_FALSE(a.Lock(300, 1));

  ASSERT_TRUE(a.Unlock(0, 10));
  EXPECT_TRUE(b.Lock(5, 10));
  EXPECT_TRUE(reader.Unlock(300, 4));
  EXPECT_TRUE(a.Lock(300, 1, /*wait=*/true));
  EXPECT_FALSE(a.Lock(-1, 4));
}

TEST(FileIoTest, PositionalIoBeyondTwoGibOnASparseFile) {
  kvtest::TempDir dir;
  pl::File f;
  ASSERT_TRUE(f.OpenNativeWrite(dir / "big.dat", pl::File::kCreate));
  const std::int64_t far = (std::int64_t{3} << 30) + 12345;  // 3 GiB + a bit: past every 32-bit signed offset
  ASSERT_TRUE(f.WriteAt(far, "member", 6));
  EXPECT_EQ(f.Size(), far + 6);
  char buf[16] = {};
  ASSERT_TRUE(f.ReadExactAt(far, buf, 6));
  EXPECT_EQ(std::string(buf, 6), "member");
  // A read over the end gives what is there; an exact read refuses.
  EXPECT_EQ(f.ReadAt(far + 2, buf, sizeof buf), 4);
  EXPECT_FALSE(f.ReadExactAt(far + 2, buf, sizeof buf));
  EXPECT_EQ(f.ReadAt(far + 100, buf, 1), 0);
  // The hole reads as zeros.
  ASSERT_TRUE(f.ReadExactAt(far - 4, buf, 4));
  EXPECT_EQ(std::string(buf, 4), std::string(4, '\0'));
  ASSERT_TRUE(f.SetEnd(far + 3));
  EXPECT_EQ(f.Size(), far + 3);

  pl::File closed;
  EXPECT_EQ(closed.Size(), -1);
  EXPECT_EQ(closed.ReadAt(0, buf, 1), -1);
}

TEST(FileIoTest, ModuleFileNameIsOnTheProgramDrive) {
  std::string name = pl::GetModuleFileName();
  ASSERT_GE(name.size(), 4u);
  EXPECT_EQ(name.substr(0, 3), "K:\\");
  // The drive maps back onto the executable itself.
  EXPECT_TRUE(pl::FileExists(name));
}

}  // namespace
