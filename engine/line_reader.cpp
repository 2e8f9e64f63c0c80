#include "engine/line_reader.h"

#include "engine/script_box.h"
#include "framework/sjis.h"
#include "platform/text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool AtLineEnd(const char* p) { return p[0] == '\r' && p[1] == '\n'; }
bool IsLeadAt(const char* p) { return sjis::IsLead(static_cast<unsigned char>(*p)); }

// Length of the character at p. A lead byte before a line break is one byte
// on its own: CR and LF are never trail bytes, and eating them would join
// lines (or, before the NUL, run off the text).
std::size_t StepLen(const char* p) {
  const std::size_t n = sjis::CharLen(p);
  if (n == 2 && (p[1] == '\r' || p[1] == '\n')) return 1;
  return n;
}
bool IsTwoByteAt(const char* p) { return StepLen(p) == 2; }

// A byte a command line keeps as it is, one byte long: not the end of the
// text, a CR, a comment, a blank or a lead byte.
bool IsPlainCommandByte(char c) {
  return c != '\0' && c != '\r' && c != '#' && !IsBlank(c) && !sjis::IsLead(static_cast<unsigned char>(c));
}

bool IsCommandStart(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '^' ||
         c == ':' || c == '$' || c == '%' || c == '!' || c == '>';
}

const char* ConsumeLineEnd(const char* p) { return AtLineEnd(p) ? p + 2 : p; }

// Appends n bytes of p unless the line would pass its limit.
bool Append(std::string& out, const char* p, std::size_t n) {
  if (out.size() + n > kScriptLineMax) return false;
  out.append(p, n);
  return true;
}

// A logical line that does not fit the line buffer: cut it where it is (on
// a character boundary, since only whole characters were appended), show
// it, and drop the rest of the physical line.
void Overlong(std::string& out, const char*& p) {
  ScriptBox(out, SJ("表示文字列が不正です。"));
  p = ConsumeLineEnd(SkipToLineEnd(p));
}

void ReadCommand(std::string& out, const char*& p) {
  while (*p != '\0' && !AtLineEnd(p) && *p != '#') {
    if (IsBlank(*p)) {
      ++p;
      continue;
    }
    // A run of plain bytes goes in at once while it fits; the byte-wise
    // path below cuts an overlong line where it passes the limit.
    const char* run = p;
    while (IsPlainCommandByte(*run)) ++run;
    if (run != p && out.size() + static_cast<std::size_t>(run - p) <= kScriptLineMax) {
      out.append(p, run);
      p = run;
      continue;
    }
    const std::size_t n = StepLen(p);
    if (!Append(out, p, n)) {
      Overlong(out, p);
      return;
    }
    p += n;
  }
  p = ConsumeLineEnd(SkipToLineEnd(p));
}

void ReadChoices(std::string& out, const char*& p) {
  while (*p != '\0') {
    const char c = *p;
    if (IsBlank(c) || c == '\r' || c == '\n') {
      ++p;
    } else if (c == '#') {
      p = SkipToLineEnd(p);
    } else if (c == '/' && p[1] == '/') {
      if (!Append(out, p, 2)) {
        Overlong(out, p);
        return;
      }
      p = ConsumeLineEnd(SkipToLineEnd(p + 2));
      return;
    } else {
      const std::size_t n = StepLen(p);
      if (!Append(out, p, n)) {
        Overlong(out, p);
        return;
      }
      p += n;
    }
  }
  // The text ended before "//": the list ends with it.
}

bool IsKeptEscape(char e) {
  switch (e) {
    case 'F': case 'f': case 'I': case 'i': case 'N': case 'n': case 'P': case 'p':
    // H, T and V are accepted and passed over as they are; the interpreter's
    // copy of the line ends before them.
    case 'H': case 'h': case 'T': case 't': case 'V': case 'v':
      return true;
    default:
      return e >= '0' && e <= '9';
  }
}

