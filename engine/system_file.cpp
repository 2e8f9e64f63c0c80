#include "engine/system_file.h"

#include <algorithm>
#include <cstring>

#include "engine/save_file.h"
#include "framework/byte_io.h"
#include "framework/display_mode.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

// The face takes at most the 32-byte field: 8 words.
constexpr std::size_t kMaxFaceWords = kFontFaceSize / 4;

// The words after the face, in file order. Each entry names the live word.
template <typename F>
void ForEachWordAfterFace(CSettings& s, F&& f) {
  f(s.m_nFontSize);
  f(s.m_bSoundFade);
  f(s.m_bDuckBgm);
  f(s.m_bVoiceStop);
  f(s.m_nVoiceGroups);
  f(s.m_bAutoMode);
  f(s.m_nAutoCharWait);
  f(s.m_nAutoPageWait);
  f(s.m_nAutoMinWait);
  f(s.m_bAutoAdvance);
  f(s.m_nWindowOpacity);
  f(s.m_bKeyOption);
  f(s.m_nMode01);
  for (std::int32_t& v : s.m_nSpeakerVolume) f(v);
  for (std::int32_t& v : s.m_bSpeakerVoice) f(v);
}

template <typename F>
void ForEachWordBeforeFace(CSettings& s, std::int32_t& displayMode, F&& f) {
  f(displayMode);
  f(s.m_bBgm);
  f(s.m_bVoice);
  f(s.m_bSe);
  f(s.m_bNoEffect);
  f(s.m_nBgmVolume);
  f(s.m_nVoiceVolume);
  f(s.m_nSeVolume);
  f(s.m_nTextSpeed);
  f(s.m_bAntiAlias);
  f(s.m_bSkipReadOnly);
}

}  // namespace

std::vector<std::uint8_t> EncodeSystemFile(const CSettings& settings, std::int32_t displayMode) {
  // The walkers take the words by reference; writing reads them only.
  CSettings& s = const_cast<CSettings&>(settings);
  byteio::ByteWriter w;
  ForEachWordBeforeFace(s, displayMode, [&](std::int32_t& v) { w.I32(v); });
  // Only a face that fits its field is ever written: anything else would
  // move every later word.
  w.PaddedText(IsValidFontFace(s.m_strFontFace) ? s.m_strFontFace : std::string(s.DefaultSettings().m_szFontFace));
  ForEachWordAfterFace(s, [&](std::int32_t& v) { w.I32(v); });
  w.Zeros(kSystemFileSize - w.Size());
  return w.Take();
}

SystemFileDecode DecodeSystemFile(std::span<const std::uint8_t> bytes, CSettings* s) {
  SystemFileDecode out;
  s->SetCreationValues();
  std::int32_t displayMode = s->DefaultSettings().m_nDisplayMode;
  const std::size_t size = std::min(bytes.size(), kSystemFileSize);
  byteio::ByteReader r(bytes.data(), size);
  bool complete = true;
  auto take = [&](std::int32_t& v) {
    if (r.Remaining() < 4) {
      complete = false;
      return;
    }
    v = r.I32();
  };
  ForEachWordBeforeFace(*s, displayMode, take);

  // The face: its NUL must lie inside the 32-byte field; the field then
  // takes (length + 4) / 4 words. Without it the default face stands and the
  // field is taken as its full 8 words.
  std::size_t faceWords = kMaxFaceWords;
  const std::size_t faceStart = r.Position();
  const std::size_t look = std::min(kFontFaceSize, size - std::min(size, faceStart));
  const std::uint8_t* nul = complete ? static_cast<const std::uint8_t*>(std::memchr(bytes.data() + faceStart, 0, look))
                                     : nullptr;
  if (nul) {
    const std::size_t len = static_cast<std::size_t>(nul - (bytes.data() + faceStart));
    faceWords = (len + 4) / 4;
    const std::string face(reinterpret_cast<const char*>(bytes.data() + faceStart), len);
    if (IsValidFontFace(face)) {
      s->m_strFontFace = face;
    } else {
      complete = false;
    }
  } else {
    complete = false;
  }
  if (!r.Seek(std::min(size, faceStart + faceWords * 4))) complete = false;
  ForEachWordAfterFace(*s, take);
  s->m_nFontSizeWork = s->m_nFontSize;

  out.complete = complete;
  out.displayMode = std::clamp(displayMode, 0, 2);
  s->Validate();
  return out;
}

int CSystemFile::Load(const std::string& programFolder) {
  m_FailedReadImage.clear();
  const std::string path = savefile::SavePath(programFolder, kSystemFileName);
  std::vector<std::uint8_t> bytes;
  const savefile::ReadResult rr = savefile::ReadLocked(path, &bytes, kSystemFileSize, true);
  if (rr == savefile::ReadResult::kMissing) {
    m_Settings.SetCreationValues();
    SetDisplayModeWord(m_Settings.DefaultSettings().m_nDisplayMode);
    const std::vector<std::uint8_t> image = EncodeSystemFile(m_Settings, m_Settings.DefaultSettings().m_nDisplayMode);
    if (!pl::WriteFileReplacing(path, image)) {
      savefile::ShowBox(SJ("システム情報のセーブに失敗しました。"), SJ("確認"));
      return 0;
    }
    return 1;
  }
  if (rr == savefile::ReadResult::kFailed) {
    // The words must not stay at whatever they held before (zeros at
    // start-up: the loudest volume, an empty face).
    m_Settings.SetCreationValues();
    SetDisplayModeWord(m_Settings.DefaultSettings().m_nDisplayMode);
    m_FailedReadImage = EncodeSystemFile(m_Settings, m_Settings.DefaultSettings().m_nDisplayMode);
    savefile::ShowBox(SJ("システム情報のロードに失敗しました。"), SJ("エラー"));
    return 0;
  }
  const SystemFileDecode d = DecodeSystemFile(bytes, &m_Settings);
  SetDisplayModeWord(d.displayMode);
  if (!d.complete) {
    savefile::ShowBox(SJ("システム情報のロードに失敗しました。"), SJ("エラー"));
    return 0;
  }
  return 1;
}

int CSystemFile::Save(const std::string& programFolder) {
  const std::vector<std::uint8_t> image = EncodeSystemFile(m_Settings, GetDisplayModeSetting());
  if (!m_FailedReadImage.empty() && image == m_FailedReadImage) return 1;
  const std::string path = savefile::SavePath(programFolder, kSystemFileName);
  if (!pl::WriteFileReplacing(path, image)) {
    savefile::ShowBox(SJ("システム情報のセーブに失敗しました。"), SJ("確認"));
    return 0;
  }
  m_FailedReadImage.clear();
  return 1;
}
