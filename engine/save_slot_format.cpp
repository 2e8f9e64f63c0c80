#include "engine/save_slot_format.h"

#include <algorithm>
#include <cstring>

#include "framework/byte_io.h"
#include "framework/sjis.h"

namespace {

using byteio::ByteReader;
using byteio::ByteWriter;

constexpr std::uint32_t kAllTags[] = {kTagSTK, kTagVAR, kTagDEF, kTagSEL, kTagWND, kTagFRM, kTagFP,
                                      kTagPP,  kTagBTN, kTagSPR, kTagBUF, kTagANM, kTagGG};

// The names under which the container commands keep their elements; the
// children of a '*' value run as long as the names repeat one of them.
bool IsElementName(std::string_view n) { return n == "que" || n == "stack" || n == "pool"; }

bool IsKnownType(char t) { return t == '%' || t == '!' || t == '$' || t == '*' || t == '@'; }

std::uint32_t PackBytes(const std::array<std::uint8_t, 4>& b) {
  return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
         (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
}
std::array<std::uint8_t, 4> UnpackBytes(std::uint32_t w) {
  return {static_cast<std::uint8_t>(w >> 24), static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 8),
          static_cast<std::uint8_t>(w)};
}

// ---------------------------------------------------------------- writing

void PutValue(ByteWriter& w, const SlotValue& v, bool child) {
  w.PaddedText(v.name);
  w.U32(static_cast<std::uint8_t>(v.type));
  switch (v.type) {
    case '%':
    case '!':
      w.U32(v.bits);
      break;
    case '$':
      w.PaddedText(v.text);
      break;
    case '*':
      if (!child) {
        for (const SlotValue& c : v.children) PutValue(w, c, true);
      }
      break;
    default:
      break;
  }
}

void PutPicture(ByteWriter& w, std::uint32_t tag, const SlotWindowPicture& p, int extraWords) {
  if (!p.present) return;
  w.U32(tag);
  w.FixedText(p.name, kSlotPictureSize);
  w.I32(p.x);
  w.I32(p.y);
  if (extraWords >= 1) w.I32(p.lastFrame);
  if (extraWords >= 2) w.I32(p.fixedPos);
}

void PutWindow(ByteWriter& w, const SlotWindow& win) {
  w.U32(0);
  w.I32(win.x);
  w.I32(win.y);
  w.I32(win.width);
  w.I32(win.height);
  w.U32(win.state);
  w.I32(win.panelX);
  w.I32(win.panelY);
  w.I32(win.panelWidth);
  w.I32(win.panelHeight);
  w.U32(PackBytes({win.red, win.green, win.blue, 0}));
  w.I32(win.panelStrength);
  w.I32(win.homeX);
  w.I32(win.homeY);
  w.I32(win.lineGap);
  w.I32(win.charGap);
  w.I32(win.linesPerPage);
  w.I32(win.charsPerLine);
  PutPicture(w, kTagFRM, win.frame, 0);
  PutPicture(w, kTagFP, win.pageCursor, 2);
  PutPicture(w, kTagPP, win.promptCursor, 1);
  if (win.hasButtons) {
    w.U32(kTagBTN);
    for (const SlotWindowButton& b : win.buttons) {
      w.FixedText(b.picture, kSlotButtonNameSize);
      w.FixedText(b.action, kSlotButtonNameSize);
      w.I32(b.x);
      w.I32(b.y);
      w.FixedText(b.label, kSlotButtonNameSize);
      w.I32(b.labelX);
      w.I32(b.labelY);
    }
  }
}

void Serialize(const SlotData& s, ByteWriter& w) {
  w.U32(1);
  w.Zeros(12);
  w.FixedText(s.title, kSlotTitleSize);
  w.FixedText(s.comment, kSlotCommentSize);
  w.FixedText(s.voice, kSlotVoiceSize);
  w.FixedText(s.file, kSlotFileSize);
  w.FixedText(s.label, kSlotLabelSize);
  w.FixedText(s.localLabel, kSlotLabelSize);
  w.I32(s.line);
  w.U32(s.cursor);
  w.PaddedText(s.pageText);
  w.PaddedText(s.lineText);

  w.I32(s.music.mode);
  w.U32(0);
  w.FixedText(s.music.name, kSlotSoundNameSize);
  w.I32(s.effect.mode);
  w.FixedText(s.effect.name, kSlotSoundNameSize);
  w.I32(s.ambience.mode);
  w.FixedText(s.ambience.name, kSlotSoundNameSize);
  w.I32(s.tone);
  w.I32(s.currentWindow);
  w.I32(s.mode);
  w.U32(s.pendingState);
  w.I32(s.resetWord);
  w.I32(s.choicePending);

  w.U32(kTagSTK);
  for (const SlotStackEntry& e : s.stack) {
    w.PaddedText(e.name);
    if (e.name == "jsb") {
      w.PaddedText(e.label);
      w.I32(e.line);
    } else if (e.name == "gsb") {
      w.PaddedText(e.file);
      w.PaddedText(e.label);
      w.I32(e.line);
      w.PaddedText(e.localLabel);
    } else if (e.name == "wh") {
      w.I32(e.line);
    }
  }
  w.U32(kTagVAR);
  for (const SlotValue& v : s.vars) PutValue(w, v, false);
  w.U32(kTagDEF);
  for (const SlotValue& v : s.defs) PutValue(w, v, false);
  w.U32(kTagSEL);
  w.U32(static_cast<std::uint32_t>(s.choices.size()));
  for (const SlotChoice& c : s.choices) {
    w.I32(c.x);
    w.I32(c.y);
    w.I32(c.width);
    w.I32(c.height);
    w.PaddedText(c.text);
  }
  w.U32(kTagWND);
  for (const SlotWindow& win : s.windows) PutWindow(w, win);
  w.U32(kTagSPR);
  for (const SlotSprite& sp : s.sprites) {
    w.FixedText(sp.name, kSlotPictureSize);
    w.I32(sp.x);
    w.I32(sp.y);
    w.I32(sp.stateGroup);
    w.I32(sp.shownState);
    w.I32(sp.spriteClass);
    w.I32(sp.blendMode);
    w.I32(sp.alignment);
    w.I32(sp.sequence);
  }
  w.U32(kTagBUF);
  const SlotEngineWords& e = s.engine;
  w.I32(e.raster[0]);
  w.I32(e.raster[1]);
  w.I32(e.background);
  w.I32(e.readMark);
  w.I32(e.rightButton);
  w.I32(e.weatherState);
  w.I32(e.weatherKind);
  w.I32(e.overlayState);
  w.FixedText(e.overlayName, kSlotPictureSize);
  w.I32(e.overlayWords[0]);
  w.I32(e.overlayWords[1]);
  w.U32(kTagBTN);
  for (const SlotScriptButton& b : s.buttons) {
    w.FixedText(b.picture, kSlotPictureSize);
    w.I32(b.x);
    w.I32(b.y);
    w.PaddedText(b.text);
    w.I32(b.word1);
    w.I32(b.word2);
  }
  w.U32(kTagANM);
  w.U32(kTagGG);
  for (const SlotGauge& g : s.gauges) {
    w.U32(PackBytes(g.colour));
    w.I32(g.x);
    w.I32(g.y);
    w.I32(g.width);
    w.I32(g.height);
    w.I32(g.blend);
    w.I32(g.shown);
    w.I32(g.direction);
    w.I32(g.maximum);
    w.I32(g.value);
  }
}

// What a slot reads back as: every fixed field cut to leave its NUL, and
// nothing that the format does not store.
std::string Cut(const std::string& s, std::size_t width) {
  return sjis::CutBounded(std::string_view(s.c_str()), width - 1);
}
std::string UpToNul(const std::string& s) { return std::string(s.c_str()); }

void NormalizeValue(SlotValue& v, bool child) {
  v.name = UpToNul(v.name);
  if (v.type != '%' && v.type != '!') v.bits = 0;
  if (v.type != '$') v.text.clear();
  v.text = UpToNul(v.text);
  if (v.type != '*' || child) v.children.clear();
  for (SlotValue& c : v.children) NormalizeValue(c, true);
}

void Normalize(SlotData& s) {
  s.title = Cut(s.title, kSlotTitleSize);
  s.comment = Cut(s.comment, kSlotCommentSize);
  s.voice = Cut(s.voice, kSlotVoiceSize);
  s.pageText = UpToNul(s.pageText);
  s.lineText = UpToNul(s.lineText);
  for (SlotSound* snd : {&s.music, &s.effect, &s.ambience}) snd->name = Cut(snd->name, kSlotSoundNameSize);
  for (SlotStackEntry& e : s.stack) {
    e.name = UpToNul(e.name);
    const bool jsb = e.name == "jsb", gsb = e.name == "gsb", wh = e.name == "wh";
    if (!gsb) {
      e.file.clear();
      e.localLabel.clear();
    }
    if (!jsb && !gsb) e.label.clear();
    if (!jsb && !gsb && !wh) e.line = 0;
    e.file = UpToNul(e.file);
    e.label = UpToNul(e.label);
    e.localLabel = UpToNul(e.localLabel);
  }
  for (SlotValue& v : s.vars) NormalizeValue(v, false);
  for (SlotValue& v : s.defs) NormalizeValue(v, false);
  for (SlotChoice& c : s.choices) c.text = UpToNul(c.text);
  for (SlotWindow& w : s.windows) {
    for (SlotWindowPicture* p : {&w.frame, &w.pageCursor, &w.promptCursor}) {
      if (!p->present) *p = SlotWindowPicture{};
      p->name = Cut(p->name, kSlotPictureSize);
    }
    w.frame.lastFrame = w.frame.fixedPos = 0;
    w.promptCursor.fixedPos = 0;
    if (!w.hasButtons) w.buttons.clear();
    for (SlotWindowButton& b : w.buttons) {
      b.picture = Cut(b.picture, kSlotButtonNameSize);
      b.action = Cut(b.action, kSlotButtonNameSize);
      b.label = Cut(b.label, kSlotButtonNameSize);
    }
  }
  for (SlotSprite& sp : s.sprites) sp.name = Cut(sp.name, kSlotPictureSize);
  s.engine.overlayName = Cut(s.engine.overlayName, kSlotPictureSize);
  for (SlotScriptButton& b : s.buttons) {
    b.picture = Cut(b.picture, kSlotPictureSize);
    b.text = UpToNul(b.text);
  }
}

// ---------------------------------------------------------------- reading

class SlotReader {
 public:
  explicit SlotReader(std::span<const std::uint8_t> bytes) : m_r(bytes), m_Bytes(bytes) {}

