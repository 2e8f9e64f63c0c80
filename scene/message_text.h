// Message text: the typewriter reveal of a text line in the current window
// with its markup escapes, the page text, speaker names, the click waits
// inside and at the end of a page, choices and the backlog records.
//
// Text is drawn on layer 0 through the anti-aliased font, character by
// character, and each character's rectangle is presented. Main thread only.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/value_node.h"
#include "scene/object_tables.h"

class CScriptEngine;

// The engine's own text switch. The text speed and skip-read-only are the
// live settings words (`TextSpeed`, `SkipReadOnly`), read at every step.
struct TextSettings {
  std::int32_t readMarkDisplay = 1;  // `readal`: read text in its own colour
};

// What the text needs from the engine object and the screen composition.
// Every call has a harmless default so that a host fills in what it has.
class ITextHost {
 public:
  virtual ~ITextHost() = default;
  // The window drawn again on layer 0 from the scene layers (frame,
  // buttons, name plate), its rectangle presented when asked.
  virtual void RedrawWindow(std::int32_t /*index*/, bool /*present*/) {}
  // Layer 0 restored from the scene under a rectangle (screen coordinates).
  virtual void RestoreArea(int /*x*/, int /*y*/, int /*w*/, int /*h*/) {}
  // The name plate restored before a new name is drawn on it.
  virtual void RestoreNamePlate(std::int32_t /*index*/) {}
  // The highlight picture behind the highlighted choice.
  virtual void DrawChoiceHighlight(int /*x*/, int /*y*/, int /*w*/, int /*h*/) {}
  // Size of the name window picture; false when there is none.
  virtual bool NameWindow(int* /*w*/, int* /*h*/) { return false; }
  virtual void PlayVoice(const std::string& /*name*/) {}
  virtual void GlideCursorTo(int /*x*/, int /*y*/) {}
  // The history window's picture at the backlog view's fade level.
  virtual void DrawHistoryWindow() {}
  // Whether the line being revealed lies below the read mark of its key.
  virtual bool IsCurrentLineRead() { return false; }
};

inline constexpr std::size_t kPageTextMax = 32768;  // well inside a save block
inline constexpr std::size_t kVoiceNameSize = 32;
inline constexpr int kChoiceSlots = 15;
inline constexpr std::size_t kChoiceTextMax = 255;
inline constexpr std::uint32_t kReadTextColor = 0xFFFFA8;  // COLORREF
inline constexpr std::uint32_t kGreyChoiceColor = 0xC0C0C0;
inline constexpr std::uint32_t kHistoryColor = 0xFFFF00;       // COLORREF
inline constexpr std::uint32_t kHistoryVoiceColor = 0x00FF00;
inline constexpr std::uint32_t kHistoryHoverColor = 0x00FFFF;

struct ChoiceRecord {
  std::int16_t m_nX = 0, m_nY = 0, m_nWidth = 0, m_nHeight = 0;  // relative to the window
  std::int32_t m_nWord0 = 0, m_nWord1 = 0;
  std::string m_strText;
};

// Where text goes in a window and how it wraps (the window's layout
// fields, copied for layouts that must leave the window alone).
struct TextPen {
  int x = 0, y = 0;  // the window's position
  int cursorX = 0, cursorY = 0, column = 0, line = 0;
  int homeX = 0, homeY = 0;
  int charGap = 0, lineGap = 0, charsPerLine = 1, linesPerPage = 1;
  static TextPen Of(const CTextWindow& w);
  void StoreTo(CTextWindow& w) const;
};

// The backlog record header: hit rectangle, mode, voice name.
enum : int { BL_LEFT = 0, BL_TOP, BL_RIGHT, BL_BOTTOM, BL_MODE, BL_VOICE };

class CMessageText {
 public:
  CMessageText(CScriptEngine& eng, CObjectTables& tables, ITextHost* host = nullptr);

  TextSettings m_Settings;
  // The live settings words the reveal reads: those the presentation points
  // at, or the factory values while it points at none.
  std::int32_t TextSpeed() const;
  std::int32_t SkipReadOnly() const;

  // --- the reveal
  // One typewriter step of the current window (the frame step calls it
  // while the reveal heads the operation table and no click wait is set).
  void ShowTextStep();
  // A text line starts (the interpreter has filled the line buffer): the
  // speaker name is kept for the reveal, which draws it on its first step.
  void PrepareTextLine(std::string_view name);
  // The current window is shown at once and drawn when it is not.
  void EnsureWindowShown();
  // The current window's text position moves to the next text line.
  void NewTextLine();

  // --- page text and the continued-text flag
  bool IsPageTextEmpty() const { return m_strPage.empty(); }
  // Appends as much as the page's room holds (cut on a character); a page
  // that runs full ends at the next line's end.
  void AppendPageText(std::string_view text);
  void ClearPageText();
  const std::string& PageText() const { return m_strPage; }
  bool GetContinuedText() const { return m_bContinued; }
  void SetContinuedText(bool on) { m_bContinued = on; }
  const std::string& SpeakerName() const { return m_strName; }
  void ClearSpeakerName() { m_strName.clear(); }
  // The reset's share: bracket depth and the last voice name.
  void ResetTextState();
  // The voice the next backlog record takes when its line has no voice cue
  // of its own (`cvon`, or a loaded game's newest voice); cut to the
  // record's field on a character.
  void SetVoiceName(std::string_view name);

