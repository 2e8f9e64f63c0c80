// CD3DScreen: the presenter of the full screen at the desktop resolution.
// The 1024 x 600 picture is scaled into the largest box of its shape that
// fits the window, centred; the platform's scaled view draws it with linear
// filtering and keeps the bars black.
#pragma once
#include <cstdint>

#include "platform/window.h"

// The largest box of the picture's shape (1024:600, or 4:3) inside a client,
// in integer arithmetic as the presenter has always computed it.
struct PresenterBox {
  int x = 0, y = 0, width = 0, height = 0;
};
PresenterBox FitPresenterBox(int clientWidth, int clientHeight, bool wideShape = true);

// The smallest power of two from 2 up that is at least n.
int NextPowerOfTwo(int n);

class CD3DScreen {
 public:
  CD3DScreen() { Init(); }
  ~CD3DScreen() { Release(); }
  CD3DScreen(const CD3DScreen&) = delete;
  CD3DScreen& operator=(const CD3DScreen&) = delete;

  void Init();
  // 1 when the presenter is ready for the window's client size.
  int Create(pl::Window* hWnd, int clientWidth, int clientHeight);
  // Uploads a rectangle of the 1024 x 600 pixels (from (srcX, srcY) to
  // (dstX, dstY)) and shows the picture; 0 when there is nothing to do.
  int Render(int width, const std::uint32_t* pixels, int dstX, int dstY, int height, int srcX, int srcY);
  void Release();

  bool Ready() const { return m_bReady != 0; }
  // The box in client coordinates.
  int GetX() const { return m_nOffsetX; }
  int GetY() const { return m_nOffsetY; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }

 private:
  pl::Window* m_hWnd = nullptr;
  int m_nTexWidth = 0, m_nTexHeight = 0;
  int m_nOffsetX = 0, m_nOffsetY = 0;
  int m_nWidth = 0, m_nHeight = 0;
  int m_bReady = 0;
  int m_bWide = 1;
};
