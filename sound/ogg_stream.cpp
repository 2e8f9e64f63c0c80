#include "sound/ogg_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/file.h"
#include "platform/text.h"

namespace {

// A damaged page makes the decoder report a hole and go on with the next
// one; a stream that is nothing but holes must still end.
constexpr int kMaxHolesInARow = 64;

}  // namespace

COggStream::~COggStream() {
  ReleaseScopedLock lock(m_Lock);
  if (m_bOpen) m_Vf.Clear();
  m_bOpen = false;
}

void COggStream::Report(const char* text) {
  if (m_pReporter) m_pReporter->ReportBox(text, SJ("エラー"));
}

// The callbacks read through the view's own position with positional reads,
// so streams of one archive on several threads never disturb each other, and
// the view refuses anything outside the member (or the loose file).
std::size_t COggStream::OggRead(void* ptr, std::size_t size, std::size_t count, void* source) {
  auto* view = static_cast<CArcView*>(source);
  errno = 0;
  if (size == 0 || count == 0) return 0;
  const std::uint64_t left = view->Size() - view->Tell();
  const std::size_t items = static_cast<std::size_t>(std::min<std::uint64_t>(count, left / size));
  if (items == 0) return 0;
  const std::int64_t got = view->Read(ptr, items * size);
  if (got < 0) {
    errno = EIO;
    return 0;
  }
  return static_cast<std::size_t>(got) / size;
}

int COggStream::OggSeek(void* source, std::int64_t offset, int whence) {
  return static_cast<CArcView*>(source)->Seek(offset, whence) ? 0 : -1;
}

int COggStream::OggClose(void*) { return 0; }  // the view keeps its file until Close

long COggStream::OggTell(void* source) { return static_cast<long>(static_cast<CArcView*>(source)->Tell()); }

int COggStream::Open(const char* name, CArc* archive, ISoundReporter* reporter) {
  ReleaseScopedLock lock(m_Lock);
  if (m_bOpen) Close();
  m_pReporter = reporter;
  if (!m_pPcm) m_pPcm = std::make_unique<std::uint8_t[]>(kPcmBytes);

  const pl::VorbisSource source = {&m_View, &COggStream::OggRead, &COggStream::OggSeek, &COggStream::OggClose,
                                   &COggStream::OggTell};
  if (archive) {
    m_View = archive->Seek(name);
    if (!m_View.IsValid()) return -1;
    m_pArchive = archive;
    if (!m_Vf.Open(source)) {
      Report(SJ("PCMデータのオープンに失敗しました。"));
      m_View = CArcView();
      m_pArchive = nullptr;
      return -1;
    }
    m_bOpen = true;
    // The view always seeks, so this cannot happen; should it, the stream
    // could neither loop nor be trusted, and is refused outright.
    if (!m_Vf.Seekable()) {
      Report(SJ("PCM情報が取得できませんでした。"));
      Close();
      return -1;
    }
  } else {
    auto file = std::make_shared<pl::File>();
    if (!file->OpenRead(name)) return -1;
    m_View = CArcView::WholeFile(std::move(file));
    if (!m_View.IsValid()) return -1;
    if (!m_Vf.Open(source)) {
      m_View = CArcView();
      Report(SJ("PCMデータのオープンに失敗しました。"));
      return -1;
    }
    m_bOpen = true;
    if (!m_Vf.Seekable()) Report(SJ("seekableではありませんでした。"));
  }

  int channels = 0;
  long rate = 0;
  if (!m_Vf.Info(&channels, &rate) || channels <= 0 || rate <= 0) {
    Report(SJ("PCM情報が取得できませんでした。"));
    Close();
    return -1;
  }
  m_nRate = static_cast<int>(rate);
  m_nChannels = channels;
  const long long second = 2LL * channels * rate;
  // The second is the stream's own; the buffer bounds it whatever the file says.
  m_nSecond = static_cast<int>(std::min<long long>(second, kPcmBytes));
  m_nCarried = 0;
  return 0;
}

int COggStream::Decode(int start) {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || start < 0) return start;
  const int second = m_nSecond;
  int at = start;
  if (m_nCarried > 0) {
    std::memmove(m_pPcm.get(), m_pPcm.get() + second, static_cast<std::size_t>(m_nCarried));
    at += m_nCarried;
    m_nCarried = 0;
  }
  int holes = 0;
  while (at < second) {
    const long got = m_Vf.Read(m_pPcm.get() + at, second - at);
    if (got == pl::VorbisFile::kHole && ++holes <= kMaxHolesInARow) continue;
    if (got <= 0) break;
    holes = 0;
    at += static_cast<int>(got);
  }
  if (at > second) m_nCarried = at - second;
  return at;
}

int COggStream::Rewind() {
  ReleaseScopedLock lock(m_Lock);
  if (!m_bOpen || !m_Vf.PcmSeek(0)) {
    Report(SJ("oggデータのシークに失敗しました。"));
    return 0;
  }
  m_nCarried = 0;
  return 1;
}

int COggStream::Close() {
  ReleaseScopedLock lock(m_Lock);
  if (m_bOpen) {
    if (!m_Vf.Clear()) {
      Report(SJ("PCMデータのクローズに失敗しました。"));
      return 0;
    }
    m_bOpen = false;
  }
  m_View = CArcView();
  m_pArchive = nullptr;
  m_nRate = m_nChannels = 0;
  m_nSecond = 0;
  m_nCarried = 0;
  if (m_pPcm) std::memset(m_pPcm.get(), 0, kPcmBytes);
  return 1;
}

bool COggStream::IsOpen() const {
  ReleaseScopedLock lock(m_Lock);
  return m_bOpen;
}

int COggStream::Rate() const {
  ReleaseScopedLock lock(m_Lock);
  return m_nRate;
}

int COggStream::Channels() const {
  ReleaseScopedLock lock(m_Lock);
  return m_nChannels;
}
