#include "screens/screen_base.h"

#include <algorithm>
#include <cstring>

#include "framework/arc.h"
#include "framework/byte_io.h"
#include "framework/display_mode.h"
#include "framework/globals.h"
#include "framework/huffman.h"
#include "framework/key_manager.h"
#include "framework/path_name.h"
#include "framework/sjis.h"
#include "graphics/abm_image.h"
#include "graphics/blit.h"
#include "graphics/layer_image.h"
#include "graphics/virtual_screen.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "scene/pending.h"
#include "scene/wait_input.h"
#include "sound/sound_request.h"
#include "sound/sound_system.h"

namespace {

int PlayByKind(int mode, const char* name, const char* kind, int index) {
  return PlaySoundByKind(mode, name, kind, index);
}

ScreenSoundPlayer g_pSoundPlayer = &PlayByKind;

bool ReadArchiveMember(CArc& arc, const std::string& name, std::size_t maxBytes, std::vector<std::uint8_t>* out) {
  const std::int64_t size = arc.GetSize(name);
  if (size <= 0 || static_cast<std::uint64_t>(size) > maxBytes) return false;
  out->resize(static_cast<std::size_t>(size));
  return arc.Read(name, out->data(), out->size()) == size;
}

}  // namespace

ScreenDescriptor DescribeScreen(VirtualScreen* screen) {
  ScreenDescriptor d;
  if (!screen) return d;
  d.pixels = screen->Pixels();
  d.width = screen->m_Surface.Width();
  d.height = screen->m_Surface.Height();
  d.bitsPerPixel = 32;
  return d;
}

ScreenDescriptor DescribeBuffer(CBuffer& buffer) {
  ScreenDescriptor d;
  d.pixels = reinterpret_cast<std::uint32_t*>(buffer.m_pcPix);
  d.width = buffer.Width();
  d.height = buffer.Height();
  d.bitsPerPixel = 32;
  return d;
}

bool MakeScreenView(CBuffer& view, const ScreenDescriptor& d) {
  if (!d.pixels || d.width <= 0 || d.height <= 0 || d.bitsPerPixel != 32) return false;
  SetupDibHeader(view, d.width, 32, -d.height, d.pixels);
  return true;
}

int HitTestLayout(const LayoutButton* table, int count, pl::Point pt) {
  for (int i = 0; i < count; ++i) {
    if (LayoutContains(table[i], pt)) return i;
  }
  return kNoItem;
}

// ------------------------------------------------------------ IProgMode

std::int32_t IProgMode::OnWindowMessage(pl::Window*, std::uint32_t uMsg, pl::WPARAM, pl::LPARAM) {
  switch (uMsg) {
    case pl::WM_PAINT:
      RedrawAll();
      PaintBorders();
      break;
    case pl::WM_CLOSE:
    case pl::WM_DESTROY:
      // The window going (a termination signal destroys it without a close
      // request) ends the screen just as a close does.
      m_nResult = -1;
      m_bLoop = 0;
      m_bClosed = 1;
      break;
    default:
      break;
  }
  return 0;
}

int IProgMode::Execute() {
  m_ptCursor = pl::Point{0, 0};
  Enter();
  return MainLoop();
}

void IProgMode::Redraw(int x, int y, int width, int height, int srcX, int srcY) {
  if (m_nResult == -1) return;
  ReleaseScopedLock lock(m_Lock);
  if (width > 0 && height > 0) PresentRect(srcX, srcY, width, height, x, y, nullptr);
  PresentDirtyRegion();
}

int IProgMode::MainLoop() {
  static constexpr std::uint32_t kOrder[] = {KEY_ENTER, KEY_SPACE, KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_CTRL};
  while (PumpAndPace()) {
    // The hover follows the pointer where it is now (asking for no key
    // only reads its place): a tap brings the pointer to a control with
    // the press, and the press below takes what the hover found.
    CheckKey(0);
    Update();
    // The engine's frame stands still while a screen runs: the sound fades
    // take their step here.
    UpdateSoundFades();
    int hit = -1;
    for (int i = 0; i < 7; ++i) {
      if (CheckKey(kOrder[i])) {
        hit = i;
        break;
      }
    }
    switch (hit) {
      case 0: OnDecide(); break;
      case 1: OnCancel(); break;
      case 2: OnUp(); break;
      case 3: OnDown(); break;
      case 4: OnLeft(); break;
      case 5: OnRight(); break;
      case 6: OnSkip(); break;
      default: break;
    }
    if (m_bPresent == 1 && GetDisplayMode() == 1) PresentDirtyRegion();
  }
  return m_nResult;
}

