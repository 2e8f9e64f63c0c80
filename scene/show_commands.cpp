#include "scene/show_commands.h"

#include <algorithm>
#include <vector>

#include "engine/command_table.h"
#include "engine/engine_host.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "framework/app_base.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "graphics/transition.h"
#include "graphics/virtual_screen.h"
#include "graphics/weather.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/time.h"
#include "scene/compose.h"
#include "scene/effect_commands.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"
#include "scene/sprite_effect_stepper.h"

namespace {

constexpr std::uint32_t kFadeTickMs = 33;
constexpr std::uint32_t kAnimTickMs = 64;
constexpr int kMaxLoopRounds = 150;
constexpr std::uint32_t kStoppedByLoop = 0x10000, kLoopStopped = 0x20000;

// A command's own blocking loop, for the engine's menu: see
// IEngineHost::EnterCommandLoop.
struct CommandLoop {
  CommandLoop() : engine(Presentation().m_pEngine) {
    if (engine) engine->EnterCommandLoop();
  }
  ~CommandLoop() {
    if (engine) engine->LeaveCommandLoop();
  }
  CommandLoop(const CommandLoop&) = delete;
  CommandLoop& operator=(const CommandLoop&) = delete;
  IEngineHost* engine;
};

CArc* GraphicsArc() {
  CObjectTables* t = GetObjectTables();
  return t ? t->m_pGraphicsArc : nullptr;
}

std::int16_t To16(std::int32_t v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); }
std::uint8_t To8(std::int32_t v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// Where a fade loop leaves the pending state: 0, but a stop request's
// state and the backlog view stay.
void EndFadeWait() {
  SceneState& s = Scene();
  if (s.m_nPendingState == kLoopStopped || s.m_nPendingState == PND_BACKLOG) return;
  s.m_nPendingState = 0;
}

// The window fade: every 33 ms the picture `to` over `from` at the opacity
// the elapsed time gives, until the time is up, Ctrl is down, skipping or
// effects off end it, or the program quits.
void RunWindowFade(const std::vector<std::uint32_t>& to, const std::vector<std::uint32_t>& from, std::uint32_t time,
                   std::uint32_t start) {
  VirtualScreen* out = GetVirtualScreen(0);
  const std::size_t n = static_cast<std::size_t>(kScreenWidth) * kScreenHeight;
  if (!out || to.size() < n || from.size() < n) return;
  CBuffer toView;
  SetupDibHeader(toView, kScreenWidth, 32, kScreenHeight, const_cast<std::uint32_t*>(to.data()), GetMmxFlag());
  CommandLoop loop;
  std::uint32_t last = pl::TickMs() - kFadeTickMs;
  while (PumpScenePass()) {
    const std::uint32_t now = pl::TickMs();
    if (now - last < kFadeTickMs) continue;
    last = now;
    std::uint64_t t = static_cast<std::uint64_t>(now - start) * 256 / time;
    if (IsSkipping() || EffectsSwitchedOff()) t = 256;
    if (IsCtrlDown() || t > 255) return;
    std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(n), out->Pixels());
    FadeBlitRect(out->m_Surface, toView, 0, 0, kScreenWidth, kScreenHeight, 0, 0, static_cast<int>(t));
    PresentWholeScreen();
  }
}

