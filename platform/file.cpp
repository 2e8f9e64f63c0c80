#include "platform/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

#include "platform/backend.h"
#include "platform/text.h"

namespace pl {
namespace {

std::mutex g_FolderLock;
std::string g_ProgramFolder;  // empty: not asked for yet
std::string g_MovedSave;      // where "K:\\save" leads; empty: beside the executable

std::string ExecutablePath() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string ProgramFolderLocked() {
  if (g_ProgramFolder.empty()) {
    std::string exe = ExecutablePath();
    std::size_t slash = exe.rfind('/');
    g_ProgramFolder = slash == std::string::npos ? "." : (slash == 0 ? "/" : exe.substr(0, slash));
  }
  return g_ProgramFolder;
}

bool EqualAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// A game path split at the platform boundary: the real folder it starts
// from (taken as it is) and the components below it (matched on disk).
struct NativeParts {
  std::string base;  // "", "/" or a real folder
  std::vector<std::string> components;
};

NativeParts SplitNative(std::string_view gamePathCp932) {
  // Convert before looking at separators: the converted text has no trail
  // bytes that could equal '\\'.
  std::string utf8 = Cp932ToUtf8(gamePathCp932);
  // A lead byte cut off at the end is dropped by the conversion; keep a mark
  // of it so that the name cannot match the shorter one on disk.
  bool cut = false;
  for (std::size_t i = 0; i < gamePathCp932.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(gamePathCp932[i]))) {
      if (i + 1 == gamePathCp932.size()) cut = true;
      ++i;
    }
  }
  if (cut) utf8 += '?';
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  NativeParts parts;
  std::string movedSave;
  std::string_view rest = utf8;
  if (rest.size() >= 2 && rest[1] == ':' &&
      ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
    if (rest[0] == 'K' || rest[0] == 'k') {
      std::lock_guard<std::mutex> lock(g_FolderLock);
      parts.base = ProgramFolderLocked();
      movedSave = g_MovedSave;
      rest.remove_prefix(2);
    }
    // Another drive letter stays part of the name and so names nothing.
  } else if (!rest.empty() && rest[0] == '/') {
    parts.base = "/";
  }
  std::size_t i = 0;
  while (i < rest.size()) {
    std::size_t j = rest.find('/', i);
    if (j == std::string_view::npos) j = rest.size();
    std::string_view comp = rest.substr(i, j - i);
    // Empty components come from doubled separators ("%s\\" + "\\txt").
    if (!comp.empty() && comp != ".") parts.components.emplace_back(comp);
    i = j + 1;
  }
  if (!movedSave.empty() && !parts.components.empty() && EqualAsciiNoCase(parts.components.front(), "save")) {
    parts.base = movedSave;
    parts.components.erase(parts.components.begin());
  }
  return parts;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.empty() ? "." : path.c_str(), &st) == 0;
}

// The entry of `dir` named `name` without regard to ASCII case. When several
// differ only in case the exact one wins, else the smallest, so the choice
// does not depend on the order of the folder.
std::optional<std::string> MatchInFolder(const std::string& dir, const std::string& name) {
  if (name == "..") return Join(dir, name);
  std::string exact = Join(dir, name);
  if (Exists(exact)) return exact;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return std::nullopt;
  std::optional<std::string> best;
  while (dirent* e = ::readdir(d)) {
    std::string_view entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (EqualAsciiNoCase(entry, name) && (!best || entry < *best)) best = std::string(entry);
  }
  ::closedir(d);
  if (!best) return std::nullopt;
  return Join(dir, *best);
}

std::string Resolve(std::string_view gamePathCp932, bool keepMissing, bool* complete) {
  NativeParts parts = SplitNative(gamePathCp932);
  std::string path = parts.base;
  bool found = true;
  for (const std::string& comp : parts.components) {
    if (found) {
      if (auto hit = MatchInFolder(path, comp)) {
        path = *hit;
        continue;
      }
      found = false;
      if (!keepMissing) break;
    }
    path = Join(path, comp);
  }
  if (path.empty()) path = ".";
  *complete = found;
  return path;
}

}  // namespace

void SetProgramFolder(const std::string& realFolderUtf8) {
  std::lock_guard<std::mutex> lock(g_FolderLock);
  g_ProgramFolder = realFolderUtf8.empty() ? std::string() : realFolderUtf8;
  g_MovedSave.clear();
}

