#include <algorithm>

#include "engine/script_engine.h"
#include "framework/sjis.h"
#include "scene/message_text.h"
#include "scene/text_scan.h"

using namespace textscan;

int CMessageText::ParseTextLine(const CTextWindow& win, std::string_view text, bool* any) {
  TextPen w = TextPen::Of(win);
  w.column = w.line = 0;
  w.cursorX = w.homeX;
  w.cursorY = w.homeY;
  w.linesPerPage = 1 << 20;  // counting, not paging
  bool has = false;
  int lines = 0;
  std::size_t i = 0;
  if (!AtEnd(text, 0) && text[0] == '[') {
    i = SkipName(text, 0, nullptr);
    NextLine(w);
  }
  while (!AtEnd(text, i)) {
    char e = 0;
    if (LoneEscapeAt(text, i)) break;
    if (EscapeAt(text, i, &e)) {
      if (e >= '0' && e <= '9') {
        has = true;
        AfterChar(w, text, i + 2, 2);
        i += 2;
      } else if (e == 'C' || e == 'c') {
        i = SkipCue(text, i + 2);
      } else if (e == 'N' || e == 'n') {
        has = true;
        NextLine(w);
        i += 2;
      } else {
        i += 2;
      }
      continue;
    }
    const std::size_t n = sjis::CharLen(text, i);
    has = true;
    AfterChar(w, text, i + n, static_cast<int>(n));
    i += n;
  }
  lines = w.line + (w.column > 0 ? 1 : 0);
  if (any) *any = has;
  return lines;
}

// ---------------------------------------------------------------- backlog

std::string CMessageText::VoiceOf(std::string_view text) const {
  for (std::size_t i = 0; !AtEnd(text, i);) {
    char e = 0;
    if (EscapeAt(text, i, &e)) {
      if (e == 'C' || e == 'c') {
        const std::size_t j = SkipCue(text, i + 2);
        const ValueNode* cv = m_Eng.m_Root.m_Vars.Find("cv");
        if (!cv || cv->type != VT_TEXT) return std::string();
        return sjis::CutBounded(cv->text + std::string(text.substr(i + 2, j - i - 2)), kVoiceNameSize - 1);
      }
      i += 2;
      continue;
    }
    i += std::max<std::size_t>(1, sjis::CharLen(text, i));
  }
  return std::string();
}

void CMessageText::AddBacklogLine(std::string_view text) {
  const CTextWindow& h = m_Tables.m_History;
  bool any = false;
  int lines = ParseTextLine(h, text, &any);
  const std::int32_t mode = m_Eng.m_nMode;
  if (mode != 2) {
    lines += 2;
  } else if (any) {
    lines += 1;
  }
  const int page = std::max<int>(1, h.m_nLinesPerPage);
  auto endsPage = [](const std::string& t) {
    const std::size_t last = sjis::LastCharStart(t);
    return last < t.size() && last > 0 && (t[last] == 'f' || t[last] == 'F') &&
           sjis::EndsWithChar(std::string_view(t).substr(0, last), '\\');
  };
  // A change of mode starts a new page.
  if (m_nBacklogMode != -1 && m_nBacklogMode != mode) m_nBacklogLines = page;
  // The view shows a page the script ended ("\f" after its last line) on
  // its own, so the next record is drawn at the top of the next one: its
  // hit rectangle must be there too.
  if (!m_Backlog.Empty() && endsPage(m_Backlog.Last()->text)) m_nBacklogLines = 0;
  if (m_nBacklogLines + lines > page - 1 && !m_Backlog.Empty()) {
    std::string& t = m_Backlog.Last()->text;
    if (!endsPage(t)) t += "\\f";
    m_nBacklogLines = 0;
  } else if (m_nBacklogLines + lines > page - 1) {
    m_nBacklogLines = 0;
  }
  BacklogHeader hdr{};
  const int pitchY = PitchY(TextPen::Of(h));
  hdr[BL_LEFT] = h.m_nHomeX;
  hdr[BL_RIGHT] = h.m_nHomeX + PitchX(TextPen::Of(h)) * std::max<int>(1, h.m_nCharsPerLine);
  hdr[BL_TOP] = h.m_nHomeY + m_nBacklogLines * pitchY;
  hdr[BL_BOTTOM] = hdr[BL_TOP] + lines * pitchY;
  hdr[BL_MODE] = mode;
  std::string voice = VoiceOf(text);
  if (voice.empty()) voice = m_strVoice;
  m_strVoice.clear();
  char field[kVoiceNameSize] = {};
  sjis::CopyBounded(field, sizeof field, voice);
  for (int k = 0; k < 8; ++k) {
    const auto* b = reinterpret_cast<const unsigned char*>(field + 4 * k);
    hdr[static_cast<std::size_t>(BL_VOICE + k)] =
        static_cast<std::int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
  }
  m_nBacklogLines += lines;
  m_nBacklogMode = mode;
  m_Backlog.AddBacklog("@", hdr, text);
}

