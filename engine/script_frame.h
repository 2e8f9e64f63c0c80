// One running script: the root frame for the whole run, and a frame for each
// macro call in progress, linked as the child of its caller.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/value_node.h"

class CScriptEngine;

class CScriptFrame {
 public:
  CScriptFrame() = default;
  CScriptFrame(const CScriptFrame&) = delete;
  CScriptFrame& operator=(const CScriptFrame&) = delete;

  // Runs exactly one line of this frame (the caller picks the deepest one).
  void ExecuteLine(CScriptEngine& eng);

  // The frame whose lines run next: this one or the last of its children.
  CScriptFrame* Deepest();

  // Moves to the line after the current one (by number when the current
  // line is not known). False when there is none.
  bool Advance();
  // Puts the position on line `number` of its list (node none when absent).
  void SetLine(std::int32_t number);
  // One line back, so that the next step runs the current line again.
  void StepBack();

  ValueList m_Stack;           // control stack; the root frame's starts with "top"
  ValueList m_Vars;            // the frame's own variables (empty for a macro)
  std::string m_strFile;       // current script name
  std::int32_t m_nLine = 0;    // number of the current line
  std::size_t m_nLineStart = 0;  // where the current text line began in the line buffer
  std::size_t m_nCursor = 0;     // position in the line buffer
  ValueNode* m_pLine = nullptr;  // the current line's node
  ValueList* m_pLines = nullptr; // the list it belongs to (script lines or a macro body)
  ValueNode* m_pReadMark = nullptr;  // cached read-mark entry of the current key
  std::unique_ptr<CScriptFrame> m_pChild;  // a macro call in progress
  CScriptFrame* m_pParent = nullptr;
};
