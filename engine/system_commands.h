// The system commands (indexes from 128 on, arguments in the slots): the
// caption, the script mode, quitting, waits, the text font, the save, load
// and skip switches, the value commands that leave their result in "reg",
// and clearing the backlog.
#pragma once

class CScriptEngine;

void InstallSystemCommands(CScriptEngine& eng);
