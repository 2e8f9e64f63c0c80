#include "scene/sprite_effect_stepper.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "engine/script_engine.h"
#include "framework/globals.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "graphics/virtual_screen.h"
#include "platform/time.h"
#include "scene/compose.h"
#include "scene/effect_commands.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"
#include "scene/show_commands.h"

namespace {

std::int32_t g_nProgress = 0;

constexpr int kW = kScreenWidth, kH = kScreenHeight;
constexpr int kBounceSteps = 16;

CObjectTables* Tables() {
  CObjectTables* t = Presentation().m_pTables;
  return t ? t : GetObjectTables();
}

VirtualScreen* Layer(int i) { return GetVirtualScreen(i); }

bool JumpToEnd() { return IsSkipping() || EffectsSwitchedOff(); }

std::int64_t Elapsed(std::int32_t start) { return static_cast<std::uint32_t>(pl::TickMs() - static_cast<std::uint32_t>(start)); }

std::int16_t To16(std::int64_t v) { return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767)); }

bool SceneSprite(const CLayerImage& s) { return s.m_szName[0] != '\0' && s.m_nClass == 0; }

void DrawAt(CLayerImage& s, VirtualScreen* target, int x, int y, int opacity) {
  DrawLayerImage(s, x, y, target, s.m_nShownState, s.m_nRowsLessOne, opacity, 0, 0);
}

void StorePosition(std::int32_t index, std::int64_t x, std::int64_t y) {
  CObjectTables* t = Tables();
  if (CLayerImage* s = t ? t->SpriteAt(index) : nullptr) {
    s->m_nX = To16(x);
    s->m_nY = To16(y);
  }
}

using DrawOne = std::function<void(std::int32_t index, CLayerImage& sprite, VirtualScreen* target)>;

// The scene sprites walked in index order over the fill colour (where
// there is no background), then the weather and overlay. Onto layer 2 the
// scene is put together on layer 3 and copied up, so that the last normal
// sprite's copy finds what was drawn.
void WalkScene(VirtualScreen* target, const DrawOne& fn) {
  CObjectTables* t = Tables();
  if (!t || !target) return;
  VirtualScreen* work = (target == Layer(2) && Layer(3)) ? Layer(3) : target;
  const CLayerImage* bg = t->SpriteAt(0);
  if (!bg || bg->m_szName[0] == '\0') ClearVirtualScreen(work, FillColorRef());
  for (std::int32_t i = 0; i < t->SpriteCount(); ++i) {
    CLayerImage& s = *t->SpriteAt(i);
    if (SceneSprite(s)) fn(i, s, work);
  }
  if (work != target) CopyLayer(2, 3);
  DrawWeatherAndOverlay(target, 1);
}

// The ends of the effects: saving and loading allowed again, the next
// frame step waits a turn.
void FinishEffect(bool all) {
  g_nProgress = 0;
  EndWait();
  if (all) {
    ClearPendingOpsAll();
  } else {
    PopPendingOp();
  }
  if (CScriptEngine* eng = Presentation().m_pScript) AllowSaveLoad(*eng);
  Scene().m_bStepReady = 0;
}

int CommonEnd() {
  CopyLayer(1, 2);
  CopyLayer(0, 2);
  FinishEffect(false);
  return 1;
}

// The current window's text drawn again over a moved picture.
void RedrawWindowText() {
  CObjectTables* t = Tables();
  CMessageText* text = Presentation().m_pText;
  const CTextWindow* w = t ? t->CurrentWindow() : nullptr;
  if (text && w && w->m_nState == 1) text->ResetWindowText(nullptr, false);
}

int ShakeEnd() {
  CopyLayer(0, 2);
  FinishEffect(false);
  RedrawWindowText();
  return 1;
}

// Sprites of the parallel moves (entries 1 to 7; entry 0's first word is a
// duration, not a sprite).
const PendingOp* MoveOpOf(std::int32_t index) {
  for (int e = 1; e < 8; ++e) {
    const PendingOp& op = Scene().m_Ops[e];
    if (op.code >= 65 && op.code <= 70 && op.p[0] == index) return &op;
  }
  return nullptr;
}

