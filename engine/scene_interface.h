// What the interpreter and its commands ask of the scene (pending state,
// message windows, page text, backlog, choices), of the read marks and of
// the settings files. The scene and the save files implement it; tests use
// a recording double. Every text is CP932.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Pending-state values the interpreter and the system commands write.
enum : std::uint32_t {
  PND_OPERATION = 0x1,
  PND_TIMER = 0x2,
  PND_PAUSE = 0x4,
  PND_PROMPT_PAGE = 0x8,
  PND_FPROMPT = 0x10,
  PND_SLCT = 0x20,
  PND_BUTTON = 0x40,
  PND_TYPING = 0x80,
  PND_MOVIE = 0x1000,
  PND_FADE = 0x2000,
  PND_BACKLOG = 0x80000000u,
};

inline constexpr int kTextRevealOp = 75;

class IScriptScene {
 public:
  virtual ~IScriptScene() = default;

  // --- pending state, run mode and the pending-operation table
  virtual std::uint32_t GetPendingState() = 0;
  virtual void SetPendingState(std::uint32_t state) = 0;
  virtual std::int32_t GetRunMode() = 0;
  virtual void SetRunMode(std::int32_t mode) = 0;
  // Entry 0 becomes {code, p1, 0...}; the codes of entries 1 to 7 are cleared.
  virtual void SetPendingOp(std::int32_t code, std::int32_t p1) = 0;
  // The `wait` command's start tick and length.
  virtual void SetTimedWait(std::uint32_t start, std::uint32_t length) = 0;
  // A text line of `chars` characters starts: the auto-mode deadline and
  // the character count of the reveal.
  virtual void StartAutoDeadline(std::uint32_t chars) = 0;

  // --- message windows
  virtual std::int32_t GetCurrentWindow() = 0;
  // Number of windows in the window table (indexes 0 .. count-1 exist).
  virtual std::int32_t GetWindowCount() = 0;
  // Makes `index` current; it takes over the previous current window's
  // shown state (none when there was no current window).
  virtual void SelectWindow(std::int32_t index) = 0;
  // The current window is shown at once (and presented) when it is hidden.
  virtual void EnsureWindowShown() = 0;
  // The current window's text position moves to column 0 of the next text
  // line (back to the home position after its last line).
  virtual void NewTextLine() = 0;
  // A text line is about to be revealed from the engine's line buffer: the
  // speaker name (empty: none) is drawn in the current window, after which
  // its text position moves to column 0 of the next text line, and the line
  // is measured.
  virtual void PrepareTextLine(std::string_view name) = 0;

  // --- page text, continued text and the backlog
  virtual bool IsPageTextEmpty() = 0;
  virtual void AppendPageText(std::string_view text) = 0;
  virtual void ClearPageText() = 0;
  virtual bool GetContinuedText() = 0;
  virtual void SetContinuedText(bool on) = 0;
  virtual void AddBacklogLine(std::string_view text) = 0;
  virtual void ClearBacklog() = 0;

  // --- choices: lays out, draws and presents the list in the current
  // window, then glides the cursor to the first choice.
  virtual void ShowChoices(const std::vector<std::string>& choices) = 0;

  // --- read marks and persistent files
  virtual void UpdateReadMark() = 0;
  virtual void SaveGlobalFile() = 0;

  // --- text font: remakes the screen font at `size` and returns the
  // character advance it reports (the letter spacing).
  virtual std::int32_t SetScreenFont(std::int32_t size) = 0;

  // --- the engine's screens (the script's `backtitle` and `float`)
  // Back to the "TITLE" script at once, without a question.
  virtual void BackTitle() {}
  // Opens screen `which` (1 save, 2 load, 3 CG gallery, 4 scene replay,
  // 5 music room, 6 ending list, 7 quick save, 8 quick load, 9 settings,
  // 11 `text` opened by the desktop); other numbers do nothing.
  virtual void OpenScreen(std::int32_t /*which*/, std::string_view /*text*/) {}
};
