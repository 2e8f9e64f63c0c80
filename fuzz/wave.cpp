// The RIFF wave reader on arbitrary bytes, as a loose file would give them:
// open, find the data, read it in halves, rewind and read again. Nothing may
// be read outside the file and no size in the file is trusted.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/arc.h"
#include "platform/file.h"
#include "sound/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int fd = memfd_create("wave", 0);
  if (fd < 0) return 0;
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return 0;
  }
  auto file = std::make_shared<pl::File>();
  const bool opened = file->OpenNativeRead("/proc/self/fd/" + std::to_string(fd));
  close(fd);
  if (!opened) return 0;

  CWaveFile wave;
  if (wave.Open(CArcView::WholeFile(file)) != CWaveFile::kOk) return 0;
  (void)wave.Format().IsPcm();
  if (wave.SeekData() != CWaveFile::kOk) return 0;
  std::vector<std::uint8_t> half(8192);
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 64; ++i) {
      std::uint32_t got = 0;
      wave.Read(static_cast<std::uint32_t>(i % 3), static_cast<std::uint32_t>(half.size()), half.data(), &got);
      if (got > half.size()) __builtin_trap();
      if (wave.Remaining() == 0) break;
    }
    if (wave.SeekData() != CWaveFile::kOk) __builtin_trap();  // it worked once
  }
  return 0;
}
