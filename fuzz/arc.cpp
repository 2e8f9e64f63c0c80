// Archive reader over an arbitrary file image: open it, then look up, size,
// read and stream every member the directory names.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/arc.h"

namespace {

// One memory-backed file, rewritten for every input, opened by its path as
// the game opens archives.
int ImageFd() {
  static int fd = ::memfd_create("fuzz_arc", MFD_CLOEXEC);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int fd = ImageFd();
  if (fd < 0 || ::ftruncate(fd, 0) != 0) return 0;
  if (size && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  CArc arc;
  if (!arc.Open(path)) {
    // A reader that failed to open must behave as missing.
    if (arc.Find("A") != -1 || arc.Reopen() != 0) __builtin_trap();
    return 0;
  }
  static std::vector<std::uint8_t> buf(1 << 20);
  const std::uint32_t count = arc.Count();
  for (std::uint32_t i = 0; i < count && i < 512; ++i) {
    std::string name(arc.NameAt(i));
    if (arc.Find(name) < 0) __builtin_trap();  // every listed name is found
    std::int64_t len = arc.GetSize(name);
    std::int64_t got = arc.Read(name, buf.data(), buf.size());
    if (got >= 0 && got != len) __builtin_trap();
    // A capacity one short must be refused.
    if (len > 0 && arc.Read(name, buf.data(), static_cast<std::size_t>(len - 1)) != -1) __builtin_trap();
    CArcView v = arc.Seek(name);
    if (v.IsValid()) {
      std::uint8_t small[64];
      v.Seek(static_cast<std::int64_t>(v.Size() / 2), SEEK_SET);
      v.Read(small, sizeof small);
      v.Seek(-1, SEEK_END);
      v.Read(small, sizeof small);
    }
  }
  arc.Find("missing.member");
  arc.Find("");
  arc.Close();
  arc.Reopen();
  return 0;
}
