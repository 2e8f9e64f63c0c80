#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/font.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui/canvas.h"
#include "platform/ui/dialog_view.h"
#include "platform/ui/message_box_view.h"
#include "platform/ui/widgets.h"

namespace {

using pl::ui::Key;

constexpr int kW = 1024, kH = 620;
constexpr std::uint32_t kSentinel = 0x00123456;  // transparent, never drawn by the widgets

pl::Point Center(const pl::Rect& r) { return pl::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

struct TestCanvas {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kW * kH, kSentinel);
  pl::ui::Canvas canvas{pixels.data(), kW, kH, kW};
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * kW + x)]; }
  bool Dark(int x, int y) const {
    std::uint32_t p = At(x, y);
    return p != kSentinel && ((p >> 16) & 0xFF) < 0x70 && ((p >> 8) & 0xFF) < 0x70 && (p & 0xFF) < 0x70;
  }
  int CountDark(const pl::Rect& r) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += Dark(x, y);
    }
    return n;
  }
  template <typename Pred>
  int Count(const pl::Rect& r, Pred pred) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += pred(At(x, y));
    }
    return n;
  }
  int ChangedOutside(const pl::Rect& keep) const {
    int n = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) n += At(x, y) != kSentinel && !pl::ui::Contains(keep, pl::Point{x, y});
    }
    return n;
  }
};

pl::Rect Grow(const pl::Rect& r, int right, int bottom) {
  return pl::Rect{r.left, r.top, r.right + right, r.bottom + bottom};
}

struct StyleCase {
  std::uint32_t style;
  std::vector<int> ids;  // in order on the screen
  int escape;
};
const StyleCase kStyles[] = {
    {pl::MB_OK, {pl::IDOK}, pl::IDOK},
    {pl::MB_OKCANCEL, {pl::IDOK, pl::IDCANCEL}, pl::IDCANCEL},
    {pl::MB_YESNO, {pl::IDYES, pl::IDNO}, pl::IDNO},
};

TEST(MessageBoxView, EachStyleAnswersByKeyboard) {
  for (const StyleCase& s : kStyles) {
    SCOPED_TRACE(s.style);
    pl::ui::MessageBoxView box(SJ("終了してもよろしいですか？"), SJ("確認"), s.style, kW, kH);
    ASSERT_EQ(box.ButtonCount(), static_cast<int>(s.ids.size()));
    for (int i = 0; i < box.ButtonCount(); ++i) EXPECT_EQ(box.ButtonId(i), s.ids[static_cast<std::size_t>(i)]);
    EXPECT_EQ(box.FocusedButton(), 0);
    EXPECT_EQ(box.KeyPress(Key::Enter), s.ids.front());
    EXPECT_EQ(box.KeyPress(Key::Space), s.ids.front());
    EXPECT_EQ(box.KeyPress(Key::Escape), s.escape);
    EXPECT_EQ(box.CloseAnswer(), s.escape);
    // Tab walks the buttons and wraps; Left goes back.
    EXPECT_EQ(box.KeyPress(Key::Tab), 0);
    EXPECT_EQ(box.KeyPress(Key::Enter), s.ids[1 % s.ids.size()]);
    EXPECT_EQ(box.KeyPress(Key::Left), 0);
    EXPECT_EQ(box.KeyPress(Key::Enter), s.ids.front());
    EXPECT_EQ(box.KeyPress(Key::Left), 0);
    EXPECT_EQ(box.KeyPress(Key::Enter), s.ids.back());
    EXPECT_EQ(box.KeyPress(Key::Right), 0);
    EXPECT_EQ(box.FocusedButton(), 0);
    // Keys without a meaning in a box answer nothing.
    EXPECT_EQ(box.KeyPress(Key::Alt), 0);
    EXPECT_EQ(box.KeyPress(Key::Up), 0);
  }
}

