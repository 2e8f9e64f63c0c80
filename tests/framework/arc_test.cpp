#include "framework/arc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "framework/sjis.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace {

// Archives made by the project's packer from member files in a temporary
// folder.
class ArcTest : public testing::Test {
 protected:
  // Writes a member file and returns "NAME=path" for the packer.
  std::string Member(const std::string& name, const std::string& bytes) {
    std::string path = dir / ("m" + std::to_string(files_++) + ".bin");
    EXPECT_TRUE(kvtest::WriteFile(path, bytes));
    return name + "=" + path;
  }
  std::string Pack(const std::string& file, const std::string& args) {
    std::string path = dir / file;
    EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("aospack") + " " + path + " " + args), 0) << args;
    return path;
  }
  static std::string Data(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return s;
  }
  static std::string ReadMember(CArc& arc, const std::string& name, std::size_t cap, std::int64_t* rc) {
    std::string buf(cap, '\xCD');
    *rc = arc.Read(name, buf.data(), buf.size());
    return *rc >= 0 ? buf.substr(0, static_cast<std::size_t>(*rc)) : buf;
  }

  kvtest::TempDir dir;
  int files_ = 0;
};

TEST_F(ArcTest, MembersAreFoundWithoutRegardToCaseAndReadWhole) {
  const std::string bg = Data(70000, 1), scr = Data(5, 2), jp = Data(300, 3);
  // "背景" (94 77 8C 69) as a member name: trail bytes are never folded.
  std::string path = Pack("GRP.AOS", "--label GRP " + Member("BG01.ABM", bg) + " " + Member("start.scr", scr) + " " +
                                          Member("背景.abm", jp) + " " + Member("EMPTY.DAT", ""));
  pl::SetProgramFolder(dir.path());
  CArc arc;
  ASSERT_EQ(arc.Open("K:\\grp.aos"), 1);  // the file is "GRP.AOS": found without regard to case
  pl::SetProgramFolder("");
  EXPECT_EQ(arc.Count(), 4u);
  EXPECT_EQ(arc.GetPath(), "K:\\grp.aos");
  struct Case {
    std::string query;
    int index;
    std::int64_t size;
    const std::string* bytes;
  } cases[] = {
      {"BG01.ABM", 0, 70000, &bg},
      {"bg01.abm", 0, 70000, &bg},
      {"Bg01.Abm", 0, 70000, &bg},
      {"START.SCR", 1, 5, &scr},
      {"start.scr", 1, 5, &scr},
      {pl::Utf8ToCp932("背景.ABM"), 2, 300, &jp},
      {"EMPTY.DAT", 3, 0, nullptr},  // size 0 is found but cannot be read
      {"bg01", -1, -1, nullptr},
      {"BG01.ABM.", -1, -1, nullptr},
      {"", -1, -1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(arc.Find(c.query), c.index);
    EXPECT_EQ(arc.GetSize(c.query), c.size);
    std::int64_t rc = 0;
    std::string got = ReadMember(arc, c.query, 80000, &rc);
    if (c.bytes) {
      EXPECT_EQ(rc, c.size);
      EXPECT_TRUE(got == *c.bytes);
    } else {
      EXPECT_EQ(rc, -1);
    }
  }
  // A lookup stores where it hit; a miss makes the next passes start at 0.
  arc.GetSize("start.scr");
  EXPECT_EQ(arc.GetLastHit(), 1);
  arc.GetSize("nothing");
  EXPECT_EQ(arc.GetLastHit(), -1);
  EXPECT_EQ(arc.Find("BG01.ABM"), 0);
}

TEST_F(ArcTest, SearchStartsAtTheLastHitAndPrefersThePrefilter) {
  // Names that differ only in case show which pass found them.
  std::string twins = Pack("twins.aos", Member("ABC", "0") + " " + Member("xx", "1") + " " + Member("abc", "2"));
  CArc arc;
  ASSERT_EQ(arc.Open(twins), 1);
  std::int64_t rc;
  EXPECT_EQ(ReadMember(arc, "abc", 4, &rc), "0");
  // A hit at 1 makes the next search start there and find the later twin.
  ASSERT_EQ(arc.Find("XX"), 1);
  EXPECT_EQ(ReadMember(arc, "abc", 4, &rc), "2");
  EXPECT_EQ(arc.GetLastHit(), 2);
  EXPECT_EQ(ReadMember(arc, "ABC", 4, &rc), "2");
  // After a miss the search starts at 0 again.
  EXPECT_EQ(arc.GetSize("missing"), -1);
  EXPECT_EQ(ReadMember(arc, "ABC", 4, &rc), "0");

  // The prefilter takes the first two bytes equal, or both apart by 32:
  // "Abc" fails it for "abc", so the first pass finds index 1 although a
  // plain search would take index 0.
  std::string mixed = Pack("mixed.aos", Member("Abc", "0") + " " + Member("abc", "1"));
  ASSERT_EQ(arc.Open(mixed), 1);
  struct Case {
    const char* query;
    const char* want;
  } cases[] = {
      {"abc", "1"},
      {"ABC", "1"},
      {"Abc", "0"},
      {"aBC", "0"},  // fails the prefilter everywhere: found by the third pass from the last hit
  };
  for (const auto& c : cases) {
    ASSERT_EQ(arc.GetSize("missing"), -1);
    EXPECT_EQ(ReadMember(arc, c.query, 4, &rc), c.want) << c.query;
  }
}

// The four passes written out plainly, as the reference for the reader's
// indexed search.
int ReferenceLookup(const CArc& arc, const std::string& q, int lastHit) {
  const int count = static_cast<int>(arc.Count());
  const int start = (lastHit < 0 || lastHit >= count) ? 0 : lastHit;
  auto pre = [&](int i) {
    std::string e(arc.NameAt(static_cast<std::uint32_t>(i)));
    e.resize(std::max<std::size_t>(e.size(), 2), '\0');
    int q0 = static_cast<signed char>(q.size() > 0 ? q[0] : 0), q1 = static_cast<signed char>(q.size() > 1 ? q[1] : 0);
    int e0 = static_cast<signed char>(e[0]), e1 = static_cast<signed char>(e[1]);
    return (q0 == e0 && q1 == e1) || (q0 == e0 + 32 && q1 == e1 + 32) || (q0 + 32 == e0 && q1 + 32 == e1);
  };
  auto eq = [&](int i) { return sjis::EqualNoCase(arc.NameAt(static_cast<std::uint32_t>(i)), q); };
  for (int i = start; i < count; ++i)
    if (pre(i) && eq(i)) return i;
  for (int i = 0; i < count; ++i)
    if (pre(i) && eq(i)) return i;
  for (int i = start; i < count; ++i)
    if (eq(i)) return i;
  for (int i = 0; i < count; ++i)
    if (eq(i)) return i;
  return -1;
}

TEST_F(ArcTest, LookupsAgreeWithFourPlainPasses) {
  const std::vector<std::string> names = {"ab", "AB", "Ab", "aB", "abc", "ABC", "aBc", "x", "X", "背景", "背景.ABM",
                                          "背景.abm", "_a", "\x7f", "Z9"};
  std::mt19937 rng(11);
  std::string args;
  for (int i = 0; i < 40; ++i) args += Member(names[rng() % names.size()], std::to_string(i)) + " ";
  CArc arc;
  ASSERT_EQ(arc.Open(Pack("model.aos", args)), 1);
  std::vector<std::string> queries;
  for (const auto& n : names) queries.push_back(pl::Utf8ToCp932(n));
  queries.push_back("missing");
  queries.push_back("");
  for (int step = 0; step < 2000; ++step) {
    const std::string& q = queries[rng() % queries.size()];
    int before = arc.GetLastHit();
    int want = ReferenceLookup(arc, q, before);
    if (rng() % 2) {
      ASSERT_EQ(arc.Find(q), want) << "step " << step;
      ASSERT_EQ(arc.GetLastHit(), want >= 0 ? want : before);
    } else {
      std::int64_t size = arc.GetSize(q);
      ASSERT_EQ(arc.GetLastHit(), want) << "step " << step;
      ASSERT_EQ(size >= 0, want >= 0);
    }
  }
}

TEST_F(ArcTest, PackerTakesFoldersAndLists) {
  ASSERT_TRUE(kvtest::WriteFile(dir / "scr/START.SCR", "start"));
  ASSERT_TRUE(kvtest::WriteFile(dir / "scr/title.scr", "title"));
  ASSERT_TRUE(kvtest::WriteFile(dir / "list.txt", "CG01.ABM=" + dir / "scr/START.SCR" + "\r\n\n" + dir / "scr/title.scr\n"));
  CArc arc;
  ASSERT_EQ(arc.Open(Pack("SCR.AOS", "--dir " + dir / "scr")), 1);
  ASSERT_EQ(arc.Count(), 2u);
  EXPECT_EQ(arc.NameAt(0), "START.SCR");  // in name order
  std::int64_t rc;
  EXPECT_EQ(ReadMember(arc, "title.SCR", 5, &rc), "title");
  ASSERT_EQ(arc.Open(Pack("list.aos", "--list " + dir / "list.txt")), 1);
  ASSERT_EQ(arc.Count(), 2u);
  EXPECT_EQ(ReadMember(arc, "cg01.abm", 5, &rc), "start");
  EXPECT_EQ(ReadMember(arc, "TITLE.SCR", 5, &rc), "title");
  // Names that do not fit their field are refused, not cut.
  EXPECT_NE(kvtest::RunCommand(kvtest::ToolPath("aospack") + " " + dir / "x.aos " + Member(std::string(32, 'n'), "x") +
                               " 2>/dev/null"),
            0);
}

TEST_F(ArcTest, MemberBeyondTwoGibIsRead) {
  const std::string far = Data(4096, 9);
  // The member starts at 3 GiB: past every signed 32-bit position.
  std::string path = Pack("big.aos", Member("NEAR", "near") + " " + Member("FAR.OGG", far) + " --at FAR.OGG=0xC0000000");
  CArc arc;
  ASSERT_EQ(arc.Open(path), 1);
  std::int64_t rc;
  EXPECT_TRUE(ReadMember(arc, "far.ogg", 4096, &rc) == far);
  EXPECT_EQ(rc, 4096);
  CArcView v = arc.Seek("FAR.OGG");
  ASSERT_TRUE(v.IsValid());
  EXPECT_EQ(v.Start(), 0xC0000000u);
  char buf[8];
  ASSERT_TRUE(v.Seek(-8, SEEK_END));
  ASSERT_EQ(v.Read(buf, sizeof buf), 8);
  EXPECT_EQ(std::string(buf, 8), far.substr(4088));
  EXPECT_EQ(ReadMember(arc, "near", 4, &rc), "near");
}

TEST_F(ArcTest, OpenRefusesWhatCannotBeAnArchiveAndLeavesTheReaderMissing) {
  const std::string one = Member("A", "aaaa");
  struct Case {
    const char* what;
    std::string args;  // "" : no file at all
  } cases[] = {
      {"no such file", ""},
      {"empty directory", "--label EMPTY"},
      {"header cut short", one + " --cut 272"},
      {"header only", one + " --cut 273"},
      {"directory cut short", one + " --cut 300"},
      {"directory larger than the file", one + " --dirsize 0x7FFFFFF0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = c.args.empty() ? dir / "none.aos" : Pack("bad.aos", c.args);
    CArc arc;
    EXPECT_EQ(arc.Open(path), 0);
    EXPECT_FALSE(arc.IsOpen());
    EXPECT_EQ(arc.Count(), 0u);
    EXPECT_EQ(arc.Find("A"), -1);
    EXPECT_EQ(arc.GetSize("A"), -1);
    char buf[8];
    EXPECT_EQ(arc.Read("A", buf, sizeof buf), -1);
    EXPECT_FALSE(arc.Seek("A").IsValid());
    // A reader that never opened has no path to open again.
    EXPECT_EQ(arc.Reopen(), 0);
    EXPECT_EQ(arc.GetPath(), "");
  }
}

TEST_F(ArcTest, BadEntriesFailAloneAndReadsRespectTheCapacity) {
  const std::string good = Data(100, 4);
  const std::string name32(32, 'N');  // fills its field: no NUL
  std::string path = Pack("mend.aos", Member("GOOD", good) + " " + Member(name32, "full") +
                                          " --no-nul " + name32 + " --entry PASTEOF:0x100000:16" +
                                          " --entry TOOLONG:0:0x100000 --entry WRAP:0xFFFFFF00:0x200");
  CArc arc;
  ASSERT_EQ(arc.Open(path), 1);
  ASSERT_EQ(arc.Count(), 5u);
  std::int64_t rc;
  struct Case {
    std::string name;
    std::size_t cap;
    std::int64_t want;
  } cases[] = {
      {"GOOD", 100, 100},
      {"GOOD", 99, -1},           // one byte too large for the caller
      {"PASTEOF", 64, -1},        // offset beyond the end of the file
      {"TOOLONG", 0x100000, -1},  // size beyond the end
      {"WRAP", 0x1000, -1},       // base + offset passes 4 GiB
      {name32, 4, 4},             // 32 name bytes compared, no more
      {name32 + "x", 4, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string got = ReadMember(arc, c.name, c.cap, &rc);
    EXPECT_EQ(rc, c.want);
    if (rc < 0) {
      EXPECT_EQ(got, std::string(c.cap, '\xCD')) << "a refused read wrote into the buffer";
    }
  }
  EXPECT_EQ(arc.NameAt(1), name32);
  EXPECT_FALSE(arc.Seek("PASTEOF").IsValid());
  EXPECT_FALSE(arc.Seek("WRAP").IsValid());
  // Their sizes are still what the directory says.
  EXPECT_EQ(arc.GetSize("TOOLONG"), 0x100000);
}

TEST_F(ArcTest, ReopeningReplacesAndClosingKeepsTheDirectory) {
  std::string a = Pack("a.aos", Member("ONE", "1") + " " + Member("TWO", "22"));
  std::string b = Pack("b.aos", Member("THREE", "333"));
  CArc arc;
  ASSERT_EQ(arc.Open(a), 1);
  ASSERT_EQ(arc.Open(b), 1);  // the second Open replaces the first whole
  EXPECT_EQ(arc.Count(), 1u);
  EXPECT_EQ(arc.Find("ONE"), -1);
  EXPECT_EQ(arc.GetSize("three"), 3);
  EXPECT_EQ(arc.Open(dir / "missing.aos"), 0);  // and a failed one leaves nothing
  EXPECT_EQ(arc.Find("THREE"), -1);

  ASSERT_EQ(arc.Open(a), 1);
  CArcView view = arc.Seek("TWO");
  ASSERT_TRUE(view.IsValid());
  EXPECT_EQ(arc.Close(), 1);
  EXPECT_FALSE(arc.IsOpen());
  EXPECT_EQ(arc.Count(), 2u);
  EXPECT_EQ(arc.Find("TWO"), -1);  // closed: lookups wait for Reopen
  // The view still holds its share of the file.
  char buf[2];
  EXPECT_EQ(view.Read(buf, 2), 2);
  EXPECT_EQ(std::string(buf, 2), "22");
  ASSERT_EQ(arc.Reopen(), 1);
  std::int64_t rc;
  EXPECT_EQ(ReadMember(arc, "one", 1, &rc), "1");
  // Reopen fails once the file is gone; the directory stays for later.
  ASSERT_EQ(std::remove(a.c_str()), 0);
  EXPECT_EQ(arc.Reopen(), 0);
  EXPECT_EQ(arc.Find("ONE"), -1);
  EXPECT_EQ(arc.Count(), 2u);
}

TEST_F(ArcTest, ViewsSeekWithinTheirMember) {
  const std::string data = Data(1000, 5);
  std::string path = Pack("v.aos", Member("PRE", "xxxx") + " " + Member("SE01.WAV", data) + " " + Member("POST", "yyyy"));
  CArc arc;
  ASSERT_EQ(arc.Open(path), 1);
  CArcView v = arc.Seek("se01.wav");
  ASSERT_TRUE(v.IsValid());
  EXPECT_EQ(v.Size(), 1000u);
  struct Step {
    std::int64_t offset;
    int whence;
    bool ok;
    std::uint64_t pos;
  } steps[] = {
      {10, SEEK_SET, true, 10}, {5, SEEK_CUR, true, 15}, {-1, SEEK_END, true, 999}, {0, SEEK_END, true, 1000},
      {1, SEEK_CUR, false, 1000}, {-1001, SEEK_END, false, 1000}, {-1, SEEK_SET, false, 1000}, {0, 99, false, 1000},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(v.Seek(s.offset, s.whence), s.ok) << s.offset << "/" << s.whence;
    EXPECT_EQ(v.Tell(), s.pos);
  }
  // Reads stop at the member's end, not at the next member.
  char buf[16];
  ASSERT_TRUE(v.Seek(-3, SEEK_END));
  EXPECT_EQ(v.Read(buf, sizeof buf), 3);
  EXPECT_EQ(std::string(buf, 3), data.substr(997));
  EXPECT_EQ(v.Read(buf, sizeof buf), 0);

  auto file = std::make_shared<pl::File>();
  ASSERT_TRUE(file->OpenNativeRead(path));
  CArcView whole = CArcView::WholeFile(file);
  EXPECT_EQ(whole.Size(), static_cast<std::uint64_t>(file->Size()));
  EXPECT_FALSE(CArcView().IsValid());
  EXPECT_EQ(CArcView().Read(buf, 1), -1);
}

TEST_F(ArcTest, ManyThreadsStreamOneArchiveAtOnce) {
  constexpr int kThreads = 8;
  std::vector<std::string> data;
  std::string args;
  for (int t = 0; t < kThreads; ++t) {
    data.push_back(Data(200000 + 1000 * t, 10 + t));
    args += Member("CH" + std::to_string(t) + ".OGG", data.back()) + " ";
  }
  std::string path = Pack("se.aos", args);
  CArc arc;
  ASSERT_EQ(arc.Open(path), 1);
  std::vector<CArcView> views;
  for (int t = 0; t < kThreads; ++t) views.push_back(arc.Seek("ch" + std::to_string(t) + ".ogg"));
  // The archive lets go of its file while the channels still stream.
  arc.Close();
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 rng(static_cast<unsigned>(t));
      CArcView& v = views[static_cast<std::size_t>(t)];
      const std::string& want = data[static_cast<std::size_t>(t)];
      char buf[4096];
      for (int i = 0; i < 300; ++i) {
        std::uint64_t at = rng() % want.size();
        if (!v.Seek(static_cast<std::int64_t>(at), SEEK_SET)) {
          ++bad;
          return;
        }
        std::int64_t n = v.Read(buf, 1 + rng() % sizeof buf);
        if (n <= 0 || std::string(buf, static_cast<std::size_t>(n)) != want.substr(at, static_cast<std::size_t>(n))) {
          ++bad;
          return;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
