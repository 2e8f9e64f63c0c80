// The game-slot parser over arbitrary bytes: it must stay inside them and
// either refuse the slot or give one that holds its own checks; a parsed
// slot that writes again must read back as it was.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/save_slot_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SlotData slot;
  if (ParseSlot(std::span(data, size), &slot) != SlotParse::kOk) return 0;
  if (slot.cursor > slot.lineText.size() || slot.choices.size() > kSlotMaxChoices) __builtin_trap();
  if (slot.stack.empty() || slot.stack[0].name != "top" || slot.vars.size() < 3) __builtin_trap();
  if (slot.file.size() >= kSlotFileSize || !IsSafeScriptName(slot.file)) __builtin_trap();
  std::vector<std::uint8_t> bytes;
  if (EncodeSlot(slot, &bytes)) {
    SlotData back;
    if (ParseSlot(bytes, &back) != SlotParse::kOk) __builtin_trap();
  }
  return 0;
}
