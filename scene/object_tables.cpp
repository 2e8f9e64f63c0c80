#include "scene/object_tables.h"

#include <algorithm>
#include <functional>

#include "engine/command_table.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "scene/command_args.h"

namespace {

CObjectTables* g_pTables = nullptr;

// The records keep the field widths of the save layout: a value that would
// wrap is clamped, and the script is told.
std::int16_t Clamp16(const char* cmd, std::int32_t v) {
  if (v < -32768 || v > 32767) {
    SceneDebugBox(FormatText(SJ("%s コマンドの値 %d は範囲外です。"), cmd, v));
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
  }
  return static_cast<std::int16_t>(v);
}
std::uint8_t Clamp8(const char* cmd, std::int32_t v, std::int32_t low = 0) {
  if (v < low || v > 255) {
    SceneDebugBox(FormatText(SJ("%s コマンドの値 %d は範囲外です。"), cmd, v));
    return static_cast<std::uint8_t>(std::clamp(v, low, 255));
  }
  return static_cast<std::uint8_t>(v);
}

bool BlockSideOk(const char* cmd, std::int32_t w, std::int32_t h) {
  if (w >= 1 && w <= kMaxBlockSide && h >= 1 && h <= kMaxBlockSide) return true;
  SceneDebugBox(FormatText(SJ("%s コマンドの大きさ指定が間違っています。"), cmd));
  return false;
}

// A count for a new table, or 0 when none is to be made.
std::int32_t CheckedCount(const char* cmd, std::int32_t count) {
  if (count > kMaxTableCount) {
    SceneDebugBox(FormatText(SJ("%s 数指定が大きすぎます。"), cmd));
    return kMaxTableCount;
  }
  return count;
}

void WarnRecreate(const char* cmd, bool exists) {
  if (exists) SceneDebugBox(FormatText(SJ("%s コマンドで作成済みのテーブルを作り直します。"), cmd));
}

// Loads a picture into the record with the loader's own boxes; an empty
// name empties the record.
bool LoadPicture(CLayerImage& rec, const std::string& name, int kind) {
  if (name.empty()) {
    ClearLayerImage(rec);
    return false;
  }
  const CObjectTables* t = g_pTables;
  return LoadLayerImage(rec, name.c_str(), kind, t ? t->m_pGraphicsArc : nullptr, 0, 0) == 1;
}

void GrowToPicture(CTextWindow& w, const CLayerImage& pic) {
  if (pic.m_szName[0] == '\0') return;
  w.m_nWidth = std::max(w.m_nWidth, pic.m_nWidth);
  w.m_nHeight = std::max(w.m_nHeight, pic.m_nHeight);
}

// Square frames stacked vertically: the index of the last one. A picture
// that did not load (or has no width) leaves no cursor at all.
std::int32_t LastFrameOf(CLayerImage& pic, bool loaded) {
  if (!loaded || pic.m_nWidth <= 0) {
    ClearLayerImage(pic);
    return 0;
  }
  return std::max(0, pic.m_nHeight / pic.m_nWidth - 1);
}

void FreeWindowButtons(CTextWindow& w) { w.m_Buttons.clear(); }

void AddWindowButton(CScriptEngine& eng, CTextWindow& w) {
  auto b = std::make_unique<CWindowButton>();
  b->m_Image.m_nClass = 2;
  if (!LoadPicture(b->m_Image, ScriptArgText(eng, 3), 0)) return;
  sjis::CopyBounded(b->m_szAction, sizeof b->m_szAction, ScriptArgText(eng, 4));
  b->m_Image.m_nX = Clamp16("wnd", ScriptArgInt(eng, 5));
  b->m_Image.m_nY = Clamp16("wnd", ScriptArgInt(eng, 6));
  const std::string label = ScriptArgText(eng, 7);
  if (!label.empty()) {
    auto l = std::make_unique<CLayerImage>();
    if (LoadPicture(*l, label, 0)) {
      l->m_nX = Clamp16("wnd", ScriptArgInt(eng, 8));
      l->m_nY = Clamp16("wnd", ScriptArgInt(eng, 9));
      l->m_nClass = 1;
      b->m_pLabel = std::move(l);
    }
  }
  if (!w.m_Buttons.empty()) w.m_Buttons.back()->m_Image.m_pNext = &b->m_Image;
  w.m_Buttons.push_back(std::move(b));
}

void ConfigureWindow(CScriptEngine& eng, CTextWindow& w, std::int32_t sub) {
  switch (sub) {
    case 1:
      w.m_nWidth = Clamp16("wnd", ScriptArgInt(eng, 3));
      w.m_nHeight = Clamp16("wnd", ScriptArgInt(eng, 4));
      break;
    case 2:
      w.m_nX = Clamp16("wnd", ScriptArgInt(eng, 3));
      w.m_nY = Clamp16("wnd", ScriptArgInt(eng, 4));
      break;
    case 4:
      w.m_nHomeX = Clamp16("wnd", ScriptArgInt(eng, 3));
      w.m_nCursorX = w.m_nHomeX;
      w.m_nHomeY = Clamp16("wnd", ScriptArgInt(eng, 4));
      w.m_nCursorY = w.m_nHomeY;
      w.m_nLineGap = Clamp8("wnd", ScriptArgInt(eng, 5));
      w.m_nCharGap = Clamp8("wnd", ScriptArgInt(eng, 6));
      // Nothing would ever wrap with 0 (and the column counter would wrap).
      w.m_nLinesPerPage = Clamp8("wnd", ScriptArgInt(eng, 7), 1);
      w.m_nCharsPerLine = Clamp8("wnd", ScriptArgInt(eng, 8), 1);
      break;
    case 5: {
      w.m_nPanelX = Clamp16("wnd", ScriptArgInt(eng, 3));
      w.m_nPanelY = Clamp16("wnd", ScriptArgInt(eng, 4));
      w.m_nPanelWidth = Clamp16("wnd", ScriptArgInt(eng, 5));
      w.m_nPanelHeight = Clamp16("wnd", ScriptArgInt(eng, 6));
      const std::uint32_t rgb = static_cast<std::uint32_t>(ScriptArgInt(eng, 7));
      w.m_nColorR = static_cast<std::uint8_t>(rgb >> 16);
      w.m_nColorG = static_cast<std::uint8_t>(rgb >> 8);
      w.m_nColorB = static_cast<std::uint8_t>(rgb);
      w.m_nPanelStrength = static_cast<std::uint8_t>(g_pTables ? g_pTables->m_nWindowOpacity : 100);
      break;
    }
    case 6:
      w.m_Frame.m_nClass = 2;
      LoadPicture(w.m_Frame, ScriptArgText(eng, 3), 0);
      w.m_nFrameX = Clamp16("wnd", ScriptArgInt(eng, 4));
      w.m_nFrameY = Clamp16("wnd", ScriptArgInt(eng, 5));
      GrowToPicture(w, w.m_Frame);
      break;
    case 7: {
      const bool ok = LoadPicture(w.m_PageCursor, ScriptArgText(eng, 3), 0);
      w.m_PageCursor.m_nClass = 2;
      const std::int32_t x = ScriptArgInt(eng, 4), y = ScriptArgInt(eng, 5);
      w.m_nPageCursorX = Clamp16("wnd", x);
      w.m_nPageCursorY = Clamp16("wnd", y);
      w.m_nPageCursorFixed = (x == -1 || y == -1) ? -1 : 0;
      w.m_nPageCursorLast = LastFrameOf(w.m_PageCursor, ok);
      w.m_nPageCursorFrame = 0;
      break;
    }
    case 8: {
      const bool ok = LoadPicture(w.m_PromptCursor, ScriptArgText(eng, 3), 0);
      w.m_PromptCursor.m_nClass = 2;
      w.m_nPromptCursorLast = LastFrameOf(w.m_PromptCursor, ok);
      w.m_nPromptCursorFrame = 0;
      break;
    }
    case 9:
      if (ScriptArgText(eng, 3).empty()) {
        FreeWindowButtons(w);
      } else {
        AddWindowButton(eng, w);
      }
      break;
    default:
      break;
  }
}

// Runs `fn` on record `index`, or on every record for -1; an index outside
// the table (or a missing table) gets the command's message.
template <typename T>
void ForEach(std::int32_t index, std::int32_t first, std::int32_t count, T* (CObjectTables::*at)(std::int32_t),
             const char* message, const std::function<void(T&)>& fn) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  if (index == -1 && count > first) {
    for (std::int32_t i = first; i < count; ++i) fn(*(t->*at)(i));
    return;
  }
  T* rec = index >= first ? (t->*at)(index) : nullptr;
  if (!rec) {
    SceneDebugBox(message);
    return;
  }
  fn(*rec);
}