std::vector<std::uint32_t> SnapshotLayer(int i) {
  const VirtualScreen* s = GetVirtualScreen(i);
  if (!s) return {};
  const std::uint32_t* p = s->Pixels();
  return std::vector<std::uint32_t>(p, p + static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
}

void RestoreLayer(int i, const std::vector<std::uint32_t>& pixels) {
  VirtualScreen* s = GetVirtualScreen(i);
  if (!s || pixels.size() < static_cast<std::size_t>(kScreenWidth) * kScreenHeight) return;
  std::copy(pixels.begin(), pixels.end(), s->Pixels());
}

// The picture on show becomes layer 1, the old side of the next
// transition, before a change replaces it.
void KeepOldPicture() { CopyLayer(1, 2); }

bool AnimatedGroupsShown() { return HasVisibleSpriteKind(-3) || HasVisibleSpriteKind(-4); }

void SpriteIndexBox(const char* cmd) {
  SceneDebugBox(FormatText(SJ("%s コマンドのスプライト指定が間違っています。"), cmd));
}

bool LoadBackground(CScriptEngine& eng, const char* cmd, const char* badArgument) {
  CObjectTables* t = GetObjectTables();
  CLayerImage* bg = t ? t->SpriteAt(0) : nullptr;
  if (!bg) {
    SceneDebugBox(FormatText(SJ("%s コマンドの背景スプライトがありません。"), cmd));
    return false;
  }
  if (bg->m_szName[0] != '\0') KeepOldPicture();
  if (!ScriptArgIsText(eng, 1)) {
    SceneDebugBox(badArgument);
    return false;
  }
  const std::string name = ScriptArgText(eng, 1);
  // The loader clears the stacked-state count; the background keeps it.
  const std::uint8_t rows = bg->m_nRowsLessOne;
  // The new background still takes the tone in force; the tone and the
  // plain fill end with it.
  if (LoadLayerImage(*bg, name.c_str(), 0, GraphicsArc(), 1, 1) != 1) return false;
  SetSpriteTone(0);
  Presentation().m_dwFillColor = 0;
  bg->m_nRowsLessOne = rows;
  BackgroundFlag(*bg) = 1;
  CharacterFlag(*bg) = 0;
  bg->m_nX = To16(ScriptArgInt(eng, 2));
  bg->m_nY = To16(ScriptArgInt(eng, 3));
  return true;
}

// Runs fn on button `index`, or on every button for -1; any other index
// outside the table gets the command's box.
template <typename Fn>
void ForButtons(const char* cmd, std::int32_t index, Fn fn) {
  CObjectTables* t = GetObjectTables();
  if (!t) return;
  if (index == -1) {
    for (std::int32_t i = 0; i < t->ButtonCount(); ++i) fn(*t->ButtonAt(i));
    return;
  }
  CScriptButton* b = t->ButtonAt(index);
  if (!b) {
    SceneDebugBox(FormatText(SJ("%s コマンドのボタン番号指定が間違っています。"), cmd));
    return;
  }
  fn(*b);
}

void HideButton(CScriptButton& b) {
  b.m_Image.m_szName[0] = '\0';
  b.m_nState = 3;
  b.m_Image.m_nShownState = 3;
  b.m_szCaption[0] = '\0';
}

// Layer 2 from the sprites alone: what lay under the buttons comes back.
// The scene is composed as the composition does it, the system sprites
// over it.
void RebuildSpriteLayer() {
  CObjectTables* t = GetObjectTables();
  VirtualScreen* l2 = GetVirtualScreen(2);
  if (!t || !l2) return;
  DrawSceneSprites(l2);
  for (std::int32_t i = 1; i < t->SpriteCount(); ++i) {
    CLayerImage& s = *t->SpriteAt(i);
    if (s.m_szName[0] == '\0' || s.m_nClass == 0 || (s.m_nClass & 0x80) != 0) continue;
    DrawLayerImage(s, s.m_nX, s.m_nY, l2, s.m_nShownState, s.m_nRowsLessOne, 255, 0, 0);
  }
}

}  // namespace

namespace {

// The gauge's whole rectangle from layer 2 onto the presented picture.
void ShowGaugeArea(const CGauge& g) {
  VirtualScreen* l2 = GetVirtualScreen(2);
  VirtualScreen* l0 = GetVirtualScreen(0);
  if (!l2 || !l0) return;
  CopyScreenRect(g.m_nX, g.m_nY, g.m_nX + g.m_nWidth - 1, g.m_nY + g.m_nHeight + 1, g.m_nX, g.m_nY, l2, l0);
  PresentRect(g.m_nX, g.m_nY, g.m_nWidth, g.m_nHeight + 2, g.m_nX, g.m_nY, nullptr);
}

}  // namespace

void DrawGaugeBar(const CGauge& g) {
  VirtualScreen* l2 = GetVirtualScreen(2);
  if (!l2 || !GetVirtualScreen(0)) return;
  PutGaugeOnLayer(g, l2);
  ShowGaugeArea(g);
}