  bool Parse(SlotData* s);

 private:
  std::uint32_t Peek() const {
    return m_r.Remaining() >= 4 ? byteio::GetLE32(m_Bytes.data() + m_r.Position()) : 0xFFFFFFFFu;
  }
  bool Has(std::size_t n) const { return m_r.Remaining() >= n; }
  bool Expect(std::uint32_t tag) {
    if (Peek() != tag || !Has(4)) return false;
    m_r.U32();
    return true;
  }
  std::string Fixed(std::size_t width) { return sjis::CutBounded(m_r.FixedText(width), width - 1); }
  bool Value(SlotValue* v, bool child);
  bool Picture(SlotWindowPicture* p, int extraWords);
  bool Window(SlotWindow* w);

  ByteReader m_r;
  std::span<const std::uint8_t> m_Bytes;
};

bool SlotReader::Value(SlotValue* v, bool child) {
  v->name = m_r.PaddedText();
  const std::uint32_t typeWord = m_r.U32();
  if (!m_r.Ok()) return false;
  v->type = static_cast<char>(typeWord & 0xFF);
  if (!IsKnownType(v->type)) return false;
  switch (v->type) {
    case '%':
    case '!':
      v->bits = m_r.U32();
      break;
    case '$':
      v->text = m_r.PaddedText();
      break;
    case '*': {
      if (child) break;
      std::string element;
      for (;;) {
        const std::size_t at = m_r.Position();
        if (!Has(4) || IsSlotTag(Peek())) break;
        const std::string name = m_r.PaddedText();
        if (!m_r.Ok()) return false;
        m_r.Seek(at);
        if (element.empty() ? !IsElementName(name) : name != element) break;
        element = name;
        SlotValue c;
        if (!Value(&c, true)) return false;
        v->children.push_back(std::move(c));
      }
      break;
    }
    default:
      break;
  }
  return m_r.Ok();
}

bool SlotReader::Picture(SlotWindowPicture* p, int extraWords) {
  p->present = true;
  p->name = Fixed(kSlotPictureSize);
  p->x = m_r.I32();
  p->y = m_r.I32();
  if (extraWords >= 1) p->lastFrame = m_r.I32();
  if (extraWords >= 2) p->fixedPos = m_r.I32();
  return m_r.Ok();
}

bool SlotReader::Window(SlotWindow* w) {
  if (!Has(18 * 4)) return false;
  m_r.U32();  // the bytes before the rectangle: none in this engine's windows
  w->x = m_r.I32();
  w->y = m_r.I32();
  w->width = m_r.I32();
  w->height = m_r.I32();
  w->state = static_cast<std::uint8_t>(m_r.U32());
  w->panelX = m_r.I32();
  w->panelY = m_r.I32();
  w->panelWidth = m_r.I32();
  w->panelHeight = m_r.I32();
  const auto rgb = UnpackBytes(m_r.U32());
  w->red = rgb[0];
  w->green = rgb[1];
  w->blue = rgb[2];
  w->panelStrength = m_r.I32();
  w->homeX = m_r.I32();
  w->homeY = m_r.I32();
  w->lineGap = m_r.I32();
  w->charGap = m_r.I32();
  w->linesPerPage = m_r.I32();
  w->charsPerLine = m_r.I32();
  if (Expect(kTagFRM) && !Picture(&w->frame, 0)) return false;
  if (Expect(kTagFP) && !Picture(&w->pageCursor, 2)) return false;
  if (Expect(kTagPP) && !Picture(&w->promptCursor, 1)) return false;
  if (Expect(kTagBTN)) {
    w->hasButtons = true;
    // A button record starts with its picture name, never 0; a window with
    // its 0 word, and the sprites with their section word.
    while (Has(4) && Peek() != 0 && !IsSlotTag(Peek())) {
      if (!Has(28 * 4)) return false;
      SlotWindowButton b;
      b.picture = Fixed(kSlotButtonNameSize);
      b.action = Fixed(kSlotButtonNameSize);
      b.x = m_r.I32();
      b.y = m_r.I32();
      b.label = Fixed(kSlotButtonNameSize);
      b.labelX = m_r.I32();
      b.labelY = m_r.I32();
      w->buttons.push_back(std::move(b));
    }
  }
  return m_r.Ok();
}

bool SlotReader::Parse(SlotData* s) {
  ByteReader& r = m_r;
  if (!Has(kSlotPageTextOffset)) return false;
  r.Seek(kSlotTitleOffset);
  s->title = Fixed(kSlotTitleSize);
  s->comment = Fixed(kSlotCommentSize);
  s->voice = Fixed(kSlotVoiceSize);
  s->file = Fixed(kSlotFileSize);
  s->label = Fixed(kSlotLabelSize);
  s->localLabel = Fixed(kSlotLabelSize);
  s->line = r.I32();
  s->cursor = r.U32();
  s->pageText = r.PaddedText();
  s->lineText = r.PaddedText();
  if (!r.Ok() || s->cursor > s->lineText.size()) return false;
  if (!IsSafeScriptName(s->file)) return false;

  if (!Has(22 * 4)) return false;
  s->music.mode = r.I32();
  r.U32();
  s->music.name = Fixed(kSlotSoundNameSize);
  s->effect.mode = r.I32();
  s->effect.name = Fixed(kSlotSoundNameSize);
  s->ambience.mode = r.I32();
  s->ambience.name = Fixed(kSlotSoundNameSize);
  s->tone = r.I32();
  s->currentWindow = r.I32();
  s->mode = r.I32();
  s->pendingState = r.U32();
  s->resetWord = r.I32();
  s->choicePending = r.I32();

  if (!Expect(kTagSTK)) return false;
  while (Has(4) && Peek() != kTagVAR) {
    SlotStackEntry e;
    e.name = r.PaddedText();
    if (e.name == "jsb") {
      e.label = r.PaddedText();
      e.line = r.I32();
    } else if (e.name == "gsb") {
      e.file = r.PaddedText();
      e.label = r.PaddedText();
      e.line = r.I32();
      e.localLabel = r.PaddedText();
    } else if (e.name == "wh") {
      e.line = r.I32();
    }
    if (!r.Ok()) return false;
    if (e.name == "gsb" && !IsSafeScriptName(e.file)) return false;
    s->stack.push_back(std::move(e));
  }
  if (s->stack.empty() || s->stack[0].name != "top") return false;
  if (!Expect(kTagVAR)) return false;
  while (Has(4) && Peek() != kTagDEF) {
    SlotValue v;
    if (!Value(&v, false)) return false;
    s->vars.push_back(std::move(v));
  }
  // "reg" is the result register that every value command writes: a slot
  // without the reserved three in front cannot be run.
  static constexpr const char* kReserved[] = {"reg", "dbg", "bgm"};
  if (s->vars.size() < 3) return false;
  for (int i = 0; i < 3; ++i) {
    if (s->vars[i].name != kReserved[i]) return false;
  }
  if (!Expect(kTagDEF)) return false;
  while (Has(4) && Peek() != kTagSEL) {
    SlotValue v;
    if (!Value(&v, false)) return false;
    s->defs.push_back(std::move(v));
  }
  if (!Expect(kTagSEL)) return false;
  const std::uint32_t count = r.U32();
  if (!r.Ok() || count > kSlotMaxChoices) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    SlotChoice c;
    c.x = r.I32();
    c.y = r.I32();
    c.width = r.I32();
    c.height = r.I32();
    c.text = r.PaddedText();
    if (!r.Ok()) return false;
    s->choices.push_back(std::move(c));
  }
  if (!Expect(kTagWND)) return false;
  while (Has(4) && Peek() != kTagSPR) {
    SlotWindow w;
    if (!Window(&w)) return false;
    s->windows.push_back(std::move(w));
  }
  if (!Expect(kTagSPR)) return false;
  while (Has(4) && Peek() != kTagBUF) {
    if (!Has(12 * 4)) return false;
    SlotSprite sp;
    sp.name = Fixed(kSlotPictureSize);
    sp.x = r.I32();
    sp.y = r.I32();
    sp.stateGroup = r.I32();
    sp.shownState = r.I32();
    sp.spriteClass = r.I32();
    sp.blendMode = r.I32();
    sp.alignment = r.I32();
    sp.sequence = r.I32();
    s->sprites.push_back(std::move(sp));
  }
  if (!Expect(kTagBUF) || !Has(14 * 4)) return false;
  SlotEngineWords& e = s->engine;
  e.raster[0] = r.I32();
  e.raster[1] = r.I32();
  e.background = r.I32();
  e.readMark = r.I32();
  e.rightButton = r.I32();
  e.weatherState = r.I32();
  e.weatherKind = r.I32();
  e.overlayState = r.I32();
  e.overlayName = Fixed(kSlotPictureSize);
  e.overlayWords[0] = r.I32();
  e.overlayWords[1] = r.I32();
  if (!Expect(kTagBTN)) return false;
  while (Has(4) && Peek() != kTagANM) {
    SlotScriptButton b;
    b.picture = Fixed(kSlotPictureSize);
    b.x = r.I32();
    b.y = r.I32();
    b.text = r.PaddedText();
    b.word1 = r.I32();
    b.word2 = r.I32();
    if (!r.Ok()) return false;
    s->buttons.push_back(std::move(b));
  }
  if (!Expect(kTagANM) || !Expect(kTagGG)) return false;
  while (Has(10 * 4)) {
    SlotGauge g;
    g.colour = UnpackBytes(r.U32());
    g.x = r.I32();
    g.y = r.I32();
    g.width = r.I32();
    g.height = r.I32();
    g.blend = r.I32();
    g.shown = r.I32();
    g.direction = r.I32();
    g.maximum = r.I32();
    g.value = r.I32();
    s->gauges.push_back(g);
  }
  // The file ends after the last gauge.
  return r.Ok() && r.AtEnd();
}

}  // namespace

