// CAntiFont: Shift-JIS text with smooth edges in 32-bit pictures. Each
// character is drawn at four times its cell height into an 8-bit canvas
// (grey copies 2 pixels left and 2 pixels up under the white one, which
// gives the text its soft upper-left rim), reduced 4 x 4 to coverage,
// cached, and blended into the destination in the text colour. "@0" and
// "@1" draw the inline icons of the bitmap resources "FONT00" and "FONT01"
// the same way.
//
// One renderer serves the whole program (GetAntiFont); main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/font.h"

class CBuffer;
namespace pl {
class Window;
}

constexpr int kLfFaceSize = 32;  // face name field, NUL included

// The font record the engine passes around (the LOGFONTA layout; the face
// name is CP932). The renderer keeps its own copy at four times the height,
// and screens that borrow the renderer hand that copy back with the height
// divided by 4.
struct LogFontA {
  std::int32_t lfHeight = 0;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  char lfFaceName[kLfFaceSize] = {};
};
// The engine's usual text font: the face at `height`, weight 700, Shift-JIS.
LogFontA MakeLogFont(const char* faceCp932, int height, int weight = 700);

// What the renderer draws with: one face at one size. The real one is the
// platform's font; tests put in rasterisers whose output they know.
class IGlyphFace {
 public:
  virtual ~IGlyphFace() = default;
  // Baseline of the 4x cell, in pixels below its top.
  virtual int Ascent4x() = 0;
  // Coverage of a character (CP932 code: a byte, or lead * 256 + trail) at
  // the 4x cell height, positioned against the pen and the baseline.
  virtual pl::GlyphBitmap Render4x(std::uint16_t code) = 0;
  // Black box width plus the space after it (ABC widths B + C) at 1x; 0
  // when the character cannot be measured.
  virtual int WidthBC(std::uint16_t code) = 0;
};
// Opens a face for a CP932 face name, a 1x cell height and boldness.
using GlyphFaceFactory =
    std::function<std::unique_ptr<IGlyphFace>(const std::string& faceCp932, int height, bool bold)>;
// The platform's face: monochrome outlines at 4x (the 4 x 4 reduction makes
// the grey levels, as it did over unsmoothed GDI text), widths at 1x.
std::unique_ptr<IGlyphFace> OpenPlatformGlyphFace(const std::string& faceCp932, int height, bool bold);

// A cached glyph's coverage: `rows` rows of `stride` bytes (the cell height
// and width rounded up to multiples of 8), 0 empty to 255 full.
struct GlyphCoverage {
  const std::uint8_t* bits = nullptr;
  int stride = 0;
  int rows = 0;
  int height = 0;  // the 1x cell height the glyph was made for
  std::size_t size = 0;
};

class CAntiFont {
 public:
  // Past this many bytes of cached coverage the cache is emptied whole
  // before the next glyph is added.
  static constexpr std::size_t kCacheLimit = 1048576;
  static constexpr int kMaxHeight = 64;  // 4x cells are at most 256 pixels

  CAntiFont();
  ~CAntiFont();
  CAntiFont(const CAntiFont&) = delete;
  CAntiFont& operator=(const CAntiFont&) = delete;

  // Keeps the window that owns the renderer's message box; once only
  // (later calls change nothing). Returns 1.
  int Init(pl::Window* window);
  bool Started() const { return m_bStarted; }

  // Makes the renderer draw in `font` (1x height). The same font again
  // changes nothing. A height above 64 is reported and the caller's record
  // is set to 64; a height of 0 or below is taken as 12 or as its size.
  void SetFont(LogFontA& font);
  bool HasFont() const { return m_pFace != nullptr; }
  // The current font at four times its height.
  const LogFontA& GetLogFont() const { return m_LogFont; }
  int Height() const { return m_nHeight; }
  int CellWidth() const { return m_nWidth; }

  // The coverage of a character from the cache, made on a miss. `code` is
  // a one-byte character (below 0x100), lead * 256 + trail, or 0x4000 plus
  // the byte after "@" for an icon. Returns the buffer size, 0 (and an
  // empty result) when there is no font. The bits stay valid until the
  // next call that may make a glyph (GetGlyph, DrawString) or empties the
  // cache.
  std::size_t GetGlyph(std::uint16_t code, GlyphCoverage* out);

