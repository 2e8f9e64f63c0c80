#include "sound/sound_request.h"

#include <algorithm>
#include <cstdint>

#include "framework/app_base.h"
#include "framework/arc.h"
#include "framework/sjis.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "sound/sound_system.h"
#include "sound/voice_speakers.h"

namespace {

// Pending-state words the requests touch (the scene's values).
constexpr std::uint32_t kWaitOperation = 0x1;
constexpr std::uint32_t kWaitFade = 0x2000;
constexpr std::uint32_t kWaitAfterLoad = 0x20000;
constexpr std::uint32_t kBacklogView = 0x80000000u;

constexpr std::size_t kMemoBytes = kSoundMemoSize - 1;
constexpr std::size_t kNameWithDotMax = 15;
constexpr std::size_t kBareNameMax = 11;
constexpr int kEffectCount = 16;

enum class Kind { Bgm, Env, Voice, Se };

ISoundRequestHost* g_pHost = nullptr;
SoundRequestState g_State;
// Music and ambience lowered by the ducking and not yet brought back.
bool g_bDucked[2] = {false, false};

SoundRequestSettings CurrentSettings() {
  SoundRequestSettings s;
  if (g_pHost) g_pHost->ReadSettings(&s);
  return s;
}

void RequestBox(const std::string& text, const char* caption) {
  if (CSoundSystem* snd = GetSoundSystem()) {
    snd->ReportBox(text, caption);
  } else {
    pl::MessageBox(nullptr, text, caption, pl::MB_OK);
  }
}

bool HasName(CSoundSystem* snd, int ch) { return snd && snd->Channel(ch).m_szName[0] != '\0'; }

void SetModeWord(CSoundSystem* snd, int ch, std::int32_t mode) {
  if (!snd) return;
  if (ch == kBgmChannel) snd->m_nBgmMode.store(mode);
  else if (ch == kEnvChannel) snd->m_nEnvMode.store(mode);
  else snd->m_nSeMode.store(mode);
}

int ClampAttenuation(std::int64_t a) { return static_cast<int>(std::clamp<std::int64_t>(a, 0, 100)); }

int KindVolumeOf(const SoundRequestSettings& s, int ch) {
  if (ch == kBgmChannel) return ClampAttenuation(s.bgmVolume);
  if (ch == kVoiceChannel) return ClampAttenuation(s.voiceVolume);
  return ClampAttenuation(s.seVolume);
}

// The sound system asks the requests for the volumes and tells them when a
// channel opens (its fade is over) or a finished voice stops.
class CRequestVolumes final : public ISoundHost {
 public:
  int KindVolume(int ch) override { return KindAttenuation(ch); }
  int OpenVolume(int ch) override { return OpenAttenuation(ch); }
  void OnChannelOpened(int ch) override {
    if (ch >= 0 && ch < kSoundChannelCount) g_State.fades[ch].active = 0;
    if (ch == kBgmChannel || ch == kEnvChannel) g_bDucked[ch] = false;
  }
  void ResetVoiceAnimations() override {
    if (g_pHost) g_pHost->ResetVoiceAnimations();
  }
};
CRequestVolumes g_Volumes;

void ClearMemoOf(int ch) {
  if (ch == kBgmChannel) g_State.bgmMemo.clear();
  else if (ch == kEnvChannel) g_State.envMemo.clear();
  else if (ch == kFirstSeChannel) g_State.seMemo.clear();
}

std::string* MemoOf(Kind k) {
  switch (k) {
    case Kind::Bgm:
      return &g_State.bgmMemo;
    case Kind::Env:
      return &g_State.envMemo;
    case Kind::Se:
      return &g_State.seMemo;
    default:
      return nullptr;
  }
}

void EndFade(CSoundSystem* snd, int ch) {
  // Only the channels with a mode word and a memo have them cleared: the
  // effect word is channel 3's.
  if (ch == kBgmChannel || ch == kEnvChannel || ch == kFirstSeChannel) {
    SetModeWord(snd, ch, 0);
    ClearMemoOf(ch);
  }
  StopChannel(ch);
  g_State.fades[ch].active = 0;
  // Only the fade's own wait ends here: a wait that began since (or the
  // backlog view over it) is not the fade's to end.
  if (g_pHost && g_pHost->PendingState() == kWaitFade) g_pHost->SetPendingState(0);
}

}  // namespace

// ---------------------------------------------------------------- host

