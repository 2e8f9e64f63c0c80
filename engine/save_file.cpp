#include "engine/save_file.h"

#include "framework/globals.h"
#include "platform/dialog.h"
#include "platform/file.h"

namespace savefile {

ReadResult ReadLocked(std::string_view gamePath, std::vector<std::uint8_t>* out, std::size_t maxBytes,
                      bool cutLonger) {
  out->clear();
  if (!pl::FileExists(gamePath)) return ReadResult::kMissing;
  pl::File f;
  if (!f.OpenRead(gamePath)) return ReadResult::kFailed;
  const std::int64_t size = f.Size();
  if (size < 0) return ReadResult::kFailed;
  std::size_t n = static_cast<std::size_t>(size);
  if (static_cast<std::uint64_t>(size) > maxBytes) {
    if (!cutLonger) return ReadResult::kFailed;
    n = maxBytes;
  }
  if (!f.Lock(0, size)) return ReadResult::kFailed;
  out->resize(n);
  const bool ok = f.ReadExactAt(0, out->data(), n);
  f.Unlock(0, size);
  if (!ok) {
    out->clear();
    return ReadResult::kFailed;
  }
  return ReadResult::kOk;
}

bool EnsureSaveFolder(const std::string& programFolder) {
  const std::string folder = programFolder + "\\save";
  return pl::FolderExists(folder) || pl::CreateFolder(folder);
}

std::string SavePath(const std::string& programFolder, std::string_view fileName) {
  return programFolder + "\\save\\" + std::string(fileName);
}

void ShowBox(const char* textCp932, const char* captionCp932) {
  pl::MessageBox(GetMainWindowHandle(), textCp932, captionCp932, pl::MB_OK);
}

}  // namespace savefile