bool IsSlotTag(std::uint32_t word) {
  return std::find(std::begin(kAllTags), std::end(kAllTags), word) != std::end(kAllTags);
}

bool IsSafeScriptName(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return false;
  if (name.find("..") != std::string_view::npos) return false;
  for (std::size_t i = 0; i < name.size(); i += sjis::CharLen(name, i)) {
    const char c = name[i];
    if (sjis::IsLead(static_cast<unsigned char>(c))) continue;
    if (c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

bool EncodeSlot(const SlotData& slot, std::vector<std::uint8_t>* out) {
  out->clear();
  // A script position that does not fit its field could never be restored.
  if (slot.file.size() >= kSlotFileSize || slot.label.size() >= kSlotLabelSize ||
      slot.localLabel.size() >= kSlotLabelSize || slot.choices.size() > kSlotMaxChoices) {
    return false;
  }
  SlotData expect = slot;
  Normalize(expect);
  ByteWriter w;
  Serialize(expect, w);
  std::vector<std::uint8_t> bytes = w.Take();
  // Names that read as section words or as container elements, and any
  // other state the reader would take differently, make the save fail
  // rather than leave a slot that cannot be loaded.
  SlotData back;
  if (ParseSlot(bytes, &back) != SlotParse::kOk || !(back == expect)) return false;
  *out = std::move(bytes);
  return true;
}

SlotParse ParseSlot(std::span<const std::uint8_t> bytes, SlotData* out) {
  *out = SlotData{};
  // An empty file holds no save, as a cleared slot does.
  if (bytes.empty()) return SlotParse::kNotSaved;
  if (bytes.size() < 4) return SlotParse::kDamaged;
  if (byteio::GetLE32(bytes.data()) != 1) return SlotParse::kNotSaved;
  SlotData s;
  SlotReader reader(bytes);
  if (!reader.Parse(&s)) return SlotParse::kDamaged;
  *out = std::move(s);
  return SlotParse::kOk;
}
