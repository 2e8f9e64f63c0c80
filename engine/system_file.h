// "system.dat": the live setting words, 1,292 bytes, no magic. Words 0 to
// 10 are fixed; the font face follows as a padded text of n words; the 269
// words after it move with n; zeros fill the rest.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/settings_record.h"

inline constexpr std::size_t kSystemFileSize = 1292;
inline constexpr const char* kSystemFileName = "system.dat";

// The file's bytes for the live words and the display-mode setting.
std::vector<std::uint8_t> EncodeSystemFile(const CSettings& s, std::int32_t displayMode);

// What decoding found.
struct SystemFileDecode {
  bool complete = false;   // every word was present and the face was sound
  std::int32_t displayMode = 0;
};
// Sets the live words from the file's bytes (up to 1,292 are looked at).
// The words start from their creation values, so words past the end of a
// short file keep them; a face without its NUL inside the 32-byte field
// takes the default face; then every word is brought into its range.
SystemFileDecode DecodeSystemFile(std::span<const std::uint8_t> bytes, CSettings* s);

// The "system.dat" of the program folder and the live words it stores. The
// engine object owns one (beside its CSettings) and calls Load during
// application set-up and Save at shutdown, after the read marks.
class CSystemFile {
 public:
  explicit CSystemFile(CSettings& settings) : m_Settings(settings) {}

  // LoadSystemFile. A missing file is made with the creation values. A file
  // that cannot be read leaves the live words at their creation values and
  // shows the read box; so does a short or damaged one, whose words are
  // taken as far as they go. The display mode is handed to the framework's
  // setting word. 1 when the file was read whole (or made), else 0.
  int Load(const std::string& programFolder);
  // SaveSystemFile: 1 on success; on failure the write box, 0. After a read
  // that failed, the player's file is left alone unless a setting has been
  // changed since (1 then, nothing written).
  int Save(const std::string& programFolder);

 private:
  CSettings& m_Settings;
  // The file's bytes the live words stood for after a failed read; a save
  // that would write exactly these writes nothing.
  std::vector<std::uint8_t> m_FailedReadImage;
};
