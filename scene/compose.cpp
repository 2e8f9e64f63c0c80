#include "scene/compose.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "framework/app_base.h"
#include "framework/arc.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "graphics/anti_font.h"
#include "graphics/blit.h"
#include "graphics/layer_draw.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/window.h"
#include "scene/effect_commands.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"

namespace {

CBuffer LayerView(const VirtualScreen* s) {
  CBuffer v;
  if (s && !s->m_Surface.Empty()) SetupDibHeader(v, kScreenWidth, 32, kScreenHeight, s->m_Surface.m_pcPix, GetMmxFlag());
  return v;
}

CObjectTables* Tables() {
  CObjectTables* t = Presentation().m_pTables;
  return t ? t : GetObjectTables();
}

// The message window's own layer selectors (those of DrawWindowButton).
VirtualScreen* SourceLayer(int selector) {
  return GetVirtualScreen(selector == 0 ? 1 : selector == 2 ? 3 : selector == 3 ? 0 : 2);
}
VirtualScreen* DestinationLayer(int selector) {
  return GetVirtualScreen(selector == 0 ? 1 : selector == 1 ? 2 : selector == 2 ? 3 : 0);
}

bool AutoModeOn() {
  const ScenePresentation& p = Presentation();
  return p.m_pSettings ? p.m_pSettings->m_bAutoMode == 1 : Scene().m_Auto.enabled == 1;
}

// The name window's size: the name cell's while it is loaded.
void NamePlateSize(int* w, int* h) {
  const ScenePresentation& p = Presentation();
  const CLayerImage& pic = p.m_bNameCellLoaded ? p.m_NameCell : p.m_NameWindow;
  const bool loaded = p.m_bNameCellLoaded || p.m_bNameWindowLoaded;
  *w = loaded ? std::max<int>(0, pic.m_nWidth) : 0;
  *h = loaded ? std::max<int>(0, pic.m_nHeight) : 0;
}

void CopyRect(const VirtualScreen* src, VirtualScreen* dst, int x, int y, int w, int h) {
  // A null destination would mean the window to CopyScreenRect.
  if (!src || !dst || src == dst || w <= 0 || h <= 0) return;
  CopyScreenRect(x, y, x + w - 1, y + h - 1, x, y, src, dst);
}

bool InsideMouseRect(int mx, int my, int x, int y, int w, int h) {
  return mx >= x && mx < x + w && my >= y && my < y + h;
}

int StateHeight(const CLayerImage& rec, int statesLessOne) {
  return rec.m_nHeight / (std::max(statesLessOne, 0) + 1);
}

void DrawCaption(const CScriptButton& b, VirtualScreen* layer) {
  if (!b.m_szCaption[0] || !layer) return;
  CAntiFont& font = GetAntiFont();
  if (!font.HasFont()) return;
  const ScenePresentation& p = Presentation();
  const std::uint32_t colour = p.m_pScript ? static_cast<std::uint32_t>(p.m_pScript->m_nTextColor) : 0xFFFFFFu;
  const std::uint32_t shadow = p.m_pScript ? static_cast<std::uint32_t>(p.m_pScript->m_nShadow) : 0u;
  const int off = static_cast<int>(shadow >> 24);
  const int x = b.m_Image.m_nX + b.m_nCaptionX, y = b.m_Image.m_nY + b.m_nCaptionY;
  CBuffer v = LayerView(layer);
  const int len = static_cast<int>(std::char_traits<char>::length(b.m_szCaption));
  font.DrawString(x + off, b.m_szCaption, v, shadow & 0xFFFFFFu, y + off, len);
  font.DrawString(x, b.m_szCaption, v, colour & 0xFFFFFFu, y, len);
}

// The export of a picture's file into "save\bmp", kept when it is there
// already. A file that could not be written whole is taken away again, so
// that a later export does not find it and keep it.
int ExportBmp(const std::string& fileName, const std::vector<std::uint8_t>& data) {
  for (const char* folder : {"K:\\save", "K:\\save\\bmp"}) {
    if (pl::FolderExists(folder) || pl::CreateFolder(folder)) continue;
    ShowWarning(FormatText(SJ("指定のフォルダ %s が作成できません。"), pl::DisplayPath(folder).c_str()).c_str());
    return 0;
  }
  const std::string path = std::string("K:\\save\\bmp\\") + fileName;
  if (pl::FileExists(path)) return 1;
  pl::File f;
  if (!f.OpenWrite(path, pl::File::kCreate | pl::File::kTruncate)) {
    ShowWarning(SJ("出力ＢＭＰファイルの生成に失敗しました。"));
    return 0;
  }
  if (data.empty() || !f.WriteAt(0, data.data(), data.size()) || !f.Flush()) {
    const std::string written = f.NativePath();
    f.Close();
    std::remove(written.c_str());
    ShowWarning(SJ("出力ＢＭＰファイルの書き込みに失敗しました。"));
    return 0;
  }
  return 1;
}

void PictureBox(const std::string& what, const char* caption) {
  pl::MessageBox(GetMainWindowHandle(), std::string(SJ("不正なグラフィック指定：")) + what, caption, pl::MB_OK);
}

}  // namespace