namespace {

void RunRasterStop() {
  ScenePresentation& look = Presentation();
  look.m_bRasterOn = 3;
  CObjectTables* t = GetObjectTables();
  const CLayerImage* bg = t ? t->SpriteAt(0) : nullptr;
  // Without a raster step nothing would ever report the end.
  if (IsSkipping() || !bg || bg->m_szName[0] == '\0' || !GetLayerDrawHooks().stepRasterEffect) {
    look.m_bRasterOn = 0;
    transition::ResetRasterState();
    return;
  }
  CommandLoop loop;
  std::uint32_t last = pl::TickMs() - kFadeTickMs;
  int rounds = 0;
  while (look.m_bRasterOn != 0 && rounds < kMaxLoopRounds && PumpScenePass()) {
    const std::uint32_t now = pl::TickMs();
    if (now - last < kFadeTickMs) continue;
    last = now;
    RenderFrame();
    PresentWholeScreen();
    ++rounds;
  }
  // An effect that never reported its end is over all the same.
  look.m_bRasterOn = 0;
}

int SequenceFrame(const CLayerImage& s, int seq, int pos) {
  SequenceRecord r;
  FindSequenceRecord(s.SequenceData(), seq, &r);
  return r.Frame(pos);
}

}  // namespace

// --- shared helpers

void PresentWholeScreen() { PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr); }

void CopyLayer(int destination, int source) {
  VirtualScreen* d = GetVirtualScreen(destination);
  const VirtualScreen* s = GetVirtualScreen(source);
  if (!d || !s || d == s) return;
  CopyPixelRect(d->m_Surface, s->m_Surface, 0, 0, kScreenWidth, kScreenHeight, 0, 0);
}

void StartSceneOperation(CScriptEngine& eng) {
  SceneState& s = Scene();
  s.m_nPendingState = s.m_nPendingState == kStoppedByLoop ? kLoopStopped : PND_OPERATION;
  if (eng.m_nMode == 0) {
    eng.m_bSaveEnabled = 0;
    eng.m_bLoadEnabled = 0;
  }
}

void AllowSaveLoad(CScriptEngine& eng) {
  if (eng.m_nMode != 0) return;
  eng.m_bSaveEnabled = 1;
  eng.m_bLoadEnabled = 1;
}

int PumpScenePass() {
  if (IEngineHost* e = Presentation().m_pEngine) return e->PumpAndPace();
  // Without the engine (tests): serve the queue and let the clock move.
  pl::Message msg;
  if (pl::PeekMessage(&msg)) pl::DispatchMessage(msg);
  pl::SleepMs(1);
  return 1;
}

bool IsCtrlDown() { return pl::IsKeyDown(pl::DIK_LCONTROL) || pl::IsKeyDown(pl::DIK_RCONTROL); }

bool IsSkipping() {
  const std::int32_t m = Scene().m_nRunMode;
  return m == RUN_SKIPHELD || m == RUN_SKIP;
}

bool EffectsSwitchedOff() {
  const CSettings* s = Presentation().m_pSettings;
  return s && s->m_bNoEffect == 1;
}

// --- sprites

bool ShowSprite(std::int32_t index, std::int32_t xOrCode, const std::string& name, std::int32_t y,
                std::int32_t frame, std::int32_t rowsLessOne) {
  CObjectTables* t = GetObjectTables();
  CLayerImage* s = t ? t->SpriteAt(index) : nullptr;
  if (!s) {
    SpriteIndexBox("chon");
    return false;
  }
  if (s->m_nClass == 3) {
    HideSprite(index);
    return false;
  }
  // The words LEFT, CENTER, RIGHT and NON arrive as 0xFFF0 to 0xFFF3 and
  // stand for the codes -16 to -13.
  if (xOrCode >= kPosWordLeft && xOrCode <= kPosWordNon) xOrCode = kPosLeft + (xOrCode - kPosWordLeft);
  const bool shown = s->m_szName[0] != '\0';
  if (xOrCode == kPosKeep && !shown) ShowWarning(SJ("表示されていないスプライトに【NON】コマンドを指定しています。"));
  if (shown) KeepOldPicture();
  if (LoadLayerImage(*s, name.c_str(), 1, GraphicsArc(), 1, 1) != 1) return false;
  BackgroundFlag(*s) = 0;
  CharacterFlag(*s) = 1;
  std::int32_t x = xOrCode;
  switch (xOrCode) {
    case kPosLeft: x = 256; break;
    case kPosCentre: x = 512; break;
    case kPosRight: x = 767; break;
    case kPosKeep: x = s->m_nX; break;
    default: break;
  }
  if (xOrCode != kPosKeep) {
    if (s->m_nAlign == 1) x -= s->m_nWidth / 2;
    if (s->m_nAlign == 2) x -= s->m_nWidth;
  }
  s->m_nX = To16(x);
  s->m_nY = To16(y);
  s->m_nShownState = To8(frame);
  s->m_nRowsLessOne = To8(rowsLessOne);
  return true;
}

