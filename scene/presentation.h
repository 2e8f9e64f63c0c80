// The words the scene's drawing parts share for the whole run: the clear
// colour of the background, the layer-rebuild flag, the screen effect of
// `raster`, the caption colours of script buttons, the name window and
// cell pictures, the click-wait cursor's animation tick, the menu bar of
// the full-screen modes and the right-click binding of `rbtn`.
// Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/layer_image.h"

class CArc;
class IEngineHost;
class CMessageText;
class CObjectTables;
class CScriptEngine;
class CSettings;

struct ScenePresentation {
  std::uint32_t m_dwFillColor = 0;        // `fill`: 0x00RRGGBB
  std::int32_t m_bLayersNeedRebuild = 0;  // set by a composition without system sprites
  std::int32_t m_bRasterOn = 0;           // `raster` screen effect
  std::int32_t m_nRasterKind = 0;         // 0 ripple, 1 wave bands
  std::uint32_t m_dwCursorAnimStart = 0;  // click-wait cursor animation
  std::int32_t m_bMenuBarShown = 0;       // full-screen modes: menu attached
  std::int32_t m_nRightClickValue = -1;   // `rbtn`: -1 none
  // The last recomposition of an animated scene: what it drew and the
  // count of scene-layer draws after it (a tick that would draw the same
  // again leaves the layers alone).
  std::vector<std::int32_t> m_ComposedKey;
  std::uint32_t m_nComposedDraws = 0;
  bool m_bComposedKeyValid = false;

  // The name window above a message window and the two cells.
  CLayerImage m_NameWindow;
  CLayerImage m_MessageCell;
  CLayerImage m_NameCell;
  std::int32_t m_bNameWindowLoaded = 0;
  std::int32_t m_bMessageCellLoaded = 0;
  std::int32_t m_bNameCellLoaded = 0;
  CLayerImage m_RuleMask;  // `ud` 2: the ".msk" rule picture (1024 x 600 plane, caller kind 6)

  // The weather and scrolling-overlay layers as the composition sees them
  // (set by their owner; null: neither is running).
  bool (*m_pfnWeatherOrOverlayActive)() = nullptr;
  void (*m_pfnOverlayOff)() = nullptr;  // the overlay's state word back to 0
  // The backlog view draws its page again over a recomposed scene.
  void (*m_pfnRedrawBacklogPage)() = nullptr;

  // The parts of the running engine the scene works with: set by the engine
  // at start and cleared at its shutdown; tests set what they drive. The
  // engine pointer is null in tests that run without the engine object.
  CObjectTables* m_pTables = nullptr;
  CMessageText* m_pText = nullptr;
  CScriptEngine* m_pScript = nullptr;
  CSettings* m_pSettings = nullptr;
  IEngineHost* m_pEngine = nullptr;
};

// The process's presentation words (tests reset them).
ScenePresentation& Presentation();
void ResetPresentation();
// The fill colour as the COLORREF the surface fills take.
std::uint32_t FillColorRef();

// A picture file of the game whole: the loose file "grp\\<name>" first,
// then the member of the graphics archive. False when neither gives data.
bool LoadGraphicFile(const char* name, CArc* archive, std::vector<std::uint8_t>* out);
// The first run's pictures: the name window "namewnd1.abm" and the message
// and name cells "msgcell1.bmp", "namecell1.bmp". A picture that cannot be
// had is told in a box and left out; the run goes on without it.
void LoadNameWindow(CArc* archive);
// 1 when the cell was loaded into `record`.
int LoadCellImage(CLayerImage& record, const char* name, CArc* archive);
void LoadScenePictures(CArc* archive);
void ReleaseScenePictures();
