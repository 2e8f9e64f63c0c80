#include "framework/cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <atomic>

#include "platform/time.h"

int ClassifyCpu(bool hasCpuid, std::uint32_t featureEdx) {
  if (!hasCpuid) return 1;
  if (!(featureEdx & 0x800000u)) return 2;
  return (featureEdx & 0x8000u) ? 4 : 3;
}

int GetCpuClass() {
  static std::atomic<int> s_nCpuClass{0};
  int cached = s_nCpuClass.load();
  if (cached) return cached;
  // The original settles for a moment before it probes; harmless to keep.
  pl::SleepMs(10);
  int cls = 1;
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d)) cls = ClassifyCpu(true, d);
  else cls = ClassifyCpu(false, 0);
#endif
  s_nCpuClass.store(cls);
  return cls;
}
