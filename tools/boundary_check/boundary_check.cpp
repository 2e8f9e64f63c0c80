// boundary_check: keeps everything above platform/ off the operating system.
//
//   boundary_check <source root> <allow-list file>
//
// Scans every source file under framework/, engine/, scene/, screens/,
// graphics/ and sound/ of the root and reports, as file:line, each use of
// what only platform/ may touch:
//   - an include that is not a standard C++ header (in its <cname> form for
//     the C ones) or a compiler intrinsic header: OS, SDL, FreeType,
//     fontconfig, iconv, FFmpeg, vorbis and any other library's headers;
//   - <filesystem>, <fstream>, std::filesystem, fopen and getenv;
//   - the backend's interface (platform/backend.h) and the backends' own
//     headers (platform/sdl/, platform/fake/);
//   - a quoted include outside the project's own folders.
// Comments and string literals are not looked at.
//
// The allow-list names the uses that are tolerated for now, one a line:
//   <file> <what>      e.g.   engine/foo.cpp <unistd.h>
//                              engine/foo.cpp fopen
// ('#' starts a comment). A use on the list is not reported; an entry that
// matches nothing is, so that the list can only shrink. The exit status is
// 0 when nothing is reported, 1 otherwise, 2 on a usage error.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kScannedFolders[] = {"framework", "engine", "scene", "screens", "graphics", "sound"};
const char* const kProjectFolders[] = {"framework", "engine", "scene", "screens", "graphics",
                                       "sound",     "platform", "resources"};

const std::set<std::string>& StandardHeaders() {
  static const std::set<std::string> headers = {
      // C++ library (C++20)
      "algorithm", "any", "array", "atomic", "barrier", "bit", "bitset", "charconv", "chrono", "compare",
      "complex", "concepts", "condition_variable", "coroutine", "deque", "exception", "execution", "format",
      "forward_list", "functional", "future", "initializer_list", "iomanip", "ios", "iosfwd", "iostream",
      "istream", "iterator", "latch", "limits", "list", "locale", "map", "memory", "memory_resource", "mutex",
      "new", "numbers", "numeric", "optional", "ostream", "queue", "random", "ranges", "ratio", "regex",
      "scoped_allocator", "semaphore", "set", "shared_mutex", "source_location", "span", "sstream", "stack",
      "stdexcept", "stop_token", "streambuf", "string", "string_view", "syncstream", "system_error", "thread",
      "tuple", "type_traits", "typeindex", "typeinfo", "unordered_map", "unordered_set", "utility", "valarray",
      "variant", "vector", "version",
      // the C library, in its C++ form
      "cassert", "cctype", "cerrno", "cfenv", "cfloat", "cinttypes", "climits", "clocale", "cmath", "csetjmp",
      "csignal", "cstdarg", "cstddef", "cstdint", "cstdio", "cstdlib", "cstring", "ctime", "cuchar", "cwchar",
      "cwctype",
      // the compiler's own: processor identification and SIMD intrinsics
      "cpuid.h", "mmintrin.h", "xmmintrin.h", "emmintrin.h", "pmmintrin.h", "tmmintrin.h", "smmintrin.h",
      "nmmintrin.h", "immintrin.h", "x86intrin.h", "arm_neon.h"};
  return headers;
}

