#include "scene/message_text.h"

#include <algorithm>
#include <cstring>

#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "framework/sjis.h"
#include "graphics/anti_font.h"
#include "graphics/virtual_screen.h"
#include "platform/text.h"
#include "platform/time.h"
#include "engine/settings_record.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/text_scan.h"

using namespace textscan;

namespace {

// The settings the text reads: the engine's live words, or the values of a
// first start while no engine has pointed the presentation at its own.
const CSettings& LiveSettings() {
  if (const CSettings* s = Presentation().m_pSettings) return *s;
  static const CSettings factory;
  return factory;
}

}  // namespace

std::int32_t CMessageText::TextSpeed() const { return LiveSettings().m_nTextSpeed; }

std::int32_t CMessageText::SkipReadOnly() const { return LiveSettings().m_bSkipReadOnly; }

CMessageText::CMessageText(CScriptEngine& eng, CObjectTables& tables, ITextHost* host)
    : m_Eng(eng), m_Tables(tables), m_pHost(host ? host : &m_NoHost) {}

CTextWindow* CMessageText::Current() { return m_Tables.CurrentWindow(); }

TextPen TextPen::Of(const CTextWindow& w) {
  TextPen p;
  p.x = w.m_nX;
  p.y = w.m_nY;
  p.cursorX = w.m_nCursorX;
  p.cursorY = w.m_nCursorY;
  p.column = w.m_nColumn;
  p.line = w.m_nLine;
  p.homeX = w.m_nHomeX;
  p.homeY = w.m_nHomeY;
  p.charGap = w.m_nCharGap;
  p.lineGap = w.m_nLineGap;
  // Nothing would ever wrap at 0.
  p.charsPerLine = std::max<int>(1, w.m_nCharsPerLine);
  p.linesPerPage = std::max<int>(1, w.m_nLinesPerPage);
  return p;
}

void TextPen::StoreTo(CTextWindow& w) const {
  w.m_nCursorX = static_cast<std::int16_t>(std::clamp(cursorX, -32768, 32767));
  w.m_nCursorY = static_cast<std::int16_t>(std::clamp(cursorY, -32768, 32767));
  w.m_nColumn = static_cast<std::uint8_t>(std::clamp(column, 0, 255));
  w.m_nLine = static_cast<std::uint8_t>(std::clamp(line, 0, 255));
}

int CMessageText::PitchX(const TextPen& p) const { return p.charGap + m_Eng.m_nLetterSpacing; }
int CMessageText::PitchY(const TextPen& p) const { return p.lineGap + m_Eng.m_nTextSize; }

void CMessageText::NextLine(TextPen& p) const {
  p.column = 0;
  p.cursorX = p.homeX;
  if (p.line + 1 >= p.linesPerPage) {
    p.line = 0;
    p.cursorY = p.homeY;
  } else {
    ++p.line;
    p.cursorY = std::clamp(p.cursorY + PitchY(p), -32768, 32767);
  }
}

void CMessageText::NextLine(CTextWindow& w) const {
  TextPen p = TextPen::Of(w);
  NextLine(p);
  p.StoreTo(w);
}

void CMessageText::AfterChar(TextPen& p, std::string_view text, std::size_t next, int bytes) const {
  const int pitch = PitchX(p);
  p.cursorX = std::clamp(p.cursorX + (bytes == 2 ? pitch : pitch / 2 + 1), -32768, 32767);
  if (p.column < 255) ++p.column;
  const int cpl = p.charsPerLine;
  if (p.column >= cpl) {
    // The line's end and a break that follows need no wrap of their own;
    // one punctuation mark may hang past the last column, no more.
    bool keep = AtEnd(text, next) || BreakAt(text, next);
    if (!keep && p.column == cpl && TwoByteAt(text, next) && IsHanging(CodeAt(text, next))) keep = true;
    if (!keep) NextLine(p);
  } else if (p.column == cpl - 1 && TwoByteAt(text, next) && IsOpening(CodeAt(text, next))) {
    NextLine(p);
  }
}

