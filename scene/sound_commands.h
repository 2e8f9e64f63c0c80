// The script's sound commands: bgmon / bgmoff (music, with the reserved
// variable "bgm" and the fade-out), envon / envoff (ambience), seon / seoff
// (effects), cvon / cvoff (voices, with the rule that decides whether a
// voice plays while skipping). The sound work itself is the sound
// requests'; this is the script-side bookkeeping, and the engine's side of
// the requests: settings, archives, scene words, mouths. Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "sound/sound_request.h"

class CScriptEngine;
class CScriptFrame;
class CSettings;

// Plugs the handlers into the interpreter and installs the engine's sound
// request host (settings from the presentation's settings record, archives
// from the engine object, the scene's pending state and run mode) and the
// mouth-timing hook of the layer drawing.
void InstallSoundCommands(CScriptEngine& eng);

// The sound words of the settings record.
SoundRequestSettings SoundSettingsOf(const CSettings& s);

// The mouths of the shown voice-animated sprites: marked running for a
// voice whose name begins with "mwd" (sprites named "T1" and a letter), and
// put back on their first frame when the voice stops.
void MarkVoiceMouths(std::string_view voiceName);
void ResetVoiceAnimations();
// Whether a shown sprite of the voice-animated kind exists.
bool HasVoiceSprite();

void CmdBgmon(CScriptEngine& eng, CScriptFrame& frame);
void CmdBgmoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdEnvon(CScriptEngine& eng, CScriptFrame& frame);
void CmdEnvoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdSeon(CScriptEngine& eng, CScriptFrame& frame);
void CmdSeoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdCvon(CScriptEngine& eng, CScriptFrame& frame);
void CmdCvoff(CScriptEngine& eng, CScriptFrame& frame);

// The movie screen the `movie` command runs as a blocking call (the
// engine's PlayMovie): the movie's game path and where its picture goes.
// Without one the command plays nothing.
using MovieLauncher = void (*)(const std::string& path, std::int32_t x, std::int32_t y);
void SetMovieLauncher(MovieLauncher launcher);
// "<folder>\\movie\\<name>"; a name without an extension gets ".mpg".
std::string MoviePath(const std::string& programFolder, const std::string& name);
// avi: the script waits (PND_MOVIE) while "<folder>\\<name>.avi" plays
// over the main window. movie: the movie screen, then the script goes on.
void CmdAvi(CScriptEngine& eng, CScriptFrame& frame);
// Stops the `avi` movie (picture and sound) and presents the story's
// picture again, which the movie covered; nothing when none plays.
void StopAviMovie();
void CmdMovie(CScriptEngine& eng, CScriptFrame& frame);
