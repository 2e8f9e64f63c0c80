#include "graphics/anti_font.h"

#include <algorithm>
#include <cstring>

#include "framework/globals.h"
#include "framework/sjis.h"
#include "graphics/blit.h"
#include "graphics/pixel_buffer.h"
#include "graphics/pixel_kernels.h"
#include "platform/dialog.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace {

constexpr int kFacesKept = 4;
// A proportional face can report a wide dash; the canvas is sized from the
// cell width, so a broken face must not make it unbounded.
constexpr int kMaxCellWidth = 4 * CAntiFont::kMaxHeight;

int RoundUp8(int v) { return (v + 7) & ~7; }

// "Paint by coverage": the canvas moves towards `level` by the coverage,
// as an opaque pen of that grey would leave it at the glyph's edge.
inline void Paint(std::uint8_t& d, int level, int cov) { d = static_cast<std::uint8_t>(d + (level - d) * cov / 255); }

class PlatformGlyphFace final : public IGlyphFace {
 public:
  PlatformGlyphFace(std::unique_ptr<pl::Font> big, std::unique_ptr<pl::Font> small)
      : big_(std::move(big)), small_(std::move(small)) {}
  int Ascent4x() override { return big_->metrics().ascent; }
  pl::GlyphBitmap Render4x(std::uint16_t code) override {
    // User-defined and unassigned codes decode to nothing: blank, though
    // they still take their two bytes and their cell.
    if (pl::Cp932CodeToUnicode(code) == 0xFFFD) return {};
    return big_->RenderCp932(code, true);
  }
  int WidthBC(std::uint16_t code) override {
    if (pl::Cp932CodeToUnicode(code) == 0xFFFD) return 0;
    pl::GlyphMetrics m = small_->MetricsCp932(code);
    return m.b + m.c;
  }

 private:
  std::unique_ptr<pl::Font> big_, small_;
};

CAntiFont* g_pInstalled = nullptr;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

LogFontA MakeLogFont(const char* faceCp932, int height, int weight) {
  LogFontA f;
  f.lfHeight = height;
  f.lfWeight = weight;
  f.lfCharSet = 128;  // Shift-JIS
  sjis::CopyBounded(f.lfFaceName, sizeof f.lfFaceName, faceCp932);
  return f;
}

std::unique_ptr<IGlyphFace> OpenPlatformGlyphFace(const std::string& faceCp932, int height, bool bold) {
  auto big = pl::Font::Open(pl::FontSpec{faceCp932, height * 4, bold});
  auto small = pl::Font::Open(pl::FontSpec{faceCp932, height, bold});
  if (!big || !small) return nullptr;
  return std::make_unique<PlatformGlyphFace>(std::move(big), std::move(small));
}

bool ReadDibRedChannel(std::span<const std::uint8_t> dib, int* width, int* height, std::vector<std::uint8_t>* red) {
  if (dib.size() < 40) return false;
  const std::uint8_t* p = dib.data();
  const std::uint32_t headerSize = Le32(p);
  if (headerSize < 40 || headerSize > dib.size()) return false;
  const std::int32_t w = static_cast<std::int32_t>(Le32(p + 4));
  const std::int32_t hRaw = static_cast<std::int32_t>(Le32(p + 8));
  const int bits = Le16(p + 14);
  const std::uint32_t compression = Le32(p + 16);
  const std::uint32_t clrUsed = Le32(p + 32);
  if (compression != 0 || w <= 0 || w > kMaxBufferSide || hRaw == 0 || hRaw < -kMaxBufferSide ||
      hRaw > kMaxBufferSide)
    return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  const int h = hRaw < 0 ? -hRaw : hRaw;
  std::size_t colours = 0;
  if (bits <= 8) colours = clrUsed ? clrUsed : (1u << bits);
  if (colours > 256) return false;
  const std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
  const std::size_t tableAt = headerSize, bitsAt = tableAt + colours * 4;
  if (bitsAt > dib.size() || stride * static_cast<std::size_t>(h) > dib.size() - bitsAt) return false;
  red->assign(static_cast<std::size_t>(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    // Rows are stored bottom-up unless the height is negative.
    const int srcRow = hRaw > 0 ? h - 1 - y : y;
    const std::uint8_t* row = p + bitsAt + stride * srcRow;
    std::uint8_t* out = red->data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      if (bits == 24 || bits == 32) {
        out[x] = row[x * (bits / 8) + 2];
        continue;
      }
      unsigned index;
      if (bits == 8) {
        index = row[x];
      } else if (bits == 4) {
        index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
      } else {
        index = (row[x >> 3] >> (7 - (x & 7))) & 1;
      }
      out[x] = index < colours ? p[tableAt + index * 4 + 2] : 0;
    }
  }
  *width = w;
  *height = h;
  return true;
}