void FillBlocks(CLayerImage& rec, std::int32_t w, std::int32_t h, bool alpha) {
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  rec.m_Palette.assign(1024, 0);
  rec.m_Pixels.assign(n, 0);
  if (alpha) rec.m_Alpha.assign(n, 0);
}

}  // namespace

CLayerImage* CTextWindow::FirstButton() const { return m_Buttons.empty() ? nullptr : &m_Buttons.front()->m_Image; }

void ClearLayerImage(CLayerImage& rec) {
  const std::uint8_t cls = rec.m_nClass;
  rec = CLayerImage();
  rec.m_nClass = cls;
}

CObjectTables::CObjectTables() {
  // The history window covers the screen until wbl places it.
  m_History.m_nWidth = 1024;
  m_History.m_nHeight = 600;
  m_History.m_nCharsPerLine = 30;
  m_History.m_nLinesPerPage = 20;
  for (CLayerImage& img : m_HistoryImages) img.m_nClass = 2;
}

CTextWindow* CObjectTables::WindowAt(std::int32_t i) {
  return (i >= 0 && i < WindowCount()) ? m_Windows[static_cast<std::size_t>(i)].get() : nullptr;
}
CLayerImage* CObjectTables::SpriteAt(std::int32_t i) {
  return (i >= 0 && i < SpriteCount()) ? m_Sprites[static_cast<std::size_t>(i)].get() : nullptr;
}
CScriptButton* CObjectTables::ButtonAt(std::int32_t i) {
  return (i >= 0 && i < ButtonCount()) ? m_Buttons[static_cast<std::size_t>(i)].get() : nullptr;
}
CGauge* CObjectTables::GaugeAt(std::int32_t i) {
  return (i >= 0 && i < GaugeCount()) ? m_Gauges[static_cast<std::size_t>(i)].get() : nullptr;
}