void CMessageText::AfterChar(CTextWindow& w, std::string_view text, std::size_t next, int bytes) const {
  TextPen p = TextPen::Of(w);
  AfterChar(p, text, next, bytes);
  p.StoreTo(w);
}

std::uint32_t CMessageText::TextColour() const {
  const std::uint32_t state = Scene().m_nPendingState;
  if (m_Settings.readMarkDisplay && state != PND_SLCT && state != PND_BACKLOG && m_pHost->IsCurrentLineRead())
    return kReadTextColor;
  return static_cast<std::uint32_t>(m_Eng.m_nTextColor) & 0xFFFFFFu;
}

void CMessageText::PresentChar(int x, int y, int bytes) {
  const CAntiFont& f = GetAntiFont();
  const int off = static_cast<int>(static_cast<std::uint32_t>(m_Eng.m_nShadow) >> 24);
  int w = f.Advance(bytes) + off + 1, h = std::max(f.Height(), m_Eng.m_nTextSize) + off + 1;
  int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(kScreenWidth, x + w), y1 = std::min(kScreenHeight, y + h);
  if (x1 <= x0 || y1 <= y0) return;
  PresentRect(x0, y0, x1 - x0, y1 - y0, x0, y0, nullptr);
}

void CMessageText::DrawTextChar(int x, int y, const char* ch, int bytes) { DrawTextChar(x, y, ch, bytes, TextColour()); }

void CMessageText::DrawTextChar(int x, int y, const char* ch, int bytes, std::uint32_t colour) {
  VirtualScreen* screen = GetVirtualScreen(0);
  CAntiFont& font = GetAntiFont();
  if (!screen || !font.HasFont()) return;
  // The font knows its icons by "@": a backslash escape is drawn the same.
  char icon[3] = {'@', 0, 0};
  if (bytes == 2 && IsEscapeByte(ch[0])) {
    icon[1] = ch[1];
    ch = icon;
  }
  auto* pixels = reinterpret_cast<std::uint8_t*>(screen->Pixels());
  const int off = static_cast<int>(static_cast<std::uint32_t>(m_Eng.m_nShadow) >> 24);
  if (off != 0) {
    const std::uint32_t shadow = static_cast<std::uint32_t>(m_Eng.m_nShadow) & 0xFFFFFFu;
    font.DrawString(x + off, ch, pixels, shadow, y + off, bytes);
  }
  font.DrawString(x, ch, pixels, colour, y, bytes);
}

// ---------------------------------------------------------------- layout

void CMessageText::DrawTextAtOnce(std::string_view text, CTextWindow& w) { DrawTextAtOnce(text, w, TextColour()); }

void CMessageText::DrawTextAtOnce(std::string_view text, CTextWindow& w, std::uint32_t colour) {
  TextPen p = TextPen::Of(w);
  DrawTextAtOnce(text, p, colour);
  p.StoreTo(w);
}

void CMessageText::DrawTextAtOnce(std::string_view text, TextPen& w, std::uint32_t colour) {
  std::string buf(text);  // the font reads NUL-terminated text
  std::string_view s(buf);
  std::size_t i = 0;
  bool lineStart = true;
  while (!AtEnd(s, i)) {
    char e = 0;
    if (LoneEscapeAt(s, i)) break;
    if (EscapeAt(s, i, &e)) {
      if (e >= '0' && e <= '9') {
        DrawTextChar(w.x + w.cursorX, w.y + w.cursorY, buf.data() + i, 2, colour);
        AfterChar(w, s, i + 2, 2);
        i += 2;
      } else if (e == 'C' || e == 'c') {
        i = SkipCue(s, i + 2);
      } else if (e == 'N' || e == 'n') {
        NextLine(w);
        i += 2;
        lineStart = true;
        continue;
      } else {
        i += 2;  // F, I, P and any other letter: passed over
      }
      lineStart = false;
      continue;
    }
    const std::size_t n = sjis::CharLen(s, i);
    if (lineStart && n == 1 && s[i] == '[') {
      // A later line's speaker: its name was on the plate, its text starts
      // on the next line, as the reveal put it.
      i = SkipName(s, i, nullptr);
      NextLine(w);
      lineStart = false;
      continue;
    }
    DrawTextChar(w.x + w.cursorX, w.y + w.cursorY, buf.data() + i, static_cast<int>(n), colour);
    AfterChar(w, s, i + n, static_cast<int>(n));
    i += n;
    lineStart = false;
  }
}

