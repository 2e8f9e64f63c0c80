#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>

#include "platform/text.h"

namespace pl {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
// Characters a face must have to count as Japanese: kana and a common kanji.
constexpr char32_t kJapaneseProbe[] = {U'あ', U'ア', U'漢'};
// Glyph caches are dropped whole past this many entries; the engine draws a
// few hundred distinct characters per face, so this is rarely reached.
constexpr std::size_t kGlyphCacheLimit = 4096;
// Vertical metrics shared by the Windows Japanese faces (units per em and
// the Windows ascent; the descent is the rest of the em).
constexpr int kMsUnitsPerEm = 256;
constexpr int kMsAscent = 220;

// UTF-8 from our own conversions or from fontconfig, so it is well formed;
// anything odd still becomes U+FFFD rather than a read past the end.
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
    if (extra == 9 || i + extra >= s.size() + (extra == 0 ? 1 : 0)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    bool ok = true;
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (t & 0x3F);
    }
    out.push_back(ok ? cp : kReplacement);
    i += ok ? extra + 1 : 1;
  }
  return out;
}

// Face names compare the way a Japanese desktop treats them: full-width
// Latin letters equal half-width ones, blanks and case do not matter
// ("ＭＳ Ｐゴシック" and "MS Pゴシック" are one face).
std::u32string NormalizeFaceName(std::string_view utf8) {
  std::u32string out;
  for (char32_t c : DecodeUtf8(utf8)) {
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    if (c == U' ' || c == 0x3000 || c == U'\t') continue;
    if (c >= U'A' && c <= U'Z') c += 32;
    out.push_back(c);
  }
  return out;
}

struct Alias {
  const char* windowsName;  // UTF-8
  const char* family;       // the installed stand-in with the same metrics
  const char* generic;      // what to fall back on when it is not installed
  bool japaneseName;        // the name a Japanese desktop lists
  bool fixedPitch;          // half-width / full-width cells
};
const Alias kAliases[] = {
    {"ＭＳ ゴシック", "IPAGothic", "sans-serif", true, true},
    {"ＭＳ Ｐゴシック", "IPAPGothic", "sans-serif", true, false},
    {"ＭＳ 明朝", "IPAMincho", "serif", true, true},
    {"ＭＳ Ｐ明朝", "IPAPMincho", "serif", true, false},
    {"MS Gothic", "IPAGothic", "sans-serif", false, true},
    {"MS PGothic", "IPAPGothic", "sans-serif", false, false},
    {"MS UI Gothic", "IPAPGothic", "sans-serif", false, false},
    {"MS Mincho", "IPAMincho", "serif", false, true},
    {"MS PMincho", "IPAPMincho", "serif", false, false},
};

const Alias* FindAlias(std::string_view utf8) {
  std::u32string key = NormalizeFaceName(utf8);
  for (const Alias& a : kAliases) {
    if (NormalizeFaceName(a.windowsName) == key) return &a;
  }
  return nullptr;
}

// A name converts to CP932 only when it survives the round trip (the
// converter marks what it cannot convert with '?').
bool StrictUtf8ToCp932(const std::string& utf8, std::string* out) {
  std::string cp = Utf8ToCp932(utf8);
  if (Cp932ToUtf8(cp) != utf8) return false;
  *out = cp;
  return true;
}

class Library {
 public:
  // Never destroyed: fonts held in statics elsewhere may outlive any
  // destruction order we could pick.
  static Library& Get() {
    static Library* lib = new Library;
    return *lib;
  }
  FT_Library ft() const { return ft_; }
  bool fcOk() const { return fcOk_; }

 private:
  Library() {
    if (FT_Init_FreeType(&ft_) != 0) ft_ = nullptr;
    fcOk_ = FcInit() == FcTrue;
    // fontconfig keeps its parsed configuration until told to let go; the
    // leak checker of the sanitizer builds would report it otherwise.
    if (fcOk_) std::atexit([] { FcFini(); });
  }
  FT_Library ft_ = nullptr;
  bool fcOk_ = false;
};

bool CharsetIsJapanese(FcPattern* p) {
  FcCharSet* cs = nullptr;
  if (FcPatternGetCharSet(p, FC_CHARSET, 0, &cs) != FcResultMatch || !cs) return false;
  for (char32_t c : kJapaneseProbe) {
    if (!FcCharSetHasChar(cs, c)) return false;
  }
  return true;
}

