#include "platform/db/sqlite_dialect.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"

namespace kvt::db {

using namespace kvt::text::literals;

Statement::Statement(Connection& connection, const SqlText& sql)
    : connection_(connection), sql_(sql.of(connection.dialect())) {}

Statement::Statement(Connection& connection, std::string sqlForThisDialect)
    : connection_(connection), sql_(std::move(sqlForThisDialect)) {}

Statement::~Statement() = default;

Statement& Statement::bind(std::string_view name, const Value& value) {
  if (!name.empty() && name[0] == ':') name.remove_prefix(1);
  for (auto& [n, v] : params_) {
    if (text::equalsIgnoreCase(n, name)) {
      v = value;
      return *this;
    }
  }
  params_.emplace_back(std::string(name), value);
  return *this;
}

namespace {

detail::ParamLookup lookupIn(const std::vector<std::pair<std::string, Value>>& params) {
  return [&params](std::string_view name) -> const Value* {
    for (const auto& [n, v] : params)
      if (text::equalsIgnoreCase(n, name)) return &v;
    return nullptr;
  };
}

}  // namespace

void Statement::open() {
  close();
  detail::Outcome outcome = detail::runText(connection_, sql_, lookupIn(params_), true);
  columns_ = std::move(outcome.columns);
  rows_ = std::move(outcome.rows);
  row_ = 0;
  open_ = true;
}

std::int64_t Statement::execute() {
  close();
  return detail::runText(connection_, sql_, lookupIn(params_), false).changed;
}

void Statement::close() {
  columns_.clear();
  rows_.clear();
  row_ = 0;
  open_ = false;
}

bool Statement::hasColumn(std::string_view name) const {
  for (const std::string& c : columns_)
    if (text::equalsIgnoreCase(c, name)) return true;
  return false;
}

namespace {

const Value& nullValue() {
  static const Value v;
  return v;
}

}  // namespace

// At the end the last row stays current, and an empty result reads as nulls,
// as the platform's datasets did.
const Value& Statement::field(std::size_t position) const {
  if (position >= columns_.size())
    throw DbError("Campo na posição "_cp + std::to_string(position) + " não existe (" +
                  std::to_string(columns_.size()) + " campos)");
  if (rows_.empty()) return nullValue();
  return rows_[std::min(row_, rows_.size() - 1)][position];
}

const Value& Statement::field(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (text::equalsIgnoreCase(columns_[i], name)) return field(i);
  throw DbError("Campo '"_cp + std::string(name) + "' não encontrado");
}

}  // namespace kvt::db