void SetSoundRequestHost(ISoundRequestHost* host) {
  g_pHost = host;
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  snd->SetHost(host ? &g_Volumes : nullptr);
  if (host) ApplySoundVolumes();
}

void ApplySoundVolumes() {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    if (g_State.fades[ch].active) continue;  // the fade sets its own volume
    snd->SetChannelVolume(HasName(snd, ch) ? OpenAttenuation(ch) : KindAttenuation(ch), ch);
  }
}

ISoundRequestHost* GetSoundRequestHost() { return g_pHost; }

SoundRequestState& SoundRequests() { return g_State; }

void ResetSoundRequests() {
  g_State = SoundRequestState{};
  g_bDucked[0] = g_bDucked[1] = false;
  if (CSoundSystem* snd = GetSoundSystem()) {
    snd->m_nBgmMode.store(0);
    snd->m_nEnvMode.store(0);
    snd->m_nSeMode.store(0);
  }
}

int KindAttenuation(int ch) { return KindVolumeOf(CurrentSettings(), ch); }

int OpenAttenuation(int ch) {
  const SoundRequestSettings s = CurrentSettings();
  const int v = KindVolumeOf(s, ch);
  if (ch != kVoiceChannel) return v;
  const int row = std::clamp(g_State.currentSpeaker, 0, kSoundSpeakerSlots - 1);
  const int weight = ClampAttenuation(s.speakerVolume[row]);
  return v + (100 - v) * weight / 100;
}

// ---------------------------------------------------------------- requests

