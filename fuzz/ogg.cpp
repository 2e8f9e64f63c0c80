// The Ogg Vorbis source on arbitrary bytes stored as an archive member
// between two other members: open through the member callbacks, decode
// second by second, rewind, decode, close. The callbacks must never hand
// libvorbisfile a byte outside the member.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/arc.h"
#include "framework/byte_io.h"
#include "sound/ogg_stream.h"

namespace {

struct QuietReporter : ISoundReporter {
  void ReportBox(const std::string&, const char*) override {}
};

// An archive image: the 273-byte header, three 40-byte entries, then a
// sentinel member, the input, and another sentinel.
std::vector<std::uint8_t> ArchiveAround(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 273, kEntry = 40, kSentinel = 4096;
  const std::size_t dirSize = 3 * kEntry;
  const std::size_t base = kHeader + dirSize;
  std::vector<std::uint8_t> img(base + 2 * kSentinel + size, 0);
  byteio::PutLE32(img.data() + 4, static_cast<std::uint32_t>(base));
  byteio::PutLE32(img.data() + 8, static_cast<std::uint32_t>(dirSize));
  const char* names[3] = {"A.OGG", "FUZZ.OGG", "C.OGG"};
  const std::size_t offsets[3] = {0, kSentinel, kSentinel + size};
  const std::size_t sizes[3] = {kSentinel, size, kSentinel};
  for (int i = 0; i < 3; ++i) {
    std::uint8_t* e = img.data() + kHeader + i * kEntry;
    std::memcpy(e, names[i], std::strlen(names[i]));
    byteio::PutLE32(e + 32, static_cast<std::uint32_t>(offsets[i]));
    byteio::PutLE32(e + 36, static_cast<std::uint32_t>(sizes[i]));
  }
  // Sentinels that look like the start of an Ogg page, so that a read past
  // the member would feed the decoder something it tries to use.
  for (std::size_t off : {base, base + kSentinel + size}) {
    for (std::size_t i = 0; i + 4 <= kSentinel; i += 4) std::memcpy(&img[off + i], "OggS", 4);
  }
  if (size) std::memcpy(&img[base + kSentinel], data, size);
  return img;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > (1u << 18)) return 0;
  const std::vector<std::uint8_t> img = ArchiveAround(data, size);
  const int fd = memfd_create("aos", 0);
  if (fd < 0) return 0;
  const bool written = write(fd, img.data(), img.size()) == static_cast<ssize_t>(img.size());
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  CArc arc;
  const bool opened = written && arc.Open(path) == 1;
  close(fd);
  if (!opened) return 0;

  static QuietReporter reporter;
  // One source for the whole run, opened anew for each input, as a sound
  // channel keeps its source over the files it plays.
  static COggStream stream;
  if (stream.Open("fuzz.ogg", &arc, &reporter) != 0) {
    stream.Close();
    return 0;
  }
  // Three seconds a pass reach the paths a longer stream would.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 3; ++i) {
      const int n = stream.Decode(0);
      if (n < 0 || n > static_cast<int>(COggStream::kPcmBytes)) __builtin_trap();
      if (n == 0) break;
    }
    if (!stream.Rewind()) break;
  }
  stream.Close();
  return 0;
}
