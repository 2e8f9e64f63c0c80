#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "framework/key_manager.h"
#include "platform/fake/fake_backend.h"
#include "platform/input.h"

namespace {

struct KeyFixture : ::testing::Test {
  pl::FakeBackend fake;
  pl::Window* w = nullptr;
  CKeyManager keys;
  void SetUp() override {
    pl::WindowDesc d;
    d.className = "KIV";
    w = pl::CreateWindow(d, &pl::DefWindowProc);
    pl::ShowWindow(w, pl::SW_SHOW);
    ASSERT_EQ(keys.Init(w), 1);
    keys.SetBounds(1024, 600);
  }
  void TearDown() override {
    keys.m_Mouse.Stop();
    pl::FreeWindow(w);
  }
  void Pump() {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  }
};

TEST_F(KeyFixture, EveryBitAndItsKeys) {
  struct Case {
    std::uint32_t bit;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {KEY_ENTER, {pl::DIK_RETURN, pl::DIK_NUMPADENTER}}, {KEY_SPACE, {pl::DIK_SPACE}},
      {KEY_UP, {pl::DIK_UP, pl::DIK_NUMPAD8}},            {KEY_DOWN, {pl::DIK_DOWN, pl::DIK_NUMPAD2}},
      {KEY_LEFT, {pl::DIK_LEFT, pl::DIK_NUMPAD4}},        {KEY_RIGHT, {pl::DIK_RIGHT, pl::DIK_NUMPAD6}},
      {KEY_SHIFT, {pl::DIK_LSHIFT, pl::DIK_RSHIFT}},      {KEY_CTRL, {pl::DIK_LCONTROL, pl::DIK_RCONTROL}},
      {KEY_PAGEUP, {pl::DIK_PRIOR}},                      {KEY_PAGEDOWN, {pl::DIK_NEXT}},
      {KEY_HOME, {pl::DIK_HOME}},                         {KEY_END, {pl::DIK_END}},
      {KEY_Z, {pl::DIK_Z}},                               {KEY_X, {pl::DIK_X}},
      {KEY_C, {pl::DIK_C}},                               {KEY_V, {pl::DIK_V}},
  };
  const std::uint32_t allBits[] = {KEY_ENTER, KEY_SPACE, KEY_UP,    KEY_DOWN, KEY_LEFT, KEY_RIGHT,
                                   KEY_SHIFT, KEY_CTRL,  KEY_PAGEUP, KEY_PAGEDOWN, KEY_HOME, KEY_END,
                                   KEY_WHEEL, KEY_Z,     KEY_X,     KEY_C,    KEY_V};
  for (const Case& c : cases) {
    for (int code : c.codes) {
      fake.InjectKey(code, true);
      Pump();
      for (std::uint32_t bit : allBits) {
        EXPECT_EQ(keys.CheckKey(bit), bit == c.bit ? 1 : 0) << "key " << code << " bit " << bit;
      }
      fake.InjectKey(code, false);
      Pump();
      EXPECT_EQ(keys.CheckKey(c.bit), 0);
    }
  }
  // Values that are no single bit, or no bit of ours, are never down.
  fake.InjectKey(pl::DIK_RETURN, true);
  Pump();
  EXPECT_EQ(keys.CheckKey(KEY_ENTER | KEY_SPACE), 0);
  EXPECT_EQ(keys.CheckKey(0x100000), 0);
}

TEST_F(KeyFixture, NothingIsDownWithoutTheFocus) {
  fake.InjectKey(pl::DIK_Z, true);
  fake.InjectMouseButton(pl::MOUSE_LEFT, true, {10, 10});
  Pump();
  EXPECT_EQ(keys.CheckKey(KEY_Z), 1);
  fake.active = false;
  EXPECT_EQ(keys.CheckKey(KEY_Z), 0);
  EXPECT_EQ(keys.CheckKey(KEY_ENTER), 0);
}

TEST_F(KeyFixture, ButtonsCountOnlyOnThePictureAndAHeldButtonKeepsItsPoint) {
  struct Case {
    pl::Point at;
    int down;
  };
  const Case cases[] = {{{0, 0}, 1}, {{1024, 600}, 1}, {{1025, 10}, 0}, {{10, 601}, 0}, {{-1, 10}, 0}};
  for (const Case& c : cases) {
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, c.at);
    Pump();
    EXPECT_EQ(keys.CheckKey(KEY_ENTER), c.down) << c.at.x << "," << c.at.y;
    fake.InjectMouseButton(pl::MOUSE_LEFT, false, c.at);
    Pump();
    keys.CheckKey(KEY_ENTER);
  }
  fake.InjectMouseButton(pl::MOUSE_RIGHT, true, {10, 10});
  Pump();
  pl::Point p;
  EXPECT_EQ(keys.CheckKey(KEY_SPACE, &p), 1);
  fake.InjectMouseMove({50, 50});
  Pump();
  EXPECT_EQ(keys.CheckKey(KEY_SPACE, &p), 1);
  EXPECT_EQ(p.x, 10) << "the point stays where the button went down";
  fake.InjectMouseButton(pl::MOUSE_RIGHT, false, {50, 50});
  Pump();
  EXPECT_EQ(keys.CheckKey(KEY_SPACE, &p), 0);
  keys.CheckKey(KEY_UP, &p);
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 50);
}

TEST_F(KeyFixture, WheelStaysDownUntilTaken) {
  keys.OnWindowMessage(w, pl::WM_MOUSEWHEEL, 0xFF880000u, 0);
  EXPECT_EQ(keys.CheckKey(KEY_WHEEL), 1);
  EXPECT_EQ(keys.CheckKey(KEY_WHEEL), 1);
  EXPECT_EQ(keys.TakeWheel(), 0xFF880000u);
  EXPECT_EQ(keys.CheckKey(KEY_WHEEL), 0);
}

TEST(Glide, StepsOfTheRemainingDistance) {
  std::vector<int> moves;
  int cur = 0;
  while (cur != 100) {
    int next = GlideStep(cur, 100);
    moves.push_back(next - cur);
    cur = next;
  }
  EXPECT_EQ(moves, (std::vector<int>{46, 25, 13, 7, 4, 2, 1, 2}));
  EXPECT_EQ(GlideStep(100, 0), 54) << "toward zero on the way back";
  EXPECT_EQ(GlideStep(5, 5), 5);
}

TEST_F(KeyFixture, GlideThreadReachesTheTargetAndStops) {
  {
    ReleaseScopedLock lock(keys.m_Mouse.Lock());
    keys.m_Mouse.m_ptCurrent = {0, 0};
    keys.m_Mouse.m_ptTarget = {100, 40};
    keys.m_Mouse.m_bGliding = 1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    {
      ReleaseScopedLock lock(keys.m_Mouse.Lock());
      if (!keys.m_Mouse.m_bGliding) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Pump();  // the moves are applied on this thread
  ASSERT_FALSE(fake.cursorMoves.empty());
  pl::Point last = fake.cursorMoves.back();
  EXPECT_EQ(last.x, 100);
  EXPECT_EQ(last.y, 40);
  auto start = std::chrono::steady_clock::now();
  keys.m_Mouse.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
