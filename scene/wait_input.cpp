#include "scene/wait_input.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_host.h"
#include "engine/script_box.h"
#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/key_manager.h"
#include "graphics/anti_font.h"
#include "graphics/layer_draw.h"
#include "graphics/virtual_screen.h"
#include "platform/menu.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "scene/backlog_view.h"
#include "scene/compose.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/render_tick.h"
#include "scene/sound_commands.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"

namespace {

// DrawWindowButton's selectors: onto layer 0, restoring from layer 2.
constexpr int kToLayer0 = 3;
constexpr int kFromLayer2 = 1;
// Window buttons are drawn with three looks: normal, hover, pressed.
constexpr int kButtonRowsLessOne = 2;
constexpr int kLookNormal = 0, kLookHover = 1, kLookPressed = 2;
constexpr std::uint8_t kScriptButtonHidden = 3;
constexpr std::int32_t kWindowButtonDisabled = 3;

bool Skipping() {
  const std::int32_t m = Scene().m_nRunMode;
  return m == RUN_SKIPHELD || m == RUN_SKIP;
}

CObjectTables* Tables() { return Presentation().m_pTables; }
CMessageText* Text() { return Presentation().m_pText; }
CScriptEngine* Script() { return Presentation().m_pScript; }

CTextWindow* CurrentWindow() {
  CObjectTables* t = Tables();
  return t ? t->CurrentWindow() : nullptr;
}

void NoWindowBox(std::uint32_t state) {
  if (state == PND_SLCT) {
    ScriptBox(SJ("PND_SLCT がアクティブなウィンドウのない状態で発行されました。"), SJ("デバッグ"));
  } else {
    ScriptBox(SJ("PND_FPROMPT がアクティブなウィンドウのない状態で発行されました。"), SJ("デバッグ"));
  }
}

void PresentWholeScreen() { PresentRect(0, 0, kScreenWidth, kScreenHeight, 0, 0, nullptr); }

bool AutoModeOn() {
  if (const CSettings* s = Presentation().m_pSettings) return s->m_bAutoMode == 1;
  return Scene().m_Auto.enabled == 1;
}

bool IsAutoModeButton(const CWindowButton& b) { return std::strcmp(b.m_szAction, "automode") == 0; }

// A window button's rectangle on the screen (one look high).
struct Box {
  int x = 0, y = 0, w = 0, h = 0;
  bool Holds(int px, int py) const { return w > 0 && h > 0 && px >= x && px < x + w && py >= y && py < y + h; }
};

Box ButtonBox(const CTextWindow& w, const CWindowButton& b) {
  const CLayerImage& img = b.m_Image;
  return Box{w.m_nX + img.m_nX, w.m_nY + img.m_nY, img.m_nWidth, LookHeight(img, kButtonRowsLessOne)};
}

int ScriptButtonRows(const CScriptButton& b) { return b.m_Image.m_nRowsLessOne; }

Box ScriptButtonBox(const CScriptButton& b) {
  return Box{b.m_Image.m_nX, b.m_Image.m_nY, b.m_Image.m_nWidth, LookHeight(b.m_Image, ScriptButtonRows(b))};
}

bool ScriptButtonHidden(const CScriptButton& b) {
  return b.m_nState == kScriptButtonHidden || b.m_Image.m_szName[0] == '\0';
}

// A script button in a look, with its caption (the shadow first, then the
// text, in the colours of `fnt`), on layer 0 and presented.
void DrawScriptButton(CScriptButton& b, int look) {
  b.m_nState = static_cast<std::uint8_t>(look);
  b.m_Image.m_nShownState = static_cast<std::uint8_t>(look);
  const Box box = ScriptButtonBox(b);
  DrawWindowButton(b.m_Image, box.x, box.y, look, ScriptButtonRows(b), kToLayer0, kFromLayer2);
  VirtualScreen* screen = GetVirtualScreen(0);
  const std::size_t len = strnlen(b.m_szCaption, sizeof b.m_szCaption);
  if (screen && len > 0) {
    const CScriptEngine* eng = Script();
    const std::uint32_t shadowWord = eng ? static_cast<std::uint32_t>(eng->m_nShadow) : 0;
    const std::uint32_t colour = eng ? static_cast<std::uint32_t>(eng->m_nTextColor) & 0xFFFFFFu : 0xFFFFFFu;
    const int offset = static_cast<int>(shadowWord >> 24);
    const std::string caption(b.m_szCaption, len);
    const int cx = box.x + b.m_nCaptionX, cy = box.y + b.m_nCaptionY;
    GetAntiFont().DrawString(cx + offset, caption, screen->m_Surface, shadowWord & 0xFFFFFFu, cy + offset);
    GetAntiFont().DrawString(cx, caption, screen->m_Surface, colour, cy);
  }
  PresentScreenArea(box.x, box.y, box.w, box.h);
}

// The in-page prompt cursor taken off the window: its rectangle, with room
// for the text shadow, restored from the scene and the window picture.
void ErasePromptCursor(CTextWindow& w) {
  const CLayerImage& c = w.m_PromptCursor;
  if (c.m_szName[0] == '\0' || c.m_nWidth <= 0) return;
  const CScriptEngine* eng = Script();
  const int shadow = eng ? static_cast<int>(static_cast<std::uint32_t>(eng->m_nShadow) >> 24) : 0;
  const int x = w.m_nX + w.m_nPromptCursorX, y = w.m_nY + w.m_nPromptCursorY;
  // The cursor's frames are square and stacked.
  const int width = c.m_nWidth + shadow, height = c.m_nWidth + shadow;
  DrawWindowRegion(GetVirtualScreen(0), x, y, width, height);
  PresentScreenArea(x, y, width, height);
}

// The page is cleared at once: cursor home, the window redrawn, the page
// text emptied and the reveal's frame back at the start of its line.
void ClearPageNow(CTextWindow& w) {
  w.HomeText();
  RedrawTextWindow(w, kFromLayer2, true);
  if (CMessageText* text = Text()) {
    text->ClearPageText();
    text->ClearSpeakerName();
  }
  if (CScriptEngine* eng = Script()) {
    CScriptFrame& f = eng->DeepestFrame();
    f.m_nLineStart = 0;
    f.m_nCursor = 0;
  }
  Scene().m_bStepReady = 0;
  EndWait();
}

void ToggleAutoMode() {
  const std::int32_t on = AutoModeOn() ? 0 : 1;
  if (CSettings* s = Presentation().m_pSettings) s->m_bAutoMode = on;
  Scene().m_Auto.enabled = on;
}

// Whether a button still belongs to the current window: a screen opened by
// a button may load a game, which makes the windows and their buttons anew.
bool StillInCurrentWindow(const CWindowButton* b) {
  const CTextWindow* w = CurrentWindow();
  if (!w) return false;
  for (const auto& p : w->m_Buttons) {
    if (p.get() == b) return true;
  }
  return false;
}

// The action of a system button; non-zero when its screen did something
// the button should keep showing (a game loaded, the settings changed).
int RunButtonAction(const char* name) {
  IEngineHost* engine = Presentation().m_pEngine;
  if (std::strcmp(name, "savemenu") == 0) {
    OpenSaveMenu();
  } else if (std::strcmp(name, "loadmenu") == 0) {
    return OpenLoadMenu();
  } else if (std::strcmp(name, "calllog") == 0) {
    pl::PostMessage(GetMainWindowHandle(), pl::WM_MOUSEWHEEL, 0x10000, 0);
  } else if (std::strcmp(name, "startskip") == 0) {
    if (Scene().m_nRunMode != RUN_NOSKIP) ToggleSkipMode();
  } else if (std::strcmp(name, "quicksave") == 0) {
    if (engine) engine->QuickSave();
  } else if (std::strcmp(name, "quickload") == 0) {
    return QuickLoad();
  } else if (std::strcmp(name, "automode") == 0) {
    ToggleAutoMode();
  } else if (std::strcmp(name, "config") == 0) {
    return engine ? engine->RunConfigMode() : 0;
  }
  return 0;
}

void MoveHighlight(CMessageText& text, CTextWindow& w, bool up) {
  const std::int32_t count = text.ChoiceCount();
  if (count <= 0) return;
  const std::int32_t old = text.Highlighted();
  std::int32_t next = old;
  if (old < 0 || old >= count) {
    next = 0;
  } else if (up) {
    if (old == 0) return;
    next = old - 1;
  } else {
    if (old == count - 1) return;
    next = old + 1;
  }
  text.DrawChoice(next, old);
  const ChoiceRecord& r = text.Choice(next);
  SetLogicalCursorXY(w.m_nX + r.m_nX + 4, w.m_nY + r.m_nY + r.m_nHeight - 4);
}

void MoveToButton(bool up) {
  CObjectTables* t = Tables();
  if (!t) return;
  std::vector<CScriptButton*> usable;
  for (std::int32_t i = 0; i < t->ButtonCount(); ++i) {
    CScriptButton* b = t->ButtonAt(i);
    if (b && !ScriptButtonHidden(*b) && b->m_Image.m_nWidth > 0 && b->m_Image.m_nHeight > 0) usable.push_back(b);
  }
  if (usable.empty()) return;
  int px = 0, py = 0;
  GetCursorPoint(&px, &py);
  const int n = static_cast<int>(usable.size());
  int under = -1;
  for (int i = 0; i < n && under < 0; ++i) {
    if (ScriptButtonBox(*usable[static_cast<std::size_t>(i)]).Holds(px, py)) under = i;
  }
  int target = 0;
  if (under >= 0) target = up ? (under + n - 1) % n : (under + 1) % n;
  const Box box = ScriptButtonBox(*usable[static_cast<std::size_t>(target)]);
  SetLogicalCursorXY(box.x + box.w / 2, box.y + box.h / 2);
}

// What the hover of the window buttons last drew: the looks it chose and the
// pixels of layer 0 it left under the buttons. While neither the looks nor
// those pixels have changed, drawing again would put the same pixels there,
// and it is left out; whatever else draws over the buttons changes the
// pixels, and the next hover draws them again.
struct HoverMemo {
  const CTextWindow* window = nullptr;
  const CWindowButton* hovered = nullptr;
  bool autoOn = false;
  std::vector<std::pair<std::int32_t, std::int32_t>> looks;  // state and look byte of each button
  int left = 0, top = 0, right = 0, bottom = 0;
  std::vector<std::uint32_t> pixels;  // layer 0 inside the rectangle
};
HoverMemo g_HoverMemo;

std::uint32_t* Layer0Row(int x, int y) {
  VirtualScreen* s0 = GetVirtualScreen(0);
  return s0 && !s0->m_Surface.Empty() ? s0->Pixels() + static_cast<std::size_t>(y) * kScreenWidth + x : nullptr;
}

bool HoverUnchanged(const HoverMemo& now) {
  const HoverMemo& m = g_HoverMemo;
  if (m.pixels.empty() || m.window != now.window || m.hovered != now.hovered || m.autoOn != now.autoOn ||
      m.looks != now.looks || m.left != now.left || m.top != now.top || m.right != now.right ||
      m.bottom != now.bottom)
    return false;
  const std::size_t width = static_cast<std::size_t>(m.right - m.left);
  for (int y = m.top; y < m.bottom; ++y) {
    const std::uint32_t* row = Layer0Row(m.left, y);
    if (!row || std::memcmp(row, &m.pixels[static_cast<std::size_t>(y - m.top) * width], width * 4) != 0) return false;
  }
  return true;
}

void RememberHover(HoverMemo&& now) {
  const std::size_t width = static_cast<std::size_t>(now.right - now.left);
  now.pixels.resize(width * static_cast<std::size_t>(now.bottom - now.top));
  for (int y = now.top; y < now.bottom; ++y) {
    const std::uint32_t* row = Layer0Row(now.left, y);
    if (!row) {
      now.pixels.clear();
      break;
    }
    std::memcpy(&now.pixels[static_cast<std::size_t>(y - now.top) * width], row, width * 4);
  }
  g_HoverMemo = std::move(now);
}

void HoverSystemButtons(CTextWindow& w, int px, int py) {
  CWindowButton* hovered = nullptr;
  for (const auto& p : w.m_Buttons) {
    if (p->m_nState == kWindowButtonDisabled) continue;
    if (ButtonBox(w, *p).Holds(px, py)) {
      hovered = p.get();
      break;
    }
  }
  const bool autoOn = AutoModeOn();
  int left = kScreenWidth, top = kScreenHeight, right = 0, bottom = 0;
  auto collect = [&](const Box& b) {
    if (b.w <= 0 || b.h <= 0) return;
    left = std::min(left, b.x);
    top = std::min(top, b.y);
    right = std::max(right, b.x + b.w);
    bottom = std::max(bottom, b.y + b.h);
  };
  auto labelBox = [&](const CLayerImage& l) { return Box{w.m_nX + l.m_nX, w.m_nY + l.m_nY, l.m_nWidth, l.m_nHeight}; };
  HoverMemo now{&w, hovered, autoOn, {}, 0, 0, 0, 0, {}};
  for (const auto& p : w.m_Buttons) {
    now.looks.emplace_back(p->m_nState, p->m_nLook);
    if (p->m_nState == kWindowButtonDisabled) continue;
    collect(ButtonBox(w, *p));
    if (p->m_pLabel) collect(labelBox(*p->m_pLabel));
  }
  // The rectangle as the screen holds it.
  now.left = std::max(0, left);
  now.top = std::max(0, top);
  now.right = std::min(kScreenWidth, right);
  now.bottom = std::min(kScreenHeight, bottom);
  if (now.right <= now.left || now.bottom <= now.top || HoverUnchanged(now)) return;
  left = kScreenWidth, top = kScreenHeight, right = 0, bottom = 0;
  for (const auto& p : w.m_Buttons) {
    CWindowButton& b = *p;
    if (b.m_nState == kWindowButtonDisabled || &b == hovered) continue;
    const Box box = ButtonBox(w, b);
    const int look = IsAutoModeButton(b) && autoOn ? kLookPressed : kLookNormal;
    DrawWindowButton(b.m_Image, box.x, box.y, look, kButtonRowsLessOne, kToLayer0, kFromLayer2);
    collect(box);
    if (b.m_pLabel) {
      const Box lb = labelBox(*b.m_pLabel);
      DrawWindowRegion(GetVirtualScreen(0), lb.x, lb.y, lb.w, lb.h);
      collect(lb);
    }
  }
  if (hovered) {
    CWindowButton& b = *hovered;
    const Box box = ButtonBox(w, b);
    const int look = b.m_nLook == kLookPressed || (IsAutoModeButton(b) && autoOn) ? kLookPressed : kLookHover;
    DrawWindowButton(b.m_Image, box.x, box.y, look, kButtonRowsLessOne, kToLayer0, kFromLayer2);
    collect(box);
    if (b.m_pLabel) {
      const Box lb = labelBox(*b.m_pLabel);
      if (VirtualScreen* s0 = GetVirtualScreen(0)) DrawLayerImage(*b.m_pLabel, lb.x, lb.y, s0, 0, 0, 255, 0, 0);
      collect(lb);
    }
  }
  if (right > left && bottom > top) PresentScreenArea(left, top, right - left, bottom - top);
  RememberHover(std::move(now));
}

void HoverScriptButtons(int px, int py) {
  CObjectTables* t = Tables();
  if (!t) return;
  for (std::int32_t i = 0; i < t->ButtonCount(); ++i) {
    CScriptButton* b = t->ButtonAt(i);
    if (!b || ScriptButtonHidden(*b)) continue;
    const bool under = ScriptButtonBox(*b).Holds(px, py);
    // Redrawn only when the look changes: a pressed button keeps its look.
    if (under && b->m_nState == kLookNormal) {
      DrawScriptButton(*b, kLookHover);
    } else if (!under && b->m_nState == kLookHover) {
      DrawScriptButton(*b, kLookNormal);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------- helpers

void GetCursorPoint(int* x, int* y) { GetClientSize(x, y); }

void PresentScreenArea(int x, int y, int width, int height) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(kScreenWidth, x + width), y1 = std::min(kScreenHeight, y + height);
  if (x1 > x0 && y1 > y0) PresentRect(x0, y0, x1 - x0, y1 - y0, x0, y0, nullptr);
}

int LookHeight(const CLayerImage& image, int rowsLessOne) {
  return image.m_nHeight / (std::max(rowsLessOne, 0) + 1);
}

void StopVoice() { StopChannel(kVoiceChannel); }

void StopVoiceOnAdvance() {
  const CSettings* s = Presentation().m_pSettings;
  if (s && s->m_bVoiceStop == 1) StopVoice();
}

void SetResultValue(std::int32_t value) {
  if (CScriptEngine* eng = Script()) {
    if (ValueNode* reg = eng->Reg()) reg->SetInt(value);
  }
}

// ---------------------------------------------------------------- clicks

void OnLeftClick(int fromUser) {
  SceneState& s = Scene();
  const std::uint32_t state = s.m_nPendingState;
  // Skipping passes over the click waits; choices and buttons still listen.
  if (fromUser == 1 && Skipping() && state != PND_SLCT && state != PND_BUTTON) return;
  if (SetWindowsShown(1, fromUser)) return;
  CTextWindow* w = CurrentWindow();
  switch (state) {
    case PND_PAUSE:
      s.m_nPendingState = 0;
      break;
    case PND_PROMPT_PAGE:
      if (!w) {
        NoWindowBox(state);
        return;
      }
      if (OnSystemButton(fromUser, 0)) return;
      StopVoiceOnAdvance();
      if (w->m_nState != 1) return;
      ErasePromptCursor(*w);
      s.m_nPendingState = 0;
      break;
    case PND_FPROMPT:
      if (!w) {
        NoWindowBox(state);
        return;
      }
      if (w->m_nState != 1) return;
      s.m_nRunMode = RUN_NORMAL;
      if (OnSystemButton(fromUser, 0)) return;
      StopVoiceOnAdvance();
      if (CTextWindow* still = CurrentWindow(); still && still->m_nState == 1) ClearPageNow(*still);
      break;
    case PND_SLCT:
      if (fromUser != 1) return;
      if (!w) {
        NoWindowBox(state);
        return;
      }
      if (w->m_nState != 1) return;
      if (!OnSystemButton(fromUser, 0)) OnChoiceClick(*w);
      break;
    case PND_BUTTON:
      if (fromUser == 1) OnButtonClick(0);
      break;
    case PND_TYPING:
      // With skipping disabled the page is not completed either.
      if (s.m_nRunMode != RUN_NOSKIP) s.m_nRunMode = RUN_PAGE;
      break;
    case PND_MOVIE:
      StopAviMovie();
      s.m_nPendingState = 0;
      break;
    case PND_BACKLOG: {
      int x = 0, y = 0;
      GetCursorPoint(&x, &y);
      BacklogView().Click(x, y);
      break;
    }
    default:
      break;
  }
}

int OnChoiceClick(CTextWindow& window) {
  CMessageText* text = Text();
  if (!text) return 0;
  const std::int32_t index = text->Highlighted();
  if (index < 0 || index >= text->ChoiceCount()) return 1;
  const ChoiceRecord& r = text->Choice(index);
  int px = 0, py = 0;
  GetCursorPoint(&px, &py);
  const int left = window.m_nX + r.m_nX, top = window.m_nY + r.m_nY;
  if (px < left || px > left + r.m_nWidth - 1 || py < top || py > top + r.m_nHeight - 1) return 0;

  std::string line = r.m_strText;
  const CScriptEngine* eng = Script();
  if (eng && eng->m_nMode == 2) line += "\\f";
  text->AddBacklogLine(line);
  text->ClearPageText();
  // "reg" takes the index whatever it held, and the wait ends.
  text->ApplyChoice(index);
  Scene().m_nPendingState = 0;
  // The list is over: nothing of it is drawn, hovered or saved again.
  text->RestoreChoices({});
  window.HomeText();
  ScenePresentation& look = Presentation();
  const bool rebuild = look.m_bLayersNeedRebuild == 1;
  if (rebuild) {
    RedrawLayers(0);
    look.m_bLayersNeedRebuild = 0;
  }
  RedrawMessageWindow(kFromLayer2, window, kToLayer0);
  if (rebuild) {
    PresentWholeScreen();
  } else {
    PresentScreenArea(window.m_nX, window.m_nY, window.m_nWidth, window.m_nHeight);
  }
  CObjectTables* t = Tables();
  ::SetPendingOp(OP_PAGE_CLEAR2, t ? t->CurrentIndex() : -1);
  text->ClearSpeakerName();
  SceneState& s = Scene();
  if (s.m_nRunMode != RUN_NOSKIP) {
    StopVoiceOnAdvance();
    if (s.m_nRunMode != RUN_SKIPHELD) s.m_nRunMode = RUN_NORMAL;
  }
  return 0;
}

int OnSystemButton(int fromUser, int lookOnly) {
  CTextWindow* w = CurrentWindow();
  if (!w) return 0;
  int px = 0, py = 0;
  GetCursorPoint(&px, &py);
  CWindowButton* hit = nullptr;
  for (const auto& p : w->m_Buttons) {
    if (p->m_nState == kWindowButtonDisabled) continue;
    if (ButtonBox(*w, *p).Holds(px, py)) {
      hit = p.get();
      break;
    }
  }
  if (!hit) return 0;
  // Auto mode and the wheel never open a screen.
  if (fromUser == 0) return 1;
  const Box box = ButtonBox(*w, *hit);
  DrawWindowButton(hit->m_Image, box.x, box.y, kLookPressed, kButtonRowsLessOne, kToLayer0, kFromLayer2);
  PresentScreenArea(box.x, box.y, box.w, box.h);
  hit->m_nLook = kLookPressed;
  if (lookOnly == 1) return 1;
  const std::string name(hit->m_szAction, strnlen(hit->m_szAction, sizeof hit->m_szAction));
  const int result = RunButtonAction(name.c_str());
  const bool keepsLook = result != 0 && (name == "loadmenu" || name == "quickload" || name == "config");
  if (StillInCurrentWindow(hit)) hit->m_nLook = keepsLook ? kLookPressed : kLookNormal;
  return 1;
}

int OnButtonClick(int press) {
  CObjectTables* t = Tables();
  if (!t) return 0;
  int px = 0, py = 0;
  GetCursorPoint(&px, &py);
  for (std::int32_t i = 0; i < t->ButtonCount(); ++i) {
    CScriptButton* b = t->ButtonAt(i);
    if (!b || ScriptButtonHidden(*b)) continue;
    if (ScriptButtonBox(*b).Holds(px, py)) {
      DrawScriptButton(*b, kLookPressed);
      if (press == 1) return 1;
      SetResultValue(i);
      EndWait();
    } else if (b->m_nState == kLookPressed) {
      DrawScriptButton(*b, kLookNormal);
    }
  }
  return 0;
}

void PressWindowButton() {
  const std::uint32_t state = Scene().m_nPendingState;
  if (Skipping() && state != PND_SLCT && state != PND_BUTTON) return;
  CTextWindow* w = CurrentWindow();
  switch (state) {
    case PND_PROMPT_PAGE:
      if (!w) {
        NoWindowBox(state);
        return;
      }
      OnSystemButton(1, 1);
      break;
    case PND_FPROMPT:
    case PND_SLCT:
      if (!w) {
        NoWindowBox(state);
        return;
      }
      if (w->m_nState == 1) OnSystemButton(1, 1);
      break;
    case PND_BUTTON:
      OnButtonClick(1);
      break;
    case PND_BACKLOG:
      BacklogView().Press();
      break;
    default:
      break;
  }
}

int OnRightClick() {
  SceneState& s = Scene();
  if (s.m_nRunMode == RUN_SKIP) {
    s.m_nRunMode = RUN_NORMAL;
    return 0;
  }
  switch (s.m_nPendingState) {
    case PND_PROMPT_PAGE:
    case PND_FPROMPT:
    case PND_SLCT: {
      CObjectTables* t = Tables();
      if (!t) return 0;
      bool met = false, lastShown = false;
      for (std::int32_t i = 0; i < t->WindowCount(); ++i) {
        CTextWindow* w = t->WindowAt(i);
        if (!w) continue;
        if (w->m_nState == 1) {
          w->m_nState = 0;
          met = lastShown = true;
        } else if (w->m_nState == 0) {
          met = true;
          lastShown = false;
        }
      }
      if (met) {
        RedrawLayers(lastShown ? 1 : 0);
        PresentWholeScreen();
      }
      return 0;
    }
    case PND_BUTTON: {
      const std::int32_t value = Presentation().m_nRightClickValue;
      if (value == -1) return 0;
      SetResultValue(value);
      EndWait();
      return 1;
    }
    case PND_BACKLOG:
      BacklogView().LeaveBacklog();
      return 0;
    default:
      return 0;
  }
}

int SetWindowsShown(int, int fromUser) {
  CObjectTables* t = Tables();
  if (!t) return 0;
  bool hidden = false;
  for (std::int32_t i = 0; i < t->WindowCount(); ++i) {
    const CTextWindow* w = t->WindowAt(i);
    if (!w) continue;
    if (w->m_nState == 1) return 0;
    if (w->m_nState == 0) {
      if (fromUser == 0) return 0;
      hidden = true;
    }
  }
  if (!hidden) return 0;
  RedrawLayers(0);
  PresentWholeScreen();
  return 1;
}

// ---------------------------------------------------------------- keys

void OnKey(std::uint32_t bit) {
  SceneState& s = Scene();
  switch (bit) {
    case KEY_SPACE:
      OnRightClick();
      break;
    case KEY_UP:
    case KEY_DOWN: {
      // Only a choice needs a window: the box is a script fault's report
      // there, and a button wait (a title menu) may run without any window.
      CTextWindow* w = CurrentWindow();
      if (!w && s.m_nPendingState == PND_SLCT) {
        NoWindowBox(PND_SLCT);
        return;
      }
      if (w && w->m_nState == 0) return;
      if (s.m_nPendingState == PND_SLCT) {
        if (CMessageText* text = Text()) MoveHighlight(*text, *w, bit == KEY_UP);
      } else if (s.m_nPendingState == PND_BUTTON) {
        MoveToButton(bit == KEY_UP);
      }
      break;
    }
    case KEY_CTRL:
      if (s.m_nRunMode != RUN_NOSKIP) {
        s.m_nRunMode = RUN_SKIPHELD;
        AdvanceAfterVoice();
      }
      break;
    case KEY_PAGEUP:
      // Acts when the message comes back as a wheel turn of one notch.
      pl::PostMessage(GetMainWindowHandle(), pl::WM_MOUSEWHEEL, 0x10000, 0);
      break;
    case KEY_PAGEDOWN:
      pl::PostMessage(GetMainWindowHandle(), pl::WM_MOUSEWHEEL, 0xFFFF0000u, 0);
      break;
    case KEY_HOME:
    case KEY_END:
      BacklogView().OnKey(bit);
      break;
    default:
      break;
  }
}

void AdvanceAfterVoice() {
  SceneState& s = Scene();
  StopVoice();
  if (CSoundSystem* snd = GetSoundSystem(); snd && snd->IsSoundAvailable()) {
    // An effect the script waits for ends with the advance.
    if (snd->m_nSeMode.load() == 3 && snd->Channel(3).m_szName[0] != '\0') {
      EndWait();
      snd->HaltChannel(3);
    }
  }
  CTextWindow* w = CurrentWindow();
  const bool hidden = w && w->m_nState == 0;
  switch (s.m_nPendingState) {
    case PND_PAUSE:
      if (hidden) {
        s.m_nRunMode = RUN_NORMAL;
      } else {
        s.m_nPendingState = 0;
      }
      break;
    case PND_PROMPT_PAGE:
      if (hidden) {
        s.m_nRunMode = RUN_NORMAL;
      } else {
        if (w) ErasePromptCursor(*w);
        s.m_nPendingState = 0;
      }
      break;
    case PND_FPROMPT:
      if (w && w->m_nState == 1) {
        CObjectTables* t = Tables();
        ::SetPendingOp(OP_PAGE_CLEAR2, t ? t->CurrentIndex() : -1);
        if (CMessageText* text = Text()) text->ClearSpeakerName();
      } else if (hidden) {
        s.m_nRunMode = RUN_NORMAL;
      }
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- hover

int TrackMenuBar(pl::Window* hWnd, int* x, int* y) {
  if (!hWnd || pl::GetActiveWindow() != hWnd) return 0;
  int px = 0, py = 0;
  GetCursorPoint(&px, &py);
  if (x) *x = px;
  if (y) *y = py;
  if (GetDisplayMode() == 0) return 1;
  ScenePresentation& look = Presentation();
  const bool nearTop = py <= pl::GetMenuBarHeight() / 2;
  if (nearTop && !look.m_bMenuBarShown) {
    pl::SetMenu(hWnd, GetMenuHandle());
    pl::DrawMenuBar(hWnd);
    look.m_bMenuBarShown = 1;
    SetMenuAttached(GetMenuHandle() != nullptr);
  } else if (!nearTop && look.m_bMenuBarShown) {
    pl::SetMenu(hWnd, nullptr);
    pl::DrawMenuBar(hWnd);
    look.m_bMenuBarShown = 0;
    SetMenuAttached(false);
  }
  return 1;
}

void OnMouseHover(pl::Window* hWnd) {
  int x = 0, y = 0;
  if (!TrackMenuBar(hWnd, &x, &y)) return;
  HoverAt(x, y);
}

void HoverAt(int x, int y) {
  const std::uint32_t state = Scene().m_nPendingState;
  CTextWindow* w = CurrentWindow();
  const bool shown = w && w->m_nState == 1;
  if ((state == PND_PROMPT_PAGE || state == PND_FPROMPT || state == PND_SLCT) && shown) HoverSystemButtons(*w, x, y);
  if (state == PND_SLCT && shown) {
    // Choices are not drawn over the scene while the windows are hidden.
    if (CMessageText* text = Text()) {
      const std::int32_t under = text->ChoiceAt(x, y);
      if (under != text->Highlighted()) text->DrawChoice(under, text->Highlighted());
    }
  } else if (state == PND_BUTTON) {
    HoverScriptButtons(x, y);
  } else if (state == PND_BACKLOG) {
    BacklogView().Hover(x, y);
  }
}

// ---------------------------------------------------------------- screens

int OpenSaveMenu() {
  IEngineHost* engine = Presentation().m_pEngine;
  const int result = engine ? engine->RunSaveMode() : 0;
  if (result && Scene().m_nPendingState == PND_SLCT) {
    if (CMessageText* text = Text()) text->GlideCursorToChoice();
  }
  return result;
}

int OpenLoadMenu() {
  IEngineHost* engine = Presentation().m_pEngine;
  const int result = engine ? engine->RunLoadMode() : 0;
  if (Scene().m_nPendingState == PND_SLCT) {
    if (CMessageText* text = Text()) text->GlideCursorToChoice();
  }
  return result;
}

int QuickLoad() {
  const CScriptEngine* eng = Script();
  IEngineHost* engine = Presentation().m_pEngine;
  if (!eng || !eng->m_bLoadEnabled || !engine) return 0;
  return engine->QuickLoad();
}
