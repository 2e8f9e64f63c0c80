#include "tests/support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvtest {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kivzo-test-XXXXXX").string();
  char* p = mkdtemp(tmpl.data());
  path_ = p ? p : tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ToolPath(const std::string& name) { return std::string(KIVZO_TOOLS_DIR) + "/" + name; }

int RunCommand(const std::string& commandLine) {
  int rc = std::system(commandLine.c_str());
  if (rc == -1) return -1;
  return WEXITSTATUS(rc);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace kvtest
