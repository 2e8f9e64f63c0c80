// The objects a script declares before it shows them: message windows,
// sprites, buttons and gauges, each kind in a table made by one allocation
// command and configured by its sub-commands; the history window of the
// backlog view; the current window. Main thread only.
//
// A table that was never made is empty; every index a script gives goes
// through the table's accessor, which answers null outside 0..count-1.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/layer_image.h"

class CArc;
class CScriptEngine;
class CScriptFrame;
struct CWindowButton;

// Field widths follow the save layout: 16-bit positions, 8-bit counters.
struct CTextWindow {
  std::int16_t m_nX = 0, m_nY = 0, m_nWidth = 0, m_nHeight = 0;
  std::uint8_t m_nState = 2;  // 0 hidden, 1 shown, 2 made and not yet shown
  std::int16_t m_nCursorX = 0, m_nCursorY = 0;  // inside the window
  std::uint8_t m_nColumn = 0, m_nLine = 0;
  std::uint8_t m_nCharGap = 0;   // character pitch
  std::uint8_t m_nLineGap = 0;   // line pitch
  std::uint8_t m_nCharsPerLine = 1, m_nLinesPerPage = 1;
  std::int16_t m_nHomeX = 0, m_nHomeY = 0;
  std::uint8_t m_nColorR = 255, m_nColorG = 255, m_nColorB = 255;
  std::int16_t m_nPanelX = 0, m_nPanelY = 0, m_nPanelWidth = 0, m_nPanelHeight = 0;
  std::uint8_t m_nPanelStrength = 0;

  CLayerImage m_Frame;
  std::int16_t m_nFrameX = 0, m_nFrameY = 0;

  CLayerImage m_PageCursor;
  std::int16_t m_nPageCursorX = 0, m_nPageCursorY = 0;
  std::int32_t m_nPageCursorFixed = 0;  // -1: follows the text
  std::int32_t m_nPageCursorLast = 0, m_nPageCursorFrame = 0;

  CLayerImage m_PromptCursor;
  std::int16_t m_nPromptCursorX = 0, m_nPromptCursorY = 0;
  std::int32_t m_nPromptCursorLast = 0, m_nPromptCursorFrame = 0;

  std::int32_t m_bCursorShown = 0;
  // The window's buttons in order; each image's m_pNext links the next one.
  std::vector<std::unique_ptr<CWindowButton>> m_Buttons;
  CLayerImage* FirstButton() const;

  // Text colour as a COLORREF (red in the low byte).
  std::uint32_t TextColorRef() const {
    return static_cast<std::uint32_t>(m_nColorR) | (static_cast<std::uint32_t>(m_nColorG) << 8) |
           (static_cast<std::uint32_t>(m_nColorB) << 16);
  }
  // Back to the page's start: column and line 0, cursor at home.
  void HomeText() {
    m_nColumn = 0;
    m_nLine = 0;
    m_nCursorX = m_nHomeX;
    m_nCursorY = m_nHomeY;
  }
};

inline constexpr std::size_t kActionNameSize = 32;
inline constexpr std::size_t kCaptionSize = 32;

struct CWindowButton {
  CLayerImage m_Image;  // position relative to the window
  char m_szAction[kActionNameSize] = {};
  std::int32_t m_nState = 0;  // 3 disabled
  std::int32_t m_nLook = 0;   // 0 normal, 1 hover, 2 pressed
  std::unique_ptr<CLayerImage> m_pLabel;  // class 1
};

struct CScriptButton {
  CLayerImage m_Image;
  std::int16_t m_nCaptionX = 0, m_nCaptionY = 0;
  std::uint8_t m_nState = 0;  // 0 normal, 1 hover, 2 pressed, 3 hidden
  std::uint8_t m_bPressed = 0;
  char m_szCaption[kCaptionSize] = {};
};

struct CGauge {
  std::uint8_t m_nR = 0, m_nG = 0, m_nB = 0;
  std::int16_t m_nX = 0, m_nY = 0, m_nWidth = 0, m_nHeight = 0;
  std::uint8_t m_nBlend = 0;
  std::int32_t m_bShown = 0;
  std::int16_t m_nDirection = 0;  // only 0 is drawn
  std::int16_t m_nMaximum = 0;
  std::int16_t m_nValue = 0;
};

