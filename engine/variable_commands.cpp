#include "engine/variable_commands.h"

#include <string>

#include "engine/arg_list.h"
#include "engine/command_table.h"
#include "engine/expression.h"
#include "engine/line_reader.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "platform/text.h"

namespace {

void DebugBox(const std::string& text) { ScriptBox(text, SJ("デバッグ")); }

const char* RestOfLine(CScriptEngine& eng, CScriptFrame& frame) {
  if (frame.m_nCursor > eng.m_LineBuf.size()) frame.m_nCursor = eng.m_LineBuf.size();
  return eng.m_LineBuf.c_str() + frame.m_nCursor;
}

// Puts an argument slot's value as a new element (or a node's value).
void AddSlot(ValueList& list, const char* name, const ArgSlot& slot) {
  switch (slot.type) {
    case '%': list.AddInt(name, slot.Int()); break;
    case '!': list.AddFloat(name, slot.Float()); break;
    case '$': list.AddText(name, slot.Text()); break;
    default: break;
  }
}

void CmdDebug(CScriptEngine& eng, CScriptFrame& frame) {
  const ValueNode* dbg = eng.m_Root.m_Vars.Find("dbg");
  if (!dbg || dbg->type != VT_INT || dbg->nValue == 0) return;
  const char* p = RestOfLine(eng, frame);
  if (*p != '(') return;
  ++p;
  std::string text;
  if (*p == '"') {
    ++p;
    text = FetchString(p);
  } else if (*p == '%' || *p == '!' || *p == '$') {
    ++p;
    const std::string name = FetchName(p);
    const ValueNode* v = eng.m_Root.m_Vars.Find(name);
    if (!v) {
      text = FormatText(SJ("変数 %s は宣言されていません。"), name.c_str());
    } else if (v->type == VT_INT) {
      text = FormatText(SJ("整数変数 %s の値は %d です。"), name.c_str(), v->nValue);
    } else if (v->type == VT_FLOAT) {
      text = FormatText(SJ("整数変数 %s の値は %f です。"), name.c_str(), static_cast<double>(v->fValue));
    } else if (v->type == VT_TEXT) {
      text = FormatText(SJ("文字列変数 %s の値は %s です。"), name.c_str(), v->text.c_str());
    } else {
      text = FormatText(SJ("%s は表示できません。"), name.c_str());
    }
  } else {
    text = std::to_string(TextToInt(FetchNumber(p)));
  }
  ScriptBox(text, SJ("debugコマンド実行"));
}

void CmdDef(CScriptEngine& eng, CScriptFrame& frame) {
  const char* p = RestOfLine(eng, frame);
  const std::string name = FetchName(p);
  ValueList& vars = eng.m_Root.m_Vars;
  if (vars.Find(name)) {
    DebugBox(FormatText(SJ("定数 %s が再宣言されているか、同じ名前の変数が存在します。"), name.c_str()));
    return;
  }
  if (*p == '"') {
    ++p;
    vars.AddText(name, FetchString(p));
  } else if (*p == '-' || *p == '~' || (*p >= '0' && *p <= '9')) {
    vars.AddInt(name, TextToInt(FetchNumber(p)));
  }
}

void CmdVar(CScriptEngine& eng, CScriptFrame& frame) {
  const char* p = RestOfLine(eng, frame);
  ValueList& vars = eng.m_Root.m_Vars;
  if (*p == '(') ++p;
  while (*p != '\0' && *p != ')') {
    if (*p == ',' || *p == ' ' || *p == '\t') {
      ++p;
      continue;
    }
    const char sigil = *p++;
    const std::string name = FetchName(p);
    if (sigil != '%' && sigil != '!' && sigil != '$') {
      DebugBox(FormatText(SJ("変数%sの宣言に不正な識別子が使用されています。"), (std::string(1, sigil) + name).c_str()));
      continue;
    }
    // Declared again: still appended, and lookups keep the older one.
    if (vars.Find(name)) DebugBox(FormatText(SJ("変数 %s が再宣言されました。"), name.c_str()));
    vars.AddTyped(name, sigil);
  }
}

void CmdArray(CScriptEngine& eng, CScriptFrame& frame) {
  const char* p = RestOfLine(eng, frame);
  ParseArgList(eng.m_Args, p, eng.m_Root.m_Vars, eng.m_Constants);
}

// que, stack, pool: a new container holding its first element.
void MakeContainer(CScriptEngine& eng, CScriptFrame& frame, const char* kind, const char* redeclared) {
  const char* p = RestOfLine(eng, frame);
  ParseArgList(eng.m_Args, p, eng.m_Root.m_Vars, eng.m_Constants);
  const std::string name(eng.m_Args[0].Text());
  ValueList& vars = eng.m_Root.m_Vars;
  if (vars.Find(name)) {
    DebugBox(FormatText(redeclared, name.c_str()));
    return;
  }
  if (eng.m_Args[1].type == 0) return;
  ValueNode* c = vars.AddList(name);
  AddSlot(*c->list, kind, eng.m_Args[1]);
}

// The container NAME of the first argument, checked to be one: any other
// kind of variable has no element list.
ValueNode* Container(CScriptEngine& eng, CScriptFrame& frame, const char* missing) {
  const char* p = RestOfLine(eng, frame);
  ParseArgList(eng.m_Args, p, eng.m_Root.m_Vars, eng.m_Constants);
  const std::string name(eng.m_Args[0].Text());
  ValueNode* c = eng.m_Root.m_Vars.Find(name);
  if (!c || c->type != VT_LIST || !c->list) {
    DebugBox(FormatText(missing, name.c_str()));
    return nullptr;
  }
  return c;
}

void Append(CScriptEngine& eng, CScriptFrame& frame, const char* kind, const char* missing) {
  ValueNode* c = Container(eng, frame, missing);
  if (!c) return;
  for (int i = 1; i < kArgSlots; ++i) AddSlot(*c->list, kind, eng.m_Args[i]);
}

void Take(CScriptEngine& eng, CScriptFrame& frame, bool first, const char* missing, const char* empty) {
  ValueNode* c = Container(eng, frame, missing);
  if (!c) return;
  ValueNode* e = first ? c->list->Head() : c->list->Tail();
  if (!e) {
    DebugBox(FormatText(empty, c->name.c_str()));
    return;
  }
  eng.Reg()->CopyValueFrom(*e);
  c->list->Remove(e);
}

void CmdQue(CScriptEngine& e, CScriptFrame& f) { MakeContainer(e, f, "que", SJ("キュー変数 %s が再宣言されました。")); }
void CmdStack(CScriptEngine& e, CScriptFrame& f) {
  MakeContainer(e, f, "stack", SJ("スタック変数 %s が再宣言されました。"));
}
void CmdPool(CScriptEngine& e, CScriptFrame& f) { MakeContainer(e, f, "pool", SJ("プール変数 %s が再宣言されました。")); }
void CmdEnque(CScriptEngine& e, CScriptFrame& f) { Append(e, f, "que", SJ("キュー変数 %s が宣言されていません。")); }
void CmdPush(CScriptEngine& e, CScriptFrame& f) { Append(e, f, "stack", SJ("スタック変数 %s が宣言されていません。")); }
void CmdDeque(CScriptEngine& e, CScriptFrame& f) {
  Take(e, f, true, SJ("キュー変数 %s が宣言されていません。"), SJ("キュー変数 %s は空です。"));
}
void CmdPop(CScriptEngine& e, CScriptFrame& f) {
  Take(e, f, false, SJ("スタック変数 %s が宣言されていません。"), SJ("スタック変数 %s は空です。"));
}
void CmdGlobal(CScriptEngine& e, CScriptFrame& f) { DeclareGlobals(e, RestOfLine(e, f)); }

}  // namespace

