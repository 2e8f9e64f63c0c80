// Fonts for the engine's text: a face found by name through fontconfig and
// rendered by FreeType, per-character metrics in the ABC form the text
// layout uses, 8-bit anti-aliased coverage of single glyphs, and the list of
// installed Japanese faces.
//
// Face names cross this interface in CP932, as the engine stores them (the
// settings keep a face name, scripts name faces). The Windows Japanese faces
// ("ＭＳ ゴシック", "MS PGothic", ...) are mapped to installed faces with the
// same metrics, and a face that cannot draw Japanese is never chosen while
// one that can is installed.
//
// Threads: main thread only. Font objects, the shared FreeType library and
// the caches behind them are not locked.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pl {

// Sizes follow the LOGFONT convention so that callers can pass their
// heights as they are: a positive height is the cell height (ascent plus
// descent, internal leading included), a negative one the character (em)
// height, 0 a default of 12 pixels em.
struct FontSpec {
  std::string faceCp932;
  int height = 0;
  bool bold = false;  // weight 700 and above; synthesised when the face has no bold
};

// What the face gives a character, in whole pixels. advance = a + b + c.
struct GlyphMetrics {
  int advance = 0;
  int a = 0;             // pen position to the black box's left edge (may be negative)
  int b = 0;             // black box width (0 for a blank)
  int c = 0;             // black box's right edge to the next pen position
  bool present = false;  // the face has a glyph for the character
};

// Coverage of one glyph's black box: `width` x `height` bytes, rows top-down
// (row stride = width), 0 empty to 255 full. The box's top-left pixel lies
// `left` pixels right of the pen and `top` pixels above the baseline.
struct GlyphBitmap {
  int width = 0, height = 0;
  int left = 0, top = 0;
  int advance = 0;
  std::vector<std::uint8_t> coverage;
};

struct TextMetrics {
  int ascent = 0;           // baseline to the cell top
  int descent = 0;          // baseline to the cell bottom
  int height = 0;           // ascent + descent: the cell, one line without spacing
  int internalLeading = 0;  // height - em
  int emHeight = 0;
  int averageCharWidth = 0;
  int maxCharWidth = 0;
};

class Font {
 public:
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Opens the best installed face for what is asked. Null only when no usable
  // face is installed at all.
  static std::unique_ptr<Font> Open(const FontSpec& spec);

  // The face actually used, as fontconfig names it (UTF-8), and its file.
  const std::string& family() const { return family_; }
  const std::string& file() const { return file_; }
  // Whether the face draws Japanese (false only when no installed face does).
  bool coversJapanese() const { return japanese_; }
  const FontSpec& spec() const { return spec_; }
  const TextMetrics& metrics() const { return metrics_; }

  // One CP932 character: `code` is the byte for a one-byte character, or
  // lead * 256 + trail for a two-byte one. A code that is no character
  // measures and draws like the face's missing glyph.
  GlyphMetrics MetricsCp932(std::uint16_t code);
  GlyphMetrics Metrics(char32_t codePoint);
  bool HasGlyph(char32_t codePoint);

  // Grey (or, with `mono`, two-level 0/255) coverage of a character.
  GlyphBitmap RenderCp932(std::uint16_t code, bool mono = false);
  GlyphBitmap Render(char32_t codePoint, bool mono = false);

  // Width in pixels of a run of text: the sum of the advances.
  int TextWidthCp932(std::string_view cp932);
  int TextWidth(std::u32string_view text);

 private:
  struct Impl;
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  FontSpec spec_;
  std::string family_, file_;
  bool japanese_ = false;
  TextMetrics metrics_;
};

// The code point of one CP932 character (see Font::MetricsCp932), or
// U+FFFD when the code is no character. Cached; main thread only.
char32_t Cp932CodeToUnicode(std::uint16_t code);
// CP932 text as code points, one per character (a lone lead byte at the end
// becomes U+FFFD).
std::u32string Cp932ToUtf32(std::string_view cp932);

// The installed faces that draw Japanese, one entry per face family under
// its Japanese name where the face has one (as a Japanese desktop lists
// them), sorted by name, without duplicates. Names that do not convert to
// CP932 are left out.
struct InstalledFont {
  std::string nameCp932;
  bool fixedPitch = false;  // half-width / full-width cells (a "Gothic", not a "PGothic")
};
// With `withWindowsNames`, the Windows face names whose stand-in is
// installed are listed too, so that settings written on Windows find
// their face in the list.
std::vector<InstalledFont> ListJapaneseFonts(bool withWindowsNames = false);

// The installed family a face name resolves to before the Japanese check
// (UTF-8; the alias target for a Windows name, else the name itself).
std::string ResolveFaceAlias(std::string_view faceCp932);

}  // namespace pl
