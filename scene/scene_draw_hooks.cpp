#include "scene/scene_draw_hooks.h"

#include <algorithm>

#include "engine/settings_record.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "graphics/transition.h"
#include "graphics/weather.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"

namespace {

CObjectTables* Tables() {
  CObjectTables* t = Presentation().m_pTables;
  return t ? t : GetObjectTables();
}

bool IsBackground(const CLayerImage& rec) {
  CObjectTables* t = Tables();
  return t && t->SpriteAt(0) == &rec;
}

bool IsLastNormalSprite(const CLayerImage& rec) {
  CObjectTables* t = Tables();
  if (!t) return false;
  for (std::int32_t i = t->SpriteCount() - 1; i >= 0; --i) {
    const CLayerImage* s = t->SpriteAt(i);
    if (s && s->m_szName[0] && s->m_nClass == 0) return s == &rec;
  }
  return false;
}

int WindowOpacityPercent() {
  const ScenePresentation& p = Presentation();
  if (p.m_pSettings) return p.m_pSettings->m_nWindowOpacity;
  const CObjectTables* t = Tables();
  return t ? t->m_nWindowOpacity : 100;
}

// During the backlog view the history window lies under its arrows;
// otherwise the current window's picture does.
void RedrawUnderButton(VirtualScreen* destination, int x, int y, int width, int height) {
  if (!destination || width <= 0 || height <= 0) return;
  CObjectTables* t = Tables();
  if (Scene().m_nPendingState == PND_BACKLOG) {
    if (!t) return;
    const CTextWindow& h = t->m_History;
    const CLayerImage& pic = h.m_Frame;
    if (pic.m_nWidth <= 0 || pic.m_nHeight <= 0 ||
        pic.m_Pixels.size() < static_cast<std::size_t>(pic.m_nWidth) * pic.m_nHeight)
      return;
    const int px = h.m_nX + h.m_nFrameX, py = h.m_nY + h.m_nFrameY;
    const int x0 = std::max(x, px), y0 = std::max(y, py);
    const int x1 = std::min(x + width, px + pic.m_nWidth), y1 = std::min(y + height, py + pic.m_nHeight);
    if (x1 <= x0 || y1 <= y0) return;
    CBuffer dst, src;
    SetupDibHeader(dst, kScreenWidth, 32, kScreenHeight, destination->m_Surface.m_pcPix);
    SetupDibHeader(src, pic.m_nWidth, 32, pic.m_nHeight, const_cast<std::uint32_t*>(pic.m_Pixels.data()));
    AlphaBlitRect(dst, src, x0, y0, x1 - x0, y1 - y0, x0 - px, y0 - py);
    return;
  }
  CTextWindow* w = t ? t->CurrentWindow() : nullptr;
  if (w && w->m_nState == 1) DrawWindowRegion(destination, x, y, width, height);
}

bool WeatherOrOverlayActive() {
  const CWeather* w = GetWeather();
  const COverlay* o = GetOverlay();
  return (w && w->m_nState != 0) || (o && o->m_nState != 0);
}

// One step of the `raster` effect from layer 3 into layer 2. Its word: 1 a
// start was asked for (the step starts it and keeps it running as 2), 3 a
// stop was asked for (the step calms it down and ends it at 0).
bool StepRasterEffect(VirtualScreen* layer3) {
  ScenePresentation& p = Presentation();
  if (!p.m_bRasterOn || !layer3) return false;
  const int phase = p.m_bRasterOn == 1 ? 0 : p.m_bRasterOn == 3 ? 2 : 1;
  if (p.m_bRasterOn == 1) p.m_bRasterOn = 2;
  CBuffer view;
  SetupDibHeader(view, kScreenWidth, 32, kScreenHeight, layer3->m_Surface.m_pcPix, layer3->m_Surface.m_pMmx);
  const int done = p.m_nRasterKind == 0 ? transition::RippleRows(view, phase, 1) : transition::WaveBands(view, phase, 1);
  if (done == 1) p.m_bRasterOn = 0;
  return true;
}

bool g_bLayerTickDue = false;

void DrawLayersOfTheTick(VirtualScreen* screen, int tick) {
  const int step = tick == 1 && g_bLayerTickDue ? 1 : 0;
  if (step == 1) g_bLayerTickDue = false;
  TickWeatherLayers(screen, step);
}

void OverlayOff() {
  if (COverlay* o = GetOverlay()) o->m_nState = 0;
}

}  // namespace

void InstallSceneDrawHooks() {
  LayerDrawHooks hooks = GetLayerDrawHooks();
  hooks.isBackground = &IsBackground;
  hooks.isLastNormalSprite = &IsLastNormalSprite;
  hooks.windowOpacityPercent = &WindowOpacityPercent;
  hooks.redrawUnderButton = &RedrawUnderButton;
  hooks.drawWeatherAndOverlay = &DrawLayersOfTheTick;
  hooks.stepRasterEffect = &StepRasterEffect;
  SetLayerDrawHooks(hooks);
  Presentation().m_pfnWeatherOrOverlayActive = &WeatherOrOverlayActive;
  Presentation().m_pfnOverlayOff = &OverlayOff;
}

void BeginLayerTick() { g_bLayerTickDue = true; }
void EndLayerTick() { g_bLayerTickDue = false; }
