#include "graphics/weather.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/app_base.h"
#include "framework/arc.h"
#include "graphics/abm_image.h"
#include "graphics/blit.h"
#include "graphics/crt_random.h"
#include "graphics/transition.h"
#include "graphics/virtual_screen.h"
#include "platform/file.h"
#include "platform/resources.h"
#include "platform/text.h"

const WeatherImage CWeather::kImages[3][2] = {
    {{16, 16, 1, "SNOW01"}, {24, 24, 1, "SNOW02"}},
    {{16, 64, 1, "RAIN01"}, {24, 128, 1, "RAIN02"}},
    {{16, 16, 16, "HANA01"}, {24, 24, 16, "HANA02"}},
};

namespace {

CWeather* g_pWeather = nullptr;
COverlay* g_pOverlay = nullptr;

// 65 fixed values in 0..32767, read forward for the sine phases and
// backward for the start heights: the C runtime's sequence from seed 1.
const std::array<int, 65>& Seeds() {
  static const std::array<int, 65> seeds = [] {
    std::array<int, 65> s{};
    CrtRandom r;
    r.Seed(1);
    for (int& v : s) v = r.Next();
    return s;
  }();
  return seeds;
}

// Width and height of a picture file from its header (bytes 18 and 22);
// false for a file too short to hold them or of no usable size.
bool PictureSize(ByteSpan file, int* width, int* height) {
  if (file.size() < 26) return false;
  auto word = [&](std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(file[at]) | (static_cast<std::uint32_t>(file[at + 1]) << 8) |
                                     (static_cast<std::uint32_t>(file[at + 2]) << 16) |
                                     (static_cast<std::uint32_t>(file[at + 3]) << 24));
  };
  std::int32_t w = word(18), h = word(22);
  if (h < 0) h = -h;
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return false;
  *width = w;
  *height = h;
  return true;
}

// One horizontal (or vertical) run of a wrapped tiling: `length` screen
// pixels from `screen` show picture pixels from `image`.
struct Run {
  int screen, image, length;
};

// The pieces of a picture of size `size` placed at `pos` (which moves in
// -screenSize .. size), tiled with period `size`, over a screen line of
// `screenSize` pixels.
int WrapRuns(int pos, int size, int screenSize, Run runs[2]) {
  int n = 0;
  if (pos < 0) {
    int lead = std::min(-pos, screenSize);
    runs[n++] = Run{0, size - lead, lead};
    if (lead < screenSize) runs[n++] = Run{lead, 0, std::min(screenSize - lead, size)};
  } else {
    int first = std::min(size - pos, screenSize);
    if (first > 0) runs[n++] = Run{0, pos, first};
    if (size - pos < screenSize) {
      int at = std::max(size - pos, 0);
      runs[n++] = Run{at, 0, std::min(screenSize - at, size)};
    }
  }
  return n;
}

}  // namespace

int CWeather::Create(const std::int32_t* noEffect) {
  m_pNoEffect = noEffect;
  if (!LoadImages()) return 0;
  BuildParticles();
  return 1;
}

void CWeather::FreeImages() {
  for (int k = 0; k < 3; ++k) {
    m_Small[k].Destroy();
    m_Big[k].Destroy();
  }
}

int CWeather::LoadImages() {
  FreeImages();
  for (int kind = 0; kind < 3; ++kind) {
    for (int size = 0; size < 2; ++size) {
      std::span<const std::uint8_t> res = pl::FindResource("IMG", kImages[kind][size].resource);
      ByteSpan file(res.data(), res.size());
      int w = 0, h = 0;
      // A picture the program was built without stays empty: its particles
      // are not drawn.
      if (!PictureSize(file, &w, &h)) continue;
      CBuffer& buf = size ? m_Big[kind] : m_Small[kind];
      if (buf.Create(0, w, h, nullptr) != CBuffer::kCreateOk) {
        ShowWarning(size ? SJ("m_pcPixBig の作成に失敗しました。") : SJ("m_pcPix の作成に失敗しました。"));
        return 0;
      }
      DecodeAbm(file, buf);
    }
  }
  return 1;
}