int IProgMode::PumpAndPace() {
  pl::Message msg;
  if (pl::PeekMessage(&msg)) pl::DispatchMessage(msg);
  if (m_hWnd && !pl::IsWindow(m_hWnd)) {
    m_nResult = -1;
    m_bLoop = 0;
    m_bClosed = 1;
    return 0;
  }
  // In the full-screen modes the menu bar comes while the pointer is at the
  // top edge, over a screen as over the story.
  TrackMenuBar(GetMainWindowHandle(), nullptr, nullptr);
  const std::uint32_t now = pl::TickMs();
  if (pl::GetActiveWindow()) {
    pl::SleepMs(now - m_dwLastPump > 33 ? 0 : 1);
  } else {
    pl::SleepMs(30);
  }
  m_dwLastPump = pl::TickMs();
  // Boxes of the sound threads wait for the main thread.
  if (CSoundSystem* snd = GetSoundSystem()) snd->ShowDeferredBoxes();
  return m_bLoop;
}

int IProgMode::CheckKey(std::uint32_t bit) { return m_pKeyManager ? m_pKeyManager->CheckKey(bit, &m_ptCursor) : 0; }

pl::Point IProgMode::LogicalCursor() const {
  pl::Point p = m_ptCursor;
  ClientToLogical(p);
  return p;
}

bool IProgMode::BeginRun(pl::Window* hWnd, const ScreenDescriptor& screen, CKeyManager* keys, IWinHookList* hooks) {
  if (m_bClosed) {
    m_nResult = -1;
    return false;
  }
  m_hWnd = hWnd;
  m_pKeyManager = keys;
  m_pHookList = hooks;
  m_Screen = screen;
  if (m_pHookList && !m_bInHookList) {
    m_pHookList->Add(this);
    m_bInHookList = true;
  }
  return true;
}

void IProgMode::LeaveHookList() {
  if (m_pHookList && m_bInHookList) m_pHookList->Remove(this);
  m_bInHookList = false;
}

void WaitKeyRelease(IProgMode& screen, std::uint32_t bit) {
  while (screen.CheckKey(bit)) {
    if (!screen.PumpAndPace()) return;
  }
}

// ------------------------------------------------------------ pictures

bool LoadGraphicData(const std::string& name, CArc* archive, std::vector<std::uint8_t>* out) {
  out->clear();
  const std::string path = "K:\\grp\\" + name;
  {
    pl::File f;
    if (f.OpenRead(path)) {
      // A loose file decides: one that cannot be read gives no picture,
      // the archive's copy is not taken instead.
      const std::int64_t size = f.Size();
      if (size <= 0 || static_cast<std::uint64_t>(size) > kPictureWorkBytes) return false;
      out->resize(static_cast<std::size_t>(size));
      if (!f.ReadExactAt(0, out->data(), out->size())) {
        out->clear();
        return false;
      }
      return true;
    }
  }
  if (!archive) return false;
  if (archive->GetSize(name) >= 0) {
    if (ReadArchiveMember(*archive, name, kPictureWorkBytes, out)) return true;
    out->clear();
    return false;
  }
  CPathName dat;
  if (!dat.SetPath(path) || !dat.SetExtension(".dat")) return false;
  std::vector<std::uint8_t> packed;
  if (!ReadArchiveMember(*archive, dat.GetFileName(), kPackedWorkBytes, &packed)) return false;
  const std::int64_t size = HuffmanBlockSize(packed.data(), packed.size());
  if (size <= 0 || static_cast<std::uint64_t>(size) > kPictureWorkBytes) return false;
  out->resize(static_cast<std::size_t>(size));
  if (DecodeHuffman(packed.data(), packed.size(), out->data(), out->size()) != size) {
    out->clear();
    return false;
  }
  return true;
}

