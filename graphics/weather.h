// The two layers drawn over the scene each frame: CWeather, 64 falling
// particles of snow, rain or petals from pictures built into the program,
// and COverlay, one large picture scrolled with wrap-around. Both fade by a
// layer alpha; both stand still and stay undrawn while screen effects are
// switched off. Main thread only.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "graphics/pixel_buffer.h"

class CArc;
struct VirtualScreen;

struct WeatherParticle {
  int x = 0, y = 0;
  int startX = 0, startY = 0;
  int width = 0, height = 0;  // the whole decoded picture of its kind and size
  bool large = false;
  int tick = 0;   // 0..15
  int frame = 0;  // animation frame
  int phase = 0;  // sine phase 0..64
};

struct WeatherImage {
  int frameWidth, frameHeight, frameCount;
  const char* resource;  // an "IMG" resource: an .abm picture, frames stacked
};

class CWeather {
 public:
  static constexpr int kParticles = 64;
  static constexpr int kLarge = 16;  // the first 16 particles are large
  // Small and large picture of snow (0), rain (1) and petals (2).
  static const WeatherImage kImages[3][2];

  CWeather() = default;
  CWeather(const CWeather&) = delete;
  CWeather& operator=(const CWeather&) = delete;

  // Keeps the switch, decodes the pictures, lays out the particles; 0 when
  // a picture could not be made (after the box).
  int Create(const std::int32_t* noEffect);
  int LoadImages();
  void FreeImages();
  void BuildParticles();
  // Kinds below 0 are petals, above 2 snow; while fading out the kind
  // waits for the fade's end.
  void Start(int kind);
  // The stop of the weather command: the layer fades out.
  void Stop() { m_nState = 2; }
  void MeasureImages();
  void Restart();
  void Tick(CBuffer& target, int tick);
  void Destroy();

  std::int32_t m_nState = 0;  // 0 off, 1 on, 2 fading out
  std::int32_t m_nAlpha = 0;
  std::int32_t m_nKind = 0;
  std::int32_t m_nPending = 3;  // 3: none
  std::array<WeatherParticle, kParticles> m_Particles{};

 private:
  void MoveParticle(WeatherParticle& p, int tick, CBuffer& target);
  bool DriftParticle(WeatherParticle& p, const WeatherImage& image);
  bool FallParticle(WeatherParticle& p, const WeatherImage& image);
  void DrawParticle(const WeatherParticle& p, const WeatherImage& image, CBuffer& target);
  const CBuffer& Picture(int kind, bool large) const { return large ? m_Big[kind] : m_Small[kind]; }

  CBuffer m_Small[3];  // m_pcPix of each kind
  CBuffer m_Big[3];    // m_pcPixBig
  const std::int32_t* m_pNoEffect = nullptr;
};

class COverlay {
 public:
  COverlay() = default;
  COverlay(const COverlay&) = delete;
  COverlay& operator=(const COverlay&) = delete;

  void SetNoEffect(const std::int32_t* noEffect) { m_pNoEffect = noEffect; }
  // Loads the picture and starts fading in from (width, height); 0 when it
  // is neither a loose file nor an archive member (no box).
  int Open(const char* name, CArc* archive);
  // The picture of a saved game, without touching the state.
  int Load(const char* name, CArc* archive);
  int LoadImage(const char* name, CArc* archive);
  void Draw(int tick, CBuffer& target);
  // The stop of the overlay command: an open layer fades out.
  void Stop() {
    if (m_nState == 1) m_nState = 2;
  }
  void Free();

  std::int32_t m_nState = 0;  // 0 off, 1 on / fading in, 2 fading out
  std::int32_t m_nAlpha = 0;
  std::int32_t m_nX = 0, m_nY = 0;
  std::int32_t m_nDx = 0, m_nDy = 0;
  std::string m_strName;
  const CBuffer& Image() const { return m_Image; }

 private:
  CBuffer m_Image;  // m_pcPixFr
  const std::int32_t* m_pNoEffect = nullptr;
};

// The layers the scene draws (owned by the engine object; null in tests
// that draw none).
void SetWeatherLayers(CWeather* weather, COverlay* overlay);
CWeather* GetWeather();
COverlay* GetOverlay();
// One tick of both layers onto a screen, when either is active.
void TickWeatherLayers(VirtualScreen* screen, int tick);