  // Draws `length` bytes of NUL-terminated CP932 text at (x, y) into a
  // 1024 x 600 32-bit picture (stride 4096) in the COLORREF `colour`. A
  // lead byte or "@" at the last counted byte still takes its second byte.
  // A cell that would reach the right or bottom edge is skipped whole; one
  // that starts left of or above the picture is cut. Returns the pen x
  // after the text.
  int DrawString(int x, const char* text, std::uint8_t* pixels, std::uint32_t colour, int y, int length);
  // The same into any 32-bit buffer, against its own size.
  int DrawString(int x, const char* text, CBuffer& dst, std::uint32_t colour, int y, int length);
  // The same for whole texts.
  int DrawString(int x, const std::string& text, CBuffer& dst, std::uint32_t colour, int y) {
    return DrawString(x, text.c_str(), dst, colour, y, static_cast<int>(text.size()));
  }
  // Pen advance of one character: a two-byte character or icon takes the
  // cell width, a one-byte character half of it plus 1.
  int Advance(int bytes) const { return bytes == 2 ? m_nWidth : m_nWidth / 2 + 1; }
  // Width of a text as DrawString advances over it.
  int TextWidth(const char* text, int length) const;

  // Empties the glyph cache.
  void FreeCache();
  std::size_t CacheBytes() const { return m_nCacheBytes; }
  std::size_t CacheEntries() const { return m_Cache.size(); }

  // For tests and tools: the rasteriser (null: the platform's), and the
  // packed DIB of an icon in place of the embedded resource (empty: the
  // resource again).
  void SetGlyphFaceFactory(GlyphFaceFactory factory);
  void SetIconBitmap(int index, std::vector<std::uint8_t> packedDib);

 private:
  struct Key {
    std::uint16_t code;
    std::int32_t height;
    bool bold;
    int face;  // index into m_FaceNames
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  struct Entry {
    std::vector<std::uint8_t> bits;
    int stride = 0, rows = 0, height = 0;
  };
  struct OpenFace {
    Key key;  // code unused
    std::unique_ptr<IGlyphFace> face;
  };

  bool SameFont(const LogFontA& font) const;
  int FaceId(const std::string& face);
  IGlyphFace* FindOrOpenFace(const std::string& face, int height, bool bold);
  void RenderGlyph(std::uint16_t code, Entry& out);
  void PaintGlyph(std::vector<std::uint8_t>& canvas, int cw, int ch, std::uint16_t code);
  void PaintIcon(std::vector<std::uint8_t>& canvas, int cw, int ch, std::uint16_t code);
  int Draw(int x, const char* text, std::uint32_t* pixels, int width, int height, int stridePixels,
           std::uint32_t colour, int y, int length, bool simd);

  pl::Window* m_pWindow = nullptr;
  bool m_bStarted = false;
  LogFontA m_LogFont;  // at 4x height
  int m_nHeight = 0;   // h, 1x
  int m_nWidth = 0;    // w, the cell width
  bool m_bBold = false;
  IGlyphFace* m_pFace = nullptr;          // one of m_Faces
  std::vector<OpenFace> m_Faces;          // most recent first, a few kept
  // Face names as keys: ASCII letters folded, double-byte characters as
  // they are. Only grows by the names fonts were set with.
  std::vector<std::string> m_FaceNames;
  int m_nFaceId = -1;
  std::unordered_map<Key, Entry, KeyHash> m_Cache;
  std::size_t m_nCacheBytes = 0;
  GlyphFaceFactory m_Factory;
  std::vector<std::uint8_t> m_IconOverride[2];
};

// The renderer of the process: the one installed with SetAntiFont, else
// one of this file's own (for tests and tools).
CAntiFont& GetAntiFont();
void SetAntiFont(CAntiFont* font);

// The red channel of a packed DIB (header, colour table, bits; no file
// header) as top-down 8-bit rows, or false when the bytes are no DIB this
// reads (BI_RGB with 8, 24 or 32 bits, or paletted 1 and 4 bits) or are
// shorter than the header says.
bool ReadDibRedChannel(std::span<const std::uint8_t> dib, int* width, int* height, std::vector<std::uint8_t>* red);