void DeclareGlobals(CScriptEngine& eng, std::string_view text) {
  const std::string copy(text);
  const char* p = SkipBlanks(copy.c_str());
  if (*p == '(') ++p;
  p = SkipBlanks(p);
  const char sigil = *p;
  if (sigil != '%' && sigil != '!' && sigil != '$') {
    if (*p != '\0') ++p;
    const std::string name = FetchName(p);
    DebugBox(FormatText(SJ("グローバル変数%sの宣言に型識別子がありません。"), name.c_str()));
    return;
  }
  ++p;
  const std::string name = FetchName(p);
  p = SkipBlanks(p);
  bool hasValue = false;
  if (*p == ',') {
    p = SkipBlanks(p + 1);
    hasValue = *p != ')' && *p != '\0';
  }
  ValueList& vars = eng.m_Root.m_Vars;
  ValueNode value;
  if (sigil == '%') {
    value.SetInt(0);
    if (hasValue && *p == '%') {
      ++p;
      const std::string from = FetchName(p);
      const ValueNode* v = vars.Find(from);
      if (v && v->type == VT_INT) {
        value.nValue = v->nValue;
      } else {
        DebugBox(SJ("globalコマンドの引数変数が存在しません。"));
      }
    } else if (hasValue) {
      value.nValue = TextToInt(FetchNumber(p));
    }
  } else if (sigil == '!') {
    value.SetFloat(0.0f);
    if (hasValue && *p == '!') {
      ++p;
      const std::string from = FetchName(p);
      const ValueNode* v = vars.Find(from);
      if (v && v->type == VT_FLOAT) {
        value.fValue = v->fValue;
      } else {
        DebugBox(SJ("globalコマンドの引数変数が存在しません。"));
      }
    } else if (hasValue) {
      std::string lit;
      while (*p == '-' || *p == '+' || *p == '.' || *p == 'e' || *p == 'E' || (*p >= '0' && *p <= '9')) lit += *p++;
      value.fValue = TextToFloat(lit);
    }
  } else {
    value.SetText("");
    if (hasValue && *p == '$') {
      ++p;
      const std::string from = FetchName(p);
      const ValueNode* v = vars.Find(from);
      if (v && v->type == VT_TEXT) {
        value.text = v->text;
      } else {
        DebugBox(SJ("globalコマンドの引数変数が存在しません。"));
      }
    } else if (hasValue && *p == '"') {
      ++p;
      value.text = FetchString(p);
    }
  }
  ValueNode* global = eng.m_Globals.Find(name);
  ValueNode* reg = eng.Reg();
  // -1 only asks for the stored value (integers and floats: a text is never -1).
  const bool readOnly = (sigil == '%' && value.nValue == -1) || (sigil == '!' && value.fValue == -1.0f);
  if (readOnly) {
    if (global) {
      reg->CopyValueFrom(*global);
    } else {
      reg->SetInt(-1);
    }
    return;
  }
  if (global) {
    reg->CopyValueFrom(*global);
    // Type and value together: a global declared again with another sigil
    // is replaced, never written in its old form.
    global->CopyValueFrom(value);
  } else {
    eng.m_Globals.AddTyped(name, value.type)->CopyValueFrom(value);
    reg->SetInt(-1);
  }
  if (eng.m_pScene) eng.m_pScene->SaveGlobalFile();
}

void InstallVariableCommands(CScriptEngine& eng) {
  eng.SetCommandHandler(CMD_DEBUG, &CmdDebug);
  eng.SetCommandHandler(CMD_DEF, &CmdDef);
  eng.SetCommandHandler(CMD_VAR, &CmdVar);
  eng.SetCommandHandler(CMD_ARRAY, &CmdArray);
  eng.SetCommandHandler(CMD_QUE, &CmdQue);
  eng.SetCommandHandler(CMD_STACK, &CmdStack);
  eng.SetCommandHandler(CMD_POOL, &CmdPool);
  eng.SetCommandHandler(CMD_ENQUE, &CmdEnque);
  eng.SetCommandHandler(CMD_DEQUE, &CmdDeque);
  eng.SetCommandHandler(CMD_PUSH, &CmdPush);
  eng.SetCommandHandler(CMD_POP, &CmdPop);
  eng.SetCommandHandler(CMD_GLOBAL, &CmdGlobal);
}
