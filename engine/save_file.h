// How every save-data file ("system.dat", "global.dat", "readal.dat", the
// game slots and their thumbnails) comes back from the disk, and the names
// and boxes they share. They are written by the platform's durable replace
// (pl::WriteFileReplacing): write-through, a byte-range lock around the bytes
// written, one write, flush, set the end, on a temporary file that is then
// renamed over the real one.
//
// Reading opens the file, locks its whole length, reads it in one piece and
// unlocks.
#pragma once
#include <cstddef>
#include <cstdint>
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

// "save" in the program folder, made when it is missing; false when it
// cannot be made.
bool EnsureSaveFolder(const std::string& programFolder);
// "%s\\save\\%s".
std::string SavePath(const std::string& programFolder, std::string_view fileName);

// The save-data boxes: OK only, owned by the main window.
void ShowBox(const char* textCp932, const char* captionCp932);

}  // namespace savefile
