#include "platform/xml/xml_document.h"

#include <pugixml.hpp>

#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/trim.h"

namespace kvt::xml {

namespace {

pugi::xml_node wrap(pugi::xml_node_struct* n) { return pugi::xml_node(n); }

bool isText(const pugi::xml_node& n) { return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata; }

pugi::xml_node firstText(pugi::xml_node_struct* n) {
  for (pugi::xml_node c = wrap(n).first_child(); c; c = c.next_sibling())
    if (isText(c)) return c;
  return {};
}

bool onlyBlanks(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

}  // namespace

std::string Element::name() const { return node_ ? wrap(node_).name() : std::string(); }
std::string Element::upperName() const { return text::upperAscii(name()); }
bool Element::is(std::string_view upper) const { return node_ && text::equalsIgnoreCase(wrap(node_).name(), upper); }

Element Element::firstChildElement() const {
  if (!node_) return {};
  for (pugi::xml_node c = wrap(node_).first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) return Element(c.internal_object());
  return {};
}

Element Element::nextSiblingElement() const {
  if (!node_) return {};
  for (pugi::xml_node c = wrap(node_).next_sibling(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) return Element(c.internal_object());
  return {};
}

Element Element::child(std::string_view upper) const {
  for (Element e = firstChildElement(); e; e = e.nextSiblingElement())
    if (e.is(upper)) return e;
  return {};
}

bool Element::hasTextChild() const { return node_ && firstText(node_); }

std::string Element::rawValue() const {
  if (!node_) return {};
  pugi::xml_node t = firstText(node_);
  if (!t) return {};
  return t.type() == pugi::node_cdata ? std::string(t.value()) : decodeEntities(t.value());
}

std::string Element::value() const { return text::trim(rawValue()); }

Document::Document() : doc_(std::make_unique<pugi::xml_document>()) {}
Document::~Document() = default;
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;

bool Document::parse(std::string_view bytes) {
  errors_.clear();
  doc_->reset();
  // escapes are decoded by decodeEntities, so references land in Windows-1252
  // fragment mode keeps text outside the root element, so it can be refused below
  const unsigned options = (pugi::parse_default | pugi::parse_declaration | pugi::parse_fragment) & ~pugi::parse_escapes;
  const pugi::xml_parse_result result = doc_->load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8);
  if (!result) {
    errors_.push_back("Erro na posição " + std::to_string(result.offset) + ": " + result.description());
    doc_->reset();
    return false;
  }
  int roots = 0;
  for (pugi::xml_node n = doc_->first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_element) ++roots;
    if (isText(n) && !onlyBlanks(n.value())) {
      errors_.push_back(roots ? "Texto após o elemento raiz" : "Texto antes do elemento raiz");
    }
    if (n.type() == pugi::node_declaration && n != doc_->first_child()) {
      errors_.push_back("Declaração XML fora do início do documento");
    }
  }
  if (roots == 0) errors_.push_back("Documento sem elemento raiz");
  if (roots > 1) errors_.push_back("Mais de um elemento raiz");
  for (auto& e : errors_) e = text::utf8ToCp1252(e);
  if (!errors_.empty()) {
    doc_->reset();
    return false;
  }
  return true;
}

Element Document::root() const { return Element(doc_->document_element().internal_object()); }

std::string decodeEntities(std::string_view s) {
  if (s.find('&') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out += s[i];
      continue;
    }
    const auto semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += s[i];
      continue;
    }
    const std::string_view name = s.substr(i + 1, semi - i - 1);
    char replacement = 0;
    if (name == "lt") replacement = '<';
    else if (name == "gt") replacement = '>';
    else if (name == "amp") replacement = '&';
    else if (name == "apos") replacement = '\'';
    else if (name == "quot") replacement = '"';
    else if (name.size() > 1 && name[0] == '#') {
      char32_t cp = 0;
      const bool hex = name[1] == 'x' || name[1] == 'X';
      bool ok = name.size() > (hex ? 2u : 1u);
      for (std::size_t k = hex ? 2 : 1; ok && k < name.size(); ++k) {
        const char c = name[k];
        int d = (c >= '0' && c <= '9') ? c - '0'
                : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                : -1;
        ok = d >= 0 && cp < 0x110000;
        cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(d);
      }
      if (ok) replacement = text::detail::codePointToCp1252(cp);
      if (ok && replacement == 0 && cp == 0) ok = false;
      if (!ok) replacement = 0;
    }
    if (replacement == 0) {
      out += s[i];
      continue;
    }
    out += replacement;
    i = semi;
  }
  return out;
}

}  // namespace kvt::xml
