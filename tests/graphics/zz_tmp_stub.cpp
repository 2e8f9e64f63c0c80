// TEMPORARY (remove): the platform's dialog parser is not in yet.
#include "platform/backend.h"
namespace pl {
__attribute__((weak)) std::unique_ptr<DialogTemplate> ParseDialogTemplate(const std::string&) { return nullptr; }
}