// ---------------------------------------------------------------- names

void CMessageText::PutText(CTextWindow& w, std::int32_t index, std::string_view name, bool homeY, bool nameWindow) {
  w.m_nColumn = 0;
  w.m_nCursorX = w.m_nHomeX;
  if (homeY) {
    w.m_nLine = 0;
    w.m_nCursorY = w.m_nHomeY;
  }
  if (index >= 0 && w.m_nState != 1) {
    w.m_nState = 1;
    m_pHost->RedrawWindow(index, false);
  }
  if (name.empty()) return;
  if (index >= 0) m_pHost->RestoreNamePlate(index);
  int nw = 0, nh = 0;
  if (nameWindow && m_pHost->NameWindow(&nw, &nh)) {
    if (nw <= 0) nw = 304;
    const int pitch = PitchX(TextPen::Of(w));
    const int off = static_cast<int>(static_cast<std::uint32_t>(m_Eng.m_nShadow) >> 24);
    int x = w.m_nX + nw / 2 - pitch * static_cast<int>(name.size() / 2) / 2 - 6;
    const int y = w.m_nY + nh / 2 - (off + m_Eng.m_nTextSize) / 2 - 14;
    const std::string buf(name);
    for (std::size_t i = 0; i < buf.size();) {
      const std::size_t n = sjis::CharLen(std::string_view(buf), i);
      if (n == 0) break;
      DrawTextChar(x, y, buf.data() + i, static_cast<int>(n));
      x += n == 2 ? pitch : pitch / 2 + 1;
      i += n;
    }
    const int px = std::max(0, w.m_nX - 6), py = std::max(0, w.m_nY - 21);
    const int pw = std::min(kScreenWidth, w.m_nX - 6 + nw) - px, ph = std::min(kScreenHeight, w.m_nY - 21 + nh) - py;
    if (pw > 0 && ph > 0) PresentRect(px, py, pw, ph, px, py, nullptr);
    return;
  }
  std::string plate = SJ("【");
  plate += name;
  plate += SJ("】");
  DrawTextAtOnce(plate, w);
  if (index >= 0) PresentWindow(w);
}

// The window's rectangle (what its text and choices were drawn into) to
// the screen; a redraw from the scene here would wipe them.
void CMessageText::PresentWindow(const CTextWindow& w) {
  if (w.m_nWidth <= 0 || w.m_nHeight <= 0) return;
  const int x0 = std::max(0, static_cast<int>(w.m_nX)), y0 = std::max(0, static_cast<int>(w.m_nY));
  const int x1 = std::min(kScreenWidth, w.m_nX + w.m_nWidth), y1 = std::min(kScreenHeight, w.m_nY + w.m_nHeight);
  if (x1 > x0 && y1 > y0) PresentRect(x0, y0, x1 - x0, y1 - y0, x0, y0, nullptr);
}

// ---------------------------------------------------------------- reveal

void CMessageText::PrepareTextLine(std::string_view name) {
  m_strName = sjis::CutBounded(name, 255);
  m_bVoiceReported = false;
  RevealFrame(m_Eng).m_nLineStart = 0;
}

void CMessageText::EnsureWindowShown() {
  CTextWindow* w = Current();
  if (!w || w->m_nState == 1) return;
  w->m_nState = 1;
  m_pHost->RedrawWindow(m_Tables.CurrentIndex(), true);
}

void CMessageText::NewTextLine() {
  if (CTextWindow* w = Current()) NextLine(*w);
}

void CMessageText::AppendPageText(std::string_view text) {
  if (m_strPage.size() + text.size() > kPageTextMax) m_bPageFull = true;
  AppendBounded(m_strPage, text, kPageTextMax);
}

void CMessageText::ClearPageText() {
  m_strPage.clear();
  m_bPageFull = false;
}

