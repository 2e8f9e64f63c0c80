#include "scene/effect_commands.h"

#include <algorithm>
#include <limits>
#include <string>

#include "engine/command_table.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "graphics/blit.h"
#include "graphics/virtual_screen.h"
#include "platform/text.h"
#include "platform/time.h"
#include "scene/compose.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"
#include "scene/show_commands.h"
#include "scene/sprite_effect_stepper.h"

namespace {

std::int32_t g_nSpriteTone = 0;

constexpr std::int32_t kTickMs = 33;

std::int32_t Now() { return static_cast<std::int32_t>(pl::TickMs()); }

bool Animated(const CLayerImage& s) { return s.m_nKind == 1 || s.m_nKind == 2 || s.m_nKind == 3; }

// Every message window hidden; the layers are rebuilt when one shows again.
void HideAllWindows() {
  CObjectTables* t = GetObjectTables();
  if (!t) return;
  for (std::int32_t i = 0; i < t->WindowCount(); ++i) t->WindowAt(i)->m_nState = 2;
  Presentation().m_bLayersNeedRebuild = 1;
}

// The alignment's share of a target x (1 centred, 2 right edge).
std::int32_t Aligned(const CLayerImage& s, std::int32_t x, int sign) {
  if (s.m_nAlign == 1) return x + sign * (s.m_nWidth / 2);
  if (s.m_nAlign == 2) return x + sign * s.m_nWidth;
  return x;
}

void ToneHook(CLayerImage& record) {
  if (g_nSpriteTone != 0) ApplySpriteTone(record, g_nSpriteTone);
}

CLayerImage* EffectSprite(const char* cmd, std::int32_t index) {
  CObjectTables* t = GetObjectTables();
  CLayerImage* s = t ? t->SpriteAt(index) : nullptr;
  if (!s) SceneDebugBox(FormatText(SJ("%s コマンドのスプライト指定が間違っています。"), cmd));
  return s;
}

// A sprite index, or -1 for the whole screen, as the effect takes it.
bool SpriteOrScreen(const char* cmd, std::int32_t index) { return index == -1 || EffectSprite(cmd, index); }

// Shared by bout, bin, wout and win: the scene composed without windows,
// every shown window taken off the screen, then the fade.
void StartFade(CScriptEngine& eng, std::int32_t code) {
  ComposeSprites(false);
  if (CObjectTables* t = GetObjectTables()) {
    VirtualScreen* l0 = GetVirtualScreen(0);
    VirtualScreen* l2 = GetVirtualScreen(2);
    for (std::int32_t i = 0; i < t->WindowCount(); ++i) {
      CTextWindow& w = *t->WindowAt(i);
      if (w.m_nState != 1) continue;
      if (l0 && l2 && w.m_nWidth > 0 && w.m_nHeight > 0) {
        CopyScreenRect(w.m_nX, w.m_nY, w.m_nX + w.m_nWidth - 1, w.m_nY + w.m_nHeight - 1, w.m_nX, w.m_nY, l2, l0);
        PresentRect(w.m_nX, w.m_nY, w.m_nWidth, w.m_nHeight, w.m_nX, w.m_nY, nullptr);
      }
      w.m_nState = 2;
    }
  }
  // A fade of no time ends on its first tick (the stepper divides by it).
  const std::int32_t time = std::max<std::int32_t>(1, ScriptArgInt(eng, 1));
  SetPendingOp(code, time, Now());
}

}  // namespace

std::int32_t GetSpriteTone() { return g_nSpriteTone; }
void SetSpriteTone(std::int32_t tone) { g_nSpriteTone = tone; }

int HasVisibleSpriteKind(std::int32_t index) {
  CObjectTables* t = GetObjectTables();
  if (!t) return 0;
  if (index >= 0) {
    const CLayerImage* s = t->SpriteAt(index);
    return s && s->m_szName[0] != '\0' && Animated(*s) ? 1 : 0;
  }
  for (std::int32_t i = 0; i < t->SpriteCount(); ++i) {
    const CLayerImage& s = *t->SpriteAt(i);
    if (s.m_szName[0] == '\0') continue;
    switch (index) {
      case -1:
        if (Animated(s)) return 1;
        break;
      case -2:
        if (s.m_nKind == 2) return 1;
        break;
      case -3:
        if (s.m_nKind == 1) return 1;
        break;
      case -4:
        if (s.m_nKind == 3) return 1;
        break;
      default:
        return 0;
    }
  }
  return 0;
}

void ApplySpriteTone(CLayerImage& s, std::int32_t tone) {
  if (s.m_szName[0] == '\0' || s.m_nClass != 0) return;
  switch (s.m_nKind) {
    case 1:
    case 3:
      ApplyImageTone(s, tone);
      break;
    case 2:
      ApplyImageToneFrames(s, tone);
      break;
    case 24:
    case 32:
      // 2 to 8 are the colour tones; anything else is grey.
      ApplyTone(s.m_Pixels.data(), s.m_Pixels.size(), (tone >= 2 && tone <= 8) ? tone : 0);
      break;
    default:
      break;
  }
}

