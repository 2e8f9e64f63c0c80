#include "graphics/draw_rect.h"

#include <algorithm>
#include <climits>

#include "graphics/virtual_screen.h"

namespace {
CDrawRect* g_pDrawRect = nullptr;
}

DrawRectBox UnionRect(const DrawRectBox& a, const DrawRectBox& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? DrawRectBox{} : b;
  if (b.IsEmpty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

int CDrawRect::Reset() {
  m_Src = DrawRectBox{};
  m_Dst = DrawRectBox{};
  m_bValid = 0;
  return 0;
}

namespace {
std::int32_t Far(std::int32_t a, std::int32_t b) {
  const long long v = static_cast<long long>(a) + b;
  return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}
}  // namespace

void CDrawRect::Add(int dstX, int dstY, int srcX, int srcY, int width, int height) {
  const DrawRectBox src{srcX, srcY, Far(srcX, width), Far(srcY, height)};
  const DrawRectBox dst{dstX, dstY, Far(dstX, width), Far(dstY, height)};
  if (!m_bValid) {
    m_Src = src;
    m_Dst = dst;
    m_bValid = 1;
    return;
  }
  m_Src = UnionRect(m_Src, src);
  m_Dst = UnionRect(m_Dst, dst);
}

int CDrawRect::Take(DrawRectBox* src, DrawRectBox* dst) {
  if (src) *src = m_Src;
  if (dst) *dst = m_Dst;
  return Reset();
}

CUBitBlt::~CUBitBlt() {
  if (m_bValid)
    PresentRect(m_Src.left, m_Src.top, m_Dst.right - m_Dst.left, m_Dst.bottom - m_Dst.top, m_Dst.left, m_Dst.top,
                nullptr);
  Reset();
}

CDrawRect* GetDrawRect() { return g_pDrawRect; }
void SetDrawRect(CDrawRect* accumulator) { g_pDrawRect = accumulator; }
