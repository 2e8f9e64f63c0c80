// Sound by kind and name: requests turned into a channel, a file and a
// play mode; the timed fade-outs and the ducking of music and ambience
// while a voice speaks; the memos a saved game keeps.
//
// Kinds (compared without regard to case): "bgm" music on channel 0, "env"
// ambience on channel 1 (its files lie under "se"), "cv" voice on channel 2,
// "se" effects 0-15 on channels 3-18. The play-mode words the refill reads
// are the sound system's (m_nBgmMode, m_nEnvMode, m_nSeMode).
//
// The requests read the user's switches and volumes and the scene's words
// through an ISoundRequestHost that the engine installs; without one every
// switch is off and nothing plays. Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "sound/sound_channel.h"

class CArc;

inline constexpr std::size_t kSoundMemoSize = 16;  // 15 bytes and the NUL of the saved field
inline constexpr int kSoundSpeakerSlots = 128;
inline constexpr std::int32_t kDefaultFadeMs = 1200;

// The settings words the requests read (attenuations 0 loudest .. 100
// silent; switches 1 on).
struct SoundRequestSettings {
  std::int32_t bgmOn = 0;
  std::int32_t voiceOn = 0;
  std::int32_t seOn = 0;  // effects and ambience
  std::int32_t bgmVolume = 0;
  std::int32_t voiceVolume = 0;
  std::int32_t seVolume = 0;
  // bit 0: voices of the other-speaker table allowed; bit 1: of the speaker
  // table.
  std::int32_t voiceGroups = 3;
  std::int32_t speakerVoice[kSoundSpeakerSlots] = {};
  std::int32_t speakerVolume[kSoundSpeakerSlots] = {};
  std::int32_t soundFade = 0;  // 1: fade-outs run
  std::int32_t duckBgm = 0;    // 1: music and ambience lowered under voices
};

// What the requests need from the engine and the scene.
class ISoundRequestHost {
 public:
  virtual ~ISoundRequestHost() = default;
  // The current settings (called at every request and every frame step, so
  // a change of the settings holds at once).
  virtual void ReadSettings(SoundRequestSettings* out) = 0;
  // The game path of the program folder, without a trailing backslash.
  virtual std::string ProgramFolder() { return "K:"; }
  // The music archive ("BGM.AOS") and the effect archive ("SE.AOS"); null
  // or not open when missing.
  virtual CArc* MusicArchive() { return nullptr; }
  virtual CArc* EffectArchive() { return nullptr; }
  // The engine's voice reader of "CV.AOS" (kept closed between voices).
  virtual CArc* VoiceArchive() { return nullptr; }
  virtual std::int32_t RunMode() { return 1; }
  virtual std::uint32_t PendingState() { return 0; }
  virtual void SetPendingState(std::uint32_t) {}
  // Whether a shown sprite with voice-driven mouths exists.
  virtual bool HasVoiceSprite() { return false; }
  // A voice starts: its mouth-timing file (a game path, or the member name
  // when `arc` is set) and the voice's file name.
  virtual void StartMouthTiming(const std::string& /*path*/, const std::string& /*name*/, CArc* /*arc*/) {}
  // A finished voice was halted: the mouths go back to their first frame.
  virtual void ResetVoiceAnimations() {}
};

// Installs the host (null removes it) and makes the requests the sound
// system's volume host; the channels take their kinds' volumes again.
void SetSoundRequestHost(ISoundRequestHost* host);
ISoundRequestHost* GetSoundRequestHost();
// Every channel takes its volume from the settings again (a voice with its
// speaker's weighting); for a change of the volume settings. A fading
// channel is left to its fade; the ducking applies on the next frame step.
void ApplySoundVolumes();

// One fade entry per channel.
struct ChannelFade {
  std::int32_t active = 0;
  std::uint32_t start = 0;     // tick
  std::int32_t duration = 0;   // ms
  std::int32_t delta = 0;      // attenuation added over the duration
};

// The words of the requests that outlive a request.
struct SoundRequestState {
  std::string bgmMemo, envMemo, seMemo;  // each at most 15 bytes
  std::int32_t currentSpeaker = 0;
  ChannelFade fades[kSoundChannelCount];
};
SoundRequestState& SoundRequests();
// Modes, memos, fades and the speaker back to the start of a run (the
// return to the title, tests).
void ResetSoundRequests();

// The request entry. mode: "bgm" / "env" 0 loops, any other value plays
// once; "se" 0 once, 1 once with the script waiting (every effect is
// stopped first and channel 3 is used), 2 loops, other values keep the
// effect mode; "cv" ignores it. index: the effect 0..15 ("se" only;
// clamped). 1 when the request was handled (also when a switch silenced
// it), 0 on failure.
int PlaySoundByKind(std::int32_t mode, std::string_view name, std::string_view kind, std::int32_t index);
// A voice with the voice switches and gates: PlaySoundByKind(1, name, "cv", 0).
int RequestVoice(std::string_view name);
// Stops one channel with its bookkeeping (a voice resets the mouths, the
// waited effect ends the script's wait); HaltChannel's result.
int StopChannel(int channel);
// StopChannel for channels 3 to 18.
int StopAllEffects();
// A fade-out of channel 0 or 1 over `durationMs` (0: 1200), from the kind's
// volume to silence; it ends with the channel's stop, and the memo and mode
// are cleared.
void StartChannelFade(int channel, std::int32_t durationMs);
// The per-frame step of the fades and the ducking.
void UpdateSoundFades();

// The end message's second half for a sound that loops by request: music,
// ambience and the first effect channel are asked for again from their
// memos while their mode is 2. 1 when a request was made.
int RestartLoopingSound(int channel);
// After a load: the music from its memo (looping for mode 2, else once),
// the ambience when its mode is 2.
void RestartSoundsFromMemos(std::int32_t bgmMode, std::string_view bgmMemo, std::int32_t envMode,
                            std::string_view envMemo);
// The attenuation an open applies on a channel (the voice weighted by the
// current speaker's volume).
int OpenAttenuation(int channel);
int KindAttenuation(int channel);