bool CObjectTables::SelectWindow(std::int32_t index) {
  CTextWindow* next = WindowAt(index);
  if (!next) return false;
  const CTextWindow* prev = CurrentWindow();
  if (prev && prev != next) next->m_nState = prev->m_nState;
  m_nCurrentWindow = index;
  return true;
}

void CObjectTables::CreateWindows(std::int32_t count) {
  m_Windows.clear();
  for (std::int32_t i = 0; i < count; ++i) m_Windows.push_back(std::make_unique<CTextWindow>());
  m_nCurrentWindow = count > 0 ? 0 : -1;
}

void CObjectTables::CreateSprites(std::int32_t count) {
  m_Sprites.clear();
  m_OrderWarned.clear();
  for (std::int32_t i = 0; i < count; ++i) {
    auto s = std::make_unique<CLayerImage>();
    s->m_Plane.assign(1, 0);
    s->m_Palette.assign(1024, 0);
    s->m_Alpha.assign(1, 0);
    m_Sprites.push_back(std::move(s));
  }
}

void CObjectTables::CreateButtons(std::int32_t count) {
  m_Buttons.clear();
  for (std::int32_t i = 0; i < count; ++i) {
    auto b = std::make_unique<CScriptButton>();
    b->m_Image.m_Plane.assign(1, 0);
    b->m_Image.m_Palette.assign(1024, 0);
    m_Buttons.push_back(std::move(b));
  }
}

void CObjectTables::CreateGauges(std::int32_t count) {
  m_Gauges.clear();
  for (std::int32_t i = 0; i < count; ++i) m_Gauges.push_back(std::make_unique<CGauge>());
}

void CObjectTables::FreeAll() {
  m_Windows.clear();
  m_Sprites.clear();
  m_Buttons.clear();
  m_Gauges.clear();
  m_nCurrentWindow = -1;
  m_OrderWarned.clear();
}

