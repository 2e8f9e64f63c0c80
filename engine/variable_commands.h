// The variable commands (indexes below 128): debug, def, var, array, que,
// stack, pool, enque, deque, push, pop and global. Each reads the rest of
// its command line from the line buffer and works on the root frame's
// variables; global on the persistent global variables.
#pragma once
#include <string_view>

class CScriptEngine;

void InstallVariableCommands(CScriptEngine& eng);

// The argument text of `global`: "(", a sigil and a name, optionally ","
// and a value, ")". Blanks are allowed (the engine's own "(%Mode01, 1)" has
// one, command lines never do).
void DeclareGlobals(CScriptEngine& eng, std::string_view text);
