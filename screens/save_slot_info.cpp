#include "screens/save_slot_info.h"

#include <cstdio>
#include <vector>

#include "engine/save_file.h"
#include "engine/save_slot.h"
#include "engine/save_slot_format.h"
#include "platform/file.h"

namespace {

// The header holds nothing the labels need past the comment field.
constexpr std::size_t kHeaderBytes = kSlotCommentOffset + kSlotCommentSize;

std::string FieldText(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t size) {
  std::string out;
  for (std::size_t i = offset; i < offset + size && i < bytes.size() && bytes[i]; ++i) {
    out.push_back(static_cast<char>(bytes[i]));
  }
  return out;
}

}  // namespace

std::string SlotLabelPrefix(int slot) {
  if (slot == kQuickSlot) return "QSave:";
  if (slot == 99) return "No.00";
  char buf[16];
  std::snprintf(buf, sizeof buf, "No.%02d", slot + 1);
  return buf;
}

std::string SlotFilePath(const std::string& programFolder, int slot) {
  return savefile::SavePath(programFolder, SlotFileName(slot));
}

bool SlotFileTime(const std::string& gamePath, SlotTime* out) {
  pl::FileTime t;
  if (!pl::GetFileWriteTime(gamePath, &t)) return false;
  out->year = t.year;
  out->month = t.month;
  out->day = t.day;
  out->hour = t.hour;
  out->minute = t.minute;
  out->stamp = t.stamp;
  return true;
}

SaveSlotInfo ReadSlotInfo(const std::string& programFolder, int slot) {
  SaveSlotInfo info;
  const std::string prefix = SlotLabelPrefix(slot);
  const std::string path = SlotFilePath(programFolder, slot);
  std::vector<std::uint8_t> bytes;
  SlotTime when;
  if (savefile::ReadLocked(path, &bytes, kHeaderBytes, true) != savefile::ReadResult::kOk ||
      !SlotFileTime(path, &when)) {
    info.label = prefix + " ----/--/-- --:--";
    return info;
  }
  info.title = FieldText(bytes, kSlotTitleOffset, kSlotTitleSize);
  info.comment = FieldText(bytes, kSlotCommentOffset, kSlotCommentSize);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %04d/%02d/%02d %02d:%02d", prefix.c_str(), when.year, when.month, when.day,
                when.hour, when.minute);
  info.label = buf;
  info.present = true;
  return info;
}

int FindNewestSlot(const std::string& programFolder) {
  int newest = 255;
  std::int64_t newestStamp = 0;
  for (int slot = 0; slot < 100; ++slot) {
    const std::string path = SlotFilePath(programFolder, slot);
    pl::File f;
    if (!f.OpenRead(path)) continue;
    SlotTime when;
    if (!SlotFileTime(path, &when)) continue;
    if (newest == 255 || when.stamp > newestStamp) {
      newest = slot;
      newestStamp = when.stamp;
    }
  }
  return newest;
}
