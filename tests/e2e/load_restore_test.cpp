// Loading a game on the fake backend, through the message window's own
// quick-save and quick-load buttons: the picture saved comes back after the
// load's dissolve (the background or fill colour, both characters, the
// colour tone, the script button with its caption and the gauge), the
// engine words the slot keeps (raster, fill colour, right-click value, the
// weather and overlay layers, the tone) return to what they were, the
// dissolve already shows the loaded scene, the newest voice of the saved
// page goes to the next backlog record as it would have without the load,
// a music fade of the story being left does not outlive the load, and a
// shown gauge with a direction the bars do not know is told about.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "engine/save_slot.h"
#include "engine/save_slot_format.h"
#include "engine/settings_record.h"
#include "engine/system_file.h"
#include "framework/globals.h"
#include "graphics/weather.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/effect_commands.h"
#include "scene/message_text.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/transition_stepper.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;

constexpr int kW = 1024, kH = 600;

// The window and its two buttons, as the scripts below place them.
constexpr int kWinX = 12, kWinY = 420;
constexpr pl::Point kQuickSave{kWinX + 800 + 24, kWinY + 6 + 12};
constexpr pl::Point kQuickLoad{kWinX + 860 + 24, kWinY + 6 + 12};
// Inside the text area, away from the buttons: clicks that read on, and
// where the mouse rests while a picture is taken.
constexpr pl::Point kTextArea{300, 560};

using Picture = std::vector<std::uint32_t>;  // 0xAARRGGBB, kW x kH

int Channel(std::uint32_t p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }

// Every script starts this way: reading on by clicks, saving and loading
// allowed, one window with the two buttons, four sprites (1 and 2 centred
// on their x), one script button and one gauge.
// Read text keeps its first colour (readal(0)): the page was read before
// the load and would come back in the read colour, which is not what the
// picture compare is about.
const char kPrologue[] =
    "::START\r\n\r\n"
    "saveenable()\r\nloadenable()\r\nmode(1)\r\nreadal(0)\r\n"
    "wnd(1)\r\nwnd(0,2,12,420)\r\nwnd(0,1,1000,170)\r\nwnd(0,4,36,40,8,1,5,34)\r\n"
    "wnd(0,9,\"wqs\",\"quicksave\",800,6)\r\nwnd(0,9,\"wql\",\"quickload\",860,6)\r\n"
    "spr(4)\r\nch(1,6,1)\r\nch(2,6,1)\r\nbtn(1)\r\n"
    "gg(1)\r\ngg(0,1,300,12)\r\ngg(0,2,40,40)\r\ngg(0,3,50)\r\ngg(0,4,100)\r\ngg(0,6,0xC83214)\r\n";

// The words a slot keeps beside the sprites, read from the running engine.
struct Words {
  std::int32_t tone = 0;
  std::uint32_t fill = 0;
  std::int32_t rightClick = 0;
  std::int32_t rasterOn = 0, rasterKind = 0;
  std::int32_t weatherState = 0, weatherKind = 0;
  std::int32_t overlayState = 0, overlayDx = 0, overlayDy = 0;
  std::string overlayName;
};

Words LiveWords() {
  Words w;
  w.tone = GetSpriteTone();
  const ScenePresentation& p = Presentation();
  w.fill = p.m_dwFillColor;
  w.rightClick = p.m_nRightClickValue;
  w.rasterOn = p.m_bRasterOn;
  w.rasterKind = p.m_nRasterKind;
  if (const CWeather* weather = GetWeather()) {
    w.weatherState = weather->m_nState;
    w.weatherKind = weather->m_nKind;
  }
  if (const COverlay* o = GetOverlay()) {
    w.overlayState = o->m_nState;
    w.overlayDx = o->m_nDx;
    w.overlayDy = o->m_nDy;
    w.overlayName = o->m_nState != 0 ? o->m_strName : std::string();
  }
  return w;
}

std::string Describe(const Words& w) {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "tone %d fill %06X rbtn %d raster %d/%d weather %d/%d overlay %d '%s' %d,%d", w.tone, w.fill,
                w.rightClick, w.rasterOn, w.rasterKind, w.weatherState, w.weatherKind, w.overlayState,
                w.overlayName.c_str(), w.overlayDx, w.overlayDy);
  return buf;
}

