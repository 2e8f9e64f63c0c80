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

// The message windows belong to the object tables of the scene; until they
// are made there is no window, and the interpreter reports a text line
// without one in its own words.
std::int32_t CSceneBridge::GetCurrentWindow() { return m_nCurrentWindow; }
std::int32_t CSceneBridge::GetWindowCount() { return 0; }
void CSceneBridge::SelectWindow(std::int32_t index) {
  if (index >= 0 && index < GetWindowCount()) m_nCurrentWindow = index;
}
void CSceneBridge::EnsureWindowShown() {}
void CSceneBridge::NewTextLine() {}
void CSceneBridge::PrepareTextLine(std::string_view) {}

bool CSceneBridge::IsPageTextEmpty() { return m_strPage.empty(); }
void CSceneBridge::AppendPageText(std::string_view text) { m_strPage.append(text); }
void CSceneBridge::ClearPageText() { m_strPage.clear(); }
bool CSceneBridge::GetContinuedText() { return m_bContinuedText; }
void CSceneBridge::SetContinuedText(bool on) { m_bContinuedText = on; }
void CSceneBridge::AddBacklogLine(std::string_view) {}
void CSceneBridge::ClearBacklog() {}
void CSceneBridge::ShowChoices(const std::vector<std::string>&) {}

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

void CSceneBridge::ClearCurrentWindowPage() {}

void CSceneBridge::ResetPageText() {
  m_strPage.clear();
  CScriptFrame& root = m_Engine.Script().m_Root;
  root.m_nLineStart = 0;
  root.m_nCursor = 0;
}

void CSceneBridge::ResetWindows(bool) {}
void CSceneBridge::HideAllObjects() {}

void CSceneBridge::ResetScreens(bool clear) {
  if (clear) {
    for (int i = 3; i >= 0; --i) {
      if (VirtualScreen* s = GetVirtualScreen(i)) ClearVirtualScreen(s, 0);
    }
  }
  SetPresentedScreen(GetVirtualScreen(0));
}

void CSceneBridge::ResetTextState() { m_bContinuedText = false; }

bool CSceneBridge::IsVoicePlaying() {
  CSoundSystem* snd = GetSoundSystem();
  return snd && snd->IsSoundAvailable() && snd->Channel(kVoiceChannel).m_szName[0] != 0;
}

bool CSceneBridge::AnyWindowHidden() { return false; }

void CSceneBridge::AdvanceAfterVoice() {
  if (CSoundSystem* snd = GetSoundSystem()) {
    if (snd->IsSoundAvailable()) snd->HaltChannel(kVoiceChannel);
  }
  OnLeftClick(0);
}

void CSceneBridge::ShowTextStep() {}

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
void CSceneBridge::GlideCursorToChoice() {}
void CSceneBridge::RenderFrame() {}
bool CSceneBridge::AnyWindowShown() { return false; }

std::int32_t CSceneBridge::ScriptMode() { return m_Engine.Script().m_nMode; }

void CSceneBridge::AllowSaveAndLoad() {
  m_Engine.Script().m_bSaveEnabled = 1;
  m_Engine.Script().m_bLoadEnabled = 1;
}
