#include "graphics/layer_draw.h"

#include <algorithm>

#include "framework/globals.h"
#include "graphics/blend_table.h"
#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "platform/time.h"

namespace {

LayerDrawHooks g_Hooks;
std::uint32_t g_nSceneLayerDraws = 0;

CBuffer ScreenView(VirtualScreen* s) {
  CBuffer v;
  SetupDibHeader(v, kScreenWidth, 32, kScreenHeight, s->m_Surface.m_pcPix, GetMmxFlag());
  return v;
}

CBuffer PixelView(std::uint32_t* pixels, int w, int h) {
  CBuffer v;
  SetupDibHeader(v, w, 32, h, pixels);
  return v;
}

// One blit of a source block with the record's blend mode.
void BlitByMode(int blendMode, CBuffer& dst, const CBuffer& src, int x, int y, int opacity) {
  const int w = src.Width(), h = src.Height();
  switch (blendMode) {
    case 1: AddBlt32(dst, src, x, y, w, h, 0, 0); break;
    case 2: FillImageRect(dst, src, x, y, w, h, 0, 0, 0, 0, 0); break;
    case 3: FillImageRect(dst, src, x, y, w, h, 0, 0, 255, 255, 255); break;
    default: AlphaBlt32(dst, src, x, y, w, h, 0, 0, opacity); break;
  }
}

bool CoversScreen(int x, int y, int w, int h) { return x <= 0 && y <= 0 && x + w >= kScreenWidth && y + h >= kScreenHeight; }

// The frame of the current sequence of a kind-1/3 record; a number past
// the frames shows frame 0.
int CurrentFrame(const CLayerImage& rec) {
  SequenceRecord r;
  FindSequenceRecord(rec.SequenceData(), rec.m_nCurSeq, &r);
  const int f = r.Frame(rec.m_nPosition);
  return f < rec.m_nFrameCount ? f : 0;
}

void AdvanceSequence(CLayerImage& rec) {
  rec.m_nPosition = static_cast<std::uint16_t>(rec.m_nPosition + 1);
  if (rec.m_nPosition >= GetImageSequenceLength(rec, rec.m_nCurSeq)) rec.m_nPosition = 0;
}

bool StackReady(const CLayerImage& rec) {
  return rec.m_nWidth > 0 && rec.m_nHeight > 0 && rec.m_nFrameCount > 0 &&
         rec.m_Pixels.size() >= static_cast<std::size_t>(rec.m_nWidth) * rec.m_nHeight * rec.m_nFrameCount;
}

}  // namespace

void SetLayerDrawHooks(const LayerDrawHooks& hooks) { g_Hooks = hooks; }
const LayerDrawHooks& GetLayerDrawHooks() { return g_Hooks; }

void DrawFrameImage(CLayerImage& rec, int x, int y, VirtualScreen* screen) {
  if (!screen || !StackReady(rec)) return;
  const int f = CurrentFrame(rec);
  CBuffer dst = ScreenView(screen);
  const CBuffer frame = PixelView(rec.Frame(f), rec.m_nWidth, rec.m_nHeight);
  const CBuffer base = PixelView(rec.Frame(0), rec.m_nWidth, rec.m_nHeight);
  const int w = rec.m_nWidth, h = rec.m_nHeight;
  switch (rec.m_nBlendMode) {
    case 1: BlendImageRows(dst, frame, x, y, w, h, 0, 0, base, 0, 0); break;
    case 2: FillImageRect(dst, frame, x, y, w, h, 0, 0, 0, 0, 0); break;
    case 3: FillImageRect(dst, frame, x, y, w, h, 0, 0, 255, 255, 255); break;
    default: AlphaBlendBlit(frame, dst, x, y, w, h, 0, 0, base, 0, 0); break;
  }
  rec.m_nShownFrame = f;
  AdvanceSequence(rec);
}

