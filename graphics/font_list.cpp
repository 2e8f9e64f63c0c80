#include "graphics/font_list.h"

#include <cstring>

#include "framework/sjis.h"

namespace {
CFontList* g_pInstalled = nullptr;
}

void CFontList::BuildFontList() { BuildFontList(pl::ListJapaneseFonts(true)); }

void CFontList::BuildFontList(const std::vector<pl::InstalledFont>& fonts) {
  m_Names.clear();
  // Japanese fixed-pitch faces report half-width and full-width cells
  // (fontconfig's "dual"), which the platform marks as fixed pitch; a
  // system with none of them still gets a list to choose from.
  bool anyFixed = false;
  for (const pl::InstalledFont& f : fonts) anyFixed |= f.fixedPitch;
  for (const pl::InstalledFont& f : fonts) {
    if (anyFixed && !f.fixedPitch) continue;
    const std::string& name = f.nameCp932;
    if (name.empty() || name[0] == '@' || name.size() > kMaxName) continue;
    if (m_Names.size() >= kSlots - 1) break;
    m_Names.push_back(name);
  }
}

int CFontList::FindFont(const char* name) const {
  if (!name) return -1;
  for (std::size_t i = 0; i < m_Names.size(); ++i) {
    if (m_Names[i] == name) return static_cast<int>(i);
  }
  return -1;
}

int CFontList::GetFontName(int index, char* out, std::size_t cap) const {
  if (index < 0 || index >= Count()) return 0;
  sjis::CopyBounded(out, cap, m_Names[static_cast<std::size_t>(index)]);
  return 1;
}

CFontList& GetFontList() {
  if (g_pInstalled) return *g_pInstalled;
  static CFontList own;
  return own;
}

void SetFontList(CFontList* list) { g_pInstalled = list; }
