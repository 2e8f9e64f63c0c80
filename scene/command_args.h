// What the scene's command handlers share: readers of the script's
// argument slots (counting from 1) and the debug box they report with.
#pragma once
#include <cstdint>
#include <string>

class CScriptEngine;

// A number slot as an integer: a float truncated as the script's
// arithmetic does (what no integer holds is 0); anything else, or a slot
// outside the list, 0.
std::int32_t ScriptArgInt(const CScriptEngine& eng, int n);
// A text slot's bytes; anything else, or a slot outside the list, empty.
std::string ScriptArgText(const CScriptEngine& eng, int n);
bool ScriptArgIsText(const CScriptEngine& eng, int n);
bool ScriptArgIsNumber(const CScriptEngine& eng, int n);
// A box captioned "デバッグ" (text CP932).
void SceneDebugBox(const std::string& text);
