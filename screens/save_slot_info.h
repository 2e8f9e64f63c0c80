// What the save and load screens show of a slot without loading it: its
// label (number and last-write time), the title and comment fields of its
// header, and which slot holds the newest save.
#pragma once
#include <cstdint>
#include <string>

struct SaveSlotInfo {
  std::string label;    // "No.01 2026/12/10 12:34", or with "----/--/-- --:--"
  std::string title;    // CP932
  std::string comment;  // CP932
  bool present = false;
};

// The label prefix of a slot: "No.%02d" with slot + 1 for 0 to 98, "No.00"
// for 99, "QSave:" for the quick slot.
std::string SlotLabelPrefix(int slot);
// The slot file's game path under the program folder.
std::string SlotFilePath(const std::string& programFolder, int slot);

// The last-write time of a file as local time; false when it is missing.
struct SlotTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  std::int64_t stamp = 0;  // for ordering
};
bool SlotFileTime(const std::string& gamePath, SlotTime* out);

// The label and the header texts of the slot. A file that does not open
// gives the dashed label and present = false. The texts are read only as
// far as the file holds them and never past their fields.
SaveSlotInfo ReadSlotInfo(const std::string& programFolder, int slot);

// The slot (0 to 99) written last; the lower number wins a tie. 255 when
// none exists.
int FindNewestSlot(const std::string& programFolder);
