// CEndMode: the ending list. One static page that shows, for each of the
// story's five endings, its name once the player has reached it (the
// persistent globals "end01" to "end05" hold 1) and "　Unknown" before. The
// game fades out, the list fades in; decide or cancel leaves the same way.
#pragma once
#include <cstdint>

#include "screens/screen_base.h"

class ValueList;

extern const LayoutButton EndingListLayout[6];
// The ending names, one a row (CP932 after conversion).
extern const char* const EndingNames[5];

class CEndMode : public IProgMode {
 public:
  // The launcher's two descriptors: the presented screen, and the buffer
  // that keeps the game's picture while the list is shown. `globals` are
  // the persistent globals the flags are read from.
  int Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
          CKeyManager* keys, const ValueList* globals);

  void Enter() override;
  void OnDecide() override;
  void OnCancel() override;

  void DrawList(CBuffer& target);
  void FadeOutGame();
  void FadeInList();
  void FadeOutList();
  void FadeInGame();

  // Set by the launcher from the settings: fades without steps.
  std::int32_t m_bNoEffect = 0;

 private:
  // Seven steps of M[a][v] from `source` into the screen, a from `first`
  // by `step`; false when the program is quitting.
  bool Fade(const CBuffer& source, int first, int step);
  void Leave(std::uint32_t key);

  CBuffer m_ScreenView;
  CBuffer m_SavedView;
  CBuffer m_ListSurface;
  CBuffer m_Background;
  const ValueList* m_pGlobals = nullptr;
  CScreenFont m_Font;
};
