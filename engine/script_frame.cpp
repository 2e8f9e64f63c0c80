#include "engine/script_frame.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/arg_list.h"
#include "engine/command_table.h"
#include "engine/expression.h"
#include "engine/line_reader.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/script_frame_control.h"
#include "framework/app_base.h"
#include "framework/sjis.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kJoinMax = 65535;  // a joined text or a copied line
constexpr std::size_t kMaxChoices = 15;
constexpr int kMaxMacroDepth = 256;

bool IsIdentByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Appends as much of `s` as fits the bound, cut on a character boundary.
void AppendBounded(std::string& out, std::string_view s) {
  if (out.size() >= kJoinMax) return;
  out += sjis::CutBounded(s, kJoinMax - out.size());
}

void MissingVariable(char sigil, const std::string& name) {
  ScriptBox(FormatText(SJ("変数 %c%s は宣言されていません。"), sigil, name.c_str()), SJ("デバッグ"));
}

// A text variable's text for the escapes and the speaker name: the frame's,
// then the root's; nothing when there is none.
std::string TextOf(CScriptEngine& eng, const CScriptFrame& frame, const std::string& name) {
  const ValueNode* v = eng.FindVariable(frame, name);
  return (v && v->type == VT_TEXT) ? v->text : std::string();
}

std::string AsciiName(const char*& p) {
  std::string name;
  while (IsIdentByte(*p)) name.push_back(*p++);
  return name;
}

void TextAssignment(CScriptEngine& eng, CScriptFrame& frame, const char* p) {
  const std::string name = FetchName(p);
  ValueNode* target = eng.FindVariable(frame, name);
  const std::string op = FetchOperator(p);
  if (op != "=" && op != "+=") return;
  std::string joined;
  for (;;) {
    p = SkipBlanks(p);
    if (*p == '$') {
      ++p;
      const std::string item = FetchName(p);
      const ValueNode* v = eng.FindVariable(frame, item);
      if (!v) {
        MissingVariable('$', item);
      } else if (v->type == VT_TEXT) {
        AppendBounded(joined, v->text);
      }
    } else if (*p == '"') {
      ++p;
      AppendBounded(joined, FetchString(p));
    } else if (IsIdentByte(*p) || sjis::CharLen(p) == 2) {
      // A bare name: a named constant, which holds an integer; its decimal
      // text is what it stands for here.
      const std::string item = FetchName(p);
      const ValueNode* k = eng.m_Constants.Find(item);
      if (k && k->type == VT_INT) {
        AppendBounded(joined, std::to_string(k->nValue));
      } else {
        ScriptBox(FormatText(SJ("名前付き定数 %s は定義されていません。"), item.c_str()), SJ("デバッグ"));
      }
    } else {
      break;
    }
    p = SkipBlanks(p);
    if (*p != '+') break;
    ++p;
  }
  if (!target) {
    MissingVariable('$', name);
    return;
  }
  // A text written into an integer or a list would replace it with another
  // kind of value behind the script's back.
  if (target->type != VT_TEXT) {
    ScriptBox(FormatText(SJ("変数 %s は文字列変数ではありません。"), name.c_str()), SJ("デバッグ"));
    return;
  }
  if (op == "=") {
    target->text = joined;
  } else {
    AppendBounded(target->text, joined);
  }
}

