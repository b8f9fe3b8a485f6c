#include "platform/file/append_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kvt::file {

AppendFile::AppendFile(AppendFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      dev_(other.dev_),
      ino_(other.ino_),
      size_(other.size_) {}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    dev_ = other.dev_;
    ino_ = other.ino_;
    size_ = other.size_;
  }
  return *this;
}

void AppendFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  size_ = 0;
}

bool AppendFile::follow(const std::string& path, const struct stat* status) {
  if (fd_ >= 0 && status && path == path_ && static_cast<std::uint64_t>(status->st_dev) == dev_ &&
      static_cast<std::uint64_t>(status->st_ino) == ino_) {
    size_ = static_cast<std::int64_t>(status->st_size);
    return true;
  }
  close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = path;
  dev_ = static_cast<std::uint64_t>(st.st_dev);
  ino_ = static_cast<std::uint64_t>(st.st_ino);
  size_ = static_cast<std::int64_t>(st.st_size);
  return true;
}

bool AppendFile::follow(const std::string& path) {
  struct stat st;
  return follow(path, ::stat(path.c_str(), &st) == 0 ? &st : nullptr);
}

bool AppendFile::append(std::string_view bytes) {
  if (fd_ < 0) return false;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      close();
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  size_ += static_cast<std::int64_t>(bytes.size());
  return true;
}

}  // namespace kvt::file
