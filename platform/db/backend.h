#pragma once

// Internals shared by the dialect layer and the backends; not for callers.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/db.h"

namespace kvt::db::detail {

struct Access {
  static Outcome run(Connection& c, const std::string& sql, const std::vector<Value>& args, bool keepRows) {
    return c.run(sql, args, keepRows);
  }
  static void prepare(Connection& c, const std::string& sql) { c.prepare(sql); }
};

// The message every lost connection carries, so that the application-wide
// handler classifies it as a lost database.
inline constexpr const char* kLostPrefix = "General SQL error.\r\n";

inline DbError lostError(const std::string& driverText) { return DbError(kLostPrefix + driverText, true); }
DbError closedError();

// An extra database attached under a name (sqlite ... ;Attach=NAME:PATH).
struct Attachment {
  std::string name;
  std::string path;
};

std::unique_ptr<Connection> openSqlite(const std::string& url, const std::string& path,
                                       const std::vector<Attachment>& attachments);
std::unique_ptr<Connection> openOdbc(const std::string& url, const std::string& connectionString, Dialect dialect,
                                     const std::vector<Attachment>& attachments);

}  // namespace kvt::db::detail
