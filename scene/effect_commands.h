// The commands that start the animated changes of the picture: screen
// transitions (`ud`), sprite effects (`ef`, `efex`), fades to and from
// black and white, and the immediate changes that prepare them (`cls`,
// `fill`, `mono`, `readal`). They animate nothing themselves: each fills
// the pending-operation table, and the steppers run it on the render tick.
// Main thread only.
#pragma once
#include <cstdint>

#include "graphics/layer_image.h"

class CScriptEngine;
class CScriptFrame;

// Plugs the screen-effect handlers into the interpreter and the colour
// tone of freshly loaded sprites into the picture loader.
void InstallEffectCommands(CScriptEngine& eng);

void CmdCls(CScriptEngine& eng, CScriptFrame& frame);
void CmdFill(CScriptEngine& eng, CScriptFrame& frame);
void CmdMono(CScriptEngine& eng, CScriptFrame& frame);
void CmdEf(CScriptEngine& eng, CScriptFrame& frame);
void CmdEfex(CScriptEngine& eng, CScriptFrame& frame);
void CmdBout(CScriptEngine& eng, CScriptFrame& frame);
void CmdBin(CScriptEngine& eng, CScriptFrame& frame);
void CmdWout(CScriptEngine& eng, CScriptFrame& frame);
void CmdWin(CScriptEngine& eng, CScriptFrame& frame);
void CmdUd(CScriptEngine& eng, CScriptFrame& frame);
void CmdReadal(CScriptEngine& eng, CScriptFrame& frame);

// The sprite-kind query: index 0 or more, that sprite shown and of an
// animated kind (1, 2 or 3); -1 any such sprite, -2 any of kind 2, -3 any
// of kind 1, -4 any of kind 3. 0 without a sprite table.
int HasVisibleSpriteKind(std::int32_t index);

// The tone of `mono` (0 none, else 1..9) that freshly loaded sprites get.
std::int32_t GetSpriteTone();
void SetSpriteTone(std::int32_t tone);
// Tones one sprite: only a shown sprite of class 0; kinds 1 and 3 by
// frames, 2 by groups, 24 and 32 by the pixel filter; 8 and -8 never.
void ApplySpriteTone(CLayerImage& sprite, std::int32_t tone);
// Every sprite of the table toned (the `mono` command's share).
void ApplyBackgroundTone(std::int32_t tone);

// Pending-operation codes the commands start.
enum : std::int32_t {
  OP_CUT = 5,
  OP_DISSOLVE = 6,
  OP_RULE = 7,
  OP_BLACK_OUT = 71,
  OP_BLACK_IN = 72,
  OP_WHITE_OUT = 73,
  OP_WHITE_IN = 74,
  OP_GAUGE_FILL = 76,
};