bool CObjectTables::FirstOrderWarning(std::int32_t index) {
  if (index < 0) return false;
  const std::size_t i = static_cast<std::size_t>(index);
  if (m_OrderWarned.size() <= i) m_OrderWarned.resize(i + 1, false);
  if (m_OrderWarned[i]) return false;
  m_OrderWarned[i] = true;
  return true;
}

void CObjectTables::ResetWindows(bool currentOnly) {
  for (std::int32_t i = 0; i < WindowCount(); ++i) {
    if (currentOnly && i != m_nCurrentWindow) continue;
    CTextWindow& w = *m_Windows[static_cast<std::size_t>(i)];
    w.HomeText();
    w.m_nState = 2;
  }
}

void CObjectTables::HideAllObjects() {
  for (auto& s : m_Sprites) {
    s->m_szName[0] = '\0';
    s->m_nX = 0;
    s->m_nY = 0;
    s->m_nFrameCount = 0;
  }
  for (auto& b : m_Buttons) {
    b->m_Image.m_szName[0] = '\0';
    b->m_nState = 3;
    b->m_bPressed = 0;
  }
  for (auto& g : m_Gauges) g->m_bShown = 0;
}

void SetObjectTables(CObjectTables* tables) { g_pTables = tables; }
CObjectTables* GetObjectTables() { return g_pTables; }

void CmdWnd(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  const std::int32_t index = ScriptArgInt(eng, 1);
  const std::int32_t sub = ScriptArgInt(eng, 2);
  if (sub >= 1 && sub <= 9 && sub != 3) {
    // Index -1 adds no window button to every window.
    if (sub == 9 && index == -1) return;
    ForEach<CTextWindow>(index, 0, t->WindowCount(), &CObjectTables::WindowAt,
                         SJ("wnd コマンドのウィンドウ番号指定が間違っています。"),
                         [&](CTextWindow& w) { ConfigureWindow(eng, w, sub); });
    return;
  }
  std::int32_t count = index;
  if (count <= 0) {
    SceneDebugBox(SJ("wnd 数指定に 0 以下は渡せません。"));
    count = 1;
  }
  WarnRecreate("wnd", t->WindowCount() > 0);
  t->CreateWindows(CheckedCount("wnd", count));
}

void CmdWbl(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  CTextWindow& w = t->m_History;
  const std::int32_t sub = ScriptArgInt(eng, 1);
  switch (sub) {
    case 0:
      pl::PostMessage(GetMainWindowHandle(), pl::WM_MOUSEWHEEL, 0x10000, 0);
      break;
    case 1:
      w.m_nWidth = Clamp16("wbl", ScriptArgInt(eng, 2));
      w.m_nHeight = Clamp16("wbl", ScriptArgInt(eng, 3));
      break;
    case 2:
      w.m_nX = Clamp16("wbl", ScriptArgInt(eng, 2));
      w.m_nY = Clamp16("wbl", ScriptArgInt(eng, 3));
      break;
    case 4: {
      w.m_nHomeX = Clamp16("wbl", ScriptArgInt(eng, 2));
      w.m_nCursorX = w.m_nHomeX;
      w.m_nHomeY = Clamp16("wbl", ScriptArgInt(eng, 3));
      w.m_nCursorY = w.m_nHomeY;
      w.m_nLineGap = Clamp8("wbl", ScriptArgInt(eng, 4));
      w.m_nCharGap = Clamp8("wbl", ScriptArgInt(eng, 5));
      const std::int64_t pitch = static_cast<std::int64_t>(w.m_nLineGap) + eng.m_nTextSize;
      const std::int64_t room = static_cast<std::int64_t>(w.m_nHeight) - 2 * static_cast<std::int64_t>(w.m_nHomeY);
      // A pitch of 0 or less fits no line count: one line a page.
      const std::int64_t lines = pitch > 0 ? room / pitch : 1;
      w.m_nLinesPerPage = static_cast<std::uint8_t>(std::clamp<std::int64_t>(lines, 1, 255));
      w.m_nCharsPerLine = Clamp8("wbl", ScriptArgInt(eng, 7), 1);
      break;
    }
    case 5: {
      w.m_nPanelX = Clamp16("wbl", ScriptArgInt(eng, 2));
      w.m_nPanelY = Clamp16("wbl", ScriptArgInt(eng, 3));
      w.m_nPanelWidth = Clamp16("wbl", ScriptArgInt(eng, 4));
      w.m_nPanelHeight = Clamp16("wbl", ScriptArgInt(eng, 5));
      const std::uint32_t rgb = static_cast<std::uint32_t>(ScriptArgInt(eng, 6));
      w.m_nColorR = static_cast<std::uint8_t>(rgb >> 16);
      w.m_nColorG = static_cast<std::uint8_t>(rgb >> 8);
      w.m_nColorB = static_cast<std::uint8_t>(rgb);
      w.m_nPanelStrength = Clamp8("wbl", ScriptArgInt(eng, 7));
      break;
    }
    case 6:
      w.m_Frame.m_nClass = 2;
      LoadPicture(w.m_Frame, ScriptArgText(eng, 2), 0);
      w.m_nFrameX = Clamp16("wbl", ScriptArgInt(eng, 3));
      w.m_nFrameY = Clamp16("wbl", ScriptArgInt(eng, 4));
      GrowToPicture(w, w.m_Frame);
      break;
    case 9: {
      const std::int32_t i = ScriptArgInt(eng, 3);
      if (i < 0 || i >= kHistoryImages) break;
      CLayerImage& img = t->m_HistoryImages[i];
      LoadPicture(img, ScriptArgText(eng, 2), 3);
      img.m_nX = Clamp16("wbl", ScriptArgInt(eng, 4));
      img.m_nY = Clamp16("wbl", ScriptArgInt(eng, 5));
      img.m_nClass = 2;
      img.m_nState2 = 0;
      img.m_nShowState = 0;
      img.m_nShownState = 0;
      break;
    }
    case 10:
      t->m_nHistoryWord = ScriptArgInt(eng, 2);
      break;
    default:
      break;
  }
}