namespace {

// Whether a file can be made in the real folder: asked of the disk by
// making one, since neither the permission bits (root writes anyway) nor
// the mount options alone tell.
bool TakesFiles(const std::string& folder) {
  const std::string probe = Join(folder, ".kivzo-write-test-" + std::to_string(::getpid()));
  int fd;
  do {
    fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool PlaceSaveFolder() {
  {
    std::lock_guard<std::mutex> lock(g_FolderLock);
    g_MovedSave.clear();
  }
  const std::string beside = "K:\\save";
  if (CreateFolder(beside) && TakesFiles(MapNewPath(beside))) return true;
  Backend* backend = CurrentBackend();
  std::string program = GetProgramFolder();
  while (program.size() > 1 && program.back() == '/') program.pop_back();
  const std::size_t slash = program.rfind('/');
  std::string app = slash == std::string::npos ? program : program.substr(slash + 1);
  if (app.empty() || app == "." || app == "..") app = "kivzo";
  const std::string user = backend ? backend->UserDataFolder(app) : std::string();
  if (user.empty()) return false;
  const std::string moved = Join(user, "save");
  if (::mkdir(moved.c_str(), 0700) != 0 && errno != EEXIST) return false;
  if (!IsFolder(moved) || !TakesFiles(moved)) return false;
  std::lock_guard<std::mutex> lock(g_FolderLock);
  g_MovedSave = moved;
  return true;
}

std::string DisplayPath(std::string_view gamePathCp932) {
  if (SplitNative(gamePathCp932).base.empty()) return std::string(gamePathCp932);
  return Utf8ToCp932(MapNewPath(gamePathCp932));
}

std::string GetProgramFolder() {
  std::lock_guard<std::mutex> lock(g_FolderLock);
  return ProgramFolderLocked();
}

std::string GetModuleFileName() {
  std::string exe = ExecutablePath();
  std::size_t slash = exe.rfind('/');
  std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
  if (name.empty()) name = "kivzo";
  return "K:\\" + Utf8ToCp932(name);
}

std::string ToNativePath(std::string_view gamePathCp932) {
  NativeParts parts = SplitNative(gamePathCp932);
  std::string path = parts.base;
  for (const std::string& comp : parts.components) path = Join(path, comp);
  return path.empty() ? "." : path;
}

std::optional<std::string> FindFile(std::string_view gamePathCp932) {
  bool complete = false;
  std::string path = Resolve(gamePathCp932, false, &complete);
  if (!complete) return std::nullopt;
  return path;
}

std::string MapNewPath(std::string_view gamePathCp932) {
  bool complete = false;
  return Resolve(gamePathCp932, true, &complete);
}

bool FileExists(std::string_view gamePathCp932) {
  auto path = FindFile(gamePathCp932);
  struct stat st;
  return path && ::stat(path->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(std::string_view gamePathCp932) {
  auto path = FindFile(gamePathCp932);
  struct stat st;
  return path && ::stat(path->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool GetFileWriteTime(std::string_view gamePathCp932, FileTime* out) {
  const std::optional<std::string> path = FindFile(gamePathCp932);
  struct stat st;
  if (!path || ::stat(path->c_str(), &st) != 0) return false;
  const std::time_t seconds = st.st_mtim.tv_sec;
  std::tm tm{};
  if (!::localtime_r(&seconds, &tm)) return false;
  out->year = tm.tm_year + 1900;
  out->month = tm.tm_mon + 1;
  out->day = tm.tm_mday;
  out->hour = tm.tm_hour;
  out->minute = tm.tm_min;
  out->second = tm.tm_sec;
  out->stamp = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

bool CreateFolder(std::string_view gamePathCp932) {
  if (FolderExists(gamePathCp932)) return true;
  std::string path = MapNewPath(gamePathCp932);
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// --- File

File::~File() { Close(); }

File::File(File&& other) noexcept
    : m_nFd(other.m_nFd), m_bWritable(other.m_bWritable), m_NativePath(std::move(other.m_NativePath)) {
  other.m_nFd = -1;
  other.m_bWritable = false;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    m_nFd = other.m_nFd;
    m_bWritable = other.m_bWritable;
    m_NativePath = std::move(other.m_NativePath);
    other.m_nFd = -1;
    other.m_bWritable = false;
  }
  return *this;
}

bool File::OpenFd(const std::string& path, int flags) {
  Close();
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat st;
  // A folder opens for reading on Linux; for the game it is no file.
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  m_nFd = fd;
  m_bWritable = (flags & O_ACCMODE) != O_RDONLY;
  m_NativePath = path;
  return true;
}

bool File::OpenRead(std::string_view gamePathCp932) {
  auto path = FindFile(gamePathCp932);
  if (!path) {
    Close();
    return false;
  }
  return OpenNativeRead(*path);
}

bool File::OpenWrite(std::string_view gamePathCp932, std::uint32_t flags) {
  std::optional<std::string> path;
  if (flags & kCreate) {
    path = MapNewPath(gamePathCp932);
  } else {
    path = FindFile(gamePathCp932);
  }
  if (!path) {
    Close();
    return false;
  }
  return OpenNativeWrite(*path, flags);
}

bool File::OpenNativeRead(const std::string& path) { return OpenFd(path, O_RDONLY); }

bool File::OpenNativeWrite(const std::string& path, std::uint32_t flags) {
  int f = O_RDWR;
  if (flags & kCreate) f |= O_CREAT;
  if (flags & kTruncate) f |= O_TRUNC;
  if (flags & kWriteThrough) f |= O_DSYNC;
  return OpenFd(path, f);
}

void File::Close() {
  if (m_nFd >= 0) ::close(m_nFd);
  m_nFd = -1;
  m_bWritable = false;
  m_NativePath.clear();
}

std::int64_t File::Size() const {
  struct stat st;
  if (m_nFd < 0 || ::fstat(m_nFd, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t File::ReadAt(std::int64_t offset, void* buf, std::size_t n) const {
  if (m_nFd < 0 || offset < 0) return -1;
  auto* p = static_cast<unsigned char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(m_nFd, p + done, n - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return static_cast<std::int64_t>(done);
}

bool File::ReadExactAt(std::int64_t offset, void* buf, std::size_t n) const {
  return ReadAt(offset, buf, n) == static_cast<std::int64_t>(n);
}

bool File::WriteAt(std::int64_t offset, const void* buf, std::size_t n) {
  if (m_nFd < 0 || offset < 0 || !m_bWritable) return false;
  const auto* p = static_cast<const unsigned char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    ssize_t w = ::pwrite(m_nFd, p + done, n - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

bool File::Flush() { return m_nFd >= 0 && ::fsync(m_nFd) == 0; }

bool File::SetEnd(std::int64_t size) {
  return m_nFd >= 0 && size >= 0 && m_bWritable && ::ftruncate(m_nFd, static_cast<off_t>(size)) == 0;
}

namespace {

bool OfdLock(int fd, short type, std::int64_t offset, std::int64_t length, bool wait) {
  if (fd < 0 || offset < 0 || length < 0) return false;
  // POSIX gives length 0 the meaning "to the end of the file and beyond",
  // which would lock far more than the caller's 0 bytes.
  if (length == 0) return true;
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;  // required for OFD locks
  int rc;
  do {
    rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

bool File::Lock(std::int64_t offset, std::int64_t length, bool wait) {
  return OfdLock(m_nFd, m_bWritable ? F_WRLCK : F_RDLCK, offset, length, wait);
}

bool File::Unlock(std::int64_t offset, std::int64_t length) {
  return OfdLock(m_nFd, F_UNLCK, offset, length, false);
}

bool ReadWholeFile(std::string_view gamePathCp932, std::vector<std::uint8_t>* out, std::size_t maxBytes) {
  File f;
  if (!f.OpenRead(gamePathCp932)) return false;
  std::int64_t size = f.Size();
  if (size < 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
  out->resize(static_cast<std::size_t>(size));
  return f.ReadExactAt(0, out->data(), out->size());
}

namespace {

WriteFaultHook& FaultHook() {
  static WriteFaultHook hook;
  return hook;
}

bool StepAllowed(WriteStep step, const std::string& tempPath) {
  const WriteFaultHook& hook = FaultHook();
  return !hook || hook(step, tempPath);
}

// Folders do not open as Files, and only a flushed folder makes a rename
// durable.
bool FlushFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  int fd;
  do {
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

void SetWriteFaultHook(WriteFaultHook hook) { FaultHook() = std::move(hook); }

std::string TempPathFor(std::string_view gamePathCp932) { return MapNewPath(gamePathCp932) + ".tmp"; }

bool WriteFileReplacing(std::string_view gamePathCp932, std::span<const std::uint8_t> data) {
  const std::string target = MapNewPath(gamePathCp932);
  const std::string temp = target + ".tmp";
  const auto length = static_cast<std::int64_t>(data.size());

  File old;
  if (!StepAllowed(WriteStep::kLockTarget, temp)) return false;
  if (FileExists(gamePathCp932)) {
    if (!old.OpenNativeWrite(target, 0) || !old.Lock(0, length)) return false;
  }

  File t;
  bool ok = StepAllowed(WriteStep::kOpenTemp, temp) &&
            t.OpenNativeWrite(temp, File::kCreate | File::kTruncate | File::kWriteThrough);
  bool locked = false;
  if (ok) ok = StepAllowed(WriteStep::kLockTemp, temp) && (locked = t.Lock(0, length));
  if (ok) ok = StepAllowed(WriteStep::kWrite, temp) && t.WriteAt(0, data.data(), data.size());
  if (ok) ok = StepAllowed(WriteStep::kFlush, temp) && t.Flush();
  if (ok) ok = StepAllowed(WriteStep::kSetEnd, temp) && t.SetEnd(length);
  if (locked) t.Unlock(0, length);
  t.Close();
  if (ok) ok = StepAllowed(WriteStep::kRename, temp) && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  return StepAllowed(WriteStep::kFlushFolder, temp) && FlushFolderOf(target);
}

}  // namespace pl
