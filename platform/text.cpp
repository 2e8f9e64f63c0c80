#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace pl {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 3 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
    } else if (errno == EILSEQ) {
      // One byte that does not convert: mark it and go on.
      if (dstLeft == 0) {
        size_t used = static_cast<size_t>(dst - out.data());
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = out.size() - used;
      }
      *dst++ = '?';
      --dstLeft;
      ++src;
      --srcLeft;
    } else {
      break;  // EINVAL: incomplete character at the end
    }
  }
  out.resize(static_cast<size_t>(dst - out.data()));
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932); }
std::string Utf8ToCp932(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8); }

}  // namespace pl
