// Drawing of image records onto the virtual screens by kind, blend mode and
// opacity, with the part animation of kinds 1, 2 and 3 (sequences,
// blinking, voice-driven mouths) and the redraw of window buttons.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/layer_image.h"
#include "graphics/virtual_screen.h"

// What drawing needs from the layers above graphics (the sprite table, the
// settings, the voice, the effects); each may stay null.
struct LayerDrawHooks {
  // Window opacity in percent for message-window parts (null: 100).
  int (*windowOpacityPercent)() = nullptr;
  // Whether the record is sprite 0, the background.
  bool (*isBackground)(const CLayerImage& record) = nullptr;
  // Whether the record is the last named normal sprite of the table.
  bool (*isLastNormalSprite)(const CLayerImage& record) = nullptr;
  // Steps a running raster effect on layer 3; false when none runs.
  bool (*stepRasterEffect)(VirtualScreen* layer3) = nullptr;
  void (*drawWeatherAndOverlay)(VirtualScreen* screen, int argument) = nullptr;
  // The speaking voice: milliseconds since it started and its rest
  // intervals (start, end pairs); false when there is none.
  bool (*voiceTiming)(std::uint32_t* elapsedMs, const std::uint32_t** pairs, int* pairCount) = nullptr;
  // Restores what lies under a window button (the window part, or the
  // history window during the backlog view) before the button is drawn.
  void (*redrawUnderButton)(VirtualScreen* destination, int x, int y, int width, int height) = nullptr;
};
void SetLayerDrawHooks(const LayerDrawHooks& hooks);
const LayerDrawHooks& GetLayerDrawHooks();

// Draws state `state` of `statesLessOne` + 1 stacked states at (x, y).
// With the redirect flag, a normal sprite meant for layer 2 goes to layer
// 3 (the scene is composed there and copied up after the last sprite).
void DrawLayerImage(CLayerImage& record, int x, int y, VirtualScreen* destination, int state, int statesLessOne,
                    int opacity, int redirect, int effectArgument);
// Destination selector: 0 layer 1, 1 layer 2, 2 layer 3, other layer 0;
// source selector: 0 layer 1, 2 layer 3, 3 layer 0, other layer 2.
void DrawWindowButton(CLayerImage& record, int x, int y, int state, int statesLessOne, int destinationSelector,
                      int sourceSelector);
// The weather and overlay layers onto a screen: argument 1 asks for their
// step (the render tick's drawings; the scene grants one a tick), 0 draws
// them where they are.
void DrawWeatherAndOverlay(VirtualScreen* screen, int argument);

// The animation of kinds 1 to 3 apart from drawing. FramesToShow gives
// the frames a draw now would show (kinds 1 and 3: one frame; kind 2: the
// base's part, then each group's frame), FramesShown the frames of the
// record's last draw in the same order; both are empty for a record that
// is not animated or cannot be drawn. StepAnimation moves the sequences on
// one tick as a draw does, without drawing.
void FramesToShow(const CLayerImage& record, std::vector<std::int32_t>* out);
void FramesShown(const CLayerImage& record, std::vector<std::int32_t>* out);
void StepAnimation(CLayerImage& record);
// How many times a record was drawn onto layer 2 or 3, where the scene is
// composed: a composition that notes it can tell when another drew there.
std::uint32_t SceneLayerDraws();

// The per-kind routines (the record's own position is not used).
void DrawFrameImage(CLayerImage& record, int x, int y, VirtualScreen* screen);
void DrawImageKind3(CLayerImage& record, int x, int y, VirtualScreen* screen, int opacity);
void DrawImage32(CLayerImage& record, int x, int y, VirtualScreen* screen, int state, int stateHeight, int opacity);
void DrawIndexedImage(CLayerImage& record, int x, int y, VirtualScreen* screen, int state, int stateHeight);
void DrawImageFrames(CLayerImage& record, int x, int y, VirtualScreen* screen, int opacity);
