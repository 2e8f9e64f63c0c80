#include "platform/resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace pl {

Resampler::~Resampler() { Close(); }

bool Resampler::Open(int inRate, int inChannels, int outRate, int outChannels) {
  Close();
  AVChannelLayout inLayout, outLayout;
  av_channel_layout_default(&inLayout, inChannels);
  av_channel_layout_default(&outLayout, outChannels);
  SwrContext* swr = nullptr;
  if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout, AV_SAMPLE_FMT_S16, inRate, 0,
                          nullptr) < 0 ||
      !swr) {
    swr_free(&swr);
    return false;
  }
  // Mono goes to both sides at its full level, as the mixer plays a mono
  // buffer; stereo becomes mono as the mean of its sides.
  if (inChannels != outChannels) {
    const double up[2] = {1.0, 1.0};
    const double down[2] = {0.5, 0.5};
    if (swr_set_matrix(swr, inChannels == 1 ? up : down, inChannels) < 0) {
      swr_free(&swr);
      return false;
    }
  }
  if (swr_init(swr) < 0) {
    swr_free(&swr);
    return false;
  }
  m_pSwr = swr;
  return true;
}

void Resampler::Close() {
  if (m_pSwr) swr_free(&m_pSwr);
  m_pSwr = nullptr;
}

int Resampler::MaxOutFrames(int inFrames) { return m_pSwr ? swr_get_out_samples(m_pSwr, inFrames) : -1; }

int Resampler::Convert(const std::uint8_t* in, int inFrames, std::uint8_t* out, int outFrames) {
  if (!m_pSwr) return -1;
  const std::uint8_t* inPlanes[1] = {in};
  std::uint8_t* outPlanes[1] = {out};
  return swr_convert(m_pSwr, outPlanes, outFrames, in ? inPlanes : nullptr, in ? inFrames : 0);
}

}  // namespace pl