inline constexpr int kHistoryImages = 5;
// More records than any screen can show: a larger count is a script fault.
inline constexpr int kMaxTableCount = 4096;
// A block side the commands allocate (pixels); larger sides are refused.
inline constexpr int kMaxBlockSide = 4096;

class CObjectTables {
 public:
  CObjectTables();
  CObjectTables(const CObjectTables&) = delete;
  CObjectTables& operator=(const CObjectTables&) = delete;

  // The bounds-checked accessors: null for a missing table or an index
  // outside 0..count-1.
  CTextWindow* WindowAt(std::int32_t i);
  CLayerImage* SpriteAt(std::int32_t i);
  CScriptButton* ButtonAt(std::int32_t i);
  CGauge* GaugeAt(std::int32_t i);
  std::int32_t WindowCount() const { return static_cast<std::int32_t>(m_Windows.size()); }
  std::int32_t SpriteCount() const { return static_cast<std::int32_t>(m_Sprites.size()); }
  std::int32_t ButtonCount() const { return static_cast<std::int32_t>(m_Buttons.size()); }
  std::int32_t GaugeCount() const { return static_cast<std::int32_t>(m_Gauges.size()); }

  // The current window (null when none or out of the table).
  CTextWindow* CurrentWindow() { return WindowAt(m_nCurrentWindow); }
  std::int32_t CurrentIndex() const { return m_nCurrentWindow; }
  // Makes `index` current (refused when it is outside the table); it takes
  // over the previous current window's shown state.
  bool SelectWindow(std::int32_t index);

  // The creation step of each allocation command: the old table goes
  // first (pictures included); the current window is kept inside the table.
  void CreateWindows(std::int32_t count);
  void CreateSprites(std::int32_t count);
  void CreateButtons(std::int32_t count);
  void CreateGauges(std::int32_t count);
  // Every table freed (return to the title, shutdown); current window -1.
  void FreeAll();

  // The sprite-order warning names a sprite once a game: true the first
  // time it is asked for `index` since the sprite table was made or the
  // game went back to its title.
  bool FirstOrderWarning(std::int32_t index);
  void ForgetOrderWarnings() { m_OrderWarned.clear(); }

  // The reset's share (every window back to its page start, state 2;
  // sprites, buttons and gauges hidden).
  void ResetWindows(bool currentOnly);
  void HideAllObjects();

  // The backlog view's window, made with the engine, and its arrows.
  CTextWindow m_History;
  CLayerImage m_HistoryImages[kHistoryImages];
  std::int32_t m_nHistoryWord = 0;

  // Set by the engine: the graphics archive and the saved window opacity.
  CArc* m_pGraphicsArc = nullptr;
  std::int32_t m_nWindowOpacity = 100;

 private:
  std::vector<std::unique_ptr<CTextWindow>> m_Windows;
  std::vector<std::unique_ptr<CLayerImage>> m_Sprites;
  std::vector<std::unique_ptr<CScriptButton>> m_Buttons;
  std::vector<std::unique_ptr<CGauge>> m_Gauges;
  std::int32_t m_nCurrentWindow = -1;
  std::vector<bool> m_OrderWarned;  // by sprite index
};

// The tables the command handlers work on (one per run, owned by the
// engine object; null until set).
void SetObjectTables(CObjectTables* tables);
CObjectTables* GetObjectTables();

// Plugs the handlers of wbl, wnd, btn, spr, ch, bg, gg and cv into the
// interpreter; they act on the tables set above.
void InstallObjectCommands(CScriptEngine& eng);

// The handlers themselves (one per command word).
void CmdWbl(CScriptEngine& eng, CScriptFrame& frame);
void CmdWnd(CScriptEngine& eng, CScriptFrame& frame);
void CmdBtn(CScriptEngine& eng, CScriptFrame& frame);
void CmdSpr(CScriptEngine& eng, CScriptFrame& frame);
void CmdCh(CScriptEngine& eng, CScriptFrame& frame);
void CmdBg(CScriptEngine& eng, CScriptFrame& frame);
void CmdGg(CScriptEngine& eng, CScriptFrame& frame);
void CmdCv(CScriptEngine& eng, CScriptFrame& frame);

// Empties a picture record (its blocks and its name) in place.
void ClearLayerImage(CLayerImage& record);
