// Resources embedded in the executable at build time, found by type and name
// ("ICON" "131", "MENU" "101", "IMG" "SNOW01", "BITMAP" "FONT00", ...).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace pl {

struct EmbeddedResource {
  const char* type;
  const char* name;
  const std::uint8_t* data;
  std::size_t size;
};

// The table the build generates; the last entry has a null type.
extern const EmbeddedResource kEmbeddedResources[];

// The bytes of a resource, or an empty span when there is none of that type
// and name (both compared exactly).
std::span<const std::uint8_t> FindResource(const char* type, const char* name);

}  // namespace pl
