// The real backend: SDL2 video and events. The window shows the retained
// front buffer below our own menu strip; message boxes, the menu loop and
// dialogs run modally over it.
#pragma once
#include <memory>

#include "platform/backend.h"

namespace pl {

class SdlBackend;

// Starts SDL video (text input off, no minimising on focus loss, SDL's own
// signal handlers off) and returns the backend. Without video it still
// returns one, on which window creation fails.
std::unique_ptr<Backend> CreateSdlBackend();

}  // namespace pl
