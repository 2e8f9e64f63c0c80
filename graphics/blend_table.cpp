#include "graphics/blend_table.h"

#include <cstdlib>
#include <new>

void BuildMultiplyTable(BlendTables& tables) {
  for (int a = 0; a < 256; ++a) {
    unsigned sum = 0;
    for (int v = 0; v < 256; ++v) {
      tables.M[a][v] = static_cast<std::uint8_t>(sum / 256);
      sum += a + 1;
    }
  }
}

void BuildBlendTable(BlendTables& tables) {
  for (int a = 0; a < 256; ++a) {
    const std::uint8_t* ms = tables.M[a];
    const std::uint8_t* md = tables.M[255 - a];
    for (int s = 0; s < 256; ++s) {
      std::uint8_t* row = tables.T[a][s];
      for (int d = 0; d < 256; ++d) {
        const int x = ms[s] + md[d];
        row[d] = static_cast<std::uint8_t>(x >= 256 ? 255 : x);
      }
    }
  }
}

std::unique_ptr<BlendTables> MakeBlendTables() {
  auto tables = std::make_unique<BlendTables>();
  BuildMultiplyTable(*tables);
  BuildBlendTable(*tables);
  return tables;
}

CMulDiv255Table::CMulDiv255Table() : m_ppRows(new std::uint8_t*[256]) {
  for (int i = 0; i < 256; ++i) m_ppRows[i] = new std::uint8_t[256]();
}

CMulDiv255Table::~CMulDiv255Table() {
  for (int i = 0; i < 256; ++i) delete[] m_ppRows[i];
  delete[] m_ppRows;
}

void BuildMulDiv255Table(CMulDiv255Table& table) {
  std::uint8_t** rows = table.Rows();
  for (int i = 0; i < 256; ++i) {
    unsigned sum = 0;
    for (int j = 0; j < 256; ++j) {
      rows[i][j] = static_cast<std::uint8_t>(sum / 255);
      sum += i;
    }
  }
}
