#include "engine/script_engine.h"

#include "engine/command_table.h"
#include "engine/script_loader.h"
#include "engine/system_commands.h"
#include "engine/variable_commands.h"
#include "platform/time.h"

int LookupCommand(CScriptEngine& eng, const char*& p, std::string* word, bool* endsFrameRun) {
  const std::string w = FetchCommandWord(p);
  if (word) *word = w;
  if (endsFrameRun) *endsFrameRun = false;
  const int index = FindCommand(w);
  if (index < 0) return -1;
  const CommandFlags f = FlagsOfCommand(index);
  if (f.setsSceneChanged) {
    eng.m_bSceneChanged = 1;
  } else if (!f.keepsFlags) {
    eng.m_bSceneChanged = 0;
    eng.m_nScreenOut = 0;
  }
  if (endsFrameRun) *endsFrameRun = f.endsFrameRun;
  return index;
}

void CmdNop(CScriptEngine&, CScriptFrame&) {}

CScriptEngine::CScriptEngine(IScriptScene* scene) : m_pScene(scene) {
  m_Root.m_pLines = &m_Lines;
  m_Handlers.fill(&CmdNop);
  InstallVariableCommands(*this);
  InstallSystemCommands(*this);
}

void CScriptEngine::SetCommandHandler(int index, CommandHandler handler) {
  if (index >= 0 && index < static_cast<int>(m_Handlers.size())) m_Handlers[index] = handler ? handler : &CmdNop;
}

CommandHandler CScriptEngine::GetCommandHandler(int index) const {
  if (index < 0 || index >= static_cast<int>(m_Handlers.size())) return &CmdNop;
  return m_Handlers[index];
}

void CScriptEngine::Reset() {
  m_Root.m_pChild.reset();
  m_Root.m_Stack.Clear();
  m_Root.m_Vars.Clear();
  m_Root.m_pLine = nullptr;
  m_Root.m_pLines = &m_Lines;
  m_Root.m_pReadMark = nullptr;
  m_Root.m_nLine = 0;
  m_Root.m_nCursor = m_Root.m_nLineStart = 0;
  m_Constants.Clear();
  m_Lines.Clear();
  m_Labels.Clear();
  m_LocalLabels.Clear();
  m_Macros.Clear();
  m_Root.m_Vars.AddText("reg", "");
  m_Root.m_Vars.AddInt("dbg", 0);
  m_Root.m_Vars.AddText("bgm", "");
  AddNamedConstants(m_Constants);
  m_Root.m_Stack.AddInt("top", 0);
  m_bSaveEnabled = m_bLoadEnabled = 0;
  m_bHalted = false;
  // Seeded once: two rand calls in the same millisecond must differ.
  SeedRandom(pl::TickMs());
}

void CScriptEngine::StartScript(std::string_view file) {
  m_Root.m_pChild.reset();
  LoadScriptFile(*this, file, "START");
  m_Root.m_strFile = std::string(file);
  m_strLabel = "START";
  m_strLocalLabel.clear();
  if (m_pScene) m_pScene->UpdateReadMark();
}

ValueNode* CScriptEngine::Reg() {
  ValueNode* head = m_Root.m_Vars.Head();
  if (head && head->name == "reg") return head;
  // Only a damaged state lacks "reg" in front; a value command must still
  // find a register of that name rather than write another variable.
  if (ValueNode* reg = m_Root.m_Vars.Find("reg")) return reg;
  return m_Root.m_Vars.AddText("reg", "");
}

ValueNode* CScriptEngine::FindVariable(const CScriptFrame& frame, std::string_view name) {
  if (&frame != &m_Root) {
    if (ValueNode* v = frame.m_Vars.Find(name)) return v;
  }
  return m_Root.m_Vars.Find(name);
}

bool CScriptEngine::CutStackTo(std::string_view name) {
  // Never PopUntil an absent name: that would free "top" and every call.
  if (!m_Root.m_Stack.Find(name)) return false;
  m_Root.m_Stack.PopUntil(name);
  return true;
}

void CScriptEngine::CutStackToTop() {
  if (!CutStackTo("top")) {
    m_Root.m_Stack.Clear();
    m_Root.m_Stack.AddInt("top", 0);
  }
}

std::int32_t CScriptEngine::NextRandom() {
  m_nRandState = m_nRandState * 214013u + 2531011u;
  return static_cast<std::int32_t>((m_nRandState >> 16) & 0x7FFF);
}
