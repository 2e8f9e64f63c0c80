#include "engine/slot_scene.h"

#include <algorithm>
#include <cstring>

#include "engine/kiv_base.h"
#include "framework/sjis.h"
#include "graphics/layer_image.h"
#include "graphics/transition.h"
#include "graphics/virtual_screen.h"
#include "graphics/weather.h"
#include "platform/time.h"
#include "scene/command_args.h"
#include "scene/compose.h"
#include "scene/effect_commands.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "scene/presentation.h"
#include "scene/transition_stepper.h"
#include "screens/msg_mode.h"
#include "sound/sound_channel.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"

namespace {

// A name field of a record: up to its NUL, never past the field.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

std::int16_t To16(std::int32_t v) { return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767)); }
std::uint8_t To8(std::int32_t v) { return static_cast<std::uint8_t>(std::clamp<std::int32_t>(v, 0, 255)); }

bool Named(const CLayerImage& rec) { return rec.m_szName[0] != '\0'; }

}  // namespace

CSlotScene::CSlotScene(CObjectTables& tables, CMessageText& text) : m_Tables(tables), m_Text(text) {}

std::string CSlotScene::NewestBacklogVoice() {
  const ValueNode* last = m_Text.Backlog().Last();
  if (!last || last->type != VT_BACKLOG) return {};
  char field[kVoiceNameSize + 1] = {};
  for (std::size_t k = 0; k < kVoiceNameSize / 4; ++k) {
    const auto word = static_cast<std::uint32_t>(last->header[BL_VOICE + k]);
    for (std::size_t b = 0; b < 4; ++b) field[4 * k + b] = static_cast<char>((word >> (8 * b)) & 0xFF);
  }
  return std::string(field);
}

// ---------------------------------------------------------------- saving

void CSlotScene::CaptureWindow(const CTextWindow& w, SlotWindow* out) const {
  out->x = w.m_nX;
  out->y = w.m_nY;
  out->width = w.m_nWidth;
  out->height = w.m_nHeight;
  out->state = w.m_nState;
  out->panelX = w.m_nPanelX;
  out->panelY = w.m_nPanelY;
  out->panelWidth = w.m_nPanelWidth;
  out->panelHeight = w.m_nPanelHeight;
  out->red = w.m_nColorR;
  out->green = w.m_nColorG;
  out->blue = w.m_nColorB;
  out->panelStrength = w.m_nPanelStrength;
  out->homeX = w.m_nHomeX;
  out->homeY = w.m_nHomeY;
  out->lineGap = w.m_nLineGap;
  out->charGap = w.m_nCharGap;
  out->linesPerPage = w.m_nLinesPerPage;
  out->charsPerLine = w.m_nCharsPerLine;
  if (Named(w.m_Frame)) {
    out->frame.present = true;
    out->frame.name = FieldText(w.m_Frame.m_szName);
    out->frame.x = w.m_nFrameX;
    out->frame.y = w.m_nFrameY;
  }
  if (Named(w.m_PageCursor)) {
    out->pageCursor.present = true;
    out->pageCursor.name = FieldText(w.m_PageCursor.m_szName);
    out->pageCursor.x = w.m_nPageCursorX;
    out->pageCursor.y = w.m_nPageCursorY;
    out->pageCursor.lastFrame = w.m_nPageCursorLast;
    out->pageCursor.fixedPos = w.m_nPageCursorFixed;
  }
  if (Named(w.m_PromptCursor)) {
    out->promptCursor.present = true;
    out->promptCursor.name = FieldText(w.m_PromptCursor.m_szName);
    out->promptCursor.x = w.m_nPromptCursorX;
    out->promptCursor.y = w.m_nPromptCursorY;
    out->promptCursor.lastFrame = w.m_nPromptCursorLast;
  }
  out->hasButtons = !w.m_Buttons.empty();
  for (const auto& b : w.m_Buttons) {
    SlotWindowButton sb;
    sb.picture = FieldText(b->m_Image.m_szName);
    sb.action = FieldText(b->m_szAction);
    sb.x = b->m_Image.m_nX;
    sb.y = b->m_Image.m_nY;
    if (b->m_pLabel) {
      sb.label = FieldText(b->m_pLabel->m_szName);
      sb.labelX = b->m_pLabel->m_nX;
      sb.labelY = b->m_pLabel->m_nY;
    }
    out->buttons.push_back(std::move(sb));
  }
}