void CMessageText::ResetTextState() {
  m_nBracketDepth = 0;
  m_strVoice.clear();
}

void CMessageText::SetVoiceName(std::string_view name) {
  m_strVoice = sjis::CutBounded(name.substr(0, std::min(name.size(), name.find('\0'))), kVoiceNameSize - 1);
}

void CMessageText::PlaceCursors(CTextWindow& w) {
  if (w.m_nPageCursorFixed != -1) return;
  TextPen at = TextPen::Of(w);
  if (at.column >= at.charsPerLine) NextLine(at);
  w.m_nPageCursorX = static_cast<std::int16_t>(at.cursorX);
  w.m_nPageCursorY = static_cast<std::int16_t>(at.cursorY);
  w.m_nPromptCursorX = static_cast<std::int16_t>(at.cursorX);
  w.m_nPromptCursorY = static_cast<std::int16_t>(at.cursorY);
}

void CMessageText::PageEnd(CTextWindow& w, std::size_t cursor) {
  CScriptFrame& f = RevealFrame(m_Eng);
  PopPendingOp();
  const std::string& text = m_Eng.m_LineBuf;
  if (f.m_nLineStart < cursor && cursor <= text.size()) AppendPageText(std::string_view(text).substr(f.m_nLineStart, cursor - f.m_nLineStart));
  f.m_nLineStart = cursor;
  SceneState& s = Scene();
  if (s.m_nRunMode >= 0 && s.m_nRunMode <= 2) {
    PlaceCursors(w);
    if (s.m_nPendingState != PND_BACKLOG) s.m_nPendingState = PND_FPROMPT;
    if (m_Eng.m_nMode == 0) {
      m_Eng.m_bSaveEnabled = 1;
      m_Eng.m_bLoadEnabled = 1;
    }
  } else {
    ::SetPendingOp(OP_PAGE_CLEAR, m_Tables.CurrentIndex());
  }
}

void CMessageText::EndOfLine(CTextWindow& w, std::size_t cursor) {
  CScriptFrame& f = RevealFrame(m_Eng);
  const std::string& text = m_Eng.m_LineBuf;
  const std::size_t end = std::min(cursor, text.size());
  if (f.m_nLineStart < end) AppendPageText(std::string_view(text).substr(f.m_nLineStart, end - f.m_nLineStart));
  AppendPageText("\\n");
  f.m_nLineStart = end;
  f.m_nCursor = end;
  if (m_Eng.m_pScene) m_Eng.m_pScene->UpdateReadMark();
  if (m_bPageFull) {
    // No room for another line: the page ends here, as with "\f".
    NextLine(w);
    PageEnd(w, end);
    return;
  }
  PlaceCursors(w);
  NextLine(w);
  // The reveal is over: nothing may run it again for this line.
  PopPendingOp();
  SceneState& s = Scene();
  if (s.m_nRunMode >= 0 && s.m_nRunMode <= 2 && TextSpeed() < 4) {
    if (s.m_nPendingState != PND_BACKLOG) s.m_nPendingState = PND_PROMPT_PAGE;
    s.m_nRunMode = RUN_NORMAL;
  } else {
    EndWait();
  }
}

