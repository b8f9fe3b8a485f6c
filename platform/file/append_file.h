#pragma once

// A file appended to through a descriptor kept open while its name still
// leads to it. Each append is one write() (repeated only for what a write left
// over), so the bytes are in the kernel when it returns, as with an open,
// write and close per append, without the open and close.
//
// Whoever deletes, renames or replaces the file meanwhile is followed: the
// caller passes what stat() says of the name now, and a name that leads to
// another file (or to none) is opened again (created when absent).
//
//   file::AppendFile f;
//   if (!f.follow(path)) ...              // or follow(path, &statusJustRead)
//   if (!f.append(bytes)) ...             // the file is let go on a failure
//   f.size();                             // its size after the append

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::file {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;
  AppendFile(AppendFile&& other) noexcept;
  AppendFile& operator=(AppendFile&& other) noexcept;

  // Makes path the file appended to. status is what stat() gave for path just
  // now, or null when path names no file. The descriptor held is kept when
  // status is the file it holds; otherwise path is opened again. False when
  // path cannot be opened as a regular file.
  bool follow(const std::string& path, const struct stat* status);
  // The same, looking at path itself.
  bool follow(const std::string& path);

  // Writes every byte at the end of the file. False when a write fails; the
  // file is then let go, and the next follow opens it again.
  bool append(std::string_view bytes);

  // The file's size when last followed, plus what was appended since.
  std::int64_t size() const { return size_; }
  bool isOpen() const { return fd_ >= 0; }
  void close();

 private:
  int fd_ = -1;
  std::string path_;
  std::uint64_t dev_ = 0, ino_ = 0;
  std::int64_t size_ = 0;
};

}  // namespace kvt::file