std::size_t CAntiFont::KeyHash::operator()(const Key& k) const {
  const std::size_t h = static_cast<std::size_t>(k.code) ^ (static_cast<std::size_t>(k.height) << 16) ^
                        (static_cast<std::size_t>(k.bold) << 24) ^ (static_cast<std::size_t>(k.face) << 32);
  return h * 0x9E3779B97F4A7C15ull;
}

CAntiFont::CAntiFont() = default;
CAntiFont::~CAntiFont() { FreeCache(); }

int CAntiFont::Init(pl::Window* window) {
  if (m_bStarted) return 1;
  m_pWindow = window;
  m_bStarted = true;
  return 1;
}

bool CAntiFont::SameFont(const LogFontA& f) const {
  const LogFontA& c = m_LogFont;
  return static_cast<std::int64_t>(f.lfHeight) * 4 == c.lfHeight && f.lfWidth == c.lfWidth &&
         f.lfEscapement == c.lfEscapement && f.lfOrientation == c.lfOrientation && f.lfWeight == c.lfWeight &&
         f.lfItalic == c.lfItalic && f.lfUnderline == c.lfUnderline && f.lfStrikeOut == c.lfStrikeOut &&
         f.lfCharSet == c.lfCharSet && f.lfOutPrecision == c.lfOutPrecision &&
         f.lfClipPrecision == c.lfClipPrecision && f.lfQuality == c.lfQuality &&
         f.lfPitchAndFamily == c.lfPitchAndFamily &&
         // Only ASCII letters fold: a trail byte in A..Z must not make two
         // different Japanese names equal.
         sjis::CompareNoCaseN(f.lfFaceName, c.lfFaceName, kLfFaceSize) == 0;
}

void CAntiFont::SetFont(LogFontA& font) {
  if (m_pFace && SameFont(font)) return;
  // A negative height names the em, which for the Windows Japanese faces
  // is their cell; both are limited alike, since the cell rows and the
  // canvas follow from it.
  std::int64_t h = font.lfHeight;
  if (h < 0) h = -h;
  if (h == 0) h = 12;
  if (h > kMaxHeight) {
    pl::MessageBox(m_pWindow ? m_pWindow : GetMainWindowHandle(),
                   SJ("設定するフォントのポイント数が文字描画バッファのサイズ以上のポイント数です。\n"
                      "ポイント数を強い策してください。"),
                   SJ("CAntiFontクラス"), pl::MB_OK);
    font.lfHeight = kMaxHeight;
    h = kMaxHeight;
  }
  m_LogFont = font;
  m_LogFont.lfHeight = font.lfHeight * 4;
  m_LogFont.lfFaceName[kLfFaceSize - 1] = '\0';
  m_nHeight = static_cast<int>(h);
  m_bBold = font.lfWeight >= 600;
  const std::string face(font.lfFaceName, sjis::BoundedLength(font.lfFaceName, kLfFaceSize));
  m_nFaceId = FaceId(face);
  m_pFace = FindOrOpenFace(face, m_nHeight, m_bBold);
  // The cell fits the widest of a dash and a kana, and is never narrower
  // than the height.
  int w = 0;
  if (m_pFace) w = std::max(std::max(m_pFace->WidthBC(0x815C), m_pFace->WidthBC(0x82A0)), 0);
  if (w < m_nHeight) w = m_nHeight + 1;
  m_nWidth = std::min(w, kMaxCellWidth);
}

