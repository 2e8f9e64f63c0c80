#include "engine/save_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "framework/globals.h"
#include "platform/dialog.h"
#include "platform/file.h"

namespace savefile {

namespace {

WriteFaultHook& Hook() {
  static WriteFaultHook hook;
  return hook;
}

bool StepAllowed(WriteStep step, const std::string& tempPath) {
  const WriteFaultHook& hook = Hook();
  return !hook || hook(step, tempPath);
}

// The platform's files refuse folders, and only a flushed folder makes a
// rename durable. (A candidate for the platform layer: this is the one
// POSIX call above it.)
bool FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

void SetWriteFaultHook(WriteFaultHook hook) { Hook() = std::move(hook); }

std::string TempPathFor(std::string_view gamePath) { return pl::MapNewPath(gamePath) + ".tmp"; }

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

bool WriteReplacing(std::string_view gamePath, std::span<const std::uint8_t> data) {
  const std::string target = pl::MapNewPath(gamePath);
  const std::string temp = target + ".tmp";
  const auto length = static_cast<std::int64_t>(data.size());

  // Another process that holds the file's bytes locked makes the write fail
  // before anything is touched.
  pl::File old;
  if (!StepAllowed(WriteStep::kLockTarget, temp)) return false;
  if (pl::FileExists(gamePath)) {
    if (!old.OpenNativeWrite(target, 0) || !old.Lock(0, length)) return false;
  }

  pl::File t;
  bool ok = StepAllowed(WriteStep::kOpenTemp, temp) &&
            t.OpenNativeWrite(temp, pl::File::kCreate | pl::File::kTruncate | pl::File::kWriteThrough);
  bool locked = false;
  if (ok) ok = StepAllowed(WriteStep::kLockTemp, temp) && (locked = t.Lock(0, length));
  if (ok) ok = StepAllowed(WriteStep::kWrite, temp) && t.WriteAt(0, data.data(), data.size());
  if (ok) ok = StepAllowed(WriteStep::kFlush, temp) && t.Flush();
  if (ok) ok = StepAllowed(WriteStep::kSetEnd, temp) && t.SetEnd(length);
  if (locked) t.Unlock(0, length);
  t.Close();
  if (ok) {
    std::error_code ec;
    ok = StepAllowed(WriteStep::kRename, temp);
    if (ok) {
      std::filesystem::rename(temp, target, ec);
      ok = !ec;
    }
  }
  if (!ok) {
    RemoveQuietly(temp);
    return false;
  }
  // The rename itself must reach the disk for the new copy to survive.
  const std::string folder = std::filesystem::path(target).parent_path().string();
  return StepAllowed(WriteStep::kFlushFolder, temp) && FlushFolder(folder.empty() ? std::string(".") : folder);
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
