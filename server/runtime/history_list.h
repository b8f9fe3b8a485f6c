#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace kvt::runtime {

// The history list of the status window, kept as a model: log entries shown on
// screen go to its top, the telecommand processor appends at its bottom.
// The counters let a view bring itself up to date with only what changed.
class HistoryList {
 public:
  void insertTop(std::string line) {
    lines_.push_front(std::move(line));
    ++insertedTop_;
  }
  void append(std::string line) {
    lines_.push_back(std::move(line));
    ++appended_;
  }
  void clear() {
    lines_.clear();
    ++clears_;
  }
  std::size_t size() const { return lines_.size(); }
  const std::string& at(std::size_t i) const { return lines_.at(i); }
  const std::deque<std::string>& lines() const { return lines_; }

  // Lines ever inserted at the top, appended at the bottom, and times cleared.
  std::uint64_t insertedTop() const { return insertedTop_; }
  std::uint64_t appended() const { return appended_; }
  std::uint64_t clears() const { return clears_; }

 private:
  std::deque<std::string> lines_;
  std::uint64_t insertedTop_ = 0;
  std::uint64_t appended_ = 0;
  std::uint64_t clears_ = 0;
};

}  // namespace kvt::runtime
