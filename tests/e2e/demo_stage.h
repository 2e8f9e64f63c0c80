// The staged sample game in a test's program folder, and the way past its
// title screen as a player takes it: a click on "はじめから".
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/display_mode.h"
#include "platform/fake/fake_backend.h"
#include "platform/input.h"
#include "platform/sound_device.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "sound/sound_system.h"
#include "tests/support/test_support.h"

namespace kvtest {

// The build's staged game: the tools folder's sibling.
inline std::filesystem::path StageFolder() {
  return std::filesystem::path(ToolPath("")).parent_path().parent_path() / "stage";
}

// Copies the staged game's data (its archives, the movie beside the
// program and the folder "movie"; not the program) into `folder`.
inline void CopyStagedGame(const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path stage = StageFolder();
  for (const char* name : {"SCR.AOS", "GRP.AOS", "BGM.AOS", "SE.AOS", "CV.AOS", "ed.avi", "movie"}) {
    const fs::path from = stage / name;
    ASSERT_TRUE(fs::exists(from)) << from << " is missing: build the stage first";
    fs::copy(from, fs::path(folder) / name, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
}

// The title's buttons wait (the script's button wait with the picture of
// "はじめから" on button 0).
inline bool TitleWaits(CKivBase* engine) {
  if (!engine || Scene().m_nPendingState != PND_BUTTON) return false;
  CScriptButton* start = engine->Tables().ButtonAt(0);
  return start && std::strcmp(start->m_Image.m_szName, "tb_start") == 0;
}

// Plays the staged game as a player does, at every pump: the sound device
// takes the samples of the time gone by on the virtual clock (as a sound
// card would, so that the logo's voice and the waited effects end), and
// whenever the title waits "はじめから" is clicked: the pointer moves onto
// the button, presses and releases a few pumps later. Step returns true
// while it is at the title, so that the test's own steps wait for the story.
// The fake backend's sound device played along the virtual clock: each call
// renders what has passed since the last one (at least minFrames of it), and
// the channel threads catch up, as the audio device would pull it.
struct ClockedSoundDevice {
  std::uint32_t playedTo = 0;
  void Play(pl::FakeBackend& fake, std::size_t minFrames = 1) {
    CSoundSystem* snd = GetSoundSystem();
    const std::uint32_t now = fake.manualClock().TickMs();
    if (!snd || !snd->IsSoundAvailable() || !snd->Device() || playedTo == 0 || now - playedTo > 10000) {
      playedTo = now;
      return;
    }
    const std::size_t frames = static_cast<std::size_t>(now - playedTo) * 441 / 10;
    if (frames < minFrames) return;
    playedTo = now;
    std::vector<std::int16_t> out(frames * 2);
    snd->Device()->Render(out.data(), frames);
    snd->WaitQuiescent();
  }
};

struct TitleStart {
  int pressAt = -1, releaseAt = -1;
  int starts = 0;  // clicks given
  pl::Point at{};
  ClockedSoundDevice device;
  void PlayDevice(pl::FakeBackend& fake) { device.Play(fake); }
  bool Step(pl::FakeBackend& fake, CKivBase* engine, int count) {
    PlayDevice(fake);
    if (releaseAt >= 0) {
      if (count == pressAt) fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
      if (count >= releaseAt) {
        fake.InjectMouseButton(pl::MOUSE_LEFT, false, at);
        releaseAt = -1;
        ++starts;
      }
      return true;
    }
    if (!TitleWaits(engine)) return false;
    const CLayerImage& b = engine->Tables().ButtonAt(0)->m_Image;
    // The button's middle in the picture, where the window shows it.
    at = {b.m_nX + b.m_nWidth / 2, b.m_nY + 20};
    LogicalToClient(at);
    fake.InjectMouseMove(at);
    pressAt = count + 3;
    releaseAt = count + 6;
    return true;
  }
};

}  // namespace kvtest
