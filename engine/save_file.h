// How every save-data file ("system.dat", "global.dat", "readal.dat", the
// game slots and their thumbnails) reaches the disk and comes back.
//
// Writing keeps the old protocol (write-through, a byte-range lock around
// the bytes written, one write, flush, set the end, unlock) but does it on a
// temporary file beside the real one, which is then renamed over it and the
// folder flushed: a crash or power loss at any moment leaves either the old
// file or the new one, never a torn mix. The real file's bytes are locked for
// the whole replacement, so that a process holding a lock on it still makes
// the write fail as it always did.
//
// Reading opens the file, locks its whole length, reads it in one piece and
// unlocks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace savefile {

enum class ReadResult {
  kOk,
  kMissing,  // there is no such file
  kFailed,   // it exists but could not be opened, locked or read (or is too long)
};

// Reads the file under the game path. A file longer than `maxBytes` is read
// up to `maxBytes` when `cutLonger`, otherwise refused.
ReadResult ReadLocked(std::string_view gamePath, std::vector<std::uint8_t>* out, std::size_t maxBytes,
                      bool cutLonger = false);

// Replaces the file under the game path with `data`; false when any step
// failed, in which case the previous file is untouched.
bool WriteReplacing(std::string_view gamePath, std::span<const std::uint8_t> data);

// The steps of a write, for the fault-injection hook of the tests.
enum class WriteStep {
  kLockTarget,  // lock the bytes of the existing file
  kOpenTemp,
  kLockTemp,
  kWrite,
  kFlush,
  kSetEnd,
  kRename,      // the temporary file is complete and flushed; the old one is still in place
  kFlushFolder,
};
// Called before each step; returning false makes that step fail. Empty (the
// default) lets every step run.
using WriteFaultHook = std::function<bool(WriteStep step, const std::string& tempPath)>;
void SetWriteFaultHook(WriteFaultHook hook);

// The temporary file a write of `gamePath` uses (a real path).
std::string TempPathFor(std::string_view gamePath);

// "save" in the program folder, made when it is missing; false when it
// cannot be made.
bool EnsureSaveFolder(const std::string& programFolder);
// "%s\\save\\%s".
std::string SavePath(const std::string& programFolder, std::string_view fileName);

// The save-data boxes: OK only, owned by the main window.
void ShowBox(const char* textCp932, const char* captionCp932);

}  // namespace savefile