TEST(MessageBoxView, EachStyleAnswersByClickingItsButtons) {
  for (const StyleCase& s : kStyles) {
    SCOPED_TRACE(s.style);
    pl::ui::MessageBoxView box(SJ("タイトルに戻ります。よろしいですか？"), SJ("確認"), s.style, kW, kH);
    pl::Rect frame = box.BoxRect();
    for (int i = 0; i < box.ButtonCount(); ++i) {
      pl::Rect r = box.ButtonRect(i);
      // Inside the box, below the text, clear of each other.
      EXPECT_GE(r.left, frame.left);
      EXPECT_LE(r.right, frame.right);
      EXPECT_LE(r.bottom, frame.bottom);
      if (i > 0) {
        EXPECT_GT(r.left, box.ButtonRect(i - 1).right);
      }
      EXPECT_EQ(box.MouseDown(Center(r)), 0);
      EXPECT_EQ(box.MouseUp(Center(r)), s.ids[static_cast<std::size_t>(i)]);
      // Its corners count too.
      EXPECT_EQ(box.MouseDown(pl::Point{r.left, r.top}), 0);
      EXPECT_EQ(box.MouseUp(pl::Point{r.right - 1, r.bottom - 1}), s.ids[static_cast<std::size_t>(i)]);
    }
    // A press that leaves the button before the release answers nothing,
    // nor does a click beside the buttons.
    pl::Rect first = box.ButtonRect(0);
    box.MouseDown(Center(first));
    box.MouseMove(pl::Point{first.left - 3, first.top});
    EXPECT_EQ(box.MouseUp(pl::Point{first.left - 3, first.top}), 0);
    EXPECT_EQ(box.MouseDown(pl::Point{first.left - 3, first.top}), 0);
    EXPECT_EQ(box.MouseUp(Center(first)), 0);
    EXPECT_EQ(box.MouseUp(Center(first)), 0);
  }
}

TEST(MessageBoxView, TextWrapsAtLineBreaksAndAtTheBoxWidth) {
  pl::ui::MessageBoxView two(
      pl::Utf8ToCp932("設定するフォントのポイント数が大きすぎます。\nポイント数を小さくしてください。"),
      SJ("CAntiFontクラス"), pl::MB_OK, kW, kH);
  ASSERT_EQ(two.Lines().size(), 2u);
  EXPECT_EQ(two.Lines()[1], U"ポイント数を小さくしてください。");

  std::string longJapanese;
  for (int i = 0; i < 20; ++i) longJapanese += "あいうえお";
  longJapanese += "。";
  pl::ui::MessageBoxView wrapped(pl::Utf8ToCp932(longJapanese), SJ("確認"), pl::MB_OK, kW, kH);
  ASSERT_GT(wrapped.Lines().size(), 1u);
  std::u32string joined;
  for (const auto& l : wrapped.Lines()) {
    EXPECT_LE(pl::ui::TextWidth(pl::ui::UiFont(), l), 440 + 16);  // a closing mark may hang
    EXPECT_NE(l.front(), U'。');
    joined += l;
  }
  EXPECT_EQ(joined, pl::Cp932ToUtf32(pl::Utf8ToCp932(longJapanese)));
  EXPECT_LT(wrapped.BoxRect().Width(), kW);

  // Latin text breaks between words.
  std::string words;
  for (int i = 0; i < 30; ++i) words += "warning ";
  auto lines = pl::ui::WrapText(pl::ui::UiFont(), pl::Cp932ToUtf32(words), 200);
  ASSERT_GT(lines.size(), 2u);
  for (const auto& l : lines) {
    EXPECT_LE(pl::ui::TextWidth(pl::ui::UiFont(), l), 200 + 8);
    EXPECT_NE(l.front(), U' ');
    EXPECT_EQ(l.substr(0, 7), U"warning");
  }
  // "\r\n" is one break.
  EXPECT_EQ(pl::ui::WrapText(pl::ui::UiFont(), U"a\r\nb", 400), (std::vector<std::u32string>{U"a", U"b"}));

  // The box grows with its text, up to its widest.
  pl::ui::MessageBoxView shortBox(SJ("はい"), SJ("確認"), pl::MB_OK, kW, kH);
  EXPECT_LT(shortBox.BoxRect().Width(), two.BoxRect().Width());
  // A text taller than the screen is cut so that the buttons stay on it.
  std::string tall;
  for (int i = 0; i < 200; ++i) tall += "line\n";
  pl::ui::MessageBoxView tallBox(tall, SJ("確認"), pl::MB_OKCANCEL, kW, 600);
  EXPECT_LE(tallBox.ButtonRect(1).bottom, 600);
  EXPECT_GE(tallBox.BoxRect().top, 0);
}