bool DrawScriptButtons(VirtualScreen* layer) {
  CObjectTables* t = Tables();
  if (!t || !layer) return false;
  bool drawn = false;
  for (std::int32_t i = 0; i < t->ButtonCount(); ++i) {
    CScriptButton* b = t->ButtonAt(i);
    if (!b || !b->m_Image.m_szName[0] || b->m_nState == 3) continue;
    b->m_nState = 0;
    DrawLayerImage(b->m_Image, b->m_Image.m_nX, b->m_Image.m_nY, layer, 0, 2, 255, 0, 0);
    DrawCaption(*b, layer);
    drawn = true;
  }
  return drawn;
}

void RedrawScriptButtons(VirtualScreen* scene, VirtualScreen* shown) {
  CObjectTables* t = Tables();
  if (!t) return;
  for (std::int32_t i = 0; scene && i < t->ButtonCount(); ++i) {
    CScriptButton* b = t->ButtonAt(i);
    if (!b || !b->m_Image.m_szName[0] || b->m_nState == 3) continue;
    DrawLayerImage(b->m_Image, b->m_Image.m_nX, b->m_Image.m_nY, scene, 0, 2, 255, 0, 0);
    DrawCaption(*b, scene);
  }
  if (!shown) return;
  // The hovered or pressed look lives on the presented layer only, so that
  // the scene layer keeps the normal look the hover code restores from.
  for (std::int32_t i = 0; i < t->ButtonCount(); ++i) {
    CScriptButton* b = t->ButtonAt(i);
    if (!b || !b->m_Image.m_szName[0] || b->m_nState == 0 || b->m_nState == 3) continue;
    DrawLayerImage(b->m_Image, b->m_Image.m_nX, b->m_Image.m_nY, shown, b->m_nState, 2, 255, 0, 0);
    DrawCaption(*b, shown);
  }
}

