#include "scene/transition_stepper.h"

#include <algorithm>

#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "graphics/pixel_kernels.h"
#include "graphics/transition.h"
#include "graphics/virtual_screen.h"
#include "platform/time.h"
#include "scene/compose.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"

namespace {

constexpr int kCombRest = -12;

// The operation codes by family.
constexpr std::int32_t kCut = 5, kDissolve = 6, kRuleWipe = 7, kBlindsFirst = 9, kCombFirst = 13,
                       kZoomFirst = 17, kLastTimed = 37, kBlackOut = 71, kBlackIn = 72, kWhiteOut = 73,
                       kWhiteIn = 74;

struct StepCounters {
  std::int32_t progress = 0;   // c of the timed transitions
  std::int32_t stripe = 0;     // s of the blinds
  std::int32_t comb = kCombRest;  // t of the combs
  // The operation the counters belong to (its code and start tick): one
  // cut short (by a reset or a load) must not hand its count to the next.
  std::int32_t ownerCode = 0, ownerStart = 0;
};
StepCounters g_Step;

void ClaimCounters(const PendingOp& op) {
  if (g_Step.ownerCode == op.code && g_Step.ownerStart == op.p[5]) return;
  g_Step = StepCounters{};
  g_Step.ownerCode = op.code;
  g_Step.ownerStart = op.p[5];
}

bool Instant() {
  const SceneState& s = Scene();
  if (s.m_nRunMode == RUN_SKIPHELD || s.m_nRunMode == RUN_SKIP) return true;
  const CSettings* settings = Presentation().m_pSettings;
  return settings && settings->m_bNoEffect == 1;
}

// The codes whose progress runs to 512 in half the duration.
bool RunsToHalf(std::int32_t code) { return code == 7 || code == 29 || code == 30 || (code >= 32 && code <= 36); }

// Progress since `start` over `duration` ms: elapsed x scale / duration,
// held at `end`. A duration of 0 or less, skipping and effects off give the
// end at once.
std::int32_t Progress(std::int32_t start, std::int32_t duration, bool half) {
  const std::int32_t end = half ? 512 : 256;
  if (Instant() || duration <= 0) return end;
  const std::uint64_t elapsed = static_cast<std::uint32_t>(pl::TickMs() - static_cast<std::uint32_t>(start));
  const std::uint64_t d = static_cast<std::uint64_t>(duration);
  const std::uint64_t c = half ? 2 * (elapsed * 512 / d) : elapsed * 256 / d;
  return static_cast<std::int32_t>(std::min<std::uint64_t>(c, static_cast<std::uint64_t>(end)));
}

CBuffer* Layer(int i) {
  VirtualScreen* v = GetVirtualScreen(i);
  return v && !v->m_Surface.Empty() ? &v->m_Surface : nullptr;
}

void CopyWhole(CBuffer& dst, const CBuffer& src) {
  if (&dst == &src || dst.m_pcPix == src.m_pcPix) return;
  CopyPixelRect(dst, src, 0, 0, std::min(dst.Width(), src.Width()), std::min(dst.Height(), src.Height()), 0, 0);
}

// The steppers run in the render tick: the layers take their step here
// unless the recomposition of the tick has already moved them.
void DrawWeather() { DrawWeatherAndOverlay(GetVirtualScreen(0), 1); }

// Each channel of the source plus `offset` (clamped), fourth byte 0.
void ShiftColours(CBuffer& dst, const CBuffer& src, int offset) {
  offset = std::clamp(offset, -255, 255);
  const int w = std::min(dst.Width(), src.Width()), h = std::min(dst.Height(), src.Height());
  if (dst.Empty() || src.Empty() || w <= 0) return;
  const pixk::RowKernels& k = pixk::Kernels(dst.SimdAllowed());
  for (int y = 0; y < h; ++y) k.shift(dst.Row32(y), src.Row32(y), w, offset, offset, offset);
}

void AllowSaveAndLoad() {
  if (CScriptEngine* eng = Presentation().m_pScript; eng && eng->m_nMode == 0) {
    eng->m_bSaveEnabled = 1;
    eng->m_bLoadEnabled = 1;
  }
}

void SetSceneChanged() {
  if (CScriptEngine* eng = Presentation().m_pScript) eng->m_bSceneChanged = 1;
}

// The end every transition shares: the new picture on layers 1 and 0 (unless
// the code has put its own last picture there), the counters at rest, the
// operation gone, the wait over and saving and loading allowed again.
int CommonEnd(CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture, bool copyNew) {
  if (copyNew) {
    CopyWhole(oldPicture, newPicture);
    CopyWhole(output, newPicture);
  }
  DrawWeather();
  g_Step = StepCounters{};
  EndWait();
  PopPendingOp();
  AllowSaveAndLoad();
  Scene().m_bStepReady = 0;
  return 1;
}

// The window's rectangle presented, or the whole screen.
void PresentWindow(const CTextWindow* w, bool whole) {
  if (whole || !w) {
    PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr);
    return;
  }
  const int x0 = std::max(0, static_cast<int>(w->m_nX)), y0 = std::max(0, static_cast<int>(w->m_nY));
  const int x1 = std::min(kScreenWidth, w->m_nX + w->m_nWidth), y1 = std::min(kScreenHeight, w->m_nY + w->m_nHeight);
  if (x1 > x0 && y1 > y0) PresentRect(x0, y0, x1 - x0, y1 - y0, x0, y0, nullptr);
}

