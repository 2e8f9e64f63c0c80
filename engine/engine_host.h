// What the scene asks of the running engine object: the blocking loops of
// its commands, one pump-and-pace pass, the sound archives, the read marks
// and the screens its window buttons open. The engine object implements it;
// the scene reaches it through the presentation words (null when a test
// runs the scene without the engine object).
#pragma once
#include <cstdint>
#include <string_view>

class CArc;

// Menu 101's commands.
enum : std::uint32_t {
  IDM_VERSION = 111,
  IDM_TITLE = 112,
  IDM_EXIT = 113,
  IDM_HOMEPAGE = 33001,
};

class IEngineHost {
 public:
  virtual ~IEngineHost() = default;

  // A script command's own blocking loop runs between these (a return to
  // the title chosen meanwhile waits until the last such loop has ended).
  virtual void EnterCommandLoop() = 0;
  virtual void LeaveCommandLoop() = 0;
  // One pump-and-pace pass; 0 once the program is quitting.
  virtual int PumpAndPace() = 0;

  // The music, sound-effect and voice archives.
  virtual CArc& MusicArchive() = 0;
  virtual CArc& EffectArchive() = 0;
  virtual CArc& VoiceArchive() = 0;

  // The highest read line recorded for the read-mark key, -1 when none.
  virtual std::int32_t ReadMarkLine(std::string_view key) = 0;

  // The screens and slots the window buttons reach: 0 when nothing
  // opened or nothing was done.
  virtual int RunSaveMode() = 0;
  virtual int RunLoadMode() = 0;
  virtual int RunConfigMode() = 0;
  virtual int QuickSave() = 0;
  virtual int QuickLoad() = 0;
};
