#include "platform/vorbis_file.h"

#include <vorbis/vorbisfile.h>

namespace pl {

static_assert(VorbisFile::kHole == OV_HOLE);

struct VorbisFile::Impl {
  OggVorbis_File vf{};
  VorbisSource source;
  bool open = false;

  // vorbisfile is handed these, with the Impl as its data source, so that
  // its own types stay in this file.
  static std::size_t Read(void* ptr, std::size_t size, std::size_t count, void* self) {
    const VorbisSource& s = static_cast<Impl*>(self)->source;
    return s.read(ptr, size, count, s.source);
  }
  static int Seek(void* self, ogg_int64_t offset, int whence) {
    const VorbisSource& s = static_cast<Impl*>(self)->source;
    return s.seek(s.source, static_cast<std::int64_t>(offset), whence);
  }
  static int Close(void* self) {
    const VorbisSource& s = static_cast<Impl*>(self)->source;
    return s.close ? s.close(s.source) : 0;
  }
  static long Tell(void* self) {
    const VorbisSource& s = static_cast<Impl*>(self)->source;
    return s.tell(s.source);
  }
};

VorbisFile::VorbisFile() : m_pImpl(std::make_unique<Impl>()) {}

VorbisFile::~VorbisFile() { Clear(); }

bool VorbisFile::Open(const VorbisSource& source) {
  Clear();
  if (!source.read) return false;
  Impl& d = *m_pImpl;
  d.source = source;
  // Without a seek function vorbisfile reads the stream as unseekable.
  const ov_callbacks callbacks = {&Impl::Read, source.seek ? &Impl::Seek : nullptr, &Impl::Close,
                                  source.tell ? &Impl::Tell : nullptr};
  if (ov_open_callbacks(&d, &d.vf, nullptr, 0, callbacks) < 0) {
    d.source = VorbisSource{};
    return false;
  }
  d.open = true;
  return true;
}

bool VorbisFile::IsOpen() const { return m_pImpl->open; }

bool VorbisFile::Seekable() { return m_pImpl->open && ov_seekable(&m_pImpl->vf) != 0; }

bool VorbisFile::Info(int* channels, long* rate) {
  if (!m_pImpl->open) return false;
  vorbis_info* info = ov_info(&m_pImpl->vf, -1);
  if (!info) return false;
  *channels = info->channels;
  *rate = info->rate;
  return true;
}

long VorbisFile::Read(void* buffer, int bytes) {
  if (!m_pImpl->open) return OV_EINVAL;
  // Little-endian, 16-bit words, signed.
  return ov_read(&m_pImpl->vf, static_cast<char*>(buffer), bytes, 0, 2, 1, nullptr);
}

bool VorbisFile::PcmSeek(std::int64_t sample) {
  return m_pImpl->open && ov_pcm_seek(&m_pImpl->vf, static_cast<ogg_int64_t>(sample)) == 0;
}

bool VorbisFile::Clear() {
  Impl& d = *m_pImpl;
  if (!d.open) return true;
  if (ov_clear(&d.vf) != 0) return false;
  d.open = false;
  d.source = VorbisSource{};
  return true;
}

}  // namespace pl