// The layers rebuilt first when a composition without system sprites left
// them so; true when that happened.
bool RebuildLayersIfNeeded() {
  ScenePresentation& p = Presentation();
  if (p.m_bLayersNeedRebuild != 1) return false;
  RedrawLayers(0);
  p.m_bLayersNeedRebuild = 0;
  return true;
}

CTextWindow* CurrentWindow() {
  CObjectTables* t = Presentation().m_pTables;
  return t ? t->CurrentWindow() : nullptr;
}

// Codes 1 and 2: the page cleared in one tick.
int PageClear(std::int32_t code) {
  CTextWindow* w = CurrentWindow();
  if (w) {
    w->HomeText();
    const bool rebuilt = RebuildLayersIfNeeded();
    if (code == 1)
      RedrawMessageWindow(1, *w, 3);
    else
      RedrawTextWindow(*w, 2, false);
    PresentWindow(w, rebuilt);
  }
  PopPendingOp();
  SceneState& s = Scene();
  if (s.m_pHost) {
    s.m_pHost->ResetPageText();
  } else if (ScenePresentation& p = Presentation(); p.m_pText) {
    p.m_pText->ClearPageText();
    if (p.m_pScript) {
      p.m_pScript->m_Root.m_nLineStart = 0;
      p.m_pScript->m_Root.m_nCursor = 0;
    }
  }
  s.m_bStepReady = 0;
  EndWait();
  return 0;
}

// The current window shown and drawn again over the scene, presented.
void ShowCurrentWindow(CTextWindow& w) {
  w.m_nState = 1;
  const bool rebuilt = RebuildLayersIfNeeded();
  RedrawMessageWindow(1, w, 3);
  PresentWindow(&w, rebuilt);
}

// Code 80's end: the loaded picture, then the wait the game was saved in.
int EndLoadDissolve(CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture, const PendingOp& op) {
  CopyWhole(oldPicture, newPicture);
  CopyWhole(output, newPicture);
  DrawWeather();
  SceneState& s = Scene();
  ScenePresentation& p = Presentation();
  s.m_nPendingState = static_cast<std::uint32_t>(op.p[6]);
  if (p.m_pText) p.m_pText->UpdateCursorGlide();
  CTextWindow* w = CurrentWindow();
  const bool pageShown = w && p.m_pText && !p.m_pText->IsPageTextEmpty();
  if (pageShown) {
    ShowCurrentWindow(*w);
    // At a choice this draws the choices after the page too.
    p.m_pText->ResetWindowText(nullptr, true);
  }
  PopPendingOp();
  // A choice on an empty page: the window and the choices alone. (After a
  // page the window is not drawn again: that would wipe the page text the
  // choices follow.)
  if (w && p.m_pText && s.m_nPendingState == PND_SLCT && !pageShown) {
    ShowCurrentWindow(*w);
    p.m_pText->DrawChoices();
    PresentWindow(w, false);
  }
  g_Step = StepCounters{};
  return 1;
}

// Blinds (9..12): one column or row of every stripe a tick.
int Blinds(std::int32_t code, CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture, const PendingOp& op) {
  const bool columns = code == 9 || code == 10;
  const bool reverse = code == 10 || code == 12;
  // A stripe wider than the screen is one stripe of the screen: the ticks
  // beyond it would draw nothing and keep the story waiting.
  const std::int32_t n = std::min(op.p[4], columns ? kScreenWidth : kScreenHeight);
  if (n <= 0 || Instant()) return CommonEnd(output, oldPicture, newPicture, true);
  ClaimCounters(op);
  int w, h;
  transition::CommonSize(&w, &h, &output, &newPicture);
  const int s = g_Step.stripe;
  const int limit = columns ? w : h;
  for (long long k = 0;; ++k) {
    const long long pos = reverse ? (k + 1) * n - s : k * n + s;
    if (pos >= limit) break;
    if (pos < 0) continue;
    if (columns)
      CopyPixelRect(output, newPicture, static_cast<int>(pos), 0, 1, h, static_cast<int>(pos), 0);
    else
      CopyPixelRect(output, newPicture, 0, static_cast<int>(pos), w, 1, 0, static_cast<int>(pos));
  }
  ++g_Step.stripe;
  if (g_Step.stripe >= n) return CommonEnd(output, oldPicture, newPicture, true);
  DrawWeather();
  return 1;
}

