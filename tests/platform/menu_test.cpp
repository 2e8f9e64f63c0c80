#include "platform/menu.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/text.h"
#include "platform/ui/canvas.h"
#include "platform/ui/menu_bar_view.h"

namespace {

using pl::ui::Key;
using pl::ui::MenuBarView;
using pl::ui::MenuInput;

pl::Point Center(const pl::Rect& r) { return pl::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

TEST(MenuResource, Menu101HoldsTheGameCommandsInCp932) {
  auto menu = pl::LoadMenu(101);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->popups.size(), 2u);
  EXPECT_EQ(menu->popups[0].title, SJ("システム"));
  EXPECT_EQ(menu->popups[1].title, SJ("ヘルプ"));
  struct Expected {
    std::size_t popup, index;
    std::uint32_t id;
    const char* text;
  } expected[] = {
      {0, 0, 112, SJ("タイトルに戻る")},
      {0, 1, 113, SJ("ゲームの終了")},
      {1, 0, 111, SJ("バージョン情報 ...")},
      {1, 1, 33001, SJ("オフシャルＨＰへ")},
  };
  ASSERT_EQ(menu->popups[0].items.size(), 2u);
  ASSERT_EQ(menu->popups[1].items.size(), 2u);
  for (const Expected& e : expected) {
    const pl::MenuItem& item = menu->popups[e.popup].items[e.index];
    EXPECT_EQ(item.id, e.id);
    EXPECT_EQ(item.text, e.text);
    EXPECT_FALSE(item.grayed);
    EXPECT_EQ(menu->FindItem(e.id), &item);
  }
  EXPECT_EQ(menu->FindItem(114), nullptr);
  EXPECT_EQ(pl::LoadMenu(102), nullptr);
}

TEST(MenuResource, MalformedDescriptionsAreRefused) {
  const char* bad[] = {
      "ITEM 1 Open",                  // item before any popup
      "POPUP\nITEM 1 Open",           // popup without a title
      "POPUP File\nITEM x Open",      // id not a number
      "POPUP File\nITEM 12a Open",    // id with junk
      "POPUP File\nITEM 0 Open",      // no command has id 0
      "POPUP File\nITEM 70000 Open",  // does not fit WM_COMMAND's low word
      "POPUP File\nITEM 5",           // item without text
      "POPUP File\nSEPARATOR",        // unknown keyword
      "# only a comment\n",           // no popup at all
      "",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_EQ(pl::ParseMenu(text), nullptr);
  }
  auto ok = pl::ParseMenu("\xEF\xBB\xBF# menu\r\nPOPUP  ファイル \r\n\r\n  ITEM 7   開く (O) \r\n");
  ASSERT_NE(ok, nullptr);
  ASSERT_EQ(ok->popups.size(), 1u);
  EXPECT_EQ(ok->popups[0].title, SJ("ファイル"));
  ASSERT_EQ(ok->popups[0].items.size(), 1u);
  EXPECT_EQ(ok->popups[0].items[0].text, SJ("開く (O)"));
}

TEST(MenuResource, EnableMenuItemReportsThePreviousState) {
  auto menu = pl::LoadMenu(101);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(pl::EnableMenuItem(menu.get(), 112, pl::MF_GRAYED), static_cast<int>(pl::MF_ENABLED));
  EXPECT_TRUE(menu->FindItem(112)->grayed);
  EXPECT_EQ(pl::EnableMenuItem(menu.get(), 112, pl::MF_GRAYED), static_cast<int>(pl::MF_GRAYED));
  EXPECT_EQ(pl::EnableMenuItem(menu.get(), 112, pl::MF_ENABLED), static_cast<int>(pl::MF_GRAYED));
  EXPECT_FALSE(menu->FindItem(112)->grayed);
  EXPECT_EQ(pl::EnableMenuItem(menu.get(), 999, pl::MF_GRAYED), -1);
  EXPECT_EQ(pl::EnableMenuItem(nullptr, 112, pl::MF_GRAYED), -1);
}

class MenuBarTest : public testing::Test {
 protected:
  void SetUp() override {
    menu = pl::LoadMenu(101);
    ASSERT_NE(menu, nullptr);
    view = std::make_unique<MenuBarView>(*menu, 1024);
  }
  MenuInput Click(pl::Point p) {
    MenuInput down = view->MouseDown(p);
    MenuInput up = view->MouseUp(p);
    return up.kind == MenuInput::None ? down : up;
  }
  MenuInput ClickItem(int popup, int item) {
    view->MouseMove(Center(view->ItemRect(popup, item)));
    return Click(Center(view->ItemRect(popup, item)));
  }
  std::unique_ptr<pl::Menu> menu;
  std::unique_ptr<MenuBarView> view;
};

TEST_F(MenuBarTest, ClickingATitleThenAnItemChoosesIt) {
  struct Case {
    int popup, item;
    std::uint32_t id;
  } cases[] = {{0, 0, 112}, {0, 1, 113}, {1, 0, 111}, {1, 1, 33001}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    MenuInput opened = Click(Center(view->TitleRect(c.popup)));
    EXPECT_EQ(opened.kind, MenuInput::Opened);
    EXPECT_EQ(view->OpenPopup(), c.popup);
    MenuInput chosen = ClickItem(c.popup, c.item);
    EXPECT_EQ(chosen.kind, MenuInput::Command);
    EXPECT_EQ(chosen.id, c.id);
    EXPECT_FALSE(view->Active());
  }
}

TEST_F(MenuBarTest, PressOnATitleDragAndReleaseOnAnItemChoosesIt) {
  EXPECT_EQ(view->MouseDown(Center(view->TitleRect(1))).kind, MenuInput::Opened);
  pl::Point item = Center(view->ItemRect(1, 1));
  view->MouseMove(item);
  EXPECT_EQ(view->SelectedItem(), 1);
  MenuInput up = view->MouseUp(item);
  EXPECT_EQ(up.kind, MenuInput::Command);
  EXPECT_EQ(up.id, 33001u);
}

TEST_F(MenuBarTest, MovingAcrossTitlesSwitchesPopupsAndOutsideClicksClose) {
  Click(Center(view->TitleRect(0)));
  EXPECT_EQ(view->OpenPopup(), 0);
  EXPECT_EQ(view->MouseMove(Center(view->TitleRect(1))).kind, MenuInput::Opened);
  EXPECT_EQ(view->OpenPopup(), 1);
  // Releasing between the items, or outside, chooses nothing.
  pl::Rect popup = view->PopupRect(1);
  EXPECT_EQ(view->MouseUp(pl::Point{popup.left + 1, popup.top + 1}).kind, MenuInput::None);
  EXPECT_EQ(view->MouseUp(pl::Point{600, 400}).kind, MenuInput::None);
  EXPECT_TRUE(view->PopupOpen());
  EXPECT_EQ(view->MouseDown(pl::Point{600, 400}).kind, MenuInput::Closed);
  EXPECT_FALSE(view->Active());

  // The open title clicked again closes the menu; so does the empty bar.
  Click(Center(view->TitleRect(0)));
  EXPECT_EQ(view->MouseDown(Center(view->TitleRect(0))).kind, MenuInput::Closed);
  Click(Center(view->TitleRect(0)));
  EXPECT_EQ(view->MouseDown(pl::Point{900, 5}).kind, MenuInput::Closed);
  // Outside the menu loop a click off the titles is not the menu's.
  EXPECT_EQ(view->MouseDown(pl::Point{900, 5}).kind, MenuInput::None);
}

TEST_F(MenuBarTest, GreyedItemsCannotBeChosenByMouseOrKeyboard) {
  pl::EnableMenuItem(menu.get(), 112, pl::MF_GRAYED);
  Click(Center(view->TitleRect(0)));
  MenuInput r = ClickItem(0, 0);
  EXPECT_EQ(r.kind, MenuInput::None);
  EXPECT_TRUE(view->PopupOpen());
  EXPECT_EQ(view->SelectedItem(), -1);
  // The keyboard skips it: the only enabled item of the popup comes up.
  view->Cancel();
  view->KeyPress(Key::Alt);
  view->KeyPress(Key::Down);
  EXPECT_EQ(view->SelectedItem(), 1);
  view->KeyPress(Key::Down);
  EXPECT_EQ(view->SelectedItem(), 1);
  MenuInput chosen = view->KeyPress(Key::Enter);
  EXPECT_EQ(chosen.kind, MenuInput::Command);
  EXPECT_EQ(chosen.id, 113u);

  // Everything greyed: nothing to highlight, Enter does nothing.
  pl::EnableMenuItem(menu.get(), 113, pl::MF_GRAYED);
  view->KeyPress(Key::Alt);
  view->KeyPress(Key::Enter);
  EXPECT_TRUE(view->PopupOpen());
  EXPECT_EQ(view->SelectedItem(), -1);
  EXPECT_EQ(view->KeyPress(Key::Enter).kind, MenuInput::None);
  EXPECT_TRUE(view->PopupOpen());
}

TEST_F(MenuBarTest, KeyboardNavigatesLikeADesktopMenuBar) {
  // Keys other than Alt are not the menu's while it is idle.
  EXPECT_EQ(view->KeyPress(Key::Down).kind, MenuInput::None);
  EXPECT_FALSE(view->Active());

  EXPECT_EQ(view->KeyPress(Key::Alt).kind, MenuInput::Opened);
  EXPECT_TRUE(view->Active());
  EXPECT_FALSE(view->PopupOpen());
  EXPECT_EQ(view->HotTitle(), 0);
  view->KeyPress(Key::Right);
  EXPECT_EQ(view->HotTitle(), 1);
  view->KeyPress(Key::Right);  // wraps
  EXPECT_EQ(view->HotTitle(), 0);
  view->KeyPress(Key::Left);
  EXPECT_EQ(view->HotTitle(), 1);

  EXPECT_EQ(view->KeyPress(Key::Down).kind, MenuInput::Opened);
  EXPECT_EQ(view->OpenPopup(), 1);
  EXPECT_EQ(view->SelectedItem(), 0);
  view->KeyPress(Key::Up);  // wraps to the last item
  EXPECT_EQ(view->SelectedItem(), 1);
  EXPECT_EQ(view->KeyPress(Key::Left).kind, MenuInput::Opened);
  EXPECT_EQ(view->OpenPopup(), 0);
  EXPECT_EQ(view->SelectedItem(), 0);
  view->KeyPress(Key::Down);
  EXPECT_EQ(view->SelectedItem(), 1);

  // Escape steps back to the bar, then out of the menu.
  EXPECT_EQ(view->KeyPress(Key::Escape).kind, MenuInput::None);
  EXPECT_TRUE(view->Active());
  EXPECT_FALSE(view->PopupOpen());
  EXPECT_EQ(view->HotTitle(), 0);
  EXPECT_EQ(view->KeyPress(Key::Escape).kind, MenuInput::Closed);
  EXPECT_FALSE(view->Active());

  // Alt again while the menu is active leaves it at once.
  view->KeyPress(Key::Alt);
  view->KeyPress(Key::Enter);
  EXPECT_TRUE(view->PopupOpen());
  EXPECT_EQ(view->KeyPress(Key::Alt).kind, MenuInput::Closed);

  // Alt, Right, Enter, Down, Enter: the official site.
  view->KeyPress(Key::Alt);
  view->KeyPress(Key::Right);
  view->KeyPress(Key::Enter);
  view->KeyPress(Key::Down);
  MenuInput chosen = view->KeyPress(Key::Enter);
  EXPECT_EQ(chosen.kind, MenuInput::Command);
  EXPECT_EQ(chosen.id, 33001u);
}

TEST_F(MenuBarTest, HoverHighlightsTitlesOutsideTheMenuLoop) {
  EXPECT_TRUE(view->MouseMove(Center(view->TitleRect(1))).redraw);
  EXPECT_EQ(view->HotTitle(), 1);
  EXPECT_FALSE(view->MouseMove(Center(view->TitleRect(1))).redraw);
  EXPECT_TRUE(view->MouseMove(pl::Point{500, 300}).redraw);
  EXPECT_EQ(view->HotTitle(), -1);
  view->MouseMove(Center(view->TitleRect(0)));
  EXPECT_TRUE(view->MouseLeave().redraw);
  EXPECT_EQ(view->HotTitle(), -1);
  EXPECT_FALSE(view->Active());
}

TEST_F(MenuBarTest, PopupsStayOnTheCanvas) {
  MenuBarView narrow(*menu, 160);
  for (int i = 0; i < narrow.TitleCount(); ++i) {
    pl::Rect r = narrow.PopupRect(i);
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.right, 160);
    EXPECT_EQ(r.top, MenuBarView::kBarHeight);
  }
  // Titles follow each other along the bar.
  EXPECT_EQ(view->TitleRect(0).left, 0);
  EXPECT_EQ(view->TitleRect(1).left, view->TitleRect(0).right);
  EXPECT_EQ(view->TitleAt(Center(view->TitleRect(1))), 1);
  EXPECT_EQ(view->TitleAt(pl::Point{view->TitleRect(1).right + 5, 5}), -1);
}