bool FaceIsJapanese(FT_Face face) {
  for (char32_t c : kJapaneseProbe) {
    if (FT_Get_Char_Index(face, c) == 0) return false;
  }
  return true;
}

std::string PatternString(FcPattern* p, const char* object, int n = 0) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, object, n, &s) != FcResultMatch || !s) return {};
  return reinterpret_cast<const char*>(s);
}

struct Candidate {
  std::string file, family;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  bool japanese = false;
};

// Candidates in fontconfig's order of preference for the families asked
// for, Japanese-speaking faces preferred through the language.
std::vector<Candidate> SortedCandidates(const std::vector<std::string>& families, bool bold) {
  std::vector<Candidate> out;
  if (!Library::Get().fcOk()) return out;
  FcPattern* pat = FcPatternCreate();
  for (const std::string& f : families) {
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(f.c_str()));
  }
  FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pat, FcFalse, nullptr, &result);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* f = set->fonts[i];
      Candidate c;
      c.file = PatternString(f, FC_FILE);
      if (c.file.empty()) continue;
      c.family = PatternString(f, FC_FAMILY);
      FcPatternGetInteger(f, FC_INDEX, 0, &c.index);
      FcPatternGetInteger(f, FC_WEIGHT, 0, &c.weight);
      c.japanese = CharsetIsJapanese(f);
      out.push_back(std::move(c));
    }
    FcFontSetDestroy(set);
  }
  FcPatternDestroy(pat);
  return out;
}

}  // namespace

char32_t Cp932CodeToUnicode(std::uint16_t code) {
  static std::unordered_map<std::uint16_t, char32_t> cache;
  auto it = cache.find(code);
  if (it != cache.end()) return it->second;
  char bytes[2];
  std::size_t n = 0;
  if (code > 0xFF) {
    bytes[n++] = static_cast<char>(code >> 8);
    bytes[n++] = static_cast<char>(code & 0xFF);
  } else {
    bytes[n++] = static_cast<char>(code);
  }
  char32_t cp = kReplacement;
  bool leadOk =
      n == 2 ? IsLeadByte(static_cast<unsigned char>(bytes[0])) : !IsLeadByte(static_cast<unsigned char>(bytes[0]));
  if (leadOk) {
    std::u32string u = DecodeUtf8(Cp932ToUtf8(std::string_view(bytes, n)));
    // A lone '?' back means the converter could not map the code.
    if (u.size() == 1 && !(u[0] == U'?' && !(n == 1 && bytes[0] == '?'))) cp = u[0];
  }
  cache.emplace(code, cp);
  return cp;
}

std::u32string Cp932ToUtf32(std::string_view cp932) {
  std::u32string out;
  for (std::size_t i = 0; i < cp932.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (IsLeadByte(c)) {
      if (i + 1 >= cp932.size()) {
        out.push_back(kReplacement);
        break;
      }
      out.push_back(Cp932CodeToUnicode(static_cast<std::uint16_t>(c << 8 | static_cast<unsigned char>(cp932[i + 1]))));
      ++i;
    } else {
      out.push_back(Cp932CodeToUnicode(c));
    }
  }
  return out;
}

std::string ResolveFaceAlias(std::string_view faceCp932) {
  std::string utf8 = Cp932ToUtf8(faceCp932);
  if (const Alias* a = FindAlias(utf8)) return a->family;
  return utf8;
}

struct Font::Impl {
  FT_Face face = nullptr;
  bool synthBold = false;
  std::unordered_map<char32_t, GlyphMetrics> metrics;
  std::unordered_map<char32_t, GlyphBitmap> glyphs;  // grey renders only
  ~Impl() {
    if (face) FT_Done_Face(face);
  }

  // Renders into `out`; false when FreeType fails (the glyph is then blank).
  bool RenderGlyph(char32_t cp, bool mono, GlyphBitmap* out, bool* present) {
    FT_UInt index = FT_Get_Char_Index(face, cp);
    *present = index != 0;
    FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
    if (FT_Load_Glyph(face, index, flags) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    out->advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
    out->left = slot->bitmap_left;
    out->top = slot->bitmap_top;
    out->width = w;
    out->height = h;
    out->coverage.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    int pitch = bm.pitch;
    for (int y = 0; y < h && bm.buffer; ++y) {
      const unsigned char* row = pitch >= 0 ? bm.buffer + y * pitch : bm.buffer + (h - 1 - y) * -pitch;
      std::uint8_t* dst = out->coverage.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      for (int x = 0; x < w; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
          dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
          int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
          dst[x] = static_cast<std::uint8_t>(grays == 255 ? row[x] : row[x] * 255 / grays);
        }
      }
    }
    if (synthBold) Embolden(out);
    return true;
  }

