// The script loader and line reader over arbitrary text: the split, the
// macro definitions and the block scanner must end and stay inside the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/command_table.h"
#include "engine/script_loader.h"
#include "engine/value_node.h"
#include "platform/fake/fake_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pl::FakeBackend* fake = new pl::FakeBackend();
  if (size == 0) return 0;
  // The first byte picks the script mode (0 joins message lines, 2 does not).
  const int mode = (data[0] & 1) ? 2 : 0;
  // The loader always hands the splitter a NUL-terminated copy.
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  ValueList lines, labels, macros, vars;
  vars.AddText("m", "MAC");
  SplitScript(text.c_str(), mode, lines, labels, macros, &vars);
  // Reloading the same text must number it alike.
  ValueList lines2, labels2;
  SplitScript(text.c_str(), mode, lines2, labels2, macros, &vars);
  if (lines.Size() != lines2.Size()) __builtin_trap();
  for (ValueNode* n = lines.Head(); n; n = n->next) {
    const int cw = ControlWordOfLine(n->text);
    if (cw == CW_IF || cw == CW_SW || cw == CW_WH) {
      ValueNode* at = n;
      SkipBlock(at, cw, cw == CW_IF);
    }
  }
  ValueList local;
  CollectLocalLabels(lines.Head(), local);
  fake->boxes.clear();
  return 0;
}
