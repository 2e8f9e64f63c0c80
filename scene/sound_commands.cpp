#include "scene/sound_commands.h"

#include <algorithm>
#include <cstring>

#include "engine/command_table.h"
#include "engine/engine_host.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "framework/globals.h"
#include "framework/path_name.h"
#include "framework/sjis.h"
#include "graphics/layer_draw.h"
#include "platform/text.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/show_commands.h"
#include "sound/mouth_timing.h"
#include "sound/movie_player.h"
#include "sound/sound_system.h"

namespace {

bool Skipping(std::int32_t run) { return run == RUN_SKIPHELD || run == RUN_SKIP; }

void SetPending(CScriptEngine& eng, std::uint32_t state) {
  if (eng.m_pScene) {
    eng.m_pScene->SetPendingState(state);
  } else {
    Scene().m_nPendingState = state;
  }
}

bool ChannelHasName(int ch) {
  CSoundSystem* snd = GetSoundSystem();
  return snd && snd->Channel(ch).m_szName[0] != '\0';
}

// The engine's side of the sound requests.
class CEngineSoundHost final : public ISoundRequestHost {
 public:
  void ReadSettings(SoundRequestSettings* out) override {
    if (const CSettings* s = Presentation().m_pSettings) *out = SoundSettingsOf(*s);
  }
  std::string ProgramFolder() override {
    const CScriptEngine* eng = Presentation().m_pScript;
    return eng ? eng->m_strProgramFolder : std::string("K:");
  }
  CArc* MusicArchive() override { return Engine() ? &Engine()->MusicArchive() : nullptr; }
  CArc* EffectArchive() override { return Engine() ? &Engine()->EffectArchive() : nullptr; }
  CArc* VoiceArchive() override { return Engine() ? &Engine()->VoiceArchive() : nullptr; }
  std::int32_t RunMode() override { return Scene().m_nRunMode; }
  std::uint32_t PendingState() override { return Scene().m_nPendingState; }
  void SetPendingState(std::uint32_t s) override { Scene().m_nPendingState = s; }
  bool HasVoiceSprite() override { return ::HasVoiceSprite(); }
  void StartMouthTiming(const std::string& path, const std::string& name, CArc* arc) override {
    if (MouthTiming().LoadTable(path, path, arc) != 1) return;
    if (Scene().m_nPendingState != PND_BACKLOG) MarkVoiceMouths(name);
  }
  void ResetVoiceAnimations() override { ::ResetVoiceAnimations(); }

 private:
  static IEngineHost* Engine() { return Presentation().m_pEngine; }
};
CEngineSoundHost g_Host;

// A shown picture with groups (the kind whose mouths a voice drives).
template <typename Fn>
void ForEachVoiceSprite(Fn fn) {
  CObjectTables* t = Presentation().m_pTables ? Presentation().m_pTables : GetObjectTables();
  if (!t) return;
  for (std::int32_t i = 0; i < t->SpriteCount(); ++i) {
    CLayerImage* s = t->SpriteAt(i);
    if (s && s->m_szName[0] != '\0' && s->m_nKind == 2) fn(*s);
  }
}

constexpr std::uint8_t kVoiceMouthMode = 2;

}  // namespace

SoundRequestSettings SoundSettingsOf(const CSettings& s) {
  SoundRequestSettings r;
  r.bgmOn = s.m_bBgm;
  r.voiceOn = s.m_bVoice;
  r.seOn = s.m_bSe;
  r.bgmVolume = s.m_nBgmVolume;
  r.voiceVolume = s.m_nVoiceVolume;
  r.seVolume = s.m_nSeVolume;
  r.voiceGroups = s.m_nVoiceGroups;
  static_assert(kSpeakerSlots == static_cast<std::size_t>(kSoundSpeakerSlots));
  std::copy(std::begin(s.m_bSpeakerVoice), std::end(s.m_bSpeakerVoice), r.speakerVoice);
  std::copy(std::begin(s.m_nSpeakerVolume), std::end(s.m_nSpeakerVolume), r.speakerVolume);
  r.soundFade = s.m_bSoundFade;
  r.duckBgm = s.m_bDuckBgm;
  return r;
}

bool HasVoiceSprite() {
  bool any = false;
  ForEachVoiceSprite([&](CLayerImage&) { any = true; });
  return any;
}

