#include "framework/child_wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ime_obj.h"
#include "platform/edit_control.h"
#include "platform/fake/fake_backend.h"
#include "platform/ime.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

struct Seen {
  std::uint32_t id;
  pl::WPARAM wParam;
};
std::vector<Seen>* g_parentSeen = nullptr;

pl::LRESULT ParentProc(pl::Window* w, std::uint32_t id, pl::WPARAM wParam, pl::LPARAM lParam) {
  if (g_parentSeen) g_parentSeen->push_back({id, wParam});
  return pl::DefWindowProc(w, id, wParam, lParam);
}

// A main window with one comment field, on the fake backend.
struct EditFixture : ::testing::Test {
  pl::FakeBackend fake;
  std::vector<Seen> parentSeen;
  pl::Window* main = nullptr;
  CChildEditWnd edit;

  void SetUp() override {
    g_parentSeen = &parentSeen;
    pl::WindowDesc d;
    d.className = "KIV";
    main = pl::CreateWindow(d, &ParentProc);
    ASSERT_NE(main, nullptr);
    pl::ShowWindow(main, pl::SW_SHOW);
    ASSERT_EQ(edit.CreateEdit(main, 100, 200, 300, 24, 1001), 1);
  }
  void TearDown() override {
    edit.Destroy();
    pl::FreeWindow(main);
    g_parentSeen = nullptr;
  }
  void Pump() {
    pl::Message m;
    while (pl::PeekMessage(&m)) pl::DispatchMessage(m);
  }
  bool ParentSaw(std::uint32_t id, pl::WPARAM wParam) const {
    for (const Seen& s : parentSeen) {
      if (s.id == id && s.wParam == wParam) return true;
    }
    return false;
  }
};

TEST_F(EditFixture, MadeHiddenAndShowingGivesItTheKeyboard) {
  EXPECT_FALSE(pl::IsWindowVisible(edit.Handle()));
  EXPECT_EQ(pl::KeyTarget(main), main);
  EXPECT_EQ(pl::GetParent(edit.Handle()), main);
  edit.Show(pl::SW_SHOW);
  EXPECT_TRUE(edit.HasFocus());
  EXPECT_EQ(pl::KeyTarget(main), edit.Handle());
  EXPECT_TRUE(pl::WantsTextInput(main));
  // The field takes the keyboard only while its window is the active one.
  edit.Show(0);
  fake.active = false;
  edit.Show(pl::SW_SHOW);
  EXPECT_FALSE(edit.HasFocus());
}

TEST_F(EditFixture, TypedTextArrivesAsCp932AndEditingKeysStepWholeCharacters) {
  edit.Show(pl::SW_SHOW);
  // 表 and ソ end in 0x5C; the caret must never land on their trail byte.
  fake.InjectText("表ソa");
  Pump();
  EXPECT_EQ(edit.GetText(), std::string(SJ("表ソa")));
  struct Step {
    std::uint32_t vk;
    const char* expectedUtf8;
  };
  const Step steps[] = {
      {pl::VK_LEFT, "表ソa"},   // caret before a
      {pl::VK_LEFT, "表ソa"},   // caret before ソ
      {pl::VK_BACK, "ソa"},     // 表 goes whole
      {pl::VK_DELETE, "a"},     // ソ goes whole
      {pl::VK_END, "a"},
      {pl::VK_BACK, ""},
      {pl::VK_BACK, ""},        // nothing left: nothing happens
  };
  for (const Step& s : steps) {
    fake.InjectKeyMessage(s.vk, true);
    Pump();
    EXPECT_EQ(edit.GetText(), pl::Utf8ToCp932(s.expectedUtf8)) << "after key " << s.vk;
  }
}

TEST_F(EditFixture, TabEnterAndAltGoToTheParentNotTheField) {
  edit.Show(pl::SW_SHOW);
  fake.InjectText("x");
  fake.InjectKeyMessage(pl::VK_RETURN, true);
  fake.InjectKeyMessage(pl::VK_TAB, true);
  fake.InjectKeyMessage('S', true, /*alt=*/true);
  Pump();  // the posts the field makes to its parent
  Pump();
  EXPECT_TRUE(ParentSaw(pl::WM_KEYDOWN, pl::VK_RETURN));
  EXPECT_TRUE(ParentSaw(pl::WM_KEYDOWN, pl::VK_TAB));
  EXPECT_TRUE(ParentSaw(pl::WM_SYSKEYDOWN, 'S'));
  EXPECT_EQ(edit.GetText(), "x");
}

TEST_F(EditFixture, CompositionIsFollowedAndItsEndRepaintsTheField) {
  edit.Show(pl::SW_SHOW);
  fake.InjectComposition("にほん");
  Pump();
  ASSERT_NE(edit.Ime(), nullptr);
  EXPECT_TRUE(edit.Ime()->IsComposing());
  EXPECT_EQ(pl::ImeOf(edit.Handle())->composition, std::string(SJ("にほん")));
  Pump();
  const std::size_t before = fake.presents.size();
  fake.InjectText("日本");
  // Presents come at most once in the minimum interval.
  fake.manualClock().Advance(pl::kMinPresentIntervalMs);
  Pump();
  EXPECT_FALSE(edit.Ime()->IsComposing());
  // The field is drawn again: the next present redraws the child windows.
  ASSERT_GT(fake.presents.size(), before);
  EXPECT_TRUE(fake.presents.back().children);
  EXPECT_EQ(edit.GetText(), std::string(SJ("日本")));
  // A closed input method composes nothing; typing still arrives.
  pl::ImeSetOpen(edit.Handle(), false);
  fake.InjectComposition("か");
  fake.InjectText("b");
  Pump();
  EXPECT_FALSE(edit.Ime()->IsComposing());
  EXPECT_EQ(edit.GetText(), std::string(SJ("日本b")));
}