struct LoadRestore : kvtest::Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  // The pictures of the scenes, made by the project's picture tool.
  void MakePictures() {
    struct Pic {
      const char* name;
      std::string recipe;
    };
    const std::string screen = std::to_string(kW * kH);
    const Pic pics[] = {
        {"bg1.abm", "variant 24\nsize 1024 600\npattern " + screen + " 11\n"},
        {"bg2.abm", "variant 24\nsize 1024 600\npattern " + screen + " 12\n"},
        // Characters: one with every kind of alpha, one opaque.
        {"ch1.abm", "variant 32\nsize 160 360\npattern 57600 21\n"},
        {"ch2.abm", "variant 32\nsize 120 300\nfill 36000 FF4080C0\n"},
        // The script button: three looks of 120 x 30 stacked.
        {"sbtn.abm", "variant 32\nsize 120 90\nfill 3600 FF20A020\nfill 3600 FF40C040\nfill 3600 FF108010\n"},
        // The window's buttons: three looks of 48 x 24.
        {"wqs.abm", "variant 32\nsize 48 72\nfill 1152 FFE0E0E0\nfill 1152 FFFFFFFF\nfill 1152 FFA0A0A0\n"},
        {"wql.abm", "variant 32\nsize 48 72\nfill 1152 FF8080E0\nfill 1152 FFA0A0FF\nfill 1152 FF6060C0\n"},
        // Overlays as large as the screen.
        {"fog.abm", "variant 32\nsize 1024 600\nfill " + screen + " 40FFFFFF\n"},
        {"fog2.abm", "variant 32\nsize 1024 600\nfill " + screen + " 60FF8080\n"},
        // The name cell as large as the name window: every redraw of the
        // name plate then restores all it blends over.
        {"namecell1.bmp", "variant 24\nsize 8 4\nfill 32 FF404040\n"},
    };
    for (const Pic& p : pics) {
      const std::string out = folder / (std::string("grp/") + p.name);
      ASSERT_TRUE(kvtest::WriteFile(out + ".recipe", p.recipe));
      ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("abmpack") + " " + out + " " + out + ".recipe"), 0) << p.name;
      std::remove((out + ".recipe").c_str());
    }
  }

  // The player's settings as "system.dat" holds them: the whole page at
  // once, and the switches a case needs.
  void WriteSettings(bool effectsOff, bool music = false) {
    CSettings s;
    s.m_nTextSpeed = 3;
    s.m_bNoEffect = effectsOff ? 1 : 0;
    s.m_bBgm = music ? 1 : 0;
    s.m_bSoundFade = 1;
    const std::vector<std::uint8_t> bytes = EncodeSystemFile(s, 0);
    ASSERT_TRUE(kvtest::WriteFile(folder / "save/system.dat", std::string(bytes.begin(), bytes.end())));
  }

  Picture Presented() {
    pl::Window* w = GetMainWindowHandle();
    if (!w) return {};
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kW || w->clientHeight != kH) return {};
    return w->front;
  }

  // A left click at a point, pressed at once and released two pumps later;
  // the mouse then goes back to the text area.
  int releaseAt = -1;
  pl::Point clickAt{0, 0};
  void Click(int count, pl::Point at) {
    clickAt = at;
    fake.InjectMouseMove(at);
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
    releaseAt = count + 2;
  }
  // True while a click is being held (and at the pump that releases it).
  bool Holding(int count) {
    if (releaseAt < 0) return false;
    if (count == releaseAt) {
      fake.InjectMouseButton(pl::MOUSE_LEFT, false, clickAt);
      fake.InjectMouseMove(kTextArea);
    }
    if (count >= releaseAt + 4) {
      releaseAt = -1;
      return false;
    }
    return true;
  }
  bool InClickWait() const {
    const std::uint32_t s = Scene().m_nPendingState;
    return (s == PND_PROMPT_PAGE || s == PND_FPROMPT) && Scene().m_Ops[0].code == 0;
  }
  std::string Page() { return Engine()->Text().PageText(); }
  bool OnPage(const char* utf8) { return Page().find(pl::Utf8ToCp932(utf8)) != std::string::npos; }

  // Waits `n` pumps from the moment `ready` first holds, then runs `act`.
  int settleFrom = -1;
  bool Settled(int count, bool ready, int n = 12) {
    if (!ready) {
      settleFrom = -1;
      return false;
    }
    if (settleFrom < 0) settleFrom = count;
    if (count - settleFrom < n) return false;
    settleFrom = -1;
    return true;
  }

  std::string QuickSlotPath() { return folder / ("save/" + SlotFileName(kQuickSlot)); }
  bool ReadQuickSlot(SlotData* out) {
    const std::string bytes = kvtest::ReadFile(QuickSlotPath());
    const std::vector<std::uint8_t> v(bytes.begin(), bytes.end());
    return !v.empty() && ParseSlot(v, out) == SlotParse::kOk;
  }

  // Boxes other than the quit and load questions.
  std::vector<pl::RecordedBox> UnexpectedBoxes() const {
    std::vector<pl::RecordedBox> out;
    for (const pl::RecordedBox& b : OtherBoxes()) {
      if (kvtest::Utf8(b.text) != "ロードします。よろしいですか？") out.push_back(b);
    }
    return out;
  }

  bool finished = false;
  void Finish() {
    if (finished) return;
    finished = true;
    QuitYes();
  }
};