TEST(MessageBoxView, DrawsItsTextInsideItsRectangleAndNothingOutside) {
  TestCanvas tc;
  pl::ui::MessageBoxView box(SJ("ロードに失敗しました。"), SJ("エラー"), pl::MB_OK, kW, kH);
  box.Draw(tc.canvas);
  pl::Rect frame = box.BoxRect();
  // Centred over the canvas.
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - kW / 2), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - kH / 2), 1);
  EXPECT_EQ(tc.ChangedOutside(Grow(frame, 3, 3)), 0);  // the shadow takes 3 pixels
  // Text between the caption and the buttons.
  pl::Rect body{frame.left + 4, frame.top + pl::ui::kCaptionHeight + 4, frame.right - 4, box.ButtonRect(0).top - 2};
  EXPECT_GT(tc.CountDark(body), 30);
  // The caption text in white on the caption bar (no colour of the bar is
  // that light), the OK label on its button.
  pl::Rect caption{frame.left + 2, frame.top + 2, frame.right - 2, frame.top + pl::ui::kCaptionHeight};
  EXPECT_GT(tc.Count(caption, [](std::uint32_t p) { return ((p >> 16) & 0xFF) > 0xE0 && ((p >> 8) & 0xFF) > 0xE0; }),
            10);
  EXPECT_GT(tc.CountDark(box.ButtonRect(0)), 5);

  // Another text draws other pixels there.
  TestCanvas other;
  pl::ui::MessageBoxView box2(SJ("セーブに失敗しました。"), SJ("エラー"), pl::MB_OK, kW, kH);
  box2.Draw(other.canvas);
  ASSERT_EQ(box2.BoxRect().top, frame.top);
  int differ = 0;
  for (int y = body.top; y < body.bottom; ++y) {
    for (int x = body.left; x < body.right; ++x) differ += tc.At(x, y) != other.At(x, y);
  }
  EXPECT_GT(differ, 20);
}

TEST(MessageBoxView, DrawsTheIconOfItsStyle) {
  auto yellow = [](std::uint32_t p) {
    return ((p >> 16) & 0xFF) > 0xE0 && ((p >> 8) & 0xFF) > 0xB0 && (p & 0xFF) < 0x60;
  };
  auto blue = [](std::uint32_t p) {
    return ((p >> 16) & 0xFF) < 0x60 && (p & 0xFF) > 0xB0 && p != pl::ui::color::kFocus;
  };
  struct Case {
    std::uint32_t style;
    bool yellow, blue;
  } cases[] = {{pl::MB_ICONWARNING, true, false}, {pl::MB_ICONINFORMATION, false, true}, {0, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    TestCanvas tc;
    pl::ui::MessageBoxView box(SJ("警告"), SJ("警告"), pl::MB_OK | c.style, kW, kH);
    box.Draw(tc.canvas);
    pl::Rect frame = box.BoxRect();
    pl::Rect body{frame.left + 2, frame.top + pl::ui::kCaptionHeight + 2, frame.right - 2, box.ButtonRect(0).top};
    EXPECT_EQ(tc.Count(body, yellow) > 100, c.yellow);
    EXPECT_EQ(tc.Count(body, blue) > 100, c.blue);
  }
}

// The version dialog as the program embeds it.
std::string Dialog151Text() {
  auto bytes = pl::FindResource("DIALOG", "151");
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(DialogTemplate, TheVersionDialogParses) {
  auto t = pl::ParseDialogTemplate(Dialog151Text());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->caption, SJ("バージョン情報"));
  ASSERT_EQ(t->items.size(), 2u);
  EXPECT_EQ(t->items[0].kind, pl::DialogItem::Static);
  EXPECT_EQ(t->items[0].id, 1011);
  EXPECT_EQ(t->items[1].kind, pl::DialogItem::Button);
  EXPECT_EQ(t->items[1].id, 1001);
  EXPECT_EQ(t->items[1].text, "OK");
  for (const auto& item : t->items) {
    EXPECT_LE(item.rect.right, t->width);
    EXPECT_LE(item.rect.bottom, t->height);
  }
}

TEST(DialogTemplate, MalformedTemplatesAreRefused) {
  const char* bad[] = {
      "CAPTION x\nSTATIC 1 0 0 10 10 a",             // no size
      "SIZE 100\n",                                  // one number
      "SIZE 0 50\n",                                 // empty
      "SIZE 100 50 7\n",                             // junk
      "SIZE 100 50\nBUTTON 1 0 0 10 10",             // button without a label
      "SIZE 100 50\nBUTTON 0 0 0 10 10 OK",          // id 0 is no command
      "SIZE 100 50\nBUTTON 70000 0 0 10 10 OK",      // does not fit the low word
      "SIZE 100 50\nSTATIC 1 0 0 -5 10 a",           // negative width
      "SIZE 100 50\nSTATIC 1 0 0 10",                // missing height
      "SIZE 100 50\nSTATIC 1 0 0 10 99999999999 a",  // out of range
      "SIZE 100 50\nEDIT 1 0 0 10 10",               // unknown item
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_EQ(pl::ParseDialogTemplate(text), nullptr);
  }
  auto t = pl::ParseDialogTemplate("SIZE 100 50\r\n# note\r\nSTATIC -1 4 4 90 12\r\nSTATIC 5 4 20 90 12 two words\r\n");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->items[0].id, -1);
  EXPECT_EQ(t->items[0].text, "");
  EXPECT_EQ(t->items[1].text, "two words");
  EXPECT_EQ(t->items[1].rect.left, 4);
  EXPECT_EQ(t->items[1].rect.bottom, 32);
}

