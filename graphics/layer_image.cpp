#include "graphics/layer_image.h"

#include <algorithm>
#include <cstring>

#include "framework/arc.h"
#include "framework/globals.h"
#include "framework/huffman.h"
#include "graphics/blit.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

SpriteToneHook g_pToneHook = nullptr;

void ShowPictureBox(const std::string& what, const char* caption) {
  pl::MessageBox(GetMainWindowHandle(), std::string(SJ("不正なグラフィック指定：")) + what, caption, pl::MB_OK);
}

bool EndsWithBmp(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return ext == ".bmp";
}

int KindOf(int variant, int keep8) {
  switch (variant) {
    case kAbmBmp24: return 24;
    case kAbmCoded32: return 32;
    case kAbmIndexCoded: return -8;
    case kAbmStacked: return 1;
    case kAbmParts: return 2;
    case kAbmStackedCoded: return 3;
    case kAbmIndexed8: return keep8 ? 24 : 8;
    default: return 0;
  }
}

}  // namespace

void SetSpriteToneHook(SpriteToneHook hook) { g_pToneHook = hook; }

int FindPictureFile(const std::string& name, CArc* archive, std::vector<std::uint8_t>* bytes, bool* packed,
                    bool* asBmp, std::string* where) {
  const bool hasDot = name.find('.') != std::string::npos;
  const std::string tries[3] = {hasDot ? name : name + ".abm", hasDot ? name : name + ".bmp",
                                hasDot ? name : name + ".dat"};
  *packed = false;
  *asBmp = false;
  for (int i = 0; i < 3; ++i) {
    const std::string path = "K:\\GRP\\" + tries[i];
    pl::File f;
    if (!f.OpenRead(path)) continue;
    *where = path;
    const std::int64_t size = f.Size();
    const std::size_t cap = i == 2 ? kPackedWorkBytes : kPictureWorkBytes;
    if (size < 0 || static_cast<std::uint64_t>(size) > cap) return -1;
    bytes->resize(static_cast<std::size_t>(size));
    if (size > 0 && !f.ReadExactAt(0, bytes->data(), bytes->size())) return -1;
    *packed = i == 2;
    *asBmp = i == 1 || EndsWithBmp(tries[i]);
    return 1;
  }
  if (!archive) return 0;
  for (int i = 0; i < 3; ++i) {
    const std::int64_t size = archive->GetSize(tries[i]);
    if (size < 0) continue;
    *where = tries[i];
    const std::size_t cap = i == 2 ? kPackedWorkBytes : kPictureWorkBytes;
    if (static_cast<std::uint64_t>(size) > cap) return -1;
    bytes->resize(static_cast<std::size_t>(size));
    if (archive->Read(tries[i], bytes->data(), bytes->size()) != size) return -1;
    *packed = i == 2;
    *asBmp = i == 1 || EndsWithBmp(tries[i]);
    return 1;
  }
  return 0;
}

