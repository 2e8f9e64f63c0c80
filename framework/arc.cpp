#include "framework/arc.h"

#include <cstdio>
#include <cstring>

#include "framework/byte_io.h"
#include "framework/sjis.h"

// --- CArcView

CArcView::CArcView(std::shared_ptr<const pl::File> file, std::uint64_t start, std::uint64_t size)
    : m_pFile(std::move(file)), m_nStart(start), m_nSize(size) {}

CArcView CArcView::WholeFile(std::shared_ptr<const pl::File> file) {
  if (!file || !file->IsOpen()) return CArcView();
  std::int64_t size = file->Size();
  if (size < 0) return CArcView();
  return CArcView(std::move(file), 0, static_cast<std::uint64_t>(size));
}

std::int64_t CArcView::ReadAt(std::uint64_t offset, void* buf, std::size_t n) const {
  if (!m_pFile) return -1;
  if (offset >= m_nSize || n == 0) return 0;
  std::uint64_t left = m_nSize - offset;
  if (n > left) n = static_cast<std::size_t>(left);
  std::int64_t got = m_pFile->ReadAt(static_cast<std::int64_t>(m_nStart + offset), buf, n);
  // The member was checked against the file when the archive opened; a file
  // cut since then must not look like a shorter member.
  if (got >= 0 && static_cast<std::size_t>(got) != n) return -1;
  return got;
}

std::int64_t CArcView::Read(void* buf, std::size_t n) {
  std::int64_t got = ReadAt(m_nPos, buf, n);
  if (got > 0) m_nPos += static_cast<std::uint64_t>(got);
  return got;
}

bool CArcView::Seek(std::int64_t offset, int whence) {
  if (!m_pFile) return false;
  std::int64_t base;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<std::int64_t>(m_nPos); break;
    case SEEK_END: base = static_cast<std::int64_t>(m_nSize); break;
    default: return false;
  }
  // Sizes come from 32-bit fields, so these sums cannot overflow.
  std::int64_t to = base + offset;
  if (to < 0 || static_cast<std::uint64_t>(to) > m_nSize) return false;
  m_nPos = static_cast<std::uint64_t>(to);
  return true;
}

// --- CArc

CArc::~CArc() { MakeMissing(); }

void CArc::MakeMissing() {
  m_pFile.reset();
  m_Entries.clear();
  m_Entries.shrink_to_fit();
  m_Index.clear();
  m_Header.fill(0);
  m_nFileSize = 0;
  m_Path.clear();
}

int CArc::Open(const std::string& path, std::uint32_t chunkSize) {
  // A second Open replaces the first whole; nothing of a failed one stays,
  // so Find and Reopen see the reader as missing.
  MakeMissing();
  m_nChunkSize = chunkSize;
  auto file = std::make_shared<pl::File>();
  if (!file->OpenRead(path)) return 0;
  std::int64_t fileSize = file->Size();
  if (fileSize < static_cast<std::int64_t>(kHeaderSize)) return 0;
  m_pFile = file;
  m_nFileSize = static_cast<std::uint64_t>(fileSize);
  if (ReadChunked(0, m_Header.data(), kHeaderSize) != static_cast<std::int64_t>(kHeaderSize)) {
    MakeMissing();
    return 0;
  }
  std::uint32_t dirSize = byteio::GetLE32(m_Header.data() + 8);
  // Checked before allocating: a crafted header could ask for 4 GiB.
  if (dirSize == 0 || dirSize > m_nFileSize - kHeaderSize) {
    MakeMissing();
    return 0;
  }
  std::vector<std::uint8_t> dir(dirSize);
  if (ReadChunked(kHeaderSize, dir.data(), dirSize) != static_cast<std::int64_t>(dirSize)) {
    MakeMissing();
    return 0;
  }
  // Bytes past the last whole entry belong to no member.
  std::size_t count = dirSize / kEntrySize;
  m_Entries.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = dir.data() + i * kEntrySize;
    std::memcpy(m_Entries[i].name, p, kNameSize);
    m_Entries[i].offset = byteio::GetLE32(p + 32);
    m_Entries[i].size = byteio::GetLE32(p + 36);
    m_Index[sjis::ToLowerAscii(NameAt(static_cast<std::uint32_t>(i)))].push_back(static_cast<int>(i));
  }
  m_Path = path;
  return 1;
}