void ComposeSprites(bool withSystemSprites) {
  CObjectTables* t = Tables();
  VirtualScreen* layer2 = GetVirtualScreen(2);
  VirtualScreen* layer3 = GetVirtualScreen(3);
  if (!t || !layer2) return;
  ScenePresentation& look = Presentation();
  const std::int32_t count = t->SpriteCount();

  // 1. A normal sprite above a system sprite would be wiped by the copy of
  // layer 3 that the last normal sprite makes: the author is told, once a
  // game for each sprite (the scene is composed again and again, and a box
  // each time would stop the game at every composition). Sprites not in
  // use are never drawn and wipe nothing, so they are not named.
  bool systemSeen = false;
  for (std::int32_t i = 1; i < count; ++i) {
    const CLayerImage* s = t->SpriteAt(i);
    if (!s || !s->m_szName[0]) continue;
    if (s->m_nClass != 0) {
      systemSeen = true;
    } else if (systemSeen && t->FirstOrderWarning(i)) {
      char text[256];
      std::snprintf(text, sizeof text,
                    SJ("スプライトナンバー %d より後のスプライトで通常スプライトを使用しています。\nシステムスプライトを指定してください。"),
                    static_cast<int>(i));
      ShowWarning(text);
    }
  }

  // 2.-3.
  bool sceneDrawn = false;
  CLayerImage* bg = t->SpriteAt(0);
  if (bg && bg->m_szName[0]) {
    DrawLayerImage(*bg, bg->m_nX, bg->m_nY, layer2, bg->m_nShownState, bg->m_nRowsLessOne, 255, 1, 0);
    sceneDrawn = true;
  } else {
    ClearVirtualScreen(layer2, FillColorRef());
    ClearVirtualScreen(layer3, FillColorRef());
  }
  for (std::int32_t i = 1; i < count; ++i) {
    CLayerImage* s = t->SpriteAt(i);
    if (!s || !s->m_szName[0] || s->m_nClass != 0) continue;
    DrawLayerImage(*s, s->m_nX, s->m_nY, layer2, s->m_nShownState, s->m_nRowsLessOne, 255, 1, 0);
    sceneDrawn = true;
  }

  // 4.
  const bool buttonDrawn = DrawScriptButtons(layer2);

  // 5. A button and the scrolling overlay would fight over the same place.
  if (buttonDrawn && look.m_pfnOverlayOff) look.m_pfnOverlayOff();
  if (!sceneDrawn) DrawWeatherAndOverlay(layer2, 0);
  DrawShownGauges(layer2);

  // 6.
  if (!withSystemSprites) {
    look.m_bLayersNeedRebuild = 1;
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    CLayerImage* s = t->SpriteAt(i);
    if (!s || !s->m_szName[0] || s->m_nClass < 1 || s->m_nClass > 127) continue;
    DrawLayerImage(*s, s->m_nX, s->m_nY, layer2, s->m_nShownState, s->m_nRowsLessOne, 255, 1, 0);
  }
}

void RedrawMessageWindow(int sourceLayer, CTextWindow& w, int destinationLayer) {
  VirtualScreen* src = SourceLayer(sourceLayer);
  VirtualScreen* dst = DestinationLayer(destinationLayer);
  if (!dst) return;
  // 2.
  int nw = 0, nh = 0;
  NamePlateSize(&nw, &nh);
  CopyRect(src, dst, w.m_nX, w.m_nY, nw, nh);
  CopyRect(src, dst, w.m_nX, w.m_nY, w.m_nWidth, w.m_nHeight);
  // 3.
  if (w.m_Frame.m_szName[0])
    DrawLayerImage(w.m_Frame, w.m_nX + w.m_nFrameX, w.m_nY + w.m_nFrameY, dst, 0, 0, 255, 0, 0);
  // 4. The mouse counts only while the program has the focus.
  pl::Point mouse{0, 0};
  pl::Window* main = GetMainWindowHandle();
  if (main && pl::GetActiveWindow() == main) GetLogicalCursorPos(&mouse);
  const bool mouseOnScreen = mouse.x >= 1 && mouse.x <= kScreenWidth && mouse.y >= 1 && mouse.y <= kScreenHeight;
  const bool autoOn = AutoModeOn();
  VirtualScreen* layer0 = GetVirtualScreen(0);
  CWindowButton* hovered = nullptr;
  for (const auto& bp : w.m_Buttons) {
    CWindowButton& b = *bp;
    CLayerImage& img = b.m_Image;
    const int x = w.m_nX + img.m_nX, y = w.m_nY + img.m_nY;
    const bool automode = std::string_view(b.m_szAction) == "automode";
    if (!hovered && mouseOnScreen && b.m_nState != 3 &&
        InsideMouseRect(mouse.x, mouse.y, x, y, img.m_nWidth, StateHeight(img, 2))) {
      hovered = &b;
      continue;
    }
    if (img.m_szName[0]) DrawWindowButton(img, x, y, automode && autoOn ? 2 : 0, 2, destinationLayer, sourceLayer);
    if (b.m_pLabel && b.m_pLabel->m_szName[0] && layer0) {
      const CLayerImage& l = *b.m_pLabel;
      const int lx = w.m_nX + l.m_nX, ly = w.m_nY + l.m_nY, lh = StateHeight(l, l.m_nRowsLessOne);
      CopyRect(GetVirtualScreen(2), layer0, lx, ly, l.m_nWidth, lh);
      DrawWindowRegion(layer0, lx, ly, l.m_nWidth, lh);
    }
  }
  if (hovered) {
    CWindowButton& b = *hovered;
    CLayerImage& img = b.m_Image;
    const int x = w.m_nX + img.m_nX, y = w.m_nY + img.m_nY;
    const bool automode = std::string_view(b.m_szAction) == "automode";
    const int state = (b.m_nLook == 2 || (automode && autoOn)) ? 2 : 1;
    if (img.m_szName[0]) DrawWindowButton(img, x, y, state, 2, destinationLayer, sourceLayer);
    if (b.m_pLabel && b.m_pLabel->m_szName[0] && layer0) {
      CLayerImage& l = *b.m_pLabel;
      const int lx = w.m_nX + l.m_nX, ly = w.m_nY + l.m_nY, lh = StateHeight(l, l.m_nRowsLessOne);
      CopyRect(GetVirtualScreen(2), layer0, lx, ly, l.m_nWidth, lh);
      DrawWindowRegion(layer0, lx, ly, l.m_nWidth, lh);
      DrawLayerImage(l, lx, ly, layer0, 0, l.m_nRowsLessOne, 255, 0, 0);
    }
  }
  // 5. The plate is restored from the layer the window came from, so that
  // a stale picture of an older scene never shows around it.
  DrawWindowDecoration(w, dst, src);
}