// ---------------------------------------------------------------- the scene

struct SceneCase {
  const char* what;
  bool effectsOff;     // the screen-effects setting (weather and overlay then stand still, undrawn)
  bool comparePixels;  // whether the loaded picture must equal the saved one
  const char* saved;   // the scene the game is saved in
  const char* changed; // what the story changes before the load
  // Checks of the saved scene's words, so that a case is what it says.
  std::function<void(const Words&)> expectSaved;
};

TEST_F(LoadRestore, TheLoadedSceneComesBackWithItsPictureAndWords) {
  // The pictures are compared with the weather and the overlay off: while
  // either runs, the scene is composed again on every tick from the
  // sprites alone. Their words are checked in the cases of their own.
  const SceneCase cases[] = {
      {"a sepia background with two characters and a gauge", false, true,
       "bgon(\"bg1\",0,0)\r\nchon(1,\"ch1\",-16,120,0,0)\r\nchon(2,\"ch2\",-14,160,0,0)\r\nmono(1)\r\n"
       "gg(0,7,60)\r\nrbtn(5)\r\n",
       "mono(-1)\r\nbgon(\"bg2\",0,0)\r\nchon(1,\"ch2\",100,60,0,0)\r\nchon(2,\"ch1\",900,100,0,0)\r\n"
       "gg(0,7,20)\r\nfall(2)\r\nfilter(1,\"fog2\",-3,0)\r\nrbtn(7)\r\nraster(1)\r\n",
       [](const Words& w) {
         EXPECT_EQ(w.tone, 2);
         EXPECT_EQ(w.weatherState, 0);
         EXPECT_EQ(w.overlayState, 0);
         EXPECT_EQ(w.rightClick, 5);
       }},
      {"a fill colour with two characters, a captioned script button and a gauge, in the normal tone", true, true,
       "fill(32,64,96)\r\nchon(1,\"ch1\",-16,120,0,0)\r\nchon(2,\"ch2\",-14,160,0,0)\r\n"
       "btnset(0,\"sbtn\",700,120,\"ボタン\",10,4)\r\ngg(0,7,75)\r\n",
       "bgon(\"bg2\",0,0)\r\nchon(1,\"ch2\",100,60,0,0)\r\nchon(2,\"ch1\",900,100,0,0)\r\nmono(1)\r\n"
       "btnoff(0)\r\ngg(0,7,10)\r\nfall(1)\r\nrbtn(3)\r\n",
       [](const Words& w) {
         EXPECT_EQ(w.tone, 0);
         EXPECT_EQ(w.fill, 0x204060u);
         EXPECT_EQ(w.weatherState, 0);
       }},
      {"snow and a scrolling overlay", false, false,
       "bgon(\"bg1\",0,0)\r\nchon(1,\"ch1\",-15,120,0,0)\r\nfall(1)\r\nfilter(1,\"fog\",2,1)\r\n",
       "fall(2)\r\nfilter(1,\"fog2\",-3,0)\r\n",
       [](const Words& w) {
         EXPECT_EQ(w.weatherState, 1);
         EXPECT_EQ(w.weatherKind, 0);
         EXPECT_EQ(w.overlayState, 1);
         EXPECT_EQ(w.overlayName, "fog");
         EXPECT_EQ(w.overlayDx, 2);
         EXPECT_EQ(w.overlayDy, 1);
       }},
      {"wave bands and rain without an overlay", false, false,
       "bgon(\"bg1\",0,0)\r\nchon(1,\"ch1\",-15,120,0,0)\r\nraster(2)\r\nfall(2)\r\n",
       "raster(1)\r\nfall(3)\r\nfilter(1,\"fog\",3,3)\r\n",
       [](const Words& w) {
         EXPECT_NE(w.rasterOn, 0);
         EXPECT_EQ(w.rasterKind, 1);
         EXPECT_EQ(w.weatherState, 1);
         EXPECT_EQ(w.weatherKind, 1);
         EXPECT_EQ(w.overlayState, 0);
       }},
  };
  MakePictures();
  MakeScenePictures();
  for (const SceneCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteSettings(c.effectsOff);
    std::remove(QuickSlotPath().c_str());
    const std::string script = std::string(kPrologue) + c.saved +
                               "wndon(0)\r\nud(0)\r\ncls(0)\r\nggon(0)\r\n保存する頁です。\r\n" + c.changed +
                               "ud(0)\r\ncls(0)\r\nggon(0)\r\n変わった頁です。\r\nwait(100000)\r\n::END\r\n";
    ASSERT_TRUE(kvtest::WriteFile(folder / "txt/START.TXT", pl::Utf8ToCp932(script)));

    enum Phase { kToSavedPage, kSaving, kToChangedPage, kLoading, kDone };
    Phase phase = kToSavedPage;
    Picture saved, changed, midway, loaded;
    Words savedWords, changedWords, loadedWords;
    std::uint32_t savedState = 0, loadedState = 0;
    bool sawDissolve = false;
    finished = false;
    releaseAt = -1;
    settleFrom = -1;
    onPump = [&](int n) {
      if (finished || Holding(n)) return;
      switch (phase) {
        case kToSavedPage:
          if (!Settled(n, InClickWait() && OnPage("保存する頁"))) return;
          saved = Presented();
          savedWords = LiveWords();
          savedState = Scene().m_nPendingState;
          Click(n, kQuickSave);
          phase = kSaving;
          return;
        case kSaving:
          if (!Settled(n, InClickWait())) return;
          Click(n, kTextArea);
          phase = kToChangedPage;
          return;
        case kToChangedPage:
          if (!Settled(n, InClickWait() && OnPage("変わった頁"))) return;
          changed = Presented();
          changedWords = LiveWords();
          fake.QueueBoxAnswer(pl::IDOK);
          Click(n, kQuickLoad);
          phase = kLoading;
          return;
        case kLoading:
          if (Scene().m_Ops[0].code == OP_LOAD_DISSOLVE) {
            sawDissolve = true;
            const std::int32_t c = TransitionProgress();
            if (midway.empty() && c >= 64 && c <= 192) midway = Presented();
          }
          // (With the effects off the dissolve ends on its first tick.)
          if (!Settled(n, InClickWait() && OnPage("保存する頁") && !OnPage("変わった頁"), 20)) return;
          loaded = Presented();
          loadedWords = LiveWords();
          loadedState = Scene().m_nPendingState;
          phase = kDone;
          Finish();
          return;
        case kDone:
          return;
      }
    };
    exitCode = RunMain();
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(phase, kDone) << "the run stopped before the load was over in state " << Scene().m_nPendingState
                            << " at op " << Scene().m_Ops[0].code << "; boxes:\n" << Texts(fake.boxes);
    EXPECT_TRUE(UnexpectedBoxes().empty()) << Texts(UnexpectedBoxes());
    c.expectSaved(savedWords);
    if (!c.effectsOff) {
      EXPECT_TRUE(sawDissolve) << "the load did not dissolve";
    }
    EXPECT_EQ(loadedState, savedState) << "the wait the game was saved in";

    // The slot holds the words of the running scene.
    SlotData slot;
    ASSERT_TRUE(ReadQuickSlot(&slot));
    EXPECT_EQ(slot.tone, savedWords.tone);
    EXPECT_EQ(static_cast<std::uint32_t>(slot.engine.background), savedWords.fill);
    EXPECT_EQ(slot.engine.rightButton, savedWords.rightClick);
    EXPECT_EQ(slot.engine.raster[0], savedWords.rasterOn);
    EXPECT_EQ(slot.engine.raster[1], savedWords.rasterKind);
    EXPECT_EQ(slot.engine.weatherState, savedWords.weatherState);
    EXPECT_EQ(slot.engine.weatherKind, savedWords.weatherKind);
    EXPECT_EQ(slot.engine.overlayState, savedWords.overlayState);
    EXPECT_EQ(slot.engine.overlayName, savedWords.overlayName);
    EXPECT_EQ(slot.engine.overlayWords[0], savedWords.overlayDx);
    EXPECT_EQ(slot.engine.overlayWords[1], savedWords.overlayDy);

    // The story really changed them, and the load put them back.
    EXPECT_NE(Describe(changedWords), Describe(savedWords));
    EXPECT_EQ(loadedWords.tone, savedWords.tone);
    EXPECT_EQ(loadedWords.fill, savedWords.fill);
    EXPECT_EQ(loadedWords.rightClick, savedWords.rightClick);
    EXPECT_EQ(loadedWords.rasterOn != 0, savedWords.rasterOn != 0) << Describe(loadedWords);
    EXPECT_EQ(loadedWords.rasterKind, savedWords.rasterKind);
    EXPECT_EQ(loadedWords.weatherState, savedWords.weatherState);
    if (savedWords.weatherState != 0) {
      EXPECT_EQ(loadedWords.weatherKind, savedWords.weatherKind);
    }
    EXPECT_EQ(loadedWords.overlayState, savedWords.overlayState) << Describe(loadedWords);
    EXPECT_EQ(loadedWords.overlayName, savedWords.overlayName);
    EXPECT_EQ(loadedWords.overlayDx, savedWords.overlayDx);
    EXPECT_EQ(loadedWords.overlayDy, savedWords.overlayDy);

    if (!c.comparePixels) continue;
    ASSERT_EQ(saved.size(), static_cast<std::size_t>(kW) * kH);
    ASSERT_EQ(changed.size(), saved.size());
    ASSERT_EQ(loaded.size(), saved.size());
    int differ = 0, wrong = 0;
    std::string first;
    for (std::size_t i = 0; i < saved.size(); ++i) {
      if ((changed[i] & 0xFFFFFF) != (saved[i] & 0xFFFFFF)) ++differ;
      if ((loaded[i] & 0xFFFFFF) != (saved[i] & 0xFFFFFF) && wrong++ == 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "first at %zu,%zu: %06X for %06X", i % kW, i / kW, loaded[i] & 0xFFFFFF,
                      saved[i] & 0xFFFFFF);
        first = buf;
      }
    }
    EXPECT_GT(differ, kW * kH / 2) << "the story did not change the picture";
    EXPECT_EQ(wrong, 0) << wrong << " pixels differ from the saved picture; " << first;

    // With the effects on, the dissolve ran over time, and midway it mixed
    // the picture left with the loaded one: where the two differ much, the
    // mix has moved away from the picture left.
    if (c.effectsOff) continue;
    ASSERT_EQ(midway.size(), saved.size()) << "no picture was taken during the dissolve";
    int far = 0, moved = 0;
    for (std::size_t i = 0; i < saved.size(); i += 7) {
      const int d = Channel(saved[i], 0) - Channel(changed[i], 0);
      if (std::abs(d) < 80) continue;
      ++far;
      const int m = Channel(midway[i], 0) - Channel(changed[i], 0);
      if ((d > 0 && m > 20) || (d < 0 && m < -20)) ++moved;
    }
    EXPECT_GT(far, 1000);
    EXPECT_GT(moved, far * 9 / 10) << moved << " of " << far << " pixels show the loaded scene midway";
  }
}

