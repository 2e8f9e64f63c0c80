// The opacity tables of the software renderer: the multiply table M, the
// blend table T that follows it in one block, and the division table D of
// the indexed-image drawing. The engine object owns one set for the whole
// run; the pixel routines may compute the same values arithmetically where
// that is faster (the closed forms below are exact).
#pragma once
#include <cstdint>
#include <memory>

struct BlendTables {
  // M[a][v] = v * (a + 1) / 256
  std::uint8_t M[256][256];
  // T[a][s][d] = min(255, M[a][s] + M[255 - a][d]); one 16 MiB block after M
  std::uint8_t T[256][256][256];
};

// Fill M, then T from M (T needs M first).
void BuildMultiplyTable(BlendTables& tables);
void BuildBlendTable(BlendTables& tables);
// A heap set, both tables built.
std::unique_ptr<BlendTables> MakeBlendTables();

// D[i][j] = i * j / 255: 256 rows of 256 bytes, each its own heap block.
class CMulDiv255Table {
 public:
  CMulDiv255Table();  // rows allocated and zero-filled, not yet built
  ~CMulDiv255Table();
  CMulDiv255Table(const CMulDiv255Table&) = delete;
  CMulDiv255Table& operator=(const CMulDiv255Table&) = delete;
  std::uint8_t** Rows() { return m_ppRows; }
  const std::uint8_t* operator[](int i) const { return m_ppRows[i]; }

 private:
  std::uint8_t** m_ppRows;
};
void BuildMulDiv255Table(CMulDiv255Table& table);

// The closed forms the SIMD paths use, identical to the tables.
constexpr int MulTable(int a, int v) { return (v * (a + 1)) >> 8; }
constexpr int BlendTable(int a, int s, int d) {
  const int x = ((s * (a + 1)) >> 8) + ((d * (256 - a)) >> 8);
  return x > 255 ? 255 : x;
}
// floor(x / 255) for 0 <= x <= 65025
constexpr int Div255(int x) { return (x + 1 + (x >> 8)) >> 8; }