void IntegerAssignment(CScriptEngine& eng, CScriptFrame& frame, const char* p) {
  const std::string name = FetchName(p);
  ValueNode* target = eng.FindVariable(frame, name);
  const std::string opText = FetchOperator(p);
  const int op = FindOperator(opText);
  if (op >= OP_EQ && op <= OP_GT) {
    ShowWarning(FormatText(SJ("不正なオペレータ【%s】が指定されています。"), opText.c_str()).c_str());
    return;
  }
  const bool assigns = (op >= OP_ADD_ASSIGN && op <= OP_POW_ASSIGN) || (op >= OP_AND_ASSIGN && op <= OP_NOT_ASSIGN) ||
                       op == OP_ASSIGN;
  if (!assigns) return;
  if (!target) {
    MissingVariable('%', name);
    return;
  }
  if (target->type != VT_INT && target->type != VT_FLOAT) {
    ScriptBox(FormatText(SJ("変数 %s は整数変数ではありません。"), name.c_str()), SJ("デバッグ"));
    return;
  }
  const std::int32_t value = EvalSum(p, eng.m_Root.m_Vars);
  // The value block is a 32-bit word whatever its type: a float variable
  // takes the integer's bits, as the original wrote them.
  std::int32_t cur = target->nValue;
  if (target->type == VT_FLOAT) std::memcpy(&cur, &target->fValue, 4);
  std::int32_t result = cur;
  switch (op) {
    case OP_ADD_ASSIGN: result = WrapAdd(cur, value); break;
    case OP_SUB_ASSIGN: result = WrapSub(cur, value); break;
    case OP_MUL_ASSIGN: result = WrapMul(cur, value); break;
    case OP_DIV_ASSIGN: result = CheckedDiv(cur, value); break;
    case OP_MOD_ASSIGN: result = CheckedMod(cur, value); break;
    case OP_POW_ASSIGN: result = IntPow(cur, value); break;
    case OP_AND_ASSIGN: result = cur & value; break;
    case OP_OR_ASSIGN: result = cur | value; break;
    case OP_XOR_ASSIGN: result = cur ^ value; break;
    case OP_NOT_ASSIGN: result = ~value; break;
    default: result = value; break;
  }
  if (target->type == VT_FLOAT) {
    std::memcpy(&target->fValue, &result, 4);
  } else {
    target->nValue = result;
  }
}

void WindowSelection(CScriptEngine& eng, CScriptFrame& frame, const char* p) {
  std::int32_t index = 0;
  if (*p == '-' || *p == '~' || (*p >= '0' && *p <= '9')) {
    index = TextToInt(FetchNumber(p));
  } else if (*p == '%') {
    ++p;
    const std::string name = FetchName(p);
    const ValueNode* v = eng.FindVariable(frame, name);
    if (!v || v->type != VT_INT) {
      MissingVariable('%', name);
      return;
    }
    index = v->nValue;
  } else {
    const std::string name = FetchName(p);
    const ValueNode* k = eng.m_Constants.Find(name);
    if (!k || k->type != VT_INT) {
      ScriptBox(FormatText(SJ("名前付き定数 %s は定義されていません。"), name.c_str()), SJ("デバッグ"));
      return;
    }
    index = k->nValue;
  }
  IScriptScene* scene = eng.m_pScene;
  if (!scene) return;
  // The window table may not hold that window (or any yet).
  if (index < 0 || index >= scene->GetWindowCount()) {
    ScriptBox(FormatText(SJ("ウィンドウ %d は作成されていません。"), index), SJ("デバッグ"));
    return;
  }
  scene->SelectWindow(index);
}

void EmptyLine(CScriptEngine& eng) {
  IScriptScene* scene = eng.m_pScene;
  if (eng.m_nMode != 2 || !scene) return;
  if (scene->IsPageTextEmpty() || scene->GetContinuedText()) return;
  scene->AddBacklogLine("\\n");
  scene->UpdateReadMark();
  scene->AppendPageText("\\n");
  scene->NewTextLine();
}