// The dialog procedure of the version box as the engine writes it.
pl::LRESULT VersionProc(pl::Dialog* dlg, std::uint32_t id, pl::WPARAM wParam, pl::LPARAM) {
  if (id == pl::WM_COMMAND && (pl::LoWord(wParam) == 1001 || pl::LoWord(wParam) == pl::IDCANCEL)) {
    pl::EndDialog(dlg, static_cast<std::intptr_t>(pl::LoWord(wParam)));
    return 1;
  }
  return 0;
}

class DialogViewTest : public testing::Test {
 protected:
  void SetUp() override {
    auto t = pl::ParseDialogTemplate(Dialog151Text());
    ASSERT_NE(t, nullptr);
    dlg.tmpl = *t;
    dlg.proc = VersionProc;
  }
  pl::Dialog dlg;
};

TEST_F(DialogViewTest, CommandsReachTheProcedure) {
  pl::Dialog plain;
  plain.Command(5);  // no procedure: it still ends
  EXPECT_TRUE(plain.ended);
  EXPECT_EQ(plain.result, 5);

  dlg.Command(1011);  // not a button the procedure handles
  EXPECT_FALSE(dlg.ended);
  dlg.Command(pl::IDCANCEL);
  EXPECT_TRUE(dlg.ended);
  EXPECT_EQ(dlg.result, pl::IDCANCEL);
  dlg.Command(1001);  // an ended dialog takes no more commands
  EXPECT_EQ(dlg.result, pl::IDCANCEL);
}

TEST_F(DialogViewTest, KeysAndClicksGiveTheButtonCommands) {
  pl::ui::DialogView view(dlg, kW, kH);
  EXPECT_EQ(view.FocusedItem(), 1);
  EXPECT_EQ(view.KeyPress(Key::Enter), 1001);
  EXPECT_EQ(view.KeyPress(Key::Escape), pl::IDCANCEL);
  EXPECT_EQ(view.KeyPress(Key::Tab), 0);
  EXPECT_EQ(view.KeyPress(Key::Space), 1001);
  pl::Rect button = view.ItemRect(1);
  EXPECT_EQ(view.MouseDown(Center(button)), 0);
  EXPECT_EQ(view.MouseUp(Center(button)), 1001);
  // The static text is no button.
  pl::Rect text = view.ItemRect(0);
  view.MouseDown(Center(text));
  EXPECT_EQ(view.MouseUp(Center(text)), 0);
  // Items sit inside the frame, below its caption.
  pl::Rect frame = view.BoxRect();
  EXPECT_GE(text.top, frame.top + pl::ui::kCaptionHeight);
  EXPECT_LE(button.bottom, frame.bottom);
  EXPECT_EQ(view.ItemRect(2).Width(), 0);
}

TEST_F(DialogViewTest, DrawsTheTextSetWhileItRuns) {
  pl::ui::DialogView view(dlg, kW, kH);
  TestCanvas empty;
  view.Draw(empty.canvas);
  pl::Rect text = view.ItemRect(0);
  EXPECT_EQ(empty.CountDark(text), 0);
  EXPECT_EQ(empty.ChangedOutside(Grow(view.BoxRect(), 3, 3)), 0);
  EXPECT_GT(empty.CountDark(view.ItemRect(1)), 5);  // "OK"

  pl::SetDlgItemText(&dlg, 1011, SJ("サンプルゲーム"));
  TestCanvas titled;
  view.Draw(titled.canvas);
  EXPECT_GT(titled.CountDark(text), 30);
  EXPECT_EQ(titled.ChangedOutside(Grow(view.BoxRect(), 3, 3)), 0);

  // A button label changed the same way shows too.
  pl::SetDlgItemText(&dlg, 1001, SJ("閉じる"));
  TestCanvas relabelled;
  view.Draw(relabelled.canvas);
  int differ = 0;
  pl::Rect b = view.ItemRect(1);
  for (int y = b.top; y < b.bottom; ++y) {
    for (int x = b.left; x < b.right; ++x) differ += titled.At(x, y) != relabelled.At(x, y);
  }
  EXPECT_GT(differ, 10);
}

}  // namespace
