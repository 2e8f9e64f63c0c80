// A player of the staged sample game on the fake backend: the whole game
// (every archive of the stage) in a program folder of the test's own, run
// by the engine's own loop on the virtual clock, with the sound device
// played in step with that clock. A test lists its moves as steps: each
// waits until what it needs has come (a page, a screen, a sound), then acts
// (a click or a key at a logical point) and may check what the player sees
// and hears at that moment. A step that waits too long fails the test with
// its name and ends the run.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/global_file.h"
#include "engine/kiv_base.h"
#include "framework/arc.h"
#include "framework/globals.h"
#include "graphics/layer_image.h"
#include "platform/input.h"
#include "platform/sound_device.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "screens/movie_mode.h"
#include "sound/sound_system.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace kvtest {

namespace play_fs = std::filesystem;

inline constexpr int kScreenW = 1024, kScreenH = 600;

inline int ChannelOf(std::uint32_t p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }
inline bool NearColour(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(ChannelOf(a, c) - ChannelOf(b, c)) > tolerance) return false;
  return true;
}

struct Rect {
  int x, y, w, h;
};

// A presented picture, 0xAARRGGBB, kScreenW x kScreenH (empty when none).
struct Picture {
  std::vector<std::uint32_t> px;
  bool Empty() const { return px.size() != static_cast<std::size_t>(kScreenW) * kScreenH; }
  std::uint32_t At(int x, int y) const { return px[static_cast<std::size_t>(y) * kScreenW + x]; }
  // Pixels of the rectangle (every `step`-th in each direction) whose
  // colour is not near black.
  int Lit(Rect r, int step = 4) const {
    if (Empty()) return 0;
    int n = 0;
    for (int y = r.y; y < r.y + r.h; y += step)
      for (int x = r.x; x < r.x + r.w; x += step) n += NearColour(At(x, y), 0, 12) ? 0 : 1;
    return n;
  }
  // Pixels (every 4th) that differ from the other picture by more than the
  // tolerance in some channel.
  int Differs(const Picture& o, Rect r, int tolerance = 2) const {
    if (Empty() || o.Empty()) return r.w * r.h;
    int n = 0;
    for (int y = r.y; y < r.y + r.h; y += 4)
      for (int x = r.x; x < r.x + r.w; x += 4) n += NearColour(At(x, y), o.At(x, y), tolerance) ? 0 : 1;
    return n;
  }
};

inline constexpr Rect kWholeScreen{0, 0, kScreenW, kScreenH};

