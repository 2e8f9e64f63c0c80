// The edit class's selection and limit: select all, Shift with the arrows
// and Home/End, typing, Backspace and Delete over a selection, the limit in
// bytes with double-byte characters kept whole. Each case starts from a
// text with the caret at its end, feeds key and character messages to the
// field as the backends deliver them (the Shift and Ctrl state held as the
// keys are down) and reads back the text and the selection.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/edit_control.h"
#include "platform/fake/fake_backend.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

// One step: a key with its modifiers, a typed text (UTF-8, sent as CP932
// character bytes), or EM_SETSEL.
struct Act {
  enum Kind { Key, Type, Select } kind;
  std::uint32_t vk = 0;
  bool shift = false, ctrl = false;
  std::string text;
  std::intptr_t from = 0, to = 0;
};
Act K(std::uint32_t vk) { return {Act::Key, vk, false, false, "", 0, 0}; }
Act ShiftK(std::uint32_t vk) { return {Act::Key, vk, true, false, "", 0, 0}; }
Act CtrlK(std::uint32_t vk) { return {Act::Key, vk, false, true, "", 0, 0}; }
Act T(const char* utf8) { return {Act::Type, 0, false, false, utf8, 0, 0}; }
Act Sel(std::intptr_t from, std::intptr_t to) { return {Act::Select, 0, false, false, "", from, to}; }

struct Case {
  const char* name;
  const char* start;  // UTF-8
  std::size_t limit;  // 0: the class's own
  std::vector<Act> acts;
  const char* text;   // UTF-8
  std::uint32_t selStart, selEnd;  // bytes
};

struct EditSelection : ::testing::Test {
  pl::FakeBackend fake;
  pl::Window* main = nullptr;
  pl::Window* edit = nullptr;

  void SetUp() override {
    pl::WindowDesc d;
    d.className = "KIV";
    main = pl::CreateWindow(d, &pl::DefWindowProc);
    ASSERT_NE(main, nullptr);
    // Shown and active: the key state reads only while the program has the
    // focus.
    pl::ShowWindow(main, pl::SW_SHOW);
    pl::WindowDesc e;
    e.className = "edit";
    e.parent = main;
    e.x = 10, e.y = 10, e.width = 236, e.height = 20;
    e.controlId = 100;
    edit = pl::CreateWindow(e, nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->edit, nullptr);
  }
  void TearDown() override {
    pl::ReleaseAllKeys();
    if (edit) pl::DestroyWindow(edit);
    pl::DestroyWindow(main);
    if (edit) pl::FreeWindow(edit);
    pl::FreeWindow(main);
  }

  void Do(const Act& a) {
    switch (a.kind) {
      case Act::Key:
        pl::SetKeyState(pl::DIK_LSHIFT, a.shift);
        pl::SetKeyState(pl::DIK_LCONTROL, a.ctrl);
        pl::SendMessage(edit, pl::WM_KEYDOWN, a.vk, 0);
        pl::SetKeyState(pl::DIK_LSHIFT, false);
        pl::SetKeyState(pl::DIK_LCONTROL, false);
        break;
      case Act::Type:
        for (char c : pl::Utf8ToCp932(a.text)) pl::SendMessage(edit, pl::WM_CHAR, static_cast<unsigned char>(c), 1);
        break;
      case Act::Select:
        pl::SendMessage(edit, pl::EM_SETSEL, static_cast<pl::WPARAM>(a.from), static_cast<pl::LPARAM>(a.to));
        break;
    }
  }
  std::string Text() {
    char buf[256] = {};
    pl::SendMessage(edit, pl::WM_GETTEXT, sizeof buf, reinterpret_cast<pl::LPARAM>(buf));
    return pl::Cp932ToUtf8(buf);
  }
};

