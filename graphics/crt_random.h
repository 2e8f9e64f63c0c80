// The C runtime's random numbers as the original program's runtime made
// them (x = x * 214013 + 2531011, out = (x >> 16) & 0x7FFF): the ranges and
// sequences the game's content was made with, the same on every platform.
#pragma once
#include <cstdint>

class CrtRandom {
 public:
  void Seed(std::uint32_t seed) { m_nState = seed; }
  int Next() {
    m_nState = m_nState * 214013u + 2531011u;
    return static_cast<int>((m_nState >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t m_nState = 1;
};

// The one process-wide generator (srand / rand of the original).
CrtRandom& GetCrtRandom();
