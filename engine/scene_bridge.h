// The engine's side of the scene: what the interpreter asks of the scene
// (IScriptScene) and what the wait driver asks of the engine (IWaitHost),
// answered from the pending state, the page text and the parts of the scene
// that draw windows and text.
#pragma once
#include <string>

#include "engine/scene_interface.h"
#include "platform/window.h"
#include "scene/pending.h"

class CKivBase;

class CSceneBridge : public IScriptScene, public IWaitHost {
 public:
  explicit CSceneBridge(CKivBase& engine) : m_Engine(engine) {}

  // IScriptScene
  std::uint32_t GetPendingState() override;
  void SetPendingState(std::uint32_t state) override;
  std::int32_t GetRunMode() override;
  void SetRunMode(std::int32_t mode) override;
  void SetPendingOp(std::int32_t code, std::int32_t p1) override;
  void SetTimedWait(std::uint32_t start, std::uint32_t length) override;
  void StartAutoDeadline(std::uint32_t chars) override;
  std::int32_t GetCurrentWindow() override;
  std::int32_t GetWindowCount() override;
  void SelectWindow(std::int32_t index) override;
  void EnsureWindowShown() override;
  void NewTextLine() override;
  void PrepareTextLine(std::string_view name) override;
  bool IsPageTextEmpty() override;
  void AppendPageText(std::string_view text) override;
  void ClearPageText() override;
  bool GetContinuedText() override;
  void SetContinuedText(bool on) override;
  void AddBacklogLine(std::string_view text) override;
  void ClearBacklog() override;
  void ShowChoices(const std::vector<std::string>& choices) override;
  void UpdateReadMark() override;
  void SaveGlobalFile() override;
  std::int32_t SetScreenFont(std::int32_t size) override;
  void BackTitle() override;
  void OpenScreen(std::int32_t which, std::string_view text) override;

  // IWaitHost
  void ExecuteScriptLine() override;
  void OnLeftClick(int fromUser) override;
  void ClearCurrentWindowPage() override;
  void ResetPageText() override;
  void ResetWindows(bool currentOnly) override;
  void HideAllObjects() override;
  void ResetScreens(bool clear) override;
  void ResetTextState() override;
  bool IsVoicePlaying() override;
  bool AnyWindowHidden() override;
  void AdvanceAfterVoice() override;
  void ShowTextStep() override;
  std::int32_t ScriptMode() override;
  void AllowSaveAndLoad() override;

  // The input of the waits, the backlog and the render tick, as the main
  // loop calls them.
  void PressWindowButton();
  void OnRightClick();
  void OnKey(std::uint32_t bit);
  void OnWheel(std::uint32_t wheel);
  void OnMouseHover(pl::Window* hWnd);
  void GlideCursorToChoice();
  void RenderFrame();
  bool AnyWindowShown();


 private:
  CKivBase& m_Engine;
};