void DrawImageKind3(CLayerImage& rec, int x, int y, VirtualScreen* screen, int opacity) {
  if (!screen || !StackReady(rec)) return;
  CBuffer dst = ScreenView(screen);
  const int f = CurrentFrame(rec);
  BlitByMode(rec.m_nBlendMode, dst, PixelView(rec.Frame(f), rec.m_nWidth, rec.m_nHeight), x, y, opacity);
  rec.m_nShownFrame = f;
  AdvanceSequence(rec);
}

void DrawImage32(CLayerImage& rec, int x, int y, VirtualScreen* screen, int state, int stateHeight, int opacity) {
  if (!screen || rec.m_nWidth <= 0 || stateHeight <= 0) return;
  const std::size_t start = static_cast<std::size_t>(state) * stateHeight * rec.m_nWidth;
  if (rec.m_Pixels.size() < start + static_cast<std::size_t>(stateHeight) * rec.m_nWidth) return;
  CBuffer dst = ScreenView(screen);
  BlitByMode(rec.m_nBlendMode, dst, PixelView(rec.m_Pixels.data() + start, rec.m_nWidth, stateHeight), x, y, opacity);
}

void DrawIndexedImage(CLayerImage& rec, int x, int y, VirtualScreen* screen, int state, int stateHeight) {
  if (rec.m_nKind == 32) return DrawImage32(rec, x, y, screen, state, stateHeight, 255);
  if (!screen || rec.m_nWidth <= 0 || stateHeight <= 0) return;
  const int w = rec.m_nWidth;
  const std::size_t start = static_cast<std::size_t>(state) * stateHeight * w;
  if (rec.m_Plane.size() < start + static_cast<std::size_t>(stateHeight) * w) return;
  const bool indexed = rec.m_nKind == -8;
  if (indexed && rec.m_Alpha.size() < rec.m_Plane.size()) return;
  const std::uint8_t* palette = rec.m_Palette.size() >= 1024 ? rec.m_Palette.data() : screen->m_Palette;
  int dx = x, dy = y, cw = w, ch = stateHeight, sx = 0, sy = 0;
  if (!ClipBlit(kScreenWidth, kScreenHeight, w, stateHeight, dx, dy, cw, ch, sx, sy)) return;
  for (int r = 0; r < ch; ++r) {
    const std::size_t row = start + static_cast<std::size_t>(sy + r) * w + sx;
    std::uint32_t* d = screen->Pixels() + static_cast<std::size_t>(dy + r) * kScreenWidth + dx;
    for (int i = 0; i < cw; ++i) {
      const std::uint8_t* e = palette + 4 * rec.m_Plane[row + i];
      if (!indexed) {
        if (!rec.m_Plane[row + i]) continue;
        d[i] = e[0] | (static_cast<std::uint32_t>(e[1]) << 8) | (static_cast<std::uint32_t>(e[2]) << 16);
        continue;
      }
      const int a = rec.m_Alpha[row + i];
      if (a == 0) continue;
      if (a == 255) {
        d[i] = e[0] | (static_cast<std::uint32_t>(e[1]) << 8) | (static_cast<std::uint32_t>(e[2]) << 16);
        continue;
      }
      // D[a][colour] + D[255 - a][destination]; the alpha byte becomes 0
      std::uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const int dc = static_cast<int>((d[i] >> (8 * c)) & 0xFF);
        out |= static_cast<std::uint32_t>(Div255(a * e[c]) + Div255((255 - a) * dc)) << (8 * c);
      }
      d[i] = out;
    }
  }
}

