// The staged sample game on the fake backend, read back from the presented
// picture: its first story page comes up with the background, the message
// window's frame, the speaker's name and the revealed text; a click during
// a click wait goes on to the next line, a click during the reveal shows
// the rest of the line at once; a narration page leaves the name plate
// empty; the first choice shows both choices under its question and the
// one clicked leads to its own branch; the save screen opens over the
// page in its own pictures and writes a slot with the page's thumbnail.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "engine/save_slot.h"
#include "framework/arc.h"
#include "framework/globals.h"
#include "graphics/layer_image.h"
#include "platform/input.h"
#include "platform/window.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "screens/save_slot_info.h"
#include "tests/e2e/demo_stage.h"
#include "tests/e2e/process_fixture.h"

namespace {

using kvtest::Texts;
using kvtest::Utf8;

namespace fs = std::filesystem;

constexpr int kW = 1024, kH = 600;

// The build's staged game: the tools folder's sibling.
using kvtest::StageFolder;

struct Picture {
  std::vector<std::uint32_t> px;  // 0xAARRGGBB, kW x kH
  std::uint32_t At(int x, int y) const { return px[static_cast<std::size_t>(y) * kW + x]; }
};

int Channel(std::uint32_t p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }
bool NearWhite(std::uint32_t p) { return Channel(p, 0) > 200 && Channel(p, 1) > 200 && Channel(p, 2) > 200; }

// Pixels in a rectangle that are near white: the text colour of the game,
// which neither the dark window frame nor the background holds there.
int WhiteIn(const Picture& pic, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += NearWhite(pic.At(x, y)) ? 1 : 0;
  return n;
}

// White pixels inside the name plate (which lies over the window's
// top-left corner from 6 pixels left of it and 21 above; its body, inside
// a light border, from the window's top on): the speaker's name.
int NameInPlate(const Picture& pic, int winX, int winY) { return WhiteIn(pic, winX + 14, winY, winX + 234, winY + 35); }

struct DemoPage : kvtest::Process {
  kvtest::TitleStart titleStart;
  // What the run saw at its moments.
  enum Phase { kToFirstWait, kToSecondLine, kToPageEnd, kDone };
  Phase phase = kToFirstWait;
  Picture firstWait, pageEnd;
  std::string firstPage, secondPage;
  std::uint32_t clickTick = 0, pageEndTick = 0;
  int releaseAt = -1;
  std::int16_t winX = 0, winY = 0, winW = 0, winH = 0;
  std::int32_t windowOpacity = -1;
  int homeX = 0, homeY = 0, pitchY = 0, pitchX = 0;

  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  // The current window's place and text layout, as the script set them.
  void NoteLayout() {
    const CTextWindow* w = Engine()->Tables().CurrentWindow();
    if (!w) return;
    winX = w->m_nX, winY = w->m_nY, winW = w->m_nWidth, winH = w->m_nHeight;
    homeX = w->m_nHomeX, homeY = w->m_nHomeY;
    pitchY = w->m_nLineGap + Engine()->Script().m_nTextSize;
    pitchX = w->m_nCharGap + Engine()->Script().m_nLetterSpacing;
  }
  // Ends the run through the quit question; nothing more is done after.
  bool finished = false;
  void Finish() {
    finished = true;
    QuitYes();
  }
  // Every wait of the text is clicked through (a click while the text is
  // revealed shows the rest of it). True when one was.
  bool ClickThrough(std::uint32_t state, int count) {
    if (state != PND_TYPING && state != PND_PROMPT_PAGE && state != PND_FPROMPT) return false;
    Click(count);
    return true;
  }

  void SetUp() override {
    Process::SetUp();
    // The staged game, entered from its title by "はじめから".
    kvtest::CopyStagedGame(folder.path());
    gate = [this](int count) { return titleStart.Step(fake, globals.m_App.m_pKivBase, count); };
  }

  Picture Presented() {
    Picture p;
    pl::Window* w = GetMainWindowHandle();
    if (!w) return p;
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != kW || w->clientHeight != kH) return p;
    p.px = w->front;
    return p;
  }