void RunSpriteMoveOps() {
  for (int e = 1; e < 8; ++e) {
    const PendingOp& op = Scene().m_Ops[e];
    if (op.code == 70) HideSprite(op.p[0]);
  }
  for (int e = 1; e < 8; ++e) {
    const PendingOp& op = Scene().m_Ops[e];
    if (op.code >= 65 && op.code <= 70) StorePosition(op.p[0], op.p[3], op.p[4]);
  }
  DrawSceneSprites(Layer(2));
}

// --- 39 to 42: slides by a distance over a time
int StepSlide(const PendingOp& op) {
  const std::int32_t index = op.p[0], x0 = op.p[1], y0 = op.p[2], dist = op.p[3], dur = op.p[4];
  const std::int64_t span = std::llabs(dist);
  const std::int64_t d = (JumpToEnd() || dur <= 0) ? span : Elapsed(op.p[5]) * span / dur;
  const int sign = dist < 0 ? -1 : 1;
  auto at = [&](std::int64_t v, std::int64_t* x, std::int64_t* y) {
    v *= sign;
    *x = x0;
    *y = y0;
    switch (op.code) {
      case 39: *x = x0 + v; break;
      case 40: *x = x0 - v; break;
      case 41: *y = y0 + v; break;
      default: *y = y0 - v; break;
    }
  };
  std::int64_t x, y;
  if (d < span) {
    at(d, &x, &y);
    DrawSceneSprites(Layer(0), index, static_cast<int>(x), static_cast<int>(y), 255);
    return 1;
  }
  at(span, &x, &y);
  StorePosition(index, x, y);
  DrawSceneSprites(Layer(2));
  return CommonEnd();
}

// --- 43 to 45: moves, plain, appearing and vanishing
int StepMove(const PendingOp& op) {
  const std::int32_t index = op.p[0], x0 = op.p[1], y0 = op.p[2], dx = op.p[3], dy = op.p[4], dur = op.p[5];
  const std::int64_t e = Elapsed(op.p[6]);
  const std::int64_t k = (JumpToEnd() || dur <= 0) ? 255 : e * 255 / dur;
  const std::int64_t opacity = op.code == 45 ? 255 - k : op.code == 44 ? k : 255;
  const bool running = op.code == 45 ? opacity > 0 : k < 255;
  if (running) {
    DrawSceneSprites(Layer(0), index, static_cast<int>(x0 + dx * e / dur), static_cast<int>(y0 + dy * e / dur),
                     static_cast<int>(opacity));
    return 1;
  }
  if (op.code == 45) HideSprite(index);
  StorePosition(index, static_cast<std::int64_t>(x0) + dx, static_cast<std::int64_t>(y0) + dy);
  DrawSceneSprites(Layer(2));
  return CommonEnd();
}

// --- 46, 47: the double image closing in or spreading out
int StepDoubleImage(const PendingOp& op) {
  const std::int32_t index = op.p[0], x = op.p[1], y = op.p[2], spread = op.p[3], dur = op.p[5];
  const std::int64_t e = Elapsed(op.p[6]);
  const std::int64_t k = (JumpToEnd() || dur <= 0) ? 255 : e * 255 / dur;
  const bool converging = op.code == 46;
  const std::int64_t opacity = converging ? k : 255 - k;
  if (converging ? k < 255 : opacity > 0) {
    g_nProgress = static_cast<std::int32_t>(opacity);
    const std::int64_t d = converging ? spread - e * spread / dur : e * spread / dur;
    WalkScene(Layer(0), [&](std::int32_t i, CLayerImage& s, VirtualScreen* target) {
      if (i != index) return DrawAt(s, target, s.m_nX, s.m_nY, 255);
      DrawAt(s, target, static_cast<int>(x + d), y, g_nProgress);
      DrawAt(s, target, static_cast<int>(x - d), y, g_nProgress);
    });
    return 1;
  }
  if (!converging) HideSprite(index);
  StorePosition(index, x, y);
  DrawSceneSprites(Layer(2));
  return CommonEnd();
}

