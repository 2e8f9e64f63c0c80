#include "engine/script_frame_control.h"

#include <charconv>
#include <string>

#include "engine/arg_list.h"
#include "engine/command_table.h"
#include "engine/expression.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/script_frame.h"
#include "engine/script_loader.h"
#include "framework/sjis.h"
#include "platform/text.h"

// Control words inside a macro body: the blocks (if, sw, wh and their
// closers) move the macro frame within its own body, with their loop
// entries on the root frame's control stack like any other; the jumps,
// calls and returns move the root frame and end the macro call, since the
// caller's position is what they change.

namespace {

int NumberOf(const ValueNode* n) {
  int v = 0;
  std::from_chars(n->name.data(), n->name.data() + n->name.size(), v);
  return v;
}

void PositionAt(CScriptFrame& frame, ValueNode* node) {
  frame.m_pLine = node;
  frame.m_nLine = NumberOf(node);
}

std::string IfLabel(int line) { return "^if" + std::to_string(line); }
std::string SwLabel(int line) { return "^sw" + std::to_string(line); }

void DebugBox(const char* text) { ScriptBox(text, SJ("デバッグ")); }

// The operand text of a control-word line: after '^', the word and '('.
const char* OperandOf(const std::string& line) {
  const char* p = line.c_str();
  if (*p == '^') ++p;
  while ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '_') ++p;
  if (*p == '(') ++p;
  return p;
}

bool ConditionOfLine(CScriptEngine& eng, const ValueNode* node) {
  const char* p = OperandOf(node->text);
  return EvalCondition(p, eng.m_Root.m_Vars) != 0;
}

// A jump target given as a name or as '$' and a text variable.
bool TargetText(CScriptEngine& eng, CScriptFrame& frame, const char*& p, std::string* out, bool wholeTarget) {
  if (*p == '$') {
    ++p;
    const std::string name = FetchName(p);
    const ValueNode* v = eng.FindVariable(frame, name);
    if (!v || v->type != VT_TEXT) {
      ScriptBox(FormatText(SJ("変数 $%s は宣言されていません。"), name.c_str()), SJ("デバッグ"));
      return false;
    }
    *out = v->text;
    return true;
  }
  if (!wholeTarget) {
    *out = FetchName(p);
    return true;
  }
  // A go / gsb target: file, '.', label, up to the ')'.
  out->clear();
  while (*p != '\0' && *p != ')') {
    const std::size_t n = sjis::CharLen(p);
    out->append(p, n);
    p += n;
  }
  return true;
}

// Jump to a local label of the current section (jp and jsb).
bool JumpLocal(CScriptEngine& eng, const std::string& name) {
  const ValueNode* local = eng.m_LocalLabels.Find(name);
  if (!local || local->type != VT_INT) {
    ScriptBox(FormatText(SJ("ローカルラベル %s は存在しません。"), name.c_str()), SJ("デバッグ"));
    return false;
  }
  eng.m_Root.SetLine(local->nValue);
  eng.m_strLocalLabel = name;
  eng.m_bHalted = false;
  return true;
}

// Splits a go / gsb target into file and label. False for a bad form.
bool SplitTarget(const CScriptEngine& eng, const std::string& target, std::string* file, std::string* label) {
  const std::size_t dot = sjis::FindChar(target, '.');
  if (dot == std::string::npos) {
    *file = target;
    *label = "START";
  } else {
    *file = dot == 0 ? eng.m_Root.m_strFile : target.substr(0, dot);
    *label = target.substr(dot + 1);
  }
  if (file->empty() || label->empty()) {
    ScriptBox(SJ("^go のジャンプ先指定が間違っています。"), SJ("スクリプトエラー"));
    return false;
  }
  return true;
}

void GoTo(CScriptEngine& eng, const std::string& file, const std::string& label) {
  CScriptFrame& root = eng.m_Root;
  eng.m_bHalted = false;
  if (file == root.m_strFile) {
    ValueNode* at = eng.m_Labels.Find(label);
    if (!at || at->type != VT_INT) {
      ScriptBox(FormatText(SJ("ラベル %s は存在しません。"), label.c_str()), SJ("デバッグ"));
      return;
    }
    root.SetLine(at->nValue);
    eng.m_strLabel = label;
    eng.m_strLocalLabel.clear();
    CollectLocalLabels(root.m_pLine ? root.m_pLine->next : nullptr, eng.m_LocalLabels);
    return;
  }
  root.m_strFile = file;
  eng.m_strLabel = label;
  eng.m_strLocalLabel.clear();
  LoadScriptFile(eng, file, label);
  root.StepBack();
  if (eng.m_pScene) eng.m_pScene->UpdateReadMark();
}