  // A left click, held for two pumps; by default in the window's text
  // area, away from its buttons.
  pl::Point clickAt{300, 560};
  void Click(int count, pl::Point at = {300, 560}) {
    clickAt = at;
    fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
    releaseAt = count + 2;
  }
  // True while a click is being held (and released at its pump).
  bool Holding(int count) {
    if (count == releaseAt) {
      fake.InjectMouseButton(pl::MOUSE_LEFT, false, clickAt);
      releaseAt = -1;
      return true;
    }
    return releaseAt >= 0;
  }

  // A text speed the player chose, set in the live settings at the start
  // (-1: the factory speed, the whole page at once).
  std::int32_t textSpeed = -1;

  void Step(int count) {
    if (textSpeed >= 0 && Engine()) {
      Engine()->Settings().m_nTextSpeed = textSpeed;
      textSpeed = -1;
    }
    if (Holding(count)) return;
    const std::uint32_t state = Scene().m_nPendingState;
    CMessageText& text = Engine()->Text();
    switch (phase) {
      case kToFirstWait:
        if (state != PND_PROMPT_PAGE) return;
        firstWait = Presented();
        firstPage = Utf8(text.PageText());
        NoteLayout();
        windowOpacity = Engine()->Settings().m_nWindowOpacity;
        Click(count);
        phase = kToSecondLine;
        return;
      case kToSecondLine:
        if (state != PND_TYPING) return;
        clickTick = fake.manualClock().TickMs();
        Click(count);
        phase = kToPageEnd;
        return;
      case kToPageEnd:
        if (state != PND_FPROMPT) return;
        pageEndTick = fake.manualClock().TickMs();
        pageEnd = Presented();
        secondPage = Utf8(text.PageText());
        phase = kDone;
        Finish();
        return;
      case kDone:
        return;
    }
  }

  // Plays down one branch of the first choice (below).
  void RunDownBranch(const struct Case& c);

  void RunGame() {
    onPump = [this](int count) { Step(count); };
    exitCode = RunMain();
  }
};

// The picture of the game's archive, decoded by the engine's own loader.
bool LoadStaged(const std::string& folder, const char* name, CLayerImage* out) {
  CArc arc;
  pl::SetProgramFolder(folder);
  if (!arc.Open("K:\\GRP.AOS")) return false;
  return LoadLayerImage(*out, name, 0, &arc, 0, 0) == 1;
}

