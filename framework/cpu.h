// The processor class that decides whether the pixel routines take their
// SIMD paths.
#pragma once
#include <cstdint>

// Class from what the processor reports: 1 no CPUID, 2 no MMX, 3 MMX without
// conditional moves, 4 MMX with conditional moves.
int ClassifyCpu(bool hasCpuid, std::uint32_t featureEdx);
// This processor's class, computed once (every x86-64 processor is class 4;
// other processors have none of these paths and are class 1).
int GetCpuClass();
