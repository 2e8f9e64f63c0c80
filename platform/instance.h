// The single-instance lock: a name bound in the abstract UNIX socket
// namespace. The kernel frees it when the process ends, however it ends.
#pragma once
#include <string>

namespace pl {

class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance() { Release(); }
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now holds the name; false when another process
  // (or another holder in this one) has it, or the system refuses.
  bool Acquire(const std::string& name);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace pl