namespace {

// Group g's block for frame number f: frame 0 is the group's composite
// (what the base shows there), any other number that part.
const std::vector<std::uint32_t>* GroupBlock(const CLayerImage& rec, int g, int f) {
  const AbmPartSet& ps = rec.m_Parts;
  if (f > 0 && static_cast<std::size_t>(f) < ps.parts.size()) return &ps.parts[f].pixels;
  if (g >= 1 && static_cast<std::size_t>(g - 1) < ps.composites.size()) return &ps.composites[g - 1];
  return nullptr;
}

// Whether a speaking mouth rests now: inside one of its intervals, or after
// the last one.
bool MouthRests() {
  if (!g_Hooks.voiceTiming) return false;
  std::uint32_t elapsed = 0;
  const std::uint32_t* pairs = nullptr;
  int count = 0;
  if (!g_Hooks.voiceTiming(&elapsed, &pairs, &count) || !pairs) return false;
  count = std::min(count, 16);
  std::uint32_t lastEnd = 0;
  bool any = false;
  for (int i = 0; i < count; ++i) {
    const std::uint32_t s = pairs[2 * i], e = pairs[2 * i + 1];
    if (s == 0xFFFFFFFFu && e == 0xFFFFFFFFu) break;
    if (elapsed > s && elapsed < e) return true;
    lastEnd = e;
    any = true;
  }
  return any && elapsed > lastEnd;
}

void AdvanceGroup(ImageGroupRecord& g, int shownFrame) {
  auto step = [&g]() {
    g.m_nPosition = static_cast<std::uint16_t>(g.m_nPosition + 1);
    if (g.m_nPosition >= g.m_nSeqLength) g.m_nPosition = 0;
  };
  if (g.m_nMode != 1) return step();
  // Blinking: hold frame 0 for a random 1..127 ticks, then play through.
  if (g.m_nWait == 0 && shownFrame == 0) {
    CrtRandom& rnd = GetCrtRandom();
    rnd.Seed(pl::TickMs() % 32767);
    g.m_nWait = static_cast<std::uint16_t>(rnd.Next() % 127 + 1);
  } else if (g.m_nWait > 0) {
    if (--g.m_nWait == 0) step();
  } else {
    step();
  }
}

bool GroupsReady(const CLayerImage& rec) { return !rec.m_Groups.empty() && !rec.m_Parts.parts.empty(); }

// The base: group 0's frame, or part 0 while group 0 stands still.
int BaseFrameNow(const CLayerImage& rec) {
  const ImageGroupRecord& g0 = rec.m_Groups[0];
  SequenceRecord s0;
  FindSequenceRecord(rec.SequenceData(), 0, &s0);
  int f0 = g0.m_bRunning ? s0.Frame(g0.m_nPosition) : 0;
  if (f0 >= static_cast<int>(rec.m_Parts.parts.size()) || rec.m_Parts.parts[f0].group != 0) f0 = 0;
  return f0;
}

int GroupFrameNow(const CLayerImage& rec, std::size_t g) {
  const ImageGroupRecord& gr = rec.m_Groups[g];
  SequenceRecord sg;
  FindSequenceRecord(rec.SequenceData(), static_cast<int>(g), &sg);
  int f = 0;
  if (gr.m_nMode == 2 && gr.m_bRunning)
    f = MouthRests() ? 0 : sg.Frame(gr.m_nPosition);
  else if (gr.m_bRunning)
    f = sg.Frame(gr.m_nPosition);
  return f < rec.m_nFrameCount ? f : 0;
}

void StepBase(CLayerImage& rec) {
  ImageGroupRecord& g0 = rec.m_Groups[0];
  SequenceRecord s0;
  FindSequenceRecord(rec.SequenceData(), 0, &s0);
  g0.m_nPosition = static_cast<std::uint16_t>(g0.m_nPosition + 1);
  if (g0.m_nPosition >= s0.Length()) g0.m_nPosition = 0;
}

}  // namespace