void Return(CScriptEngine& eng) {
  CScriptFrame& root = eng.m_Root;
  ValueNode* entry = root.m_Stack.Tail();
  while (entry && entry->name != "jsb" && entry->name != "gsb") entry = entry->prev;
  if (!entry || entry->type != VT_LIST || !entry->list) {
    DebugBox(SJ("^gsb / ^jsb のない ^ret が発行されました。\n        スクリプトの実行を終了します。"));
    eng.m_bHalted = true;
    eng.m_bContinue = 0;
    return;
  }
  // Read the saved words before the entry goes.
  std::string saved[4];
  std::int32_t line = 0;
  int i = 0;
  for (const ValueNode* n = entry->list->Head(); n && i < 4; n = n->next, ++i) {
    if (n->type == VT_INT) {
      line = n->nValue;
    } else {
      saved[i] = n->text;
    }
  }
  const bool isGsb = entry->name == "gsb";
  root.m_Stack.PopUntil(entry->name);
  root.m_Stack.Remove(root.m_Stack.Tail());
  eng.m_bHalted = false;
  if (!isGsb) {
    root.SetLine(line);
    eng.m_strLocalLabel.clear();
    return;
  }
  root.m_strFile = saved[0];
  eng.m_strLabel = saved[1];
  eng.m_strLocalLabel = saved[3];
  LoadScriptFile(eng, saved[0], saved[1]);
  if (eng.m_pScene) eng.m_pScene->UpdateReadMark();
  root.SetLine(line);
}

void IfFalse(CScriptEngine& eng, CScriptFrame& frame) {
  ValueNode* last = frame.m_pLine;
  for (ValueNode* n = frame.m_pLine->next; n; n = n->next) {
    last = n;
    const int cw = ControlWordOfLine(n->text);
    if (cw == CW_IF) {
      if (!SkipBlock(n, CW_IF, false)) {
        PositionAt(frame, n);
        return;
      }
      last = n;
    } else if (cw == CW_ENDI || cw == CW_ELSE) {
      eng.m_strLocalLabel = IfLabel(NumberOf(n));
      PositionAt(frame, n);
      return;
    } else if (cw == CW_ELIF) {
      eng.m_strLocalLabel = IfLabel(NumberOf(n));
      if (ConditionOfLine(eng, n)) {
        PositionAt(frame, n);
        return;
      }
    }
  }
  DebugBox(SJ("^if に対応する ^endi が見つかりません。"));
  PositionAt(frame, last);
}

void Switch(CScriptEngine& eng, CScriptFrame& frame, const char* p) {
  eng.m_strLocalLabel = SwLabel(frame.m_nLine);
  const char sigil = *p;
  if (sigil != '$' && sigil != '%') return;
  ++p;
  const std::string name = FetchName(p);
  const ValueNode* v = eng.FindVariable(frame, name);
  if (!v || v->type != (sigil == '$' ? VT_TEXT : VT_INT)) {
    ScriptBox(FormatText(SJ("変数 %c%s は宣言されていません。"), sigil, name.c_str()), SJ("デバッグ"));
    return;
  }
  const std::string text = v->text;
  const std::int32_t number = v->nValue;
  ValueNode* last = frame.m_pLine;
  for (ValueNode* n = frame.m_pLine->next; n; n = n->next) {
    last = n;
    const int cw = ControlWordOfLine(n->text);
    if (cw == CW_ENDS || cw == CW_DF) {
      PositionAt(frame, n);
      return;
    }
    if (cw == CW_SW) {
      if (!SkipBlock(n, CW_SW, false)) {
        PositionAt(frame, n);
        return;
      }
      last = n;
    } else if (cw == CW_CASE) {
      const char* q = OperandOf(n->text);
      bool match;
      if (sigil == '$') {
        match = *q == '"' && (++q, FetchString(q) == text);
      } else {
        match = TextToInt(FetchNumber(q)) == number;
      }
      if (match) {
        PositionAt(frame, n);
        return;
      }
    }
  }
  DebugBox(SJ("^sw に対応する ^ends が見つかりません。"));
  PositionAt(frame, last);
}

// Moves the frame to the closer of the block it is inside.
void SkipToCloser(CScriptFrame& frame, int blockWord) {
  ValueNode* n = frame.m_pLine;
  SkipBlock(n, blockWord, false);
  PositionAt(frame, n);
}

// The innermost loop's entry, or none (with a box): a loop left by ^jp, or
// a stray closer, must never unwind the whole stack.
ValueNode* LoopEntry(CScriptEngine& eng, const char* word) {
  if (!eng.CutStackTo("wh")) {
    DebugBox(FormatText(SJ("^wh のない ^%s が発行されました。"), word).c_str());
    return nullptr;
  }
  return eng.m_Root.m_Stack.Tail();
}

