// Game slots: SaveGame writes the running story to a slot (0 to 99, and the
// quick slot 100) with an optional thumbnail; LoadGame reads one back whole,
// checks it, and only then replaces the story state.
//
// The script engine's share of a slot (the script position, the control
// stack, the variables and constants, the line buffer, the mode word, the
// chapter title) is taken and restored here. The scene's share (page text,
// sound memos, windows, sprites, buttons, gauges, the layers' words, the
// pending state) goes through ISlotScene, which the scene implements.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/save_slot_format.h"

class CScriptEngine;
class CReadMarks;

inline constexpr int kQuickSlot = 100;
inline constexpr int kSlotCount = 101;
inline constexpr int kThumbnailWidth = 512;
inline constexpr int kThumbnailHeight = 300;

// "file%02d.dat" / "file%02dc.dat": slot + 1 for 0 to 98, 00 for 99, 101
// for the quick slot. Empty for a slot outside 0..100.
std::string SlotFileName(int slot);
std::string ThumbnailFileName(int slot);

// The thumbnail file: width x height pixels (B, G, R, fourth byte), rows
// top-down, nothing else.
std::vector<std::uint8_t> EncodeThumbnail(const std::uint32_t* pixels, int width, int height);
// Exactly width x height x 4 bytes, or false.
bool DecodeThumbnail(std::span<const std::uint8_t> bytes, int width, int height, std::vector<std::uint32_t>* out);
// Reads the thumbnail of a slot (for the save screen); false when there is
// none or it is not exactly width x height pixels.
bool ReadThumbnail(const std::string& programFolder, int slot, int width, int height,
                   std::vector<std::uint32_t>* out);

// The scene's part in saving and loading.
class ISlotScene {
 public:
  virtual ~ISlotScene() = default;
  // Saving: the page text, the newest backlog voice, the sound memos, the
  // tone word, the current window, the pending state (while the backlog
  // view is open, the state it saved), the choice-pending word, the
  // choices, windows, sprites, the "BUF" words, script buttons and gauges.
  virtual void CaptureSlot(SlotData* slot) = 0;
  // Whether the tables hold the slot's windows, sprites, script buttons and
  // gauges and its current window is one of them; a slot that does not fit
  // is refused before anything changes.
  virtual bool CanRestoreSlot(const SlotData& slot) = 0;
  // The confirmation box's load question: 1 yes, 0 no, -1 when the box
  // cannot run.
  virtual int AskLoadQuestion() = 0;
  // The current window reset and all 19 channels stopped.
  virtual void BeginRestore() = 0;
  // The scene's share from the slot: page text, sound memos, tone, current
  // window, choices; the records of the windows (their saved buttons
  // replacing the ones they have, never added to them), sprites, the "BUF"
  // words and the layers, script buttons and gauges. The pending state and
  // choice-pending word wait for FinishRestore.
  virtual void RestoreSlot(const SlotData& slot) = 0;
  // After the script is in place again: the scene redrawn, the backlog
  // emptied with the saved voice as the current one, the auto-mode
  // deadline, the sprites composed, for the quick slot the presented layer
  // copied into the second one, the dissolve after a load (code 80) that
  // puts back `pendingState` (already reduced to a wait a save can be
  // taken in) and the choice-pending word, the wait driver as the frame
  // hook, and the music and ambience requested again.
  virtual void FinishRestore(const SlotData& slot, bool quickSlot) = 0;
};

struct SaveGameContext {
  CScriptEngine& eng;
  ISlotScene& scene;
  CReadMarks& readMarks;
  std::string comment;  // the save screen's comment (cut to its field), empty for the quick save
};

// The slot's script-engine share from the running engine.
void CaptureScriptState(const CScriptEngine& eng, SlotData* slot);
// The engine's lists and position from a checked slot (the script itself
// is loaded again by LoadGame).
void RestoreScriptState(CScriptEngine& eng, const SlotData& slot);
// The waits a save can be taken in come back; any other state (the backlog
// view, a running reveal, operation, movie or fade) has nothing running
// after a load to end it, and becomes 0.
std::uint32_t RestorablePendingState(std::uint32_t state);

// SaveGame: 1 when the slot (and the thumbnail, when pixels are given) was
// written; then "global.dat" and "readal.dat" are written too. 0 with
// "セーブに失敗しました。" otherwise; the old slot is then untouched.
int SaveGame(SaveGameContext& ctx, int slot, const std::uint32_t* pixels, int width, int height);
// LoadGame: 1 when the slot was loaded. A missing slot is silent; a slot
// that holds no save, is damaged or does not fit the tables is refused with
// its box and nothing of the game changes.
int LoadGame(SaveGameContext& ctx, int slot, int ask);