const std::set<std::string>& CHeadersInDotHForm() {
  static const std::set<std::string> headers = {
      "assert.h", "ctype.h",  "errno.h",  "fenv.h",   "float.h",  "inttypes.h", "limits.h", "locale.h",
      "math.h",   "setjmp.h", "signal.h", "stdarg.h", "stddef.h", "stdint.h",   "stdio.h",  "stdlib.h",
      "string.h", "time.h",   "uchar.h",  "wchar.h",  "wctype.h"};
  return headers;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// What an angle-bracket include is, for the report; empty when it is allowed.
std::string ClassifySystemInclude(const std::string& header) {
  if (header == "filesystem") return "the file system outside the platform";
  if (header == "fstream") return "file streams outside the platform";
  if (StandardHeaders().count(header)) return {};
  if (StartsWith(header, "SDL")) return "an SDL header";
  if (header == "ft2build.h" || StartsWith(header, "freetype")) return "a FreeType header";
  if (StartsWith(header, "fontconfig/")) return "a fontconfig header";
  if (header == "iconv.h") return "an iconv header";
  if (StartsWith(header, "libav") || StartsWith(header, "libsw")) return "an FFmpeg header";
  if (StartsWith(header, "vorbis/") || StartsWith(header, "ogg/")) return "a vorbis header";
  if (CHeadersInDotHForm().count(header)) {
    return "a C header in its .h form, where the C library declares the OS's own extensions";
  }
  return "an OS or library header";
}

std::string ClassifyQuotedInclude(const std::string& header) {
  if (header == "platform/backend.h") return "the backend interface";
  if (StartsWith(header, "platform/sdl/")) return "the SDL backend's own header";
  if (StartsWith(header, "platform/fake/")) return "the fake backend's own header";
  for (const char* folder : kProjectFolders) {
    if (StartsWith(header, std::string(folder) + "/")) return {};
  }
  return "a header from outside the project";
}

struct Finding {
  std::string file;  // relative to the root, '/' separators
  int line = 0;
  std::string what;  // the allow-list key: "<header>", "\"header\"" or a name
  std::string why;
};

// The source with comments and the contents of string and character
// literals blanked out (newlines kept, so line numbers stay). The path of
// an #include is kept: it is what the include check reads.
std::string Blank(const std::string& src) {
  std::string out = src;
  const std::size_t n = src.size();
  std::size_t i = 0;
  bool lineStart = true;  // only spaces since the last newline
  bool inInclude = false;
  auto isIdent = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  };
  while (i < n) {
    const char c = src[i];
    if (c == '\n') {
      lineStart = true;
      inInclude = false;
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && src[i + 1] == '/') {
      while (i < n && src[i] != '\n') out[i++] = ' ';
      continue;
    }
    if (c == '/' && i + 1 < n && src[i + 1] == '*') {
      out[i] = out[i + 1] = ' ';
      i += 2;
      while (i < n && !(src[i] == '*' && i + 1 < n && src[i + 1] == '/')) {
        if (src[i] != '\n') out[i] = ' ';
        ++i;
      }
      if (i < n) {
        out[i] = out[i + 1] = ' ';
        i += 2;
      }
      continue;
    }
    if (lineStart && c == '#') {
      std::size_t j = i + 1;
      while (j < n && (src[j] == ' ' || src[j] == '\t')) ++j;
      inInclude = src.compare(j, 7, "include") == 0;
      lineStart = false;
      i = j;
      continue;
    }
    if (c == '"' && inInclude) {  // #include "path": kept as it is
      ++i;
      while (i < n && src[i] != '"' && src[i] != '\n') ++i;
      if (i < n && src[i] == '"') ++i;
      continue;
    }
    if (c == '"' && i > 0 && src[i - 1] == 'R' && (i < 2 || !isIdent(src[i - 2]) || src[i - 2] == 'u' ||
                                                    src[i - 2] == 'U' || src[i - 2] == 'L' || src[i - 2] == '8')) {
      // R"delim( ... )delim"
      std::size_t open = src.find('(', i + 1);
      if (open != std::string::npos) {
        const std::string close = ")" + src.substr(i + 1, open - i - 1) + "\"";
        std::size_t end = src.find(close, open + 1);
        end = end == std::string::npos ? n : end + close.size();
        for (std::size_t k = i + 1; k + 1 < end; ++k) {
          if (src[k] != '\n') out[k] = ' ';
        }
        i = end;
        lineStart = false;
        continue;
      }
    }
    if (c == '"' || (c == '\'' && !(i > 0 && (src[i - 1] >= '0' && src[i - 1] <= '9')))) {
      // A literal; a quote after a digit is a digit separator (1'000).
      const char q = c;
      ++i;
      while (i < n && src[i] != q && src[i] != '\n') {
        if (src[i] == '\\' && i + 1 < n && src[i + 1] != '\n') {
          out[i] = out[i + 1] = ' ';
          i += 2;
          continue;
        }
        out[i++] = ' ';
      }
      if (i < n && src[i] == q) ++i;
      lineStart = false;
      continue;
    }
    if (c != ' ' && c != '\t' && c != '\r') lineStart = false;
    ++i;
  }
  return out;
}