// Combs (13..16): the teeth x = i N + t move in from one side.
int Comb(std::int32_t code, CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture, const PendingOp& op) {
  const std::int32_t n = op.p[4];
  if (n <= 0 || Instant()) return CommonEnd(output, oldPicture, newPicture, true);
  ClaimCounters(op);
  int w, h;
  transition::CommonSize(&w, &h, &output, &newPicture);
  const long long t = g_Step.comb;
  const bool columns = code == 13 || code == 14;
  const int limit = columns ? w : h;
  const int full = columns ? kScreenWidth : kScreenHeight;
  const bool forward = code == 13 || code == 15;
  for (long long i = 0; i <= n + t - 1; ++i) {
    const long long pos = forward ? i * n + t : full - t - i * n;
    // The teeth only move away from the screen from here on.
    if (forward ? pos >= limit : pos < 0) break;
    if (pos < 0 || pos >= limit) continue;
    if (columns)
      CopyPixelRect(output, newPicture, static_cast<int>(pos), 0, 1, h, static_cast<int>(pos), 0);
    else
      CopyPixelRect(output, newPicture, 0, static_cast<int>(pos), w, 1, 0, static_cast<int>(pos));
  }
  ++g_Step.comb;
  if (static_cast<long long>(n) * g_Step.comb >= full) return CommonEnd(output, oldPicture, newPicture, true);
  DrawWeather();
  return 1;
}

// Code 71..74: layer 2 with its colours moved towards black or white.
int Fade(std::int32_t code, CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture, const PendingOp& op) {
  const std::int32_t c = Progress(op.p[1], op.p[0], false);
  CBuffer* scene = Layer(2);
  if (c < 256) {
    if (scene) {
      const int offset = code == kBlackOut ? -c : code == kBlackIn ? -(256 - c) : code == kWhiteOut ? c : 256 - c;
      ShiftColours(output, *scene, offset);
    }
    DrawWeather();
    return 1;
  }
  if (scene) {
    if (code == kBlackOut || code == kWhiteOut)
      FillRect32(*scene, 0, 0, scene->Width(), scene->Height(), code == kBlackOut ? 0 : 0xFFFFFF);
    CopyWhole(oldPicture, *scene);
    CopyWhole(output, *scene);
  }
  if (code == kBlackOut || code == kWhiteOut) {
    if (CScriptEngine* eng = Presentation().m_pScript) eng->m_nScreenOut = code == kBlackOut ? 1 : 2;
  }
  // Layer 2's picture stays: the new picture is not copied over it.
  return CommonEnd(output, oldPicture, newPicture, false);
}

float Ratio(std::int32_t a, float b) { return static_cast<float>(a) / b; }

