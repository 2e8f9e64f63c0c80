// The interpreter over arbitrary script text with a step budget: every
// line kind, control word and command of the engine, faults included, must
// run without a crash, a hang or a read outside a buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/script_engine.h"
#include "engine/script_loader.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "tests/engine/fake_scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pl::FakeBackend* fake = new pl::FakeBackend();
  static bool once = [] {
    // Jumps into other files find none and run the stub.
    pl::SetProgramFolder("/nonexistent-kivzo-fuzz");
    return true;
  }();
  (void)once;
  // Longer texts only take longer to split; the paths are the same.
  if (size == 0 || size > 16384) return 0;
  kvtest::FakeScene scene;
  scene.windowCount = 2;
  CScriptEngine eng(&scene);
  eng.Reset();
  eng.m_nMode = (data[0] & 1) ? 2 : 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  SplitScript(text.c_str(), eng.m_nMode, eng.m_Lines, eng.m_Labels, eng.m_Macros, &eng.m_Root.m_Vars);
  eng.m_Root.m_strFile = "START";
  const ValueNode* start = eng.m_Labels.Find("START");
  eng.m_Root.SetLine(start ? start->nValue : 0);
  CollectLocalLabels(eng.m_Root.m_pLine, eng.m_LocalLabels);
  // A thousand steps pass every kind of line a loop can bring.
  for (int step = 0; step < 1000 && !eng.m_bHalted; ++step) {
    // Every wait ends at once, as a click or the timer would end it.
    scene.pending = 0;
    eng.ExecuteLine();
  }
  fake->boxes.clear();
  return 0;
}
