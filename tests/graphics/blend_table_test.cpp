#include "graphics/blend_table.h"

#include <gtest/gtest.h>

namespace {

class BlendTablesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { s_tables = MakeBlendTables().release(); }
  static void TearDownTestSuite() {
    delete s_tables;
    s_tables = nullptr;
  }
  static BlendTables* s_tables;
};
BlendTables* BlendTablesTest::s_tables = nullptr;

TEST_F(BlendTablesTest, MultiplyTableEdges) {
  const auto& M = s_tables->M;
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(M[255][v], v);
    EXPECT_EQ(M[0][v], 0);
  }
  EXPECT_EQ(M[127][255], 127);
}

TEST_F(BlendTablesTest, BlendTableEdges) {
  const auto& T = s_tables->T;
  for (int s = 0; s < 256; ++s)
    for (int d = 0; d < 256; ++d) {
      ASSERT_EQ(T[255][s][d], s);
      ASSERT_EQ(T[0][s][d], d);
    }
  EXPECT_EQ(T[127][200][100], 150);
  EXPECT_EQ(T[127][255][255], 255);
}

TEST_F(BlendTablesTest, ClosedFormsEqualTheTablesEverywhere) {
  // The SIMD paths compute these instead of reading the tables.
  for (int a = 0; a < 256; ++a)
    for (int v = 0; v < 256; ++v) ASSERT_EQ(s_tables->M[a][v], MulTable(a, v)) << a << " " << v;
  for (int a = 0; a < 256; ++a)
    for (int s = 0; s < 256; ++s)
      for (int d = 0; d < 256; ++d) ASSERT_EQ(s_tables->T[a][s][d], BlendTable(a, s, d)) << a << " " << s << " " << d;
}

TEST_F(BlendTablesTest, BlendTableIsOneBlockAfterM) {
  const auto* base = reinterpret_cast<const std::uint8_t*>(s_tables);
  EXPECT_EQ(&s_tables->T[0][0][0], base + 65536);
  EXPECT_EQ(sizeof(BlendTables), 65536u + 16777216u);
}

TEST(MulDiv255Table, EdgesAndClosedForm) {
  CMulDiv255Table D;
  BuildMulDiv255Table(D);
  for (int j = 0; j < 256; ++j) EXPECT_EQ(D[255][j], j);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(D[i][0], 0);
  EXPECT_EQ(D[128][128], 64);
  for (int i = 0; i < 256; ++i)
    for (int j = 0; j < 256; ++j) ASSERT_EQ(D[i][j], Div255(i * j)) << i << " " << j;
}

}  // namespace
