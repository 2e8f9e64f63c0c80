#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/fake/fake_backend.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

struct Seen {
  std::uint32_t id;
  pl::WPARAM wParam;
};
std::vector<Seen>* g_seen = nullptr;

pl::LRESULT RecordingProc(pl::Window* w, std::uint32_t id, pl::WPARAM wParam, pl::LPARAM lParam) {
  if (g_seen) g_seen->push_back({id, wParam});
  return pl::DefWindowProc(w, id, wParam, lParam);
}

struct WindowFixture : ::testing::Test {
  pl::FakeBackend fake;
  std::vector<Seen> seen;
  pl::Window* w = nullptr;
  void SetUp() override {
    g_seen = &seen;
    pl::WindowDesc d;
    d.className = "KIV";
    w = pl::CreateWindow(d, &RecordingProc);
    ASSERT_NE(w, nullptr);
    pl::ShowWindow(w, pl::SW_SHOW);
  }
  void TearDown() override {
    pl::FreeWindow(w);
    g_seen = nullptr;
  }
  void Drain() {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  }
};

TEST_F(WindowFixture, PostsFromManyThreadsAllArriveInEachThreadsOrder) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 200; ++i) pl::PostMessage(w, pl::WM_USER + 1, static_cast<pl::WPARAM>(t * 1000 + i), 0);
    });
  }
  for (auto& th : threads) th.join();
  Drain();
  ASSERT_EQ(seen.size(), 800u);
  int last[4] = {-1, -1, -1, -1};
  for (const Seen& s : seen) {
    int t = static_cast<int>(s.wParam / 1000), i = static_cast<int>(s.wParam % 1000);
    EXPECT_GT(i, last[t]);
    last[t] = i;
  }
}

TEST_F(WindowFixture, CloseDestroysOnceAndQuitIsDropped) {
  pl::PostMessage(w, pl::WM_CLOSE, 0, 0);
  pl::PostMessage(w, pl::WM_CLOSE, 0, 0);  // a late second close finds no window
  pl::PostQuitMessage(0);
  Drain();
  EXPECT_FALSE(pl::IsWindow(w));
  int destroys = 0, closes = 0;
  for (const Seen& s : seen) {
    destroys += s.id == pl::WM_DESTROY;
    closes += s.id == pl::WM_CLOSE;
    EXPECT_NE(s.id, pl::WM_QUIT);
  }
  EXPECT_EQ(destroys, 1);
  EXPECT_EQ(closes, 1) << "messages to a destroyed window are not delivered";
  EXPECT_EQ(fake.windowsHidden, 1);
}

TEST_F(WindowFixture, RestoreOfAMinimisedWindowThroughTheDefaultProcedure) {
  pl::ShowWindow(w, pl::SW_MINIMIZE);
  EXPECT_TRUE(pl::IsIconic(w));
  pl::SendMessage(w, pl::WM_SYSCOMMAND, pl::SC_RESTORE, 0);
  EXPECT_FALSE(pl::IsIconic(w));
}

TEST_F(WindowFixture, PresentedRectanglesAreClippedToTheClientArea) {
  std::vector<std::uint32_t> src(64 * 64);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint32_t>(i) | 0xFF000000u;
  struct Case {
    int sx, sy, wd, ht, dx, dy;
  };
  const Case cases[] = {{0, 0, 64, 64, 0, 0}, {10, 5, 40, 30, 1000, 590}, {0, 0, 64, 64, -20, -30}, {0, 0, 8, 8, 2000, 0}};
  for (const Case& c : cases) {
    std::fill(w->front.begin(), w->front.end(), 0u);
    pl::PresentPixels(w, src.data(), 64 * 4, c.sx, c.sy, c.wd, c.ht, c.dx, c.dy);
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 1024; ++x) {
        int u = x - c.dx, v = y - c.dy;
        bool inside = u >= 0 && v >= 0 && u < c.wd && v < c.ht;
        std::uint32_t want = inside ? src[(c.sy + v) * 64 + (c.sx + u)] : 0u;
        ASSERT_EQ(w->front[y * 1024 + x], want) << x << "," << y << " for dest " << c.dx << "," << c.dy;
      }
    }
  }
}

TEST_F(WindowFixture, MenuStripSitsAboveTheClientArea) {
  pl::Menu menu;
  pl::SetMenu(w, &menu);
  pl::SetWindowPos(w, 100, 50, 1024, 600 + fake.menuBarHeight, false);
  pl::Rect client = pl::GetClientRect(w);
  EXPECT_EQ(client.Width(), 1024);
  EXPECT_EQ(client.Height(), 600);
  pl::Point p = pl::ClientToScreen(w, {0, 0});
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 50 + fake.menuBarHeight);
  pl::Point back = pl::ScreenToClient(w, p);
  EXPECT_EQ(back.x, 0);
  EXPECT_EQ(back.y, 0);
  pl::Rect adj = pl::AdjustWindowRect(1024, 600, true);
  EXPECT_EQ(adj.Height(), 600 + fake.menuBarHeight);
  pl::SetMenu(w, nullptr);
}

TEST(Text, Cp932RoundTripAndBadBytes) {
  struct Case {
    std::string utf8;
    std::string cp932;
  };
  const Case cases[] = {
      {"表示", "\x95\x5C\x8E\xA6"},          // a trail byte that is a backslash
      {"ソフト", "\x83\x5C\x83\x74\x83\x67"},
      {"ABCｱ", "ABC\xB1"},                    // half-width katakana is one byte
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pl::Utf8ToCp932(c.utf8), c.cp932) << c.utf8;
    EXPECT_EQ(pl::Cp932ToUtf8(c.cp932), c.utf8) << c.utf8;
  }
  // Bytes that do not convert become '?', and a cut-off character is dropped.
  EXPECT_EQ(pl::Cp932ToUtf8(std::string("A\x80" "B", 3)), "A?B");
  EXPECT_EQ(pl::Cp932ToUtf8(std::string("A\x82", 2)), "A");
  EXPECT_TRUE(pl::IsLeadByte(0x81));
  EXPECT_TRUE(pl::IsLeadByte(0xFC));
  EXPECT_FALSE(pl::IsLeadByte(0xA0));
  EXPECT_FALSE(pl::IsLeadByte(0xFD));
  EXPECT_STREQ(SJ("確認"), "\x8A\x6D\x94\x46");
}

}  // namespace
