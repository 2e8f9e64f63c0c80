// Reader of the game's ".AOS" archives ("GRP.AOS", "SCR.AOS", "BGM.AOS",
// "SE.AOS", "CV.AOS"): a 273-byte header (data base at 4, directory size at
// 8, 32-bit little-endian), then 40-byte directory entries (a name of up to
// 31 bytes NUL-terminated in 32, the member's offset from the data base, its
// size), then the members stored as they are.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file.h"

// A member seen as a stream of its own: a share of the open archive file,
// the member's 64-bit start and size, and a position of its own. Reads are
// positional, so any number of views (one per sound thread) read from one
// archive at once, and a view keeps the file open after its archive closed.
// One view is used by one thread at a time.
class CArcView {
 public:
  CArcView() = default;
  CArcView(std::shared_ptr<const pl::File> file, std::uint64_t start, std::uint64_t size);
  // The whole of a loose file as a view.
  static CArcView WholeFile(std::shared_ptr<const pl::File> file);

  bool IsValid() const { return m_pFile != nullptr; }
  std::uint64_t Size() const { return m_nSize; }
  std::uint64_t Start() const { return m_nStart; }
  std::uint64_t Tell() const { return m_nPos; }
  // Reads up to n bytes at the position and moves past them; 0 at the end,
  // -1 on a read error (or a member that the file no longer holds whole).
  std::int64_t Read(void* buf, std::size_t n);
  // SEEK_SET / SEEK_CUR / SEEK_END; false (position unchanged) outside
  // 0..Size().
  bool Seek(std::int64_t offset, int whence);
  // A read at a member offset that leaves the position alone.
  std::int64_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) const;

 private:
  std::shared_ptr<const pl::File> m_pFile;
  std::uint64_t m_nStart = 0;
  std::uint64_t m_nSize = 0;
  std::uint64_t m_nPos = 0;
};

class CArc {
 public:
  static constexpr std::size_t kHeaderSize = 273;
  static constexpr std::size_t kEntrySize = 40;
  static constexpr std::size_t kNameSize = 32;

  CArc() = default;
  ~CArc();
  CArc(const CArc&) = delete;
  CArc& operator=(const CArc&) = delete;

  // Opens the archive under a game path (CP932, '\\') and reads its
  // directory; chunkSize 0 reads in chunks of 32768 bytes. 1 / 0. Any failure
  // leaves the reader missing: no file, no directory, no path.
  int Open(const std::string& path, std::uint32_t chunkSize = 0);
  // Opens the stored path again, keeping the directory as Open read it.
  int Reopen();
  // Lets go of the file (views keep their share); directory and path stay.
  int Close();
  // Reads count bytes at a file offset in chunks; the count, or -1 for a
  // count of 0, a read error or the end of the file.
  std::int64_t ReadChunked(std::uint64_t offset, void* buffer, std::size_t count);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(m_Entries.size()); }
  // Index of the member of that name (without regard to case), or -1.
  int Find(std::string_view name);
  // The member's size, or -1 when it is not there.
  std::int64_t GetSize(std::string_view name);
  // Reads the member whole into buffer (capacity bytes). Its size, or -1
  // when it is missing, empty, larger than the capacity, not inside the
  // file, or cannot be read whole.
  std::int64_t Read(std::string_view name, void* buffer, std::size_t capacity);
  // A view of the member for a streaming reader; invalid when the member is
  // missing or not inside the file.
  CArcView Seek(std::string_view name);

  bool IsOpen() const { return m_pFile != nullptr; }
  const std::string& GetPath() const { return m_Path; }
  int GetLastHit() const { return m_nLastHit; }
  // The name of entry i (at most 31 bytes, or 32 when its NUL is missing).
  std::string_view NameAt(std::uint32_t i) const;

 private:
  struct Entry {
    char name[kNameSize];
    std::uint32_t offset;
    std::uint32_t size;
  };
  void MakeMissing();
  bool InsideFile(const Entry& e, std::uint64_t* start) const;
  int Lookup(std::string_view name) const;

  std::array<std::uint8_t, kHeaderSize> m_Header{};
  std::vector<Entry> m_Entries;
  // Entry indices by name folded to lower case, in directory order.
  std::unordered_map<std::string, std::vector<int>> m_Index;
  std::shared_ptr<pl::File> m_pFile;
  std::uint64_t m_nFileSize = 0;
  int m_nLastHit = 0;
  std::uint32_t m_nChunkSize = 0;
  std::string m_Path;
};