void CSlotScene::CaptureSlot(SlotData* slot) {
  slot->pageText = m_Text.PageText();
  slot->voice = NewestBacklogVoice();
  // The play modes and the names last requested on each kind's channel.
  if (CSoundSystem* snd = GetSoundSystem()) {
    slot->music.mode = snd->m_nBgmMode.load();
    slot->effect.mode = snd->m_nSeMode.load();
    slot->ambience.mode = snd->m_nEnvMode.load();
  }
  slot->music.name = SoundRequests().bgmMemo;
  slot->effect.name = SoundRequests().seMemo;
  slot->ambience.name = SoundRequests().envMemo;
  slot->tone = GetSpriteTone();
  slot->currentWindow = m_Tables.CurrentIndex();
  const std::uint32_t state = Scene().m_nPendingState;
  // Behind an open backlog view the story waits in the state the view saved.
  slot->pendingState = (state & PND_BACKLOG) ? m_Text.m_nBacklogSavedState : state;
  // The interpreter keeps no choice-pending word yet.
  slot->choicePending = 0;

  slot->choices.clear();
  for (int i = 0; i < m_Text.ChoiceCount() && i < kChoiceSlots; ++i) {
    const ChoiceRecord& r = m_Text.Choice(i);
    slot->choices.push_back({r.m_nX, r.m_nY, r.m_nWidth, r.m_nHeight, r.m_strText});
  }

  slot->windows.assign(static_cast<std::size_t>(m_Tables.WindowCount()), SlotWindow{});
  for (std::int32_t i = 0; i < m_Tables.WindowCount(); ++i) {
    CaptureWindow(*m_Tables.WindowAt(i), &slot->windows[static_cast<std::size_t>(i)]);
  }

  slot->sprites.assign(static_cast<std::size_t>(m_Tables.SpriteCount()), SlotSprite{});
  for (std::int32_t i = 0; i < m_Tables.SpriteCount(); ++i) {
    const CLayerImage& s = *m_Tables.SpriteAt(i);
    SlotSprite& out = slot->sprites[static_cast<std::size_t>(i)];
    if (Named(s)) {
      out.name = FieldText(s.m_szName);
      out.x = s.m_nX;
      out.y = s.m_nY;
      out.stateGroup = s.m_State0[3];
      out.shownState = s.m_nShownState;
    }
    out.spriteClass = s.m_nClass;
    out.blendMode = s.m_nBlendMode;
    out.alignment = s.m_nAlign;
    out.sequence = s.m_nCurSeq;
  }

  slot->engine = SlotEngineWords{};
  const ScenePresentation& look = Presentation();
  slot->engine.raster[0] = look.m_bRasterOn;
  slot->engine.raster[1] = look.m_nRasterKind;
  slot->engine.background = static_cast<std::int32_t>(look.m_dwFillColor);
  slot->engine.readMark = m_Text.m_Settings.readMarkDisplay;
  slot->engine.rightButton = look.m_nRightClickValue;
  if (const CWeather* w = GetWeather()) {
    slot->engine.weatherState = w->m_nState;
    slot->engine.weatherKind = w->m_nKind;
  }
  if (const COverlay* o = GetOverlay()) {
    slot->engine.overlayState = o->m_nState;
    // The field holds 15 bytes; a longer name could not be loaded again.
    if (o->m_nState != 0 && o->m_strName.size() < kSlotPictureSize) slot->engine.overlayName = o->m_strName;
    slot->engine.overlayWords[0] = o->m_nDx;
    slot->engine.overlayWords[1] = o->m_nDy;
  }

  slot->buttons.assign(static_cast<std::size_t>(m_Tables.ButtonCount()), SlotScriptButton{});
  for (std::int32_t i = 0; i < m_Tables.ButtonCount(); ++i) {
    const CScriptButton& b = *m_Tables.ButtonAt(i);
    SlotScriptButton& out = slot->buttons[static_cast<std::size_t>(i)];
    if (Named(b.m_Image)) {
      out.picture = FieldText(b.m_Image.m_szName);
      out.x = b.m_Image.m_nX;
      out.y = b.m_Image.m_nY;
    }
    out.text = FieldText(b.m_szCaption);
    out.word1 = b.m_nCaptionX;
    out.word2 = b.m_nCaptionY;
  }

  slot->gauges.assign(static_cast<std::size_t>(m_Tables.GaugeCount()), SlotGauge{});
  for (std::int32_t i = 0; i < m_Tables.GaugeCount(); ++i) {
    const CGauge& g = *m_Tables.GaugeAt(i);
    SlotGauge& out = slot->gauges[static_cast<std::size_t>(i)];
    out.colour = {g.m_nR, g.m_nG, g.m_nB, 0};
    out.x = g.m_nX;
    out.y = g.m_nY;
    out.width = g.m_nWidth;
    out.height = g.m_nHeight;
    out.blend = g.m_nBlend;
    out.shown = g.m_bShown;
    out.direction = g.m_nDirection;
    out.maximum = g.m_nMaximum;
    out.value = g.m_nValue;
  }
}

