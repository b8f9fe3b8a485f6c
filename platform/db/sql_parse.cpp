#include "platform/db/sql_parse.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>

#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::db::detail {

using namespace kvt::text::literals;

namespace {

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Position just after the quoted literal or comment that starts at s[i]; i
// itself when none starts there. An unterminated one runs to the end.
std::size_t skipLiteral(std::string_view s, std::size_t i) {
  const char c = s[i];
  auto closeAt = [&](char close) {
    std::size_t j = i + 1;
    while (j < s.size()) {
      if (s[j] == close) {
        if (j + 1 < s.size() && s[j + 1] == close) {  // a doubled closer stands for itself
          j += 2;
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return s.size();
  };
  switch (c) {
    case '\'': return closeAt('\'');
    case '"': return closeAt('"');
    case '`': return closeAt('`');
    case '[': return closeAt(']');
    case '-':
      if (i + 1 < s.size() && s[i + 1] == '-') {
        const auto nl = s.find('\n', i + 2);
        return nl == std::string_view::npos ? s.size() : nl + 1;
      }
      return i;
    case '/':
      if (i + 1 < s.size() && s[i + 1] == '*') {
        const auto end = s.find("*/", i + 2);
        return end == std::string_view::npos ? s.size() : end + 2;
      }
      return i;
    default: return i;
  }
}

bool isComment(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && ((s[i] == '-' && s[i + 1] == '-') || (s[i] == '/' && s[i + 1] == '*'));
}

// Position of the first character that is neither blank nor inside a comment.
std::size_t skipBlanksAndComments(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    if (text::isBlankOrControl(s[i])) {
      ++i;
    } else if (isComment(s, i)) {
      i = skipLiteral(s, i);
    } else {
      break;
    }
  }
  return i;
}

bool hasStatement(std::string_view s) { return skipBlanksAndComments(s, 0) < s.size(); }

// Splits at the commas that are outside literals.
std::vector<std::string_view> splitCommas(std::string_view s) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t after = skipLiteral(s, i);
    if (after != i) {
      i = after;
    } else if (s[i] == ',') {
      parts.push_back(s.substr(start, i - start));
      start = ++i;
    } else {
      ++i;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

std::optional<Value> readNumber(const std::string& t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  std::size_t digits = 0;
  bool isFloat = false;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    isFloat = true;
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    isFloat = true;
    ++i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    std::size_t exp = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++exp;
    if (exp == 0) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  errno = 0;
  if (!isFloat) {
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno != ERANGE) return Value::integer(v);
  }
  return Value::floating(std::strtod(t.c_str(), nullptr));
}

// A quoted literal 'it''s' (optionally N'...') spanning the whole text.
std::optional<std::string> readQuoted(const std::string& t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == 'N' || t[i] == 'n')) ++i;
  if (i >= t.size() || t[i] != '\'') return std::nullopt;
  if (skipLiteral(t, i) != t.size() || t.size() < i + 2 || t.back() != '\'') return std::nullopt;
  std::string out;
  for (std::size_t j = i + 1; j + 1 < t.size(); ++j) {
    out += t[j];
    if (t[j] == '\'') ++j;  // '' stands for one quote
  }
  return out;
}

// The text with each comment replaced by a blank (the SQLite ODBC driver takes
// a ';' inside a comment for a second statement).
std::string withoutComments(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t after = skipLiteral(s, i);
    if (after == i) {
      out += s[i++];
    } else {
      if (isComment(s, i)) out += s[i] == '-' ? '\n' : ' ';
      else out.append(s.substr(i, after - i));
      i = after;
    }
  }
  return out;
}

}  // namespace

PositionalSql toPositional(std::string_view sql) {
  PositionalSql out;
  out.sql.reserve(sql.size());
  std::size_t i = 0;
  while (i < sql.size()) {
    const std::size_t after = skipLiteral(sql, i);
    if (after != i) {
      out.sql.append(sql.substr(i, after - i));
      i = after;
      continue;
    }
    if (sql[i] == ':') {
      if (i + 1 < sql.size() && sql[i + 1] == ':') {
        out.sql.append("::");
        i += 2;
        continue;
      }
      std::size_t j = i + 1;
      while (j < sql.size() && isNameChar(sql[j])) ++j;
      if (j > i + 1) {
        out.names.emplace_back(sql.substr(i + 1, j - i - 1));
        out.sql += '?';
        i = j;
        continue;
      }
    }
    out.sql += sql[i++];
  }
  return out;
}

