// A full page revealed through the message text (escapes, wrapping,
// punctuation rules, shadow, one presented rectangle a character) beside
// the same characters drawn straight with the font: the difference is what
// the reveal's own work costs.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "engine/script_engine.h"
#include "graphics/anti_font.h"
#include "graphics/virtual_screen.h"
#include "platform/fake/fake_backend.h"
#include "platform/text.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"

namespace {

// Four window lines of 30 characters, with the markup a story line has.
const std::string& PageLine() {
  static const std::string line = pl::Utf8ToCp932(
      "「今日はいい天気ですね。どこかへ出かけませんか？」と、彼女は窓の外を見ながら言った。@n"
      "私は少し考えてから、頷いた。表示の準備はもうできている。空は高く、風は静かだった。@n"
      "遠くで鳥が鳴いている。……そんな朝だった。");
  return line;
}

struct Page {
  pl::FakeBackend fake;
  CScriptEngine eng;
  CObjectTables tables;
  CMessageText text{eng, tables};
  Page() {
    CreateVirtualScreens(nullptr);
    LogFontA lf = MakeLogFont(pl::Utf8ToCp932("ＭＳ ゴシック").c_str(), 24);
    GetAntiFont().SetFont(lf);
    eng.Reset();
    eng.m_nTextSize = 24;
    eng.m_nLetterSpacing = GetAntiFont().CellWidth();
    eng.m_nShadow = static_cast<std::int32_t>(2u << 24);
    tables.CreateWindows(1);
    CTextWindow& w = *tables.WindowAt(0);
    w.m_nX = 12;
    w.m_nY = 420;
    w.m_nHomeX = w.m_nCursorX = 20;
    w.m_nHomeY = w.m_nCursorY = 20;
    w.m_nLineGap = 6;
    w.m_nCharsPerLine = 30;
    w.m_nLinesPerPage = 4;
    w.m_nState = 1;
    // The factory text speed: a whole page at once.
  }
  ~Page() { FreeVirtualScreens(); }
};

void BM_PageReveal(benchmark::State& state) {
  Page p;
  std::int64_t chars = 0;
  for (auto _ : state) {
    p.tables.WindowAt(0)->HomeText();
    p.text.ClearPageText();
    p.eng.m_LineBuf = PageLine();
    p.eng.DeepestFrame().m_nCursor = 0;
    p.text.PrepareTextLine("");
    ResetSceneState();
    SetPendingOp(kTextRevealOp, 0);
    Scene().m_nPendingState = PND_TYPING;
    p.text.ShowTextStep();
    chars += static_cast<std::int64_t>(PageLine().size() / 2);
    benchmark::ClobberMemory();
  }
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(chars), benchmark::Counter::kIsRate);
  state.SetLabel("ref:BM_PageDrawStringOnly");
}

// The reference: the same bytes drawn line by line with the font alone.
void BM_PageDrawStringOnly(benchmark::State& state) {
  Page p;
  auto* pixels = reinterpret_cast<std::uint8_t*>(GetVirtualScreen(0)->Pixels());
  const std::string& s = PageLine();
  std::int64_t chars = 0;
  for (auto _ : state) {
    int y = 440;
    for (std::size_t at = 0; at < s.size(); y += 30) {
      const std::size_t n = std::min<std::size_t>(60, s.size() - at);
      GetAntiFont().DrawString(32 + 2, s.c_str() + at, pixels, 0, y + 2, static_cast<int>(n));
      GetAntiFont().DrawString(32, s.c_str() + at, pixels, 0xFFFFFF, y, static_cast<int>(n));
      at += n;
    }
    chars += static_cast<std::int64_t>(s.size() / 2);
    benchmark::ClobberMemory();
  }
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(chars), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_PageReveal);
BENCHMARK(BM_PageDrawStringOnly);

}  // namespace