void HideSprite(std::int32_t index) {
  CObjectTables* t = GetObjectTables();
  if (!t) return;
  if (AnimatedGroupsShown()) KeepOldPicture();
  if (index == -1) {
    for (std::int32_t i = 1; i < t->SpriteCount(); ++i) {
      CLayerImage& s = *t->SpriteAt(i);
      if (s.m_nClass == 0) s.m_szName[0] = '\0';
    }
    return;
  }
  if (CLayerImage* s = t->SpriteAt(index)) {
    s->m_szName[0] = '\0';
  } else {
    SpriteIndexBox("choff");
  }
}

void HideSpriteChecked(std::int32_t index) {
  CObjectTables* t = GetObjectTables();
  const CLayerImage* s = t ? t->SpriteAt(index) : nullptr;
  if (s && s->m_szName[0] == '\0') ShowWarning(SJ("表示されていないスプライトに【NON】コマンドを指定しています。"));
  HideSprite(index);
}

// --- the commands

namespace {

// The current message window; without one the script is told.
CTextWindow* CurrentWindowOrWarn() {
  CObjectTables* t = GetObjectTables();
  CTextWindow* w = t ? t->CurrentWindow() : nullptr;
  if (!w) SceneDebugBox(SJ("カレントウィンドウが指定されていません。"));
  return w;
}

}  // namespace

void CmdWndon(CScriptEngine& eng, CScriptFrame&) {
  CTextWindow* w = CurrentWindowOrWarn();
  if (!w) return;
  if (w->m_nState != 2) return;
  std::int32_t time = ScriptArgInt(eng, 1);
  if (time <= 0) time = 100;
  w->m_nState = 1;
  const std::uint32_t start = pl::TickMs();
  CopyLayer(1, 3);
  ComposeSprites(true);
  CopyLayer(0, 2);
  RedrawTextWindow(*w, 1, false);
  StartSceneOperation(eng);
  const std::vector<std::uint32_t> withWindow = SnapshotLayer(0);
  RunWindowFade(withWindow, SnapshotLayer(1), static_cast<std::uint32_t>(time), start);
  RestoreLayer(0, withWindow);
  CMessageText* text = Presentation().m_pText;
  if (text && !text->IsPageTextEmpty()) text->ResetWindowText(nullptr, false);
  EndFadeWait();
  AllowSaveLoad(eng);
  PresentWholeScreen();
}

void CmdWndoff(CScriptEngine& eng, CScriptFrame&) {
  CTextWindow* w = CurrentWindowOrWarn();
  if (!w) return;
  if (w->m_nState != 1) return;
  w->m_nState = 2;
  const std::int32_t time = ScriptArgInt(eng, 1);
  if (time <= 0) {
    CopyLayer(0, 3);
    PresentWholeScreen();
    return;
  }
  const std::uint32_t start = pl::TickMs();
  StartSceneOperation(eng);
  // The fade runs from the picture with the window to the one without:
  // the picture without is drawn over the one with at the rising opacity.
  RunWindowFade(SnapshotLayer(3), SnapshotLayer(0), static_cast<std::uint32_t>(time), start);
  CopyLayer(0, 3);
  EndFadeWait();
  AllowSaveLoad(eng);
  PresentWholeScreen();
}

void CmdChon(CScriptEngine& eng, CScriptFrame&) {
  if (!ScriptArgIsText(eng, 2)) {
    SceneDebugBox(SJ("chonコマンドに不正な引数が渡されました。"));
    return;
  }
  ShowSprite(ScriptArgInt(eng, 1), ScriptArgInt(eng, 3), ScriptArgText(eng, 2), ScriptArgInt(eng, 4),
             ScriptArgInt(eng, 5), ScriptArgInt(eng, 6));
}