void MessageText(CScriptEngine& eng, CScriptFrame& frame, const std::string& line) {
  eng.m_bContinue = 0;
  IScriptScene* scene = eng.m_pScene;
  std::string out;
  std::string name;
  std::uint32_t chars = 0;
  const char* p = line.c_str();
  if (*p == '[') {
    // The leading speaker name: kept in the line for the reveal to pass
    // over, and copied with its variables filled in for the name buffer.
    const char* q = p + 1;
    while (*q != '\0' && *q != ']') {
      if (*q == '\\' && q[1] != '\0') {
        q += 2;
        name += TextOf(eng, frame, AsciiName(q));
        continue;
      }
      const std::size_t n = sjis::CharLen(q);
      name.append(q, n);
      q += n;
    }
    if (*q == ']') ++q;
    out.assign(p, static_cast<std::size_t>(q - p));
    p = q;
  }
  bool stop = false;
  while (!stop && *p != '\0' && out.size() < kJoinMax) {
    const std::size_t n = sjis::CharLen(p);
    if (n == 2) {
      AppendBounded(out, std::string_view(p, 2));
      ++chars;
      p += 2;
      continue;
    }
    if (*p != '@' && *p != '\\') {
      AppendBounded(out, std::string_view(p, 1));
      ++p;
      continue;
    }
    const char e = p[1];
    if (e >= '0' && e <= '9') {
      AppendBounded(out, std::string_view(p, 2));
      ++chars;
      p += 2;
    } else if (e == 'N' || e == 'n') {
      AppendBounded(out, std::string_view(p, 2));
      p += 2;
    } else if (e == 'C' || e == 'c') {
      const char* q = p + 2;
      while (*q != '\0' && sjis::CharLen(q) == 1 && *q != '[' && *q != '\\' && *q != '@') ++q;
      AppendBounded(out, std::string_view(p, static_cast<std::size_t>(q - p)));
      p = q;
    } else if (e == 'S' || e == 's') {
      p += 2;
      AppendBounded(out, TextOf(eng, frame, AsciiName(p)));
    } else if (e == 'I' || e == 'i' || e == 'F' || e == 'f') {
      AppendBounded(out, std::string_view(p, 2));
      stop = true;
    } else {
      stop = true;  // the reveal knows no other escape
    }
  }
  // Outside mode 2 an empty line after the text ends the page with it.
  if (eng.m_nMode != 2 && frame.m_pLine && frame.m_pLine->next && frame.m_pLine->next->text.empty()) {
    if (out.size() + 2 <= kJoinMax) out += "\\f";
  }
  eng.m_LineBuf = out;
  frame.m_nCursor = 0;
  if (!scene) return;
  if (!name.empty() || line[0] == '[') {
    if (scene->GetCurrentWindow() < 0) {
      ScriptBox(SJ("名前ラベルを表示するカレントウィンドウが設定されていません。"), SJ("デバッグ"));
      return;
    }
    scene->EnsureWindowShown();
  }
  scene->AddBacklogLine(out);
  scene->UpdateReadMark();
  const std::int32_t window = scene->GetCurrentWindow();
  if (window < 0) {
    ScriptBox(SJ("テキストを表示するカレントウィンドウが設定されていません。"), SJ("デバッグ"));
    return;
  }
  scene->PrepareTextLine(name);
  scene->SetContinuedText(false);
  scene->SetPendingOp(kTextRevealOp, window);
  scene->SetPendingState(PND_TYPING);
  scene->StartAutoDeadline(chars);
  if (eng.m_nMode == 0) {
    eng.m_bSaveEnabled = 0;
    eng.m_bLoadEnabled = 0;
  }
}

void ChoiceList(CScriptEngine& eng, const std::string& line) {
  eng.m_bContinue = 0;
  IScriptScene* scene = eng.m_pScene;
  if (!scene) return;
  if (scene->GetCurrentWindow() < 0) {
    ScriptBox(SJ("名前ラベルを表示するカレントウィンドウが設定されていません。"), SJ("デバッグ"));
    return;
  }
  scene->EnsureWindowShown();
  std::vector<std::string> choices;
  bool tooMany = false;
  // Walked a character at a time: a single-byte character must not shift
  // the pairs over a '/' or the terminator.
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t n = sjis::CharLen(line, i);
    if (n == 1 && line[i] == '/') {
      if (i + 1 < line.size() && line[i + 1] == '/') break;
      if (choices.size() == kMaxChoices) {
        tooMany = true;
        break;
      }
      choices.emplace_back();
    } else if (!choices.empty()) {
      choices.back().append(line, i, n);
    }
    i += n;
  }
  if (tooMany) ScriptBox(SJ("選択肢が多すぎます。16個目以降の選択肢は表示されません。"), SJ("デバッグ"));
  if (choices.empty()) {
    // Nothing to click: waiting would never end.
    ScriptBox(SJ("選択肢がありません。"), SJ("デバッグ"));
    return;
  }
  scene->SetPendingState(PND_SLCT);
  scene->UpdateReadMark();
  scene->ShowChoices(choices);
  if (scene->GetRunMode() == 8) scene->SetRunMode(1);
}

