#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "graphics/blend_table.h"
#include "screens/msg_mode.h"
#include "tests/screens/screen_harness.h"

namespace {

using namespace screentest;

std::vector<std::string>& Cues() {
  static std::vector<std::string> cues;
  return cues;
}
int RecordCue(int, const char* name, const char*, int) {
  Cues().push_back(name);
  return 1;
}

class MsgModeTest : public ScreenHarness {
 protected:
  void SetUp() override {
    ScreenHarness::SetUp();
    SetScreenSoundPlayer(&RecordCue);
    Cues().clear();
    FillShown(kPage);
  }
  void TearDown() override {
    SetScreenSoundPlayer(nullptr);
    ScreenHarness::TearDown();
  }
  void MakePanel(int kind) {
    MakePicture(MsgPanelPicture(kind), Bands(32, 472, {{216, kPanel}, {64, kNormal}, {64, kHover}, {64, kPressed}}));
  }
  int Run(int kind) {
    const int r = box.Run(kind, window, DescribeScreen(GetPresentedScreen()), &hooks, &keys);
    box.LeaveHookList();
    return r;
  }
  // The box waits for an answer once its panel is shown whole.
  std::function<bool()> Open() {
    return [this] { return box.m_bLoop == 1 && Near(ShownAt(290, 200), kPanel) && Later(3)(); };
  }
  std::function<bool()> Hovering(int item) {
    return [this, item] { return box.m_nHover == item && Later(2)(); };
  }

  CMsgMode box;
};

enum Input { kClickYes, kClickNo, kSpace, kKeysToNo, kKeysToYes, kClose };

TEST_F(MsgModeTest, AnswersByClickAndKeyWithTheirCues) {
  struct Case {
    int kind;
    Input input;
    int result;
    std::vector<int> cueColumns;
  };
  const Case cases[] = {
      {MSG_QUICKLOAD, kClickYes, MSG_YES, {0}},   // its cue when it opens
      {MSG_QUIT, kClickYes, MSG_YES, {1}},        // none when it opens, column 1 on yes
      {MSG_QUIT, kClickNo, MSG_NO, {}},
      {MSG_TITLE, kClickNo, MSG_NO, {2}},
      {MSG_RESET, kClickYes, MSG_YES, {}},        // "nonfile": never a cue
      {MSG_TITLE, kSpace, MSG_NO, {2}},
      {MSG_QUICKLOAD, kKeysToNo, MSG_NO, {0}},    // Right from nothing goes to no
      {MSG_QUIT, kKeysToYes, MSG_YES, {1}},       // Left, Left: no, then yes
      {MSG_QUICKLOAD, kClose, -1, {0}},
  };
  const pl::Point yes = LayoutCenter(MsgBoxLayout[1]), no = LayoutCenter(MsgBoxLayout[2]);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " input " << c.input);
    MakePanel(c.kind);
    Cues().clear();
    FillShown(kPage);
    // The cursor starts on no button.
    pl::SetCursorPos(pl::ClientToScreen(window, {0, 0}));
    bool sawPanel = false, sawBackdrop = false, sawHover = false;
    std::vector<Step> s;
    s.push_back({Open(), [&] {
                   sawPanel = Near(ShownAt(360, 306), kNormal) && Near(ShownAt(530, 306), kNormal);
                   // The frozen picture at half brightness behind the panel.
                   sawBackdrop = Near(ShownAt(10, 10), 0xFF101820);
                 }});
    switch (c.input) {
      case kClickYes:
      case kClickNo: {
        const pl::Point p = c.input == kClickYes ? yes : no;
        s.push_back({Later(1), [this, p] { fake.InjectMouseMove(p); }});
        s.push_back({Hovering(c.input == kClickYes ? 1 : 2), [&, p] {
                       sawHover = Near(ShownAt(p.x, p.y), kHover);
                       fake.InjectMouseButton(pl::MOUSE_LEFT, true, p);
                     }});
        s.push_back({Later(3), [this, p] { fake.InjectMouseButton(pl::MOUSE_LEFT, false, p); }});
        break;
      }
      case kSpace:
        // Cancel answers no even over the yes button.
        s.push_back({Later(1), [this, yes] { fake.InjectMouseMove(yes); }});
        AddKey(s, Hovering(1), pl::DIK_SPACE);
        break;
      case kKeysToNo:
        AddKey(s, Later(1), pl::DIK_RIGHT);
        AddKey(s, Hovering(2), pl::DIK_RETURN);
        break;
      case kKeysToYes:
        AddKey(s, Later(1), pl::DIK_LEFT);
        AddKey(s, Hovering(2), pl::DIK_LEFT);
        AddKey(s, Hovering(1), pl::DIK_RETURN);
        break;
      case kClose:
        s.push_back({Later(1), [this] { fake.InjectClose(); }});
        break;
    }
    Play(std::move(s));
    EXPECT_EQ(Run(c.kind), c.result);
    EXPECT_TRUE(AllPlayed());
    EXPECT_TRUE(sawPanel);
    EXPECT_TRUE(sawBackdrop);
    if (c.input == kClickYes || c.input == kClickNo) {
      EXPECT_TRUE(sawHover);
    }
    std::vector<std::string> expect;
    for (int col : c.cueColumns) expect.push_back(MsgVoiceCues[box.m_nCueRow][col]);
    EXPECT_EQ(Cues(), expect);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(hooks.Hooks().empty());
    if (c.input == kClose) {
      EXPECT_EQ(box.m_bClosed, 1);
      // Closed for good: the next question does not run.
      EXPECT_EQ(Run(c.kind), -1);
    } else {
      // The picture is the one the question was asked over.
      EXPECT_EQ(ShownAt(290, 200), kPage);
      EXPECT_EQ(ShownAt(600, 330), kPage);
    }
  }
}