// Whether `name` occurs in the line as a whole identifier (or, for a
// qualified name such as std::filesystem, starting at an identifier).
bool HasName(const std::string& line, const std::string& name) {
  auto isIdent = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  };
  std::size_t at = 0;
  while ((at = line.find(name, at)) != std::string::npos) {
    const bool before = at > 0 && isIdent(line[at - 1]);
    const std::size_t end = at + name.size();
    const bool after = end < line.size() && isIdent(line[end]);
    if (!before && !after) return true;
    at = end;
  }
  return false;
}

void ScanFile(const fs::path& path, const std::string& rel, std::vector<Finding>* out) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string blanked = Blank(ss.str());
  std::istringstream lines(blanked);
  std::string line;
  int number = 0;
  static const char* const kNames[] = {"std::filesystem", "fopen", "fopen64", "freopen", "getenv",
                                       "secure_getenv"};
  while (std::getline(lines, line)) {
    ++number;
    std::size_t p = line.find_first_not_of(" \t");
    if (p != std::string::npos && line[p] == '#') {
      std::size_t q = line.find_first_not_of(" \t", p + 1);
      if (q != std::string::npos && line.compare(q, 7, "include") == 0) {
        std::size_t open = line.find_first_of("<\"", q + 7);
        if (open != std::string::npos) {
          const char closeChar = line[open] == '<' ? '>' : '"';
          const std::size_t close = line.find(closeChar, open + 1);
          if (close != std::string::npos) {
            const std::string header = line.substr(open + 1, close - open - 1);
            const std::string why =
                closeChar == '>' ? ClassifySystemInclude(header) : ClassifyQuotedInclude(header);
            if (!why.empty()) out->push_back({rel, number, line.substr(open, close - open + 1), why});
          }
        }
        continue;
      }
    }
    for (const char* name : kNames) {
      if (HasName(line, name)) out->push_back({rel, number, name, "only the platform may use it"});
    }
  }
}

bool IsSource(const fs::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".c" || ext == ".inc";
}

struct AllowEntry {
  std::string file, what;
  int line = 0;
  bool used = false;
};

bool ReadAllowList(const fs::path& path, std::vector<AllowEntry>* out) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    AllowEntry e;
    if (!(words >> e.file)) continue;
    if (!(words >> e.what)) {
      std::cerr << path.string() << ":" << number << ": an entry needs a file and what it uses\n";
      return false;
    }
    e.line = number;
    out->push_back(e);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: boundary_check <source root> <allow-list file>\n";
    return 2;
  }
  const fs::path root = argv[1];
  std::vector<AllowEntry> allowed;
  if (!ReadAllowList(argv[2], &allowed)) {
    std::cerr << "boundary_check: cannot read the allow-list " << argv[2] << "\n";
    return 2;
  }
  std::vector<Finding> findings;
  int files = 0;
  for (const char* folder : kScannedFolders) {
    const fs::path dir = root / folder;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) continue;
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      if (e.is_regular_file() && IsSource(e.path())) paths.push_back(e.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& p : paths) {
      ScanFile(p, fs::relative(p, root).generic_string(), &findings);
      ++files;
    }
  }
  if (files == 0) {
    std::cerr << "boundary_check: no sources under " << root.string() << "\n";
    return 2;
  }

  int reported = 0;
  for (const Finding& f : findings) {
    bool ok = false;
    for (AllowEntry& e : allowed) {
      if (e.file == f.file && e.what == f.what) {
        e.used = true;
        ok = true;
      }
    }
    if (ok) continue;
    std::cout << f.file << ":" << f.line << ": " << f.what << ": " << f.why << "\n";
    ++reported;
  }
  for (const AllowEntry& e : allowed) {
    if (e.used) continue;
    std::cout << fs::path(argv[2]).filename().string() << ":" << e.line << ": " << e.file << " " << e.what
              << ": allowed, but no longer used there: take the entry off the list\n";
    ++reported;
  }
  if (reported) {
    std::cout << reported << " problem(s); only platform/ may reach the operating system and the libraries "
              << "it is built on\n";
    return 1;
  }
  std::cout << files << " files above platform/ reach the system only through it ("
            << allowed.size() << " allowed use(s))\n";
  return 0;
}
