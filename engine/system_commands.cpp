#include "engine/system_commands.h"

#include <string>

#include "engine/arg_list.h"
#include "engine/command_table.h"
#include "engine/expression.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/time.h"
#include "platform/window.h"

namespace {

// The caption and the chapter title are 64-byte fields of the save data.
constexpr std::size_t kCaptionMax = 63;

void SetCaptionText(const std::string& text) {
  pl::Window* w = GetMainWindowHandle();
  if (w) pl::SetWindowText(w, text);
}

std::string CaptionWithChapter(const CScriptEngine& eng) {
  if (eng.m_strChapter.empty()) return eng.m_strCaption;
  return eng.m_strCaption + SJ(" － ") + eng.m_strChapter;
}

void CmdTitle(CScriptEngine& eng, CScriptFrame&) {
  eng.m_strCaption = sjis::CutBounded(eng.m_Args[0].Text(), kCaptionMax);
  eng.m_strChapter.clear();
  SetCaptionText(eng.m_strCaption);
}

void CmdMemo(CScriptEngine& eng, CScriptFrame&) {
  eng.m_strChapter = sjis::CutBounded(eng.m_Args[0].Text(), kCaptionMax);
  const std::string caption = CaptionWithChapter(eng);
  pl::Window* w = GetMainWindowHandle();
  if (w && !sjis::EqualNoCase(pl::GetWindowText(w), caption)) pl::SetWindowText(w, caption);
}

void CmdMode(CScriptEngine& eng, CScriptFrame&) { eng.m_nMode = eng.m_Args[0].Int(); }

void CmdExit(CScriptEngine&, CScriptFrame&) {
  if (pl::Window* w = GetMainWindowHandle()) pl::PostMessage(w, pl::WM_CLOSE, 0, 0);
}

void CmdPause(CScriptEngine& eng, CScriptFrame&) {
  IScriptScene* s = eng.m_pScene;
  if (s && (s->GetRunMode() == 0 || s->GetRunMode() == 1)) s->SetPendingState(PND_PAUSE);
}

void CmdWait(CScriptEngine& eng, CScriptFrame&) {
  IScriptScene* s = eng.m_pScene;
  if (!s) return;
  // A negative length would be a wait of some 49 days by the unsigned
  // comparison of the timer: none at all is what a script means by it.
  const std::int32_t ms = eng.m_Args[0].Int();
  s->SetTimedWait(pl::TickMs(), ms < 0 ? 0u : static_cast<std::uint32_t>(ms));
  s->SetPendingState(PND_TIMER);
}

void CmdFnt(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t size = eng.m_Args[0].Int();
  const std::int32_t color = eng.m_Args[1].Int();
  // The offset has the shadow word's high byte and no more.
  const std::uint32_t offset = static_cast<std::uint32_t>(eng.m_Args[2].Int()) & 0xFFu;
  const std::int32_t shadowColor = eng.m_Args[3].Int();
  std::int32_t shadow = eng.m_nShadow;
  if (offset != 0) shadow = static_cast<std::int32_t>((offset << 24) | (static_cast<std::uint32_t>(shadowColor) & 0xFFFFFFu));
  if (size == eng.m_nTextSize && color == eng.m_nTextColor && shadow == eng.m_nShadow) return;
  eng.m_nTextSize = size;
  eng.m_nTextColor = color;
  eng.m_nShadow = shadow;
  if (eng.m_pScene) eng.m_nLetterSpacing = eng.m_pScene->SetScreenFont(size);
}

void CmdSaveEnable(CScriptEngine& e, CScriptFrame&) {
  if (e.m_nMode == 0) e.m_bSaveEnabled = 1;
}
void CmdSaveDisable(CScriptEngine& e, CScriptFrame&) {
  if (e.m_nMode == 0) e.m_bSaveEnabled = 0;
}
void CmdLoadEnable(CScriptEngine& e, CScriptFrame&) {
  if (e.m_nMode == 0) e.m_bLoadEnabled = 1;
}
void CmdLoadDisable(CScriptEngine& e, CScriptFrame&) {
  if (e.m_nMode == 0) e.m_bLoadEnabled = 0;
}
void CmdSkipEnable(CScriptEngine& e, CScriptFrame&) {
  if (e.m_pScene) e.m_pScene->SetRunMode(1);
}
void CmdSkipDisable(CScriptEngine& e, CScriptFrame&) {
  if (e.m_pScene) e.m_pScene->SetRunMode(0);
}

// max / min: the integer slots in order, up to the first slot not given.
void Extreme(CScriptEngine& eng, bool largest) {
  std::int32_t best = 0;
  int at = -1;
  for (int i = 0; i < kArgSlots && eng.m_Args[i].type != 0; ++i) {
    if (eng.m_Args[i].type != '%') continue;
    const std::int32_t v = eng.m_Args[i].Int();
    if (at < 0 || (largest ? v > best : v < best)) {
      best = v;
      at = i;
    }
  }
  eng.Reg()->SetInt(at < 0 ? 0 : at);
}
void CmdMax(CScriptEngine& e, CScriptFrame&) { Extreme(e, true); }
void CmdMin(CScriptEngine& e, CScriptFrame&) { Extreme(e, false); }

void CmdNum(CScriptEngine& eng, CScriptFrame&) {
  std::string text = eng.m_Args[0].type == '$' ? std::string(eng.m_Args[0].Text()) : std::string("\x82\x4F");
  if (sjis::CharLen(text, 0) == 2) text = ToHalfWidth(text);
  eng.Reg()->SetInt(TextToInt(text));
}

void CmdStr(CScriptEngine& eng, CScriptFrame&) {
  std::string text = "0";
  if (eng.m_Args[0].type == '%') {
    text = std::to_string(eng.m_Args[0].Int());
  } else if (eng.m_Args[0].type == '!') {
    text = FloatToText(eng.m_Args[0].Float());
  }
  eng.Reg()->SetText(ToFullWidth(text));
}

void CmdRand(CScriptEngine& eng, CScriptFrame&) {
  const std::int32_t n = eng.m_Args[0].Int();
  if (eng.m_Args[0].type != '%' || n == 0) {
    ScriptBox(SJ("randコマンドの引数が不正です。"), SJ("デバッグ"));
    // Without a divisor there is no remainder to give: 0.
    if (eng.m_Args[0].type == '%') eng.Reg()->SetInt(0);
    return;
  }
  const std::int32_t r = eng.NextRandom();
  eng.Reg()->SetInt(n == -1 ? 0 : r % n);
}

void CmdBacktitle(CScriptEngine& eng, CScriptFrame&) {
  if (eng.m_pScene) eng.m_pScene->BackTitle();
}

void CmdFloat(CScriptEngine& eng, CScriptFrame&) {
  if (!eng.m_pScene || eng.m_Args[0].type != '%') return;
  eng.m_pScene->OpenScreen(eng.m_Args[0].Int(), eng.m_Args[1].type == '$' ? eng.m_Args[1].Text() : std::string_view());
}

void CmdClrBacklog(CScriptEngine& eng, CScriptFrame&) {
  if (!eng.m_pScene) return;
  eng.m_pScene->ClearBacklog();
  eng.m_pScene->ClearPageText();
}

}  // namespace