int PlaySoundByKind(std::int32_t mode, std::string_view nameIn, std::string_view kindText, std::int32_t index) {
  Kind kind;
  if (sjis::EqualNoCase(kindText, "bgm")) kind = Kind::Bgm;
  else if (sjis::EqualNoCase(kindText, "env")) kind = Kind::Env;
  else if (sjis::EqualNoCase(kindText, "cv")) kind = Kind::Voice;
  else if (sjis::EqualNoCase(kindText, "se")) kind = Kind::Se;
  else {
    RequestBox(SJ("サウンドのディレクトリ指定が間違っています。"), SJ("デバッグ"));
    return 0;
  }
  // A name is text up to its NUL.
  std::string name(nameIn.substr(0, std::min(nameIn.size(), nameIn.find('\0'))));
  CSoundSystem* snd = GetSoundSystem();
  const SoundRequestSettings set = CurrentSettings();

  // 1. The channel, the play mode and the user's switch.
  int ch = kBgmChannel;
  switch (kind) {
    case Kind::Bgm:
      if (HasName(snd, kBgmChannel) && snd) snd->HaltChannel(kBgmChannel);
      SetModeWord(snd, kBgmChannel, mode == 0 ? 2 : 1);
      if (set.bgmOn != 1) {
        g_State.bgmMemo = sjis::CutBounded(name, kMemoBytes);
        return 1;
      }
      break;
    case Kind::Env:
      ch = kEnvChannel;
      if (HasName(snd, kEnvChannel) && snd) snd->HaltChannel(kEnvChannel);
      SetModeWord(snd, kEnvChannel, mode == 0 ? 2 : 1);
      if (set.seOn != 1) {
        g_State.envMemo = sjis::CutBounded(name, kMemoBytes);
        return 1;
      }
      break;
    case Kind::Voice:
      ch = kVoiceChannel;
      if (set.voiceOn != 1) return 1;
      break;
    case Kind::Se:
      index = std::clamp(index, 0, kEffectCount - 1);
      if (HasName(snd, kFirstSeChannel + index)) StopChannel(kFirstSeChannel + index);
      if (mode == 0) {
        SetModeWord(snd, kFirstSeChannel, 1);
      } else if (mode == 1) {
        StopAllEffects();
        SetModeWord(snd, kFirstSeChannel, 3);
        index = 0;
      } else if (mode == 2) {
        SetModeWord(snd, kFirstSeChannel, 2);
      }
      ch = kFirstSeChannel + index;
      if (set.seOn != 1) return 1;
      break;
  }

  // 2. The file names to try.
  std::string oggName, wavName, timingName;
  const char* tooLong = SJ("ファイル名の指定が長すぎます\n「 %s 」");
  auto warnLong = [&](std::size_t limit) {
    if (name.size() <= limit) return;
    std::string text(tooLong);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
    ShowWarning(text.c_str());
    name = sjis::CutBounded(name, limit);
  };
  if (sjis::FindChar(name, '.') != std::string::npos) {
    warnLong(kNameWithDotMax);
    oggName = wavName = name;
  } else {
    warnLong(kBareNameMax);
    oggName = name + ".ogg";
    wavName = name + ".wav";
    timingName = name + ".cog";
  }

  // 3. Voices: the speaker's gates.
  if (kind == Kind::Voice) {
    int group = -1;
    const int row = SpeakerRowOf(name, &group);
    if (group == 0 && !(set.voiceGroups & 1)) return 1;
    if (group == 1 && !(set.voiceGroups & 2)) return 1;
    g_State.currentSpeaker = row;
    if (set.speakerVoice[row] == 0) return 1;
    if (HasName(snd, kVoiceChannel)) {
      // Marked finished so that the halt puts the mouths back.
      snd->Channel(kVoiceChannel).m_bFinished.store(1);
      snd->HaltChannel(kVoiceChannel);
    }
  }

  // 4. Paths in the program folder.
  const std::string folder = g_pHost ? g_pHost->ProgramFolder() : std::string("K:");
  const char* sub = kind == Kind::Bgm ? "bgm" : kind == Kind::Voice ? "cv" : "se";
  const std::string base = folder + "\\" + sub + "\\";
  const std::string oggPath = base + oggName, wavPath = base + wavName;

  // 5. Voices: the voice archive and the mouth timing.
  CArc* archive = nullptr;
  if (kind == Kind::Voice) {
    archive = snd ? snd->GetVoiceArchive() : nullptr;
    if (!archive && snd && g_pHost) {
      CArc* cv = g_pHost->VoiceArchive();
      if (cv && cv->Reopen() == 1) {
        snd->SetVoiceArchive(cv);
        archive = cv;
      }
    }
    if (g_pHost && !timingName.empty() && g_pHost->HasVoiceSprite()) {
      g_pHost->StartMouthTiming(archive ? timingName : base + timingName, name, archive);
    }
  } else if (g_pHost) {
    archive = kind == Kind::Bgm ? g_pHost->MusicArchive() : g_pHost->EffectArchive();
  }
  if (archive && !archive->IsOpen()) archive = nullptr;

  // 6. Loose files first, then the kind's archive.
  std::string tried;
  std::string loosePath;
  if (pl::FileExists(oggPath)) {
    tried = oggName;
    loosePath = oggPath;
  } else if (pl::FileExists(wavPath)) {
    tried = wavName;
    loosePath = wavPath;
  }
  if (!loosePath.empty()) {
    const std::int32_t run = g_pHost ? g_pHost->RunMode() : 1;
    const bool skipping = run == 4 || run == 8;
    if (!(kind == Kind::Se && skipping)) {
      if (!snd || !snd->OpenChannelFile(loosePath.c_str(), ch)) return 0;
    }
  } else if (archive) {
    if (archive->GetSize(oggName) >= 0) {
      tried = oggName;
    } else if (archive->GetSize(wavName) >= 0) {
      tried = wavName;
    } else {
      RequestBox(std::string(SJ("「 ")) + name + SJ(" 」　サウンドファイルオープンに失敗しました。"), SJ("警告"));
      return 0;
    }
    if (!snd) return 0;
    snd->Channel(ch).m_pArchive = archive;
    if (!snd->OpenChannelFile(tried.c_str(), ch)) return 0;
  } else {
    return 1;
  }

  // 7. The memo of the kind.
  if (std::string* memo = MemoOf(kind)) *memo = sjis::CutBounded(tried, kMemoBytes);

  // 8. A waited effect holds the script until it ends or is stopped. Only
  // a request for one waits: the mode word stays 3 after a waited effect,
  // and a later effect of another mode elsewhere would wait on an idle
  // channel 3 for ever.
  if (kind == Kind::Se && mode == 1 && snd && snd->m_nSeMode.load() == 3 && HasName(snd, ch) && g_pHost) {
    g_pHost->SetPendingState(kWaitOperation);
  }
  return 1;
}

int RequestVoice(std::string_view name) { return PlaySoundByKind(1, name, "cv", 0); }

int StopChannel(int ch) {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd || ch < 0 || ch >= kSoundChannelCount) return 0;
  if (ch == kVoiceChannel && HasName(snd, ch)) snd->Channel(ch).m_bFinished.store(1);
  if (ch == kFirstSeChannel && snd->m_nSeMode.load() == 3 && HasName(snd, ch) && g_pHost) {
    const std::uint32_t state = g_pHost->PendingState();
    if (state != kWaitAfterLoad && state != kBacklogView) g_pHost->SetPendingState(0);
  }
  return snd->HaltChannel(ch);
}