// ---------------------------------------------------------------- loading

bool CSlotScene::CanRestoreSlot(const SlotData& slot) {
  const auto fits = [](std::size_t saved, std::int32_t table) { return saved <= static_cast<std::size_t>(table); };
  if (!fits(slot.windows.size(), m_Tables.WindowCount()) || !fits(slot.sprites.size(), m_Tables.SpriteCount()) ||
      !fits(slot.buttons.size(), m_Tables.ButtonCount()) || !fits(slot.gauges.size(), m_Tables.GaugeCount())) {
    return false;
  }
  if (slot.choices.size() > static_cast<std::size_t>(kChoiceSlots)) return false;
  return slot.currentWindow == -1 || (slot.currentWindow >= 0 && slot.currentWindow < m_Tables.WindowCount());
}

// The confirmation box's quick-load question; -1 (the box cannot run) lets
// LoadGame ask with its message box instead.
int CSlotScene::AskLoadQuestion() {
  CKivBase* engine = CKivBase::Running();
  if (!engine) return -1;
  const int answer = engine->RunMsgMode(MSG_QUICKLOAD);
  return answer == -1 ? -1 : answer == MSG_YES ? 1 : 0;
}

void CSlotScene::BeginRestore() {
  ResetCurrentWindow();
  // Stopped with their bookkeeping: the voice's mouths go back, a waited
  // effect lets go of the script.
  for (int ch = 0; ch < kSoundChannelCount; ++ch) StopChannel(ch);
  // A fade of the story being left would end later on a loaded sound: with
  // its kind switched off nothing opens the channel to end the fade, and
  // its end would wipe the loaded memo and end the loaded wait.
  for (ChannelFade& f : SoundRequests().fades) f = ChannelFade{};
}

bool CSlotScene::Reload(CLayerImage& record, const std::string& name, bool asSprite) const {
  ClearLayerImage(record);
  if (name.empty()) return false;
  // Sprites load as the display commands load them: 8-bit pictures widened
  // and toned with the tone in force.
  const int flag = asSprite ? 1 : 0;
  return LoadLayerImage(record, name.c_str(), 0, m_Tables.m_pGraphicsArc, flag, flag) == 1;
}