// The whole picture of layer 2 moved by (dx, dy) onto layer 0, black where
// it left the screen.
void ShiftScreen(int dx, int dy) {
  VirtualScreen* l0 = Layer(0);
  VirtualScreen* l2 = Layer(2);
  if (!l0 || !l2) return;
  ClearVirtualScreen(l0, 0);
  CopyPixelRect(l0->m_Surface, l2->m_Surface, dx, dy, kW, kH, 0, 0);
}

void ShakeSprite(std::int32_t index, int dx, int dy) {
  if (index == -1) return ShiftScreen(dx, dy);
  CObjectTables* t = Tables();
  const CLayerImage* s = t ? t->SpriteAt(index) : nullptr;
  if (!s) return ShiftScreen(0, 0);
  DrawSceneSprites(Layer(0), index, s->m_nX + dx, s->m_nY + dy, 255);
}

// --- 48 to 51: shakes of a fixed pattern, one step a tick
int StepShake(const PendingOp& op) {
  static const int kSide[6][2] = {{-8, 0}, {8, 0}, {-8, 0}, {8, 0}, {-8, 0}, {8, 0}};
  static const int kUpDown[6][2] = {{0, -8}, {0, 8}, {0, -8}, {0, 8}, {0, -8}, {0, 8}};
  static const int kRound[4][2] = {{0, 8}, {8, 0}, {0, -8}, {-8, 0}};
  static const int kRoundBack[4][2] = {{0, 8}, {-8, 0}, {0, -8}, {8, 0}};
  const int steps = op.code <= 49 ? 6 : 4;
  if (JumpToEnd() || g_nProgress >= steps) return ShakeEnd();
  const int* d = op.code == 48 ? kSide[g_nProgress]
                 : op.code == 49 ? kUpDown[g_nProgress]
                 : op.code == 50 ? kRound[g_nProgress]
                                 : kRoundBack[g_nProgress];
  ShakeSprite(op.p[0], d[0], d[1]);
  RedrawWindowText();
  ++g_nProgress;
  return 1;
}

