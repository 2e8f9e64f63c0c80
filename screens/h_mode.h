// CHMode: the scene-replay gallery. The replayable scenes by category
// ("hmlist%02d.dat", one list a category), nine thumbnails a page. A scene
// is seen when a persistent global of its name is there (any type or value);
// choosing a seen scene puts its scene number into the script's "reg" and
// leaves with a fade, and the script that opened the gallery plays it.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "screens/screen_base.h"

class CArc;
class CMessageText;
class CObjectTables;
class CScriptEngine;
class ValueList;

// One 48-byte record of a scene list.
struct HListRecord {
  std::string name;           // 32-byte field, up to its NUL
  std::int32_t seen = 0;      // 1 once found seen (memory only)
  std::int32_t scene = 0;     // the number handed to the script
};
inline constexpr std::size_t kHListRecordSize = 48;

// The records of a list file: the count is the low byte of the last word,
// bounded by the whole records the file holds before it. False for a file
// too short to hold the count.
bool ParseHList(const std::vector<std::uint8_t>& file, std::vector<HListRecord>* records);

// Items: 0-9 category tabs, 10-19 page buttons, 20 return, 21-29 the
// thumbnails in reading order, 30 a caption place that takes part in
// nothing. user0 of a record is its enabled flag.
inline constexpr int kHItems = 31;
inline constexpr int kHFirstPage = 10;
inline constexpr int kHReturn = 20;
inline constexpr int kHFirstThumb = 21;
extern const std::array<LayoutButton, kHItems> HModeLayout;

// The music's fade by a screen: level 0 (the music's own volume) to 255
// (halted and forgotten).
void SetFadeBgmVolume(int level, std::int32_t bgmVolume);

class CHMode : public IProgMode {
 public:
  CHMode();

  // The launcher's descriptors: the presented screen, the buffer that keeps
  // a copy of it, and the picture shown under the first frame (none: the
  // screen as it is). `globals` are the persistent globals that mark the
  // scenes seen.
  int Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
          const ScreenDescriptor* third, CKeyManager* keys, const ValueList* globals);

  void Enter() override;
  void Update() override;
  void OnDecide() override;
  void OnCancel() override;
  void OnUp() override;
  void OnDown() override;
  void OnLeft() override;
  void OnRight() override;

  void CountCategories();
  int LoadSceneList();
  void UpdateButtonStates();
  bool HitTest();
  void StartReplay();
  void DrawRecord(int item, bool pressed);
  void DrawButton(int item, bool pressed);
  void DrawAllButtons();
  void DrawPageToWork();
  void DrawPage();
  void FadeOut(bool withMusic);

  // Set by the launcher: no fade steps; the archive of the list files (null:
  // loose files only); the script engine whose "reg" takes the choice and
  // whose music words a replay clears; the message text and tables whose
  // page is emptied for the replay; the engine's per-screen word, kept at 0
  // while the gallery runs; the music attenuation the fade starts from.
  std::int32_t m_bNoEffect = 0;
  CArc* m_pScriptArc = nullptr;
  CScriptEngine* m_pScript = nullptr;
  CMessageText* m_pText = nullptr;
  CObjectTables* m_pTables = nullptr;
  std::int32_t* m_pScreenWord = nullptr;
  std::int32_t m_nBgmVolume = 0;

  // The state (read by the tests while the screen runs).
  int m_nPage = -1;  // -1: not chosen yet, the next opening starts at 0
  int m_nPageCount = 0;
  int m_nHovered = kNoItem;
  int m_nPrevHovered = kNoItem;
  int m_nCategory = 0;
  int m_nCategoryCount = 0;
  int m_nScenes = 0;
  std::int32_t m_bStarted = 0;
  std::int32_t m_bItemSeen[9] = {};
  std::vector<HListRecord> m_Records;
  LayoutButton m_Buttons[kHItems];

 private:
  bool Fade(const CBuffer& source, int first, int step, bool withMusic);
  bool LoadPicture(bool background);
  bool SceneExists(int thumb) const { return m_nPage * 9 + thumb < m_nScenes; }
  bool Hoverable(int item) const;
  void SetResult(std::int32_t value);
  void ComposePage(CBuffer& target);
  void DrawButtonTo(int item, bool pressed, CBuffer& target);
  void CursorKey(std::uint32_t bit, int target);
  int CurrentPageItem() const { return m_nPageCount >= 2 ? kHFirstPage + m_nPage : kHReturn; }
  int FirstEnabledThumbUp() const;
  int TargetUp() const;
  int TargetDown() const;
  int TargetLeft() const;
  int TargetRight() const;

  CBuffer m_ScreenView;
  CBuffer m_SavedView;
  CBuffer m_ThirdView;
  CBuffer m_Background;
  CBuffer m_Chips;
  CBuffer m_PagePicture;
  CBuffer m_Unseen;
  CBuffer m_Work;
  CBuffer m_Album;
  const ValueList* m_pGlobals = nullptr;
  CScreenFont m_Font;
};