// The timed full-screen transitions 6, 7 and 17..37.
int Timed(std::int32_t code, CBuffer& out, CBuffer& old, CBuffer& nw, const PendingOp& op) {
  const bool half = RunsToHalf(code);
  const std::int32_t end = half ? 512 : 256;
  std::int32_t c = Progress(op.p[5], op.p[4], half);
  g_Step.progress = c;
  const std::int32_t held = std::clamp(c, 1, 255);
  const bool running = c < end;
  const auto twoPhases = [&](auto routine) {
    if (c < 256)
      routine(out, old, Ratio(c, 256.0f));
    else
      routine(out, nw, Ratio(512 - c, 256.0f));
  };
  if (!running) {
    switch (code) {
      case 17:
      case 19:
      case 21:
        // The old picture's last frame stays and the scene goes on from it.
        if (code == 17) ZoomCenter(old, out, 255.0f, nullptr, 1);
        if (code == 19) {
          CopyWhole(out, nw);
          ZoomCenter(old, out, 1.0f / 255.0f, nullptr, 1);
        }
        if (code == 21) transition::ZoomRotateCenter(out, old, 255.0f, 256.0f * 1.40625f);
        CopyWhole(old, out);
        SetSceneChanged();
        return CommonEnd(out, old, nw, false);
      default:
        return CommonEnd(out, old, nw, true);
    }
  }
  switch (code) {
    case 6:
      transition::DissolveStep(old, nw, out, Ratio(c, 256.0f));
      break;
    case 7:
      transition::RuleWipe(nw, old, out, Presentation().m_RuleMask, Ratio(std::max(c, 1), 512.0f));
      break;
    case 17:
      ZoomCenter(old, out, 255.0f / static_cast<float>(256 - held), nullptr, 1);
      break;
    case 18:
      ZoomCenter(nw, out, 255.0f / static_cast<float>(held), nullptr, 1);
      break;
    case 19:
      CopyWhole(out, nw);
      ZoomCenter(old, out, static_cast<float>(256 - held) / 255.0f, nullptr, 1);
      break;
    case 20:
      CopyWhole(out, old);
      ZoomCenter(nw, out, static_cast<float>(held) / 255.0f, nullptr, 1);
      break;
    case 21:
      transition::ZoomRotateCenter(out, old, 255.0f / static_cast<float>(256 - held),
                                   static_cast<float>(held) * 1.4117647f);
      break;
    case 22:
      transition::ZoomRotateCenter(out, nw, 255.0f / static_cast<float>(held), static_cast<float>(held) * 1.4117647f);
      break;
    case 23: {
      const int r = static_cast<int>(static_cast<float>(255 - held) * 593.0f / 255.0f);
      CopyPixelRect(out, nw, 512 - r, 300 - r, 2 * r + 1, 2 * r + 1, 512 - r, 300 - r);
      transition::WipeSquare(r, out, &old, &nw);
      break;
    }
    case 24:
      transition::WipeSquare(static_cast<int>(static_cast<float>(held) * 593.0f / 255.0f), out, &nw, &old);
      break;
    case 25:
      transition::TransDoor(out, nw, old, Ratio(c, 256.0f));
      break;
    case 26:
      transition::TransSpin(out, nw, old, Ratio(c, 255.0f));
      break;
    case 27:
      transition::EdgeFadeTB(out, old, nw, Ratio(held, 255.0f));
      break;
    case 28:
      transition::EdgeFadeLR(out, old, nw, Ratio(held, 255.0f));
      break;
    case 29:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::Mosaic(d, s, p); });
      break;
    case 30:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::BlurH(d, s, p); });
      break;
    case 31:
      transition::TileWipe4x4(out, nw, old, Ratio(c, 256.0f));
      break;
    case 32:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::WaveRows(d, s, p); });
      break;
    case 33:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::SqueezeV(d, s, p); });
      break;
    case 34:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::SqueezeH(s, d, p); });
      break;
    case 35:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::StreakRandom(s, d, p); });
      break;
    case 36:
      twoPhases([](CBuffer& d, const CBuffer& s, float p) { transition::StreakAverage(d, s, p); });
      break;
    case 37:
      CopyWhole(out, nw);
      transition::ScatterTiles(out, old, Ratio(c, 256.0f));
      break;
    default:
      break;
  }
  DrawWeather();
  return 1;
}

}  // namespace

void ResetTransitionStepper() { g_Step = StepCounters{}; }
std::int32_t TransitionProgress() { return g_Step.progress; }

int TransitionStep(CBuffer& output, CBuffer& oldPicture, CBuffer& newPicture) {
  const PendingOp op = Scene().m_Ops[0];
  const std::int32_t code = op.code;
  switch (code) {
    case OP_PAGE_CLEAR:
    case OP_PAGE_CLEAR2:
      return PageClear(code);
    case kCut: {
      if (CBuffer* scene = Layer(2)) {
        CopyWhole(oldPicture, *scene);
        CopyWhole(output, *scene);
      }
      const CTextWindow* w = CurrentWindow();
      if (CMessageText* text = Presentation().m_pText; text && w && w->m_nState == 1)
        text->ResetWindowText(nullptr, false);
      return CommonEnd(output, oldPicture, newPicture, false);
    }
    case OP_LOAD_DISSOLVE: {
      const std::int32_t c = Progress(op.p[5], op.p[4], false);
      g_Step.progress = c;
      if (c >= 256) return EndLoadDissolve(output, oldPicture, newPicture, op);
      transition::DissolveStep(oldPicture, newPicture, output, static_cast<float>(c) / 256.0f);
      DrawWeather();
      return 1;
    }
    default:
      break;
  }
  if (code == kDissolve || code == kRuleWipe || (code >= kZoomFirst && code <= kLastTimed))
    return Timed(code, output, oldPicture, newPicture, op);
  if (code >= kBlindsFirst && code < kCombFirst) return Blinds(code, output, oldPicture, newPicture, op);
  if (code >= kCombFirst && code < kZoomFirst) return Comb(code, output, oldPicture, newPicture, op);
  if (code >= kBlackOut && code <= kWhiteIn) return Fade(code, output, oldPicture, newPicture, op);
  return 0;
}