void CmdChoff(CScriptEngine& eng, CScriptFrame&) { HideSprite(ScriptArgInt(eng, 1)); }

void CmdBmp(CScriptEngine& eng, CScriptFrame&) {
  if (!ScriptArgIsText(eng, 1)) {
    SceneDebugBox(SJ("bmpコマンドに不正な引数が渡されました。"));
    return;
  }
  const std::string name = ScriptArgText(eng, 1);
  LoadBmpImage(name.c_str(), GraphicsArc());
}

void CmdBgon(CScriptEngine& eng, CScriptFrame&) { LoadBackground(eng, "bgon", SJ("bgonコマンドに不正な引数が渡されました。")); }

void CmdCgon(CScriptEngine& eng, CScriptFrame&) {
  if (!LoadBackground(eng, "cgon", SJ("cgonコマンドに不正な引数が渡されました。"))) return;
  const std::string name = ScriptArgText(eng, 1);
  // The gallery counts a picture as seen when a global of its name is
  // there; one that never loaded is not seen.
  if (ValueNode* v = eng.m_Globals.Find(name)) {
    v->SetInt(1);
  } else {
    eng.m_Globals.AddInt(name, 1);
  }
  if (eng.m_pScene) eng.m_pScene->SaveGlobalFile();
}

void CmdBgoff(CScriptEngine&, CScriptFrame&) {
  CObjectTables* t = GetObjectTables();
  if (!t) return;
  if (AnimatedGroupsShown()) KeepOldPicture();
  if (CLayerImage* bg = t->SpriteAt(0)) bg->m_szName[0] = '\0';
}

void CmdAnmnum(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = GetObjectTables();
  CLayerImage* s = t ? t->SpriteAt(ScriptArgInt(eng, 1)) : nullptr;
  if (!s) {
    SpriteIndexBox("anmnum");
    return;
  }
  const std::int32_t seq = ScriptArgInt(eng, 2);
  const std::int32_t target = std::max(0, std::min<std::int32_t>(seq, s->m_nGroupCount - 1));
  if (target == s->m_nCurSeq) return;
  if (!IsSkipping() && eng.m_bSceneChanged != 1 && s->m_szName[0] != '\0') {
    // Let the running sequence reach the target's first frame, so that the
    // switch does not jump.
    const int want = SequenceFrame(*s, target, 0);
    CommandLoop loop;
    std::uint32_t last = pl::TickMs() - kAnimTickMs;
    int rounds = 0;
    while (rounds < kMaxLoopRounds && PumpScenePass() && !IsCtrlDown()) {
      const std::uint32_t now = pl::TickMs();
      if (now - last < kAnimTickMs) continue;
      last = now;
      if (SequenceFrame(*s, s->m_nCurSeq, s->m_nPosition) == want) break;
      RenderFrame();
      PresentWholeScreen();
      ++rounds;
    }
  }
  s->m_nCurSeq = static_cast<std::uint16_t>(target);
  s->m_nPosition = 0;
}