int CAntiFont::FaceId(const std::string& face) {
  const std::string key = sjis::ToLowerAscii(face);
  auto it = std::find(m_FaceNames.begin(), m_FaceNames.end(), key);
  if (it != m_FaceNames.end()) return static_cast<int>(it - m_FaceNames.begin());
  m_FaceNames.push_back(key);
  return static_cast<int>(m_FaceNames.size() - 1);
}

IGlyphFace* CAntiFont::FindOrOpenFace(const std::string& face, int height, bool bold) {
  Key key{0, height, bold, FaceId(face)};
  for (std::size_t i = 0; i < m_Faces.size(); ++i) {
    if (m_Faces[i].key == key) {
      std::rotate(m_Faces.begin(), m_Faces.begin() + static_cast<std::ptrdiff_t>(i),
                  m_Faces.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return m_Faces.front().face.get();
    }
  }
  std::unique_ptr<IGlyphFace> opened =
      m_Factory ? m_Factory(face, height, bold) : OpenPlatformGlyphFace(face, height, bold);
  if (!opened) return nullptr;
  m_Faces.insert(m_Faces.begin(), OpenFace{key, std::move(opened)});
  if (m_Faces.size() > kFacesKept) m_Faces.pop_back();
  return m_Faces.front().face.get();
}

std::size_t CAntiFont::GetGlyph(std::uint16_t code, GlyphCoverage* out) {
  *out = GlyphCoverage{};
  if (!m_pFace) return 0;
  // Weight is part of the key: the cell width differs with it, and a bold
  // glyph must not stand in for a regular one of the same face and height.
  Key key{code, m_nHeight, m_bBold, m_nFaceId};
  auto it = m_Cache.find(key);
  if (it == m_Cache.end()) {
    if (m_nCacheBytes > kCacheLimit) FreeCache();
    Entry e;
    RenderGlyph(code, e);
    m_nCacheBytes += e.bits.size();
    it = m_Cache.emplace(key, std::move(e)).first;
  }
  const Entry& e = it->second;
  out->bits = e.bits.data();
  out->stride = e.stride;
  out->rows = e.rows;
  out->height = e.height;
  out->size = e.bits.size();
  return out->size;
}

void CAntiFont::RenderGlyph(std::uint16_t code, Entry& e) {
  const int h = m_nHeight, w = m_nWidth;
  e.rows = RoundUp8(h);
  e.stride = RoundUp8(w);
  e.height = h;
  e.bits.assign(static_cast<std::size_t>(e.rows) * e.stride, 0);
  // The canvas covers every sample the reduction reads, in both directions.
  const int cw = e.stride * 4, ch = e.rows * 4;
  std::vector<std::uint8_t> canvas(static_cast<std::size_t>(cw) * ch, 0);
  if ((code >> 8) == '@') {
    PaintIcon(canvas, cw, ch, code);
  } else {
    PaintGlyph(canvas, cw, ch, code);
  }
  // 4 x 4 means. Near the right edge the columns are kept or dropped by
  // comparing 1x column numbers (i - 1 .. i + 2 for output column i, from 1)
  // with the cell width, not 4x ones: the rim of the last column or two is
  // averaged over fewer samples. Kept as it has always looked.
  for (int r = 0; r < e.rows; ++r) {
    const std::uint8_t* src[4];
    for (int k = 0; k < 4; ++k) src[k] = canvas.data() + static_cast<std::size_t>(4 * r + k) * cw;
    std::uint8_t* dst = e.bits.data() + static_cast<std::size_t>(r) * e.stride;
    for (int i = 1; i <= e.stride; ++i) {
      const int base = 4 * (i - 1);
      int sum = 0, used = 0;
      for (int k = 0; k < 4; ++k) {
        if (i - 1 + k >= w) continue;
        sum += src[0][base + k] + src[1][base + k] + src[2][base + k] + src[3][base + k];
        ++used;
      }
      dst[i - 1] = static_cast<std::uint8_t>(used == 4 ? sum >> 4 : used ? sum / (4 * used) : 0);
    }
  }
}

void CAntiFont::PaintGlyph(std::vector<std::uint8_t>& canvas, int cw, int ch, std::uint16_t code) {
  const pl::GlyphBitmap g = m_pFace->Render4x(code);
  if (g.width <= 0 || g.height <= 0 || g.coverage.size() < static_cast<std::size_t>(g.width) * g.height) return;
  const int ascent = m_pFace->Ascent4x();
  // Grey copies left and above first, the white one over them, as the
  // characters were always drawn.
  static constexpr struct {
    int dx, dy, level;
  } kPasses[] = {{-2, 0, 128}, {0, -2, 128}, {0, 0, 255}};
  for (const auto& pass : kPasses) {
    const int x0 = pass.dx + g.left, y0 = pass.dy + ascent - g.top;
    for (int row = 0; row < g.height; ++row) {
      const int y = y0 + row;
      if (y < 0 || y >= ch) continue;
      const std::uint8_t* src = g.coverage.data() + static_cast<std::size_t>(row) * g.width;
      std::uint8_t* dst = canvas.data() + static_cast<std::size_t>(y) * cw;
      const int colFrom = std::max(0, -x0), colTo = std::min(g.width, cw - x0);
      for (int col = colFrom; col < colTo; ++col) {
        if (src[col]) Paint(dst[x0 + col], pass.level, src[col]);
      }
    }
  }
}

void CAntiFont::PaintIcon(std::vector<std::uint8_t>& canvas, int cw, int ch, std::uint16_t code) {
  const int which = (code & 0xFF) == '1' ? 1 : 0;
  std::span<const std::uint8_t> dib = m_IconOverride[which];
  if (dib.empty()) dib = pl::FindResource("BITMAP", which ? "FONT01" : "FONT00");
  int iw = 0, ih = 0;
  std::vector<std::uint8_t> red;
  // A missing or unreadable icon leaves the cell empty.
  if (!ReadDibRedChannel(dib, &iw, &ih, &red)) return;
  // The icon's red channel is coverage, scaled to the 4x height square
  // with nearest neighbours and composed like a character: half grey up
  // and left, full white over it.
  const int side = 4 * m_nHeight;
  // Each cell pixel takes the icon pixel under its centre.
  std::vector<int> mapX(static_cast<std::size_t>(side)), mapY(static_cast<std::size_t>(side));
  for (int i = 0; i < side; ++i) {
    mapX[static_cast<std::size_t>(i)] = static_cast<int>((2 * i + 1) * static_cast<std::int64_t>(iw) / (2 * side));
    mapY[static_cast<std::size_t>(i)] = static_cast<int>((2 * i + 1) * static_cast<std::int64_t>(ih) / (2 * side));
  }
  static constexpr struct {
    int d, level;
  } kPasses[] = {{-2, 128}, {0, 255}};
  for (const auto& pass : kPasses) {
    for (int row = 0; row < side; ++row) {
      const int y = pass.d + row;
      if (y < 0 || y >= ch) continue;
      const std::uint8_t* src = red.data() + static_cast<std::size_t>(mapY[row]) * iw;
      std::uint8_t* dst = canvas.data() + static_cast<std::size_t>(y) * cw;
      for (int col = 0; col < side; ++col) {
        const int x = pass.d + col;
        if (x < 0 || x >= cw) continue;
        if (const int cov = src[mapX[col]]) Paint(dst[x], pass.level, cov);
      }
    }
  }
}

int CAntiFont::Draw(int x, const char* text, std::uint32_t* pixels, int width, int height, int stridePixels,
                    std::uint32_t colour, int y, int length, bool simd) {
  if (!text) return x;
  const pixk::RowKernels& kernels = pixk::Kernels(simd);
  const std::uint32_t pixel = ColorrefToPixel(colour);
  std::int64_t pen = x;
  for (int i = 0; i < length;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0) break;
    std::uint16_t code = c;
    int bytes = 1;
    if (pl::IsLeadByte(c) || c == '@') {
      // The text is NUL-terminated, so the byte after a non-NUL byte can be
      // read even past `length`; a NUL there ends the text instead of being
      // drawn as half a character.
      const unsigned char t = static_cast<unsigned char>(text[i + 1]);
      if (t == 0) break;
      code = static_cast<std::uint16_t>(c << 8 | t);
      bytes = 2;
    }
    GlyphCoverage g;
    if (pixels && GetGlyph(code, &g) && pen + g.stride < width && static_cast<std::int64_t>(y) + g.height < height) {
      // Cut at the left and top edges (a name plate sits above its window,
      // a shaken window can move left of the screen).
      const int col0 = pen < 0 ? static_cast<int>(std::min<std::int64_t>(-pen, g.stride)) : 0;
      const int row0 = y < 0 ? static_cast<int>(std::min<std::int64_t>(-static_cast<std::int64_t>(y), g.rows)) : 0;
      const int n = g.stride - col0;
      // Padded rows below the cell are cut at the picture's bottom.
      for (int r = row0; r < g.rows && y + r < height && n > 0; ++r) {
        std::uint32_t* d = pixels + static_cast<std::ptrdiff_t>(y + r) * stridePixels + (pen + col0);
        kernels.glyph(d, g.bits + static_cast<std::size_t>(r) * g.stride + col0, n, pixel);
      }
    }
    pen += Advance(bytes);
    i += bytes;
  }
  return static_cast<int>(std::clamp<std::int64_t>(pen, INT32_MIN, INT32_MAX));
}