TEST_F(MsgModeTest, PanelFadesThroughTheBlendTableUnlessEffectsAreOff) {
  const std::unique_ptr<BlendTables> tables = MakeBlendTables();
  box.m_pBlendTable = tables.get();
  MakePanel(MSG_RESET);
  struct Case {
    int noEffect;
    bool steps;
  };
  for (const Case c : {Case{0, true}, Case{1, false}}) {
    FillShown(kPage);
    // What the panel's corner shows at each pump until the box waits.
    std::vector<std::uint32_t> seen;
    int held = 0;
    fake.onPump = [&](int pump) {
      if (box.m_bLoop == 1 && box.m_nResult == 0 && seen.size() < 200) seen.push_back(ShownAt(290, 200));
      if (seen.size() == 200 && held == 0) {
        fake.InjectKey(pl::DIK_SPACE, true);
        held = pump;
      }
      if (held && pump == held + 3) fake.InjectKey(pl::DIK_SPACE, false);
      if (pump > 100000) fake.InjectClose();
    };
    box.m_bNoEffect = c.noEffect;
    EXPECT_EQ(Run(MSG_RESET), MSG_NO);
    // The blended look of step 0x41: T[0x41][panel][backdrop] per byte.
    const std::uint32_t back = 0xFF101820;
    // The composed panel is the opaque cell blended over the backdrop.
    std::uint32_t step = 0;
    for (int sh = 0; sh < 32; sh += 8) {
      const int b = static_cast<int>((back >> sh) & 0xFF), p = static_cast<int>((kPanel >> sh) & 0xFF);
      const int composed = sh == 24 ? 255 : b + (((p - b) * 255) >> 8);
      step |= static_cast<std::uint32_t>(tables->T[0x41][composed][b]) << sh;
    }
    const bool sawStep = std::find(seen.begin(), seen.end(), step) != seen.end();
    EXPECT_EQ(sawStep, c.steps) << c.noEffect;
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(Near(seen.back(), kPanel));
  }
}

TEST_F(MsgModeTest, AMissingPanelPictureEndsTheBoxSilently) {
  Play({});
  EXPECT_EQ(Run(MSG_TITLE), -1);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Cues().empty());
  EXPECT_EQ(box.m_bClosed, 0);
  EXPECT_EQ(ShownAt(290, 200), kPage);
  // It is not closed for good: with its picture it runs.
  MakePanel(MSG_TITLE);
  std::vector<Step> s;
  AddKey(s, Open(), pl::DIK_SPACE);
  Play(std::move(s));
  EXPECT_EQ(Run(MSG_TITLE), MSG_NO);
}

}  // namespace