void CMessageText::ShowTextStep() {
  SceneState& s = Scene();
  CTextWindow* w = Current();
  if (!w) {
    // Without its window the reveal could never end.
    PopPendingOp();
    EndWait();
    return;
  }
  const std::int32_t index = m_Tables.CurrentIndex();
  if (w->m_nState != 1) {
    w->m_nState = 1;
    m_pHost->RedrawWindow(index, true);
  }
  const std::uint32_t now = pl::TickMs();
  if (s.m_nRunMode == RUN_NORMAL) {
    static constexpr std::uint32_t kInterval[3] = {90, 45, 16};
    if (TextSpeed() >= 0 && TextSpeed() <= 2) {
      if (now - m_dwLastChar < kInterval[TextSpeed()]) return;
    } else if (TextSpeed() == 3) {
      s.m_nRunMode = RUN_PAGE;
    }
  }
  m_dwLastChar = now;
  if ((s.m_nRunMode == RUN_SKIPHELD || s.m_nRunMode == RUN_SKIP) && SkipReadOnly() &&
      !m_pHost->IsCurrentLineRead()) {
    s.m_nRunMode = RUN_NORMAL;  // skipping stops at what was never read
  }

  CScriptFrame& f = RevealFrame(m_Eng);
  const std::string& buf = m_Eng.m_LineBuf;
  const std::string_view text(buf);
  std::size_t& cur = f.m_nCursor;
  for (;;) {
    if (AtEnd(text, cur) || LoneEscapeAt(text, cur)) {
      EndOfLine(*w, AtEnd(text, cur) ? cur : text.size());
      return;
    }
    bool shown = false;
    char e = 0;
    const std::size_t n = sjis::CharLen(text, cur);
    if (cur == 0 && text[0] == '[') {
      cur = SkipName(text, 0, nullptr);
      PutText(*w, index, m_strName, m_strPage.empty());
      NextLine(*w);
      continue;
    }
    if (EscapeAt(text, cur, &e)) {
      if (e >= '0' && e <= '9') {
        DrawTextChar(w->m_nX + w->m_nCursorX, w->m_nY + w->m_nCursorY, buf.data() + cur, 2);
        PresentChar(w->m_nX + w->m_nCursorX, w->m_nY + w->m_nCursorY, 2);
        cur += 2;
        AfterChar(*w, text, cur, 2);
        shown = true;
      } else if (e == 'C' || e == 'c') {
        const std::size_t j = SkipCue(text, cur + 2);
        const std::string_view cue = text.substr(cur + 2, j - cur - 2);
        cur = j;
        const ValueNode* cv = m_Eng.m_Root.m_Vars.Find("cv");
        if (!cv || cv->type != VT_TEXT) {
          // Told once a line; the cue is passed over so the box does not
          // come back on every frame.
          if (!m_bVoiceReported) ScriptBox(SJ("cvコマンドが未使用です。"), SJ("デバッグ"));
          m_bVoiceReported = true;
          continue;
        }
        // The line's own backlog record took the cue when it was added; the
        // next record must not take it again.
        const std::string voice = sjis::CutBounded(cv->text + std::string(cue), kVoiceNameSize - 1);
        if ((s.m_nRunMode == RUN_NORMAL || s.m_nRunMode == RUN_PAGE) && TextSpeed() < 4)
          m_pHost->PlayVoice(voice);
        continue;
      } else if (e == 'N' || e == 'n') {
        cur += 2;
        NextLine(*w);
        continue;
      } else if (e == 'F' || e == 'f') {
        cur += 2;
        PageEnd(*w, cur);
        return;
      } else if (e == 'i') {
        cur += 2;
        if (f.m_nLineStart < cur) AppendPageText(text.substr(f.m_nLineStart, cur - f.m_nLineStart));
        f.m_nLineStart = cur;
        m_bContinued = true;
        EndWait();
        PopPendingOp();
        return;
      } else {
        cur += 2;
        continue;
      }
    } else {
      if (n == 2) {
        const std::uint16_t code = CodeAt(text, cur);
        if (code == 0x8169 || code == 0x8175 || code == 0x8177) ++m_nBracketDepth;
        if (code == 0x816A || code == 0x8176 || code == 0x8178) {
          if (--m_nBracketDepth <= 0) {
            m_nBracketDepth = 0;
            m_strName.clear();
          }
        }
      }
      DrawTextChar(w->m_nX + w->m_nCursorX, w->m_nY + w->m_nCursorY, buf.data() + cur, static_cast<int>(n));
      PresentChar(w->m_nX + w->m_nCursorX, w->m_nY + w->m_nCursorY, static_cast<int>(n));
      cur += n;
      AfterChar(*w, text, cur, static_cast<int>(n));
      shown = true;
    }
    if (shown && s.m_nRunMode == RUN_NORMAL) return;
  }
}

