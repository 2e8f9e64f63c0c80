#include "platform/menu.h"

#include <string_view>

#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui/resource_text.h"

namespace pl {

MenuItem* Menu::FindItem(std::uint32_t id) {
  for (MenuPopup& p : popups) {
    for (MenuItem& item : p.items) {
      if (item.id == id) return &item;
    }
  }
  return nullptr;
}

std::unique_ptr<Menu> ParseMenu(const std::string& utf8) {
  std::string_view all = utf8, line;
  auto menu = std::make_unique<Menu>();
  while (ui::NextResourceLine(&all, &line)) {
    std::string_view rest = line;
    std::string_view keyword = ui::NextWord(&rest);
    if (keyword == "POPUP") {
      if (rest.empty()) return nullptr;
      menu->popups.push_back(MenuPopup{Utf8ToCp932(rest), {}});
    } else if (keyword == "ITEM") {
      if (menu->popups.empty()) return nullptr;
      std::uint32_t id = 0;
      // Command ids travel in the low word of WM_COMMAND's WPARAM.
      if (!ui::NextNumber(&rest, &id) || id == 0 || id > 0xFFFF || rest.empty()) {
        return nullptr;
      }
      menu->popups.back().items.push_back(MenuItem{id, Utf8ToCp932(rest), false});
    } else {
      return nullptr;
    }
  }
  if (menu->popups.empty()) return nullptr;
  return menu;
}

std::unique_ptr<Menu> LoadMenu(int id) {
  auto bytes = FindResource("MENU", std::to_string(id).c_str());
  if (bytes.empty()) return nullptr;
  return ParseMenu(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int EnableMenuItem(Menu* menu, std::uint32_t id, std::uint32_t flags) {
  if (!menu) return -1;
  MenuItem* item = menu->FindItem(id);
  if (!item) return -1;
  int previous = item->grayed ? static_cast<int>(MF_GRAYED) : static_cast<int>(MF_ENABLED);
  item->grayed = (flags & MF_GRAYED) != 0;
  return previous;
}

}  // namespace pl
