#include "engine/save_data.h"

#include "engine/global_file.h"
#include "engine/script_engine.h"

void CSaveData::LoadAtStart(CScriptEngine& eng) {
  const std::string& folder = eng.m_strProgramFolder;
  m_SystemFile.Load(folder);
  eng.m_nTextSize = m_Settings.m_nFontSize;
  LoadGlobalFile(folder, eng.m_Globals);
  m_ReadMarks.Load(eng, folder);
}

void CSaveData::ProbeSaveSlots(CScriptEngine& eng) { ::ProbeSaveSlots(eng.m_strProgramFolder, eng.m_Globals); }

void CSaveData::SaveAtShutdown(CScriptEngine& eng) {
  const std::string& folder = eng.m_strProgramFolder;
  m_ReadMarks.Save(eng, folder);
  // A size the settings could not hold keeps the stored one.
  if (eng.m_nTextSize >= kMinFontSize && eng.m_nTextSize <= kMaxFontSize) {
    m_Settings.m_nFontSize = m_Settings.m_nFontSizeWork = eng.m_nTextSize;
  }
  m_SystemFile.Save(folder);
}
