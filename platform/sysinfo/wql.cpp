#include "platform/sysinfo/wql.h"

#include <cctype>
#include <charconv>

#include "platform/text/ascii_case.h"

namespace kvt::sysinfo {

namespace {

enum class Kind { Word, Star, Comma, Operator, Literal, End };

struct Token {
  Kind kind;
  std::string text;
};

bool isWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::vector<Token> tokens(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (isWordStart(c)) {
      std::size_t j = i;
      while (j < s.size() && isWordChar(s[j])) ++j;
      out.push_back({Kind::Word, std::string(s.substr(i, j - i))});
      i = j;
    } else if (c == '*') {
      out.push_back({Kind::Star, "*"});
      ++i;
    } else if (c == ',') {
      out.push_back({Kind::Comma, ","});
      ++i;
    } else if (c == '<' || c == '>' || c == '=' || c == '!') {
      std::string op(1, c);
      if (i + 1 < s.size() && (s[i + 1] == '=' || (c == '<' && s[i + 1] == '>'))) op += s[i + 1];
      if (op == "!") throw QueryError("Invalid query: '!' without '='");
      out.push_back({Kind::Operator, op});
      i += op.size();
    } else if (c == '\'' || c == '"') {
      const auto end = s.find(c, i + 1);
      if (end == std::string_view::npos) throw QueryError("Invalid query: unterminated string");
      out.push_back({Kind::Literal, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.') {
      std::size_t j = i + 1;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      out.push_back({Kind::Literal, std::string(s.substr(i, j - i))});
      i = j;
    } else {
      throw QueryError("Invalid query: unexpected character");
    }
  }
  out.push_back({Kind::End, ""});
  return out;
}

bool isKeyword(const Token& t, std::string_view upper) { return t.kind == Kind::Word && text::upperAscii(t.text) == upper; }

std::optional<double> number(const std::string& s) {
  double v = 0;
  const auto* end = s.data() + s.size();
  const auto r = std::from_chars(s.data(), end, v);
  if (s.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return v;
}

}  // namespace

WqlQuery parseWql(std::string_view text) {
  const std::vector<Token> t = tokens(text);
  std::size_t i = 0;
  auto expect = [&](bool ok) {
    if (!ok) throw QueryError("Invalid query");
  };
  expect(isKeyword(t[i], "SELECT"));
  ++i;
  WqlQuery q;
  if (t[i].kind == Kind::Star) {
    q.all = true;
    ++i;
  } else {
    for (;;) {
      expect(t[i].kind == Kind::Word && !isKeyword(t[i], "FROM"));
      q.properties.push_back(t[i].text);
      ++i;
      if (t[i].kind != Kind::Comma) break;
      ++i;
    }
  }
  expect(isKeyword(t[i], "FROM"));
  ++i;
  expect(t[i].kind == Kind::Word);
  q.className = t[i].text;
  ++i;
  if (isKeyword(t[i], "WHERE")) {
    ++i;
    Condition c;
    expect(t[i].kind == Kind::Word);
    c.property = t[i].text;
    ++i;
    expect(t[i].kind == Kind::Operator);
    c.op = t[i].text;
    ++i;
    expect(t[i].kind == Kind::Literal || t[i].kind == Kind::Word);
    c.value = t[i].text;
    ++i;
    q.where = c;
  }
  expect(t[i].kind == Kind::End);
  return q;
}

bool satisfies(const Object& object, const Condition& c) {
  const std::string wanted = text::upperAscii(c.property);
  for (const Property& p : object) {
    if (text::upperAscii(p.name) != wanted) continue;
    int cmp = 0;
    const auto a = number(p.value);
    const auto b = number(c.value);
    if (a && b) cmp = *a < *b ? -1 : (*a > *b ? 1 : 0);
    else cmp = text::upperAscii(p.value).compare(text::upperAscii(c.value));
    if (c.op == "=") return cmp == 0;
    if (c.op == "<>" || c.op == "!=") return cmp != 0;
    if (c.op == "<") return cmp < 0;
    if (c.op == ">") return cmp > 0;
    if (c.op == "<=") return cmp <= 0;
    if (c.op == ">=") return cmp >= 0;
    return false;
  }
  return false;
}

}  // namespace kvt::sysinfo