void CommandOrMacro(CScriptEngine& eng, CScriptFrame& frame, const char* p) {
  std::string word;
  bool ends = false;
  const int index = LookupCommand(eng, p, &word, &ends);
  if (ends) eng.m_bContinue = 0;
  eng.m_nCommand = index;
  if (index >= 0) {
    if (index < 128) {
      // The rest of the line becomes the line buffer (copied out first: it
      // may be part of the buffer itself).
      std::string rest(p);
      eng.m_LineBuf.swap(rest);
      frame.m_nCursor = 0;
    } else {
      ParseArgList(eng.m_Args, p, eng.m_Root.m_Vars, eng.m_Constants);
    }
    eng.GetCommandHandler(index)(eng, frame);
    return;
  }
  ValueNode* macro = eng.m_Macros.Find(word);
  if (macro && macro->type == VT_LIST && macro->list) {
    // A macro that calls itself without end would take a frame a line,
    // frame step after frame step, until memory runs out.
    int depth = 0;
    for (const CScriptFrame* f = &frame; f->m_pParent; f = f->m_pParent) ++depth;
    if (depth >= kMaxMacroDepth) {
      ScriptBox(FormatText(SJ("マクロ %s の呼び出しが深すぎます。"), word.c_str()), SJ("デバッグ"));
      return;
    }
    auto child = std::make_unique<CScriptFrame>();
    child->m_nLine = 1;
    child->m_pLines = macro->list.get();
    child->m_pLine = macro->list->Head();
    child->m_pParent = &frame;
    frame.m_pChild = std::move(child);
    return;
  }
  ScriptBox(FormatText(SJ("%s は命令でもマクロでもありません。"), word.c_str()), SJ("デバッグ"));
}

}  // namespace

CScriptFrame* CScriptFrame::Deepest() {
  CScriptFrame* f = this;
  while (f->m_pChild) f = f->m_pChild.get();
  return f;
}

bool CScriptFrame::Advance() {
  ++m_nLine;
  if (m_pLine) {
    m_pLine = m_pLine->next;
  } else if (m_pLines) {
    m_pLine = m_pLines->Find(std::to_string(m_nLine));
  }
  return m_pLine != nullptr;
}

void CScriptFrame::SetLine(std::int32_t number) {
  m_nLine = number;
  m_pLine = m_pLines ? m_pLines->Find(std::to_string(number)) : nullptr;
}

void CScriptFrame::StepBack() { SetLine(m_nLine - 1); }

void CScriptFrame::ExecuteLine(CScriptEngine& eng) {
  eng.m_bContinue = 1;
  if (this == &eng.m_Root && eng.m_bHalted) {
    eng.m_bContinue = 0;
    return;
  }
  if (!Advance()) {
    if (m_pParent) {
      // A macro body without its "^endm" ends with its last line: back to
      // the caller, which goes on after the call. This frame is gone after.
      m_pParent->m_pChild.reset();
      return;
    }
    eng.m_bContinue = 0;
    eng.m_bHalted = true;
    ScriptBox(FormatText(SJ("スクリプト %s の最後の行を越えました。\nスクリプトの実行を終了します。"), m_strFile.c_str()),
              SJ("デバッグ"));
    return;
  }
  // The node may go during this step (a jump reloads the lines).
  const std::string line = m_pLine->text;
  m_nCursor = 0;
  if (eng.m_pScene && eng.m_pScene->IsPageTextEmpty()) m_nLineStart = m_nCursor;
  if (eng.m_pScene) eng.m_pScene->UpdateReadMark();

  const char c = line.empty() ? '\0' : line[0];
  const char* rest = line.c_str() + 1;
  if (c == '\0') {
    EmptyLine(eng);
  } else if (c == '\\' || c == '[' || c == '@' || sjis::IsLead(static_cast<unsigned char>(c))) {
    MessageText(eng, *this, line);
  } else if (c == '$') {
    TextAssignment(eng, *this, rest);
  } else if (c == '%') {
    IntegerAssignment(eng, *this, rest);
  } else if (c == '!') {
    // nothing: float variables are set by their commands
  } else if (c == '/') {
    ChoiceList(eng, line);
  } else if (c == ':') {
    if (line.size() < 2 || line[1] != ':') eng.m_strLocalLabel = line.substr(1);
  } else if (c == '>') {
    WindowSelection(eng, *this, rest);
  } else if (c == '^') {
    // May end this frame or the macro chain it belongs to: nothing of the
    // frame is touched after it.
    ExecuteControlWord(eng, *this, rest);
  } else {
    CommandOrMacro(eng, *this, line.c_str());
  }
}
