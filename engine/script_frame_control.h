// The control words after '^': jumps, calls and returns, if / sw / wh blocks.
#pragma once

class CScriptEngine;
class CScriptFrame;

// Runs the control word at p (just after the '^') on `frame`. Jumps, calls
// and returns move the root frame and end any macro call in progress, so
// `frame` may be gone when this returns.
void ExecuteControlWord(CScriptEngine& eng, CScriptFrame& frame, const char* p);
