#include "sound/mouth_timing.h"

#include <string>

#include "framework/arc.h"
#include "framework/byte_io.h"
#include "platform/file.h"
#include "platform/time.h"

namespace {
// A timing file is the header and sixteen pairs at most; anything far
// larger is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;
}  // namespace

void CMouthTiming::Release() {
  m_Pairs.clear();
  m_bLoaded = false;
}

int CMouthTiming::SetTable(const std::uint8_t* bytes, std::size_t size) {
  Release();
  if (!bytes || size < kHeaderBytes) return 0;
  byteio::ByteReader r(bytes + kHeaderBytes, size - kHeaderBytes);
  for (int i = 0; i < kMaxPairs && r.Remaining() >= 8; ++i) {
    const std::uint32_t s = r.U32(), e = r.U32();
    m_Pairs.push_back(s);
    m_Pairs.push_back(e);
    if (s == kEndMark && e == kEndMark) break;
  }
  m_bLoaded = true;
  return 1;
}

int CMouthTiming::LoadTable(std::string_view path, std::string_view member, CArc* archive) {
  Release();
  std::vector<std::uint8_t> bytes;
  if (archive) {
    const std::int64_t size = archive->GetSize(member);
    if (size <= 0 || static_cast<std::uint64_t>(size) > kMaxFileBytes) return 0;
    bytes.resize(static_cast<std::size_t>(size));
    if (archive->Read(member, bytes.data(), bytes.size()) != size) return 0;
  } else if (!pl::ReadWholeFile(path, &bytes, kMaxFileBytes)) {
    return 0;
  }
  return SetTable(bytes.data(), bytes.size());
}

void CMouthTiming::Start() { m_dwStart = pl::TickMs(); }

bool CMouthTiming::Now(std::uint32_t* elapsedMs, const std::uint32_t** pairs, int* pairCount) const {
  if (!m_bLoaded) return false;
  if (elapsedMs) *elapsedMs = pl::TickMs() - m_dwStart;
  if (pairs) *pairs = m_Pairs.data();
  if (pairCount) *pairCount = static_cast<int>(m_Pairs.size() / 2);
  return true;
}

bool CMouthTiming::RestsAt(std::uint32_t t) const {
  if (!m_bLoaded) return false;
  std::uint32_t lastEnd = 0;
  bool any = false;
  for (std::size_t i = 0; i + 1 < m_Pairs.size(); i += 2) {
    const std::uint32_t s = m_Pairs[i], e = m_Pairs[i + 1];
    if (s == kEndMark && e == kEndMark) return any && lastEnd < t;
    if (s < t && t < e) return true;
    lastEnd = e;
    any = true;
  }
  return false;
}

CMouthTiming& MouthTiming() {
  static CMouthTiming timing;
  return timing;
}

bool MouthTimingHook(std::uint32_t* elapsedMs, const std::uint32_t** pairs, int* pairCount) {
  return MouthTiming().Now(elapsedMs, pairs, pairCount);
}
