// COggStream: one channel's Ogg Vorbis decoder (the platform's VorbisFile),
// from a loose file or from an archive member, each read through a
// positional view of the platform's file, decoding one second at a time into
// the channel's PCM buffer. Every operation holds the stream's decoder lock, so
// the channel thread's decoding and the main thread's open and close never
// overlap.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/arc.h"
#include "framework/critical_section.h"
#include "platform/vorbis_file.h"

// Where the sound layer's boxes go (CP932 texts): shown at once on the main
// thread, handed over to it from any other.
class ISoundReporter {
 public:
  virtual ~ISoundReporter() = default;
  virtual void ReportBox(const std::string& text, const char* caption) = 0;
};

class COggStream {
 public:
  // Three seconds of 44.1 kHz stereo 16-bit.
  static constexpr std::uint32_t kPcmBytes = 529200;

  COggStream() = default;
  COggStream(const COggStream&) = delete;
  COggStream& operator=(const COggStream&) = delete;
  ~COggStream();

  // With an archive, `name` is the member's name; without one it is the
  // game path of a loose file. 0, or -1 (with the boxes of each failure).
  int Open(const char* name, CArc* archive, ISoundReporter* reporter);
  // Decodes from `start` up to one second of the stream (at most the PCM
  // buffer) and returns the offset reached; the offset unchanged at the end
  // of the stream or on a decoding error.
  int Decode(int start);
  // Back to the first sample: 1, or 0 with a box.
  int Rewind();
  // 1, or 0 when the decoder would not close. Also forgets the archive.
  int Close();

  bool IsOpen() const;
  // The stream's own format (0 when closed).
  int Rate() const;
  int Channels() const;
  const std::uint8_t* Pcm() const { return m_pPcm.get(); }
  CArc* Archive() const { return m_pArchive; }

 private:
  static std::size_t OggRead(void* ptr, std::size_t size, std::size_t count, void* source);
  static int OggSeek(void* source, std::int64_t offset, int whence);
  static int OggClose(void* source);
  static long OggTell(void* source);
  void Report(const char* text);

  mutable CCriticalSection m_Lock;
  pl::VorbisFile m_Vf;
  bool m_bOpen = false;
  CArcView m_View;  // the member, or the whole of a loose file
  CArc* m_pArchive = nullptr;
  std::unique_ptr<std::uint8_t[]> m_pPcm;
  int m_nSecond = 0;   // bytes of one second of the stream, at most kPcmBytes
  int m_nCarried = 0;  // bytes decoded past one second, kept for the next call
  int m_nRate = 0, m_nChannels = 0;
  ISoundReporter* m_pReporter = nullptr;
};
