// The channel thread and the refill it runs: each half of a channel's buffer
// is written while the cursor plays the other, with looping, the silent
// drain after the last data, and the end message once every byte has been
// heard.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/text.h"
#include "sound/sound_system.h"

namespace {
constexpr std::uint32_t kAllEvents = (1u << kEventHalf0) | (1u << kEventHalf1) | (1u << kEventStopped) |
                                     (1u << kEventQuit) | (1u << kEventProbe);
}  // namespace

int CSoundSystem::StreamThreadProc(int ch) {
  pl::RaiseCurrentThreadPriority();
  CSoundChannel& c = m_Channels[ch];
  for (;;) {
    const int event = c.m_Events.WaitAny(kAllEvents);
    switch (event) {
      case kEventHalf0:
      case kEventHalf1: {
        CRefillGuard lock(c.m_RefillLock);
        if (c.m_szName[0] != '\0') FillChannelHalf(ch, event);
        break;
      }
      case kEventStopped:
        // The voice archive lives closed between voices. Closing it before
        // the answer means the halting thread finds it closed and need not
        // poll for it.
        if (ch == kVoiceChannel) {
          if (CArc* arc = m_pVoiceArchive.exchange(nullptr)) arc->Close();
        }
        c.m_StopAck.Set();
        break;
      case kEventQuit:
        c.m_ThreadDone.Set();
        return 0;
      case kEventProbe: {
        std::lock_guard<std::mutex> g(c.m_ProbeMu);
        ++c.m_nProbes;
        c.m_ProbeCv.notify_all();
        break;
      }
      default:
        break;
    }
  }
}

std::uint32_t CSoundSystem::FillFromWave(CSoundChannel& c, std::uint8_t* dst, bool loop, bool* rewindFailed) {
  const std::uint32_t half = c.m_nHalfBytes;
  std::uint32_t got = 0;
  c.m_Wave.Read(0, half, dst, &got);
  // A loop shorter than a half is rewound as often as it takes to fill it;
  // a pass that brings nothing (an empty data chunk) ends the attempt.
  while (loop && got < half) {
    if (c.m_Wave.SeekData() != CWaveFile::kOk) {
      *rewindFailed = true;
      break;
    }
    const std::uint32_t before = got;
    c.m_Wave.Read(before, half, dst, &got);
    if (got == before) break;
  }
  return got;
}

std::uint32_t CSoundSystem::FillFromOgg(CSoundChannel& c, std::uint8_t* dst, bool loop, bool* rewindFailed) {
  const std::uint32_t half = c.m_nHalfBytes;
  // The stream's second equals the half (a file in another format goes
  // through the converter); the copy is bounded by the half all the same.
  int got = c.m_Ogg.Decode(0);
  while (loop && static_cast<std::uint32_t>(got) < half) {
    if (!c.m_Ogg.Rewind()) {
      *rewindFailed = true;
      break;
    }
    const int before = got;
    got = c.m_Ogg.Decode(before);
    if (got == before) break;
  }
  const std::uint32_t n = std::min<std::uint32_t>(static_cast<std::uint32_t>(std::max(got, 0)), half);
  if (n > 0) std::memcpy(dst, c.m_Ogg.Pcm(), n);
  return n;
}