void CSlotScene::RestoreWindow(const SlotWindow& in, CTextWindow& w) const {
  w.m_nX = To16(in.x);
  w.m_nY = To16(in.y);
  w.m_nWidth = To16(in.width);
  w.m_nHeight = To16(in.height);
  w.m_nState = in.state;
  w.m_nPanelX = To16(in.panelX);
  w.m_nPanelY = To16(in.panelY);
  w.m_nPanelWidth = To16(in.panelWidth);
  w.m_nPanelHeight = To16(in.panelHeight);
  w.m_nColorR = in.red;
  w.m_nColorG = in.green;
  w.m_nColorB = in.blue;
  // The player's opacity setting holds, not the one of the save.
  w.m_nPanelStrength = To8(m_Tables.m_nWindowOpacity);
  w.m_nHomeX = To16(in.homeX);
  w.m_nHomeY = To16(in.homeY);
  w.m_nLineGap = To8(in.lineGap);
  w.m_nCharGap = To8(in.charGap);
  // As the commands do: 0 would make nothing wrap.
  w.m_nLinesPerPage = To8(std::max(1, in.linesPerPage));
  w.m_nCharsPerLine = To8(std::max(1, in.charsPerLine));
  w.HomeText();

  Reload(w.m_Frame, in.frame.present ? in.frame.name : std::string());
  w.m_Frame.m_nClass = 2;
  w.m_nFrameX = To16(in.frame.x);
  w.m_nFrameY = To16(in.frame.y);

  const bool page = Reload(w.m_PageCursor, in.pageCursor.present ? in.pageCursor.name : std::string());
  w.m_PageCursor.m_nClass = 2;
  w.m_nPageCursorX = To16(in.pageCursor.x);
  w.m_nPageCursorY = To16(in.pageCursor.y);
  w.m_nPageCursorFixed = in.pageCursor.fixedPos;
  w.m_nPageCursorLast = page ? std::max(0, in.pageCursor.lastFrame) : 0;
  w.m_nPageCursorFrame = 0;

  const bool prompt = Reload(w.m_PromptCursor, in.promptCursor.present ? in.promptCursor.name : std::string());
  w.m_PromptCursor.m_nClass = 2;
  w.m_nPromptCursorX = To16(in.promptCursor.x);
  w.m_nPromptCursorY = To16(in.promptCursor.y);
  w.m_nPromptCursorLast = prompt ? std::max(0, in.promptCursor.lastFrame) : 0;
  w.m_nPromptCursorFrame = 0;

  // The saved buttons replace the window's own: the running script may have
  // made the same ones, and adding would double them on every load.
  w.m_Buttons.clear();
  for (const SlotWindowButton& sb : in.buttons) {
    auto b = std::make_unique<CWindowButton>();
    b->m_Image.m_nClass = 2;
    // A button whose picture is gone is left out, as the command leaves it.
    if (!Reload(b->m_Image, sb.picture)) continue;
    sjis::CopyBounded(b->m_szAction, sizeof b->m_szAction, sb.action);
    b->m_Image.m_nX = To16(sb.x);
    b->m_Image.m_nY = To16(sb.y);
    if (!sb.label.empty()) {
      auto l = std::make_unique<CLayerImage>();
      l->m_nClass = 1;
      if (Reload(*l, sb.label)) {
        l->m_nX = To16(sb.labelX);
        l->m_nY = To16(sb.labelY);
        b->m_pLabel = std::move(l);
      }
    }
    if (!w.m_Buttons.empty()) w.m_Buttons.back()->m_Image.m_pNext = &b->m_Image;
    w.m_Buttons.push_back(std::move(b));
  }
}

