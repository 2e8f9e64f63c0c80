// aospack: writes a ".AOS" archive as the engine reads it: a 273-byte header
// (0, the data base, the directory size, then zeros or the archive's name),
// 40-byte directory entries (name NUL-terminated in 32 bytes, offset from the
// data base, size; 32-bit little-endian), then the members back to back.
//
//   aospack OUT.AOS [options] MEMBER...
// A MEMBER is NAME=FILE, or FILE alone (named after its file name). Names
// are written as CP932 (converted from the UTF-8 of the command line) and
// hold at most 31 bytes.
//   --list FILE        more members, one "NAME=FILE" or "FILE" a line
//   --dir FOLDER       every regular file of FOLDER, in name order
//   --label TEXT       the archive's name in the header's unused bytes
// Options for broken or unusual archives (test fixtures):
//   --base N           the data base (a gap of zeros before the members)
//   --at NAME=N        member NAME at absolute file offset N (a sparse hole
//                      before it; later members follow it)
//   --entry NAME:OFF:SIZE   an extra entry with no data of its own
//   --no-nul NAME      NAME fills all 32 name bytes (no NUL)
//   --dirsize N        write N as the directory size
//   --cut N            cut the file to N bytes at the end
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kHeaderSize = 273;
constexpr std::size_t kEntrySize = 40;
constexpr std::size_t kNameSize = 32;

struct Member {
  std::string name;  // CP932
  std::string file;  // empty: an entry without data (--entry)
  std::uint64_t offset = 0;  // from the data base
  std::uint64_t size = 0;
  long long at = -1;  // absolute file offset asked for
  bool noNul = false;
};

void Put32(std::vector<std::uint8_t>& v, std::size_t pos, std::uint32_t x) {
  for (int k = 0; k < 4; ++k) v[pos + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(x >> (8 * k));
}

bool ToCp932(const std::string& utf8, std::string* out) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = utf8;
  out->assign(in.size() * 2 + 4, '\0');
  char* src = in.data();
  std::size_t srcLeft = in.size();
  char* dst = out->data();
  std::size_t dstLeft = out->size();
  std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return false;
  out->resize(out->size() - dstLeft);
  return true;
}

bool AddMember(const std::string& spec, std::vector<Member>* members) {
  Member m;
  std::size_t eq = spec.find('=');
  std::string name;
  if (eq == std::string::npos) {
    m.file = spec;
    name = std::filesystem::path(spec).filename().string();
  } else {
    name = spec.substr(0, eq);
    m.file = spec.substr(eq + 1);
  }
  if (!ToCp932(name, &m.name)) {
    std::fprintf(stderr, "aospack: the name %s has no CP932 form\n", name.c_str());
    return false;
  }
  members->push_back(std::move(m));
  return true;
}

Member* FindMember(std::vector<Member>& members, const std::string& utf8) {
  std::string cp;
  if (!ToCp932(utf8, &cp)) return nullptr;
  for (auto& m : members) {
    if (m.name == cp) return &m;
  }
  return nullptr;
}

