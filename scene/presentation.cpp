#include "scene/presentation.h"

#include "framework/arc.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "scene/object_tables.h"
#include "screens/screen_base.h"

namespace {
ScenePresentation g_Presentation;

void MessageBoxOfScene(const char* text) { pl::MessageBox(GetMainWindowHandle(), text, SJ("メッセージ"), pl::MB_OK); }

// Decodes a picture file into a 32-bit record (8-bit pictures widened).
bool DecodeInto(CLayerImage& record, const std::vector<std::uint8_t>& bytes, const char* name) {
  const std::string n = name;
  const bool asBmp = n.size() >= 4 && (n.compare(n.size() - 4, 4, ".bmp") == 0 || n.compare(n.size() - 4, 4, ".BMP") == 0);
  if (!DecodeLayerImage(record, ByteSpan(bytes.data(), bytes.size()), 0, 1, asBmp)) return false;
  // Drawn from m_Pixels only: kinds without a whole 32-bit block are no use.
  if ((record.m_nKind != 24 && record.m_nKind != 32) || record.m_nWidth <= 0 || record.m_nHeight <= 0 ||
      record.m_Pixels.size() < static_cast<std::size_t>(record.m_nWidth) * record.m_nHeight) {
    ClearLayerImage(record);
    return false;
  }
  sjis::CopyBounded(record.m_szName, sizeof record.m_szName, name);
  return true;
}

}  // namespace

ScenePresentation& Presentation() { return g_Presentation; }

void ResetPresentation() { g_Presentation = ScenePresentation{}; }

std::uint32_t FillColorRef() {
  const std::uint32_t c = g_Presentation.m_dwFillColor;
  return ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16);
}

bool LoadGraphicFile(const char* name, CArc* archive, std::vector<std::uint8_t>* out) {
  if (!name || !*name || !out) return false;
  out->clear();
  const std::string path = std::string("K:\\grp\\") + name;
  if (pl::FileExists(path)) {
    // A file of 0 bytes gives nothing, as a failed read does.
    if (pl::ReadWholeFile(path, out, kPictureWorkBytes) && !out->empty()) return true;
    out->clear();
    return false;
  }
  if (!archive) return false;
  const std::int64_t size = archive->GetSize(name);
  if (size <= 0 || static_cast<std::uint64_t>(size) > kPictureWorkBytes) return false;
  out->resize(static_cast<std::size_t>(size));
  if (archive->Read(name, out->data(), out->size()) != size) {
    out->clear();
    return false;
  }
  return true;
}

void LoadNameWindow(CArc* archive) {
  ScenePresentation& p = g_Presentation;
  ClearLayerImage(p.m_NameWindow);
  p.m_bNameWindowLoaded = 0;
  std::vector<std::uint8_t> bytes;
  if (!LoadGraphicFile("namewnd1.abm", archive, &bytes)) {
    MessageBoxOfScene(SJ("名前ウインドウデータの読み込みに失敗しました。"));
    return;
  }
  if (!DecodeInto(p.m_NameWindow, bytes, "namewnd1.abm")) {
    MessageBoxOfScene(SJ("NameWnd Surface の作成に失敗しました。"));
    return;
  }
  p.m_bNameWindowLoaded = 1;
}

int LoadCellImage(CLayerImage& record, const char* name, CArc* archive) {
  ClearLayerImage(record);
  std::vector<std::uint8_t> bytes;
  // The cells come through the screens' picture loader, which also takes
  // the archive's packed ".dat" form of the name.
  if (!LoadGraphicData(name ? name : "", archive, &bytes) || bytes.empty()) {
    MessageBoxOfScene(SJ("セルＢＭＰデータの読み込みに失敗しました。"));
    return 0;
  }
  if (!DecodeInto(record, bytes, name)) {
    MessageBoxOfScene(SJ("セル Surface の作成に失敗しました。"));
    return 0;
  }
  return 1;
}

void LoadScenePictures(CArc* archive) {
  ScenePresentation& p = g_Presentation;
  LoadNameWindow(archive);
  p.m_bMessageCellLoaded = LoadCellImage(p.m_MessageCell, "msgcell1.bmp", archive);
  p.m_bNameCellLoaded = LoadCellImage(p.m_NameCell, "namecell1.bmp", archive);
}

void ReleaseScenePictures() {
  ScenePresentation& p = g_Presentation;
  ClearLayerImage(p.m_NameWindow);
  ClearLayerImage(p.m_MessageCell);
  ClearLayerImage(p.m_NameCell);
  p.m_bNameWindowLoaded = p.m_bMessageCellLoaded = p.m_bNameCellLoaded = 0;
}