int CArc::Reopen() {
  if (m_Path.empty()) return 0;
  m_pFile.reset();
  auto file = std::make_shared<pl::File>();
  if (!file->OpenRead(m_Path)) return 0;
  std::int64_t size = file->Size();
  if (size < 0) return 0;
  m_nFileSize = static_cast<std::uint64_t>(size);
  m_pFile = std::move(file);
  return 1;
}

int CArc::Close() {
  m_pFile.reset();
  return 1;
}

std::int64_t CArc::ReadChunked(std::uint64_t offset, void* buffer, std::size_t count) {
  if (!m_pFile || count == 0) return -1;
  std::size_t chunk = m_nChunkSize ? m_nChunkSize : 32768;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    std::size_t n = count - done < chunk ? count - done : chunk;
    // A short chunk is the end of the file (ReadAt goes on after partial
    // reads): the caller must never get bytes that were not read.
    if (!m_pFile->ReadExactAt(static_cast<std::int64_t>(offset + done), out + done, n)) return -1;
    done += n;
  }
  return static_cast<std::int64_t>(count);
}

std::string_view CArc::NameAt(std::uint32_t i) const {
  if (i >= m_Entries.size()) return {};
  const char* n = m_Entries[i].name;
  return std::string_view(n, sjis::BoundedLength(n, kNameSize));
}

int CArc::Lookup(std::string_view name) const {
  const int count = static_cast<int>(m_Entries.size());
  if (count == 0) return -1;
  // The query as the C text it stands for.
  std::size_t nul = name.find('\0');
  if (nul != std::string_view::npos) name = name.substr(0, nul);
  // Only the entries equal to the query without regard to case can be
  // found by any pass; the index lists them in directory order, so the four
  // passes below give what four scans of the whole directory would.
  auto it = m_Index.find(sjis::ToLowerAscii(name));
  if (it == m_Index.end()) return -1;
  const std::vector<int>& same = it->second;
  const int start = (m_nLastHit < 0 || m_nLastHit >= count) ? 0 : m_nLastHit;
  // The prefilter of the first two passes compares the first two bytes as
  // signed values, equal or both apart by exactly 32.
  const int q0 = static_cast<signed char>(name.size() > 0 ? name[0] : 0);
  const int q1 = static_cast<signed char>(name.size() > 1 ? name[1] : 0);
  auto prefilter = [&](int i) {
    const int e0 = static_cast<signed char>(m_Entries[static_cast<std::size_t>(i)].name[0]);
    const int e1 = static_cast<signed char>(m_Entries[static_cast<std::size_t>(i)].name[1]);
    return (q0 == e0 && q1 == e1) || (q0 == e0 + 32 && q1 == e1 + 32) || (q0 + 32 == e0 && q1 + 32 == e1);
  };
  for (int i : same) {
    if (i >= start && prefilter(i)) return i;
  }
  for (int i : same) {
    if (prefilter(i)) return i;
  }
  for (int i : same) {
    if (i >= start) return i;
  }
  return same.front();
}

int CArc::Find(std::string_view name) {
  if (!m_pFile) return -1;
  int hit = Lookup(name);
  if (hit >= 0) m_nLastHit = hit;
  return hit;
}

std::int64_t CArc::GetSize(std::string_view name) {
  m_nLastHit = Find(name);
  if (m_nLastHit < 0) return -1;
  return m_Entries[static_cast<std::size_t>(m_nLastHit)].size;
}

bool CArc::InsideFile(const Entry& e, std::uint64_t* start) const {
  // 64-bit sums: base + offset passes 4 GiB in a crafted header.
  std::uint64_t s = static_cast<std::uint64_t>(byteio::GetLE32(m_Header.data() + 4)) + e.offset;
  if (s > m_nFileSize || e.size > m_nFileSize - s) return false;
  *start = s;
  return true;
}

std::int64_t CArc::Read(std::string_view name, void* buffer, std::size_t capacity) {
  m_nLastHit = Find(name);
  if (m_nLastHit < 0) return -1;
  const Entry& e = m_Entries[static_cast<std::size_t>(m_nLastHit)];
  std::uint64_t start = 0;
  if (e.size > capacity || !InsideFile(e, &start)) return -1;
  return ReadChunked(start, buffer, e.size);
}

CArcView CArc::Seek(std::string_view name) {
  m_nLastHit = Find(name);
  if (m_nLastHit < 0) return CArcView();
  const Entry& e = m_Entries[static_cast<std::size_t>(m_nLastHit)];
  std::uint64_t start = 0;
  if (!InsideFile(e, &start)) return CArcView();
  return CArcView(m_pFile, start, e.size);
}
