#include "framework/d3d_screen.h"

#include <algorithm>

#include "platform/display.h"

PresenterBox FitPresenterBox(int clientWidth, int clientHeight, bool wideShape) {
  int num = wideShape ? 600 : 3, den = wideShape ? 1024 : 4;
  PresenterBox b;
  b.width = clientWidth;
  b.height = clientWidth * num / den;
  if (b.height >= clientHeight) {
    b.width = clientHeight * den / num;
    b.height = clientHeight;
  }
  b.x = (clientWidth - b.width) / 2;
  b.y = (clientHeight - b.height) / 2;
  return b;
}

int NextPowerOfTwo(int n) {
  int p = 2;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

void CD3DScreen::Init() {
  m_hWnd = nullptr;
  m_nTexWidth = m_nTexHeight = 0;
  m_nOffsetX = m_nOffsetY = 0;
  m_nWidth = m_nHeight = 0;
  m_bReady = 0;
  m_bWide = 1;
}

int CD3DScreen::Create(pl::Window* hWnd, int clientWidth, int clientHeight) {
  if (!hWnd || clientWidth <= 0 || clientHeight <= 0) return 0;
  PresenterBox box = FitPresenterBox(clientWidth, clientHeight, m_bWide != 0);
  m_hWnd = hWnd;
  m_nWidth = box.width;
  m_nHeight = box.height;
  m_nOffsetX = box.x;
  m_nOffsetY = box.y;
  int side = std::max(NextPowerOfTwo(1024), NextPowerOfTwo(600));
  m_nTexWidth = m_nTexHeight = side;
  pl::SetScaledView(hWnd, true, pl::Rect{m_nOffsetX, m_nOffsetY, m_nOffsetX + m_nWidth, m_nOffsetY + m_nHeight});
  m_bReady = 1;
  return 1;
}

int CD3DScreen::Render(int width, const std::uint32_t* pixels, int dstX, int dstY, int height, int srcX, int srcY) {
  if (width == 0 || height == 0 || !m_bReady) return 0;
  if (!pixels) return 1;
  // Coordinates are clamped to the picture; the copy itself clips too.
  auto clampX = [](int v) { return std::clamp(v, 0, 1024); };
  auto clampY = [](int v) { return std::clamp(v, 0, 600); };
  int sx = clampX(srcX), sy = clampY(srcY), dx = clampX(dstX), dy = clampY(dstY);
  int w = std::min(width, std::min(1024 - sx, 1024 - dx));
  int h = std::min(height, std::min(600 - sy, 600 - dy));
  if (w > 0 && h > 0) pl::PresentScaledPixels(m_hWnd, pixels, 1024 * 4, sx, sy, w, h, dx, dy);
  return 1;
}

void CD3DScreen::Release() {
  if (m_bReady && m_hWnd) pl::SetScaledView(m_hWnd, false, pl::Rect{});
  m_bReady = 0;
}