void CSlotScene::RestoreSlot(const SlotData& slot) {
  m_Text.ClearPageText();
  m_Text.AppendPageText(slot.pageText);
  if (CSoundSystem* snd = GetSoundSystem()) {
    snd->m_nBgmMode.store(slot.music.mode);
    snd->m_nSeMode.store(slot.effect.mode);
    snd->m_nEnvMode.store(slot.ambience.mode);
  }
  SoundRequests().bgmMemo = sjis::CutBounded(slot.music.name, kSoundMemoSize - 1);
  SoundRequests().seMemo = sjis::CutBounded(slot.effect.name, kSoundMemoSize - 1);
  SoundRequests().envMemo = sjis::CutBounded(slot.ambience.name, kSoundMemoSize - 1);
  // The tone goes back before the sprites load, which take it.
  SetSpriteTone(slot.tone);
  if (slot.currentWindow >= 0) m_Tables.SelectWindow(slot.currentWindow);
  std::vector<ChoiceRecord> choices;
  for (const SlotChoice& c : slot.choices) {
    ChoiceRecord r;
    r.m_nX = To16(c.x);
    r.m_nY = To16(c.y);
    r.m_nWidth = To16(c.width);
    r.m_nHeight = To16(c.height);
    r.m_strText = c.text;
    choices.push_back(std::move(r));
  }
  m_Text.RestoreChoices(choices);

  for (std::size_t i = 0; i < slot.windows.size(); ++i) {
    RestoreWindow(slot.windows[i], *m_Tables.WindowAt(static_cast<std::int32_t>(i)));
  }

  for (std::size_t i = 0; i < slot.sprites.size(); ++i) {
    const SlotSprite& in = slot.sprites[i];
    CLayerImage& s = *m_Tables.SpriteAt(static_cast<std::int32_t>(i));
    // The class first: only a normal sprite takes the tone.
    s.m_nClass = static_cast<std::uint8_t>(in.spriteClass);
    if (in.name.empty()) {
      s.m_szName[0] = '\0';
    } else {
      Reload(s, in.name, true);
    }
    s.m_nX = To16(in.x);
    s.m_nY = To16(in.y);
    s.m_State0[3] = static_cast<std::uint8_t>(in.stateGroup);
    s.m_nShownState = static_cast<std::uint8_t>(in.shownState);
    s.m_nClass = static_cast<std::uint8_t>(in.spriteClass);
    s.m_nBlendMode = static_cast<std::uint8_t>(in.blendMode);
    s.m_nAlign = static_cast<std::uint8_t>((in.alignment == 1 || in.alignment == 2) ? in.alignment : 0);
    s.m_nCurSeq = static_cast<std::uint16_t>(in.sequence);
  }

  RestoreEngineWords(slot.engine);

  for (std::size_t i = 0; i < slot.buttons.size(); ++i) {
    const SlotScriptButton& in = slot.buttons[i];
    CScriptButton& b = *m_Tables.ButtonAt(static_cast<std::int32_t>(i));
    if (in.picture.empty()) {
      b.m_Image.m_szName[0] = '\0';
      b.m_nState = 3;
    } else if (Reload(b.m_Image, in.picture)) {
      // A saved button with its picture was on show, in its normal look,
      // as the button command leaves it.
      b.m_Image.m_nRowsLessOne = 2;
      b.m_Image.m_nShownState = 0;
      b.m_nState = 0;
    } else {
      b.m_nState = 3;
    }
    b.m_Image.m_nX = To16(in.x);
    b.m_Image.m_nY = To16(in.y);
    sjis::CopyBounded(b.m_szCaption, sizeof b.m_szCaption, in.text);
    b.m_nCaptionX = To16(in.word1);
    b.m_nCaptionY = To16(in.word2);
  }

  for (std::size_t i = 0; i < slot.gauges.size(); ++i) {
    const SlotGauge& in = slot.gauges[i];
    CGauge& g = *m_Tables.GaugeAt(static_cast<std::int32_t>(i));
    g.m_nR = in.colour[0];
    g.m_nG = in.colour[1];
    g.m_nB = in.colour[2];
    g.m_nX = To16(in.x);
    g.m_nY = To16(in.y);
    g.m_nWidth = To16(in.width);
    g.m_nHeight = To16(in.height);
    g.m_nBlend = To8(in.blend);
    g.m_bShown = in.shown;
    g.m_nDirection = To16(in.direction);
    g.m_nMaximum = To16(in.maximum);
    g.m_nValue = To16(in.value);
  }
}