  // --- drawing
  // One character (1 or 2 bytes, or a two-byte icon escape) with its
  // shadow at a screen point, in the text or the read colour.
  void DrawTextChar(int x, int y, const char* ch, int bytes);
  void DrawTextChar(int x, int y, const char* ch, int bytes, std::uint32_t colour);
  // The same at the window's text position (the position does not move).
  void DrawCursorChar(const CTextWindow& w, const char* ch, int bytes) {
    DrawTextChar(w.m_nX + w.m_nCursorX, w.m_nY + w.m_nCursorY, ch, bytes);
  }
  // A whole text from the window's text position, by the reveal's escapes
  // and wrapping, without timing, waits or voices.
  void DrawTextAtOnce(std::string_view text, CTextWindow& w);
  void DrawTextAtOnce(std::string_view text, CTextWindow& w, std::uint32_t colour);
  void DrawTextAtOnce(std::string_view text, TextPen& pen, std::uint32_t colour);
  // A speaker name in the window's name place (or in "【】" at the start
  // of the text area without a name window).
  // An index below 0 is a window outside the table (the history window).
  void PutText(CTextWindow& w, std::int32_t index, std::string_view name, bool homeY, bool nameWindow = true);
  // The current window drawn again with a text (the page text when null).
  void ResetWindowText(const std::string* text, bool present);

  // --- choices
  void ShowChoices(const std::vector<std::string>& choices);
  void DrawChoices();
  void DrawChoice(std::int32_t newIndex, std::int32_t oldIndex);
  // Index of the choice under a screen point (bounds included), or -1.
  std::int32_t ChoiceAt(int x, int y);
  // The player chose: "reg" = index, the continued-text flag cleared and
  // the wait ended. False (nothing changed) for an index without a choice.
  bool ApplyChoice(std::int32_t index);
  void GlideCursorToChoice();
  void UpdateCursorGlide();
  // The choices of a loaded game, as they were saved (at most the slots
  // there are; texts cut to their limit on a character), none highlighted.
  // Nothing is drawn: the dissolve after the load shows them.
  void RestoreChoices(const std::vector<ChoiceRecord>& choices);
  std::int32_t ChoiceCount() const { return m_nChoiceCount; }
  std::int32_t Highlighted() const { return m_nHighlight; }
  const ChoiceRecord& Choice(int i) const { return m_Choices[static_cast<std::size_t>(i)]; }
  // The state the backlog view saved on opening (its owner keeps it here):
  // a choice behind the view is drawn again with the window's text.
  std::uint32_t m_nBacklogSavedState = 0;
  // Highlight style: the unhighlighted choices in grey.
  bool m_bChoiceHighlightStyle = true;

  // --- backlog records
  void AddBacklogLine(std::string_view text);
  void ClearBacklog();
  ValueList& Backlog() { return m_Backlog; }
  // Lines the text takes in a copy of a window; `any` tells whether it
  // holds a character or a line break.
  int ParseTextLine(const CTextWindow& w, std::string_view text, bool* any);
  // The backlog page from `first` up to the record with the page mark, in
  // the history window; returns the voiced record under the screen point
  // (the hovered one), or null.
  ValueNode* DrawHistoryPage(ValueNode* first, int mouseX, int mouseY);

  // --- loading: the line buffer rebuilt from a saved text line
  void ScanTextMarkup(std::string_view text);

 private:
  struct Walk;
  CTextWindow* Current();
  int PitchX(const TextPen& p) const;
  int PitchY(const TextPen& p) const;
  void NextLine(TextPen& p) const;
  void NextLine(CTextWindow& w) const;
  // After a character: the pen moves on and wraps as the line-break rules
  // say, looking at the text from `next`.
  void AfterChar(TextPen& p, std::string_view text, std::size_t next, int bytes) const;
  void AfterChar(CTextWindow& w, std::string_view text, std::size_t next, int bytes) const;
  std::uint32_t TextColour() const;
  void PresentChar(int x, int y, int bytes);
  void EndOfLine(CTextWindow& w, std::size_t cursor);
  void PageEnd(CTextWindow& w, std::size_t cursor);
  void PlaceCursors(CTextWindow& w);
  void PresentWindow(const CTextWindow& w);
  std::string VoiceOf(std::string_view text) const;
  void DrawOneChoice(CTextWindow& w, int i, std::uint32_t colour);

  CScriptEngine& m_Eng;
  CObjectTables& m_Tables;
  ITextHost m_NoHost;
  ITextHost* m_pHost;

  std::string m_strPage;
  bool m_bPageFull = false;
  bool m_bContinued = false;
  std::string m_strName;
  std::int32_t m_nBracketDepth = 0;
  std::uint32_t m_dwLastChar = 0;
  bool m_bHangUsed = false;
  bool m_bVoiceReported = false;  // a missing "cv" is told once a line
  std::string m_strVoice;        // the voice of `cvon` for the next record

  std::array<ChoiceRecord, kChoiceSlots> m_Choices{};
  std::int32_t m_nChoiceCount = 0;
  std::int32_t m_nHighlight = -1;

  ValueList m_Backlog;
  std::int32_t m_nBacklogLines = 0;
  std::int32_t m_nBacklogMode = -1;
};