void CmdBtnset(CScriptEngine& eng, CScriptFrame&) {
  if (!ScriptArgIsNumber(eng, 1)) {
    SceneDebugBox(SJ("btnsetコマンドの第1引数に不正な値が渡されました。"));
    return;
  }
  const std::int32_t index = ScriptArgInt(eng, 1);
  CObjectTables* t = GetObjectTables();
  CScriptButton* b = t ? t->ButtonAt(index) : nullptr;
  if (!b) {
    SceneDebugBox(SJ("btnset コマンドのボタン番号指定が間違っています。"));
    return;
  }
  if (!ScriptArgIsText(eng, 2)) {
    SceneDebugBox(SJ("btnsetコマンドの第2引数に不正な値が渡されました。"));
    return;
  }
  // A coordinate of the wrong type takes the button index, as before.
  auto coordinate = [&](int n, const char* message) {
    if (ScriptArgIsNumber(eng, n)) return ScriptArgInt(eng, n);
    SceneDebugBox(message);
    return index;
  };
  const std::int32_t x = coordinate(3, SJ("btnsetコマンドの第3引数に不正な値が渡されました。"));
  const std::int32_t y = coordinate(4, SJ("btnsetコマンドの第3引数に不正な値が渡されました。"));
  const std::string picture = ScriptArgText(eng, 2);
  if (LoadLayerImage(b->m_Image, picture.c_str(), 3, GraphicsArc(), 0, 0) != 1) return;
  b->m_Image.m_nX = To16(x);
  b->m_Image.m_nY = To16(y);
  b->m_Image.m_nRowsLessOne = 2;  // normal, hover, pressed
  b->m_Image.m_nShownState = 0;
  b->m_nState = 0;
  if (eng.m_Args[4].type == 0) return;
  if (!ScriptArgIsText(eng, 5)) {
    SceneDebugBox(SJ("btnsetコマンドの第4引数に不正な値が渡されました。"));
    return;
  }
  const std::string label = ScriptArgText(eng, 5);
  if (label.empty()) return;
  const std::int32_t lx = coordinate(6, SJ("btnsetコマンドの第5引数に不正な値が渡されました。"));
  const std::int32_t ly = coordinate(7, SJ("btnsetコマンドの第6引数に不正な値が渡されました。"));
  sjis::CopyBounded(b->m_szCaption, sizeof b->m_szCaption, label);
  b->m_nCaptionX = To16(lx);
  b->m_nCaptionY = To16(ly);
}

void CmdBtnreset(CScriptEngine& eng, CScriptFrame&) {
  if (!ScriptArgIsNumber(eng, 1)) {
    SceneDebugBox(SJ("btnresetコマンドに不正な値が渡されました。"));
    return;
  }
  ForButtons("btnreset", ScriptArgInt(eng, 1), HideButton);
  Presentation().m_nRightClickValue = -1;
}

void CmdBtnon(CScriptEngine& eng, CScriptFrame&) {
  ForButtons("btnon", ScriptArgInt(eng, 1), [](CScriptButton& b) {
    if (b.m_Image.m_szName[0] == '\0') return;
    b.m_nState = 0;
    b.m_Image.m_nShownState = 0;
  });
}

void CmdBtnoff(CScriptEngine& eng, CScriptFrame&) {
  RebuildSpriteLayer();
  ForButtons("btnoff", ScriptArgInt(eng, 1), HideButton);
}

void CmdBtnenable(CScriptEngine& eng, CScriptFrame&) {
  if (ScriptArgInt(eng, 1) != 0) return;
  SceneState& s = Scene();
  s.m_nPendingState = PND_BUTTON;
  if (s.m_nRunMode != RUN_NOSKIP) s.m_nRunMode = RUN_NORMAL;
}

void CmdBtndisable(CScriptEngine&, CScriptFrame&) { Scene().m_nPendingState = 0; }

void CmdRbtn(CScriptEngine& eng, CScriptFrame&) { Presentation().m_nRightClickValue = ScriptArgInt(eng, 1); }

void CmdGgon(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = GetObjectTables();
  const std::int32_t index = ScriptArgInt(eng, 1);
  CGauge* g = t ? t->GaugeAt(index) : nullptr;
  if (!g) {
    SceneDebugBox(SJ("gg コマンドのゲージ番号指定が間違っています。"));
    return;
  }
  if (g->m_nDirection < 0 || g->m_nDirection > 3) {
    SceneDebugBox(FormatText(SJ("ゲージ番号%dのゲージに設定された方向が不正です。"), index));
    return;
  }
  if (g->m_nDirection == 0) {
    const std::int32_t time = ScriptArgInt(eng, 2);
    if (time > 0) {
      // The bar grows from nothing over the scene under it.
      TakeGaugeOffLayer(*g, GetVirtualScreen(2));
      if (GetVirtualScreen(0)) ShowGaugeArea(*g);
      AddPendingOp(OP_GAUGE_FILL, g->m_nX, g->m_nY, g->m_nWidth, g->m_nHeight, time);
      // The filling bar needs its start and its gauge; the parallel entry
      // has room for both after the five words. With every entry busy the
      // bar is drawn at once rather than never.
      bool placed = false;
      for (int e = 1; e < 8 && !placed; ++e) {
        PendingOp& op = Scene().m_Ops[e];
        if (op.code == OP_GAUGE_FILL && op.p[5] == 0 && op.p[6] == 0) {
          op.p[5] = static_cast<std::int32_t>(pl::TickMs());
          op.p[6] = index + 1;
          placed = true;
        }
      }
      if (!placed) DrawGaugeBar(*g);
    } else {
      DrawGaugeBar(*g);
    }
  }
  g->m_bShown = 1;
}