// After cont or endw: the loop goes round again or is left.
void LoopAgain(CScriptEngine& eng, CScriptFrame& frame, bool leaveAfterCloser) {
  ValueNode* entry = LoopEntry(eng, leaveAfterCloser ? "cont" : "endw");
  if (!entry) return;
  ValueNode* wh = frame.m_pLines ? frame.m_pLines->Find(std::to_string(entry->nValue)) : nullptr;
  if (wh && ConditionOfLine(eng, wh)) {
    PositionAt(frame, wh);
    return;
  }
  eng.m_Root.m_Stack.Remove(entry);
  if (leaveAfterCloser && wh) {
    PositionAt(frame, wh);
    SkipToCloser(frame, CW_WH);
  }
}

}  // namespace

void ExecuteControlWord(CScriptEngine& eng, CScriptFrame& frame, const char* p) {
  const std::string word = FetchName(p);
  const int cw = FindControlWord(word);
  if (*p == '(') ++p;
  CScriptFrame& root = eng.m_Root;
  bool endsMacroCall = false;
  switch (cw) {
    case CW_JP: {
      std::string name;
      if (TargetText(eng, frame, p, &name, false) && JumpLocal(eng, name)) {
        if (!eng.CutStackTo("gsb")) eng.CutStackToTop();
      }
      endsMacroCall = true;
      break;
    }
    case CW_JSB: {
      std::string name;
      if (TargetText(eng, frame, p, &name, false)) {
        // The entry is pushed only for a jump that can be made.
        const std::int32_t callLine = root.m_nLine;
        const std::string callLabel = eng.m_strLabel;
        if (JumpLocal(eng, name)) {
          ValueNode* e = root.m_Stack.AddList("jsb");
          e->list->AddText("jsb", callLabel);
          e->list->AddInt("jsb", callLine);
        }
      }
      endsMacroCall = true;
      break;
    }
    case CW_GO:
    case CW_GSB: {
      std::string target, file, label;
      if (TargetText(eng, frame, p, &target, true) && SplitTarget(eng, target, &file, &label)) {
        if (file == root.m_strFile && !eng.m_Labels.Find(label)) {
          // Nothing to call in this file: no return entry is left behind.
          ScriptBox(FormatText(SJ("ラベル %s は存在しません。"), label.c_str()), SJ("デバッグ"));
          endsMacroCall = true;
          break;
        }
        if (cw == CW_GSB) {
          ValueNode* e = root.m_Stack.AddList("gsb");
          e->list->AddText("gsb", root.m_strFile);
          e->list->AddText("gsb", eng.m_strLabel);
          e->list->AddInt("gsb", root.m_nLine);
          e->list->AddText("gsb", eng.m_strLocalLabel);
        }
        GoTo(eng, file, label);
        if (cw == CW_GO) eng.CutStackToTop();
      }
      endsMacroCall = true;
      break;
    }
    case CW_RET:
      Return(eng);
      endsMacroCall = true;
      break;
    case CW_IF:
      eng.m_strLocalLabel = IfLabel(frame.m_nLine);
      if (!EvalCondition(p, root.m_Vars)) IfFalse(eng, frame);
      break;
    case CW_ELIF:
    case CW_ELSE:
      // Reached by running: the end of a taken branch.
      SkipToCloser(frame, CW_IF);
      eng.m_strLocalLabel = IfLabel(frame.m_nLine);
      break;
    case CW_ENDI:
      eng.m_strLocalLabel = IfLabel(frame.m_nLine);
      break;
    case CW_SW:
      Switch(eng, frame, p);
      break;
    case CW_CASE:
    case CW_DF:
      SkipToCloser(frame, CW_SW);  // no fall-through
      break;
    case CW_ENDS:
      eng.m_strLocalLabel = SwLabel(frame.m_nLine);
      break;
    case CW_WH:
      if (EvalCondition(p, root.m_Vars)) {
        root.m_Stack.AddInt("wh", frame.m_nLine);
      } else {
        SkipToCloser(frame, CW_WH);
      }
      break;
    case CW_CONT:
      LoopAgain(eng, frame, true);
      break;
    case CW_BRK:
      if (ValueNode* entry = LoopEntry(eng, "brk")) {
        root.m_Stack.Remove(entry);
        SkipToCloser(frame, CW_WH);
      }
      break;
    case CW_ENDW:
      LoopAgain(eng, frame, false);
      break;
    case CW_ENDM:
      if (frame.m_pParent) {
        // The macro call is over; the caller goes on after it.
        frame.m_pParent->m_pChild.reset();
        return;
      }
      break;
    default:
      break;  // for, endf, do, untl, macro and unknown words do nothing
  }
  if (endsMacroCall) root.m_pChild.reset();
}
