// CDDraw: the program's display device. It lists the display modes that can
// show the 1024 x 600 picture (the full-screen mode that changes the
// resolution picks from them) and owns the off-screen surface the movie
// player decodes into, with the routines that draw that surface to the
// window or copy it into a pixel buffer.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/critical_section.h"
#include "platform/display.h"

namespace pl {
class Window;
}

// A 32-bit surface in system memory: B, G, R and an unused byte per pixel.
struct MovieSurface {
  std::vector<std::uint32_t> pixels;
  int pitch = 0;  // bytes
  int width = 0, height = 0;
  bool Valid() const { return width > 0 && height > 0; }
};

class CDDraw {
 public:
  CDDraw();
  ~CDDraw();
  CDDraw(const CDDraw&) = delete;
  CDDraw& operator=(const CDDraw&) = delete;

  // Keeps the window, reads the desktop's mode and lists the usable modes
  // (none is no failure: the modes that change the resolution are then
  // refused). 1.
  int Init(pl::Window* hWnd);
  void ReadDesktop();
  // Kept when it has the desktop's bit depth, is at least 1024 x 600, not
  // taller than wide, and its size is not listed yet.
  void OnEnumMode(const pl::DisplayModeInfo& mode);
  bool IsNewMode(int width, int height) const;
  void SortModes();
  // The sorted entry `index`; outside the list the outputs are left alone.
  void GetMode(int index, int* width, int* height);
  // The index of the first sorted entry of that size, or -1.
  int FindMode(int width, int height);
  int ModeCount();

  // A fresh movie surface of that size, cleared to 0; 1 / 0 (after the box).
  int CreateMovieSurface(int width, int height);
  int CreateOffscreen(int height, int width, MovieSurface& record);
  // The movie surface to the window at (x, y) (scaled in the desktop
  // full-screen mode). Safe from the movie thread.
  void DrawSurface(pl::Window* target, int width, int height, int x, int y);
  // The surface into a top-down 32-bit buffer of `stride` pixels a row and
  // bufferHeight rows, its top row at row y, column x; a surface that would
  // not fit the 1024 x 600 screen (or the buffer) there is drawn to the
  // window instead.
  void CopySurface(int bufferHeight, pl::Window* target, std::uint32_t* buffer, int stride, int x, int y);
  void Release();

  // The movie player writes decoded frames here, under Lock().
  MovieSurface& Surface() { return m_Surface; }
  CCriticalSection& Lock() { return m_Lock; }
  const pl::DisplayModeInfo& Desktop() const { return m_Desktop; }

  std::int32_t m_bRgb = 0;
  std::int32_t m_bFullScreen = 1;

 private:
  pl::Window* m_hWnd = nullptr;
  MovieSurface m_Surface;
  std::vector<std::uint32_t> m_Scaled;  // the screen-sized copy the scaled view presents from
  CCriticalSection m_Lock;
  pl::DisplayModeInfo m_Desktop{0, 0, 0, 0};
  std::vector<pl::DisplayModeInfo> m_Modes;   // in the order the display gave them
  std::vector<pl::DisplayModeInfo> m_Sorted;  // by width, then height
  int m_nCount = 0;
};

// The program's device (null before start-up made it).
CDDraw* GetDDraw();