void ReadMessage(std::string& out, const char*& p, int mode) {
  bool hasName = false;
  for (;;) {
    const char c = *p;
    if (c == '\0') return;
    if (AtLineEnd(p)) {
      p += 2;
      if ((mode != 2 || hasName) && (IsLeadAt(p) || *p == '@')) {
        if (!Append(out, "\\n", 2)) {
          Overlong(out, p);
          return;
        }
        continue;
      }
      return;
    }
    if (IsBlank(c)) {
      ++p;
      continue;
    }
    if (c == '#') {
      p = ConsumeLineEnd(SkipToLineEnd(p));
      return;
    }
    if (IsTwoByteAt(p)) {
      const char* run = p + 2;
      while (IsTwoByteAt(run)) run += 2;
      if (out.size() + static_cast<std::size_t>(run - p) <= kScriptLineMax) {
        out.append(p, run);
        p = run;
        continue;
      }
      if (!Append(out, p, 2)) {
        Overlong(out, p);
        return;
      }
      p += 2;
      continue;
    }
    if (c == '[') {
      if (!Append(out, p, 1)) {
        Overlong(out, p);
        return;
      }
      ++p;
      bool closed = false;
      while (*p != '\0' && *p != '\r' && *p != '\n') {
        const std::size_t n = StepLen(p);
        if (!Append(out, p, n)) {
          Overlong(out, p);
          return;
        }
        p += n;
        if (out.back() == ']' && n == 1) {
          closed = true;
          break;
        }
      }
      if (!closed) {
        // A line break inside the brackets: the logical line ends there.
        ScriptBox(SJ("名前表示指定が不正です。"), SJ("デバッグ"));
        p = ConsumeLineEnd(SkipToLineEnd(p));
        return;
      }
      hasName = true;
      p = SkipBlanks(p);
      if (*p == '#') p = SkipToLineEnd(p);
      if (AtLineEnd(p)) {
        // The name stands alone: its body is the next physical line.
        p += 2;
        continue;
      }
      if (*p == '\0' || IsTwoByteAt(p)) continue;
      ScriptBox(SJ("名前表示指定が不正です。"), SJ("デバッグ"));
      continue;
    }
    if (c == '@' || c == '\\') {
      const char e = p[1];
      if (IsKeptEscape(e)) {
        if (!Append(out, p, 2)) {
          Overlong(out, p);
          return;
        }
        p += 2;
        continue;
      }
      if (e == 'C' || e == 'c' || e == 'S' || e == 's') {
        if (!Append(out, p, 2)) {
          Overlong(out, p);
          return;
        }
        p += 2;
        while (*p != '\0' && !AtLineEnd(p) && !IsTwoByteAt(p) && *p != '@' && *p != '\\' && *p != '[') {
          if (!IsBlank(*p) && !Append(out, p, 1)) {
            Overlong(out, p);
            return;
          }
          ++p;
        }
        // A voice cue may run on to the next physical line; a variable's
        // name ends with its line like any text.
        if ((e == 'C' || e == 'c') && AtLineEnd(p)) p += 2;
        continue;
      }
      // An escape of no meaning ends the text: the rest of the line is lost.
      ScriptBox(out, SJ("表示文字列が不正です"));
      p = ConsumeLineEnd(SkipToLineEnd(p));
      return;
    }
    // Any other single byte ends the text after it; what follows on the
    // physical line is read as a logical line of its own.
    if (!Append(out, p, 1)) {
      Overlong(out, p);
      return;
    }
    ++p;
    ScriptBox(out, SJ("表示文字列が不正です。"));
    return;
  }
}

}  // namespace

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

const char* SkipToLineEnd(const char* p) {
  // Stepping a character at a time lands on every CR and NUL (StepLen never
  // takes one as a trail byte), so a byte scan finds the same end.
  while (*p != '\0' && !AtLineEnd(p)) ++p;
  return p;
}

void ReadScriptLine(std::string& out, const char*& cursor, int mode) {
  out.clear();
  const char* p = cursor;
  for (;;) {
    p = SkipBlanks(p);
    const char c = *p;
    if (c == '\0') break;
    if (AtLineEnd(p)) {
      p += 2;
      break;
    }
    if (c == '#') {
      // Comment lines take no number: the next line is read in its place.
      p = ConsumeLineEnd(SkipToLineEnd(p));
      continue;
    }
    if (IsCommandStart(c)) {
      ReadCommand(out, p);
    } else if (c == '/') {
      ReadChoices(out, p);
    } else if (IsLeadAt(p) || c == '@' || c == '[' || c == '\\') {
      ReadMessage(out, p, mode);
    } else {
      // Nothing of this line is kept; its line break is read next as an
      // empty line of its own.
      p = SkipToLineEnd(p);
    }
    break;
  }
  cursor = p;
}
