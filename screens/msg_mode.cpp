#include "screens/msg_mode.h"

#include <algorithm>

#include "framework/ddraw.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/blend_table.h"
#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "platform/dialog.h"
#include "platform/text.h"
#include "platform/time.h"
#include "screens/movie_mode.h"

const char* const MsgVoiceCues[6][4] = {
    {"aa3949", "aa3945", "aa3946", "nonfile"}, {"ab2888", "ab2884", "ab2885", "nonfile"},
    {"ac2836", "ac2832", "ac2833", "nonfile"}, {"ad2187", "ad2183", "ad2184", "nonfile"},
    {"ba0787", "ba0783", "ba0784", "nonfile"}, {"bb0886", "bb0882", "bb0883", "nonfile"},
};

// Cells of the panel picture: the panel at the top, then the rows of the
// buttons' normal, hover and pressed looks.
const LayoutButton MsgBoxLayout[3] = {
    {277, 191, 472, 216, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {357, 303, 144, 64, 0, 216, 0, 280, 0, 344, 0, 344, 0, 0},
    {524, 303, 144, 64, 144, 216, 144, 280, 144, 344, 144, 344, 0, 0},
};

const char* MsgPanelPicture(int kind) {
  static const char* const kNames[4] = {"qload_yn.abm", "end_yn.abm", "title_yn.abm", "cfini_yn.abm"};
  return kNames[std::clamp(kind, 0, 3)];
}

namespace {

constexpr int kFadeRows[3] = {0x41, 0x81, 0xC1};
constexpr std::uint32_t kFadeStepMs = 15;
// The cue column each question speaks when it opens (-1: none).
constexpr int kOpeningCue[4] = {0, -1, 2, 3};

}  // namespace

int CMsgMode::Run(int kind, pl::Window* owner, const ScreenDescriptor& screen, IWinHookList* hooks,
                  CKeyManager* keys, CMovieMode* movie) {
  if (!BeginRun(owner, screen, keys, hooks)) return -1;
  m_pMovie = movie;
  m_bMoviePaused = false;
  m_nKind = std::clamp(kind, 0, 3);
  CrtRandom& rnd = GetCrtRandom();
  rnd.Seed(pl::TickMs());
  m_nCueRow = rnd.Next() % 6;
  m_nResult = -1;
  if (!MakeScreenView(m_ScreenView, m_Screen) || !MakeSurfaces()) {
    FreeSurfaces();
    m_nResult = -1;
    return -1;
  }
  Execute();
  // The picture as it was before the question.
  CopyPixelRect(m_ScreenView, m_SecondaryDIB_tmp, 0, 0, m_ScreenView.Width(), m_ScreenView.Height(), 0, 0);
  const int result = m_nResult;
  if (m_bMoviePaused) {
    // The window shows the frozen frame where the movie plays: only the
    // picture around it is presented again before the movie goes on and
    // draws its own rectangle.
    if (result != -1) m_pMovie->Redraw(0, 0, 1024, 600, 0, 0);
    m_pMovie->Player().Resume();
    m_bMoviePaused = false;
  } else if (result != -1) {
    RedrawAll();
  }
  m_pMovie = nullptr;
  StopVoiceCue();
  FreeSurfaces();
  return result;
}

bool CMsgMode::MakeSurfaces() {
  int* mmx = GetMmxFlag();
  auto fail = [&](const char* text) {
    pl::MessageBox(GetMainWindowHandle(), text, SJ("メッセージ"), pl::MB_OK);
    return false;
  };
  if (m_SecondaryDIB.Create(1, 1024, 600, mmx) != 0) return fail(SJ("m_SecondaryDIB の作成に失敗しました。"));
  CopyPixelRect(m_SecondaryDIB, m_ScreenView, 0, 0, 1024, 600, 0, 0);
  if (m_BackDIB.Create(1, 1024, 600, mmx) != 0) return fail(SJ("Back DIB の作成に失敗しました。"));
  if (m_SecondaryDIB_tmp.Create(1, 1024, 600, mmx) != 0) {
    return fail(SJ("m_SecondaryDIB_tmp DIB の作成に失敗しました。"));
  }
  CopyPixelRect(m_SecondaryDIB_tmp, m_ScreenView, 0, 0, 1024, 600, 0, 0);
  if (m_BackSurface.Create(1, 1024, 600, mmx) != 0) {
    ShowSurfaceFailure(GetMainWindowHandle(), "Back");
    return false;
  }
  if (m_YesNo.Create(1, 472, 408, mmx) != 0) {
    ShowSurfaceFailure(GetMainWindowHandle(), "YesNo");
    return false;
  }
  return true;
}

void CMsgMode::FreeSurfaces() {
  m_SecondaryDIB.Destroy();
  m_BackDIB.Destroy();
  m_SecondaryDIB_tmp.Destroy();
  m_BackSurface.Destroy();
  m_YesNo.Destroy();
}

void CMsgMode::Enter() {
  m_bLoop = 1;
  m_nResult = 0;
  m_nHover = m_nPrevHover = kNoItem;
  // The backdrop: the movie's frame where one plays, else the frozen
  // picture at half brightness.
  if (!PauseMovie()) {
    TintCopy32(m_SecondaryDIB, m_SecondaryDIB_tmp, 0, 0, std::min(m_ScreenView.Width(), 1024),
               std::min(m_ScreenView.Height(), 600), 0, 0, 0, 0, 0, 128);
  }
  if (!LoadAbmToBuffer(MsgPanelPicture(m_nKind), m_pGraphicsArc, m_YesNo)) {
    m_nResult = -1;
    m_bLoop = 0;
    return;
  }
  if (kOpeningCue[m_nKind] >= 0) PlayVoiceCue(*this, MsgVoiceCues[m_nCueRow][kOpeningCue[m_nKind]]);
  // The panel over the backdrop, then the buttons in their normal looks.
  const LayoutButton& p = MsgBoxLayout[0];
  CopyPixelRect(m_BackSurface, m_SecondaryDIB, 0, 0, 1024, 600, 0, 0);
  AlphaBlitRect(m_BackSurface, m_YesNo, p.x, p.y, p.w, p.h, p.normalX, p.normalY);
  CopyPixelRect(m_BackDIB, m_BackSurface, 0, 0, 1024, 600, 0, 0);
  for (int item = 1; item <= 2; ++item) {
    const LayoutButton& b = MsgBoxLayout[item];
    DrawLayoutLook(b, b.normalX, b.normalY, m_BackSurface, m_YesNo, m_BackDIB);
  }
  CopyPixelRect(m_ScreenView, m_SecondaryDIB, 0, 0, 1024, 600, 0, 0);
  RedrawAll();
  FadeIn();
  GlideCursorTo(LayoutCenter(MsgBoxLayout[1]));
}

bool CMsgMode::PauseMovie() {
  if (!m_pMovie || m_bMoviePaused) return false;
  CDirectShow& player = m_pMovie->Player();
  if (!player.IsRunning()) return false;
  // The pause waits for the player's thread to leave its pass: no frame is
  // drawn over the box after this.
  if (player.Pause() != 0) return false;
  m_bMoviePaused = true;
  pl::Rect at;
  player.GetRect(&at);
  if (CDDraw* device = GetDDraw()) {
    device->CopySurface(m_SecondaryDIB.Height(), m_hWnd, m_SecondaryDIB.Row32(0), m_SecondaryDIB.m_nStride / 4,
                        at.left, at.top);
  }
  return true;
}

bool CMsgMode::PaceStep(std::uint32_t start, std::uint32_t ms) {
  while (pl::TickMs() - start < ms) {
    if (!PumpAndPace()) return false;
  }
  return true;
}

void CMsgMode::DrawFadeStep(int a) {
  const LayoutButton& p = MsgBoxLayout[0];
  for (int y = p.y; y < p.y + p.h; ++y) {
    std::uint8_t* d = m_ScreenView.Row(y) + 4 * p.x;
    const std::uint8_t* s = m_BackDIB.Row(y) + 4 * p.x;
    const std::uint8_t* b = m_SecondaryDIB.Row(y) + 4 * p.x;
    for (int i = 0; i < 4 * p.w; ++i) {
      d[i] = m_pBlendTable ? m_pBlendTable->T[a][s[i]][b[i]] : static_cast<std::uint8_t>(BlendTable(a, s[i], b[i]));
    }
  }
  Redraw(p.x, p.y, p.w, p.h, p.x, p.y);
}

void CMsgMode::PresentPanel() {
  const LayoutButton& p = MsgBoxLayout[0];
  CopyPixelRect(m_ScreenView, m_BackDIB, p.x, p.y, p.w, p.h, p.x, p.y);
  Redraw(p.x, p.y, p.w, p.h, p.x, p.y);
}

void CMsgMode::FadeIn() {
  if (!m_bNoEffect) {
    for (int a : kFadeRows) {
      const std::uint32_t start = pl::TickMs();
      DrawFadeStep(a);
      if (!PaceStep(start, kFadeStepMs)) return;
      if (CheckKey(KEY_CTRL)) break;
    }
  }
  PresentPanel();
}

void CMsgMode::FadeOut() {
  const LayoutButton& p = MsgBoxLayout[0];
  // The panel as it is shown now (the pressed button) fades out.
  CopyPixelRect(m_BackDIB, m_ScreenView, p.x, p.y, p.w, p.h, p.x, p.y);
  if (!m_bNoEffect) {
    for (int i = 2; i >= 0; --i) {
      const std::uint32_t start = pl::TickMs();
      DrawFadeStep(kFadeRows[i]);
      if (!PaceStep(start, kFadeStepMs)) return;
    }
  }
  CopyPixelRect(m_ScreenView, m_SecondaryDIB, p.x, p.y, p.w, p.h, p.x, p.y);
  Redraw(p.x, p.y, p.w, p.h, p.x, p.y);
}

void CMsgMode::DrawButton(int item, int look) {
  if (item != 1 && item != 2) return;
  const LayoutButton& b = MsgBoxLayout[item];
  const int cx = look == 2 ? b.pressedX : look == 1 ? b.hoverX : b.normalX;
  const int cy = look == 2 ? b.pressedY : look == 1 ? b.hoverY : b.normalY;
  DrawLayoutLook(b, cx, cy, m_BackSurface, m_YesNo, m_BackDIB);
  CopyPixelRect(m_ScreenView, m_BackDIB, b.x, b.y, b.w, b.h, b.x, b.y);
  Redraw(b.x, b.y, b.w, b.h, b.x, b.y);
}

void CMsgMode::Update() {
  const pl::Point pt = LogicalCursor();
  // The panel itself is no button: only records 1 and 2 are tested.
  int hover = kNoItem;
  for (int item = 1; item <= 2; ++item) {
    if (LayoutContains(MsgBoxLayout[item], pt)) {
      hover = item;
      break;
    }
  }
  m_nHover = hover;
  if (m_nHover == m_nPrevHover) return;
  DrawButton(m_nPrevHover, 0);
  DrawButton(m_nHover, 1);
  m_nPrevHover = m_nHover;
}

void CMsgMode::WaitAfterAnswer() {
  // The spoken answer may finish; Space or the right button (and for the
  // quit question the decide key again) cut it short, Ctrl at once.
  std::uint32_t idleSince = pl::TickMs();
  while (PumpAndPace()) {
    if (IsEffectChannelBusy()) idleSince = pl::TickMs();
    if (pl::TickMs() - idleSince >= 100) break;
    if (CheckKey(KEY_CTRL) || CheckKey(KEY_SPACE)) break;
    if (m_nKind == MSG_QUIT && CheckKey(KEY_ENTER)) break;
  }
}

void CMsgMode::OnDecide() {
  if (m_nHover != 1 && m_nHover != 2) {
    WaitKeyRelease(*this, KEY_ENTER);
    return;
  }
  DrawButton(m_nHover, 2);
  WaitKeyRelease(*this, KEY_ENTER);
  if (!m_bLoop) return;
  if (m_nHover == 1) {
    m_nResult = MSG_YES;
    if (m_nKind == MSG_QUIT) {
      PlayVoiceCue(*this, MsgVoiceCues[m_nCueRow][1]);
    } else {
      StopVoiceCue();
    }
  } else {
    m_nResult = MSG_NO;
    StopVoiceCue();
  }
  FadeOut();
  WaitAfterAnswer();
  if (m_nResult != -1) m_bLoop = 0;
  WaitKeyRelease(*this, KEY_ENTER);
}

void CMsgMode::OnCancel() {
  WaitKeyRelease(*this, KEY_SPACE);
  if (!m_bLoop) return;
  m_nResult = MSG_NO;
  FadeOut();
  m_bLoop = 0;
  WaitKeyRelease(*this, KEY_SPACE);
}

void CMsgMode::MoveCursorTo(int item) { SetLogicalCursorPos(LayoutCenter(MsgBoxLayout[item])); }

void CMsgMode::OnUp() {
  WaitKeyRelease(*this, KEY_UP);
  if (m_nHover == kNoItem) MoveCursorTo(2);
  WaitKeyRelease(*this, KEY_UP);
}

void CMsgMode::OnDown() {
  WaitKeyRelease(*this, KEY_DOWN);
  if (m_nHover == kNoItem) MoveCursorTo(2);
  WaitKeyRelease(*this, KEY_DOWN);
}

void CMsgMode::OnLeft() {
  WaitKeyRelease(*this, KEY_LEFT);
  if (m_nHover == 2) {
    MoveCursorTo(1);
  } else if (m_nHover == kNoItem) {
    MoveCursorTo(2);
  }
  WaitKeyRelease(*this, KEY_LEFT);
}

void CMsgMode::OnRight() {
  WaitKeyRelease(*this, KEY_RIGHT);
  if (m_nHover == 1 || m_nHover == kNoItem) MoveCursorTo(2);
  WaitKeyRelease(*this, KEY_RIGHT);
}