void CmdGgoff(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = GetObjectTables();
  if (!t) return;
  const std::int32_t index = ScriptArgInt(eng, 1);
  auto hide = [](CGauge& g) {
    g.m_bShown = 0;
    // A bar still filling stops with its entry.
    for (PendingOp& op : Scene().m_Ops) {
      if (op.code == OP_GAUGE_FILL && op.p[6] >= 1 && GetObjectTables()->GaugeAt(op.p[6] - 1) == &g) op.p[6] = 0;
    }
    VirtualScreen* l2 = GetVirtualScreen(2);
    if (!l2 || !GetVirtualScreen(0)) return;
    TakeGaugeOffLayer(g, l2);
    ShowGaugeArea(g);
  };
  if (index == -1) {
    for (std::int32_t i = 0; i < t->GaugeCount(); ++i) hide(*t->GaugeAt(i));
    return;
  }
  CGauge* g = t->GaugeAt(index);
  if (!g) {
    SceneDebugBox(SJ("ggoff コマンドのゲージ番号指定が間違っています。"));
    return;
  }
  hide(*g);
}

void CmdRaster(CScriptEngine& eng, CScriptFrame&) {
  ScenePresentation& look = Presentation();
  switch (ScriptArgInt(eng, 1)) {
    case 0:
      RunRasterStop();
      return;
    case 1:
      look.m_nRasterKind = 0;
      break;
    case 2:
      look.m_nRasterKind = 1;
      break;
    default:
      break;
  }
  look.m_bRasterOn = 1;
}

void CmdFall(CScriptEngine& eng, CScriptFrame&) {
  CWeather* w = GetWeather();
  if (!w) return;
  const std::int32_t mode = ScriptArgInt(eng, 1);
  if (mode == 0) {
    if (w->m_nState == 1) {
      w->Stop();
      w->m_nPending = 3;
    }
    return;
  }
  // A kind asked for while the layer fades out waits for the fade's end.
  if (mode >= 1 && mode <= 3) w->Start(mode - 1);
}

void CmdFilter(CScriptEngine& eng, CScriptFrame&) {
  COverlay* o = GetOverlay();
  if (!o) return;
  const std::int32_t mode = ScriptArgInt(eng, 1);
  if (mode == 0) {
    o->Stop();
    return;
  }
  o->m_nDx = ScriptArgInt(eng, 3);
  o->m_nDy = ScriptArgInt(eng, 4);
  if (mode == 1 && ScriptArgIsText(eng, 2)) o->Open(ScriptArgText(eng, 2).c_str(), GraphicsArc());
}

void InstallShowCommands(CScriptEngine& eng) {
  const struct {
    const char* word;
    CommandHandler handler;
  } kHandlers[] = {
      {"wndon", &CmdWndon},       {"wndoff", &CmdWndoff},       {"chon", &CmdChon},       {"choff", &CmdChoff},
      {"bgon", &CmdBgon},         {"bgoff", &CmdBgoff},         {"cgon", &CmdCgon},       {"cgoff", &CmdBgoff},
      {"anmnum", &CmdAnmnum},     {"btnset", &CmdBtnset},       {"btnreset", &CmdBtnreset}, {"btnon", &CmdBtnon},
      {"btnoff", &CmdBtnoff},     {"btnenable", &CmdBtnenable}, {"btndisable", &CmdBtndisable},
      {"rbtn", &CmdRbtn},         {"ggon", &CmdGgon},           {"ggoff", &CmdGgoff},     {"raster", &CmdRaster},
      {"bmp", &CmdBmp},           {"fall", &CmdFall},           {"filter", &CmdFilter},
  };
  for (const auto& h : kHandlers) eng.SetCommandHandler(FindCommand(h.word), h.handler);
}