TEST_F(DemoPage, TheFirstPageShowsTheWindowAndItsTextAndClicksGoOn) {
  textSpeed = 1;  // 45 ms a character: the second line is clicked during its reveal
  RunGame();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(phase, kDone) << "the game did not reach the end of its second line; title clicks " << titleStart.starts << ", state " << Scene().m_nPendingState << "; boxes:\n" << Texts(fake.boxes);
  // No box but the quit question (asked on its screen or in a box).
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);

  // The text: the first line is on the page at the first wait, the second
  // one joins it by the page end.
  EXPECT_NE(firstPage.find("ようこそ"), std::string::npos) << firstPage;
  EXPECT_EQ(firstPage.find("案内役"), std::string::npos) << firstPage;
  EXPECT_NE(secondPage.find("ようこそ"), std::string::npos) << secondPage;
  EXPECT_NE(secondPage.find("案内役"), std::string::npos) << secondPage;
  // The click during the reveal showed the rest at once: far sooner than
  // the fastest timed reveal (16 ms a character) of that line's 22.
  EXPECT_LT(pageEndTick - clickTick, 22u * 16u) << "the reveal was not finished by the click";

  ASSERT_EQ(firstWait.px.size(), static_cast<std::size_t>(kW) * kH) << "nothing was presented";
  ASSERT_GT(winW, 0);
  ASSERT_GT(pitchY, 0);

  // The frame over the background, pixel for pixel, at the window's place:
  // the band left of the text, below the name plate, holds no text and no
  // character. The frame is a message-window part: it is drawn at the
  // window opacity of the settings.
  CLayerImage bg, frame;
  ASSERT_TRUE(LoadStaged(folder.path(), "bg01", &bg));
  ASSERT_TRUE(LoadStaged(folder.path(), "msgwnd", &frame));
  ASSERT_EQ(bg.m_nWidth, kW);
  ASSERT_GE(frame.m_nWidth, homeX);
  const int opacity = windowOpacity * 255 / 100;
  int checked = 0, off = 0, visible = 0;
  std::string firstOff;
  for (int y = winY + 44; y < winY + winH - 2; y += 3)
    for (int x = winX + 1; x < winX + homeX - 2; ++x) {
      const std::uint32_t f = frame.m_Pixels[static_cast<std::size_t>(y - winY) * frame.m_nWidth + (x - winX)];
      const std::uint32_t b = bg.m_Pixels[static_cast<std::size_t>(y) * kW + x];
      const int v = opacity * static_cast<int>(f >> 24) >> 8;
      const std::uint32_t got = firstWait.At(x, y);
      ++checked;
      bool differs = false;
      for (int c = 0; c < 3; ++c) {
        const int want = Channel(b, c) + ((Channel(f, c) - Channel(b, c)) * v >> 8);
        differs = differs || std::abs(want - Channel(b, c)) > 8;
        if (std::abs(Channel(got, c) - want) > 3) {
          if (off++ == 0)
            firstOff = "at " + std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(c) + ": " +
                       std::to_string(Channel(got, c)) + " for " + std::to_string(want);
          break;
        }
      }
      visible += differs ? 1 : 0;
    }
  EXPECT_GT(checked, 500);
  // The frame shows there: without it most of those pixels would differ.
  EXPECT_GT(visible, checked * 3 / 4);
  EXPECT_EQ(off, 0) << off << " of " << checked << " frame pixels differ; first " << firstOff;

  // The first line's text: white pixels on the window's second text line
  // (the first is the name's), none yet on the lines below it; the name
  // in its plate above the window's top-left.
  const int x0 = winX + homeX, x1 = winX + homeX + 20 * pitchX;
  const int row1 = winY + homeY + pitchY, row3 = winY + homeY + 3 * pitchY;
  EXPECT_GT(WhiteIn(firstWait, x0, row1, x1, row1 + pitchY), 200) << "no text on the first text line";
  EXPECT_EQ(WhiteIn(firstWait, x0, row3, x1, row3 + pitchY), 0) << "text below the first line before the click";
  EXPECT_GT(NameInPlate(firstWait, winX, winY), 60) << "no speaker name";
  // After the click the second speaker's line is drawn lower on the page.
  ASSERT_EQ(pageEnd.px.size(), static_cast<std::size_t>(kW) * kH);
  EXPECT_GT(WhiteIn(pageEnd, x0, row3, x1, row3 + pitchY), 200) << "the second line is not on the page";
  EXPECT_GT(WhiteIn(pageEnd, x0, row1, x1, row1 + pitchY), 200) << "the first line went from the page";
}

// The story's first choice: both choices are drawn under the question,
// and both stay, with the question, while the cursor highlights the second
// one; clicking it puts its index in "reg" and leads to its own branch.
TEST_F(DemoPage, TheFirstChoiceShowsBothAndTheSecondLeadsToItsBranch) {
  Picture atChoice;
  std::string question, branch;
  std::int32_t reg = -1, count = 0;
  ChoiceRecord second;
  int clickChoiceAt = -1;
  bool chose = false;
  onPump = [&](int n) {
    if (finished || Holding(n)) return;
    const std::uint32_t state = Scene().m_nPendingState;
    CMessageText& text = Engine()->Text();
    if (!chose) {
      if (ClickThrough(state, n) || state != PND_SLCT) return;
      if (clickChoiceAt < 0) {
        question = Utf8(text.PageText());
        count = text.ChoiceCount();
        if (count < 2) return;
        second = text.Choice(1);
        NoteLayout();
        fake.InjectMouseMove({winX + second.m_nX + 8, winY + second.m_nY + second.m_nHeight / 2});
        clickChoiceAt = n + 6;
        return;
      }
      if (n < clickChoiceAt) return;
      // The second choice is highlighted under the cursor by now.
      atChoice = Presented();
      Click(n, {winX + second.m_nX + 8, winY + second.m_nY + second.m_nHeight / 2});
      chose = true;
      return;
    }
    if (state != PND_FPROMPT) return;
    branch = Utf8(text.PageText());
    if (ValueNode* r = Engine()->Script().Reg()) reg = r->nValue;
    Finish();
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(chose) << "no choice came up; boxes:\n" << Texts(fake.boxes);
  ASSERT_EQ(count, 2);
  EXPECT_NE(question.find("どうする"), std::string::npos) << question;
  EXPECT_EQ(Utf8(second.m_strText), "丘に残って星を待つ");
  EXPECT_EQ(reg, 1);
  EXPECT_NE(branch.find("星を待とうか"), std::string::npos) << "not the second choice's branch: " << branch;

  // Both choices and the question are on the picture, each on its own
  // line: the first choice one line above the second, the question above
  // it (in the text colour or the grey of a choice not highlighted).
  ASSERT_EQ(atChoice.px.size(), static_cast<std::size_t>(kW) * kH);
  auto lit = [&](int x0, int y0, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + 8 * pitchX; ++x) {
        const std::uint32_t p = atChoice.At(x, y);
        n += (Channel(p, 0) > 170 && Channel(p, 1) > 170 && Channel(p, 2) > 170) ? 1 : 0;
      }
    return n;
  };
  const int lineH = second.m_nHeight;
  EXPECT_GT(lit(winX + homeX, winY + second.m_nY - lineH, lineH), 100) << "the first choice is not drawn";
  EXPECT_GT(lit(winX + homeX, winY + second.m_nY, lineH), 100) << "the second choice is not drawn";
  EXPECT_GT(lit(winX + homeX, winY + second.m_nY - 2 * lineH, lineH), 100) << "the question went from the window";
}