int StopAllEffects() {
  int result = 1;
  for (int ch = kFirstSeChannel; ch < kSoundChannelCount; ++ch) result = StopChannel(ch);
  return result;
}

void StartChannelFade(int ch, std::int32_t durationMs) {
  if (ch < 0 || ch >= kSoundChannelCount) return;
  ChannelFade& f = g_State.fades[ch];
  f.active = 1;
  f.delta = 100 - KindAttenuation(ch);
  f.duration = durationMs == 0 ? kDefaultFadeMs : durationMs;
  f.start = pl::TickMs();
}

// ---------------------------------------------------------------- per frame

void UpdateSoundFades() {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  const SoundRequestSettings set = CurrentSettings();
  const std::uint32_t now = pl::TickMs();

  for (int ch = 0; ch < kSoundChannelCount; ++ch) {
    ChannelFade& f = g_State.fades[ch];
    if (!f.active) continue;
    const auto elapsed = static_cast<std::int32_t>(now - f.start);
    // With fades switched off meanwhile the fade ends at once: left
    // waiting, the script would never go on.
    if (set.soundFade != 1 || f.duration <= 0 || elapsed >= f.duration) {
      EndFade(snd, ch);
      continue;
    }
    const std::int64_t a =
        KindVolumeOf(set, ch) + static_cast<std::int64_t>(f.delta) * std::max<std::int32_t>(elapsed, 0) / f.duration;
    if (snd->Channel(ch).m_pBuffer) snd->SetChannelVolume(ClampAttenuation(a), ch);
  }

  const bool voice = HasName(snd, kVoiceChannel);
  for (int ch = kBgmChannel; ch <= kEnvChannel; ++ch) {
    CSoundChannel& c = snd->Channel(ch);
    const int s = KindVolumeOf(set, ch);
    if (set.duckBgm == 1 && voice) {
      const int t = 100 - (100 - s) / 2;
      if (c.m_nAttenuation != t && c.m_pBuffer) snd->SetChannelVolume(t, ch);
      g_bDucked[ch] = true;
    } else if (set.duckBgm == 1 || g_bDucked[ch]) {
      // Ducking switched off under a voice still brings the channel back.
      if (!g_State.fades[ch].active && c.m_nAttenuation != s) snd->SetChannelVolume(s, ch);
      if (!g_State.fades[ch].active) g_bDucked[ch] = false;
    }
  }
}

// ---------------------------------------------------------------- restarts

int RestartLoopingSound(int ch) {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return 0;
  if (ch == kBgmChannel && snd->m_nBgmMode.load() == 2 && !g_State.bgmMemo.empty()) {
    const std::string memo = g_State.bgmMemo;
    PlaySoundByKind(0, memo, "bgm", 0);
    return 1;
  }
  if (ch == kEnvChannel && snd->m_nEnvMode.load() == 2 && !g_State.envMemo.empty()) {
    const std::string memo = g_State.envMemo;
    PlaySoundByKind(0, memo, "env", 0);
    return 1;
  }
  if (ch == kFirstSeChannel && snd->m_nSeMode.load() == 2 && !g_State.seMemo.empty()) {
    const std::string memo = g_State.seMemo;
    PlaySoundByKind(2, memo, "se", 0);
    return 1;
  }
  return 0;
}

void RestartSoundsFromMemos(std::int32_t bgmMode, std::string_view bgmMemo, std::int32_t envMode,
                            std::string_view envMemo) {
  // The saved memos stand even when the files cannot be found now, so that
  // a later save keeps them.
  g_State.bgmMemo = sjis::CutBounded(bgmMemo, kMemoBytes);
  g_State.envMemo = sjis::CutBounded(envMemo, kMemoBytes);
  CSoundSystem* snd = GetSoundSystem();
  SetModeWord(snd, kBgmChannel, bgmMode);
  SetModeWord(snd, kEnvChannel, envMode);
  if (!g_State.bgmMemo.empty()) {
    const std::string memo = g_State.bgmMemo;
    PlaySoundByKind(bgmMode == 2 ? 0 : 1, memo, "bgm", 0);
  }
  if (!g_State.envMemo.empty() && envMode == 2) {
    const std::string memo = g_State.envMemo;
    PlaySoundByKind(0, memo, "env", 0);
  }
}