struct PlayDriver : Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  // --- the steps
  struct Step {
    std::string what;
    std::function<bool()> ready;
    std::function<void()> act;
    int limit;  // pumps it may wait
  };
  std::vector<Step> steps;
  std::size_t next = 0;
  int waitingSince = -1;
  std::string failedStep;
  // Pumps the whole run may take before it counts as hung.
  int maxPumps = 600000;

  void Do(std::string what, std::function<bool()> ready, std::function<void()> act = {}, int limit = 20000) {
    steps.push_back({std::move(what), std::move(ready), std::move(act), limit});
  }
  // A step that only waits for a number of pumps (the picture settles).
  void Pause(int pumps) {
    auto start = std::make_shared<int>(-1);
    Do("pause", [this, start, pumps] {
      if (*start < 0) *start = fake.pumps;
      if (fake.pumps - *start < pumps) return false;
      *start = -1;
      return true;
    });
  }
  // A step whose condition must hold for `pumps` pumps in a row.
  void DoSettled(std::string what, std::function<bool()> ready, std::function<void()> act = {}, int pumps = 10,
                 int limit = 20000) {
    auto since = std::make_shared<int>(-1);
    Do(
        std::move(what),
        [this, since, ready = std::move(ready), pumps] {
          if (!ready()) {
            *since = -1;
            return false;
          }
          if (*since < 0) *since = fake.pumps;
          if (fake.pumps - *since < pumps) return false;
          *since = -1;
          return true;
        },
        std::move(act), limit);
  }

  // --- input: points are logical (the window mode's client)
  int releaseAt = -1;
  std::function<void()> release;
  int pressAt = -1;
  std::function<void()> press;
  // A left click at `at`: the cursor goes there, a few pumps later (the
  // screen under it has seen it hover) the button goes down, and up after
  // `hold` pumps (0: in the same pump, as a tap's do).
  void Click(pl::Point at, int hold = 2) {
    fake.InjectMouseMove(at);
    press = [this, at, hold] {
      fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
      if (hold == 0) {
        fake.InjectMouseButton(pl::MOUSE_LEFT, false, at);
        return;
      }
      release = [this, at] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, at); };
      releaseAt = fake.pumps + hold;
    };
    pressAt = fake.pumps + 3;
  }
  void RightClick(pl::Point at = {300, 560}) {
    fake.InjectMouseButton(pl::MOUSE_RIGHT, true, at);
    release = [this, at] { fake.InjectMouseButton(pl::MOUSE_RIGHT, false, at); };
    releaseAt = fake.pumps + 2;
  }
  void Key(int scanCode, int hold = 2) {
    fake.InjectKey(scanCode, true);
    release = [this, scanCode] { fake.InjectKey(scanCode, false); };
    releaseAt = fake.pumps + hold;
  }
  void Move(pl::Point at) { fake.InjectMouseMove(at); }
  // The point of the message window's text area, away from its buttons.
  static constexpr pl::Point kTextArea{300, 560};

  // --- what the player sees
  Picture Presented() {
    Picture p;
    pl::Window* w = GetMainWindowHandle();
    if (!w) return p;
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kScreenW || w->clientHeight != kScreenH) return p;
    p.px = w->front;
    return p;
  }
  std::uint32_t State() { return Scene().m_nPendingState; }
  std::int32_t RunMode() { return Scene().m_nRunMode; }
  bool ScreenOpen() { return Engine() && Engine()->m_bScreenRunning != 0; }
  bool QuestionOpen() { return Engine() && Engine()->QuestionShown(); }
  // The movie screen plays (it stands in for the engine's screen mark).
  bool MovieShown() { return Engine() && Engine()->m_MovieMode.m_bLoop == 1 && Engine()->m_MovieMode.Player().IsRunning() == 1; }
  // A click wait of the story with nothing animating.
  bool ClickWait() {
    const std::uint32_t s = State();
    return Engine() && !ScreenOpen() && (s == PND_PROMPT_PAGE || s == PND_FPROMPT) && Scene().m_Ops[0].code == 0;
  }
  bool Choosing() { return Engine() && !ScreenOpen() && State() == PND_SLCT; }
  std::string Page() { return Engine() ? Utf8(Engine()->Text().PageText()) : std::string(); }
  bool PageHas(const char* utf8) { return Page().find(utf8) != std::string::npos; }

  // The staged archives' pictures, decoded by the engine's own loader, and
  // the plain bitmaps the screens read.
  CArc grp;
  bool grpOpen = false;
  CArc& Grp() {
    if (!grpOpen) {
      pl::SetProgramFolder(folder.path());
      grpOpen = grp.Open("K:\\GRP.AOS");
    }
    return grp;
  }
  // A 24-bit bitmap of the archive as 0x00RRGGBB, rows top-down, or empty.
  std::vector<std::uint32_t> StagedBitmap(const char* name, int* w = nullptr, int* h = nullptr) {
    CArc& arc = Grp();
    const std::int64_t size = arc.GetSize(name);
    if (size < 54) return {};
    std::vector<std::uint8_t> f(static_cast<std::size_t>(size));
    if (arc.Read(name, f.data(), f.size()) != size) return {};
    auto le = [&f](std::size_t at, int n) {
      std::uint32_t v = 0;
      for (int i = n - 1; i >= 0; --i) v = v << 8 | f[at + static_cast<std::size_t>(i)];
      return v;
    };
    const int bw = static_cast<int>(le(18, 4)), bh = static_cast<int>(le(22, 4));
    const std::size_t stride = (static_cast<std::size_t>(bw) * 3 + 3) & ~std::size_t{3};
    const std::size_t offset = le(10, 4);
    if (bw <= 0 || bh <= 0 || le(28, 2) != 24 || offset + stride * static_cast<std::size_t>(bh) > f.size()) return {};
    std::vector<std::uint32_t> px(static_cast<std::size_t>(bw) * bh);
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        const std::uint8_t* p = f.data() + offset + stride * static_cast<std::size_t>(bh - 1 - y) + 3 * static_cast<std::size_t>(x);
        px[static_cast<std::size_t>(y) * bw + x] = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
      }
    if (w) *w = bw;
    if (h) *h = bh;
    return px;
  }
  // The share (0..1) of the rectangle's sample points (every 5th pixel)
  // where the picture shows the staged 1024 x 600 bitmap.
  double ShowsBitmap(const Picture& pic, const char* name, Rect r, int tolerance = 3) {
    int w = 0, h = 0;
    const std::vector<std::uint32_t> bmp = StagedBitmap(name, &w, &h);
    if (pic.Empty() || w != kScreenW || h != kScreenH) return 0;
    int same = 0, all = 0;
    for (int y = r.y; y < r.y + r.h; y += 5)
      for (int x = r.x; x < r.x + r.w; x += 5, ++all)
        same += NearColour(pic.At(x, y), bmp[static_cast<std::size_t>(y) * kScreenW + x], tolerance) ? 1 : 0;
    return all ? static_cast<double>(same) / all : 0;
  }

  // With KIVZO_PLAY_DUMP set to a file name, a step that waited in vain
  // leaves the picture presented then there (a binary PPM).
  static void DumpPicture(const Picture& pic) {
    const char* to = std::getenv("KIVZO_PLAY_DUMP");
    if (!to || pic.Empty()) return;
    std::string out = "P6\n1024 600\n255\n";
    for (std::uint32_t p : pic.px) {
      out += static_cast<char>(ChannelOf(p, 2));
      out += static_cast<char>(ChannelOf(p, 1));
      out += static_cast<char>(ChannelOf(p, 0));
    }
    WriteFile(to, out);
  }

  // --- what the player hears: the sound loaded on a channel (0 music, 1
  // ambience, 2 voice, 3.. effects), empty when it is idle
  std::string ChannelName(int ch) {
    CSoundSystem* snd = GetSoundSystem();
    return snd ? std::string(snd->Channel(ch).m_szName) : std::string();
  }
  std::string EffectNames() {
    std::string out;
    for (int ch = 3; ch < 19; ++ch)
      if (!ChannelName(ch).empty()) out += ChannelName(ch) + " ";
    return out;
  }
  // Everything each channel played during the run, in order (a name is
  // listed again only after another, or silence, came between).
  std::vector<std::string> heard[19];
  void NoteChannels() {
    for (int ch = 0; ch < 19; ++ch) {
      const std::string n = ChannelName(ch);
      if (!n.empty() && (heard[ch].empty() || heard[ch].back() != n || lastSilent[ch])) heard[ch].push_back(n);
      lastSilent[ch] = n.empty();
    }
  }
  bool lastSilent[19] = {};
  bool Heard(int ch, const std::string& name) {
    for (const std::string& n : heard[ch])
      if (n == name) return true;
    return false;
  }
  std::string HeardList(int ch) {
    std::string out;
    for (const std::string& n : heard[ch]) out += n + " ";
    return out;
  }

  // --- the script's persistent global variables (0 when missing)
  std::int32_t Global(const char* name) {
    if (!Engine()) return 0;
    std::int32_t v = 0;
    FindScriptVariable(Engine()->Script().m_Globals, &v, name);
    return v;
  }
  std::int32_t Var(const char* name) {
    if (!Engine()) return -999;
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }

  // --- places to click
  // The centre of the current window's button with this action.
  bool WindowButton(const char* action, pl::Point* out) {
    const CTextWindow* w = Engine() ? Engine()->Tables().CurrentWindow() : nullptr;
    if (!w) return false;
    for (const auto& b : w->m_Buttons) {
      if (std::string(b->m_szAction) != action) continue;
      const CLayerImage& img = b->m_Image;
      *out = {w->m_nX + img.m_nX + img.m_nWidth / 2, w->m_nY + img.m_nY + img.m_nHeight / 6};
      return true;
    }
    return false;
  }
  // The centre of a script button while the script waits on the buttons.
  bool ScriptButton(int index, pl::Point* out) {
    if (!Engine() || State() != PND_BUTTON || ScreenOpen()) return false;
    const CScriptButton* b = Engine()->Tables().ButtonAt(index);
    if (!b || b->m_nState == 3 || b->m_Image.m_nWidth <= 0) return false;
    // (Its picture holds its three looks one above the other.)
    *out = {b->m_Image.m_nX + b->m_Image.m_nWidth / 2, b->m_Image.m_nY + b->m_Image.m_nHeight / 6};
    return true;
  }
  std::string ButtonsText() {
    std::string out;
    if (!Engine()) return out;
    for (int i = 0; i < Engine()->Tables().ButtonCount(); ++i) {
      const CScriptButton* b = Engine()->Tables().ButtonAt(i);
      out += "[" + std::string(b->m_Image.m_szName) + " " + std::to_string(b->m_nState) + " " +
             std::to_string(b->m_Image.m_nX) + "," + std::to_string(b->m_Image.m_nY) + " " +
             std::to_string(b->m_Image.m_nWidth) + "x" + std::to_string(b->m_Image.m_nHeight) + "]";
    }
    return out;
  }
  // Clicks a window button once it is there.
  void ClickWindowButton(const std::string& what, const char* action) {
    auto at = std::make_shared<pl::Point>();
    DoSettled(what, [this, action, at] { return ClickWait() && WindowButton(action, at.get()); },
              [this, at] { Click(*at); });
  }
  // Answers the confirmation box that is up with yes (the cursor is put on
  // its yes button by the box itself; the decide key takes it).
  // The decide key is pressed again while the box stays.
  void AnswerYes(const std::string& what) {
    auto tried = std::make_shared<int>(-1);
    Do(what, [this, tried] {
      if (!QuestionOpen()) return *tried >= 0;
      if (*tried < 0 || fake.pumps - *tried > 120) {
        *tried = fake.pumps;
        Move({357 + 72, 303 + 32});
        Key(pl::DIK_RETURN, 3);
      }
      return false;
    });
  }

  // Reads on: every click wait and pause is tapped (or clicked with a held
  // button), each choice is answered by the first of `picks` its list
  // holds (by text), until `until` holds.
  int holdPumps = 0;
  void ReadUntil(std::string what, std::function<bool()> until, std::vector<std::string> picks = {},
                 int limit = 60000) {
    auto state = std::make_shared<int>(-1);  // the pump a hovered choice is clicked at
    auto point = std::make_shared<pl::Point>();
    Do(
        std::move(what),
        [this, until = std::move(until), picks = std::move(picks), state, point] {
          if (until()) return true;
          if (ScreenOpen() || QuestionOpen() || MovieShown()) return false;
          const std::uint32_t s = State();
          if (s == PND_SLCT) {
            if (*state >= 0) {
              if (fake.pumps >= *state) {
                *state = -1;
                Click(*point, holdPumps);
              }
              return false;
            }
            CMessageText& text = Engine()->Text();
            const CTextWindow* w = Engine()->Tables().CurrentWindow();
            if (!w) return false;
            for (const std::string& pick : picks)
              for (int i = 0; i < text.ChoiceCount(); ++i) {
                const ChoiceRecord& r = text.Choice(i);
                if (Utf8(r.m_strText) != pick) continue;
                *point = {w->m_nX + r.m_nX + 8, w->m_nY + r.m_nY + r.m_nHeight / 2};
                Move(*point);
                *state = fake.pumps + 6;
                return false;
              }
            return false;
          }
          if ((s == PND_PROMPT_PAGE || s == PND_FPROMPT || s == PND_PAUSE) && Scene().m_Ops[0].code == 0) {
            if (*state < 0) *state = fake.pumps + 3;
            if (fake.pumps < *state) return false;
            *state = -1;
            Click(kTextArea, holdPumps);
          }
          return false;
        },
        {}, limit);
  }
  void ReadToPage(const std::string& what, const char* text, std::vector<std::string> picks = {}) {
    ReadUntil(what, [this, text] { return ClickWait() && PageHas(text); }, std::move(picks));
  }

  // --- the run
  void SetUp() override {
    Process::SetUp();
    CopyStagedGame(folder.path());
    fake.onPump = [this](int count) { Pump(count); };
  }

  bool quitting = false;
  void Finish() {
    if (quitting) return;
    quitting = true;
    QuitYes();
  }

  // Renders at least 1024 frames at a time, as a real device's period.
  ClockedSoundDevice device;
  void PlayDevice() { device.Play(fake, 1024); }

  void Pump(int count) {
    if (count == maxPumps) {
      ADD_FAILURE() << "the run did not end; at step " << next << (next < steps.size() ? " " + steps[next].what : "");
      if (pl::Window* w = fake.lastWindow) pl::DestroyWindow(w);
      return;
    }
    for (std::size_t i = 0; i < later.size();) {
      if (later[i].first <= count) {
        auto act = std::move(later[i].second);
        later.erase(later.begin() + static_cast<std::ptrdiff_t>(i));
        act();
      } else {
        ++i;
      }
    }
    PlayDevice();
    NoteChannels();
    if (quitting) {
      AnswerQuestionScreens();
      return;
    }
    if (pressAt >= 0) {
      if (count >= pressAt) {
        pressAt = -1;
        press();
      }
      return;
    }
    if (releaseAt >= 0) {
      if (count >= releaseAt) {
        release();
        releaseAt = -1;
      }
      return;
    }
    if (!Engine()) return;
    if (next >= steps.size()) {
      Finish();
      return;
    }
    Step& s = steps[next];
    if (waitingSince < 0) waitingSince = count;
    if (!s.ready()) {
      if (count - waitingSince > s.limit) {
        failedStep = s.what;
        DumpPicture(Presented());
        ADD_FAILURE() << "step " << next << " \"" << s.what << "\" waited in vain; state " << State() << ", screen "
                      << ScreenOpen() << ", run mode " << RunMode() << ", op " << Scene().m_Ops[0].code
                      << ", channels [" << ChannelName(0) << "] [" << ChannelName(1) << "] [" << ChannelName(2)
                      << "] " << EffectNames() << ", buttons " << ButtonsText() << ", page:\n"
                      << Page() << "\nboxes:\n"
                      << Texts(fake.boxes);
        Finish();
      }
      return;
    }
    waitingSince = -1;
    ++next;
    if (s.act) s.act();
  }

  void Play() {
    next = 0;
    waitingSince = -1;
    quitting = false;
    failedStep.clear();
    releaseAt = -1;
    pressAt = -1;
    // A run that ended on the quit question's yes may have ended with the
    // decide key down: it is up when the player starts again.
    for (int key : {pl::DIK_RETURN, pl::DIK_LEFT, pl::DIK_SPACE}) fake.InjectKey(key, false);
    fake.InjectMouseButton(pl::MOUSE_LEFT, false, kTextArea);
    fake.InjectMouseButton(pl::MOUSE_RIGHT, false, kTextArea);
    exitCode = RunMain();
  }
  bool AllStepsDone() const { return next == steps.size() && failedStep.empty(); }
};

}  // namespace kvtest