// A page without a speaker ("[]") after a speaker's page: the old name
// went with the page clear, and the narration's two lines are on the page.
TEST_F(DemoPage, ANarrationPageLeavesTheNamePlateEmpty) {
  Picture atNarration;
  std::string page;
  onPump = [&](int n) {
    if (finished || Holding(n)) return;
    const std::uint32_t state = Scene().m_nPendingState;
    CMessageText& text = Engine()->Text();
    if (state == PND_FPROMPT && Utf8(text.PageText()).find("文字はひとつずつ") != std::string::npos) {
      atNarration = Presented();
      page = Utf8(text.PageText());
      NoteLayout();
      Finish();
      return;
    }
    ClickThrough(state, n);
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(atNarration.px.size(), static_cast<std::size_t>(kW) * kH) << "no narration page; boxes:\n" << Texts(fake.boxes);
  EXPECT_EQ(page.find("ミナ"), std::string::npos) << page;
  EXPECT_EQ(NameInPlate(atNarration, winX, winY), 0) << "pixels of the old name are left on the plate";
  const int x0 = winX + homeX, x1 = x0 + 15 * pitchX, row1 = winY + homeY + pitchY;
  EXPECT_GT(WhiteIn(atNarration, x0, row1, x1, row1 + pitchY), 200);
  EXPECT_GT(WhiteIn(atNarration, x0, row1 + pitchY, x1, row1 + 2 * pitchY), 200) << "the narration's second line";
}

// The story's first chapter, down each branch of its first choice, to the
// chapter's last choice, whose "ここでおわる" quits: no script or picture
// fault is reported on the way (the only box is the quit question), and
// each branch's own lines are reached. Each branch is a run of its own.
struct Case {
  int first;            // the choice taken at the first choice
  const char* line;     // a line of that branch only
  const char* notLine;  // a line of the other branch
};

void DemoPage::RunDownBranch(const Case& c) {
  SCOPED_TRACE(c.first);
  std::string seen;
  int choicesMade = 0, pickAt = -1;
  std::string stopFile, stopLabel, stopLocal;
  pl::Point pick{};
  bool quitAsked = false;
  fake.onBox = [&](const pl::RecordedBox&) { quitAsked = true; };
  finished = false;
  onPump = [&](int n) {
    stopFile = Engine()->Script().m_Root.m_strFile;
    stopLabel = Engine()->Script().m_strLabel;
    stopLocal = Engine()->Script().m_strLocalLabel;
    if (finished || quitAsked || Holding(n)) return;
    const std::uint32_t state = Scene().m_nPendingState;
    CMessageText& text = Engine()->Text();
    if (state == PND_FPROMPT || state == PND_PROMPT_PAGE) {
      const std::string page = Utf8(text.PageText());
      if (seen.size() < page.size() || seen.compare(seen.size() - page.size(), page.size(), page) != 0) seen += page;
    }
    if (ClickThrough(state, n) || state != PND_SLCT) return;
    if (pickAt < 0) {
      // The first choice takes the case's; the last one "ここでおわる".
      const int index = choicesMade == 0 ? c.first : text.ChoiceCount() - 1;
      const CTextWindow* w = Engine()->Tables().CurrentWindow();
      if (!w || index < 0 || index >= text.ChoiceCount()) return;
      const ChoiceRecord& r = text.Choice(index);
      // Every choice lies inside its window, where it can be clicked.
      for (int i = 0; i < text.ChoiceCount(); ++i) {
        const ChoiceRecord& o = text.Choice(i);
        EXPECT_LE(o.m_nY + o.m_nHeight, w->m_nHeight) << Utf8(o.m_strText) << " lies below the window";
      }
      pick = {w->m_nX + r.m_nX + 8, w->m_nY + r.m_nY + r.m_nHeight / 2};
      fake.InjectMouseMove(pick);
      pickAt = n + 6;
      return;
    }
    if (n < pickAt) return;
    Click(n, pick);
    pickAt = -1;
    ++choicesMade;
  };
  exitCode = RunMain();
  fake.onBox = nullptr;
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(choicesMade, 2) << "title clicks " << titleStart.starts << ", state " << Scene().m_nPendingState << " at "
                            << stopFile << "." << stopLabel << " " << stopLocal;
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);
  EXPECT_NE(seen.find(c.line), std::string::npos) << seen;
  EXPECT_EQ(seen.find(c.notLine), std::string::npos) << seen;
  EXPECT_NE(seen.find("遊んでくれてありがとう"), std::string::npos) << seen;
  fake.boxes.clear();
}

