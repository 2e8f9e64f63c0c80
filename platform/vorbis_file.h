// VorbisFile: one Ogg Vorbis decoder (libvorbisfile) over a data source the
// caller reads: four functions in the manner of the C library's fread,
// fseek, fclose and ftell, and the pointer they are given. Samples come out
// as 16-bit signed little-endian PCM, interleaved when stereo. Not locked:
// its owner serialises the calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pl {

struct VorbisSource {
  void* source = nullptr;
  // Reads up to count items of size bytes; returns the items read (0 at the
  // end; 0 with errno set on an error).
  std::size_t (*read)(void* ptr, std::size_t size, std::size_t count, void* source) = nullptr;
  // SEEK_SET, SEEK_CUR or SEEK_END; 0, or -1 when it cannot.
  int (*seek)(void* source, std::int64_t offset, int whence) = nullptr;
  // Called by Clear; 0.
  int (*close)(void* source) = nullptr;
  // The position, or -1.
  long (*tell)(void* source) = nullptr;
};

class VorbisFile {
 public:
  // Read's answer for a gap in the data (a damaged or missing page); the
  // stream goes on after it.
  static constexpr long kHole = -3;

  VorbisFile();
  ~VorbisFile();
  VorbisFile(const VorbisFile&) = delete;
  VorbisFile& operator=(const VorbisFile&) = delete;

  // Starts decoding the source (no bytes read ahead by the caller); false
  // when it holds no Vorbis stream, and the source is then not closed.
  bool Open(const VorbisSource& source);
  bool IsOpen() const;
  // Whether the stream can seek (a source that seeks and a stream that
  // allows it).
  bool Seekable();
  // The format of the whole stream; false when it has none.
  bool Info(int* channels, long* rate);
  // Decodes up to `bytes` bytes into `buffer`: the bytes written, 0 at the
  // end of the stream, kHole for a gap, another negative value on an error.
  long Read(void* buffer, int bytes);
  // To the given sample of the stream; false when it cannot.
  bool PcmSeek(std::int64_t sample);
  // Ends decoding and closes the source; false when the decoder would not.
  // Nothing to do on a closed decoder.
  bool Clear();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

}  // namespace pl
