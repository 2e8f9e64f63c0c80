// CDrawRect collects the changed rectangles of the logical screen (source
// and destination unions) until the frame presents them at once; CUBitBlt
// is the same collector as a scope object that presents its union when it
// goes.
#pragma once
#include <cstdint>

struct DrawRectBox {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // right, bottom exclusive
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const DrawRectBox&) const = default;
};

// UnionRect: an empty rectangle counts for nothing; both empty -> (0,0,0,0).
DrawRectBox UnionRect(const DrawRectBox& a, const DrawRectBox& b);

class CDrawRect {
 public:
  CDrawRect() = default;
  virtual ~CDrawRect() = default;
  virtual int Reset();
  virtual void Add(int dstX, int dstY, int srcX, int srcY, int width, int height);
  // Copies both unions out, then Reset.
  virtual int Take(DrawRectBox* src, DrawRectBox* dst);

  DrawRectBox m_Src;
  DrawRectBox m_Dst;
  std::int32_t m_bValid = 0;
};

class CUBitBlt : public CDrawRect {
 public:
  ~CUBitBlt() override;
};

// The accumulator of the application object (start-up sets it; null before).
CDrawRect* GetDrawRect();
void SetDrawRect(CDrawRect* accumulator);