TEST_F(DemoPage, TheFirstChapterRunsToItsEndDownTheFirstBranch) { RunDownBranch({0, "来てよかった", "一番星"}); }

TEST_F(DemoPage, TheFirstChapterRunsToItsEndDownTheSecondBranch) { RunDownBranch({1, "一番星", "来てよかった"}); }

// A 24-bit picture of the staged archive as 0x00RRGGBB pixels, rows top-down
// (empty when it is missing or not such a picture).
std::vector<std::uint32_t> StagedBitmap(const std::string& folder, const char* name, int w, int h) {
  CArc arc;
  pl::SetProgramFolder(folder);
  if (!arc.Open("K:\\GRP.AOS")) return {};
  const std::int64_t size = arc.GetSize(name);
  if (size < 54) return {};
  std::vector<std::uint8_t> f(static_cast<std::size_t>(size));
  if (arc.Read(name, f.data(), f.size()) != size) return {};
  auto le = [&f](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | f[at + static_cast<std::size_t>(i)];
    return v;
  };
  const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
  const std::size_t offset = le(10, 4);
  if (static_cast<int>(le(18, 4)) != w || static_cast<int>(le(22, 4)) != h || le(28, 2) != 24 ||
      offset + stride * static_cast<std::size_t>(h) > f.size())
    return {};
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = f.data() + offset + stride * static_cast<std::size_t>(h - 1 - y) + 3 * static_cast<std::size_t>(x);
      px[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
    }
  return px;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(Channel(a, c) - Channel(b, c)) > tolerance) return false;
  return true;
}

