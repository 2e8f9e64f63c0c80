// The list files of the CG gallery and of the scene-replay gallery over
// arbitrary bytes: every record taken lies inside the file, its name inside
// its 32-byte field, and the gallery's groups never outnumber its records.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "screens/cg_mode.h"
#include "screens/h_mode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> file(data, data + size);
  std::vector<CGListRecord> cg;
  int groups = 0;
  if (ParseCGList(file, &cg, &groups)) {
    if (cg.size() * kCGListRecordSize > size || groups < 0 || static_cast<std::size_t>(groups) > cg.size()) {
      __builtin_trap();
    }
    for (const CGListRecord& r : cg) {
      if (r.name.size() > 32) __builtin_trap();
    }
  }
  std::vector<HListRecord> h;
  if (ParseHList(file, &h)) {
    if (h.size() * kHListRecordSize > size) __builtin_trap();
    for (const HListRecord& r : h) {
      if (r.name.size() > 32) __builtin_trap();
    }
  }
  return 0;
}
