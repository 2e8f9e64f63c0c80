#include "framework/ddraw.h"

#include <algorithm>
#include <cstring>

#include "framework/app_base.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "platform/text.h"
#include "platform/window.h"

CDDraw* GetDDraw() {
  CAppBase* app = GetApp();
  return app ? app->m_pDDraw : nullptr;
}

CDDraw::CDDraw() = default;

CDDraw::~CDDraw() { Release(); }

int CDDraw::Init(pl::Window* hWnd) {
  m_hWnd = hWnd;
  m_bFullScreen = 0;
  ReadDesktop();
  for (const pl::DisplayModeInfo& m : pl::ListDisplayModes()) OnEnumMode(m);
  SortModes();
  return 1;
}

void CDDraw::ReadDesktop() { m_Desktop = pl::GetDesktopDisplayMode(); }

bool CDDraw::IsNewMode(int width, int height) const {
  for (const pl::DisplayModeInfo& m : m_Modes) {
    if (m.width == width && m.height == height) return false;
  }
  return true;
}

void CDDraw::OnEnumMode(const pl::DisplayModeInfo& mode) {
  ReleaseScopedLock lock(m_Lock);
  if (mode.bits != m_Desktop.bits || mode.width < mode.height || mode.width <= 1023 || mode.height <= 599) return;
  if (!IsNewMode(mode.width, mode.height)) return;
  m_Modes.push_back(mode);
  ++m_nCount;
}

void CDDraw::SortModes() {
  ReleaseScopedLock lock(m_Lock);
  std::vector<std::uint32_t> keys;
  keys.reserve(m_Modes.size());
  for (const pl::DisplayModeInfo& m : m_Modes) {
    keys.push_back(static_cast<std::uint32_t>(m.width) * 65536u + static_cast<std::uint32_t>(m.height));
  }
  std::sort(keys.begin(), keys.end());
  m_Sorted.clear();
  for (std::uint32_t key : keys) {
    for (const pl::DisplayModeInfo& m : m_Modes) {
      if (static_cast<std::uint32_t>(m.width) * 65536u + static_cast<std::uint32_t>(m.height) == key) {
        m_Sorted.push_back(m);
        break;
      }
    }
  }
}

void CDDraw::GetMode(int index, int* width, int* height) {
  ReleaseScopedLock lock(m_Lock);
  if (index < 0 || index >= static_cast<int>(m_Sorted.size())) return;
  if (width) *width = m_Sorted[static_cast<std::size_t>(index)].width;
  if (height) *height = m_Sorted[static_cast<std::size_t>(index)].height;
}

int CDDraw::FindMode(int width, int height) {
  ReleaseScopedLock lock(m_Lock);
  for (std::size_t i = 0; i < m_Sorted.size(); ++i) {
    if (m_Sorted[i].width == width && m_Sorted[i].height == height) return static_cast<int>(i);
  }
  return -1;
}

int CDDraw::ModeCount() {
  ReleaseScopedLock lock(m_Lock);
  return static_cast<int>(m_Sorted.size());
}

int CDDraw::CreateMovieSurface(int width, int height) {
  ReleaseScopedLock lock(m_Lock);
  m_Surface = MovieSurface{};
  return CreateOffscreen(height, width, m_Surface);
}

int CDDraw::CreateOffscreen(int height, int width, MovieSurface& record) {
  // A movie of no size, or one no screen could hold, gets no surface.
  constexpr int kMaxSide = 8192;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    ShowWarning(SJ("CreateSurface()のエラーです。\nビデオカードドライバを最新の物に更新してください。\n"
                   "詳細は各ビデオカードまたはビデオカードドライバの製造元にお問い合わせください。"));
    return 0;
  }
  record.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
  record.pitch = width * 4;
  record.width = width;
  record.height = height;
  return 1;
}

void CDDraw::DrawSurface(pl::Window*, int width, int height, int x, int y) {
  ReleaseScopedLock lock(m_Lock);
  if (!m_Surface.Valid()) return;
  width = std::min(width, m_Surface.width);
  height = std::min(height, m_Surface.height);
  pl::Rect r{x, y, x + width, y + height};
  // In the desktop full-screen mode the rectangle of the screen is shown
  // scaled: the surface's rows go where the screen's would.
  if (GetDisplayMode() == 1 && x >= 0 && y >= 0 && x + width <= 1024 && y + height <= 600) {
    m_Scaled.resize(1024 * 600);
    std::vector<std::uint32_t>& screen = m_Scaled;
    for (int row = 0; row < height; ++row) {
      std::memcpy(&screen[static_cast<std::size_t>(y + row) * 1024 + static_cast<std::size_t>(x)],
                  &m_Surface.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_Surface.width)],
                  static_cast<std::size_t>(width) * 4);
    }
    PresentScaledRect(r, screen.data());
  }
  BlitToWindowDc(m_Surface.pixels.data(), m_Surface.pitch, x, y, width, height);
}

void CDDraw::CopySurface(int bufferHeight, pl::Window* target, std::uint32_t* buffer, int stride, int x, int y) {
  {
    ReleaseScopedLock lock(m_Lock);
    const int w = m_Surface.width, h = m_Surface.height;
    // The program's buffers run top-down like the surface: surface row r is
    // buffer row y + r, whatever the buffer's height.
    if (m_Surface.Valid() && buffer && x >= 0 && y >= 0 && x + w <= 1024 && y + h <= 600 && y + h <= bufferHeight &&
        x + w <= stride) {
      for (int row = 0; row < h; ++row) {
        std::memcpy(buffer + static_cast<std::size_t>(y + row) * static_cast<std::size_t>(stride) + x,
                    &m_Surface.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(w)],
                    static_cast<std::size_t>(w) * 4);
      }
      return;
    }
  }
  DrawSurface(target, stride, bufferHeight, x, y);
}

void CDDraw::Release() {
  ReleaseScopedLock lock(m_Lock);
  m_Surface = MovieSurface{};
}
