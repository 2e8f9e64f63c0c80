#include "platform/c_number.h"

#include <locale.h>

#include <cstdlib>

namespace pl {

double StrToDoubleC(const char* text) {
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return cLocale ? strtod_l(text, nullptr, cLocale) : std::strtod(text, nullptr);
}

}  // namespace pl