void DrawWindowDecoration(CTextWindow& w, VirtualScreen* destination, const VirtualScreen* source) {
  if (!destination) return;
  const ScenePresentation& p = Presentation();
  if (!source) source = GetVirtualScreen(p.m_bRasterOn ? 2 : 1);
  int nw = 0, nh = 0;
  NamePlateSize(&nw, &nh);
  const int x = w.m_nX - 6, y = w.m_nY - 21;
  CopyRect(source, destination, x, y, nw, nh);
  if (!p.m_bNameWindowLoaded) return;
  const CLayerImage& pic = p.m_NameWindow;
  const int pw = pic.m_nWidth, ph = pic.m_nHeight;
  if (pw <= 0 || ph <= 0 || pic.m_Pixels.size() < static_cast<std::size_t>(pw) * ph) return;
  CBuffer dst = LayerView(destination);
  CBuffer src;
  SetupDibHeader(src, pw, 32, ph, const_cast<std::uint32_t*>(pic.m_Pixels.data()));
  AlphaBlitRect(dst, src, x, y, pw, ph, 0, 0);
}

void RedrawTextWindow(CTextWindow& w, int sourceLayer, bool present) {
  ScenePresentation& p = Presentation();
  const bool rebuilt = p.m_bLayersNeedRebuild == 1;
  if (rebuilt) {
    // Cleared first: the rebuild shows hidden windows, which redraws them
    // through here again.
    p.m_bLayersNeedRebuild = 0;
    RedrawLayers(0);
  }
  RedrawMessageWindow(sourceLayer, w, 3);
  if (!present) return;
  if (rebuilt) {
    PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr);
    return;
  }
  const int x0 = std::max(0, static_cast<int>(w.m_nX)), y0 = std::max(0, static_cast<int>(w.m_nY));
  const int x1 = std::min(kScreenWidth, w.m_nX + w.m_nWidth), y1 = std::min(kScreenHeight, w.m_nY + w.m_nHeight);
  if (x1 > x0 && y1 > y0) PresentRect(x0, y0, x1 - x0, y1 - y0, x0, y0, nullptr);
}

void CopyScreenRegion(const ScreenRect& r, VirtualScreen* destination, const VirtualScreen* source) {
  if (!destination || !source || destination == source) return;
  CBuffer dst = LayerView(destination);
  const CBuffer src = LayerView(source);
  if (dst.Empty() || src.Empty()) return;
  CopyPixelRect(dst, src, r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, r.left, r.top);
}

void CopyFullScreenRect(const ScreenRect* rect, const VirtualScreen* source, VirtualScreen* destination,
                        const ScreenRect& fallback) {
  if (!source) return;
  CopyScreenRegion(rect ? *rect : fallback, destination, source);
}