void DrawImageFrames(CLayerImage& rec, int x, int y, VirtualScreen* screen, int opacity) {
  if (!screen || !GroupsReady(rec)) return;
  const std::int16_t savedX = rec.m_nX, savedY = rec.m_nY;
  rec.m_nX = static_cast<std::int16_t>(x);
  rec.m_nY = static_cast<std::int16_t>(y);
  CBuffer dst = ScreenView(screen);
  const int f0 = BaseFrameNow(rec);
  {
    auto& base = rec.m_Parts.parts[f0];
    if (!base.pixels.empty())
      BlitByMode(rec.m_nBlendMode, dst, PixelView(base.pixels.data(), base.rect.w, base.rect.h), x, y, opacity);
  }
  rec.m_nShownFrame = f0;
  StepBase(rec);
  for (std::size_t g = 1; g < rec.m_Groups.size(); ++g) {
    ImageGroupRecord& gr = rec.m_Groups[g];
    const int f = GroupFrameNow(rec, g);
    const std::vector<std::uint32_t>* block = GroupBlock(rec, static_cast<int>(g), f);
    const std::size_t need = static_cast<std::size_t>(std::max(gr.m_Rect.w, 0)) * std::max(gr.m_Rect.h, 0);
    if (block && !block->empty() && block->size() >= need)
      BlitByMode(rec.m_nBlendMode, dst,
                 PixelView(const_cast<std::uint32_t*>(block->data()), gr.m_Rect.w, gr.m_Rect.h),
                 x + gr.m_Rect.x, y + gr.m_Rect.y, opacity);
    gr.m_nShownFrame = f;
    AdvanceGroup(gr, f);
  }
  rec.m_nX = savedX;
  rec.m_nY = savedY;
}

void FramesToShow(const CLayerImage& rec, std::vector<std::int32_t>* out) {
  out->clear();
  if (rec.m_nKind == 1 || rec.m_nKind == 3) {
    if (StackReady(rec)) out->push_back(CurrentFrame(rec));
  } else if (rec.m_nKind == 2 && GroupsReady(rec)) {
    out->push_back(BaseFrameNow(rec));
    for (std::size_t g = 1; g < rec.m_Groups.size(); ++g) out->push_back(GroupFrameNow(rec, g));
  }
}

void FramesShown(const CLayerImage& rec, std::vector<std::int32_t>* out) {
  out->clear();
  if (rec.m_nKind == 1 || rec.m_nKind == 3) {
    if (StackReady(rec)) out->push_back(rec.m_nShownFrame);
  } else if (rec.m_nKind == 2 && GroupsReady(rec)) {
    out->push_back(rec.m_nShownFrame);
    for (std::size_t g = 1; g < rec.m_Groups.size(); ++g) out->push_back(rec.m_Groups[g].m_nShownFrame);
  }
}

void StepAnimation(CLayerImage& rec) {
  if (rec.m_nKind == 1 || rec.m_nKind == 3) {
    if (StackReady(rec)) AdvanceSequence(rec);
  } else if (rec.m_nKind == 2 && GroupsReady(rec)) {
    StepBase(rec);
    for (std::size_t g = 1; g < rec.m_Groups.size(); ++g) AdvanceGroup(rec.m_Groups[g], GroupFrameNow(rec, g));
  }
}

std::uint32_t SceneLayerDraws() { return g_nSceneLayerDraws; }

