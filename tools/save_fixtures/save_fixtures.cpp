// save_fixtures KIND OUTDIR: writes sample files of one kind of save data
// into OUTDIR, made by the engine's own encoders. KIND is one of system,
// global, readal, slot, thumbnail. Used for the fuzzers' seed corpora.
#include <bit>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/global_file.h"
#include "engine/read_mark_file.h"
#include "engine/save_slot.h"
#include "engine/save_slot_format.h"
#include "engine/settings_record.h"
#include "engine/system_file.h"
#include "engine/value_node.h"

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

SlotValue Value(const std::string& name, char type, std::uint32_t bits, const std::string& text = {}) {
  SlotValue v;
  v.name = name;
  v.type = type;
  v.bits = bits;
  v.text = text;
  return v;
}

SlotData SampleSlot(bool full) {
  SlotData s;
  s.file = "START";
  s.label = "START";
  s.stack.push_back(SlotStackEntry{"top", "", "", "", 0});
  s.vars = {Value("reg", '$', 0), Value("dbg", '%', 0), Value("bgm", '$', 0)};
  if (!full) return s;
  s.title = "chapter";
  s.comment = "comment";
  s.localLabel = "loc";
  s.line = 12;
  s.lineText = "\x82\xa0\x82\xa2";
  s.cursor = 2;
  s.pageText = "page";
  s.music = {2, "bgm01"};
  s.pendingState = 8;
  s.stack.push_back(SlotStackEntry{"jsb", "", "SUB", "", 40});
  s.stack.push_back(SlotStackEntry{"gsb", "OTHER", "LBL", "l2", 9});
  s.stack.push_back(SlotStackEntry{"wh", "", "", "", 33});
  s.vars.push_back(Value("f", '!', std::bit_cast<std::uint32_t>(2.5f)));
  SlotValue q = Value("q", '*', 0);
  q.children = {Value("que", '%', 1), Value("que", '$', 0, "two")};
  s.vars.push_back(q);
  s.defs = {Value("ALL", '%', 0xFFFFFFFFu)};
  s.choices = {SlotChoice{10, 20, 300, 24, "yes"}};
  SlotWindow w;
  w.x = 100;
  w.width = 824;
  w.frame = SlotWindowPicture{true, "frame01", 3, 4, 0, 0};
  w.pageCursor = SlotWindowPicture{true, "fp01", 700, 150, 7, 1};
  w.promptCursor = SlotWindowPicture{true, "pp01", 710, 150, 5, 0};
  w.hasButtons = true;
  w.buttons = {SlotWindowButton{"btn_auto", "automode", "lbl", 10, 20, 11, 21}};
  s.windows = {w, SlotWindow{}};
  s.sprites = {SlotSprite{"bg01", 0, 0, 0, 0, 0, 0, 0, 0}, SlotSprite{}};
  s.engine.overlayName = "cloud";
  s.buttons = {SlotScriptButton{"sb01", 5, 6, "push", 1, 2}};
  s.gauges = {SlotGauge{{1, 2, 3, 4}, 10, 20, 200, 16, 128, 1, 0, 100, 40}};
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: save_fixtures system|global|readal|slot|thumbnail OUTDIR\n");
    return 2;
  }
  const std::string kind = argv[1];
  const std::string out = std::string(argv[2]) + "/";
  bool ok = true;
  if (kind == "system") {
    CSettings s;
    ok &= Write(out + "defaults", EncodeSystemFile(s, 0));
    s.m_strFontFace = std::string(31, 'f');
    s.m_nTextSpeed = 1;
    ok &= Write(out + "long_face", EncodeSystemFile(s, 2));
    s.m_strFontFace = "A";
    ok &= Write(out + "short_face", EncodeSystemFile(s, 1));
  } else if (kind == "global") {
    ValueList g;
    ok &= Write(out + "empty", EncodeGlobalFile(g));
    g.AddInt("abc", 5);
    g.AddText("t", "");
    g.AddText("text", "value");
    g.AddFloat("f", 1.5f);
    g.AddInt("\xB3\xA7" "a", 1);
    ok &= Write(out + "records", EncodeGlobalFile(g));
  } else if (kind == "readal") {
    ValueList m;
    ok &= Write(out + "empty", EncodeReadMarkFile(m));
    m.AddInt("START,START,", 12);
    m.AddInt("SCRIPT,LABEL,^if3", 40);
    ok &= Write(out + "records", EncodeReadMarkFile(m));
  } else if (kind == "slot") {
    std::vector<std::uint8_t> bytes;
    ok &= EncodeSlot(SampleSlot(false), &bytes) && Write(out + "minimal", bytes);
    ok &= EncodeSlot(SampleSlot(true), &bytes) && Write(out + "full", bytes);
  } else if (kind == "thumbnail") {
    // The fuzzer takes width and height from its first two bytes.
    std::vector<std::uint32_t> px(4 * 3, 0x11223344u);
    std::vector<std::uint8_t> b = {4, 3};
    const std::vector<std::uint8_t> t = EncodeThumbnail(px.data(), 4, 3);
    b.insert(b.end(), t.begin(), t.end());
    ok &= Write(out + "4x3", b);
  } else {
    std::fprintf(stderr, "save_fixtures: unknown kind %s\n", kind.c_str());
    return 2;
  }
  if (!ok) {
    std::fprintf(stderr, "save_fixtures: could not write %s samples\n", kind.c_str());
    return 1;
  }
  return 0;
}