void ApplyBackgroundTone(std::int32_t tone) {
  CObjectTables* t = GetObjectTables();
  if (!t) return;
  for (std::int32_t i = 0; i < t->SpriteCount(); ++i) ApplySpriteTone(*t->SpriteAt(i), tone);
}

void CmdCls(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = GetObjectTables();
  CTextWindow* w = t ? t->WindowAt(ScriptArgInt(eng, 1)) : nullptr;
  if (!w) {
    SceneDebugBox(SJ("cls コマンドのウィンドウ番号指定が間違っています。"));
    return;
  }
  w->HomeText();
  ScenePresentation& look = Presentation();
  if (look.m_bLayersNeedRebuild == 1) {
    RedrawLayers(0);
    look.m_bLayersNeedRebuild = 0;
    PresentWholeScreen();
  } else {
    RedrawTextWindow(*w, 1, true);
  }
}

void CmdFill(CScriptEngine& eng, CScriptFrame& frame) {
  CmdBgoff(eng, frame);
  const std::uint32_t r = static_cast<std::uint32_t>(ScriptArgInt(eng, 1)) & 0xFF;
  const std::uint32_t g = static_cast<std::uint32_t>(ScriptArgInt(eng, 2)) & 0xFF;
  const std::uint32_t b = static_cast<std::uint32_t>(ScriptArgInt(eng, 3)) & 0xFF;
  Presentation().m_dwFillColor = (r << 16) | (g << 8) | b;
}

void CmdMono(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t arg = ScriptArgInt(eng, 1);
  // Tones past the seven colours are grey (and the word must not wrap).
  g_nSpriteTone = arg < std::numeric_limits<std::int32_t>::max() ? arg + 1 : arg;
  if (g_nSpriteTone == 0) return;
  ApplyBackgroundTone(g_nSpriteTone);
}

void CmdEf(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t index = ScriptArgInt(eng, 1);
  const std::int32_t kind = ScriptArgInt(eng, 2);
  std::int32_t a = ScriptArgInt(eng, 3);
  const std::int32_t b = ScriptArgInt(eng, 4);
  const std::int32_t arg5 = ScriptArgInt(eng, 5);
  std::int32_t time = ScriptArgInt(eng, 6);
  if (time <= 0) time = 1000;
  const std::int32_t now = Now();
  bool started = true;
  if (kind >= 1 && kind <= 4) {
    CLayerImage* s = EffectSprite("ef", index);
    if (!s) return;
    a = Aligned(*s, a, -1);
    SetPendingOp(38 + kind, index, a, b, arg5, time, now);
  } else if (kind >= 5 && kind <= 7) {
    CLayerImage* s = EffectSprite("ef", index);
    if (!s) return;
    if (kind == 6) {
      ShowSprite(index, ScriptArgInt(eng, 7), ScriptArgText(eng, 5), ScriptArgInt(eng, 8), 0, s->m_nRowsLessOne);
    }
    // The target takes the named places as `chon` does; NON stays put.
    if (a >= kPosWordLeft && a <= kPosWordNon) a = kPosLeft + (a - kPosWordLeft);
    if (a == kPosKeep) {
      a = s->m_nX;
    } else {
      if (a == kPosLeft) a = 256;
      if (a == kPosCentre) a = 512;
      if (a == kPosRight) a = 767;
      a = Aligned(*s, a, -1);
    }
    SetPendingOp(38 + kind, index, s->m_nX, s->m_nY, a - s->m_nX, b - s->m_nY, time, now);
  } else if (kind == 8 || kind == 9) {
    CLayerImage* s = EffectSprite("ef", index);
    if (!s) return;
    if (kind == 8) ShowSprite(index, a, ScriptArgText(eng, 5), b, 0, s->m_nRowsLessOne);
    SetPendingOp(38 + kind, index, s->m_nX, s->m_nY, ScriptArgInt(eng, 7), 0, time, now);
  } else if (kind == 11 || kind == 12 || kind == 16 || kind == 17) {
    if (!SpriteOrScreen("ef", index)) return;
    SetPendingOp(kind <= 12 ? 37 + kind : 34 + kind, index);
  } else if (kind == 18 || kind == 19 || kind == 29) {
    if (!SpriteOrScreen("ef", index)) return;
    SetPendingOp(kind == 29 ? 63 : 34 + kind, index, a, b, arg5 / kTickMs, time, now);
  } else if (kind >= 20 && kind <= 28) {
    if (!SpriteOrScreen("ef", index)) return;
    SetPendingOp(34 + kind, index);
  } else if (kind == 30) {
    CLayerImage* s = EffectSprite("ef", index);
    if (!s) return;
    a = Aligned(*s, a, +1);
    // The turning direction is read from the time's own argument: 0 turns
    // one way, any other value the other.
    SetPendingOp(64, index, a, b, time, now, ScriptArgInt(eng, 6));
  } else {
    started = false;
  }
  const bool keepsWindow = (kind >= 11 && kind <= 19) || kind == 29;
  if (!keepsWindow) HideAllWindows();
  // An unknown kind has no operation that would ever end the wait.
  if (!started) return;
  // An effect cut short (a load, a return to the title) left its count.
  ResetSpriteEffectState();
  StartSceneOperation(eng);
}