// ---------------------------------------------------------------- the voice

// The newest backlog record's voice name (empty without a record).
std::string NewestVoice(CMessageText& text) {
  const ValueNode* last = text.Backlog().Last();
  if (!last || last->type != VT_BACKLOG) return {};
  std::string out;
  for (std::size_t k = 0; k < kVoiceNameSize / 4; ++k) {
    const auto word = static_cast<std::uint32_t>(last->header[BL_VOICE + k]);
    for (int b = 0; b < 4; ++b) {
      const char ch = static_cast<char>((word >> (8 * b)) & 0xFF);
      if (ch == '\0') return out;
      out += ch;
    }
  }
  return out;
}

TEST_F(LoadRestore, TheSavedVoiceGoesToTheNextRecord) {
  MakeScenePictures();
  MakePictures();
  WriteSettings(true);
  startScript = std::string(kPrologue) + "cv(\"vo\")\r\n" + pl::Utf8ToCp932("\\C01声のある行です。\r\n") + "rbtn(-1)\r\n" +
                pl::Utf8ToCp932("声のない行です。\r\n") + "wait(100000)\r\n::END\r\n";
  enum Phase { kToVoiced, kSaving, kToNext, kLoading, kToNextAgain, kDone };
  Phase phase = kToVoiced;
  std::string savedVoice, nextVoice, nextVoiceAfterLoad = "(not reached)";
  onPump = [&](int n) {
    if (finished || Holding(n)) return;
    switch (phase) {
      case kToVoiced:
        if (!Settled(n, InClickWait() && OnPage("声のある行"))) return;
        Click(n, kQuickSave);
        phase = kSaving;
        return;
      case kSaving:
        if (!Settled(n, InClickWait())) return;
        Click(n, kTextArea);
        phase = kToNext;
        return;
      case kToNext:
        if (!Settled(n, InClickWait() && OnPage("声のない行"))) return;
        nextVoice = NewestVoice(Engine()->Text());
        fake.QueueBoxAnswer(pl::IDOK);
        Click(n, kQuickLoad);
        phase = kLoading;
        return;
      case kLoading:
        if (!Settled(n, InClickWait() && OnPage("声のある行") && !OnPage("声のない行"), 20)) return;
        Click(n, kTextArea);
        phase = kToNextAgain;
        return;
      case kToNextAgain:
        if (!Settled(n, InClickWait() && OnPage("声のない行"))) return;
        nextVoiceAfterLoad = NewestVoice(Engine()->Text());
        phase = kDone;
        Finish();
        return;
      case kDone:
        return;
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << "state " << Scene().m_nPendingState << "; " << Texts(fake.boxes);
  SlotData slot;
  ASSERT_TRUE(ReadQuickSlot(&slot));
  savedVoice = slot.voice;
  EXPECT_EQ(savedVoice, "vo01") << "the slot keeps the voice of the saved line";
  // Without a load a line without a cue of its own has no voice; after the
  // load the saved voice is the one the next record takes.
  EXPECT_EQ(nextVoice, "");
  EXPECT_EQ(nextVoiceAfterLoad, "vo01");
}

// ---------------------------------------------------------------- the fades

// A music fade runs while the game is loaded, and the loaded music cannot
// be played (its file is gone): the fade of the story left must not end on
// the loaded game, wiping its music memo and mode.
TEST_F(LoadRestore, AMusicFadeOfTheStoryLeftEndsWithTheLoad) {
  MakeScenePictures();
  MakePictures();
  WriteSettings(true, true);
  ASSERT_TRUE(kvtest::WriteFile(folder / "bgm/.keep", ""));
  ASSERT_EQ(kvtest::RunCommand(kvtest::ToolPath("gensound") + " wav " + (folder / "bgm/song.wav") +
                               " --seconds 4 --rate 44100 --channels 2"),
            0);
  startScript = std::string(kPrologue) + "bgmon(\"song\")\r\n" + pl::Utf8ToCp932("音楽の頁です。\r\n") +
                "bgmoff(0,3000)\r\n" + pl::Utf8ToCp932("静かな頁です。\r\n") + "wait(100000)\r\n::END\r\n";
  enum Phase { kToMusicPage, kSaving, kToFade, kLoading, kAfterFade, kDone };
  Phase phase = kToMusicPage;
  std::string memoAtSave, memoAfter = "(not reached)";
  std::int32_t modeAfter = -1;
  std::uint32_t stateAfter = 0, loadedAt = 0;
  bool fadeSeen = false;
  onPump = [&](int n) {
    if (finished || Holding(n)) return;
    switch (phase) {
      case kToMusicPage:
        if (!Settled(n, InClickWait() && OnPage("音楽の頁"))) return;
        memoAtSave = SoundRequests().bgmMemo;
        Click(n, kQuickSave);
        phase = kSaving;
        return;
      case kSaving:
        if (!Settled(n, InClickWait())) return;
        Click(n, kTextArea);
        phase = kToFade;
        return;
      case kToFade:
        if (!Settled(n, Scene().m_nPendingState == PND_FADE, 4)) return;
        fadeSeen = SoundRequests().fades[0].active == 1;
        // The music is gone by the time the game comes back.
        std::remove((folder / "bgm/song.wav").c_str());
        phase = kLoading;
        fake.QueueBoxAnswer(pl::IDOK);
        // No window button answers during the fade's wait: the engine's
        // quick load is asked for directly, as its button would.
        At(1, [this] { Engine()->QuickLoad(); });
        return;
      case kLoading:
        if (!Settled(n, InClickWait() && OnPage("音楽の頁"), 4)) return;
        loadedAt = fake.manualClock().TickMs();
        phase = kAfterFade;
        return;
      case kAfterFade:
        // Well past the end the fade would have had.
        if (fake.manualClock().TickMs() - loadedAt < 4000) return;
        memoAfter = SoundRequests().bgmMemo;
        if (CSoundSystem* snd = GetSoundSystem()) modeAfter = snd->m_nBgmMode.load();
        stateAfter = Scene().m_nPendingState;
        phase = kDone;
        Finish();
        return;
      case kDone:
        return;
    }
  };
  Run();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << "state " << Scene().m_nPendingState << "; " << Texts(fake.boxes);
  ASSERT_FALSE(memoAtSave.empty()) << "the music never played";
  EXPECT_TRUE(fadeSeen);
  EXPECT_EQ(memoAfter, memoAtSave) << "the loaded music memo";
  EXPECT_EQ(modeAfter, 2) << "the loaded music mode (looping)";
  EXPECT_EQ(stateAfter, PND_PROMPT_PAGE) << "the loaded click wait";
}

}  // namespace

// ---------------------------------------------------------------- gauges

namespace {

// A gauge shown and then given a direction the bars do not know is told
// about when the loaded scene is drawn; a known direction other than 0 is
// drawn as nothing, without a word.
TEST_F(LoadRestore, AShownGaugeWithABadDirectionIsToldAtTheLoad) {
  MakeScenePictures();
  MakePictures();
  WriteSettings(true);
  struct Case {
    int direction;
    int boxes;
  };
  for (const Case c : {Case{4, 1}, Case{2, 0}}) {
    SCOPED_TRACE(c.direction);
    std::remove(QuickSlotPath().c_str());
    const std::string script = std::string(kPrologue) + "gg(0,7,50)\r\nggon(0)\r\ngg(0,5," +
                               std::to_string(c.direction) + ")\r\n" + pl::Utf8ToCp932("保存する頁です。\r\n") +
                               "rbtn(-1)\r\n" + pl::Utf8ToCp932("次の頁です。\r\n") + "wait(100000)\r\n::END\r\n";
    ASSERT_TRUE(kvtest::WriteFile(folder / "txt/START.TXT", script));
    enum Phase { kToSaved, kSaving, kToNext, kLoading, kDone };
    Phase phase = kToSaved;
    finished = false;
    releaseAt = -1;
    settleFrom = -1;
    std::size_t boxesBeforeLoad = 0;
    onPump = [&](int n) {
      if (finished || Holding(n)) return;
      switch (phase) {
        case kToSaved:
          if (!Settled(n, InClickWait() && OnPage("保存する頁"))) return;
          Click(n, kQuickSave);
          phase = kSaving;
          return;
        case kSaving:
          if (!Settled(n, InClickWait())) return;
          Click(n, kTextArea);
          phase = kToNext;
          return;
        case kToNext:
          if (!Settled(n, InClickWait() && OnPage("次の頁"))) return;
          boxesBeforeLoad = fake.boxes.size();
          fake.QueueBoxAnswer(pl::IDOK);
          Click(n, kQuickLoad);
          phase = kLoading;
          return;
        case kLoading:
          if (!Settled(n, InClickWait() && OnPage("保存する頁") && !OnPage("次の頁"))) return;
          phase = kDone;
          Finish();
          return;
        case kDone:
          return;
      }
    };
    exitCode = RunMain();
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(phase, kDone) << "state " << Scene().m_nPendingState << "; " << Texts(fake.boxes);
    int told = 0;
    for (std::size_t i = boxesBeforeLoad; i < fake.boxes.size(); ++i) {
      const pl::RecordedBox& b = fake.boxes[i];
      if (kvtest::Utf8(b.text) == "ゲージに設定された方向が不正です。" && kvtest::Utf8(b.caption) == "デバッグ") ++told;
    }
    EXPECT_EQ(told, c.boxes) << Texts(fake.boxes);
    SlotData slot;
    ASSERT_TRUE(ReadQuickSlot(&slot));
    ASSERT_EQ(slot.gauges.size(), 1u);
    EXPECT_EQ(slot.gauges[0].direction, c.direction);
    EXPECT_EQ(slot.gauges[0].shown, 1);
  }
}

}  // namespace
