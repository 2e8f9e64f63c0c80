// Shared helpers of the test programs.
#pragma once
#include <string>

namespace kvtest {

// A fresh empty folder under the system's temporary folder; removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Path of one of the project's tools in the build.
std::string ToolPath(const std::string& name);
// Runs a command line through the shell; returns its exit status.
int RunCommand(const std::string& commandLine);
// Writes bytes to a file (creating folders on the way); false on failure.
bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace kvtest