void DrawLayerImage(CLayerImage& rec, int x, int y, VirtualScreen* destination, int state, int statesLessOne,
                    int opacity, int redirect, int effectArgument) {
  if (!destination || !rec.m_szName[0]) return;
  opacity = std::clamp(opacity, 0, 255);
  VirtualScreen* work = destination;
  if (destination == GetVirtualScreen(2) && redirect == 1 && rec.m_nClass == 0 && GetVirtualScreen(3))
    work = GetVirtualScreen(3);
  if (work == GetVirtualScreen(2) || work == GetVirtualScreen(3)) ++g_nSceneLayerDraws;
  if (rec.m_nClass == 2) {
    const int percent = g_Hooks.windowOpacityPercent ? g_Hooks.windowOpacityPercent() : 100;
    opacity = std::clamp(percent * 255 / 100, 0, 255);
  }
  const int states = std::max(statesLessOne, 0) + 1;
  const int stateH = rec.m_nHeight / states;
  // A state past the stacked ones would read below the picture.
  state = std::clamp(state, 0, states - 1);
  const bool background = g_Hooks.isBackground && g_Hooks.isBackground(rec);
  switch (rec.m_nKind) {
    case -8:
      DrawIndexedImage(rec, x, y, work, state, stateH);
      break;
    case 8:
      if (rec.m_Plane.size() >= static_cast<std::size_t>(state + 1) * stateH * rec.m_nWidth)
        BlitPalettedImage(rec.m_Palette.size() >= 1024 ? rec.m_Palette.data() : nullptr,
                          rec.m_Plane.data() + static_cast<std::size_t>(state) * stateH * rec.m_nWidth, x, y,
                          rec.m_nWidth, stateH, work);
      break;
    case 24: {
      bool additive = false;
      if (background) {
        const bool covers = CoversScreen(x, y, rec.m_nWidth, stateH);
        if (!covers || rec.m_nBlendMode == 1 || opacity < 255) ClearVirtualScreen(work, 0);
        additive = covers && rec.m_nBlendMode == 1;
      }
      const std::size_t start = static_cast<std::size_t>(state) * stateH * rec.m_nWidth;
      if (rec.m_Pixels.size() >= start + static_cast<std::size_t>(stateH) * rec.m_nWidth)
        BlitImage(rec.m_nWidth, work, x, y, rec.m_Pixels.data() + start, stateH, additive ? 1 : 0, opacity);
      break;
    }
    case 32:
      DrawImage32(rec, x, y, work, state, stateH, opacity);
      break;
    case 1:
      if (background && (!CoversScreen(x, y, rec.m_nWidth, rec.m_nHeight) || rec.m_nBlendMode == 1))
        ClearVirtualScreen(work, 0);
      DrawFrameImage(rec, x, y, work);
      break;
    case 2:
      DrawImageFrames(rec, x, y, work, opacity);
      break;
    case 3:
      DrawImageKind3(rec, x, y, work, opacity);
      break;
    default:
      break;
  }
  // The last normal sprite brings the composed scene up to layer 2 with the
  // weather and the overlay (or steps the raster effect on layer 3).
  if (destination == GetVirtualScreen(2) && g_Hooks.isLastNormalSprite && g_Hooks.isLastNormalSprite(rec)) {
    if (!(g_Hooks.stepRasterEffect && g_Hooks.stepRasterEffect(GetVirtualScreen(3)))) {
      if (GetVirtualScreen(3)) CopyScreenRect(0, 0, kScreenWidth - 1, kScreenHeight - 1, 0, 0, GetVirtualScreen(3), destination);
      DrawWeatherAndOverlay(destination, effectArgument);
    }
  }
}

void DrawWeatherAndOverlay(VirtualScreen* screen, int argument) {
  if (screen && g_Hooks.drawWeatherAndOverlay) g_Hooks.drawWeatherAndOverlay(screen, argument);
}

void DrawWindowButton(CLayerImage& rec, int x, int y, int state, int statesLessOne, int destinationSelector,
                      int sourceSelector) {
  static const int kDst[3] = {1, 2, 3};
  VirtualScreen* dst = GetVirtualScreen(destinationSelector >= 0 && destinationSelector < 3 ? kDst[destinationSelector] : 0);
  const int srcLayer = sourceSelector == 0 ? 1 : sourceSelector == 2 ? 3 : sourceSelector == 3 ? 0 : 2;
  VirtualScreen* src = GetVirtualScreen(srcLayer);
  if (!dst) return;
  const int stateH = rec.m_nHeight / (std::max(statesLessOne, 0) + 1);
  if (src && rec.m_nWidth > 0 && stateH > 0)
    CopyScreenRect(x, y, x + rec.m_nWidth - 1, y + stateH - 1, x, y, src, dst);
  if (g_Hooks.redrawUnderButton) g_Hooks.redrawUnderButton(dst, x, y, rec.m_nWidth, stateH);
  DrawLayerImage(rec, x, y, dst, state, statesLessOne, 255, 1, 0);
}