TEST_F(EditSelection, EditingOverTheSelectionAndTheLimit) {
  // "日本" is 4 bytes, "語" 2 more.
  const Case cases[] = {
      {"select all, typing replaces it", "offered", 0, {Sel(0, -1), T("new")}, "new", 3, 3},
      {"select all, Backspace empties", "offered", 0, {Sel(0, -1), K(pl::VK_BACK)}, "", 0, 0},
      {"select all, Delete empties", "offered", 0, {Sel(0, -1), K(pl::VK_DELETE)}, "", 0, 0},
      {"Ctrl+A selects all", "abc", 0, {CtrlK('A')}, "abc", 0, 3},
      {"A without Ctrl does nothing", "abc", 0, {K('A')}, "abc", 3, 3},
      {"Shift+Left twice takes two characters", "abcd", 0, {ShiftK(pl::VK_LEFT), ShiftK(pl::VK_LEFT)}, "abcd", 2, 4},
      {"Shift+Left over a double-byte character takes both bytes", "a日本", 0, {ShiftK(pl::VK_LEFT)}, "a日本", 3, 5},
      {"Shift+Left then typing replaces the character", "a日本", 0, {ShiftK(pl::VK_LEFT), T("x")}, "a日x", 4, 4},
      {"Shift+Home selects to the start", "abc", 0, {K(pl::VK_LEFT), ShiftK(pl::VK_HOME)}, "abc", 0, 2},
      {"Shift+End selects to the end", "abcd", 0, {K(pl::VK_HOME), K(pl::VK_RIGHT), ShiftK(pl::VK_END)}, "abcd", 1, 4},
      {"Shift+Right after Home", "日本語", 0, {K(pl::VK_HOME), ShiftK(pl::VK_RIGHT), ShiftK(pl::VK_RIGHT)}, "日本語", 0, 4},
      {"Backspace removes only the selection", "abcdef", 0, {Sel(1, 3), K(pl::VK_BACK)}, "adef", 1, 1},
      {"Delete removes only the selection", "abcdef", 0, {Sel(4, 2), K(pl::VK_DELETE)}, "abef", 2, 2},
      {"Left collapses a selection to its start", "abcdef", 0, {Sel(1, 4), K(pl::VK_LEFT), T("X")}, "aXbcdef", 2, 2},
      {"Right collapses a selection to its end", "abcdef", 0, {Sel(1, 4), K(pl::VK_RIGHT), T("X")}, "abcdXef", 5, 5},
      {"a selection start inside a character snaps to its start", "日本", 0, {Sel(1, 3), T("x")}, "x本", 1, 1},
      {"EM_SETSEL -1 removes the selection", "abc", 0, {Sel(0, -1), Sel(-1, 0), T("d")}, "abcd", 4, 4},
      {"typing stops at the limit", "", 5, {T("abcdefg")}, "abcde", 5, 5},
      {"a double-byte character that would cross the limit is refused", "abcd", 5, {T("日e")}, "abcde", 5, 5},
      {"replacing a selection may use its room", "abcde", 5, {Sel(3, 5), T("日")}, "abc日", 5, 5},
      {"a replacement too long for the limit keeps the selection", "abcde", 5, {Sel(4, 5), T("日")}, "abcde", 4, 5},
      {"Backspace removes a double-byte character whole", "a日本", 0, {K(pl::VK_BACK)}, "a日", 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pl::SendMessage(edit, pl::EM_SETLIMITTEXT, c.limit, 0);
    const std::string start = pl::Utf8ToCp932(c.start);
    pl::SendMessage(edit, pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(start.c_str()));
    for (const Act& a : c.acts) Do(a);
    EXPECT_EQ(Text(), c.text);
    std::uint32_t s = 99, e = 99;
    const pl::LRESULT r =
        pl::SendMessage(edit, pl::EM_GETSEL, reinterpret_cast<pl::WPARAM>(&s), reinterpret_cast<pl::LPARAM>(&e));
    EXPECT_EQ(s, c.selStart);
    EXPECT_EQ(e, c.selEnd);
    EXPECT_EQ(static_cast<std::uint32_t>(r), c.selEnd << 16 | c.selStart);
  }
}

TEST_F(EditSelection, ATextPutInIsCutToTheLimitOnACharacterBoundary) {
  struct Put {
    const char* text;
    std::size_t limit;
    const char* kept;
  };
  const Put puts[] = {
      {"abcdefgh", 5, "abcde"},
      {"abcd日本", 5, "abcd"},    // the lead byte at byte 5 is not split off
      {"abc日本", 5, "abc日"},
      {"日本語", 31, "日本語"},
  };
  for (const Put& p : puts) {
    SCOPED_TRACE(p.text);
    pl::SendMessage(edit, pl::EM_SETLIMITTEXT, p.limit, 0);
    const std::string t = pl::Utf8ToCp932(p.text);
    pl::SendMessage(edit, pl::WM_SETTEXT, 0, reinterpret_cast<pl::LPARAM>(t.c_str()));
    EXPECT_EQ(Text(), p.kept);
  }
}

TEST_F(EditSelection, TextsAreReadBackFromTheWindowAndFromTheControl) {
  pl::SetWindowText(main, pl::Utf8ToCp932("ゲーム － 第一章"));
  EXPECT_EQ(pl::GetWindowText(main), pl::Utf8ToCp932("ゲーム － 第一章"));
  pl::SetWindowText(edit, pl::Utf8ToCp932("コメント"));
  EXPECT_EQ(pl::GetWindowText(edit), pl::Utf8ToCp932("コメント"));
  pl::SetWindowText(edit, "");
  EXPECT_EQ(pl::GetWindowText(edit), "");
  EXPECT_EQ(pl::GetWindowText(nullptr), "");
}

}  // namespace
