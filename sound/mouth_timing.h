// The mouth timing of the speaking voice: a ".cog" file beside the voice
// (under "cv" or in "CV.AOS") lists the stretches in which the speaker's
// mouth rests, as pairs {start, end} of milliseconds from the voice's start
// after a 20-byte header; the pair (0xFFFFFFFF, 0xFFFFFFFF) ends the list,
// which holds at most 16 pairs. The sprite drawing asks for it through the
// voice-timing hook of the layer drawing. Main thread only.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

class CArc;

class CMouthTiming {
 public:
  static constexpr std::size_t kHeaderBytes = 20;
  static constexpr int kMaxPairs = 16;
  static constexpr std::uint32_t kEndMark = 0xFFFFFFFFu;

  // Loads the timing of a voice: the member `member` of the archive when one
  // is given, else the file at `path`. The previous timing is dropped first.
  // 1 loaded, 0 missing or unreadable (then there is no timing).
  int LoadTable(std::string_view path, std::string_view member, CArc* archive);
  // Takes the timing from the file's bytes; a file that ends inside the
  // header keeps no timing, one that ends inside the pairs keeps the whole
  // pairs it holds. 1 / 0.
  int SetTable(const std::uint8_t* bytes, std::size_t size);
  // The voice starts now.
  void Start();
  void Release();

  bool HasTable() const { return m_bLoaded; }
  // Milliseconds since the start and the pairs (the end mark included when
  // the file has one); false without timing.
  bool Now(std::uint32_t* elapsedMs, const std::uint32_t** pairs, int* pairCount) const;
  // Whether the mouth rests at `elapsedMs`: inside a pair, or past the end
  // of the last pair once the end mark is met.
  bool RestsAt(std::uint32_t elapsedMs) const;

 private:
  std::vector<std::uint32_t> m_Pairs;  // start, end, start, end ...
  bool m_bLoaded = false;
  std::uint32_t m_dwStart = 0;
};

// The timing of the process's voice.
CMouthTiming& MouthTiming();
// For LayerDrawHooks::voiceTiming.
bool MouthTimingHook(std::uint32_t* elapsedMs, const std::uint32_t** pairs, int* pairCount);