// At the first page's wait the save key opens the save screen over the
// page, drawn from the game's own pictures; the first slot, chosen and
// answered yes, is written with a thumbnail of the page the screen opened
// over, and the screen then closes back to the story.
TEST_F(DemoPage, TheSaveScreenOpensAndWritesASlotWithTheThumbnail) {
  enum Step { kWaitPage, kWaitScreen, kOnSlot, kOnYes, kSaved, kLeaving, kOver } step = kWaitPage;
  Picture page, screen;
  int at = -1;  // the pump the current step's next action is due
  int keyUp = -1, heldKey = 0;
  auto press = [&](int key, int n) {
    fake.InjectKey(key, true);
    heldKey = key;
    keyUp = n + 2;
  };
  const pl::Point slotBar{526 + 248, 54 + 24}, yes{357 + 72, 303 + 32};
  onPump = [&](int n) {
    if (finished) return;
    if (n == keyUp) {
      fake.InjectKey(heldKey, false);
      keyUp = -1;
      return;
    }
    if (keyUp >= 0 || (at >= 0 && n < at)) return;
    const bool running = Engine()->m_bScreenRunning != 0;
    switch (step) {
      case kWaitPage:
        // The decide key during the reveal shows the rest of the line.
        if (Scene().m_nPendingState == PND_TYPING && n % 200 == 0) return press(pl::DIK_RETURN, n);
        if (Scene().m_nPendingState != PND_PROMPT_PAGE) return;
        page = Presented();
        press(pl::DIK_Z, n);
        step = kWaitScreen;
        at = n + 30;
        return;
      case kWaitScreen:
        if (!running) {
          if (n > at + 600) Finish();
          return;
        }
        screen = Presented();
        fake.InjectMouseMove(slotBar);
        step = kOnSlot;
        at = n + 10;
        return;
      case kOnSlot:
        press(pl::DIK_RETURN, n);
        step = kOnYes;
        at = n + 20;
        return;
      case kOnYes:
        fake.InjectMouseMove(yes);
        step = kSaved;
        at = n + 10;
        return;
      case kSaved:
        press(pl::DIK_RETURN, n);
        step = kLeaving;
        at = n + 30;
        return;
      case kLeaving:
        if (running) {
          press(pl::DIK_SPACE, n);
          at = n + 30;
          return;
        }
        step = kOver;
        Finish();
        return;
      case kOver:
        return;
    }
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  ASSERT_NE(step, kWaitPage) << "no page wait; boxes:\n" << Texts(fake.boxes);
  ASSERT_NE(step, kWaitScreen) << "the save screen did not open; boxes:\n" << Texts(fake.boxes);
  EXPECT_EQ(step, kOver) << "the save screen did not close";
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);

  // The screen's background, where nothing lies over it (below the title,
  // left of the slot list), is the staged picture pixel for pixel.
  ASSERT_EQ(screen.px.size(), static_cast<std::size_t>(kW) * kH);
  const std::vector<std::uint32_t> back = StagedBitmap(folder.path(), "save_bk.bmp", kW, kH);
  ASSERT_EQ(back.size(), static_cast<std::size_t>(kW) * kH) << "save_bk.bmp is not a 1024 x 600 24-bit picture";
  int off = 0, checked = 0;
  for (int y = 380; y < 590; y += 5)
    for (int x = 20; x < 500; x += 5, ++checked) off += Near(screen.At(x, y), back[static_cast<std::size_t>(y) * kW + x], 2) ? 0 : 1;
  EXPECT_EQ(off, 0) << off << " of " << checked << " background pixels differ";
  // The slot bars are drawn over it from the cells: the first bar's
  // middle is not the background there.
  EXPECT_FALSE(Near(screen.At(slotBar.x, slotBar.y + 12), back[static_cast<std::size_t>(slotBar.y + 12) * kW + slotBar.x], 2));

  // The slot and its thumbnail: the page the screen opened over, at half
  // size (each pixel near the mean of its four).
  pl::SetProgramFolder(folder.path());
  EXPECT_TRUE(ReadSlotInfo(folder.path(), 0).present);
  std::vector<std::uint32_t> thumb;
  ASSERT_TRUE(ReadThumbnail(folder.path(), 0, kThumbnailWidth, kThumbnailHeight, &thumb)) << "no thumbnail for slot 1";
  ASSERT_EQ(page.px.size(), static_cast<std::size_t>(kW) * kH);
  int far = 0, samples = 0;
  for (int y = 0; y < kThumbnailHeight; y += 7)
    for (int x = 0; x < kThumbnailWidth; x += 7, ++samples) {
      std::uint32_t mean = 0;
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int k = 0; k < 4; ++k) sum += Channel(page.At(2 * x + (k & 1), 2 * y + (k >> 1)), c);
        mean |= static_cast<std::uint32_t>(sum / 4) << (8 * c);
      }
      far += Near(thumb[static_cast<std::size_t>(y) * kThumbnailWidth + x], mean, 6) ? 0 : 1;
    }
  EXPECT_LT(far, samples / 50) << far << " of " << samples << " thumbnail pixels are not the page's";
}

}  // namespace
