// A recording stand-in for the scene, the read marks and the settings
// files, for the interpreter's tests and fuzz target.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/scene_interface.h"

namespace kvtest {

class FakeScene : public IScriptScene {
 public:
  std::uint32_t pending = 0;
  std::int32_t runMode = 1;
  std::int32_t opCode = 0, opWindow = 0;
  std::uint32_t waitStart = 0, waitLength = 0;
  std::uint32_t deadlineChars = 0;
  std::int32_t windowCount = 0;
  std::int32_t currentWindow = -1;
  int windowsShown = 0, newTextLines = 0;
  std::vector<std::string> names;  // PrepareTextLine
  std::string pageText;
  bool continued = false;
  std::vector<std::string> backlog;
  std::vector<std::vector<std::string>> choiceLists;
  int readMarks = 0, globalSaves = 0;
  std::vector<std::int32_t> fontSizes;
  std::int32_t advance = 22;

  std::uint32_t GetPendingState() override { return pending; }
  void SetPendingState(std::uint32_t s) override { pending = s; }
  std::int32_t GetRunMode() override { return runMode; }
  void SetRunMode(std::int32_t m) override { runMode = m; }
  void SetPendingOp(std::int32_t code, std::int32_t p1) override {
    opCode = code;
    opWindow = p1;
  }
  void SetTimedWait(std::uint32_t start, std::uint32_t length) override {
    waitStart = start;
    waitLength = length;
  }
  void StartAutoDeadline(std::uint32_t chars) override { deadlineChars = chars; }
  std::int32_t GetCurrentWindow() override { return currentWindow; }
  std::int32_t GetWindowCount() override { return windowCount; }
  void SelectWindow(std::int32_t index) override { currentWindow = index; }
  void EnsureWindowShown() override { ++windowsShown; }
  void NewTextLine() override { ++newTextLines; }
  void PrepareTextLine(std::string_view name) override { names.emplace_back(name); }
  bool IsPageTextEmpty() override { return pageText.empty(); }
  void AppendPageText(std::string_view t) override { pageText += t; }
  void ClearPageText() override { pageText.clear(); }
  bool GetContinuedText() override { return continued; }
  void SetContinuedText(bool on) override { continued = on; }
  void AddBacklogLine(std::string_view t) override { backlog.emplace_back(t); }
  void ClearBacklog() override { backlog.clear(); }
  void ShowChoices(const std::vector<std::string>& c) override { choiceLists.push_back(c); }
  void UpdateReadMark() override {
    ++readMarks;
    if (onReadMark) onReadMark();
  }
  void SaveGlobalFile() override { ++globalSaves; }
  std::int32_t SetScreenFont(std::int32_t size) override {
    fontSizes.push_back(size);
    return advance;
  }

  // Called on every read-mark update (the interpreter updates it once at
  // the start of every line).
  std::function<void()> onReadMark;
};

}  // namespace kvtest
