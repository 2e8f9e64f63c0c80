// The read marks: for every script section (file, label, local label of the
// root frame) the highest line reached, and "readal.dat", which keeps them:
// records of the key as a padded text, the type word '%' and the line,
// ended by a zero word (a file of 0 bytes is an empty list too).
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/value_node.h"

class CScriptEngine;

inline constexpr const char* kReadMarkFileName = "readal.dat";
// Keys are formed in a 256-byte buffer.
inline constexpr std::size_t kReadMarkKeyMax = 255;

// "%s,%s,%s" of file, label and local label, cut to 255 bytes on a
// character boundary.
std::string ReadMarkKey(std::string_view file, std::string_view label, std::string_view localLabel);

std::vector<std::uint8_t> EncodeReadMarkFile(const ValueList& marks);
// Appends the records to `out`, a key met twice keeping the higher line.
// False when the file ends inside a record or before its zero word: the
// records before the damage have been appended.
bool DecodeReadMarkFile(std::span<const std::uint8_t> bytes, ValueList* out);

// The read-mark list of the run. The engine object owns one; the text reveal
// and `cvon` call Update (through the scene), start-up calls Load, and Save
// runs at a return to the title, after every game save and load, and at
// shutdown before "system.dat".
class CReadMarks {
 public:
  // UpdateReadMark: the node of the root frame's current key, its line
  // raised to the current line. The root frame caches the node; the cache
  // is used only while it is the node this list last gave it, and every
  // clear here drops it, so it never dangles.
  ValueNode* Update(CScriptEngine& eng);
  // SaveReadMarkFile (Update first): 1, or the write box and 0.
  int Save(CScriptEngine& eng, const std::string& programFolder);
  // LoadReadMarkFile: a missing file is made empty. After a read that
  // failed the list is left as it was; a damaged file gives the records
  // before the damage. Both show the read box and give 0.
  int Load(CScriptEngine& eng, const std::string& programFolder);
  void Clear(CScriptEngine& eng);

  const ValueList& List() const { return m_List; }
  // The highest line recorded for a key, -1 when none.
  std::int32_t LineOf(std::string_view key) const;

 private:
  ValueList m_List;
  ValueNode* m_pCached = nullptr;  // the node last given to the root frame
};