std::vector<std::string> splitStatements(std::string_view sql) {
  std::vector<std::string> out;
  std::size_t start = 0;
  std::size_t i = 0;
  auto emit = [&](std::size_t end) {
    const std::string_view piece = sql.substr(start, end - start);
    if (hasStatement(piece)) out.push_back(text::trim(withoutComments(piece)));
  };
  while (i < sql.size()) {
    const std::size_t after = skipLiteral(sql, i);
    if (after != i) {
      i = after;
      continue;
    }
    // a ';' followed by a digit is a procedure's number ("exec spX;1 ..."), never
    // the end of a statement: no statement starts with a digit
    const bool numeroProcedimento = i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9';
    if (sql[i] == ';' && !numeroProcedimento) {
      // sqlite3_complete keeps "BEGIN ...; END" of a trigger together
      const std::string candidate(sql.substr(start, i + 1 - start));
      if (sqlite3_complete(candidate.c_str())) {
        emit(i);
        start = i + 1;
      }
    }
    ++i;
  }
  emit(sql.size());
  return out;
}

std::optional<ExecCall> parseExec(std::string_view statement) {
  std::size_t i = skipBlanksAndComments(statement, 0);
  std::size_t j = i;
  while (j < statement.size() && isNameChar(statement[j])) ++j;
  const std::string_view keyword = statement.substr(i, j - i);
  if (!text::equalsIgnoreCase(keyword, "exec") && !text::equalsIgnoreCase(keyword, "execute")) return std::nullopt;
  if (j < statement.size() && !text::isBlankOrControl(statement[j]) && !isComment(statement, j)) return std::nullopt;
  i = skipBlanksAndComments(statement, j);

  // the procedure's name: up to a blank or a comma, brackets and any owner or
  // database prefix removed ("[dbo].[spX]", "dbZenthora..spX")
  j = i;
  while (j < statement.size() && !text::isBlankOrControl(statement[j]) && statement[j] != ',') {
    const std::size_t after = skipLiteral(statement, j);
    j = after != j ? after : j + 1;
  }
  std::string name(statement.substr(i, j - i));
  // the procedure's number ("spX;1"): the central keeps one body per name
  if (const auto semicolon = name.find(';');
      semicolon != std::string::npos && semicolon + 1 < name.size() && name[semicolon + 1] >= '0' &&
      name[semicolon + 1] <= '9')
    name.resize(semicolon);
  if (const auto dot = name.find_last_of('.'); dot != std::string::npos) name = name.substr(dot + 1);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  if (name.empty()) throw DbError("Comando exec sem o nome do procedimento: "_cp + std::string(statement));

  ExecCall call;
  call.procedure = name;
  const std::string_view rest = statement.substr(j);
  if (!hasStatement(rest)) return call;
  for (std::string_view part : splitCommas(rest)) {
    std::string arg = text::trim(part);
    auto bad = [&]() {
      return DbError("Argumento inválido na chamada de "_cp + name + ": '" + text::trim(part) + "'");
    };
    ExecArgument a;
    if (!arg.empty() && arg[0] == '@') {
      const auto eq = arg.find('=');
      if (eq == std::string::npos) throw bad();
      a.target = text::trim(std::string_view(arg).substr(1, eq - 1));
      arg = text::trim(std::string_view(arg).substr(eq + 1));
      if (a.target.empty()) throw bad();
    }
    if (arg.size() > 1 && arg[0] == ':') {
      std::size_t k = 1;
      while (k < arg.size() && isNameChar(arg[k])) ++k;
      if (k != arg.size()) throw bad();
      a.parameter = arg.substr(1);
    } else if (text::equalsIgnoreCase(arg, "null")) {
      a.literal = Value::null();
    } else if (auto q = readQuoted(arg)) {
      a.literal = Value::text(std::move(*q));
    } else if (auto n = readNumber(arg)) {
      a.literal = *n;
    } else {
      throw bad();
    }
    call.arguments.push_back(std::move(a));
  }
  return call;
}

}  // namespace kvt::db::detail