int Usage() {
  std::fprintf(stderr, "usage: aospack OUT.AOS [--list F] [--dir D] [--label T] [--base N] [--at NAME=N]\n"
                       "       [--entry NAME:OFF:SIZE] [--no-nul NAME] [--dirsize N] [--cut N] MEMBER...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const char* outPath = argv[1];
  std::vector<Member> members;
  std::string label;
  long long base = -1, dirsizeField = -1, cut = -1;
  std::vector<std::pair<std::string, long long>> ats;
  std::vector<std::string> noNuls;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--list") {
      const char* f = next();
      if (!f) return Usage();
      std::ifstream in(f);
      if (!in) {
        std::fprintf(stderr, "aospack: cannot read %s\n", f);
        return 1;
      }
      std::string line;
      while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!AddMember(line, &members)) return 1;
      }
    } else if (a == "--dir") {
      const char* d = next();
      if (!d) return Usage();
      std::vector<std::string> files;
      std::error_code ec;
      for (auto& e : std::filesystem::directory_iterator(d, ec)) {
        if (e.is_regular_file()) files.push_back(e.path().string());
      }
      if (ec) {
        std::fprintf(stderr, "aospack: cannot list %s\n", d);
        return 1;
      }
      std::sort(files.begin(), files.end());
      for (auto& f : files) {
        if (!AddMember(f, &members)) return 1;
      }
    } else if (a == "--label") {
      const char* t = next();
      if (!t) return Usage();
      label = t;
    } else if (a == "--base") {
      const char* t = next();
      if (!t) return Usage();
      base = std::strtoll(t, nullptr, 0);
    } else if (a == "--at") {
      const char* t = next();
      if (!t) return Usage();
      std::string s = t;
      std::size_t eq = s.rfind('=');
      if (eq == std::string::npos) return Usage();
      ats.push_back({s.substr(0, eq), std::strtoll(s.c_str() + eq + 1, nullptr, 0)});
    } else if (a == "--entry") {
      const char* t = next();
      if (!t) return Usage();
      std::string s = t;
      std::size_t c2 = s.rfind(':');
      std::size_t c1 = c2 == std::string::npos ? c2 : s.rfind(':', c2 - 1);
      if (c1 == std::string::npos || c1 == 0) return Usage();
      Member m;
      if (!ToCp932(s.substr(0, c1), &m.name)) return 1;
      m.offset = std::strtoull(s.c_str() + c1 + 1, nullptr, 0);
      m.size = std::strtoull(s.c_str() + c2 + 1, nullptr, 0);
      members.push_back(std::move(m));
    } else if (a == "--no-nul") {
      const char* t = next();
      if (!t) return Usage();
      noNuls.push_back(t);
    } else if (a == "--dirsize") {
      const char* t = next();
      if (!t) return Usage();
      dirsizeField = std::strtoll(t, nullptr, 0);
    } else if (a == "--cut") {
      const char* t = next();
      if (!t) return Usage();
      cut = std::strtoll(t, nullptr, 0);
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return Usage();
    } else if (!AddMember(a, &members)) {
      return 1;
    }
  }
  for (auto& [name, off] : ats) {
    Member* m = FindMember(members, name);
    if (!m) {
      std::fprintf(stderr, "aospack: --at names no member: %s\n", name.c_str());
      return 1;
    }
    m->at = off;
  }
  for (auto& name : noNuls) {
    Member* m = FindMember(members, name);
    if (!m) {
      std::fprintf(stderr, "aospack: --no-nul names no member: %s\n", name.c_str());
      return 1;
    }
    m->noNul = true;
  }
  for (auto& m : members) {
    std::size_t limit = m.noNul ? kNameSize : kNameSize - 1;
    if (m.name.size() > limit || (m.noNul && m.name.size() != kNameSize)) {
      std::fprintf(stderr, "aospack: member name of %zu bytes (at most %zu): %s\n", m.name.size(), kNameSize - 1,
                   m.name.c_str());
      return 1;
    }
  }

  const std::uint64_t dirSize = members.size() * kEntrySize;
  const std::uint64_t dataBase = base >= 0 ? static_cast<std::uint64_t>(base) : kHeaderSize + dirSize;
  if (dataBase > 0xFFFFFFFFull) return Usage();

  int fd = ::open(outPath, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    std::fprintf(stderr, "aospack: cannot write %s\n", outPath);
    return 1;
  }
  bool ok = true;
  auto writeAt = [&](std::uint64_t off, const void* p, std::size_t n) {
    const char* c = static_cast<const char*>(p);
    while (n > 0 && ok) {
      ssize_t w = ::pwrite(fd, c, n, static_cast<off_t>(off));
      if (w <= 0) {
        ok = false;
        break;
      }
      c += w;
      n -= static_cast<std::size_t>(w);
      off += static_cast<std::uint64_t>(w);
    }
  };
  // Members: back to back from the data base, or where --at puts them.
  std::uint64_t pos = dataBase;
  std::uint64_t end = std::max<std::uint64_t>(kHeaderSize + dirSize, dataBase);
  for (auto& m : members) {
    if (m.file.empty()) continue;
    std::ifstream in(m.file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "aospack: cannot read %s\n", m.file.c_str());
      ::close(fd);
      return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (m.at >= 0) {
      if (static_cast<std::uint64_t>(m.at) < dataBase) {
        std::fprintf(stderr, "aospack: --at before the data base\n");
        ::close(fd);
        return 1;
      }
      pos = static_cast<std::uint64_t>(m.at);
    }
    m.offset = pos - dataBase;
    m.size = bytes.size();
    if (m.offset > 0xFFFFFFFFull || m.size > 0xFFFFFFFFull) {
      std::fprintf(stderr, "aospack: %s does not fit in 32-bit fields\n", m.file.c_str());
      ::close(fd);
      return 1;
    }
    writeAt(pos, bytes.data(), bytes.size());
    pos += bytes.size();
    end = std::max(end, pos);
  }

  std::vector<std::uint8_t> head(kHeaderSize + dirSize, 0);
  Put32(head, 4, static_cast<std::uint32_t>(dataBase));
  Put32(head, 8, static_cast<std::uint32_t>(dirsizeField >= 0 ? static_cast<std::uint64_t>(dirsizeField) : dirSize));
  std::memcpy(head.data() + 12, label.data(), std::min<std::size_t>(label.size(), kHeaderSize - 12 - 1));
  for (std::size_t i = 0; i < members.size(); ++i) {
    std::uint8_t* e = head.data() + kHeaderSize + i * kEntrySize;
    std::memcpy(e, members[i].name.data(), members[i].name.size());
    Put32(head, kHeaderSize + i * kEntrySize + 32, static_cast<std::uint32_t>(members[i].offset));
    Put32(head, kHeaderSize + i * kEntrySize + 36, static_cast<std::uint32_t>(members[i].size));
  }
  writeAt(0, head.data(), head.size());
  // A trailing hole (a member placed far out with no bytes) still counts.
  if (ok && ::ftruncate(fd, static_cast<off_t>(cut >= 0 ? static_cast<std::uint64_t>(cut) : end)) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "aospack: cannot write %s\n", outPath);
    return 1;
  }
  return 0;
}