void CmdBtn(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  const std::int32_t index = ScriptArgInt(eng, 1);
  const std::int32_t sub = ScriptArgInt(eng, 2);
  const char* msg = SJ("btn コマンドのボタン番号指定が間違っています。");
  if (sub == 1) {
    const std::int32_t w = ScriptArgInt(eng, 3), h = ScriptArgInt(eng, 4);
    if (t->ButtonCount() > 0 && !BlockSideOk("btn", w, h)) return;
    ForEach<CScriptButton>(index, 0, t->ButtonCount(), &CObjectTables::ButtonAt, msg,
                           [&](CScriptButton& b) { FillBlocks(b.m_Image, w, h, false); });
    return;
  }
  if (sub == 2) {
    ForEach<CScriptButton>(index, 0, t->ButtonCount(), &CObjectTables::ButtonAt, msg, [&](CScriptButton& b) {
      b.m_Image.m_nX = Clamp16("btn", ScriptArgInt(eng, 3));
      b.m_Image.m_nY = Clamp16("btn", ScriptArgInt(eng, 4));
    });
    return;
  }
  if (index <= 0) {
    SceneDebugBox(msg);
    return;
  }
  WarnRecreate("btn", t->ButtonCount() > 0);
  t->CreateButtons(CheckedCount("btn", index));
}

void CmdSpr(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  const std::int32_t count = ScriptArgInt(eng, 1);
  if (count <= 0) return;
  WarnRecreate("spr", t->SpriteCount() > 0);
  t->CreateSprites(CheckedCount("spr", count));
}

void CmdCh(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  const std::int32_t index = ScriptArgInt(eng, 1);
  const std::int32_t sub = ScriptArgInt(eng, 2);
  const std::int32_t a = ScriptArgInt(eng, 3), b = ScriptArgInt(eng, 4);
  const char* msg = SJ("ch コマンドのスプライト指定が間違っています。");
  if (t->SpriteCount() < 2) {
    SceneDebugBox(msg);
    return;
  }
  if (sub == 1 && !BlockSideOk("ch", a, b)) return;
  // Index -1 is every sprite but the background.
  ForEach<CLayerImage>(index, index == -1 ? 1 : 0, t->SpriteCount(), &CObjectTables::SpriteAt, msg,
                       [&](CLayerImage& s) {
                         switch (sub) {
                           case 1: FillBlocks(s, a, b, true); break;
                           case 2:
                             s.m_nX = Clamp16("ch", a);
                             s.m_nY = Clamp16("ch", b);
                             break;
                           case 4: s.m_nClass = Clamp8("ch", a); break;
                           case 5: s.m_nBlendMode = Clamp8("ch", a); break;
                           case 6: s.m_nAlign = static_cast<std::uint8_t>((a == 1 || a == 2) ? a : 0); break;
                           default: break;
                         }
                       });
}

