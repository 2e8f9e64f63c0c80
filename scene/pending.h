// What the script waits for and what is being animated: PendingState (the
// single wait the script is in), RunMode (normal, skipping, page at once),
// the PendingOp table the per-frame steppers work through, and the hook the
// frame step calls: the one-shot reset ResetAllWindows, then the wait driver
// RunWaitStates, which ends timed waits, drives auto mode and skip, and runs
// one script line when nothing is pending. Main thread only.
#pragma once
#include <cstdint>

#include "engine/scene_interface.h"

enum : std::int32_t {
  RUN_NOSKIP = 0,     // skipping disabled
  RUN_NORMAL = 1,
  RUN_PAGE = 2,       // the rest of the page at once
  RUN_SKIPHELD = 4,   // skipping while Ctrl is held
  RUN_SKIP = 8,       // skip mode on
};

// Page clears, the codes the skip clears at once.
enum : std::int32_t { OP_PAGE_CLEAR = 1, OP_PAGE_CLEAR2 = 2, kFirstParallelOp = 68 };

struct PendingOp {
  std::int32_t code = 0;
  std::int32_t p[10] = {};  // p1 .. p10
};

using FrameHookFn = void (*)();

// What the wait driver asks of the rest of the scene and of the engine.
class IWaitHost {
 public:
  virtual ~IWaitHost() = default;
  // One script line of the deepest frame.
  virtual void ExecuteScriptLine() = 0;
  // The left click of a player (fromUser 1) or of auto mode (0).
  virtual void OnLeftClick(int fromUser) = 0;
  // The skip's page clear: the current window's cursor home, line and
  // column 0, the window redrawn and the screen presented.
  virtual void ClearCurrentWindowPage() = 0;
  // The page text emptied and the root frame's line start and cursor back
  // at the start of the line buffer.
  virtual void ResetPageText() = 0;
  // Every window (or only the current one) back to column and line 0, its
  // cursor at home and its state 2.
  virtual void ResetWindows(bool currentOnly) = 0;
  // Sprites, buttons and gauges hidden, as a reset leaves them.
  virtual void HideAllObjects() = 0;
  // The four surfaces cleared (3, 2, 1, 0) and layer 0 presented; with
  // clear false only layer 0 becomes the presented surface.
  virtual void ResetScreens(bool clear) = 0;
  // The text reveal's bracket depth and the last voice cue's name.
  virtual void ResetTextState() = 0;
  virtual bool IsVoicePlaying() = 0;
  virtual bool AnyWindowHidden() = 0;
  // Stops the voice and advances as a click (the skip switch turned on).
  virtual void AdvanceAfterVoice() = 0;
  // One typewriter step of the current window.
  virtual void ShowTextStep() = 0;
  // The script's `mode` word, and the save/load switches it reopens.
  virtual std::int32_t ScriptMode() = 0;
  virtual void AllowSaveAndLoad() = 0;
};

// The auto-mode settings the driver reads (words of the settings record).
struct AutoModeSettings {
  std::int32_t enabled = 0;        // 1: auto mode on
  std::uint32_t msPerChar = 50;
  std::uint32_t extraSeconds = 1;
  std::uint32_t minSeconds = 0;
  std::int32_t advanceAtOnce = 0;  // 1: no waiting for the deadline
};

struct SceneState {
  std::uint32_t m_nPendingState = 0;
  std::int32_t m_nRunMode = RUN_NORMAL;
  PendingOp m_Ops[8];
  std::int32_t m_bStepReady = 0;
  FrameHookFn m_pfnFrameHook = nullptr;
  std::uint32_t m_dwWaitStart = 0, m_dwWaitLength = 0;
  std::uint32_t m_dwAutoDeadline = 0;
  std::uint32_t m_nLastLineChars = 0;
  AutoModeSettings m_Auto;
  IWaitHost* m_pHost = nullptr;
};

// The process's scene state (one per run; tests reset it).
SceneState& Scene();
void ResetSceneState();

// Ends a wait: 0, unless the backlog view is open, whose value stays.
void EndWait();

void ClearPendingOps();
void ClearPendingOpsAll();
void SetPendingOp(std::int32_t code, std::int32_t p1 = 0, std::int32_t p2 = 0, std::int32_t p3 = 0,
                  std::int32_t p4 = 0, std::int32_t p5 = 0, std::int32_t p6 = 0, std::int32_t p7 = 0,
                  std::int32_t p8 = 0);
void AddPendingOp(std::int32_t code, std::int32_t p1 = 0, std::int32_t p2 = 0, std::int32_t p3 = 0,
                  std::int32_t p4 = 0, std::int32_t p5 = 0);
void PopPendingOp();

void ResetAllWindows();
void RunWaitStates();
void ResetCurrentWindow();
void TextFrameHook();
void ToggleSkipMode();

// The deadline of a text line of n characters: at least the minimum
// seconds, else its reading time plus the extra seconds.
void SetAutoDeadline(std::uint32_t chars);
