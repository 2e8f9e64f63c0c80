// The commands that put declared objects on the screen and take them off:
// message windows (with their timed fade), background, CG and character
// sprites, exported pictures, the script's buttons and gauges, the raster
// screen effect, the weather and overlay layers, and the button wait. The sprite commands only change the
// records and prepare the layers; the picture changes on the next render
// tick or transition. Main thread only.
#pragma once
#include <cstdint>
#include <string>

#include "graphics/layer_image.h"
#include "scene/command_args.h"

class CScriptEngine;
class CScriptFrame;
struct VirtualScreen;

// Plugs the show/hide and widget handlers into the interpreter.
void InstallShowCommands(CScriptEngine& eng);

void CmdWndon(CScriptEngine& eng, CScriptFrame& frame);
void CmdWndoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdChon(CScriptEngine& eng, CScriptFrame& frame);
void CmdChoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdBmp(CScriptEngine& eng, CScriptFrame& frame);
void CmdBgon(CScriptEngine& eng, CScriptFrame& frame);
void CmdCgon(CScriptEngine& eng, CScriptFrame& frame);
void CmdBgoff(CScriptEngine& eng, CScriptFrame& frame);  // also cgoff
void CmdAnmnum(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtnset(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtnreset(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtnon(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtnoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtnenable(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtndisable(CScriptEngine& eng, CScriptFrame& frame);
void CmdRbtn(CScriptEngine& eng, CScriptFrame& frame);
void CmdGgon(CScriptEngine& eng, CScriptFrame& frame);
void CmdGgoff(CScriptEngine& eng, CScriptFrame& frame);
void CmdRaster(CScriptEngine& eng, CScriptFrame& frame);
void CmdFall(CScriptEngine& eng, CScriptFrame& frame);
void CmdFilter(CScriptEngine& eng, CScriptFrame& frame);

// Position codes of `chon`'s x.
enum : std::int32_t { kPosLeft = -16, kPosCentre = -15, kPosRight = -14, kPosKeep = -13 };
// The named constants LEFT to NON, which mean the codes -16 to -13.
enum : std::int32_t { kPosWordLeft = 0xFFF0, kPosWordNon = 0xFFF3 };

// Puts picture `name` into sprite `index` as a character: x is a position
// code or the x itself, moved by the sprite's alignment (never for -13).
// A sprite of class 3 is hidden instead. false when nothing was shown.
bool ShowSprite(std::int32_t index, std::int32_t xOrCode, const std::string& name, std::int32_t y,
                std::int32_t frame, std::int32_t rowsLessOne);
// A gauge's bar at its value drawn into layer 2 and brought onto the screen.
struct CGauge;
void DrawGaugeBar(const CGauge& gauge);
// Hides sprite `index`, or every normal sprite from 1 on for -1.
void HideSprite(std::int32_t index);
// As HideSprite, with a warning when the sprite was not shown.
void HideSpriteChecked(std::int32_t index);

// The group bytes the show commands write into a sprite's state bytes:
// put up by bgon/cgon, and by chon.
inline std::uint8_t& BackgroundFlag(CLayerImage& s) { return s.m_State0[3]; }
inline std::uint8_t& CharacterFlag(CLayerImage& s) { return s.m_State1[0]; }

// --- shared by the scene's command handlers (the argument readers and the
// debug box are in scene/command_args.h)
// The whole 1024 x 600 presented picture to the window.
void PresentWholeScreen();
// Copies all of layer `source` into layer `destination` (missing layers:
// nothing).
void CopyLayer(int destination, int source);
// The operation start: PendingState 1 (0x20000 when it was 0x10000) and,
// unless the script's mode word locks them, saving and loading closed.
void StartSceneOperation(CScriptEngine& eng);
// Saving and loading open again unless the mode word locks them.
void AllowSaveLoad(CScriptEngine& eng);
// One pump-and-pace pass of the blocking loops; 0 once the program quits.
int PumpScenePass();
// Ctrl ends the blocking loops.
bool IsCtrlDown();
// Skipping: run mode 4 or 8.
bool IsSkipping();
// The settings' screen-effects switch is off: effects show their end.
bool EffectsSwitchedOff();