ValueNode* CMessageText::DrawHistoryPage(ValueNode* first, int mouseX, int mouseY) {
  m_pHost->DrawHistoryWindow();
  CTextWindow& h = m_Tables.m_History;
  h.HomeText();
  ValueNode* hovered = nullptr;
  const int mx = mouseX - h.m_nX, my = mouseY - h.m_nY;
  for (ValueNode* r = first; r; r = r->next) {
    if (r->type != VT_BACKLOG) continue;
    std::uint32_t colour = kHistoryColor;
    if ((r->header[BL_VOICE] & 0xFF) != 0) {
      const bool inside = mx > r->header[BL_LEFT] && mx < r->header[BL_RIGHT] && my > r->header[BL_TOP] &&
                          my < r->header[BL_BOTTOM];
      colour = inside ? kHistoryHoverColor : kHistoryVoiceColor;
      if (inside) hovered = r;
    }
    std::string_view t(r->text);
    if (!t.empty() && t[0] == '[') {
      std::string name;
      const std::size_t j = SkipName(t, 0, &name);
      PutText(h, -1, name, false, false);
      NextLine(h);
      t = t.substr(j);
    }
    DrawTextAtOnce(t, h, colour);
    // Where the record ends: a page mark, a continuation "@i".
    bool endsI = false, endsPage = false;
    const std::size_t last = sjis::LastCharStart(r->text);
    if (last > 0 && last < r->text.size()) {
      const char c = r->text[last];
      if (sjis::EndsWithChar(std::string_view(r->text).substr(0, last), '\\') ||
          sjis::EndsWithChar(std::string_view(r->text).substr(0, last), '@')) {
        endsI = c == 'i' || c == 'I';
        endsPage = c == 'f' || c == 'F';
      }
    }
    int breaks = r->header[BL_MODE] != 2 ? 2 : (r->text.empty() ? 1 : 0);
    if (h.m_nColumn > 0 && !endsI) ++breaks;
    for (int k = 0; k < breaks; ++k) NextLine(h);
    if (endsPage) break;
  }
  return hovered;
}

void CMessageText::ClearBacklog() {
  m_Backlog.Clear();
  m_nBacklogLines = 0;
  m_nBacklogMode = -1;
}

// ---------------------------------------------------------------- loading

void CMessageText::ScanTextMarkup(std::string_view text) {
  auto textVar = [&](std::string_view s, std::size_t* i) {
    std::size_t j = *i;
    while (!AtEnd(s, j) && IsAsciiNameByte(s[j])) ++j;
    const ValueNode* v = m_Eng.m_Root.m_Vars.Find(s.substr(*i, j - *i));
    *i = j;
    return (v && v->type == VT_TEXT) ? v->text : std::string();
  };
  std::string out, name;
  std::size_t i = 0;
  if (!AtEnd(text, 0) && text[0] == '[') {
    std::size_t j = 1;
    while (!AtEnd(text, j)) {
      const std::size_t n = sjis::CharLen(text, j);
      if (n == 1 && text[j] == ']') {
        ++j;
        break;
      }
      if (n == 1 && text[j] == '\\' && !AtEnd(text, j + 1)) {
        j += 2;
        AppendBounded(name, textVar(text, &j), 255);
        continue;
      }
      AppendBounded(name, text.substr(j, n), 255);
      j += n;
    }
    AppendBounded(out, text.substr(0, j), kLineMax);
    i = j;
  }
  bool stop = false;
  while (!stop && !AtEnd(text, i) && out.size() < kLineMax) {
    const std::size_t n = sjis::CharLen(text, i);
    char e = 0;
    if (LoneEscapeAt(text, i)) break;
    if (!EscapeAt(text, i, &e)) {
      AppendBounded(out, text.substr(i, n), kLineMax);
      i += n;
      continue;
    }
    if ((e >= '0' && e <= '9') || e == 'N' || e == 'n') {
      AppendBounded(out, text.substr(i, 2), kLineMax);
      i += 2;
    } else if (e == 'C' || e == 'c') {
      // The copy takes every single byte of the cue (the reveal reads 16).
      std::size_t j = i + 2;
      while (!AtEnd(text, j) && sjis::CharLen(text, j) == 1 && text[j] != '[' && !IsEscapeByte(text[j])) ++j;
      AppendBounded(out, text.substr(i, j - i), kLineMax);
      i = j;
    } else if (e == 'S' || e == 's') {
      i += 2;
      AppendBounded(out, textVar(text, &i), kLineMax);
    } else if (e == 'I' || e == 'i' || e == 'F' || e == 'f') {
      AppendBounded(out, text.substr(i, 2), kLineMax);
      stop = true;
    } else {
      stop = true;
    }
  }
  m_strName = name;
  m_Eng.m_LineBuf = out;
  CScriptFrame& f = RevealFrame(m_Eng);
  f.m_nCursor = 0;
  f.m_nLineStart = 0;
}