void BlendGaugeBar(const ScreenRect& r, int red, int percent, VirtualScreen* destination, const VirtualScreen* source,
                   int green, int blue) {
  if (!destination || !source) return;
  const int left = std::max(0, r.left), top = std::max(0, r.top);
  const int right = std::min(kScreenWidth - 1, r.right), bottom = std::min(kScreenHeight - 1, r.bottom);
  const int colour[3] = {blue & 0xFF, green & 0xFF, red & 0xFF};  // memory order B, G, R
  for (int y = top; y <= bottom; ++y) {
    const std::uint32_t* s = source->Pixels() + static_cast<std::size_t>(y) * kScreenWidth;
    std::uint32_t* d = destination->Pixels() + static_cast<std::size_t>(y) * kScreenWidth;
    for (int x = left; x <= right; ++x) {
      std::uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        int v = 0;
        if (percent == 0) {
          v = colour[c];
        } else {
          const int sc = static_cast<int>((s[x] >> (8 * c)) & 0xFF);
          v = percent > 0 ? std::min(255, sc + percent * colour[c] / 100)
                          : std::max(0, sc + percent * (255 - colour[c]) / 100);
        }
        out |= static_cast<std::uint32_t>(std::clamp(v, 0, 255)) << (8 * c);
      }
      d[x] = out;
    }
  }
}

namespace {

// What one gauge's rectangle held on the layer before its bar went on, and
// what it held right after: the bar is taken off only while the layer still
// shows exactly that (a recomposed layer is already clean).
struct GaugeBacking {
  const CGauge* gauge = nullptr;
  const VirtualScreen* layer = nullptr;
  ScreenRect rect;
  std::vector<std::uint32_t> under, over;
};
std::vector<GaugeBacking> g_GaugeBackings;

// The gauge's whole rectangle (width by height + 2 rows) inside the screen;
// false when nothing of it is on the screen.
bool GaugeArea(const CGauge& g, ScreenRect* r) {
  r->left = std::max(0, static_cast<int>(g.m_nX));
  r->top = std::max(0, static_cast<int>(g.m_nY));
  r->right = std::min(kScreenWidth - 1, g.m_nX + g.m_nWidth - 1);
  r->bottom = std::min(kScreenHeight - 1, g.m_nY + g.m_nHeight + 1);
  return r->left <= r->right && r->top <= r->bottom;
}

void ReadArea(const VirtualScreen* layer, const ScreenRect& r, std::vector<std::uint32_t>* out) {
  out->clear();
  for (int y = r.top; y <= r.bottom; ++y) {
    const std::uint32_t* row = layer->Pixels() + static_cast<std::size_t>(y) * kScreenWidth;
    out->insert(out->end(), row + r.left, row + r.right + 1);
  }
}

void WriteArea(VirtualScreen* layer, const ScreenRect& r, const std::vector<std::uint32_t>& in) {
  const std::size_t w = static_cast<std::size_t>(r.right - r.left + 1);
  std::size_t at = 0;
  for (int y = r.top; y <= r.bottom; ++y, at += w) {
    std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), w,
                layer->Pixels() + static_cast<std::size_t>(y) * kScreenWidth + r.left);
  }
}

GaugeBacking* FindBacking(const CGauge& g, const VirtualScreen* layer) {
  for (GaugeBacking& b : g_GaugeBackings) {
    if (b.gauge == &g && b.layer == layer) return &b;
  }
  return nullptr;
}

// Puts back the scene under the gauge's last bar when the layer still holds
// that bar; the backing is dropped either way.
void RestoreUnder(const CGauge& g, VirtualScreen* layer) {
  GaugeBacking* b = FindBacking(g, layer);
  if (!b) return;
  std::vector<std::uint32_t> now;
  if (b->under.size() == b->over.size()) {
    ReadArea(layer, b->rect, &now);
    if (now == b->over) WriteArea(layer, b->rect, b->under);
  }
  g_GaugeBackings.erase(g_GaugeBackings.begin() + (b - g_GaugeBackings.data()));
}

bool GaugeFilling(std::int32_t index) {
  for (const PendingOp& op : Scene().m_Ops) {
    if (op.code == OP_GAUGE_FILL && op.p[6] == index + 1) return true;
  }
  return false;
}

}  // namespace

