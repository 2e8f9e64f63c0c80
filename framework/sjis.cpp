#include "framework/sjis.h"

#include <cstring>

namespace sjis {
namespace {

inline unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

std::size_t BoundaryAtMost(std::string_view s, std::size_t n) {
  if (n >= s.size()) return s.size();
  std::size_t i = 0;
  while (i < n) {
    std::size_t len = CharLen(s, i);
    if (i + len > n) break;
    i += len;
  }
  return i;
}

std::size_t LastCharStart(std::string_view s) {
  std::size_t i = 0, last = s.size();
  while (i < s.size()) {
    last = i;
    i += CharLen(s, i);
  }
  return last;
}

bool EndsWithChar(std::string_view s, char c) {
  if (s.empty()) return false;
  std::size_t last = LastCharStart(s);
  return last + 1 == s.size() && s[last] == c;
}

std::size_t FindChar(std::string_view s, char c, std::size_t from) {
  // Walk from the start: `from` may not be trusted to be on a boundary.
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len = CharLen(s, i);
    if (i >= from && len == 1 && s[i] == c) return i;
    i += len;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, char c) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t len = CharLen(s, i);
    if (len == 1 && s[i] == c) found = i;
    i += len;
  }
  return found;
}

std::size_t CopyBounded(char* dst, std::size_t cap, std::string_view src) {
  if (cap == 0 || dst == nullptr) return 0;
  // A NUL inside src ends the text, as it would for the C string it stands for.
  std::size_t nul = src.find('\0');
  if (nul != std::string_view::npos) src = src.substr(0, nul);
  std::size_t n = BoundaryAtMost(src, cap - 1);
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
  return n;
}

std::string CutBounded(std::string_view src, std::size_t maxBytes) {
  return std::string(src.substr(0, BoundaryAtMost(src, maxBytes)));
}

int CompareNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size()) {
    std::size_t la = CharLen(a, i), lb = CharLen(b, i);
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (la == 1) ca = FoldAscii(ca);
    if (lb == 1) cb = FoldAscii(cb);
    if (ca != cb) return ca < cb ? -1 : 1;
    // Same first byte: both are lead bytes with a trail or both single.
    if (la == 2 && lb == 2) {
      unsigned char ta = static_cast<unsigned char>(a[i + 1]);
      unsigned char tb = static_cast<unsigned char>(b[i + 1]);
      if (ta != tb) return ta < tb ? -1 : 1;
    } else if (la != lb) {
      // A lead byte cut by the end of one text: the shorter one sorts first.
      return la < lb ? -1 : 1;
    }
    i += la;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CompareNoCaseN(const char* a, const char* b, std::size_t n) {
  return CompareNoCase(std::string_view(a, BoundedLength(a, n)), std::string_view(b, BoundedLength(b, n)));
}

std::string ToLowerAscii(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t len = CharLen(out, i);
    if (len == 1) out[i] = static_cast<char>(FoldAscii(static_cast<unsigned char>(out[i])));
    i += len;
  }
  return out;
}

std::size_t BoundedLength(const char* s, std::size_t n) {
  if (s == nullptr) return 0;
  return ::strnlen(s, n);
}

}  // namespace sjis
