// The script language's vocabulary: the command words (whose index decides
// how a handler gets its arguments: below 128 the raw rest of the line, from
// 128 on the parsed argument slots), the operators and the control words
// written after '^'.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

inline constexpr int kCommandCount = 255;  // index 255 is the empty end
inline constexpr int kCommandWordMax = 32;  // identifier bytes compared

// Name of command index i (0..255; 255 is ""). Unused slots are "dummy".
std::string_view CommandName(int index);
// Index of the first command named exactly `word`, or -1.
int FindCommand(std::string_view word);

// Operators by index (0 "+=" ... 26 "="), and the empty end at 27.
inline constexpr int kOperatorCount = 27;
std::string_view OperatorName(int index);
int FindOperator(std::string_view text);
enum : int {
  OP_ADD_ASSIGN = 0, OP_SUB_ASSIGN, OP_MUL_ASSIGN, OP_DIV_ASSIGN, OP_MOD_ASSIGN, OP_POW_ASSIGN,
  OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_MOD, OP_POW,
  OP_AND_ASSIGN, OP_OR_ASSIGN, OP_XOR_ASSIGN, OP_NOT_ASSIGN,
  OP_AND, OP_OR, OP_XOR, OP_NOT,
  OP_EQ, OP_NE, OP_LE, OP_GE, OP_LT, OP_GT,
  OP_ASSIGN,
};

// Control words after '^' (0 "jp" ... 22 "endm"), empty end at 23.
inline constexpr int kControlWordCount = 23;
std::string_view ControlWordName(int index);
int FindControlWord(std::string_view word);
enum : int {
  CW_JP = 0, CW_GO, CW_JSB, CW_GSB, CW_RET, CW_IF, CW_ELIF, CW_ELSE, CW_ENDI,
  CW_SW, CW_CASE, CW_DF, CW_ENDS, CW_WH, CW_CONT, CW_BRK, CW_ENDW,
  CW_FOR, CW_ENDF, CW_DO, CW_UNTL, CW_MACRO, CW_ENDM,
};

// What a looked-up word does to the engine's flags before its handler runs.
struct CommandFlags {
  bool setsSceneChanged = false;  // chon choff bgon bgoff cgon cgoff mono fill
  bool keepsFlags = false;        // ef ud bout bin wout win: nothing is touched
  bool endsFrameRun = false;      // the out flag: no further line in this frame step
};
CommandFlags FlagsOfCommand(int index);

// Command indexes the engine itself refers to.
enum : int {
  CMD_NOP = 0, CMD_DEBUG, CMD_DEF, CMD_VAR, CMD_ARRAY, CMD_QUE, CMD_STACK, CMD_POOL, CMD_ENQUE,
  CMD_DEQUE, CMD_PUSH, CMD_POP, CMD_PICK, CMD_INSP, CMD_DELP, CMD_SWAP, CMD_GLOBAL,
  CMD_TITLE = 128, CMD_MEMO, CMD_MENU, CMD_SNAP, CMD_MODE, CMD_SET, CMD_LAYER, CMD_MSG, CMD_EXIT,
  CMD_PAUSE, CMD_WAIT, CMD_CALL, CMD_RET, CMD_BACKTITLE, CMD_FLOAT, CMD_FNT, CMD_SAVE, CMD_LOAD,
  CMD_SAVEENABLE, CMD_SAVEDISABLE, CMD_LOADENABLE, CMD_LOADDISABLE, CMD_SKIPENABLE,
  CMD_SKIPDISABLE, CMD_MAX, CMD_MIN, CMD_NUM, CMD_STR, CMD_RAND, CMD_CLRBACKLOG,
};