  // Bold the way the Windows font mapper fakes it for a face without a bold
  // style: the glyph overprinted one pixel to the right, the advance one
  // pixel wider.
  static void Embolden(GlyphBitmap* g) {
    g->advance += 1;
    if (g->width == 0 || g->height == 0) return;
    int w = g->width + 1;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * static_cast<std::size_t>(g->height), 0);
    for (int y = 0; y < g->height; ++y) {
      const std::uint8_t* src = g->coverage.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(g->width);
      std::uint8_t* dst = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      for (int x = 0; x < w; ++x) {
        std::uint8_t here = x < g->width ? src[x] : 0;
        std::uint8_t left = x > 0 ? src[x - 1] : 0;
        dst[x] = std::max(here, left);
      }
    }
    g->width = w;
    g->coverage = std::move(out);
  }
};

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Open(const FontSpec& spec) {
  Library& lib = Library::Get();
  if (!lib.ft()) return nullptr;
  std::string requested = Cp932ToUtf8(spec.faceCp932);
  std::vector<std::string> families;
  const Alias* alias = FindAlias(requested);
  if (const Alias* a = alias) {
    families = {a->family, a->generic};
  } else if (!requested.empty()) {
    families = {requested};
  }
  std::vector<Candidate> candidates = SortedCandidates(families, spec.bold);

  // The first candidate that really draws Japanese; fontconfig's charset
  // can claim coverage a broken file lacks, so FreeType has the last word.
  auto impl = std::make_unique<Impl>();
  const Candidate* chosen = nullptr;
  bool japanese = false;
  for (int pass = 0; pass < 2 && !impl->face; ++pass) {
    for (const Candidate& c : candidates) {
      if (pass == 0 && !c.japanese) continue;
      FT_Face face = nullptr;
      if (FT_New_Face(lib.ft(), c.file.c_str(), c.index, &face) != 0) continue;
      bool ja = FaceIsJapanese(face);
      // Bitmap-only faces cannot be scaled to the sizes asked for.
      if (!FT_IS_SCALABLE(face) || (pass == 0 && !ja)) {
        FT_Done_Face(face);
        continue;
      }
      impl->face = face;
      chosen = &c;
      japanese = ja;
      break;
    }
  }
  if (!impl->face) return nullptr;
  FT_Face face = impl->face;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);

  // Cell and em sizes from the Windows metrics of the face, as GDI maps a
  // LOGFONT height, so that text laid out for the original fits the same.
  int upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
  int winAscent = face->ascender, winDescent = -face->descender;
  int avgWidth = 0;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      winAscent = os2->usWinAscent;
      winDescent = os2->usWinDescent;
    }
    avgWidth = os2->xAvgCharWidth;
  }
  if (winAscent + winDescent <= 0) {
    winAscent = upem * 7 / 8;
    winDescent = upem - winAscent;
  }
  // A Windows face asked for by name gets that face's vertical metrics
  // (its cell is exactly its em), whatever stands in for it: text laid out
  // for the original then keeps its line heights and baselines.
  if (alias) {
    winAscent = upem * kMsAscent / kMsUnitsPerEm;
    winDescent = upem - winAscent;
  }
  double em;
  if (spec.height > 0) {
    em = static_cast<double>(spec.height) * upem / (winAscent + winDescent);
  } else if (spec.height < 0) {
    em = -static_cast<double>(spec.height);
  } else {
    em = 12.0;
  }
  em = std::clamp(em, 1.0, 1024.0);
  FT_F26Dot6 em26 = static_cast<FT_F26Dot6>(std::lround(em * 64.0));
  if (FT_Set_Char_Size(face, 0, em26, 72, 72) != 0) return nullptr;

  std::unique_ptr<Font> font(new Font(std::move(impl)));
  font->spec_ = spec;
  font->family_ = chosen->family;
  font->file_ = chosen->file;
  font->japanese_ = japanese;
  font->impl_->synthBold = spec.bold && chosen->weight < FC_WEIGHT_DEMIBOLD;
  TextMetrics& m = font->metrics_;
  double scale = em / upem;
  m.emHeight = static_cast<int>(std::lround(em));
  m.ascent = static_cast<int>(std::lround(winAscent * scale));
  m.descent = spec.height > 0 ? spec.height - m.ascent : static_cast<int>(std::lround(winDescent * scale));
  m.height = m.ascent + m.descent;
  m.internalLeading = std::max(0, m.height - m.emHeight);
  m.averageCharWidth = static_cast<int>(std::lround(avgWidth * scale));
  m.maxCharWidth = static_cast<int>(std::lround(face->max_advance_width * scale));
  if (font->impl_->synthBold) {
    m.averageCharWidth += 1;
    m.maxCharWidth += 1;
  }
  return font;
}

