#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace kvt::runtime {

// The history list of the status window, kept as a model: log entries shown on
// screen go to its top, the telecommand processor appends at its bottom.
class HistoryList {
 public:
  void insertTop(std::string line) { lines_.push_front(std::move(line)); }
  void append(std::string line) { lines_.push_back(std::move(line)); }
  void clear() { lines_.clear(); }
  std::size_t size() const { return lines_.size(); }
  const std::string& at(std::size_t i) const { return lines_.at(i); }
  const std::deque<std::string>& lines() const { return lines_; }

 private:
  std::deque<std::string> lines_;
};

}  // namespace kvt::runtime
