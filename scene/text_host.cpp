#include "scene/text_host.h"

#include <algorithm>

#include "engine/engine_host.h"
#include "engine/read_mark_file.h"
#include "engine/script_engine.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "graphics/blit.h"
#include "graphics/virtual_screen.h"
#include "scene/compose.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"

namespace {

CObjectTables* Tables() {
  CObjectTables* t = Presentation().m_pTables;
  return t ? t : GetObjectTables();
}

CTextWindow* WindowAt(std::int32_t index) {
  CObjectTables* t = Tables();
  return t ? t->WindowAt(index) : nullptr;
}

// Source selector of the window redraw: the scene without windows.
constexpr int kFromSceneLayer = 1;

}  // namespace

void CSceneTextHost::RedrawWindow(std::int32_t index, bool present) {
  if (CTextWindow* w = WindowAt(index)) RedrawTextWindow(*w, kFromSceneLayer, present);
}

void CSceneTextHost::RestoreArea(int x, int y, int w, int h) { DrawWindowRegion(GetVirtualScreen(0), x, y, w, h); }

void CSceneTextHost::RestoreNamePlate(std::int32_t index) {
  if (CTextWindow* w = WindowAt(index)) DrawWindowDecoration(*w, GetVirtualScreen(0), GetVirtualScreen(2));
}

void CSceneTextHost::DrawChoiceHighlight(int x, int y, int w, int h) {
  const ScenePresentation& p = Presentation();
  if (!p.m_bMessageCellLoaded) return;
  const CLayerImage& cell = p.m_MessageCell;
  VirtualScreen* layer0 = GetVirtualScreen(0);
  const int cw = std::min<int>(w, cell.m_nWidth), ch = std::min<int>(h, cell.m_nHeight);
  if (!layer0 || cw <= 0 || ch <= 0) return;
  if (cell.m_Pixels.size() < static_cast<std::size_t>(cell.m_nWidth) * cell.m_nHeight) return;
  CBuffer dst, src;
  SetupDibHeader(dst, kScreenWidth, 32, kScreenHeight, layer0->m_Surface.m_pcPix, GetMmxFlag());
  SetupDibHeader(src, cell.m_nWidth, 32, cell.m_nHeight, const_cast<std::uint32_t*>(cell.m_Pixels.data()));
  // A cell with its own alpha is blended; a plain bitmap is laid on.
  if (cell.m_nKind == 32)
    AlphaBlitRect(dst, src, x, y, cw, ch, 0, 0);
  else
    CopyPixelRect(dst, src, x, y, cw, ch, 0, 0);
}

bool CSceneTextHost::NameWindow(int* w, int* h) {
  const ScenePresentation& p = Presentation();
  if (!p.m_bNameWindowLoaded) return false;
  if (w) *w = p.m_NameWindow.m_nWidth;
  if (h) *h = p.m_NameWindow.m_nHeight;
  return true;
}

// The cursor glides onto the point when gliding is on and the window is
// active; otherwise it stays where the player left it, as on the screens.
void CSceneTextHost::GlideCursorTo(int x, int y) { ::GlideCursorTo(pl::Point{x, y}); }

bool CSceneTextHost::IsCurrentLineRead() {
  const ScenePresentation& p = Presentation();
  if (!p.m_pEngine || !p.m_pScript) return false;
  const CScriptEngine& eng = *p.m_pScript;
  const std::string key = ReadMarkKey(eng.m_Root.m_strFile, eng.m_strLabel, eng.m_strLocalLabel);
  return eng.m_Root.m_nLine < p.m_pEngine->ReadMarkLine(key);
}

void CSceneTextHost::DrawHistoryWindow() {
  CObjectTables* t = Tables();
  VirtualScreen* layer0 = GetVirtualScreen(0);
  VirtualScreen* layer2 = GetVirtualScreen(2);
  if (!t || !layer0) return;
  const CTextWindow& h = t->m_History;
  const CLayerImage& pic = h.m_Frame;
  const int px = h.m_nX + h.m_nFrameX, py = h.m_nY + h.m_nFrameY;
  const bool hasPicture = pic.m_nWidth > 0 && pic.m_nHeight > 0 &&
                          pic.m_Pixels.size() >= static_cast<std::size_t>(pic.m_nWidth) * pic.m_nHeight;
  // The area the window and its picture cover, inclusive, on the screen.
  int left = h.m_nX, top = h.m_nY, right = h.m_nX + h.m_nWidth - 1, bottom = h.m_nY + h.m_nHeight - 1;
  if (hasPicture) {
    left = std::min(left, px);
    top = std::min(top, py);
    right = std::max(right, px + pic.m_nWidth - 1);
    bottom = std::max(bottom, py + pic.m_nHeight - 1);
  }
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, kScreenWidth - 1);
  bottom = std::min(bottom, kScreenHeight - 1);
  if (right < left || bottom < top) return;
  if (layer2) CopyScreenRect(left, top, right, bottom, left, top, layer2, layer0);
  if (!hasPicture) return;
  CBuffer dst, src;
  SetupDibHeader(dst, kScreenWidth, 32, kScreenHeight, layer0->m_Surface.m_pcPix, GetMmxFlag());
  SetupDibHeader(src, pic.m_nWidth, 32, pic.m_nHeight, const_cast<std::uint32_t*>(pic.m_Pixels.data()), GetMmxFlag());
  const int x0 = std::max(px, 0), y0 = std::max(py, 0);
  const int x1 = std::min(px + pic.m_nWidth, kScreenWidth), y1 = std::min(py + pic.m_nHeight, kScreenHeight);
  if (x1 > x0 && y1 > y0) AlphaBlitRect(dst, src, x0, y0, x1 - x0, y1 - y0, x0 - px, y0 - py);
}
