// Shared set-up of the save-data tests: a fake backend, the program folder
// in a temporary folder with its "save" folder, and the boxes as UTF-8.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/save_file.h"
#include "framework/byte_io.h"
#include "framework/display_mode.h"
#include "platform/fake/fake_backend.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tests/engine/script_test_util.h"
#include "tests/support/process_state.h"
#include "tests/support/test_support.h"

namespace kvtest {

class SaveDataTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState(dir.path());
    ASSERT_TRUE(savefile::EnsureSaveFolder("K:"));
  }
  void TearDown() override {
    ResetProcessState();
  }

  std::string SavePath(const std::string& name) const { return dir / ("save/" + name); }
  std::vector<std::uint8_t> ReadBytes(const std::string& name) const {
    const std::string s = kvtest::ReadFile(SavePath(name));
    return std::vector<std::uint8_t>(s.begin(), s.end());
  }
  void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    ASSERT_TRUE(kvtest::WriteFile(SavePath(name), std::string(bytes.begin(), bytes.end())));
  }
  // "caption:text" of every box shown, in UTF-8.
  std::vector<std::string> Boxes() const { return BoxTexts(fake); }

  pl::FakeBackend fake;
  kvtest::TempDir dir;
};

// Holds an OFD write lock on the whole of a file, as another copy of the
// program in the middle of a transfer would.
class HeldLock {
 public:
  explicit HeldLock(const std::string& realPath) {
    EXPECT_TRUE(m_File.OpenNativeWrite(realPath, pl::File::kCreate));
    EXPECT_TRUE(m_File.Lock(0, 1 << 30));
  }

 private:
  pl::File m_File;
};

inline std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> words) {
  byteio::ByteWriter w;
  for (std::uint32_t v : words) w.U32(v);
  return w.Take();
}

}  // namespace kvtest
