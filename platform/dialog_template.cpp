#include <string_view>

#include "platform/backend.h"
#include "platform/text.h"
#include "platform/ui/resource_text.h"

namespace pl {
namespace {

// Larger than any screen the dialog can be shown on; keeps sums of
// coordinates far from overflow.
constexpr int kMaxExtent = 8192;

}  // namespace

std::unique_ptr<DialogTemplate> ParseDialogTemplate(const std::string& utf8) {
  std::string_view all = utf8, line;
  auto t = std::make_unique<DialogTemplate>();
  bool sized = false;
  while (ui::NextResourceLine(&all, &line)) {
    std::string_view rest = line;
    std::string_view keyword = ui::NextWord(&rest);
    if (keyword == "CAPTION") {
      t->caption = Utf8ToCp932(rest);
    } else if (keyword == "SIZE") {
      if (!ui::NextNumber(&rest, &t->width) || !ui::NextNumber(&rest, &t->height) || !rest.empty()) return nullptr;
      if (t->width <= 0 || t->height <= 0 || t->width > kMaxExtent || t->height > kMaxExtent) return nullptr;
      sized = true;
    } else if (keyword == "STATIC" || keyword == "BUTTON") {
      DialogItem item;
      item.kind = keyword == "STATIC" ? DialogItem::Static : DialogItem::Button;
      int x, y, w, h;
      if (!ui::NextNumber(&rest, &item.id) || !ui::NextNumber(&rest, &x) || !ui::NextNumber(&rest, &y) ||
          !ui::NextNumber(&rest, &w) || !ui::NextNumber(&rest, &h)) {
        return nullptr;
      }
      if (x < 0 || y < 0 || w <= 0 || h <= 0 || x > kMaxExtent || y > kMaxExtent || w > kMaxExtent || h > kMaxExtent) {
        return nullptr;
      }
      // A button needs a label to be told from the others, and an id that a
      // command can carry (the low word; 0 is "no command").
      if (item.kind == DialogItem::Button && (rest.empty() || item.id <= 0 || item.id > 0xFFFF)) return nullptr;
      item.rect = Rect{x, y, x + w, y + h};
      item.text = Utf8ToCp932(rest);
      t->items.push_back(std::move(item));
    } else {
      return nullptr;
    }
  }
  if (!sized) return nullptr;
  return t;
}

void Dialog::Command(int id) {
  if (ended) return;
  // Button notifications carry the control id in the low word and
  // BN_CLICKED (0) in the high word.
  WPARAM wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(id));
  if (proc) {
    proc(this, WM_COMMAND, wParam, 0);
  } else {
    // Nothing would ever end a dialog without a procedure.
    ended = true;
    result = id;
  }
}

}  // namespace pl
