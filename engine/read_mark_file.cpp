#include "engine/read_mark_file.h"

#include "engine/save_file.h"
#include "engine/script_engine.h"
#include "framework/byte_io.h"
#include "framework/sjis.h"
#include "platform/file.h"
#include "platform/text.h"

std::string ReadMarkKey(std::string_view file, std::string_view label, std::string_view localLabel) {
  std::string key;
  key.reserve(file.size() + label.size() + localLabel.size() + 2);
  key.append(file).append(",").append(label).append(",").append(localLabel);
  return sjis::CutBounded(key, kReadMarkKeyMax);
}

std::vector<std::uint8_t> EncodeReadMarkFile(const ValueList& marks) {
  byteio::ByteWriter w;
  for (const ValueNode* n = marks.Head(); n; n = n->next) {
    // An empty key would read back as the end of the list.
    if (n->name.empty() || n->name[0] == '\0') continue;
    w.PaddedText(n->name);
    w.U32(static_cast<std::uint8_t>(VT_INT));
    w.I32(n->nValue);
  }
  w.U32(0);
  return w.Take();
}

bool DecodeReadMarkFile(std::span<const std::uint8_t> bytes, ValueList* out) {
  if (bytes.empty()) return true;
  byteio::ByteReader r(bytes);
  while (r.Remaining() > 0 && bytes[r.Position()] != 0) {
    std::string key = r.PaddedText();
    r.U32();  // the type word
    const std::int32_t line = r.I32();
    if (!r.Ok()) return false;
    // One node per key, however often a damaged or old file repeats it.
    if (ValueNode* had = out->Find(key)) {
      if (line > had->nValue) had->nValue = line;
    } else {
      out->AddInt(key, line);
    }
  }
  // The zero word ends the list.
  return r.Remaining() >= 4;
}

ValueNode* CReadMarks::Update(CScriptEngine& eng) {
  CScriptFrame& root = eng.m_Root;
  const std::string key = ReadMarkKey(root.m_strFile, eng.m_strLabel, eng.m_strLocalLabel);
  // The frame's cached node is trusted only when it is the one this list
  // handed out last (and has not cleared since): a pointer from elsewhere
  // is never read.
  ValueNode* node = (root.m_pReadMark && root.m_pReadMark == m_pCached) ? m_pCached : nullptr;
  if (!node || node->name != key) {
    node = m_List.Find(key);
    if (!node) node = m_List.AddInt(key, root.m_nLine);
  }
  root.m_pReadMark = m_pCached = node;
  if (root.m_nLine > node->nValue) node->nValue = root.m_nLine;
  return node;
}

int CReadMarks::Save(CScriptEngine& eng, const std::string& programFolder) {
  Update(eng);
  const std::vector<std::uint8_t> image = EncodeReadMarkFile(m_List);
  if (!pl::WriteFileReplacing(savefile::SavePath(programFolder, kReadMarkFileName), image)) {
    savefile::ShowBox(SJ("既読情報のセーブに失敗しました。"), SJ("確認"));
    return 0;
  }
  return 1;
}

int CReadMarks::Load(CScriptEngine& eng, const std::string& programFolder) {
  const std::string path = savefile::SavePath(programFolder, kReadMarkFileName);
  std::vector<std::uint8_t> bytes;
  constexpr std::size_t kMaxReadMarkFile = 256u << 20;
  const savefile::ReadResult rr = savefile::ReadLocked(path, &bytes, kMaxReadMarkFile);
  if (rr == savefile::ReadResult::kMissing) {
    if (!pl::WriteFileReplacing(path, {})) {
      savefile::ShowBox(SJ("既読情報のロードに失敗しました。"), SJ("エラー"));
      return 0;
    }
    return 1;
  }
  if (rr == savefile::ReadResult::kFailed) {
    savefile::ShowBox(SJ("既読情報のロードに失敗しました。"), SJ("エラー"));
    return 0;
  }
  ValueList read;
  const bool whole = DecodeReadMarkFile(bytes, &read);
  Clear(eng);
  for (const ValueNode* n = read.Head(); n; n = n->next) m_List.AddInt(n->name, n->nValue);
  if (!whole) {
    savefile::ShowBox(SJ("既読情報のロードに失敗しました。"), SJ("エラー"));
    return 0;
  }
  return 1;
}

void CReadMarks::Clear(CScriptEngine& eng) {
  m_List.Clear();
  m_pCached = nullptr;
  eng.m_Root.m_pReadMark = nullptr;
}

std::int32_t CReadMarks::LineOf(std::string_view key) const {
  const ValueNode* n = m_List.Find(key);
  return n ? n->nValue : -1;
}
