// The save data the engine object keeps for the whole run: the settings
// (DefaultSettings and the live words), "system.dat" with them, and the
// read-mark list; "global.dat" feeds the script engine's own list of
// persistent globals. CKivBase owns one CSaveData and calls LoadAtStart in
// application set-up and SaveAtShutdown in the engine clean-up.
#pragma once
#include <string>

#include "engine/read_mark_file.h"
#include "engine/settings_record.h"
#include "engine/system_file.h"

class CScriptEngine;

class CSaveData {
 public:
  CSaveData() = default;
  CSaveData(const CSaveData&) = delete;
  CSaveData& operator=(const CSaveData&) = delete;

  // Application set-up: "system.dat", "global.dat", "readal.dat", in that
  // order. The message font size of the settings becomes the script's text
  // size (the `fnt` size).
  void LoadAtStart(CScriptEngine& eng);
  // ProbeSaveSlots, the last step of set-up: "global.dat" once more.
  void ProbeSaveSlots(CScriptEngine& eng);
  // The engine clean-up: "readal.dat", then "system.dat" (which stores the
  // script's current text size as the message font size).
  void SaveAtShutdown(CScriptEngine& eng);

  CSettings m_Settings;
  CSystemFile m_SystemFile{m_Settings};
  CReadMarks m_ReadMarks;
};
