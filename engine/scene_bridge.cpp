#include "engine/scene_bridge.h"

#include "engine/kiv_base.h"
#include "graphics/anti_font.h"
#include "graphics/virtual_screen.h"
#include "platform/text.h"
#include "scene/backlog_view.h"
#include "scene/compose.h"
#include "scene/render_tick.h"
#include "scene/wait_input.h"
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

void CSceneBridge::OnLeftClick(int fromUser) { ::OnLeftClick(fromUser); }

void CSceneBridge::ClearCurrentWindowPage() {
  CTextWindow* w = m_Engine.Tables().CurrentWindow();
  if (!w) return;
  w->HomeText();
  // The window comes back from the scene layer without the old page.
  RedrawTextWindow(*w, 1, false);
  PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr);
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

void CSceneBridge::AdvanceAfterVoice() { ::AdvanceAfterVoice(); }

void CSceneBridge::ShowTextStep() { m_Engine.Text().ShowTextStep(); }

// The input of the waits and of the backlog view (scene/wait_input.h,
// scene/backlog_view.h).
void CSceneBridge::PressWindowButton() { ::PressWindowButton(); }
void CSceneBridge::OnRightClick() { ::OnRightClick(); }
void CSceneBridge::OnKey(std::uint32_t bit) { ::OnKey(bit); }
// The wheel word is WM_MOUSEWHEEL's WPARAM: the turn is its signed high word.
void CSceneBridge::OnWheel(std::uint32_t wheel) {
  BacklogView().OnWheel(static_cast<std::int16_t>(static_cast<std::uint16_t>(wheel >> 16)));
}
void CSceneBridge::OnMouseHover(pl::Window* hWnd) { ::OnMouseHover(hWnd); }
void CSceneBridge::GlideCursorToChoice() { m_Engine.Text().GlideCursorToChoice(); }
void CSceneBridge::RenderFrame() { ::RenderFrame(); }
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

void CSceneBridge::BackTitle() { m_Engine.BackTitle(); }

void CSceneBridge::OpenScreen(std::int32_t which, std::string_view text) { m_Engine.OpenScreen(which, text); }
