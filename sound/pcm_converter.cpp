#include "sound/pcm_converter.h"

#include <algorithm>
#include <cstring>

CPcmConverter::~CPcmConverter() { Close(); }

bool CPcmConverter::Open(int inRate, int inChannels, int outRate, int outChannels) {
  Close();
  if (inRate <= 0 || outRate <= 0 || inChannels < 1 || inChannels > 2 || outChannels < 1 || outChannels > 2) {
    return false;
  }
  if (!m_Resampler.Open(inRate, inChannels, outRate, outChannels)) return false;
  m_nInRate = inRate;
  m_nInChannels = inChannels;
  m_nOutRate = outRate;
  m_nOutChannels = outChannels;
  // One push's output (with the resampler's delay) twice over: a refill
  // leaves at most one push's worth behind. The streams push a second of
  // the file at most, so that is what is sized for (a larger push grows the
  // queue): a file that claims a rate of a few hertz must not make it huge.
  const long long inFrames = std::min(inRate, kMaxPushFrames);
  const long long perPush = inFrames * outRate / inRate + 4096;
  m_Queue.assign(static_cast<std::size_t>(2 * perPush * 2 * outChannels), 0);
  m_nHead = m_nEnd = 0;
  return true;
}

void CPcmConverter::Close() {
  m_Resampler.Close();
  m_nInRate = m_nInChannels = m_nOutRate = m_nOutChannels = 0;
  m_Queue.clear();
  m_Queue.shrink_to_fit();
  m_nHead = m_nEnd = 0;
}

bool CPcmConverter::Convert(const std::uint8_t* in, int frames) {
  if (!m_Resampler.IsOpen()) return false;
  // Waiting bytes move to the front, so the room behind them is whole.
  if (m_nHead > 0) {
    std::memmove(m_Queue.data(), m_Queue.data() + m_nHead, m_nEnd - m_nHead);
    m_nEnd -= m_nHead;
    m_nHead = 0;
  }
  const std::size_t outBlock = static_cast<std::size_t>(2 * m_nOutChannels);
  const int want = m_Resampler.MaxOutFrames(frames);
  if (want < 0) return false;
  const std::size_t need = m_nEnd + static_cast<std::size_t>(want) * outBlock;
  if (need > m_Queue.size()) m_Queue.resize(need);
  std::uint8_t* out = m_Queue.data() + m_nEnd;
  const int got = m_Resampler.Convert(in, frames, out, want);
  if (got < 0) return false;
  m_nEnd += static_cast<std::size_t>(got) * outBlock;
  return true;
}

bool CPcmConverter::Push(const std::uint8_t* in, int frames) {
  if (!in || frames <= 0) return true;
  return Convert(in, std::min(frames, kMaxPushFrames));
}

void CPcmConverter::Flush() { Convert(nullptr, 0); }

std::uint32_t CPcmConverter::Take(std::uint8_t* dst, std::uint32_t bytes) {
  const std::size_t outBlock = static_cast<std::size_t>(2 * std::max(m_nOutChannels, 1));
  std::size_t n = std::min<std::size_t>(bytes, m_nEnd - m_nHead);
  n -= n % outBlock;
  if (n == 0) return 0;
  std::memcpy(dst, m_Queue.data() + m_nHead, n);
  m_nHead += n;
  if (m_nHead == m_nEnd) m_nHead = m_nEnd = 0;
  return static_cast<std::uint32_t>(n);
}