void CmdBg(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  const std::int32_t sub = ScriptArgInt(eng, 2);
  const std::int32_t a = ScriptArgInt(eng, 3), b = ScriptArgInt(eng, 4);
  CLayerImage* bg = t->SpriteAt(0);
  if (!bg) {
    SceneDebugBox(SJ("bg コマンドの背景スプライトがありません。"));
    return;
  }
  if (sub == 1) {
    if (!BlockSideOk("bg", a, b)) return;
    FillBlocks(*bg, a, b, false);
  } else if (sub == 2) {
    bg->m_nX = Clamp16("bg", a);
    bg->m_nY = Clamp16("bg", b);
  }
}

void CmdGg(CScriptEngine& eng, CScriptFrame&) {
  CObjectTables* t = g_pTables;
  if (!t) return;
  // This command takes integers only; anything else counts as 0.
  auto integer = [&](int n) { return eng.m_Args[n - 1].type == '%' ? eng.m_Args[n - 1].Int() : 0; };
  const std::int32_t index = integer(1);
  const std::int32_t sub = integer(2);
  const std::int32_t a = integer(3), b = integer(4);
  const char* msg = SJ("gg コマンドのゲージ番号指定が間違っています。");
  if (sub >= 1 && sub <= 8) {
    ForEach<CGauge>(index, 0, t->GaugeCount(), &CObjectTables::GaugeAt, msg, [&](CGauge& g) {
      switch (sub) {
        case 1:
          g.m_nWidth = Clamp16("gg", a);
          g.m_nHeight = Clamp16("gg", b);
          break;
        case 2:
          g.m_nX = Clamp16("gg", a);
          g.m_nY = Clamp16("gg", b);
          break;
        case 3: g.m_nBlend = Clamp8("gg", a); break;
        case 4: g.m_nMaximum = Clamp16("gg", a); break;
        case 5: g.m_nDirection = Clamp16("gg", a); break;
        case 6:
          g.m_nR = static_cast<std::uint8_t>(static_cast<std::uint32_t>(a) >> 16);
          g.m_nG = static_cast<std::uint8_t>(static_cast<std::uint32_t>(a) >> 8);
          g.m_nB = static_cast<std::uint8_t>(a);
          break;
        case 7: g.m_nValue = Clamp16("gg", a); break;
        case 8: {
          const std::int64_t v = static_cast<std::int64_t>(a) * g.m_nMaximum / 100;
          g.m_nValue = static_cast<std::int16_t>(std::clamp<std::int64_t>(v, 0, std::max<std::int16_t>(0, g.m_nMaximum)));
          break;
        }
        default: break;
      }
    });
    return;
  }
  if (index <= 0) {
    SceneDebugBox(msg);
    return;
  }
  WarnRecreate("gg", t->GaugeCount() > 0);
  t->CreateGauges(CheckedCount("gg", index));
}

void CmdCv(CScriptEngine& eng, CScriptFrame&) {
  const std::string text(eng.m_Args[0].type == '$' ? eng.m_Args[0].Text() : std::string_view());
  ValueNode* v = eng.m_Root.m_Vars.Find("cv");
  if (v) {
    v->SetText(text);
  } else {
    eng.m_Root.m_Vars.AddText("cv", text);
  }
}

void InstallObjectCommands(CScriptEngine& eng) {
  struct Entry {
    const char* word;
    CommandHandler fn;
  };
  static const Entry kEntries[] = {{"wbl", &CmdWbl}, {"wnd", &CmdWnd}, {"btn", &CmdBtn}, {"spr", &CmdSpr},
                                   {"ch", &CmdCh},   {"bg", &CmdBg},   {"gg", &CmdGg},   {"cv", &CmdCv}};
  for (const Entry& e : kEntries) {
    const int index = FindCommand(e.word);
    if (index >= 0) eng.SetCommandHandler(index, e.fn);
  }
}