void CmdEfex(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t index = ScriptArgInt(eng, 1);
  const std::int32_t kind = ScriptArgInt(eng, 2);
  const std::int32_t a = ScriptArgInt(eng, 3);
  const std::int32_t b = ScriptArgInt(eng, 4);
  if (kind >= 1 && kind <= 3) {
    // Entry 0 only: the parallel moves it drives stay in their entries.
    AddPendingOp(64 + kind, a, Now());
    ResetSpriteEffectState();
    HideAllWindows();
    StartSceneOperation(eng);
  } else if (kind >= 11 && kind <= 13) {
    CLayerImage* s = EffectSprite("efex", index);
    if (!s) return;
    if (kind == 12) {
      ShowSprite(index, ScriptArgInt(eng, 6), ScriptArgText(eng, 5), ScriptArgInt(eng, 7), 0, s->m_nRowsLessOne);
    }
    AddPendingOp(57 + kind, index, s->m_nX, s->m_nY, Aligned(*s, a, -1), b);
  }
}

void CmdBout(CScriptEngine& eng, CScriptFrame&) { StartFade(eng, OP_BLACK_OUT); }
void CmdBin(CScriptEngine& eng, CScriptFrame&) { StartFade(eng, OP_BLACK_IN); }
void CmdWout(CScriptEngine& eng, CScriptFrame&) { StartFade(eng, OP_WHITE_OUT); }
void CmdWin(CScriptEngine& eng, CScriptFrame&) { StartFade(eng, OP_WHITE_IN); }

void CmdUd(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t kind = ScriptArgInt(eng, 1);
  const std::int32_t now = Now();
  CObjectTables* t = GetObjectTables();
  if (kind == 0) {
    const CTextWindow* w = t ? t->CurrentWindow() : nullptr;
    ComposeSprites(w && w->m_nState == 1);
    SetPendingOp(OP_CUT, 0, 0, kScreenWidth, kScreenHeight, 0, now);
    StartSceneOperation(eng);
    return;
  }
  CopyLayer(1, 3);
  CopyLayer(0, 3);
  ComposeSprites(false);
  std::int32_t code = OP_CUT;
  std::int32_t time = ScriptArgInt(eng, 2);
  if (kind == 1) {
    code = OP_DISSOLVE;
  } else if (kind == 2) {
    code = OP_RULE;
    time = ScriptArgInt(eng, 3);
    const std::string mask = ScriptArgText(eng, 2) + ".msk";
    // Without its rule picture the wipe still takes its time, as a dissolve.
    if (LoadLayerImage(Presentation().m_RuleMask, mask.c_str(), 6, t ? t->m_pGraphicsArc : nullptr, 0, 0) != 1) {
      code = OP_DISSOLVE;
    }
  } else if (kind >= 10 && kind <= 13) {
    code = kind - 1;
  } else if (kind >= 15 && kind <= 18) {
    code = kind - 2;
  } else if (kind >= 19 && kind <= 39) {
    code = kind - 2;
  }
  if (code == OP_CUT) {
    time = 0;
  } else if ((code < 9 || code > 16) && time <= 0) {
    // The timed transitions divide by their time; the blinds take a width.
    time = 1000;
  }
  SetPendingOp(code, 0, 0, kScreenWidth, kScreenHeight, time, now);
  if (t) {
    for (std::int32_t i = 0; i < t->WindowCount(); ++i) t->WindowAt(i)->m_nState = 2;
  }
  StartSceneOperation(eng);
}

void CmdReadal(CScriptEngine& eng, CScriptFrame&) {
  if (CMessageText* text = Presentation().m_pText) text->m_Settings.readMarkDisplay = ScriptArgInt(eng, 1) != 0 ? 1 : 0;
}

void InstallEffectCommands(CScriptEngine& eng) {
  const struct {
    const char* word;
    CommandHandler handler;
  } kHandlers[] = {
      {"cls", &CmdCls},   {"fill", &CmdFill}, {"mono", &CmdMono}, {"ef", &CmdEf},   {"efex", &CmdEfex},
      {"bout", &CmdBout}, {"bin", &CmdBin},   {"wout", &CmdWout}, {"win", &CmdWin}, {"ud", &CmdUd},
      {"readal", &CmdReadal},
  };
  for (const auto& h : kHandlers) eng.SetCommandHandler(FindCommand(h.word), h.handler);
  SetSpriteToneHook(&ToneHook);
}