void PutGaugeOnLayer(const CGauge& g, VirtualScreen* layer) {
  if (!layer || layer->m_Surface.Empty()) return;
  RestoreUnder(g, layer);
  ScreenRect area;
  if (!GaugeArea(g, &area)) return;
  GaugeBacking b;
  b.gauge = &g;
  b.layer = layer;
  b.rect = area;
  ReadArea(layer, area, &b.under);
  if (g.m_nMaximum > 0 && g.m_nWidth > 0) {
    const std::int32_t len = static_cast<std::int32_t>(g.m_nWidth) * g.m_nValue / g.m_nMaximum;
    if (len > 0) {
      const ScreenRect r{g.m_nX, g.m_nY, g.m_nX + len - 1, g.m_nY + g.m_nHeight + 1};
      BlendGaugeBar(r, g.m_nR, g.m_nBlend, layer, layer, g.m_nG, g.m_nB);
    }
  }
  ReadArea(layer, area, &b.over);
  g_GaugeBackings.push_back(std::move(b));
}

void TakeGaugeOffLayer(const CGauge& g, VirtualScreen* layer) {
  if (!layer || layer->m_Surface.Empty()) return;
  RestoreUnder(g, layer);
}

void DrawShownGauges(VirtualScreen* layer) {
  CObjectTables* t = Tables();
  if (!t || !layer) return;
  for (std::int32_t i = 0; i < t->GaugeCount(); ++i) {
    const CGauge* g = t->GaugeAt(i);
    if (!g || g->m_bShown == 0 || g->m_nDirection != 0 || GaugeFilling(i)) continue;
    PutGaugeOnLayer(*g, layer);
  }
}

int LoadBmpImage(const char* name, CArc* archive) {
  const std::string n = name ? name : "";
  if (n.empty()) {
    PictureBox(n, SJ("ファイルオープンエラー"));
    return 0;
  }
  const bool hasDot = n.find('.') != std::string::npos;
  const std::string tries[2] = {hasDot ? n : n + ".abm", hasDot ? n : n + ".bmp"};
  std::vector<std::uint8_t> bytes;
  std::string found;
  for (const std::string& t : tries) {
    const std::string path = "K:\\GRP\\" + t;
    pl::File f;
    if (!f.OpenRead(path)) continue;
    const std::int64_t size = f.Size();
    if (size <= 0 || static_cast<std::uint64_t>(size) > kPictureWorkBytes) {
      PictureBox(pl::DisplayPath(path), SJ("ファイルリードエラー"));
      return 0;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (!f.ReadExactAt(0, bytes.data(), bytes.size())) {
      PictureBox(pl::DisplayPath(path), SJ("ファイルリードエラー"));
      return 0;
    }
    found = t;
    break;
  }
  if (found.empty() && archive) {
    for (const std::string& t : tries) {
      const std::int64_t size = archive->GetSize(t);
      if (size < 0) continue;
      if (size == 0 || static_cast<std::uint64_t>(size) > kPictureWorkBytes) {
        PictureBox(t, SJ("ファイルリードエラー"));
        return 0;
      }
      bytes.resize(static_cast<std::size_t>(size));
      if (archive->Read(t, bytes.data(), bytes.size()) != size) {
        PictureBox(t, SJ("ファイルリードエラー"));
        return 0;
      }
      found = t;
      break;
    }
  }
  if (found.empty()) {
    PictureBox(n, SJ("ファイルオープンエラー"));
    return 0;
  }
  // Only the file's own name goes into "save\bmp": a folder part in the
  // script's name must not lead the export outside it. The separators are
  // looked for as characters, so the trail byte of "表" (95 5C) cuts
  // nothing.
  std::size_t cut = sjis::FindLastChar(found, '\\');
  const std::size_t slash = sjis::FindLastChar(found, '/');
  if (slash != std::string::npos && (cut == std::string::npos || slash > cut)) cut = slash;
  const std::string fileName = cut == std::string::npos ? found : found.substr(cut + 1);
  if (fileName.empty() || fileName == "." || fileName == "..") {
    PictureBox(n, SJ("ファイルオープンエラー"));
    return 0;
  }
  ExportBmp(fileName, bytes);
  return 1;
}
