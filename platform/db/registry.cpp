// The registry of statement texts. It is filled during static initialisation,
// so it lives in function-local statics (constructed on first use).

#include <deque>

#include "platform/db/db.h"

namespace kvt::db {

namespace {

struct Registry {
  std::deque<SqlText> texts;  // stable addresses for the references handed out
  std::vector<RegisteredStatement> statements;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

const std::vector<RegisteredStatement>& registeredStatements() { return registry().statements; }

const SqlText& registerStatement(std::string name, SqlText sql) {
  Registry& r = registry();
  r.statements.push_back({std::move(name), sql});
  r.texts.push_back(std::move(sql));
  return r.texts.back();
}

void registerComposed(std::string name, SqlText representative) {
  registry().statements.push_back({std::move(name), std::move(representative)});
}

}  // namespace kvt::db