void CWeather::BuildParticles() {
  const std::array<int, 65>& seed = Seeds();
  for (int i = 0; i < kParticles; ++i) {
    WeatherParticle& p = m_Particles[static_cast<std::size_t>(i)];
    p = WeatherParticle{};
    p.large = i < kLarge;
    p.startX = p.large ? 32 + 64 * i : -326 + 21 * i;
    p.startY = -(seed[static_cast<std::size_t>(64 - i)] % 600);
    p.x = p.startX;
    p.y = p.startY;
    p.tick = i % 16;
    p.phase = seed[static_cast<std::size_t>(i)] % 65;
  }
}

void CWeather::Start(int kind) {
  if (m_nState == 2) {
    m_nPending = kind;
    return;
  }
  m_nPending = 3;
  m_nState = 1;
  m_nKind = kind < 0 ? 2 : kind > 2 ? 0 : kind;
  m_nAlpha = 255;
  MeasureImages();
  Restart();
}

void CWeather::MeasureImages() {
  for (WeatherParticle& p : m_Particles) {
    const CBuffer& pic = Picture(m_nKind, p.large);
    p.width = pic.Width();
    p.height = pic.Height();
  }
}

void CWeather::Restart() {
  int large = 0, small = 0;
  for (WeatherParticle& p : m_Particles) {
    p.x = p.startX;
    p.y = p.startY;
    const int frames = kImages[m_nKind][p.large ? 1 : 0].frameCount;
    p.frame = (p.large ? large++ : small++) % std::max(frames, 1);
  }
}

void CWeather::Tick(CBuffer& target, int tick) {
  if (m_nState == 2 && tick == 1) {
    m_nAlpha -= m_nAlpha / 4;
    if (m_nAlpha < 16) m_nAlpha = 0;
  }
  if (m_nAlpha == 0) {
    m_nState = 0;
    if (m_nPending != 3) Start(m_nPending);
  }
  if (m_nState == 0 || (m_pNoEffect && *m_pNoEffect == 1)) return;
  for (WeatherParticle& p : m_Particles) MoveParticle(p, tick, target);
}

void CWeather::MoveParticle(WeatherParticle& p, int tick, CBuffer& target) {
  const WeatherImage& image = kImages[m_nKind][p.large ? 1 : 0];
  if (tick == 1) {
    bool visible = m_nKind == 1 ? FallParticle(p, image) : DriftParticle(p, image);
    if (!visible) return;
  }
  if (p.x >= -image.frameWidth && p.y >= -image.frameHeight) DrawParticle(p, image, target);
}

bool CWeather::DriftParticle(WeatherParticle& p, const WeatherImage& image) {
  if (p.y > 0) p.x += (transition::kSine[static_cast<std::size_t>(p.phase)] + 16) / 32 - 1;
  if (++p.phase > 64) p.phase = 0;
  if (++p.tick > 15) p.tick = 0;
  if (++p.frame >= image.frameCount) p.frame = 0;
  p.y += p.large ? 3 : 2;
  if (p.x >= 1024) p.x = p.x - image.frameWidth - 1024;
  if (p.y < 600) return true;
  if (p.y >= (p.large ? 603 : 602)) {
    p.x = p.startX;
    p.y = p.startY;
  }
  return false;
}

bool CWeather::FallParticle(WeatherParticle& p, const WeatherImage& image) {
  const int step = p.large ? 128 : 64;
  if (p.y > 0) p.x += 24;
  if (++p.tick > 15) p.tick = 0;
  if (++p.frame >= image.frameCount) p.frame = 0;
  p.y += step;
  if (p.x >= 1024) p.x = p.x - image.frameWidth - 1024;
  if (p.y < 600) return true;
  if (p.y >= 600 + step) {
    p.x = p.startX;
    p.y = p.startY;
  }
  return false;
}

void CWeather::DrawParticle(const WeatherParticle& p, const WeatherImage& image, CBuffer& target) {
  const CBuffer& pic = Picture(m_nKind, p.large);
  if (pic.Empty()) return;
  // The frame's rows of the picture, clipped to the picture and the target.
  int sx = 0, sy = p.frame * image.frameHeight;
  int w = std::min(image.frameWidth, pic.Width()), h = std::min(image.frameHeight, pic.Height() - sy);
  int dx = p.x, dy = p.y;
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  w = std::min(w, target.Width() - dx);
  h = std::min(h, target.Height() - dy);
  if (w <= 0 || h <= 0) return;
  AlphaBlt32(target, pic, dx, dy, w, h, sx, sy, m_nAlpha);
}

