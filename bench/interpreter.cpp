// Lines per second of the interpreter on a loop-heavy script (arithmetic,
// conditions, a wh loop, macro calls), and the cost of ParseArgList per
// command line, each beside a plain C++ loop doing the same arithmetic.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/arg_list.h"
#include "engine/script_engine.h"
#include "engine/script_loader.h"
#include "platform/fake/fake_backend.h"
#include "tests/engine/fake_scene.h"

namespace {

const char* kLoop =
    "::START\r\n"
    "^macro(\"STEP\")\r\n"
    "%x\r\n"
    "%b=%b+%a*3-(%a/2)\r\n"
    "^endm\r\n"
    "var(%a,%b,%c)\r\n"
    "^wh(%a<1000000000)\r\n"
    "%a+=1\r\n"
    "^if(%a%7==0)\r\n"
    "%c+=1\r\n"
    "^elif(%a%5==0)\r\n"
    "STEP\r\n"
    "^else\r\n"
    "%b^=%a\r\n"
    "^endi\r\n"
    "^endw\r\n"
    "::END\r\n";

void BM_InterpreterLoop(benchmark::State& state) {
  pl::FakeBackend fake;
  kvtest::FakeScene scene;
  CScriptEngine eng(&scene);
  eng.Reset();
  SplitScript(kLoop, 0, eng.m_Lines, eng.m_Labels, eng.m_Macros, &eng.m_Root.m_Vars);
  eng.m_Root.SetLine(1);
  std::int64_t lines = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) eng.ExecuteLine();
    lines += 10000;
  }
  state.SetItemsProcessed(lines);
  state.SetLabel("ref:BM_ReferenceNativeLoop");
}
BENCHMARK(BM_InterpreterLoop);

// Reference: the same arithmetic and tests as compiled code.
void BM_ReferenceNativeLoop(benchmark::State& state) {
  std::int32_t a = 0, b = 0, c = 0;
  std::int64_t lines = 0;
  for (auto _ : state) {
    for (int i = 0; i < 2000; ++i) {
      a += 1;
      if (a % 7 == 0) {
        c += 1;
      } else if (a % 5 == 0) {
        b = b + a * 3 - a / 2;
      } else {
        b ^= a;
      }
      benchmark::DoNotOptimize(b);
    }
    lines += 10000;  // about five script lines a round
  }
  benchmark::DoNotOptimize(c);
  state.SetItemsProcessed(lines);
}
BENCHMARK(BM_ReferenceNativeLoop);

void BM_ParseArgList(benchmark::State& state) {
  pl::FakeBackend fake;
  ValueList vars, constants;
  AddNamedConstants(constants);
  vars.AddInt("x", 5);
  vars.AddText("name", "ch01");
  const char* line = "(1,\"bg01\",%x,LEFT,-20,0x10,$name,CENTER)";
  ArgSlots args;
  for (auto _ : state) {
    const char* p = line;
    ParseArgList(args, p, vars, constants);
    benchmark::DoNotOptimize(args.slot[7].Int());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("ref:BM_ReferenceCopyLine");
}
BENCHMARK(BM_ParseArgList);

// Reference: copying the same command line into a string.
void BM_ReferenceCopyLine(benchmark::State& state) {
  const std::string line = "(1,\"bg01\",%x,LEFT,-20,0x10,$name,CENTER)";
  for (auto _ : state) {
    std::string copy(line);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReferenceCopyLine);

}  // namespace