// Every shown sprite onto layer 0 over black: with index -1 the scene
// sprites move (in mode 1 each in turn another way), system sprites stay;
// otherwise only that sprite moves. Layer 2 keeps the still picture.
void ShakeEverySprite(std::int32_t index, int dx, int dy, int mode) {
  CObjectTables* t = Tables();
  VirtualScreen* l0 = Layer(0);
  if (!t || !l0) return;
  ClearVirtualScreen(l0, 0);
  static const int kTurn[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  int turn = 0;
  for (std::int32_t i = 0; i < t->SpriteCount(); ++i) {
    CLayerImage& s = *t->SpriteAt(i);
    if (s.m_szName[0] == '\0' || (s.m_nClass & 0x80) != 0) continue;
    int ox = 0, oy = 0;
    if (index == -1) {
      const int* k = kTurn[mode == 1 ? turn % 4 : 0];
      if (s.m_nClass == 0) {
        ox = dx * k[0];
        oy = dy * k[1];
      }
      ++turn;
    } else if (i == index) {
      ox = dx;
      oy = dy;
    }
    DrawAt(s, l0, s.m_nX + ox, s.m_nY + oy, 255);
  }
  DrawWeatherAndOverlay(l0, 1);
}

// The scroll: the picture zoomed by twice the amplitudes and moved by the
// step's offset inside that margin, so that no border shows.
void ScrollScreen(std::int32_t index, int ax, int ay, int dx, int dy) {
  if (index != -1) return ShakeEverySprite(index, dx, dy, 0);
  VirtualScreen* l0 = Layer(0);
  VirtualScreen* l2 = Layer(2);
  if (!l0 || !l2) return;
  ax = std::clamp(std::abs(ax), 0, kW / 4);
  ay = std::clamp(std::abs(ay), 0, kH / 4);
  dx = std::clamp(dx, -ax, ax);
  dy = std::clamp(dy, -ay, ay);
  StretchBlt32(0, l0->m_Surface, 0, kW, kH, l2->m_Surface, ax + dx, ay + dy, kW - 2 * ax, kH - 2 * ay, 0);
}

// --- 52, 53, 63: shakes and the scroll that calm down over their steps
int StepDecayingShake(const PendingOp& op) {
  const std::int32_t index = op.p[0], steps = op.p[3], dur = op.p[4];
  const int n = g_nProgress;
  if (JumpToEnd() || Elapsed(op.p[5]) > dur || n >= steps) return ShakeEnd();
  const float fx = static_cast<float>(op.p[1]) - static_cast<float>(op.p[1]) / static_cast<float>(steps) * n;
  const float fy = static_cast<float>(op.p[2]) - static_cast<float>(op.p[2]) / static_cast<float>(steps) * n;
  const int X = static_cast<int>(fx), Y = static_cast<int>(fy);
  static const int kWide[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
  static const int kTall[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
  const int* k = (op.p[2] <= op.p[1] ? kWide : kTall)[n % 4];
  if (op.code == 63) {
    ScrollScreen(index, op.p[1] - op.p[1] / steps * n, op.p[2] - op.p[2] / steps * n, X * k[0], Y * k[1]);
  } else {
    ShakeEverySprite(index, X * k[0], Y * k[1], op.code == 53 ? 1 : 0);
  }
  g_nProgress = n + 1;
  RedrawWindowText();
  return 1;
}

struct Rect {
  int x, y, w, h;
};

// The whole screen, or the sprite's rectangle on it.
bool EffectRect(std::int32_t index, Rect* r) {
  if (index == -1) {
    *r = {0, 0, kW, kH};
    return true;
  }
  CObjectTables* t = Tables();
  const CLayerImage* s = t ? t->SpriteAt(index) : nullptr;
  if (!s) return false;
  const int rows = s->m_nRowsLessOne + 1;
  int x0 = std::max<int>(0, s->m_nX), y0 = std::max<int>(0, s->m_nY);
  int x1 = std::min<int>(kW, s->m_nX + s->m_nWidth), y1 = std::min<int>(kH, s->m_nY + s->m_nHeight / rows);
  if (x1 <= x0 || y1 <= y0) return false;
  *r = {x0, y0, x1 - x0, y1 - y0};
  return true;
}

// --- 54 to 61: the picture squeezed by a black band, or a part of it
// stretched over the whole, going out and coming back
void RegionWipe(CBuffer& d, const CBuffer& s, const Rect& r, int code, int a) {
  const int b = a * r.h / kBounceSteps, w = a * r.w / kBounceSteps;
  switch (code) {
    case 54:
      FillRect32(d, r.x, r.y, r.w, b, 0);
      StretchBlt32(r.y + b, d, r.x, r.w, r.h - b, s, r.x, r.y, r.w, r.h, 0);
      break;
    case 55:
      StretchBlt32(r.y, d, r.x, r.w, r.h - b, s, r.x, r.y, r.w, r.h, 0);
      FillRect32(d, r.x, r.y + r.h - b, r.w, b, 0);
      break;
    case 56:
      StretchBlt32(r.y, d, r.x, r.w - w, r.h, s, r.x, r.y, r.w, r.h, 0);
      FillRect32(d, r.x + r.w - w, r.y, w, r.h, 0);
      break;
    case 57:
      FillRect32(d, r.x, r.y, w, r.h, 0);
      StretchBlt32(r.y, d, r.x + w, r.w - w, r.h, s, r.x, r.y, r.w, r.h, 0);
      break;
    case 58:
      StretchBlt32(r.y, d, r.x, r.w, r.h, s, r.x, r.y + b / 2, r.w, r.h - b, 0);
      break;
    case 59:
      StretchBlt32(r.y, d, r.x, r.w, r.h, s, r.x, r.y, r.w, r.h - b / 2, 0);
      break;
    case 60:
      StretchBlt32(r.y, d, r.x, r.w, r.h, s, r.x, r.y, r.w - w, r.h, 0);
      break;
    default:
      StretchBlt32(r.y, d, r.x, r.w, r.h, s, r.x + w / 2, r.y, r.w - w, r.h, 0);
      break;
  }
}

// --- 62: alternate rows pulled apart sideways by a growing offset
void InterleaveCopy(CBuffer& d, const CBuffer& s, const Rect& r, int a) {
  const int offset = a * 8;
  FillRect32(d, r.x, r.y, r.w, r.h, 0);
  for (int y = r.y; y < r.y + r.h; ++y) {
    const int dx = ((y - r.y) & 1) ? offset : -offset;
    CopyPixelRect(d, s, r.x + dx, y, r.w, 1, r.x, y);
  }
}

int StepBounce(const PendingOp& op) {
  if (JumpToEnd() || g_nProgress >= kBounceSteps) {
    RunSpriteMoveOps();
    return CommonEnd();
  }
  const int step = g_nProgress;
  const int a = step < kBounceSteps / 2 ? step : kBounceSteps - step;
  // Each step starts again from the scene without windows in layer 2.
  VirtualScreen* l0 = Layer(0);
  VirtualScreen* l2 = Layer(2);
  Rect r;
  if (l0 && l2) {
    CopyLayer(0, 2);
    if (EffectRect(op.p[0], &r)) {
      if (op.code == 62) {
        InterleaveCopy(l0->m_Surface, l2->m_Surface, r, a);
      } else {
        RegionWipe(l0->m_Surface, l2->m_Surface, r, op.code, a);
      }
    }
  }
  ++g_nProgress;
  return 1;
}

// The sprite's own picture turned about its centre with its top-left
// corner at (x, y) (still pictures and the first frame of the stacked
// kinds; other kinds are drawn there as they are).
void DrawTurned(CLayerImage& s, VirtualScreen* target, int x, int y, float angle) {
  const int w = s.m_nWidth, h = s.m_nHeight / (s.m_nRowsLessOne + 1);
  const std::size_t need = static_cast<std::size_t>(std::max(w, 0)) * static_cast<std::size_t>(std::max(h, 0));
  const bool stacked = s.m_nKind == 1 || s.m_nKind == 3;
  if (w <= 0 || h <= 0 || !(stacked || s.m_nKind == 24 || s.m_nKind == 32) || s.m_Pixels.size() < need) {
    return DrawAt(s, target, x, y, 255);
  }
  const std::size_t first = stacked ? 0 : static_cast<std::size_t>(s.m_nShownState % (s.m_nRowsLessOne + 1)) * need;
  if (s.m_Pixels.size() < first + need) return DrawAt(s, target, x, y, 255);
  CBuffer view;
  SetupDibHeader(view, w, 32, h, s.m_Pixels.data() + first, GetMmxFlag());
  RotateBlt32(target->m_Surface, x, y, view, w, h, w / 2, h / 2, angle, 1);
}

// --- 64: the sprite spins away
int StepSpin(const PendingOp& op) {
  const std::int32_t index = op.p[0], dur = op.p[3];
  const std::int64_t k = (JumpToEnd() || dur <= 0) ? 255 : Elapsed(op.p[4]) * 255 / dur;
  if (k < 255) {
    const std::int64_t held = std::clamp<std::int64_t>(k, 1, 255);
    const float angle = static_cast<float>(held) * 180.0f / 255.0f * (op.p[5] == 0 ? -1.0f : 1.0f);
    WalkScene(Layer(0), [&](std::int32_t i, CLayerImage& s, VirtualScreen* target) {
      if (i == index) return DrawTurned(s, target, op.p[1], op.p[2], angle);
      DrawAt(s, target, s.m_nX, s.m_nY, 255);
    });
    return 1;
  }
  HideSprite(index);
  DrawSceneSprites(Layer(2));
  return CommonEnd();
}

// --- 65 to 67: the parallel moves of several sprites at once
int StepGroupedMove(const PendingOp& op) {
  const std::int32_t dur = op.p[0];
  const std::int64_t e = Elapsed(op.p[1]);
  const std::int64_t k = (JumpToEnd() || dur <= 0) ? 255 : e * 255 / dur;
  if (k < 255) {
    const int opacity = op.code == 65 ? 255 : op.code == 66 ? static_cast<int>(k) : static_cast<int>(255 - k);
    WalkScene(Layer(0), [&](std::int32_t i, CLayerImage& s, VirtualScreen* target) {
      const PendingOp* move = MoveOpOf(i);
      if (!move) return DrawAt(s, target, s.m_nX, s.m_nY, 255);
      const std::int64_t x = move->p[1] + (static_cast<std::int64_t>(move->p[3]) - move->p[1]) * e / dur;
      const std::int64_t y = move->p[2] + (static_cast<std::int64_t>(move->p[4]) - move->p[2]) * e / dur;
      DrawAt(s, target, static_cast<int>(x), static_cast<int>(y), opacity);
    });
    return 1;
  }
  RunSpriteMoveOps();
  CopyLayer(1, 2);
  CopyLayer(0, 2);
  FinishEffect(true);
  return 1;
}

// A gauge filling over a time: the bar grows on layer 0 over the still
// picture of layer 2; at the end it is drawn for good and its entry ends.
bool StepGaugeFills() {
  bool drawn = false;
  CObjectTables* t = Tables();
  VirtualScreen* l0 = Layer(0);
  VirtualScreen* l2 = Layer(2);
  for (int e = 0; e < 8; ++e) {
    PendingOp& op = Scene().m_Ops[e];
    if (op.code != OP_GAUGE_FILL) continue;
    CGauge* g = t ? t->GaugeAt(op.p[6] - 1) : nullptr;
    const std::int32_t time = op.p[4];
    const std::int64_t el = Elapsed(op.p[5]);
    if (g && l0 && l2 && !JumpToEnd() && time > 0 && el < time && g->m_nMaximum > 0) {
      const std::int64_t full = static_cast<std::int64_t>(g->m_nWidth) * g->m_nValue / g->m_nMaximum;
      const std::int64_t len = full * el / time;
      CopyScreenRect(g->m_nX, g->m_nY, g->m_nX + g->m_nWidth - 1, g->m_nY + g->m_nHeight + 1, g->m_nX, g->m_nY, l2,
                     l0);
      if (len > 0) {
        const ScreenRect r{g->m_nX, g->m_nY, static_cast<int>(g->m_nX + len - 1), g->m_nY + g->m_nHeight + 1};
        BlendGaugeBar(r, g->m_nR, g->m_nBlend, l0, l2, g->m_nG, g->m_nB);
      }
      drawn = true;
      continue;
    }
    if (g) DrawGaugeBar(*g);
    drawn = true;
    if (e == 0) {
      PopPendingOp();
      --e;  // the next entry has moved into this place
    } else {
      op.code = 0;
    }
  }
  return drawn;
}

}  // namespace

void ResetSpriteEffectState() { g_nProgress = 0; }
std::int32_t SpriteEffectProgress() { return g_nProgress; }

void DrawSceneSprites(VirtualScreen* target, std::int32_t moved, int x, int y, int opacity) {
  WalkScene(target, [&](std::int32_t i, CLayerImage& s, VirtualScreen* work) {
    if (i == moved) {
      DrawAt(s, work, x, y, opacity);
    } else {
      DrawAt(s, work, s.m_nX, s.m_nY, 255);
    }
  });
}

int SpriteEffectStep(CBuffer&, int, CBuffer&) {
  int result = 0;
  const PendingOp op = Scene().m_Ops[0];
  const int code = op.code;
  if (code == 0 || code == 1 || code == 2 || (code >= 71 && code <= 75)) {
    result = RecomposeScene();
  } else if (code >= 39 && code <= 42) {
    result = StepSlide(op);
  } else if (code >= 43 && code <= 45) {
    result = StepMove(op);
  } else if (code == 46 || code == 47) {
    result = StepDoubleImage(op);
  } else if (code >= 48 && code <= 51) {
    result = StepShake(op);
  } else if (code == 52 || code == 53 || code == 63) {
    result = StepDecayingShake(op);
  } else if (code >= 54 && code <= 62) {
    result = StepBounce(op);
  } else if (code == 64) {
    result = StepSpin(op);
  } else if (code >= 65 && code <= 67) {
    result = StepGroupedMove(op);
  }
  if (StepGaugeFills()) result = 1;
  return result;
}