void CWeather::Destroy() {
  FreeImages();
  m_nState = 0;
  m_nAlpha = 0;
}

int COverlay::Open(const char* name, CArc* archive) {
  if (!LoadImage(name, archive)) return 0;
  m_nState = 1;
  m_nX = m_Image.Width();
  m_nY = m_Image.Height();
  m_nAlpha = 1;
  m_strName = name ? name : "";
  return 1;
}

int COverlay::Load(const char* name, CArc* archive) { return LoadImage(name, archive); }

int COverlay::LoadImage(const char* name, CArc* archive) {
  m_Image.Destroy();
  if (!name || !*name) return 0;
  std::vector<std::uint8_t> bytes;
  std::string file = std::string(name) + ".abm";
  if (!pl::ReadWholeFile(std::string("K:\\grp\\") + file, &bytes, 64u << 20) || bytes.empty()) {
    bytes.clear();
    std::int64_t size = archive ? archive->GetSize(file) : -1;
    if (size <= 0 || size > (64 << 20)) return 0;
    bytes.resize(static_cast<std::size_t>(size));
    if (archive->Read(file, bytes.data(), bytes.size()) != size) return 0;
  }
  ByteSpan span(bytes.data(), bytes.size());
  int w = 0, h = 0;
  if (!PictureSize(span, &w, &h)) return 0;
  if (m_Image.Create(0, w, h, nullptr) != CBuffer::kCreateOk) {
    ShowWarning(SJ("m_pcPixFr の作成に失敗しました。"));
    return 0;
  }
  DecodeAbm(span, m_Image);
  return 1;
}

void COverlay::Draw(int tick, CBuffer& target) {
  if (m_nState == 1 && tick == 1) m_nAlpha = std::clamp(m_nAlpha + (255 - m_nAlpha) / 4, 0, 255);
  if (m_nState == 2 && tick == 1) {
    m_nAlpha -= m_nAlpha / 4;
    if (m_nAlpha < 16) m_nAlpha = 0;
  }
  if (m_nAlpha == 0) m_nState = 0;
  const int W = m_Image.Width(), H = m_Image.Height();
  if (m_nState == 0 || (m_pNoEffect && *m_pNoEffect == 1) || m_Image.Empty() || W < 1024 || H < 600) return;
  const int sw = std::min(target.Width(), 1024), sh = std::min(target.Height(), 600);
  Run cols[2], rows[2];
  int nc = WrapRuns(m_nX, W, sw, cols), nr = WrapRuns(m_nY, H, sh, rows);
  for (int r = 0; r < nr; ++r) {
    for (int c = 0; c < nc; ++c) {
      AlphaBlt32(target, m_Image, cols[c].screen, rows[r].screen, cols[c].length, rows[r].length, cols[c].image,
                 rows[r].image, m_nAlpha);
    }
  }
  m_nX += m_nDx;
  if (m_nX < -1024) m_nX = W;
  if (m_nX > W) m_nX = -1024;
  m_nY += m_nDy;
  if (m_nY < -600) m_nY = H;
  if (m_nY > H) m_nY = -600;
}

void COverlay::Free() {
  m_Image.Destroy();
  m_nState = 0;
  m_nAlpha = 0;
}

void SetWeatherLayers(CWeather* weather, COverlay* overlay) {
  g_pWeather = weather;
  g_pOverlay = overlay;
}
CWeather* GetWeather() { return g_pWeather; }
COverlay* GetOverlay() { return g_pOverlay; }

void TickWeatherLayers(VirtualScreen* screen, int tick) {
  if (!screen) return;
  bool weather = g_pWeather && g_pWeather->m_nState != 0;
  bool overlay = g_pOverlay && g_pOverlay->m_nState != 0;
  if (!weather && !overlay) return;
  CBuffer view;
  SetupDibHeader(view, kScreenWidth, 32, kScreenHeight, screen->Pixels(), screen->m_Surface.m_pMmx);
  if (g_pWeather) g_pWeather->Tick(view, tick);
  if (g_pOverlay) g_pOverlay->Draw(tick, view);
}
