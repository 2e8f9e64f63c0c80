#include "platform/instance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace pl {

bool SingleInstance::Acquire(const std::string& name) {
  if (fd_ >= 0) return true;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  // Abstract namespace: a leading NUL, no file on disk.
  size_t len = std::min(name.size(), sizeof(addr.sun_path) - 1);
  std::memcpy(addr.sun_path + 1, name.data(), len);
  socklen_t addrLen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + len);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), addrLen) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void SingleInstance::Release() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

}  // namespace pl
