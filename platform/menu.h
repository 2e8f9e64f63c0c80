// Menus: popups of items with ids, texts (CP932) and a greyed state, loaded
// from the "MENU" resources. The backend draws them as a bar above the
// client area and runs the modal menu loop.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pl {

struct MenuItem {
  std::uint32_t id = 0;
  std::string text;  // CP932
  bool grayed = false;
};

struct MenuPopup {
  std::string title;  // CP932
  std::vector<MenuItem> items;
};

struct Menu {
  std::vector<MenuPopup> popups;
  MenuItem* FindItem(std::uint32_t id);
};

// Parses a menu description: lines "POPUP <title>" and "ITEM <id> <text>"
// in UTF-8; '#' starts a comment line. Null on a malformed description.
std::unique_ptr<Menu> ParseMenu(const std::string& utf8);
// Menu resource by number; null when there is none.
std::unique_ptr<Menu> LoadMenu(int id);

enum : std::uint32_t { MF_ENABLED = 0, MF_GRAYED = 1 };
// Greys or enables an item; returns the previous state (-1 for no item).
int EnableMenuItem(Menu* menu, std::uint32_t id, std::uint32_t flags);

}  // namespace pl
