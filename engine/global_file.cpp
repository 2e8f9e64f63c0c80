#include "engine/global_file.h"

#include <bit>
#include <cstring>

#include "engine/save_file.h"
#include "engine/value_node.h"
#include "framework/byte_io.h"
#include "platform/file.h"
#include "platform/text.h"

namespace {

constexpr std::uint8_t kEndMark[4] = {'R', 'F', 0, 0};
constexpr std::uint8_t kNameEnd = 0x9F;  // the scrambled NUL
constexpr std::uint8_t kScramble = 0x61;

bool AtEndMark(const byteio::ByteReader& r, std::span<const std::uint8_t> bytes) {
  // All four bytes: a name may scramble to 'R', 'F', 0 in its first three.
  return r.Remaining() >= 4 && std::memcmp(bytes.data() + r.Position(), kEndMark, 4) == 0;
}

}  // namespace

std::vector<std::uint8_t> EncodeGlobalFile(const ValueList& globals) {
  byteio::ByteWriter w;
  for (const ValueNode* n = globals.Head(); n; n = n->next) {
    const std::string_view name(n->name.c_str());  // up to an inner NUL, as the field can hold no more
    const std::size_t start = w.Size();
    for (char c : name) w.U8(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) - kScramble));
    w.U8(kNameEnd);
    w.Zeros(start + (name.size() + 5) / 4 * 4 - w.Size());
    w.U32(static_cast<std::uint8_t>(n->type));
    switch (n->type) {
      case VT_INT:
        w.I32(n->nValue);
        break;
      case VT_FLOAT:
        w.U32(std::bit_cast<std::uint32_t>(n->fValue));
        break;
      case VT_TEXT:
        w.PaddedText(n->text);
        break;
      default:
        break;
    }
  }
  w.Bytes(kEndMark, 4);
  return w.Take();
}

bool DecodeGlobalFile(std::span<const std::uint8_t> bytes, ValueList* out) {
  byteio::ByteReader r(bytes);
  while (!AtEndMark(r, bytes)) {
    const std::size_t start = r.Position();
    const std::size_t left = r.Remaining();
    const void* endp = left ? std::memchr(bytes.data() + start, kNameEnd, left) : nullptr;
    if (!endp) return false;
    const std::size_t len = static_cast<std::size_t>(static_cast<const std::uint8_t*>(endp) - (bytes.data() + start));
    if (!r.Skip((len + 5) / 4 * 4)) return false;
    std::string name(len, '\0');
    for (std::size_t i = 0; i < len; ++i) {
      name[i] = static_cast<char>(static_cast<std::uint8_t>(bytes[start + i] + kScramble));
    }
    const std::uint32_t typeWord = r.U32();
    if (!r.Ok()) return false;
    const char type = static_cast<char>(typeWord & 0xFF);
    if (type == VT_INT || type == VT_FLOAT) {
      const std::uint32_t v = r.U32();
      if (!r.Ok()) return false;
      if (type == VT_INT) {
        out->AddInt(name, static_cast<std::int32_t>(v));
      } else {
        out->AddFloat(name, std::bit_cast<float>(v));
      }
    } else if (type == VT_TEXT) {
      std::string text = r.PaddedText();
      if (!r.Ok()) return false;
      out->AddText(name, text);
    }
  }
  return true;
}

int SaveGlobalFile(const std::string& programFolder, const ValueList& globals) {
  const std::vector<std::uint8_t> image = EncodeGlobalFile(globals);
  if (!pl::WriteFileReplacing(savefile::SavePath(programFolder, kGlobalFileName), image)) {
    savefile::ShowBox(SJ("グローバル変数のセーブに失敗しました。"), SJ("確認"));
    return 0;
  }
  return 1;
}

int LoadGlobalFile(const std::string& programFolder, ValueList& globals) {
  const std::string path = savefile::SavePath(programFolder, kGlobalFileName);
  std::vector<std::uint8_t> bytes;
  // Far beyond any real list; a longer file is not ours.
  constexpr std::size_t kMaxGlobalFile = 64u << 20;
  const savefile::ReadResult rr = savefile::ReadLocked(path, &bytes, kMaxGlobalFile);
  if (rr == savefile::ReadResult::kMissing) {
    if (!pl::WriteFileReplacing(path, std::span<const std::uint8_t>(kEndMark, 4))) {
      savefile::ShowBox(SJ("グローバル変数のロードに失敗しました。"), SJ("エラー"));
      return 0;
    }
    return 1;
  }
  if (rr == savefile::ReadResult::kFailed) {
    savefile::ShowBox(SJ("グローバル変数のロードに失敗しました。"), SJ("エラー"));
    return 0;
  }
  ValueList read;
  const bool whole = DecodeGlobalFile(bytes, &read);
  globals.Clear();
  for (const ValueNode* n = read.Head(); n; n = n->next) globals.AddCopy(*n);
  if (!whole) {
    savefile::ShowBox(SJ("グローバル変数のロードに失敗しました。"), SJ("エラー"));
    return 0;
  }
  return 1;
}

const std::string* FindScriptVariable(const ValueList& globals, std::int32_t* out, std::string_view name) {
  if (out) *out = 0;
  const ValueNode* n = globals.FindNoCase(name);
  if (!n) return nullptr;
  if (n->type == '$') return &n->text;
  if (n->type == '%' && out) *out = n->nValue;
  return nullptr;
}