TEST_F(EditFixture, HidingEmptiesTheFieldAndReturnsTheKeyboard) {
  edit.Show(pl::SW_SHOW);
  fake.InjectText("abc");
  Pump();
  ASSERT_EQ(edit.GetText(), "abc");
  edit.Show(0);
  EXPECT_EQ(pl::KeyTarget(main), main);
  EXPECT_FALSE(pl::IsWindowEnabled(edit.Handle()));
  edit.Show(pl::SW_SHOW);
  EXPECT_EQ(edit.GetText(), "");
  // Keys typed while it was hidden went to the main window.
  edit.Show(0);
  fake.InjectKeyMessage('Q', true);
  Pump();
  EXPECT_TRUE(ParentSaw(pl::WM_KEYDOWN, 'Q'));
}

TEST_F(EditFixture, TextFitsTheCallersBufferOnACharacterBoundary) {
  edit.Show(pl::SW_SHOW);
  pl::SendMessage(edit.Handle(), pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(SJ("あいう")));
  char buf[4] = {1, 1, 1, 1};
  // Room for one and a half characters: one comes back, terminated.
  EXPECT_EQ(pl::SendMessage(edit.Handle(), pl::WM_GETTEXT, sizeof buf, reinterpret_cast<pl::LPARAM>(buf)), 2);
  EXPECT_EQ(std::string(buf), std::string(SJ("あ")));
  EXPECT_EQ(pl::SendMessage(edit.Handle(), pl::WM_GETTEXT, 0, reinterpret_cast<pl::LPARAM>(buf)), 0);
}

TEST_F(EditFixture, FieldIsDrawnOverTheParentWithItsText) {
  edit.Show(pl::SW_SHOW);
  std::vector<std::uint32_t> pixels(1024 * 600, 0);
  pl::ui::Canvas canvas{pixels.data(), 1024, 600, 1024};
  pl::DrawChildWindows(*main, canvas);
  auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * 1024 + x]; };
  EXPECT_EQ(at(50, 50), 0u);            // outside the field: untouched
  EXPECT_EQ(at(250, 212), 0xFFFFFFFFu); // inside: the field's face
  pl::SendMessage(edit.Handle(), pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>("WWWW"));
  std::fill(pixels.begin(), pixels.end(), 0u);
  pl::DrawChildWindows(*main, canvas);
  int ink = 0;
  for (int y = 201; y < 223; ++y) {
    for (int x = 101; x < 160; ++x) ink += (at(x, y) & 0xFFFFFF) < 0x808080 ? 1 : 0;
  }
  EXPECT_GT(ink, 20);
  edit.Show(0);
  std::fill(pixels.begin(), pixels.end(), 0u);
  pl::DrawChildWindows(*main, canvas);
  EXPECT_EQ(at(250, 212), 0u);
}

TEST_F(EditFixture, DestroyingTheParentFirstLeavesTheFieldSafeToDestroy) {
  edit.Show(pl::SW_SHOW);
  pl::DestroyWindow(main);
  EXPECT_FALSE(pl::IsWindow(edit.Handle()));
  EXPECT_EQ(pl::GetFocus(), nullptr);
  edit.Destroy();  // no use of the freed parent (ASan)
  EXPECT_EQ(edit.Handle(), nullptr);
}

// The input method while its use is not allowed: the status window stays
// closed and the conversion mode is put back.
TEST(ImeObj, NotificationsWhileNotAllowed) {
  pl::FakeBackend fake;
  pl::WindowDesc d;
  pl::Window* w = pl::CreateWindow(d, &pl::DefWindowProc);
  ASSERT_NE(w, nullptr);
  CIMEObj ime;
  ime.Attach(w);
  EXPECT_TRUE(pl::ImeIsOpen(w));
  EXPECT_EQ(pl::ImeOf(w)->font.faceCp932, std::string(SJ("ＭＳ ゴシック")));
  EXPECT_EQ(ime.OnNotify(pl::IMN_SETCONVERSIONMODE), 0);  // allowed: untouched
  ime.SetAllowed(false);
  pl::ImeSetConversion(w, 1, 0);
  EXPECT_EQ(ime.OnNotify(pl::IMN_SETCONVERSIONMODE), 1);
  std::uint32_t conv = 0, sentence = 0;
  pl::ImeGetConversion(w, &conv, &sentence);
  EXPECT_EQ(conv, 25u);
  EXPECT_EQ(sentence, 8u);
  EXPECT_EQ(ime.OnNotify(pl::IMN_SETOPENSTATUS), 1);
  EXPECT_FALSE(pl::ImeIsOpen(w));
  EXPECT_EQ(ime.OnNotify(pl::IMN_CLOSECANDIDATE), 0);
  // WM_IME_SETCONTEXT with the show-composition bits drops the flag once.
  EXPECT_TRUE(ime.ShowsComposition());
  ime.OnWindowMessage(w, pl::WM_IME_SETCONTEXT, 1, -1);
  EXPECT_FALSE(ime.ShowsComposition());
  // Activation asks for the status window to close while not allowed.
  pl::ClearMessageQueue();
  ime.OnWindowMessage(w, pl::WM_ACTIVATE, pl::WA_ACTIVE, 0);
  pl::Message m;
  bool closeAsked = false;
  while (pl::PeekMessage(&m)) closeAsked = closeAsked || (m.id == pl::WM_IME_NOTIFY && m.wParam == pl::IMN_CLOSESTATUSWINDOW);
  EXPECT_TRUE(closeAsked);
  pl::FreeWindow(w);
}

}  // namespace
