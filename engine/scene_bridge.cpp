#include "engine/scene_bridge.h"

#include "engine/kiv_base.h"
#include "graphics/anti_font.h"
#include "graphics/virtual_screen.h"
#include "platform/text.h"
#include "sound/sound_system.h"

std::uint32_t CSceneBridge::GetPendingState() { return Scene().m_nPendingState; }
void CSceneBridge::SetPendingState(std::uint32_t state) { Scene().m_nPendingState = state; }
std::int32_t CSceneBridge::GetRunMode() { return Scene().m_nRunMode; }
void CSceneBridge::SetRunMode(std::int32_t mode) { Scene().m_nRunMode = mode; }
void CSceneBridge::SetPendingOp(std::int32_t code, std::int32_t p1) { ::SetPendingOp(code, p1); }

void CSceneBridge::SetTimedWait(std::uint32_t start, std::uint32_t length) {
  Scene().m_dwWaitStart = start;
  Scene().m_dwWaitLength = length;
}

void CSceneBridge::StartAutoDeadline(std::uint32_t chars) { SetAutoDeadline(chars); }

std::int32_t CSceneBridge::GetCurrentWindow() { return m_Engine.Tables().CurrentIndex(); }
std::int32_t CSceneBridge::GetWindowCount() { return m_Engine.Tables().WindowCount(); }
void CSceneBridge::SelectWindow(std::int32_t index) { m_Engine.Tables().SelectWindow(index); }
void CSceneBridge::EnsureWindowShown() { m_Engine.Text().EnsureWindowShown(); }
void CSceneBridge::NewTextLine() { m_Engine.Text().NewTextLine(); }
void CSceneBridge::PrepareTextLine(std::string_view name) { m_Engine.Text().PrepareTextLine(name); }

bool CSceneBridge::IsPageTextEmpty() { return m_Engine.Text().IsPageTextEmpty(); }
void CSceneBridge::AppendPageText(std::string_view text) { m_Engine.Text().AppendPageText(text); }
void CSceneBridge::ClearPageText() { m_Engine.Text().ClearPageText(); }
bool CSceneBridge::GetContinuedText() { return m_Engine.Text().GetContinuedText(); }
void CSceneBridge::SetContinuedText(bool on) { m_Engine.Text().SetContinuedText(on); }
void CSceneBridge::AddBacklogLine(std::string_view text) { m_Engine.Text().AddBacklogLine(text); }
void CSceneBridge::ClearBacklog() { m_Engine.Text().ClearBacklog(); }
void CSceneBridge::ShowChoices(const std::vector<std::string>& choices) { m_Engine.Text().ShowChoices(choices); }

void CSceneBridge::UpdateReadMark() { m_Engine.UpdateReadMark(); }
void CSceneBridge::SaveGlobalFile() { m_Engine.SaveGlobalFile(); }

std::int32_t CSceneBridge::SetScreenFont(std::int32_t size) {
  LogFontA lf = MakeLogFont(m_Engine.MessageFontFace(), size, 700);
  GetAntiFont().SetFont(lf);
  return GetAntiFont().CellWidth();
}

void CSceneBridge::ExecuteScriptLine() {
  CScriptEngine& script = m_Engine.Script();
  if (script.m_bHalted) return;
  script.ExecuteLine();
}

// The click handlers of the waits come with the input part of the scene;
// without them nothing ends a click wait but auto mode and skip.
void CSceneBridge::OnLeftClick(int) {}

void CSceneBridge::ClearCurrentWindowPage() {
  // The window's own redraw comes with the screen composition.
  if (CTextWindow* w = m_Engine.Tables().CurrentWindow()) w->HomeText();
}

void CSceneBridge::ResetPageText() {
  m_Engine.Text().ClearPageText();
  m_Engine.Text().SetContinuedText(false);
  CScriptFrame& frame = m_Engine.Script().DeepestFrame();
  frame.m_nLineStart = 0;
  frame.m_nCursor = 0;
}

void CSceneBridge::ResetWindows(bool currentOnly) { m_Engine.Tables().ResetWindows(currentOnly); }
void CSceneBridge::HideAllObjects() { m_Engine.Tables().HideAllObjects(); }

void CSceneBridge::ResetScreens(bool clear) {
  if (clear) {
    for (int i = 3; i >= 0; --i) {
      if (VirtualScreen* s = GetVirtualScreen(i)) ClearVirtualScreen(s, 0);
    }
  }
  SetPresentedScreen(GetVirtualScreen(0));
}

void CSceneBridge::ResetTextState() { m_Engine.Text().ResetTextState(); }

bool CSceneBridge::IsVoicePlaying() {
  CSoundSystem* snd = GetSoundSystem();
  return snd && snd->IsSoundAvailable() && snd->Channel(kVoiceChannel).m_szName[0] != 0;
}

bool CSceneBridge::AnyWindowHidden() {
  CObjectTables& t = m_Engine.Tables();
  for (std::int32_t i = 0; i < t.WindowCount(); ++i) {
    if (CTextWindow* w = t.WindowAt(i); w && w->m_nState == 0) return true;
  }
  return false;
}

void CSceneBridge::AdvanceAfterVoice() {
  if (CSoundSystem* snd = GetSoundSystem()) {
    if (snd->IsSoundAvailable()) snd->HaltChannel(kVoiceChannel);
  }
  OnLeftClick(0);
}

void CSceneBridge::ShowTextStep() { m_Engine.Text().ShowTextStep(); }

// The click, key and wheel handlers of the waits, the backlog view and the
// render tick's steppers are the scene's input and animation parts; until
// they are part of the program a key press changes nothing but skip and
// auto mode.
void CSceneBridge::PressWindowButton() {}
void CSceneBridge::OnRightClick() {}
void CSceneBridge::OnKey(std::uint32_t bit) {
  // Ctrl skips while it is held, unless skipping is disabled.
  if (bit == 0x80 && Scene().m_nRunMode != RUN_NOSKIP) {
    Scene().m_nRunMode = RUN_SKIPHELD;
    AdvanceAfterVoice();
  }
}
void CSceneBridge::OnWheel(std::uint32_t) {}
void CSceneBridge::OnMouseHover(pl::Window*) {}
void CSceneBridge::GlideCursorToChoice() { m_Engine.Text().GlideCursorToChoice(); }
void CSceneBridge::RenderFrame() {}
bool CSceneBridge::AnyWindowShown() {
  CObjectTables& t = m_Engine.Tables();
  for (std::int32_t i = 0; i < t.WindowCount(); ++i) {
    if (CTextWindow* w = t.WindowAt(i); w && w->m_nState == 1) return true;
  }
  return false;
}

std::int32_t CSceneBridge::ScriptMode() { return m_Engine.Script().m_nMode; }

void CSceneBridge::AllowSaveAndLoad() {
  m_Engine.Script().m_bSaveEnabled = 1;
  m_Engine.Script().m_bLoadEnabled = 1;
}