int DecodeLayerImage(CLayerImage& rec, ByteSpan file, int callerKind, int keep8, bool asBmp) {
  AbmHeader h;
  if (!ParseAbmHeader(file, &h) || !AbmSizeOk(h)) return 0;
  const int v = h.variant;
  // A ".bmp" holds what a BMP of 8 or 24 bits holds; anything else would
  // be misread as one of the coded variants.
  if (asBmp && !IsPlainBmp(h)) return 0;
  const int kind = KindOf(v, keep8);
  if (kind == 0) return 0;
  // Only plain BMP rows may run top-down; the coded variants have no such
  // form.
  if (h.height < 0 && v != kAbmBmp24 && v != kAbmIndexed8) return 0;
  int w = h.width, hh = h.height < 0 ? -h.height : h.height;
  bool rescale = false;
  if (callerKind == 6) {
    // A rule picture is a plane of 8-bit rule values; a picture of another
    // depth has none to give.
    if (v != kAbmIndexed8 || keep8) return 0;
    rescale = w != 1024 || hh != 600;
    w = 1024;
    hh = 600;
  }
  const bool stacked = kind == 1 || kind == 3;
  if (stacked && (h.frameCount == 0 || static_cast<std::uint64_t>(w) * hh * h.frameCount > kMaxPicturePixels)) return 0;

  AbmPartSet parts;
  if (kind == 2 && !DecodeParts(file, h, &parts)) return 0;

  const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(hh);
  // Same kind and size (and not an animated kind): the block is reused.
  const bool reuse = kind == rec.m_nKind && w == rec.m_nWidth && hh == rec.m_nHeight && !stacked && kind != 2;
  std::vector<std::uint32_t> px;
  std::vector<std::uint8_t> plane, alpha;
  if (reuse) {
    px.swap(rec.m_Pixels);
    plane.swap(rec.m_Plane);
    alpha.swap(rec.m_Alpha);
  }
  switch (kind) {
    case 1:
    case 3:
      px.assign(pixels * h.frameCount, 0);
      DecodeStackedFrames(file, h, px.data());
      break;
    case 24:
      px.resize(pixels);
      if (v == kAbmBmp24)
        DecodeBmp24(file, h, px.data());
      else
        DecodeBmp8To32(file, h, px.data());
      break;
    case 32:
      px.resize(pixels);
      DecodeSingleImage(file, h, reinterpret_cast<std::uint8_t*>(px.data()), pixels);
      break;
    case -8: {
      plane.resize(pixels);
      alpha.resize(pixels);
      const ByteSpan data = h.pixelOffset < file.size() ? file.subspan(h.pixelOffset) : ByteSpan{};
      DecodeIndexCodingPlanes(data, plane.data(), alpha.data(), pixels);
      break;
    }
    case 8:
      plane.assign(pixels, 0);
      if (!rescale) {
        DecodeBmp8Indices(file, h, plane.data());
      } else {
        // The file's rows, bottom-up and padded, whole (zeros where the
        // file ends early), then scaled into the 1024 x 600 plane.
        const int sw = h.width, sh = h.height < 0 ? -h.height : h.height;
        const std::size_t stride = (static_cast<std::size_t>(sw) + 3) & ~static_cast<std::size_t>(3);
        std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(sh), 0);
        for (int r = 0; r < sh; ++r) {
          const ByteSpan row = BmpRow(file, h.pixelOffset, sw, h.height, 1, r);
          if (!row.empty()) std::memcpy(&rows[(static_cast<std::size_t>(sh) - 1 - r) * stride], row.data(), row.size());
        }
        StretchCopy8(plane.data(), 1024, 600, rows.data(), sw, sh, static_cast<int>(stride));
      }
      break;
    default:
      break;
  }

  // Everything decoded: only now does the record change.
  rec.m_State0[0] = rec.m_State0[1] = rec.m_State0[2] = 0;
  rec.m_nRowsLessOne = 0;
  rec.m_nState2 = 0;
  rec.m_nShownState = 0;
  if (v == kAbmIndexCoded || (v == kAbmIndexed8 && !keep8)) {
    rec.m_Palette.resize(1024);
    LoadAbmPalette(file, rec.m_Palette.data());
  }
  rec.m_nKind = static_cast<std::int8_t>(kind);
  rec.m_nWidth = static_cast<std::int16_t>(w);
  rec.m_nHeight = static_cast<std::int16_t>(hh);
  rec.m_Pixels.swap(px);
  rec.m_Plane.swap(plane);
  rec.m_Alpha.swap(alpha);
  FreeFrameTable(rec);
  FreeFrameList(rec);
  rec.m_Sequence.clear();
  rec.m_nPosition = 0;
  rec.m_nCurSeq = 0;
  if (stacked || kind == 2) {
    const ByteSpan seq = AbmSequenceData(file, h);
    rec.m_Sequence.assign(seq.begin(), seq.end());
    rec.m_nFrameCount = h.frameCount;
    rec.m_nGroupCount = h.groupCount;
  } else {
    rec.m_nFrameCount = rec.m_nGroupCount = 1;
  }
  if (kind == 2) {
    rec.m_Parts = std::move(parts);
    rec.m_Groups.resize(rec.m_nGroupCount);
    for (int g = 0; g < rec.m_nGroupCount; ++g) {
      SequenceRecord r;
      FindSequenceRecord(rec.SequenceData(), g, &r);
      ImageGroupRecord& gr = rec.m_Groups[g];
      gr.m_nSeqLength = static_cast<std::uint16_t>(r.Length());
      gr.m_nPosition = 0;
      gr.m_nMode = r.mode;
      // Voice-driven mouths (mode 2) stand still until a voice speaks.
      gr.m_bRunning = r.mode == 2 ? 0 : 1;
      gr.m_nWait = 0;
      gr.m_Rect = rec.m_Parts.groups[g];
    }
  }
  return 1;
}

