// Reading the line-based texts of the menu and dialog resources: one
// keyword per line, words separated by blanks, '#' lines are comments.
#pragma once
#include <charconv>
#include <string_view>

namespace pl::ui {

inline std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Takes the next line off `all` (BOM, blanks and CR removed); false at the end.
inline bool NextResourceLine(std::string_view* all, std::string_view* line) {
  if (all->substr(0, 3) == "\xEF\xBB\xBF") all->remove_prefix(3);
  while (!all->empty()) {
    std::size_t nl = all->find('\n');
    *line = TrimBlanks(all->substr(0, nl));
    *all = nl == std::string_view::npos ? std::string_view() : all->substr(nl + 1);
    if (!line->empty() && line->front() != '#') return true;
  }
  return false;
}

// Splits off the first word; the rest keeps its inner blanks.
inline std::string_view NextWord(std::string_view* rest) {
  std::string_view s = TrimBlanks(*rest);
  std::size_t end = s.find_first_of(" \t");
  std::string_view word = s.substr(0, end);
  *rest = end == std::string_view::npos ? std::string_view() : TrimBlanks(s.substr(end));
  return word;
}

template <typename Int>
bool NextNumber(std::string_view* rest, Int* out) {
  std::string_view w = NextWord(rest);
  auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), *out);
  return !w.empty() && ec == std::errc() && end == w.data() + w.size();
}

}  // namespace pl::ui
