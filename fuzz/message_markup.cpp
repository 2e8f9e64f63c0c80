// The message text over arbitrary bytes: the saved-line rebuild, the reveal
// with its escapes, names and wrapping, the drawing of whole texts, the
// backlog layout and the choices, in a window anywhere on (or off) the
// screen. None may crash, hang or read or write outside a buffer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/script_engine.h"
#include "graphics/anti_font.h"
#include "graphics/virtual_screen.h"
#include "platform/fake/fake_backend.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "tests/engine/fake_scene.h"

namespace {

class BoxFace final : public IGlyphFace {
 public:
  int Ascent4x() override { return 48; }
  pl::GlyphBitmap Render4x(std::uint16_t code) override {
    pl::GlyphBitmap g;
    g.width = g.height = 64;
    g.top = 48;
    g.coverage.assign(64 * 64, static_cast<std::uint8_t>(code));
    return g;
  }
  int WidthBC(std::uint16_t) override { return 16; }
};

struct NameHost : ITextHost {
  bool NameWindow(int* w, int* h) override {
    *w = 0;  // the default width
    *h = 40;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pl::FakeBackend* fake = new pl::FakeBackend();
  static CAntiFont* font = [] {
    CreateVirtualScreens(nullptr);
    auto* f = new CAntiFont();
    f->Init(nullptr);
    f->SetGlyphFaceFactory([](const std::string&, int, bool) { return std::make_unique<BoxFace>(); });
    LogFontA lf = MakeLogFont("Box", 16);
    f->SetFont(lf);
    SetAntiFont(f);
    return f;
  }();
  (void)font;
  // Texts longer than a page or two only take longer to lay out.
  if (size < 8 || size > 1024 + 8) return 0;
  kvtest::FakeScene scene;
  CScriptEngine eng(&scene);
  eng.Reset();
  CObjectTables tables;
  tables.CreateWindows(1);
  CTextWindow& w = *tables.WindowAt(0);
  // The window may stand partly off the screen, as a shake or a name plate
  // above it does.
  w.m_nX = static_cast<std::int16_t>(static_cast<std::int8_t>(data[0]) * 8);
  w.m_nY = static_cast<std::int16_t>(static_cast<std::int8_t>(data[1]) * 5);
  w.m_nHomeX = static_cast<std::int16_t>(static_cast<std::int8_t>(data[2]));
  w.m_nHomeY = static_cast<std::int16_t>(static_cast<std::int8_t>(data[3]));
  w.m_nCharsPerLine = data[4];
  w.m_nLinesPerPage = data[5];
  w.m_nCharGap = data[6] & 15;
  w.m_nLineGap = data[7] & 15;
  w.HomeText();
  eng.m_nTextSize = 16;
  eng.m_nLetterSpacing = 16;
  eng.m_nShadow = (data[6] & 0x80) ? static_cast<std::int32_t>(0x02000000u) : 0;
  eng.m_nMode = (data[7] & 0x80) ? 2 : 0;
  if (data[7] & 0x40) eng.m_Root.m_Vars.AddText("cv", "v");
  NameHost host;
  CMessageText text(eng, tables, (data[6] & 0x40) ? &host : nullptr);
  // The factory text speed: a whole page at once.
  const std::string input(reinterpret_cast<const char*>(data + 8), size - 8);

  ResetSceneState();
  text.ScanTextMarkup(input);
  text.PrepareTextLine(text.SpeakerName());
  SetPendingOp(kTextRevealOp, 0);
  Scene().m_nPendingState = PND_TYPING;
  for (int step = 0; step < 64 && Scene().m_Ops[0].code == kTextRevealOp && Scene().m_nPendingState == PND_TYPING;
       ++step)
    text.ShowTextStep();
  // The raw bytes too, as a restored line or a variable's text brings them.
  eng.m_LineBuf = input;
  eng.DeepestFrame().m_nCursor = 0;
  text.PrepareTextLine("");
  SetPendingOp(kTextRevealOp, 0);
  Scene().m_nPendingState = PND_TYPING;
  Scene().m_nRunMode = (data[5] & 1) ? RUN_SKIP : RUN_PAGE;
  for (int step = 0; step < 64 && Scene().m_Ops[0].code == kTextRevealOp && Scene().m_nPendingState == PND_TYPING;
       ++step)
    text.ShowTextStep();
  text.AddBacklogLine(input);
  text.AddBacklogLine(input);
  text.ResetWindowText(&input, true);
  std::vector<std::string> choices;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= input.size() && choices.size() < 16; ++i) {
    if (i == input.size() || input[i] == '/') {
      choices.push_back(input.substr(start, i - start));
      start = i + 1;
    }
  }
  text.ShowChoices(choices);
  text.DrawChoice(static_cast<std::int32_t>(data[2] % 17) - 1, static_cast<std::int32_t>(data[3] % 17) - 1);
  (void)text.ChoiceAt(w.m_nX + 20, w.m_nY + 20);
  fake->boxes.clear();
  return 0;
}
