#include "scene/render_tick.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "framework/app_base.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "graphics/blit.h"
#include "graphics/draw_rect.h"
#include "graphics/layer_draw.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/time.h"
#include "scene/compose.h"
#include "scene/message_text.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/scene_draw_hooks.h"
#include "scene/sprite_effect_stepper.h"
#include "scene/transition_stepper.h"
#include "sound/sound_request.h"

namespace {

constexpr std::uint32_t kCursorFrameMs = 66;

CObjectTables* Tables() {
  CObjectTables* t = Presentation().m_pTables;
  return t ? t : GetObjectTables();
}

CBuffer LayerView(const VirtualScreen* s) {
  CBuffer v;
  if (s && !s->m_Surface.Empty()) SetupDibHeader(v, kScreenWidth, 32, kScreenHeight, s->m_Surface.m_pcPix, GetMmxFlag());
  return v;
}

void CopyRect(const VirtualScreen* src, VirtualScreen* dst, int x, int y, int w, int h) {
  if (!src || !dst || src == dst || w <= 0 || h <= 0) return;
  CopyScreenRect(x, y, x + w - 1, y + h - 1, x, y, src, dst);
}

void CopyWholeLayer(int from, int to) {
  CopyRect(GetVirtualScreen(from), GetVirtualScreen(to), 0, 0, kScreenWidth, kScreenHeight);
}

int WindowOpacity255() {
  const ScenePresentation& p = Presentation();
  int percent = 100;
  if (p.m_pSettings)
    percent = p.m_pSettings->m_nWindowOpacity;
  else if (const CObjectTables* t = Tables())
    percent = t->m_nWindowOpacity;
  return std::clamp(percent * 255 / 100, 0, 255);
}

bool WindowShown(const CTextWindow* w) { return w && w->m_nState == 1; }

// The window picture's part inside the rectangle, over what the rectangle
// holds already. Only the pixel kinds a window picture comes in are drawn;
// a paletted frame shows through the restored scene.
void DrawFramePart(const CTextWindow& w, VirtualScreen* target, int x, int y, int width, int height) {
  const CLayerImage& f = w.m_Frame;
  if (!f.m_szName[0] || f.m_nWidth <= 0 || f.m_nHeight <= 0) return;
  if (f.m_nKind != 32 && f.m_nKind != 24) return;
  const std::size_t need = static_cast<std::size_t>(f.m_nWidth) * f.m_nHeight;
  if (f.m_Pixels.size() < need) return;
  const int fx = w.m_nX + w.m_nFrameX, fy = w.m_nY + w.m_nFrameY;
  const int x0 = std::max(x, fx), y0 = std::max(y, fy);
  const int x1 = std::min(x + width, fx + f.m_nWidth), y1 = std::min(y + height, fy + f.m_nHeight);
  if (x1 <= x0 || y1 <= y0) return;
  CBuffer dst = LayerView(target);
  CBuffer src;
  SetupDibHeader(src, f.m_nWidth, 32, f.m_nHeight, const_cast<std::uint32_t*>(f.m_Pixels.data()));
  const int opacity = WindowOpacity255();
  if (f.m_nKind == 32)
    AlphaBlt32(dst, src, x0, y0, x1 - x0, y1 - y0, x0 - fx, y0 - fy, opacity);
  else if (opacity >= 255)
    CopyPixelRect(dst, src, x0, y0, x1 - x0, y1 - y0, x0 - fx, y0 - fy);
  else
    FadeBlitRect(dst, src, x0, y0, x1 - x0, y1 - y0, x0 - fx, y0 - fy, opacity);
}

// Whether the line in the buffer is message text (it begins with a
// double-byte character, "@", "[" or a backslash).
bool IsMessageLine(const std::string& line) {
  if (line.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(line[0]);
  return pl::IsLeadByte(c) || c == '@' || c == '[' || c == '\\';
}

// Whether the recomposition of an animated scene draws the sprite: a
// system sprite only with the window shown, a hidden one never.
bool DrawnInAnimatedScene(const CLayerImage& s, bool windowShown) {
  if (!s.m_szName[0]) return false;
  return s.m_nClass == 0 || (windowShown && !(s.m_nClass & 0x80));
}

// Every shown sprite of the scene drawn again. False when nothing was drawn.
bool DrawAnimatedScene(CObjectTables& t, bool windowShown) {
  VirtualScreen* layer2 = GetVirtualScreen(2);
  bool drawn = false;
  for (std::int32_t i = 0; i < t.SpriteCount(); ++i) {
    CLayerImage* s = t.SpriteAt(i);
    if (!s || !DrawnInAnimatedScene(*s, windowShown)) continue;
    // The last normal sprite brings the weather and overlay up a step.
    DrawLayerImage(*s, s->m_nX, s->m_nY, layer2, s->m_nShownState, s->m_nRowsLessOne, 255, 1, 1);
    drawn = true;
  }
  return drawn;
}

// What the recomposition of an animated scene would draw, sprite by
// sprite: its place, picture and state, and its animation frames, either
// those a draw now would show or those it was last drawn with. Two equal
// keys mean the same picture on layer 2.
void CompositionKey(CObjectTables& t, bool windowShown, bool now, std::vector<std::int32_t>* key) {
  key->clear();
  key->push_back(windowShown ? 1 : 0);
  std::vector<std::int32_t> frames;
  for (std::int32_t i = 0; i < t.SpriteCount(); ++i) {
    const CLayerImage* s = t.SpriteAt(i);
    if (!s || !DrawnInAnimatedScene(*s, windowShown)) continue;
    std::int32_t name[4];
    static_assert(sizeof(name) == sizeof(s->m_szName));
    std::memcpy(name, s->m_szName, sizeof(name));
    key->insert(key->end(), {i, s->m_nKind, s->m_nClass, s->m_nBlendMode, s->m_nX, s->m_nY, s->m_nShownState,
                             s->m_nRowsLessOne, s->m_nWidth, s->m_nHeight, name[0], name[1], name[2], name[3]});
    if (now)
      FramesToShow(*s, &frames);
    else
      FramesShown(*s, &frames);
    key->push_back(static_cast<std::int32_t>(frames.size()));
    key->insert(key->end(), frames.begin(), frames.end());
  }
}

// True when an animated scene would come out of its recomposition as it
// stands: no animation shows a new frame, nothing else drew on the scene's
// layers since and nothing moves over them. Its sequences are stepped as
// the drawing would have stepped them.
bool AnimatedSceneStands(CObjectTables& t, bool windowShown, bool weather) {
  ScenePresentation& p = Presentation();
  if (p.m_bRasterOn || weather || !p.m_bComposedKeyValid || p.m_nComposedDraws != SceneLayerDraws()) return false;
  std::vector<std::int32_t> key;
  CompositionKey(t, windowShown, true, &key);
  if (key != p.m_ComposedKey) return false;
  for (std::int32_t i = 0; i < t.SpriteCount(); ++i) {
    CLayerImage* s = t.SpriteAt(i);
    if (s && DrawnInAnimatedScene(*s, windowShown)) StepAnimation(*s);
  }
  return true;
}

void DrawSystemSprites(CObjectTables& t) {
  VirtualScreen* layer2 = GetVirtualScreen(2);
  for (std::int32_t i = 0; i < t.SpriteCount(); ++i) {
    CLayerImage* s = t.SpriteAt(i);
    if (!s || !s->m_szName[0] || s->m_nClass < 1 || s->m_nClass > 127) continue;
    DrawLayerImage(*s, s->m_nX, s->m_nY, layer2, s->m_nShownState, s->m_nRowsLessOne, 255, 1, 0);
  }
}

// Sprite 0 on `layer`, or the clear colour (with the weather and overlay
// when asked) when it has no picture.
void DrawBackground(CObjectTables& t, VirtualScreen* layer, bool weather) {
  CLayerImage* bg = t.SpriteAt(0);
  if (bg && bg->m_szName[0]) {
    DrawLayerImage(*bg, bg->m_nX, bg->m_nY, layer, bg->m_nShownState, bg->m_nRowsLessOne, 255, 1, 0);
    return;
  }
  ClearVirtualScreen(layer, FillColorRef());
  // The normal sprites are composed on layer 3 and brought up after the
  // last one: what an older scene left there must not come with them.
  if (layer == GetVirtualScreen(2)) ClearVirtualScreen(GetVirtualScreen(3), FillColorRef());
  if (weather) DrawWeatherAndOverlay(layer, 0);
}

// The click-wait cursor of the window, one frame a tick.
void AnimateCursor(CTextWindow& w, bool pageEnd, CDrawRect& acc) {
  CLayerImage& cursor = pageEnd ? w.m_PageCursor : w.m_PromptCursor;
  if (!cursor.m_szName[0] || cursor.m_nWidth <= 0) return;
  const int last = std::max(0, pageEnd ? w.m_nPageCursorLast : w.m_nPromptCursorLast);
  const int frameH = cursor.m_nHeight / (last + 1);
  if (frameH <= 0) return;
  const int x = w.m_nX + (pageEnd ? w.m_nPageCursorX : w.m_nPromptCursorX);
  const int y = w.m_nY + (pageEnd ? w.m_nPageCursorY : w.m_nPromptCursorY);
  ScenePresentation& p = Presentation();
  const std::uint32_t now = pl::TickMs();
  if ((now - p.m_dwCursorAnimStart) / kCursorFrameMs > static_cast<std::uint32_t>(last)) p.m_dwCursorAnimStart = now;
  const int step = static_cast<int>((now - p.m_dwCursorAnimStart) / kCursorFrameMs);
  VirtualScreen* layer0 = GetVirtualScreen(0);
  if (!layer0) return;
  CopyRect(GetVirtualScreen(2), layer0, x, y, cursor.m_nWidth, frameH);
  if (w.m_Frame.m_szName[0]) {
    // The prompt inside the page keeps the window picture only where it
    // lies within the picture.
    const int rx = x - (w.m_nX + w.m_nFrameX), ry = y - (w.m_nY + w.m_nFrameY);
    const bool inside = rx >= 0 && ry >= 0 && rx + cursor.m_nWidth <= w.m_Frame.m_nWidth &&
                        ry + frameH <= w.m_Frame.m_nHeight;
    if (pageEnd || inside) DrawFramePart(w, layer0, x, y, cursor.m_nWidth, frameH);
  }
  DrawLayerImage(cursor, x, y, layer0, last - step, last, 255, 0, 0);
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(kScreenWidth, x + cursor.m_nWidth), y1 = std::min(kScreenHeight, y + frameH);
  if (x1 > x0 && y1 > y0) acc.Add(x0, y0, x0, y0, x1 - x0, y1 - y0);
}

}  // namespace

void RenderFrame() {
  struct LayerTick {
    LayerTick() { BeginLayerTick(); }
    ~LayerTick() { EndLayerTick(); }
  } layerTick;
  UpdateSoundFades();
  CUBitBlt acc;
  if (ComposeFrame() == 1) acc.Add(0, 0, 0, 0, kScreenWidth, kScreenHeight);
  CObjectTables* t = Tables();
  CTextWindow* w = t ? t->CurrentWindow() : nullptr;
  SceneState& s = Scene();
  if (!WindowShown(w) || (s.m_nPendingState != PND_PROMPT_PAGE && s.m_nPendingState != PND_FPROMPT)) return;
  if ((s.m_nRunMode == RUN_SKIPHELD || s.m_nRunMode == RUN_SKIP) && s.m_nPendingState == PND_FPROMPT) {
    // Skipping never stops at a page end: the wait driver clears it next.
    SetPendingOp(OP_PAGE_CLEAR, 0);
    return;
  }
  AnimateCursor(*w, s.m_nPendingState == PND_FPROMPT, acc);
}

int ComposeFrame() {
  VirtualScreen* l[4] = {GetVirtualScreen(0), GetVirtualScreen(1), GetVirtualScreen(2), GetVirtualScreen(3)};
  for (VirtualScreen* s : l)
    if (!s || s->m_Surface.Empty()) return 0;
  CBuffer v0 = LayerView(l[0]), v1 = LayerView(l[1]), v3 = LayerView(l[3]);
  const int a = SpriteEffectStep(v0, 0, v3);
  const int b = TransitionStep(v0, v1, v3);
  return a != 0 || b != 0 ? 1 : 0;
}

void RedrawLayers(int mode) {
  CObjectTables* t = Tables();
  VirtualScreen* layer1 = GetVirtualScreen(1);
  VirtualScreen* layer2 = GetVirtualScreen(2);
  if (!t || !layer2) return;
  const std::int32_t count = t->SpriteCount();
  if (mode == 1) {
    DrawBackground(*t, layer2, true);
    for (std::int32_t i = 1; i < count; ++i) {
      CLayerImage* s = t->SpriteAt(i);
      if (!s || !s->m_szName[0]) continue;
      if (s->m_nClass != 0) {
        s->m_nClass = static_cast<std::uint8_t>(s->m_nClass | 0x80);
        continue;
      }
      DrawLayerImage(*s, s->m_nX, s->m_nY, layer2, s->m_nShownState, s->m_nRowsLessOne, 255, 1, 0);
    }
    DrawShownGauges(layer2);
    CopyWholeLayer(2, 1);
    CopyWholeLayer(1, 0);
    return;
  }
  for (VirtualScreen* layer : {layer2, layer1}) {
    if (!layer) continue;
    DrawBackground(*t, layer, layer == layer2);
    for (std::int32_t i = 1; i < count; ++i) {
      CLayerImage* s = t->SpriteAt(i);
      if (!s || !s->m_szName[0]) continue;
      s->m_nClass = static_cast<std::uint8_t>(s->m_nClass & 0x7F);
      DrawLayerImage(*s, s->m_nX, s->m_nY, layer, s->m_nShownState, s->m_nRowsLessOne, 255, 1, 0);
    }
  }
  DrawShownGauges(layer2);
  CopyWholeLayer(2, 0);
  bool shownAgain = false;
  for (std::int32_t i = 0; i < t->WindowCount(); ++i) {
    CTextWindow* w = t->WindowAt(i);
    if (w && w->m_nState == 0) {
      w->m_nState = 1;
      shownAgain = true;
    }
  }
  if (shownAgain && Presentation().m_pText) Presentation().m_pText->ResetWindowText(nullptr, false);
}

void DrawWindowRegion(VirtualScreen* target, int x, int y, int width, int height) {
  if (!target || width <= 0 || height <= 0) return;
  CopyRect(GetVirtualScreen(2), target, x, y, width, height);
  CObjectTables* t = Tables();
  CTextWindow* w = t ? t->CurrentWindow() : nullptr;
  if (WindowShown(w)) DrawFramePart(*w, target, x, y, width, height);
}

int PumpFrames(int n) {
  for (int i = 0; i < n; ++i) {
    CAppBase* app = GetApp();
    if (app) {
      if (!app->PumpMessage()) return 0;
    } else {
      pl::Message msg;
      if (pl::PeekMessage(&msg)) pl::DispatchMessage(msg);
    }
    const std::uint32_t pass = pl::TickMs();
    while (pl::TickMs() - pass < 15) {
      pl::Message msg;
      if (pl::PeekMessage(&msg)) pl::DispatchMessage(msg);
      if (app && app->m_nState == APP_DESTROYED) return 0;
      // A millisecond's sleep instead of spinning: the pause stays as long
      // and the core stays free for the sound threads.
      pl::SleepMs(1);
    }
  }
  return n;
}

int RecomposeScene() {
  ScenePresentation& p = Presentation();
  // 1. A blacked-out screen or a changed scene waits for its transition.
  if (p.m_pScript && (p.m_pScript->m_nScreenOut != 0 || p.m_pScript->m_bSceneChanged == 1)) return 0;
  CObjectTables* t = Tables();
  if (!t || !GetVirtualScreen(0) || !GetVirtualScreen(2) || !GetVirtualScreen(3)) return 0;
  // 2.
  bool animated = false;
  for (std::int32_t i = 0; i < t->SpriteCount() && !animated; ++i) {
    const CLayerImage* s = t->SpriteAt(i);
    animated = s && s->m_szName[0] && s->m_nKind >= 1 && s->m_nKind <= 3;
  }
  const bool weather = p.m_pfnWeatherOrOverlayActive && p.m_pfnWeatherOrOverlayActive();
  // 4.
  if (!animated && !p.m_bRasterOn && !weather) return 0;
  // 3.
  CTextWindow* w = t->CurrentWindow();
  const bool windowShown = WindowShown(w);
  VirtualScreen* layer2 = GetVirtualScreen(2);
  if (!animated) {
    const LayerDrawHooks& hooks = GetLayerDrawHooks();
    const bool stepped = p.m_bRasterOn && hooks.stepRasterEffect && hooks.stepRasterEffect(GetVirtualScreen(3));
    if (!stepped) CopyWholeLayer(3, 2);
    DrawWeatherAndOverlay(layer2, 1);
    if (windowShown) DrawSystemSprites(*t);
  } else if (AnimatedSceneStands(*t, windowShown, weather)) {
    return 0;
  } else {
    if (!DrawAnimatedScene(*t, windowShown)) {
      ClearVirtualScreen(layer2, FillColorRef());
      DrawWeatherAndOverlay(layer2, 1);
    }
    CompositionKey(*t, windowShown, false, &p.m_ComposedKey);
    p.m_nComposedDraws = SceneLayerDraws();
    p.m_bComposedKeyValid = true;
  }
  RedrawScriptButtons(layer2, nullptr);
  DrawShownGauges(layer2);
  CopyWholeLayer(2, 0);
  RedrawScriptButtons(nullptr, GetVirtualScreen(0));
  if (Scene().m_nPendingState == PND_BACKLOG) {
    if (p.m_pfnRedrawBacklogPage) p.m_pfnRedrawBacklogPage();
    return 1;
  }
  if (windowShown && p.m_pText) {
    CMessageText& text = *p.m_pText;
    std::string page = text.PageText();
    bool revealed = false;
    if (p.m_pScript && IsMessageLine(p.m_pScript->m_LineBuf)) {
      const CScriptFrame& f = p.m_pScript->DeepestFrame();
      const std::string& line = p.m_pScript->m_LineBuf;
      const std::size_t from = std::min(f.m_nLineStart, line.size());
      const std::size_t to = std::min(f.m_nCursor, line.size());
      if (to > from) {
        page.append(line, from, to - from);
        revealed = true;
      }
    }
    const bool wholePage = text.TextSpeed() == 3;
    if (wholePage && page.empty() && !revealed) {
      w->HomeText();
      RedrawTextWindow(*w, 1, false);
      if (Scene().m_nRunMode != RUN_SKIPHELD && Scene().m_nRunMode != RUN_SKIP) TextFrameHook();
    } else {
      text.ResetWindowText(&page, false);
    }
  }
  return 1;
}
