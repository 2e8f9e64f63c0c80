// Pictures made by the project's own encoder (tools/abmpack) from recipes.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace abmfix {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Runs abmpack on a recipe and returns the file it wrote.
inline Bytes Make(const kvtest::TempDir& dir, const std::string& recipe, const std::string& name = "pic") {
  const std::string in = dir / (name + ".recipe"), out = dir / (name + ".abm");
  EXPECT_TRUE(kvtest::WriteFile(in, recipe));
  EXPECT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + out + " " + in), 0) << recipe;
  return ToBytes(kvtest::ReadFile(out));
}

}  // namespace abmfix