std::uint32_t CSoundSystem::FillConverted(CSoundChannel& c, std::uint8_t* dst, bool loop, bool* rewindFailed) {
  const std::uint32_t half = c.m_nHalfBytes;
  CPcmConverter& conv = c.m_Converter;
  const std::uint32_t inBlock = static_cast<std::uint32_t>(conv.InBlockAlign());
  // The next stretch of the file in its own format; 0 bytes at its end.
  auto read = [&](const std::uint8_t** from) -> std::uint32_t {
    if (c.m_nFileKind == SoundFileKind::Ogg) {
      *from = c.m_Ogg.Pcm();
      return static_cast<std::uint32_t>(std::max(c.m_Ogg.Decode(0), 0));
    }
    std::uint32_t count = 0;
    const std::uint32_t want = static_cast<std::uint32_t>(c.m_SourceBlock.size());
    c.m_Wave.Read(0, want - want % inBlock, c.m_SourceBlock.data(), &count);
    *from = c.m_SourceBlock.data();
    return count;
  };
  auto rewind = [&] {
    return c.m_nFileKind == SoundFileKind::Ogg ? c.m_Ogg.Rewind() == 1 : c.m_Wave.SeekData() == CWaveFile::kOk;
  };

  std::uint32_t got = conv.Take(dst, half);
  while (got < half && !c.m_bSourceDone) {
    const std::uint8_t* from = nullptr;
    std::uint32_t n = read(&from);
    if (n < inBlock) {
      if (!loop) {
        // Played once: the resampler's tail ends the sound.
        conv.Flush();
        c.m_bSourceDone = true;
        got += conv.Take(dst + got, half - got);
        break;
      }
      // Looping: the stream starts again and the resampler goes on
      // through the seam, so every pass keeps its length.
      if (!rewind()) {
        *rewindFailed = true;
        break;
      }
      n = read(&from);
      if (n < inBlock) break;  // no data at all
    }
    const int frames = static_cast<int>(n / inBlock);
    for (int done = 0; done < frames;) {
      const int part = std::min(frames - done, CPcmConverter::kMaxPushFrames);
      conv.Push(from + static_cast<std::size_t>(done) * inBlock, part);
      done += part;
    }
    got += conv.Take(dst + got, half - got);
  }
  return got;
}

int CSoundSystem::FillChannelHalf(int ch, int e) {
  if (!IsSoundAvailable() || ch < 0 || ch >= kSoundChannelCount || (e != 0 && e != 1)) return 0;
  CSoundChannel& c = m_Channels[ch];
  if (!c.m_pBuffer) return 0;
  const int h = 1 - e;
  const std::uint32_t half = c.m_nHalfBytes;

  if (c.m_nEndHalf == e) {
    // The last data plays in the other half; silence follows it.
    ZeroBuffer(c, static_cast<std::uint32_t>(h) * half, half);
    return 1;
  }

  if (c.m_nEndHalf == -1) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    if (!c.m_pBuffer->Lock(static_cast<std::uint32_t>(h) * half, half, &p1, &n1, &p2, &n2)) {
      // Without a region there is nothing to write through.
      if (!c.m_pBuffer->Restore() ||
          !c.m_pBuffer->Lock(static_cast<std::uint32_t>(h) * half, half, &p1, &n1, &p2, &n2))
        return 1;
    }
    auto* dst = static_cast<std::uint8_t*>(p1);
    const bool loop = IsLooping(ch);
    bool rewindFailed = false;
    std::uint32_t got = 0;
    if (c.m_Converter.IsOpen())
      got = FillConverted(c, dst, loop, &rewindFailed);
    else if (c.m_nFileKind == SoundFileKind::Wave)
      got = FillFromWave(c, dst, loop, &rewindFailed);
    else if (c.m_nFileKind == SoundFileKind::Ogg)
      got = FillFromOgg(c, dst, loop, &rewindFailed);
    if (got < half) {
      std::memset(dst + got, 0, half - got);
      // A failed rewind ends the sound like the end of its data.
      if (!loop || rewindFailed) c.m_nEndHalf = h;
    }
    c.m_pBuffer->Unlock(p1, n1, p2, n2);

    // The refill must end before the cursor reaches the half it wrote, or
    // the stale half has been heard.
    if (c.m_pBuffer->IsPlaying()) {
      std::uint32_t play = 0;
      c.m_pBuffer->GetCurrentPosition(&play, nullptr);
      if (play / half == static_cast<std::uint32_t>(h))
        std::fprintf(stderr, "kivzo: sound channel %d: refill of half %d came too late\n", ch, h);
    }
    return rewindFailed ? 0 : 1;
  }

  if (c.m_nEndHalf == h) {
    // The silent half has begun: every byte of the sound has been heard.
    if (c.m_bFinished.load() == 1) return 1;
    c.m_bFinished.store(1);
    c.m_pBuffer->SetVolume(pl::kSoundVolumeMin);
    pl::PostMessage(m_pWindow, kEndMessage, EndMessageParam(ch, c.m_nGeneration.load()), 0);
  }
  return 1;
}