void MarkVoiceMouths(std::string_view voiceName) {
  MouthTiming().Start();
  if (voiceName.size() < 3 || !sjis::EqualNoCase(voiceName.substr(0, 3), "mwd")) return;
  ForEachVoiceSprite([](CLayerImage& s) {
    const std::string_view name(s.m_szName, ::strnlen(s.m_szName, sizeof s.m_szName));
    if (name.size() < 2 || name.substr(0, 2) != "T1") return;
    if (name.size() > 2 && name[2] >= '0' && name[2] <= '9') return;
    for (ImageGroupRecord& g : s.m_Groups)
      if (g.m_nMode == kVoiceMouthMode) g.m_bRunning = 1;
  });
}

void ResetVoiceAnimations() {
  ForEachVoiceSprite([](CLayerImage& s) {
    for (ImageGroupRecord& g : s.m_Groups) {
      if (g.m_nMode != kVoiceMouthMode) continue;
      g.m_nPosition = 0;
      // A mouth left running would go on moving under the next voice when
      // that one has no timing of its own.
      g.m_bRunning = 0;
    }
  });
}

// ---------------------------------------------------------------- music

void CmdBgmon(CScriptEngine& eng, CScriptFrame&) {
  ValueNode* v = eng.m_Root.m_Vars.Find("bgm");
  if (!v) v = eng.m_Root.m_Vars.AddText("bgm", "");
  const ArgSlot& a = eng.m_Args[0];
  if (a.type == '$') {
    const std::string name(a.Text());
    const std::string& memo = SoundRequests().bgmMemo;
    // The memo holds the file name with its extension: the same music named
    // without one goes on playing.
    const std::string stem = memo.size() >= 4 ? memo.substr(0, memo.size() - 4) : memo;
    if (stem == name) return;
    v->SetText(name);
    PlaySoundByKind(ScriptArgInt(eng, 2), name, "bgm", 0);
  } else if (a.type == '%' || a.type == '!') {
    v->SetInt(ScriptArgInt(eng, 1));
  }
}

void CmdBgmoff(CScriptEngine& eng, CScriptFrame&) {
  if (ValueNode* v = eng.m_Root.m_Vars.Find("bgm")) {
    if (v->type == VT_TEXT) v->SetText("");
    else if (v->type == VT_INT) v->SetInt(0);
  }
  SoundRequestState& st = SoundRequests();
  if (st.bgmMemo.empty()) return;
  SoundRequestSettings set;
  if (ISoundRequestHost* h = GetSoundRequestHost()) h->ReadSettings(&set);
  const std::int32_t run = eng.m_pScene ? eng.m_pScene->GetRunMode() : Scene().m_nRunMode;
  if (set.bgmOn == 1 && set.soundFade == 1 && ScriptArgInt(eng, 1) == 0 && !Skipping(run)) {
    StartChannelFade(kBgmChannel, ScriptArgInt(eng, 2));
    SetPending(eng, PND_FADE);
    return;
  }
  st.bgmMemo.clear();
  if (CSoundSystem* snd = GetSoundSystem()) {
    snd->m_nBgmMode.store(0);
    snd->HaltChannel(kBgmChannel);
  }
}

// ---------------------------------------------------------------- ambience

void CmdEnvon(CScriptEngine& eng, CScriptFrame&) {
  PlaySoundByKind(ScriptArgInt(eng, 2), ScriptArgText(eng, 1), "env", 0);
}

void CmdEnvoff(CScriptEngine& eng, CScriptFrame&) {
  SoundRequestState& st = SoundRequests();
  if (st.envMemo.empty()) return;
  SoundRequestSettings set;
  if (ISoundRequestHost* h = GetSoundRequestHost()) h->ReadSettings(&set);
  const std::int32_t run = eng.m_pScene ? eng.m_pScene->GetRunMode() : Scene().m_nRunMode;
  if (set.seOn == 1 && set.soundFade == 1 && ScriptArgInt(eng, 1) == 0 && !Skipping(run)) {
    StartChannelFade(kEnvChannel, ScriptArgInt(eng, 2));
    SetPending(eng, PND_FADE);
    return;
  }
  st.envMemo.clear();
  if (CSoundSystem* snd = GetSoundSystem()) {
    snd->m_nEnvMode.store(0);
    snd->HaltChannel(kEnvChannel);
  }
}

// ---------------------------------------------------------------- effects