// Drawing: the strip only while closed; the popup below its title with the
// highlighted item in the highlight colour; greyed text lighter than black.
class MenuDrawTest : public MenuBarTest {
 protected:
  static constexpr int kW = 400, kH = 200;
  void Redraw() {
    std::fill(pixels.begin(), pixels.end(), 0u);
    pl::ui::Canvas c{pixels.data(), kW, kH, kW};
    view->Draw(c);
  }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * kW + x)]; }
  int Darkest(const pl::Rect& r) const {
    int darkest = 255;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) darkest = std::min<int>(darkest, At(x, y) & 0xFF);
    }
    return darkest;
  }
  bool AnyOutside(const pl::Rect& keep) const {
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        if (At(x, y) != 0 && !pl::ui::Contains(keep, pl::Point{x, y})) return true;
      }
    }
    return false;
  }
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kW * kH);
};

TEST_F(MenuDrawTest, DrawsTheStripAndTheOpenPopupOnly) {
  view->SetWidth(kW);
  Redraw();
  EXPECT_FALSE(AnyOutside(pl::Rect{0, 0, kW, MenuBarView::kBarHeight}));
  EXPECT_EQ(At(kW - 1, 2), pl::ui::color::kFace);
  EXPECT_LT(Darkest(view->TitleRect(0)), 0x60);  // the title's text

  pl::EnableMenuItem(menu.get(), 112, pl::MF_GRAYED);
  view->KeyPress(Key::Alt);
  view->KeyPress(Key::Enter);
  Redraw();
  pl::Rect popup = view->PopupRect(0);
  pl::Rect withShadow{0, 0, std::max(popup.right + 3, kW), popup.bottom + 3};
  EXPECT_FALSE(AnyOutside(withShadow));
  EXPECT_FALSE(AnyOutside(pl::Rect{0, 0, kW, popup.bottom + 3}));
  for (int y = MenuBarView::kBarHeight; y < kH; ++y) EXPECT_EQ(At(popup.right + 10, y), 0u);

  pl::Rect greyed = view->ItemRect(0, 0), chosen = view->ItemRect(0, 1);
  EXPECT_EQ(view->SelectedItem(), 1);
  EXPECT_EQ(At(chosen.left + 2, chosen.top + 2), pl::ui::color::kHighlight);
  EXPECT_NE(At(greyed.left + 2, greyed.top + 2), pl::ui::color::kHighlight);
  int greyInk = Darkest(greyed);
  EXPECT_LT(greyInk, 0xC0);  // its text is there...
  EXPECT_GT(greyInk, 0x60);  // ...in grey
}

}  // namespace
