#include "scene/pending.h"

#include "platform/time.h"

namespace {
SceneState g_Scene;
}

SceneState& Scene() { return g_Scene; }

void ResetSceneState() {
  IWaitHost* host = g_Scene.m_pHost;
  g_Scene = SceneState{};
  g_Scene.m_pHost = host;
}

void EndWait() {
  if (g_Scene.m_nPendingState != PND_BACKLOG) g_Scene.m_nPendingState = 0;
}

void ClearPendingOps() {
  for (PendingOp& op : g_Scene.m_Ops) {
    op.code = 0;
    for (int i = 0; i < 8; ++i) op.p[i] = 0;  // p9 and p10 keep their values
  }
}

void ClearPendingOpsAll() {
  for (PendingOp& op : g_Scene.m_Ops) op = PendingOp{};
}

void SetPendingOp(std::int32_t code, std::int32_t p1, std::int32_t p2, std::int32_t p3, std::int32_t p4,
                  std::int32_t p5, std::int32_t p6, std::int32_t p7, std::int32_t p8) {
  PendingOp& op = g_Scene.m_Ops[0];
  op.code = code;
  const std::int32_t ps[8] = {p1, p2, p3, p4, p5, p6, p7, p8};
  for (int i = 0; i < 8; ++i) op.p[i] = ps[i];
  op.p[8] = op.p[9] = 0;
  for (int e = 1; e < 8; ++e) g_Scene.m_Ops[e].code = 0;
}

void AddPendingOp(std::int32_t code, std::int32_t p1, std::int32_t p2, std::int32_t p3, std::int32_t p4,
                  std::int32_t p5) {
  PendingOp* op = nullptr;
  if (code < kFirstParallelOp) {
    op = &g_Scene.m_Ops[0];
  } else {
    for (int e = 1; e < 8 && !op; ++e) {
      if (g_Scene.m_Ops[e].code == 0) op = &g_Scene.m_Ops[e];
    }
    if (!op) return;  // all seven parallel places are busy
  }
  op->code = code;
  const std::int32_t ps[5] = {p1, p2, p3, p4, p5};
  for (int i = 0; i < 5; ++i) op->p[i] = ps[i];
  for (int i = 5; i < 10; ++i) op->p[i] = 0;
}

void PopPendingOp() {
  // Code and p1..p8 move down a place; p9 and p10 stay where they are.
  for (int e = 0; e < 7; ++e) {
    g_Scene.m_Ops[e].code = g_Scene.m_Ops[e + 1].code;
    for (int i = 0; i < 8; ++i) g_Scene.m_Ops[e].p[i] = g_Scene.m_Ops[e + 1].p[i];
  }
  g_Scene.m_Ops[7].code = 0;
  for (int i = 0; i < 8; ++i) g_Scene.m_Ops[7].p[i] = 0;
}

void ResetAllWindows() {
  SceneState& s = g_Scene;
  ClearPendingOps();
  if (s.m_pHost) s.m_pHost->ResetWindows(false);
  s.m_nRunMode = RUN_NORMAL;
  s.m_nPendingState = 0;
  s.m_nLastLineChars = 0;
  if (s.m_pHost) {
    s.m_pHost->ResetTextState();
    s.m_pHost->HideAllObjects();
    s.m_pHost->ResetScreens(true);
  }
  s.m_pfnFrameHook = &RunWaitStates;
  if (s.m_pHost && s.m_pHost->ScriptMode() == 0) s.m_pHost->AllowSaveAndLoad();
}

void ResetCurrentWindow() {
  SceneState& s = g_Scene;
  ClearPendingOps();
  if (s.m_pHost) s.m_pHost->ResetWindows(true);
  s.m_nPendingState = 0;
  if (s.m_pHost) {
    s.m_pHost->ResetTextState();
    s.m_pHost->ResetScreens(false);
    if (s.m_pHost->ScriptMode() == 0) s.m_pHost->AllowSaveAndLoad();
  }
}

void RunWaitStates() {
  SceneState& s = g_Scene;
  std::uint32_t now = pl::TickMs();
  bool skipping = s.m_nRunMode == RUN_SKIPHELD || s.m_nRunMode == RUN_SKIP;
  // 1. The timed wait.
  if (s.m_nPendingState == PND_TIMER) {
    if (now - s.m_dwWaitStart >= s.m_dwWaitLength || skipping) {
      s.m_dwWaitStart = s.m_dwWaitLength = 0;
      s.m_nPendingState = 0;
    } else {
      s.m_bStepReady = 0;
    }
  }
  // 2. Auto mode. The deadline is compared as a signed difference, so that
  // it still holds when the tick counter wraps.
  if (s.m_Auto.enabled == 1 && (s.m_nPendingState == PND_PROMPT_PAGE || s.m_nPendingState == PND_FPROMPT) &&
      !(s.m_pHost && s.m_pHost->IsVoicePlaying()) &&
      (s.m_Auto.advanceAtOnce == 1 || static_cast<std::int32_t>(now - s.m_dwAutoDeadline) >= 0)) {
    s.m_dwAutoDeadline = 0;
    if (!skipping && s.m_pHost) s.m_pHost->OnLeftClick(0);
  }
  // 3. The skip's page clear, at once instead of animated.
  if (skipping && (s.m_Ops[0].code == OP_PAGE_CLEAR || s.m_Ops[0].code == OP_PAGE_CLEAR2)) {
    if (s.m_pHost) s.m_pHost->ClearCurrentWindowPage();
    PopPendingOp();
    if (s.m_pHost) s.m_pHost->ResetPageText();
    s.m_bStepReady = 0;
    EndWait();
  }
  // 4. A line, when nothing is pending.
  if (s.m_nPendingState == 0) {
    s.m_bStepReady = 1;
    if (s.m_pHost) s.m_pHost->ExecuteScriptLine();
  }
}

void TextFrameHook() {
  SceneState& s = g_Scene;
  if (s.m_Ops[0].code != kTextRevealOp) return;
  if (s.m_nPendingState == PND_PROMPT_PAGE || s.m_nPendingState == PND_FPROMPT || s.m_nPendingState == PND_BACKLOG)
    return;
  s.m_bStepReady = 1;
  if (s.m_pHost) s.m_pHost->ShowTextStep();
}

void ToggleSkipMode() {
  SceneState& s = g_Scene;
  if (s.m_nRunMode == RUN_SKIP) {
    s.m_nRunMode = RUN_NORMAL;
    return;
  }
  if (s.m_nPendingState == PND_SLCT || s.m_nPendingState == PND_BACKLOG) return;
  if ((s.m_nPendingState == PND_PROMPT_PAGE || s.m_nPendingState == PND_FPROMPT) && s.m_pHost &&
      s.m_pHost->AnyWindowHidden())
    return;
  s.m_nRunMode = RUN_SKIP;
  if (s.m_pHost) s.m_pHost->AdvanceAfterVoice();
}

void SetAutoDeadline(std::uint32_t chars) {
  SceneState& s = g_Scene;
  std::uint32_t now = pl::TickMs();
  std::uint32_t reading = s.m_Auto.msPerChar * chars + 1000u * s.m_Auto.extraSeconds;
  std::uint32_t minimum = 1000u * s.m_Auto.minSeconds;
  s.m_dwAutoDeadline = minimum > reading ? now + minimum : now + reading;
  s.m_nLastLineChars = chars;
}