void InstallSystemCommands(CScriptEngine& eng) {
  eng.SetCommandHandler(CMD_TITLE, &CmdTitle);
  eng.SetCommandHandler(CMD_MEMO, &CmdMemo);
  eng.SetCommandHandler(CMD_MODE, &CmdMode);
  eng.SetCommandHandler(CMD_EXIT, &CmdExit);
  eng.SetCommandHandler(CMD_PAUSE, &CmdPause);
  eng.SetCommandHandler(CMD_WAIT, &CmdWait);
  eng.SetCommandHandler(CMD_BACKTITLE, &CmdBacktitle);
  eng.SetCommandHandler(CMD_FLOAT, &CmdFloat);
  eng.SetCommandHandler(CMD_FNT, &CmdFnt);
  eng.SetCommandHandler(CMD_SAVEENABLE, &CmdSaveEnable);
  eng.SetCommandHandler(CMD_SAVEDISABLE, &CmdSaveDisable);
  eng.SetCommandHandler(CMD_LOADENABLE, &CmdLoadEnable);
  eng.SetCommandHandler(CMD_LOADDISABLE, &CmdLoadDisable);
  eng.SetCommandHandler(CMD_SKIPENABLE, &CmdSkipEnable);
  eng.SetCommandHandler(CMD_SKIPDISABLE, &CmdSkipDisable);
  eng.SetCommandHandler(CMD_MAX, &CmdMax);
  eng.SetCommandHandler(CMD_MIN, &CmdMin);
  eng.SetCommandHandler(CMD_NUM, &CmdNum);
  eng.SetCommandHandler(CMD_STR, &CmdStr);
  eng.SetCommandHandler(CMD_RAND, &CmdRand);
  eng.SetCommandHandler(CMD_CLRBACKLOG, &CmdClrBacklog);
}
