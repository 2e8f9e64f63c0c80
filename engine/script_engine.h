// The state the script engine keeps for the whole run: the script lists,
// the root frame, the words the interpreter and its commands share with the
// rest of the engine. The engine object owns one and hands it the scene.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "engine/arg_list.h"
#include "engine/scene_interface.h"
#include "engine/script_frame.h"
#include "engine/value_node.h"

class CArc;
class CScriptEngine;

// LookupCommand: reads the word at p (the cursor is left after it), finds
// its command index (-1 when none; no flag is touched then) and applies the
// word's flags to the engine: the scene-changed flag and the screen-out word.
// `endsFrameRun` is set for the words after which no further line may run in
// the same frame step.
int LookupCommand(CScriptEngine& eng, const char*& p, std::string* word, bool* endsFrameRun);

// A command's handler. Indexes below 128 read the rest of their line from
// the line buffer at the frame's cursor; from 128 on the argument slots.
using CommandHandler = void (*)(CScriptEngine& eng, CScriptFrame& frame);
// The empty handler of the words that do nothing (and of those whose
// handlers are plugged in by the parts that own them).
void CmdNop(CScriptEngine& eng, CScriptFrame& frame);

// Lines that one frame step may run before it gives the window a turn: a
// script loop without any waiting line must not freeze the program.
inline constexpr int kMaxLinesPerFrameStep = 100000;

class CScriptEngine {
 public:
  explicit CScriptEngine(IScriptScene* scene = nullptr);
  CScriptEngine(const CScriptEngine&) = delete;
  CScriptEngine& operator=(const CScriptEngine&) = delete;

  // Engine start's share: every list emptied, the reserved variables "reg",
  // "dbg" and "bgm", the named constants, the control stack's "top"; the
  // random generator seeded from the tick source.
  void Reset();

  // Engine start, the return to the title and backtitle: `file` is loaded
  // at "START" without the step back that the script's own jumps make, so
  // that the first line run is the second after the label; any macro call
  // in progress ends, the file and label texts follow, and the read mark is
  // updated. (The control stack is the caller's to cut.)
  void StartScript(std::string_view file);

  // The root frame's first variable, the result register of the value
  // commands (re-created when a bad state lost it).
  ValueNode* Reg();
  // A variable by name: the frame's own, then the root frame's.
  ValueNode* FindVariable(const CScriptFrame& frame, std::string_view name);
  // Cuts the control stack back to its last entry of that name; false (and
  // nothing removed) when there is none.
  bool CutStackTo(std::string_view name);
  // Cuts the control stack back to "top" (re-created when it is missing).
  void CutStackToTop();

  // The deepest frame and one line of it.
  CScriptFrame& DeepestFrame() { return *m_Root.Deepest(); }
  void ExecuteLine() { DeepestFrame().ExecuteLine(*this); }
  // Plugs in the handler of a command index (0..254).
  void SetCommandHandler(int index, CommandHandler handler);
  CommandHandler GetCommandHandler(int index) const;
  // The random generator (C runtime kind: results 0..32767).
  void SeedRandom(std::uint32_t seed) { m_nRandState = seed; }
  std::int32_t NextRandom();

  IScriptScene* m_pScene;

  // --- where scripts come from
  std::string m_strProgramFolder = "K:";  // game path of the program folder
  CArc* m_pScriptArc = nullptr;           // "SCR.AOS" (not owned)

  // --- the lists
  CScriptFrame m_Root;
  ValueList m_Constants;
  ValueList m_Globals;  // persistent global variables ("global.dat")
  ValueList m_Lines;
  ValueList m_Labels;
  ValueList m_LocalLabels;
  ValueList m_Macros;
  std::string m_strLabel;       // current label text
  std::string m_strLocalLabel;  // current local-label text
  std::string m_LineBuf;        // the line being executed

  // --- words shared with the rest of the engine
  std::int32_t m_nMode = 0;            // the script `mode` word
  std::int32_t m_bContinue = 0;        // keep stepping within this frame step
  std::int32_t m_bSceneChanged = 0;
  std::int32_t m_nScreenOut = 0;
  std::int32_t m_bSaveEnabled = 0;
  std::int32_t m_bLoadEnabled = 0;
  std::int32_t m_nCommand = -1;        // index of the command being run
  // Set when the script cannot go on (a ^ret without a call, running past
  // the last line): no line runs until a jump, a load or a return to the
  // title puts the root frame somewhere again.
  bool m_bHalted = false;
  ArgSlots m_Args;

  // --- system-command state
  std::string m_strCaption;   // window caption
  std::string m_strChapter;   // chapter title shown after it
  std::int32_t m_nTextSize = 20;
  std::int32_t m_nLetterSpacing = 0;
  std::int32_t m_nTextColor = 0xFFFFFF;
  std::int32_t m_nShadow = 0;

 private:
  std::uint32_t m_nRandState = 1;
  std::array<CommandHandler, 255> m_Handlers{};
};
