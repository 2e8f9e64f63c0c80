#include "platform/resources.h"

#include <cstring>

namespace pl {

std::span<const std::uint8_t> FindResource(const char* type, const char* name) {
  for (const EmbeddedResource* r = kEmbeddedResources; r->type; ++r) {
    if (std::strcmp(r->type, type) == 0 && std::strcmp(r->name, name) == 0) return {r->data, r->size};
  }
  return {};
}

}  // namespace pl