int LoadBitmapToBuffer(const std::string& name, CArc* archive, CBuffer& target) {
  std::vector<std::uint8_t> file;
  if (!LoadGraphicData(name, archive, &file)) return 0;
  // A file too short for its headers, or of sizes no picture has, draws
  // nothing; the screen still counts the picture as had.
  if (file.size() < 54 || target.Empty()) return 1;
  const std::int32_t width = static_cast<std::int32_t>(byteio::GetLE32(file.data() + 18));
  const std::int32_t height = static_cast<std::int32_t>(byteio::GetLE32(file.data() + 22));
  const std::uint16_t bits = byteio::GetLE16(file.data() + 28);
  if (width <= 0 || width > kMaxBufferSide || height == 0 || height > kMaxBufferSide || height < -kMaxBufferSide) {
    return 1;
  }
  const int rows = std::min(height < 0 ? -height : height, target.Height());
  const int w = std::min(width, target.Width());
  const bool topDown = height < 0;
  const int absHeight = height < 0 ? -height : height;
  std::uint8_t palette[1024] = {};
  std::size_t pixelOffset = 54;
  std::size_t bpp = 3;
  if (bits == 8) {
    std::memcpy(palette, file.data() + 54, std::min<std::size_t>(1024, file.size() - 54));
    pixelOffset = byteio::GetLE32(file.data() + 10);
    bpp = 1;
  }
  const std::size_t stride = (static_cast<std::size_t>(width) * bpp + 3) & ~static_cast<std::size_t>(3);
  for (int y = 0; y < rows; ++y) {
    const std::size_t fileRow = topDown ? static_cast<std::size_t>(y) : static_cast<std::size_t>(absHeight - 1 - y);
    const std::size_t at = pixelOffset + fileRow * stride;
    if (at >= file.size()) continue;
    const std::size_t have = std::min<std::size_t>(file.size() - at, static_cast<std::size_t>(w) * bpp) / bpp;
    std::uint8_t* dst = target.Row(y);
    for (std::size_t x = 0; x < have; ++x) {
      const std::uint8_t* s = bits == 8 ? palette + 4 * file[at + x] : file.data() + at + 3 * x;
      dst[4 * x] = s[0];
      dst[4 * x + 1] = s[1];
      dst[4 * x + 2] = s[2];
    }
  }
  return 1;
}

int LoadAbmToBuffer(const std::string& name, CArc* archive, CBuffer& target) {
  std::vector<std::uint8_t> file;
  if (!LoadGraphicData(name, archive, &file)) return 0;
  if (!target.Empty()) DecodeAbm(ByteSpan(file.data(), file.size()), target);
  return 1;
}

void DrawLayoutLook(const LayoutButton& b, int cellX, int cellY, const CBuffer& background, const CBuffer& chips,
                    CBuffer& target) {
  CopyPixelRect(target, background, b.x, b.y, b.w, b.h, b.x, b.y);
  AlphaBlitRect(target, chips, b.x, b.y, b.w, b.h, cellX, cellY);
}

void DrawLayoutButton(const LayoutButton& b, const CBuffer& background, const CBuffer& chips, CBuffer& target) {
  DrawLayoutLook(b, b.pressedX, b.pressedY, background, chips, target);
}

// ------------------------------------------------------------ sounds

void SetScreenSoundPlayer(ScreenSoundPlayer player) { g_pSoundPlayer = player ? player : &PlayByKind; }

int PlayVoiceCue(IProgMode& screen, const char* name) {
  if (!name || screen.CheckKey(KEY_CTRL) || !screen.m_bLoop || sjis::EqualNoCase(name, "nonfile")) return 0;
  return g_pSoundPlayer(0, name, "se", 0);
}

bool IsEffectChannelBusy() {
  CSoundSystem* snd = GetSoundSystem();
  return snd && snd->Channel(kFirstSeChannel).m_szName[0] != 0;
}

void StopVoiceCue() {
  CSoundSystem* snd = GetSoundSystem();
  if (!snd) return;
  // A cue the script is waiting for would otherwise keep it waiting for an
  // end that never comes.
  if (snd->m_nSeMode.load() == 3 && IsEffectChannelBusy()) EndWait();
  snd->HaltChannel(kFirstSeChannel);
}

// ------------------------------------------------------------ boxes and font

void ShowSurfaceFailure(pl::Window* owner, const char* surface) {
  pl::MessageBox(owner, std::string(surface) + SJ(" Surface の作成に失敗しました。"), SJ("メッセージ"), pl::MB_OK);
}

void CScreenFont::Select(int height, int weight) {
  CAntiFont& font = GetAntiFont();
  if (!m_bSelected) {
    m_bHadFont = font.HasFont();
    m_Saved = font.GetLogFont();
  }
  LogFontA lf = MakeLogFont(SJ("ＭＳ ゴシック"), height, weight);
  font.SetFont(lf);
  m_bSelected = true;
}

void CScreenFont::Restore() {
  if (!m_bSelected) return;
  m_bSelected = false;
  if (!m_bHadFont) return;
  // The renderer keeps its record at four times the height.
  LogFontA lf = m_Saved;
  lf.lfHeight /= 4;
  GetAntiFont().SetFont(lf);
}