void CmdSeon(CScriptEngine& eng, CScriptFrame&) {
  PlaySoundByKind(ScriptArgInt(eng, 2), ScriptArgText(eng, 1), "se", ScriptArgInt(eng, 3));
}

void CmdSeoff(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t index = ScriptArgInt(eng, 1);
  if (index == -1) {
    StopAllEffects();
  } else if (index >= 0 && index < kSoundChannelCount - kFirstSeChannel) {
    StopChannel(kFirstSeChannel + index);
  } else {
    // No effect channel has that number: nothing is stopped.
    SceneDebugBox(FormatText(SJ("%s コマンドの値 %d は範囲外です。"), "seoff", index));
  }
}

// ---------------------------------------------------------------- voices

void CmdCvon(CScriptEngine& eng, CScriptFrame&) {
  if (eng.m_pScene) eng.m_pScene->UpdateReadMark();
  const std::string name = ScriptArgText(eng, 1);
  // The next backlog record keeps the voice, so that the backlog view can
  // play it again.
  if (CMessageText* text = Presentation().m_pText) text->SetVoiceName(name);
  const std::int32_t run = eng.m_pScene ? eng.m_pScene->GetRunMode() : Scene().m_nRunMode;
  const CSettings* s = Presentation().m_pSettings;
  const std::int32_t textSpeed = s ? s->m_nTextSpeed : 0;
  bool play = (run == RUN_NORMAL || run == RUN_PAGE) && textSpeed < 4;
  if (!play && s && s->m_bSkipReadOnly == 1) {
    const ValueNode* mark = eng.m_Root.m_pReadMark;
    const bool read = mark && static_cast<std::int64_t>(mark->nValue) > static_cast<std::int64_t>(eng.m_Root.m_nLine) + 1;
    play = !read;
  }
  if (play) PlaySoundByKind(1, name, "cv", 0);
}

void CmdCvoff(CScriptEngine&, CScriptFrame&) {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  if (ChannelHasName(kVoiceChannel)) snd->Channel(kVoiceChannel).m_bFinished.store(1);
  snd->HaltChannel(kVoiceChannel);
}

// ---------------------------------------------------------------- movies

namespace {
MovieLauncher g_pMovieLauncher = nullptr;
}  // namespace

void SetMovieLauncher(MovieLauncher launcher) { g_pMovieLauncher = launcher; }

std::string MoviePath(const std::string& programFolder, const std::string& name) {
  std::string path = programFolder + "\\movie\\" + name;
  if (SplitPath(path).ext.empty()) path += ".mpg";
  return path;
}

void CmdAvi(CScriptEngine& eng, CScriptFrame&) {
  SetPending(eng, PND_MOVIE);
  const std::string path = eng.m_strProgramFolder + "\\" + ScriptArgText(eng, 1) + ".avi";
  // An AVI that cannot be played says nothing: the wait is a click's to end.
  PlayAvi(GetMainWindowHandle(), &AviDeviceId(), path.c_str());
}

void StopAviMovie() {
  if (AviDeviceId() == 0) return;
  StopAvi();
  PresentWholeScreen();
}

void CmdMovie(CScriptEngine& eng, CScriptFrame&) {
  const std::string path = MoviePath(eng.m_strProgramFolder, ScriptArgText(eng, 1));
  if (g_pMovieLauncher) g_pMovieLauncher(path, ScriptArgInt(eng, 2), ScriptArgInt(eng, 3));
}

// ---------------------------------------------------------------- install

void InstallSoundCommands(CScriptEngine& eng) {
  struct Entry {
    const char* word;
    CommandHandler fn;
  };
  static const Entry kEntries[] = {{"bgmon", &CmdBgmon}, {"bgmoff", &CmdBgmoff}, {"envon", &CmdEnvon},
                                   {"envoff", &CmdEnvoff}, {"seon", &CmdSeon},     {"seoff", &CmdSeoff},
                                   {"cvon", &CmdCvon},   {"cvoff", &CmdCvoff},   {"avi", &CmdAvi},
                                   {"movie", &CmdMovie}};
  for (const Entry& e : kEntries) {
    const int index = FindCommand(e.word);
    if (index >= 0) eng.SetCommandHandler(index, e.fn);
  }
  SetSoundRequestHost(&g_Host);
  LayerDrawHooks hooks = GetLayerDrawHooks();
  hooks.voiceTiming = &MouthTimingHook;
  SetLayerDrawHooks(hooks);
}
