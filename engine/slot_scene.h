// CSlotScene: the scene's share of a game slot, taken from and put back
// into the object tables (windows, sprites, script buttons, gauges), the
// message text (page text, choices, backlog voice, read-colour switch) and
// the process's scene state (pending state, frame hook, auto deadline).
//
// The engine object owns one over its tables and text and hands it to
// SaveGame / LoadGame through a SaveGameContext. Main thread only.
#pragma once
#include <cstdint>
#include <string>

#include "engine/save_slot.h"

class CObjectTables;
class CMessageText;
struct CTextWindow;
struct CLayerImage;

class CSlotScene : public ISlotScene {
 public:
  CSlotScene(CObjectTables& tables, CMessageText& text);

  void CaptureSlot(SlotData* slot) override;
  bool CanRestoreSlot(const SlotData& slot) override;
  int AskLoadQuestion() override;
  void BeginRestore() override;
  void RestoreSlot(const SlotData& slot) override;
  void FinishRestore(const SlotData& slot, bool quickSlot) override;

  // The voice name of the newest backlog record, empty when there is none.
  std::string NewestBacklogVoice();

 private:
  void CaptureWindow(const CTextWindow& w, SlotWindow* out) const;
  void RestoreWindow(const SlotWindow& in, CTextWindow& w) const;
  // Loads a picture by its saved name into an emptied record; a record
  // whose picture cannot be loaded (or that has no name) stays empty, so
  // that nothing of the story being left survives in it. A sprite takes
  // the tone in force, as the display commands give it.
  bool Reload(CLayerImage& record, const std::string& name, bool asSprite = false) const;
  // The "BUF" words: the raster effect, the fill colour, the read-colour
  // switch, the right-click value, and the weather and overlay layers.
  void RestoreEngineWords(const SlotEngineWords& words) const;
  // The loaded scene on the layers the dissolve shows: the sprites, the
  // script buttons and the shown gauges on layer 3 (the new picture) and on
  // layer 2 (with the weather, the overlay and the system sprites).
  void ComposeLoadedScene(const SlotData& slot) const;

  CObjectTables& m_Tables;
  CMessageText& m_Text;
};