void CSlotScene::RestoreEngineWords(const SlotEngineWords& e) const {
  ScenePresentation& look = Presentation();
  look.m_bRasterOn = e.raster[0];
  look.m_nRasterKind = e.raster[1];
  // A ripple of the story being left does not run on into the loaded one.
  if (e.raster[0] == 0) transition::ResetRasterState();
  look.m_dwFillColor = static_cast<std::uint32_t>(e.background) & 0xFFFFFFu;
  m_Text.m_Settings.readMarkDisplay = e.readMark;
  look.m_nRightClickValue = e.rightButton;

  if (CWeather* w = GetWeather()) {
    switch (e.weatherState) {
      case 0:
        w->m_nState = 0;
        w->m_nAlpha = 0;
        w->m_nPending = 3;
        break;
      case 1:
        // At full opacity with its particles from the start; a layer that
        // is fading out takes the kind as the one to start after the fade.
        w->Start(e.weatherKind);
        break;
      case 2:
        if (w->m_nState == 1) w->Stop();
        break;
      default:
        break;
    }
  }

  if (COverlay* o = GetOverlay()) {
    o->m_nDx = e.overlayWords[0];
    o->m_nDy = e.overlayWords[1];
    switch (e.overlayState) {
      case 0:
        o->m_nState = 0;
        o->m_nAlpha = 0;
        break;
      case 1: {
        // The same picture already on show goes on where it is; any other
        // fades in from its start as the overlay command shows it.
        const bool onShow = o->m_nState == 1 && o->m_nAlpha > 0 && o->m_strName == e.overlayName;
        if (!o->Load(e.overlayName.c_str(), m_Tables.m_pGraphicsArc)) {
          o->m_nState = 0;
          o->m_nAlpha = 0;
          break;
        }
        if (!onShow) {
          o->m_nX = o->Image().Width();
          o->m_nY = o->Image().Height();
          o->m_nAlpha = 1;
        }
        o->m_strName = e.overlayName;
        o->m_nState = 1;
        break;
      }
      case 2:
        if (o->m_nState == 1) o->m_nState = 2;
        break;
      default:
        break;
    }
  }
}

void CSlotScene::ComposeLoadedScene(const SlotData& slot) const {
  VirtualScreen* layer2 = GetVirtualScreen(2);
  VirtualScreen* layer3 = GetVirtualScreen(3);
  if (!layer2 || !layer3) return;
  // The window comes back at the dissolve's end when it has a page or a
  // choice to show: the system sprites then belong to the picture, and the
  // layers are whole, so that nothing rebuilds them over the gauges.
  const CTextWindow* w = m_Tables.CurrentWindow();
  const bool windowShown =
      w && (w->m_nState == 1 || !slot.pageText.empty() || slot.pendingState == PND_SLCT);
  ComposeSprites(windowShown);
  if (windowShown) Presentation().m_bLayersNeedRebuild = 0;
  // The composition draws the buttons on layer 2 only; the new picture
  // shows them too.
  DrawScriptButtons(layer3);
  for (std::int32_t i = 0; i < m_Tables.GaugeCount(); ++i) {
    const CGauge& g = *m_Tables.GaugeAt(i);
    if (g.m_bShown && (g.m_nDirection < 0 || g.m_nDirection > 3)) {
      SceneDebugBox(SJ("ゲージに設定された方向が不正です。"));
    }
  }
  // The composition put the shown gauges on layer 2; the new picture takes
  // them the same way (each bar drawn once, over the clean scene).
  DrawShownGauges(layer3);
}

void CSlotScene::FinishRestore(const SlotData& slot, bool quickSlot) {
  m_Text.ClearBacklog();
  // The next record takes the saved voice, as it would have taken the
  // voice of the line the game was saved on.
  m_Text.SetVoiceName(slot.voice);
  SetAutoDeadline(static_cast<std::uint32_t>(slot.pageText.size() / 2));
  ComposeLoadedScene(slot);
  if (quickSlot) {
    VirtualScreen* shown = GetPresentedScreen();
    VirtualScreen* second = GetVirtualScreen(1);
    if (shown && second && shown != second) {
      CopyScreenRect(0, 0, kScreenWidth - 1, kScreenHeight - 1, 0, 0, shown, second);
    }
  }
  // The loaded picture dissolves in; its end puts the saved wait and the
  // choice word back and shows the window with its page text (and the
  // choices). Until then the story waits on the operation: with nothing
  // pending the interpreter would run on behind the dissolve, and its next
  // line would take the operation's place.
  SceneState& s = Scene();
  SetPendingOp(OP_LOAD_DISSOLVE, 0, 0, kScreenWidth, kScreenHeight, kLoadDissolveMs,
               static_cast<std::int32_t>(pl::TickMs()), static_cast<std::int32_t>(slot.pendingState),
               slot.choicePending);
  s.m_nPendingState = PND_OPERATION;
  s.m_pfnFrameHook = &RunWaitStates;
  // The music and the looping ambience are requested again from their memos.
  RestartSoundsFromMemos(slot.music.mode, slot.music.name, slot.ambience.mode, slot.ambience.name);
}
