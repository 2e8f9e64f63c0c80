// Member lookup in an archive of 10,000 members: the neighbour of the last
// hit (found by the first pass), a random member, and a miss (all four
// passes), beside a hash table of the same names as the reference.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/arc.h"
#include "framework/sjis.h"

namespace {

constexpr int kMembers = 10000;

std::string Name(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "CG%05d.ABM", i);
  return buf;
}

// The archive, packed once by the project's packer.
CArc& Archive() {
  static CArc arc;
  static bool made = false;
  if (!made) {
    made = true;
    std::string dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::string member = dir + "/kivzo_bench_member.bin", list = dir + "/kivzo_bench_list.txt",
                aos = dir + "/kivzo_bench_10000.aos";
    std::ofstream(member) << "x";
    {
      std::ofstream l(list);
      for (int i = 0; i < kMembers; ++i) l << Name(i) << "=" << member << "\n";
    }
    std::string cmd = std::string(KIVZO_TOOLS_DIR) + "/aospack " + aos + " --list " + list;
    if (std::system(cmd.c_str()) == 0) arc.Open(aos);
    std::remove(member.c_str());
    std::remove(list.c_str());
    std::remove(aos.c_str());  // the reader keeps its open file
  }
  return arc;
}

void BM_ArcFindNeighbour(benchmark::State& state) {
  CArc& arc = Archive();
  if (arc.Count() != kMembers) {
    state.SkipWithError("aospack did not run");
    return;
  }
  // Lower-case queries: every comparison folds.
  std::vector<std::string> names;
  for (int i = 0; i < kMembers; ++i) names.push_back(sjis::ToLowerAscii(Name(i)));
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(arc.Find(names[static_cast<std::size_t>(i)]));
    i = (i + 1) % kMembers;
  }
  state.SetLabel("ref:BM_HashFindRandom");
}

void BM_ArcFindRandom(benchmark::State& state) {
  CArc& arc = Archive();
  if (arc.Count() != kMembers) {
    state.SkipWithError("aospack did not run");
    return;
  }
  std::mt19937 rng(3);
  std::vector<std::string> names;
  for (int i = 0; i < 1024; ++i) names.push_back(sjis::ToLowerAscii(Name(static_cast<int>(rng() % kMembers))));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(arc.Find(names[i]));
    i = (i + 1) & 1023;
  }
  state.SetLabel("ref:BM_HashFindRandom");
}

void BM_ArcFindMiss(benchmark::State& state) {
  CArc& arc = Archive();
  if (arc.Count() != kMembers) {
    state.SkipWithError("aospack did not run");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(arc.Find("cg99999.abm"));
  state.SetLabel("ref:BM_HashFindRandom");
}

// Reference: a hash table keyed by the folded names.
void BM_HashFindRandom(benchmark::State& state) {
  std::unordered_map<std::string, int> index;
  for (int i = 0; i < kMembers; ++i) index.emplace(sjis::ToLowerAscii(Name(i)), i);
  std::mt19937 rng(3);
  std::vector<std::string> names;
  for (int i = 0; i < 1024; ++i) names.push_back(sjis::ToLowerAscii(Name(static_cast<int>(rng() % kMembers))));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(index.find(sjis::ToLowerAscii(names[i])));
    i = (i + 1) & 1023;
  }
}

}  // namespace

BENCHMARK(BM_ArcFindNeighbour);
BENCHMARK(BM_ArcFindRandom);
BENCHMARK(BM_ArcFindMiss);
BENCHMARK(BM_HashFindRandom);
