// The message text's side of the screen composition: the window redrawn
// from the scene layers, areas restored under choices, the name plate, the
// highlight cell behind a choice, the cursor glide and the read mark of
// the line being revealed.
#pragma once
#include <string>

#include "scene/message_text.h"
#include "sound/sound_request.h"

class CSceneTextHost : public ITextHost {
 public:
  void RedrawWindow(std::int32_t index, bool present) override;
  void RestoreArea(int x, int y, int w, int h) override;
  void RestoreNamePlate(std::int32_t index) override;
  void DrawChoiceHighlight(int x, int y, int w, int h) override;
  bool NameWindow(int* w, int* h) override;
  // The voice goes to the sound requests with their switches and gates.
  void PlayVoice(const std::string& name) override { RequestVoice(name); }
  void GlideCursorTo(int x, int y) override;
  bool IsCurrentLineRead() override;
  // The backlog view's window: the page before goes back to the scene, then
  // the window's picture is laid over it.
  void DrawHistoryWindow() override;
};