void CMessageText::ResetWindowText(const std::string* text, bool present) {
  CTextWindow* w = Current();
  if (!w) return;
  const std::int32_t index = m_Tables.CurrentIndex();
  w->HomeText();
  m_pHost->RedrawWindow(index, false);
  const std::string page = text ? *text : m_strPage;
  std::string_view rest(page);
  if (!rest.empty() && rest[0] == '[') {
    std::string name;
    const std::size_t j = SkipName(rest, 0, &name);
    PutText(*w, index, name, true);
    NextLine(*w);
    rest = rest.substr(j);
  }
  DrawTextAtOnce(rest, *w);
  if (w->m_nColumn >= std::max<int>(1, w->m_nCharsPerLine)) NextLine(*w);
  const bool choosing = Scene().m_nPendingState == PND_SLCT || m_nBacklogSavedState == PND_SLCT;
  if (choosing && m_nChoiceCount > 0) DrawChoices();
  if (present) PresentWindow(*w);
}

// ---------------------------------------------------------------- choices

void CMessageText::ShowChoices(const std::vector<std::string>& choices) {
  CTextWindow* w = Current();
  if (!w) return;
  EnsureWindowShown();
  const int lineH = PitchY(TextPen::Of(*w));
  const int width = PitchX(TextPen::Of(*w)) * std::max<int>(1, w->m_nCharsPerLine);
  for (int i = 0; i < kChoiceSlots; ++i) {
    ChoiceRecord& r = m_Choices[static_cast<std::size_t>(i)];
    r = ChoiceRecord();
    r.m_nX = static_cast<std::int16_t>(std::clamp(w->m_nCursorX + (i / kChoiceSlots) * width, -32768, 32767));
    r.m_nY = static_cast<std::int16_t>(std::clamp(w->m_nCursorY + (i % kChoiceSlots) * lineH, -32768, 32767));
    r.m_nWidth = static_cast<std::int16_t>(std::clamp(width, 0, 32767));
    r.m_nHeight = static_cast<std::int16_t>(std::clamp(lineH, 0, 32767));
  }
  m_nChoiceCount = 0;
  const int cpl = std::max<int>(1, w->m_nCharsPerLine);
  for (const std::string& c : choices) {
    if (m_nChoiceCount >= kChoiceSlots) break;
    ChoiceRecord& r = m_Choices[static_cast<std::size_t>(m_nChoiceCount)];
    // Copied a character at a time, so that single bytes keep their place.
    int chars = 0;
    for (std::size_t i = 0; i < c.size();) {
      const std::size_t n = sjis::CharLen(c, i);
      if (n == 0 || c[i] == '\0' || r.m_strText.size() + n > kChoiceTextMax) break;
      r.m_strText.append(c, i, n);
      i += n;
      if (++chars % cpl == 0 && i < c.size()) {
        // A choice longer than a text line takes the next one too.
        r.m_nHeight = static_cast<std::int16_t>(std::min(32767, r.m_nHeight + lineH));
        for (int k = m_nChoiceCount + 1; k < kChoiceSlots; ++k) {
          ChoiceRecord& later = m_Choices[static_cast<std::size_t>(k)];
          later.m_nY = static_cast<std::int16_t>(std::min(32767, later.m_nY + lineH));
        }
      }
    }
    ++m_nChoiceCount;
  }
  m_nHighlight = -1;
  DrawChoices();
  PresentWindow(*w);
  GlideCursorToChoice();
}

void CMessageText::DrawOneChoice(CTextWindow& w, int i, std::uint32_t colour) {
  const ChoiceRecord& r = m_Choices[static_cast<std::size_t>(i)];
  TextPen pen = TextPen::Of(w);
  pen.homeX = pen.cursorX = r.m_nX;
  pen.homeY = pen.cursorY = r.m_nY;
  pen.column = pen.line = 0;
  pen.linesPerPage = 1 << 20;
  DrawTextAtOnce(r.m_strText, pen, colour);
}

