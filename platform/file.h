// Files for the whole system. Inside the engine a path is a game path: CP932
// bytes with '\\' separators, as the game's own path forms write them
// ("%s\\GRP.AOS", "%sgrp\\%s"). Only this layer turns one into a real path:
// CP932 is converted to UTF-8 first (so that a trail byte 0x5C, as in "表"
// 95 5C, is never taken for a separator), then '\\' becomes '/', then every
// component is matched against the disk without regard to ASCII case, since
// the game data was made on a case-insensitive system.
//
// The program folder is the drive "K:": "K:\\SCR.AOS" names SCR.AOS beside
// the executable, whatever the real folder's name is (it stays UTF-8 and is
// never taken for CP932). Any other path is taken from the root ("/...") or
// from the working folder, and is converted like the rest, so a real folder
// named outside ASCII must be reached through "K:".
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pl {

// The real folder (UTF-8) that the drive "K:" stands for: the executable's
// own folder unless set (tests point it at a temporary folder). Setting it
// puts "K:\\save" back beside it.
void SetProgramFolder(const std::string& realFolderUtf8);
std::string GetProgramFolder();
// The program's own path as a game path: "K:\\" and the executable's name.
std::string GetModuleFileName();

// The game's own data folder "K:\\save" (settings, variables, read marks,
// saves, exported pictures). It lies beside the executable when it is
// there or can be made there and takes files. A game installed where it
// may not write (a package's folder, another user's) keeps it in the
// player's own data folder instead, "<backend's data folder>/save" (for
// SDL "$XDG_DATA_HOME/kivzo/<the program folder's name>/save"), made when
// missing; every game path under "K:\\save" then leads there. Decided
// once at start; false when neither place can be had (it then stays
// beside the executable).
bool PlaceSaveFolder();

// A file or folder as the player knows it, for the messages that name one
// (CP932, like every message): a game path on a drive or from the root
// becomes its real path; anything else, such as an archive member's name,
// is given back as it stands.
std::string DisplayPath(std::string_view gamePathCp932);

// The game path as a real path, without looking at the disk.
std::string ToNativePath(std::string_view gamePathCp932);
// The real path of an existing file or folder named by a game path, each
// component matched without regard to case; none when a component is missing.
std::optional<std::string> FindFile(std::string_view gamePathCp932);
// For a file or folder about to be made: the components that exist are
// matched as FindFile does, the rest are kept as written.
std::string MapNewPath(std::string_view gamePathCp932);
// Whether a regular file / a folder exists under the game path.
bool FileExists(std::string_view gamePathCp932);
bool FolderExists(std::string_view gamePathCp932);
// When a file or folder was last written, in the machine's local time.
struct FileTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::int64_t stamp = 0;  // nanoseconds since 1970 (UTC), for ordering
};
// False when nothing exists under the game path.
bool GetFileWriteTime(std::string_view gamePathCp932, FileTime* out);
// Makes the folder (its parent must exist); true when it exists afterwards.
bool CreateFolder(std::string_view gamePathCp932);

// One open file description. Reads and writes are positional (pread /
// pwrite with 64-bit offsets), so threads may share one File without a
// shared file position.
class File {
 public:
  enum : std::uint32_t {
    kCreate = 1,        // make the file when it is missing
    kTruncate = 2,      // cut it to 0 bytes on opening
    kWriteThrough = 4,  // every write reaches the disk before it returns
  };

  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  // Game paths (CP932, '\\'); an earlier file is closed first.
  bool OpenRead(std::string_view gamePathCp932);
  bool OpenWrite(std::string_view gamePathCp932, std::uint32_t flags);
  // Real paths (UTF-8, '/'), for tools and tests.
  bool OpenNativeRead(const std::string& path);
  bool OpenNativeWrite(const std::string& path, std::uint32_t flags);
  void Close();

  bool IsOpen() const { return m_nFd >= 0; }
  bool IsWritable() const { return m_bWritable; }
  int Fd() const { return m_nFd; }
  const std::string& NativePath() const { return m_NativePath; }

  // Current size in bytes, -1 on error.
  std::int64_t Size() const;
  // Reads up to n bytes at offset, going on after short reads; returns the
  // bytes read (fewer than n only at the end of the file) or -1 on error.
  std::int64_t ReadAt(std::int64_t offset, void* buf, std::size_t n) const;
  // Exactly n bytes at offset, or false (end of file or error).
  bool ReadExactAt(std::int64_t offset, void* buf, std::size_t n) const;
  // Writes all n bytes at offset, or false.
  bool WriteAt(std::int64_t offset, const void* buf, std::size_t n);
  // Everything written reaches the disk (fsync).
  bool Flush();
  // Cuts or extends the file to `size` bytes.
  bool SetEnd(std::int64_t size);
  // Byte-range locks on this open description (OFD locks: they conflict
  // between two descriptions even inside one process, as the game's save
  // protocol expects). Exclusive on a file opened for writing, shared on one
  // opened for reading. Without `wait` a conflict fails at once. A range of
  // length 0 locks nothing and succeeds.
  bool Lock(std::int64_t offset, std::int64_t length, bool wait = false);
  bool Unlock(std::int64_t offset, std::int64_t length);

 private:
  bool OpenFd(const std::string& path, int flags);
  int m_nFd = -1;
  bool m_bWritable = false;
  std::string m_NativePath;
};

// Reads the whole file under the game path; false when it cannot be opened
// or read, or when it is larger than maxBytes.
bool ReadWholeFile(std::string_view gamePathCp932, std::vector<std::uint8_t>* out, std::size_t maxBytes);
// Replaces the file under the game path with `data` so that a crash or a
// power loss at any moment leaves either the old file whole or the new one,
// never a torn mix. The bytes go into the temporary file "<file>.tmp" beside
// it (write-through, locked while they are written, flushed, cut to their
// length), which is renamed over the file; then the folder is flushed, since
// only that makes the rename itself durable. The existing file's bytes are
// locked for the whole replacement, so that another process in the middle of
// a transfer of it makes the write fail before anything is touched. False
// when any step failed: the previous file is then untouched and no temporary
// file is left, except after a failed flush of the folder, when the new file
// is in place but might not survive a power loss and the caller is told so.
bool WriteFileReplacing(std::string_view gamePathCp932, std::span<const std::uint8_t> data);

// The steps of WriteFileReplacing, for the fault injection of the tests.
enum class WriteStep {
  kLockTarget,  // lock the bytes of the existing file
  kOpenTemp,
  kLockTemp,
  kWrite,
  kFlush,
  kSetEnd,
  kRename,  // the temporary file is complete and flushed; the old one is still in place
  kFlushFolder,
};
// Called before each step with the temporary file's real path; returning
// false makes that step fail. Empty (the default) lets every step run. Set
// by tests on the main thread, where the save data is written.
using WriteFaultHook = std::function<bool(WriteStep step, const std::string& tempPath)>;
void SetWriteFaultHook(WriteFaultHook hook);
// The temporary file (a real path) that replacing the file under the game
// path writes.
std::string TempPathFor(std::string_view gamePathCp932);

}  // namespace pl
