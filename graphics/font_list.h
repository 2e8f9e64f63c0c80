// The installed-font list: the Japanese faces the settings screen offers,
// as CP932 names in a fixed order, found again by exact name.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "platform/font.h"

class CFontList {
 public:
  static constexpr int kSlots = 1024;
  // Longest name kept: a face name field holds 31 bytes and its NUL.
  static constexpr std::size_t kMaxName = 31;

  // Fills the list from the installed fonts (the platform's list of
  // Japanese faces, Windows names of installed stand-ins included): the
  // fixed-pitch faces, or every face when none is fixed-pitch. Names
  // starting with "@" (vertical variants) and names too long for a face
  // field are left out; at most kSlots - 1 names are kept.
  void BuildFontList();
  // The same from a given list (tests; a platform without fontconfig).
  void BuildFontList(const std::vector<pl::InstalledFont>& fonts);

  // Index of the first name equal to `name` byte for byte, or -1.
  int FindFont(const char* name) const;
  // Copies the name at `index` into `out` (cap bytes, cut on a character
  // boundary, NUL-terminated) and returns 1; 0 when there is no such entry.
  int GetFontName(int index, char* out, std::size_t cap) const;
  int Count() const { return static_cast<int>(m_Names.size()); }
  const std::vector<std::string>& Names() const { return m_Names; }

 private:
  std::vector<std::string> m_Names;
};

// The list of the process: the one installed with SetFontList, else one of
// this file's own.
CFontList& GetFontList();
void SetFontList(CFontList* list);

// The process's list, as the settings screen and start-up call it.
inline void BuildFontList() { GetFontList().BuildFontList(); }
inline int FindFont(const char* name) { return GetFontList().FindFont(name); }
inline int GetFontName(int index, char* out, std::size_t cap) { return GetFontList().GetFontName(index, out, cap); }