int CAntiFont::DrawString(int x, const char* text, std::uint8_t* pixels, std::uint32_t colour, int y, int length) {
  return Draw(x, text, reinterpret_cast<std::uint32_t*>(pixels), 1024, 600, 1024, colour, y, length,
              *GetMmxFlag() == 1);
}

int CAntiFont::DrawString(int x, const char* text, CBuffer& dst, std::uint32_t colour, int y, int length) {
  if (dst.Empty() || dst.m_Header.biBitCount != 32 || dst.m_nStride < dst.Width() * 4)
    return Draw(x, text, nullptr, 0, 0, 0, colour, y, length, false);
  return Draw(x, text, dst.Row32(0), dst.Width(), dst.Height(), dst.m_nStride / 4, colour, y, length,
              dst.SimdAllowed());
}

int CAntiFont::TextWidth(const char* text, int length) const {
  int width = 0;
  for (int i = 0; text && i < length;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0) break;
    int bytes = 1;
    if (pl::IsLeadByte(c) || c == '@') {
      if (text[i + 1] == 0) break;
      bytes = 2;
    }
    width += Advance(bytes);
    i += bytes;
  }
  return width;
}

void CAntiFont::FreeCache() {
  m_Cache.clear();
  m_nCacheBytes = 0;
}

void CAntiFont::SetGlyphFaceFactory(GlyphFaceFactory factory) {
  m_Factory = std::move(factory);
  // Faces and glyphs of the old rasteriser must not be reused.
  m_pFace = nullptr;
  m_Faces.clear();
  m_LogFont = LogFontA{};
  FreeCache();
}

void CAntiFont::SetIconBitmap(int index, std::vector<std::uint8_t> packedDib) {
  if (index < 0 || index > 1) return;
  m_IconOverride[index] = std::move(packedDib);
  FreeCache();
}

CAntiFont& GetAntiFont() {
  if (g_pInstalled) return *g_pInstalled;
  static CAntiFont own;
  return own;
}

void SetAntiFont(CAntiFont* font) { g_pInstalled = font; }