void CMessageText::DrawChoices() {
  CTextWindow* w = Current();
  if (!w) return;
  EnsureWindowShown();
  const std::uint32_t text = static_cast<std::uint32_t>(m_Eng.m_nTextColor) & 0xFFFFFFu;
  for (int i = 0; i < m_nChoiceCount; ++i) {
    const ChoiceRecord& r = m_Choices[static_cast<std::size_t>(i)];
    m_pHost->RestoreArea(w->m_nX + r.m_nX, w->m_nY + r.m_nY, r.m_nWidth, r.m_nHeight);
    const bool grey = m_bChoiceHighlightStyle && i != m_nHighlight;
    DrawOneChoice(*w, i, grey ? kGreyChoiceColor : text);
  }
}

void CMessageText::DrawChoice(std::int32_t newIndex, std::int32_t oldIndex) {
  CTextWindow* w = Current();
  if (!w) return;
  m_nHighlight = (newIndex >= 0 && newIndex < m_nChoiceCount) ? newIndex : -1;
  const std::uint32_t text = static_cast<std::uint32_t>(m_Eng.m_nTextColor) & 0xFFFFFFu;
  for (const std::int32_t i : {oldIndex, newIndex}) {
    // The first highlight has no old one.
    if (i < 0 || i >= m_nChoiceCount) continue;
    const ChoiceRecord& r = m_Choices[static_cast<std::size_t>(i)];
    const int x = w->m_nX + r.m_nX, y = w->m_nY + r.m_nY;
    m_pHost->RestoreArea(x, y, r.m_nWidth, r.m_nHeight);
    if (i == m_nHighlight && w->m_Frame.m_szName[0] != '\0') m_pHost->DrawChoiceHighlight(x, y, r.m_nWidth, r.m_nHeight);
    const bool grey = m_bChoiceHighlightStyle && i != m_nHighlight;
    DrawOneChoice(*w, i, grey ? kGreyChoiceColor : text);
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(kScreenWidth, x + r.m_nWidth), y1 = std::min(kScreenHeight, y + r.m_nHeight);
    if (x1 > x0 && y1 > y0) PresentRect(x0, y0, x1 - x0, y1 - y0, x0, y0, nullptr);
  }
}

std::int32_t CMessageText::ChoiceAt(int x, int y) {
  const CTextWindow* w = Current();
  if (!w) return -1;
  const int rx = x - w->m_nX, ry = y - w->m_nY;
  for (int i = 0; i < m_nChoiceCount; ++i) {
    const ChoiceRecord& r = m_Choices[static_cast<std::size_t>(i)];
    if (rx >= r.m_nX && rx <= r.m_nX + r.m_nWidth && ry >= r.m_nY && ry <= r.m_nY + r.m_nHeight) return i;
  }
  return -1;
}

bool CMessageText::ApplyChoice(std::int32_t index) {
  if (index < 0 || index >= m_nChoiceCount) return false;
  if (ValueNode* reg = m_Eng.Reg()) reg->SetInt(index);
  m_bContinued = false;
  EndWait();
  return true;
}

void CMessageText::GlideCursorToChoice() {
  const CTextWindow* w = Current();
  if (!w || m_nChoiceCount <= 0) return;
  const ChoiceRecord& r = m_Choices[0];
  m_pHost->GlideCursorTo(w->m_nX + r.m_nX + 4, w->m_nY + r.m_nY + r.m_nHeight - 5);
}

void CMessageText::RestoreChoices(const std::vector<ChoiceRecord>& choices) {
  m_nChoiceCount = 0;
  for (ChoiceRecord& r : m_Choices) r = ChoiceRecord();
  for (const ChoiceRecord& in : choices) {
    if (m_nChoiceCount >= kChoiceSlots) break;
    ChoiceRecord& r = m_Choices[static_cast<std::size_t>(m_nChoiceCount++)];
    r = in;
    r.m_strText.clear();
    for (std::size_t i = 0; i < in.m_strText.size();) {
      const std::size_t n = sjis::CharLen(in.m_strText, i);
      if (n == 0 || in.m_strText[i] == '\0' || r.m_strText.size() + n > kChoiceTextMax) break;
      r.m_strText.append(in.m_strText, i, n);
      i += n;
    }
  }
  m_nHighlight = -1;
}

void CMessageText::UpdateCursorGlide() {
  if (Scene().m_nPendingState == PND_SLCT) GlideCursorToChoice();
}