GlyphMetrics Font::Metrics(char32_t cp) {
  auto it = impl_->metrics.find(cp);
  if (it != impl_->metrics.end()) return it->second;
  GlyphBitmap g;
  GlyphMetrics m;
  bool present = false;
  if (impl_->RenderGlyph(cp, false, &g, &present)) {
    m.advance = g.advance;
    m.a = g.width > 0 ? g.left : 0;
    m.b = g.width;
    m.c = m.advance - m.a - m.b;
  }
  m.present = present;
  if (impl_->metrics.size() >= kGlyphCacheLimit) impl_->metrics.clear();
  impl_->metrics.emplace(cp, m);
  return m;
}

GlyphMetrics Font::MetricsCp932(std::uint16_t code) { return Metrics(Cp932CodeToUnicode(code)); }

bool Font::HasGlyph(char32_t cp) { return FT_Get_Char_Index(impl_->face, cp) != 0; }

GlyphBitmap Font::Render(char32_t cp, bool mono) {
  if (!mono) {
    auto it = impl_->glyphs.find(cp);
    if (it != impl_->glyphs.end()) return it->second;
  }
  GlyphBitmap g;
  bool present = false;
  if (!impl_->RenderGlyph(cp, mono, &g, &present)) g = GlyphBitmap{};
  if (!mono) {
    if (impl_->glyphs.size() >= kGlyphCacheLimit) impl_->glyphs.clear();
    impl_->glyphs.emplace(cp, g);
  }
  return g;
}

GlyphBitmap Font::RenderCp932(std::uint16_t code, bool mono) { return Render(Cp932CodeToUnicode(code), mono); }

int Font::TextWidth(std::u32string_view text) {
  int w = 0;
  for (char32_t c : text) w += Metrics(c).advance;
  return w;
}

int Font::TextWidthCp932(std::string_view cp932) { return TextWidth(Cp932ToUtf32(cp932)); }

std::vector<InstalledFont> ListJapaneseFonts(bool withWindowsNames) {
  std::vector<InstalledFont> out;
  if (!Library::Get().fcOk()) return out;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_SPACING, FC_CHARSET, nullptr);
  FcFontSet* set = FcFontList(nullptr, pat, os);
  std::set<std::string> seen;      // CP932 names listed
  std::set<std::string> families;  // every family name (UTF-8) of a listed face
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* f = set->fonts[i];
      if (!CharsetIsJapanese(f)) continue;
      // The Japanese name where the face has one, else its first.
      std::string name = PatternString(f, FC_FAMILY);
      for (int n = 0;; ++n) {
        std::string fam = PatternString(f, FC_FAMILY, n);
        if (fam.empty()) break;
        families.insert(fam);
        if (PatternString(f, FC_FAMILYLANG, n) == "ja") name = fam;
      }
      if (name.empty() || name[0] == '@') continue;
      int spacing = FC_PROPORTIONAL;
      FcPatternGetInteger(f, FC_SPACING, 0, &spacing);
      std::string cp;
      if (!StrictUtf8ToCp932(name, &cp) || !seen.insert(cp).second) continue;
      out.push_back({cp, spacing != FC_PROPORTIONAL});
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  if (withWindowsNames) {
    for (const Alias& a : kAliases) {
      if (!a.japaneseName || !families.count(a.family)) continue;
      std::string cp;
      if (!StrictUtf8ToCp932(a.windowsName, &cp) || !seen.insert(cp).second) continue;
      out.push_back({cp, a.fixedPitch});
    }
  }
  std::sort(out.begin(), out.end(),
            [](const InstalledFont& x, const InstalledFont& y) { return x.nameCp932 < y.nameCp932; });
  return out;
}

}  // namespace pl
