#include "scene/command_args.h"

#include "engine/arg_list.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "platform/text.h"

std::int32_t ScriptArgInt(const CScriptEngine& eng, int n) {
  if (n < 1 || n > kArgSlots) return 0;
  const ArgSlot& a = eng.m_Args[n - 1];
  if (a.type == '%') return a.Int();
  if (a.type == '!') {
    const float f = a.Float();
    return (f >= -2147483648.0f && f < 2147483648.0f) ? static_cast<std::int32_t>(f) : 0;
  }
  return 0;
}

std::string ScriptArgText(const CScriptEngine& eng, int n) {
  if (n < 1 || n > kArgSlots) return {};
  const ArgSlot& a = eng.m_Args[n - 1];
  return a.type == '$' ? std::string(a.Text()) : std::string();
}

bool ScriptArgIsText(const CScriptEngine& eng, int n) { return n >= 1 && n <= kArgSlots && eng.m_Args[n - 1].type == '$'; }
bool ScriptArgIsNumber(const CScriptEngine& eng, int n) {
  return n >= 1 && n <= kArgSlots && eng.m_Args[n - 1].type == '%';
}

void SceneDebugBox(const std::string& text) { ScriptBox(text, SJ("デバッグ")); }