int LoadLayerImage(CLayerImage& rec, const char* name, int callerKind, CArc* archive, int toneFlag, int keep8) {
  const std::string n = name ? name : "";
  // The record keeps names in 16 bytes: a longer name cannot be a picture.
  if (n.empty() || n.size() > 15) {
    ShowPictureBox(n, SJ("ファイルオープンエラー"));
    return 0;
  }
  std::vector<std::uint8_t> bytes;
  bool packed = false, asBmp = false;
  std::string where;
  const int found = FindPictureFile(n, archive, &bytes, &packed, &asBmp, &where);
  if (found == 0) {
    ShowPictureBox(n, SJ("ファイルオープンエラー"));
    return 0;
  }
  if (found < 0) {
    ShowPictureBox(pl::DisplayPath(where), SJ("ファイルリードエラー"));
    return 0;
  }
  if (packed) {
    const std::int64_t size = HuffmanBlockSize(bytes.data(), bytes.size());
    std::vector<std::uint8_t> out;
    if (size >= 0 && static_cast<std::uint64_t>(size) <= kPictureWorkBytes) out.resize(static_cast<std::size_t>(size));
    if (size < 0 || static_cast<std::uint64_t>(size) > kPictureWorkBytes ||
        DecodeHuffman(bytes.data(), bytes.size(), out.data(), out.size()) != size) {
      ShowPictureBox(pl::DisplayPath(where), SJ("ファイルリードエラー"));
      return 0;
    }
    bytes.swap(out);
  }
  if (!DecodeLayerImage(rec, ByteSpan(bytes.data(), bytes.size()), callerKind, keep8, asBmp)) {
    ShowPictureBox(n, SJ("ファイルリードエラー"));
    return 0;
  }
  std::memset(rec.m_szName, 0, sizeof rec.m_szName);
  std::memcpy(rec.m_szName, n.data(), n.size());
  if (toneFlag == 1 && g_pToneHook) g_pToneHook(rec);
  return 1;
}

void FreeFrameTable(CLayerImage& rec) { rec.m_Parts = AbmPartSet{}; }
void FreeFrameList(CLayerImage& rec) { rec.m_Groups.clear(); }

const AbmGroupRect* GetFrameImage(const CLayerImage& rec, int i) {
  if (rec.m_nKind != 2 || i < 0 || static_cast<std::size_t>(i) >= rec.m_Groups.size()) return nullptr;
  return &rec.m_Groups[i].m_Rect;
}

int GetImageSequenceLength(const CLayerImage& rec, int i) {
  SequenceRecord r;
  FindSequenceRecord(rec.SequenceData(), i, &r);
  return r.Length();
}

void ApplyImageTone(CLayerImage& rec, int tone) {
  if (rec.m_nKind != 1 && rec.m_nKind != 3) return;
  ApplyTone(rec.m_Pixels.data(), rec.m_Pixels.size(), tone, *GetMmxFlag() == 1);
}

void ApplyImageToneFrames(CLayerImage& rec, int tone) {
  if (rec.m_nKind != 2) return;
  SequenceRecord seq0;
  FindSequenceRecord(rec.SequenceData(), 0, &seq0);
  int highest = 0;
  for (std::size_t i = 0; i < seq0.frames.size() / 2; ++i) highest = std::max<int>(highest, seq0.Frame(static_cast<int>(i)));
  const bool simd = *GetMmxFlag() == 1;
  for (std::size_t k = 0; k < rec.m_Parts.parts.size(); ++k) {
    AbmPart& p = rec.m_Parts.parts[k];
    if (p.group == 0 && static_cast<int>(k) > highest) continue;
    ApplyTone(p.pixels.data(), p.pixels.size(), tone, simd);
  }
  for (auto& c : rec.m_Parts.composites) ApplyTone(c.data(), c.size(), tone, simd);
}
