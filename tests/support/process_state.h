// The state the engine keeps for the whole process between one use and the
// next (the program folder, the display mode and its settings, the scene's
// pending state, the write-fault hook of the file layer), put back to what
// a freshly started process has. Fixtures call it in SetUp with their
// folder and in TearDown with none, so that no test sees another's leavings.
#pragma once
#include <string>

#include "framework/display_mode.h"
#include "platform/file.h"
#include "scene/pending.h"

namespace kvtest {

inline void ResetProcessState(const std::string& programFolder = "") {
  pl::SetProgramFolder(programFolder);
  pl::SetWriteFaultHook({});
  ResetDisplayModeState();
  ResetSceneState();
}

}  // namespace kvtest
