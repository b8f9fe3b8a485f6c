#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
class xml_node_struct;
}  // namespace pugi

namespace kvt::xml {

// One element of a parsed document. A default element is "none": every walk
// from it gives "none" again and its texts are empty.
class Element {
 public:
  Element() = default;

  bool valid() const { return node_ != nullptr; }
  explicit operator bool() const { return valid(); }

  std::string name() const;
  std::string upperName() const;  // names are compared in ASCII upper case
  bool is(std::string_view upperName) const;

  Element firstChildElement() const;
  Element nextSiblingElement() const;
  // The first child element whose name matches, compared in upper case.
  Element child(std::string_view upperName) const;

  // Text of the first text child, trimmed; empty when there is none.
  std::string value() const;
  // Text of the first text child as stored (entities decoded, not trimmed).
  std::string rawValue() const;
  bool hasTextChild() const;

 private:
  friend class Document;
  explicit Element(pugi::xml_node_struct* node) : node_(node) {}
  pugi::xml_node_struct* node_ = nullptr;
};

// A parsed document. Texts are Windows-1252 bytes and pass through unchanged;
// character references are decoded into Windows-1252 too. Rejects what a
// conforming parser rejects: no root element, several root elements, text
// after the root element, mismatched or unclosed tags.
class Document {
 public:
  Document();
  ~Document();
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;

  // Replaces the content; false when the bytes are not a well-formed document.
  bool parse(std::string_view bytes);
  const std::vector<std::string>& errors() const { return errors_; }
  Element root() const;

 private:
  std::unique_ptr<pugi::xml_document> doc_;
  std::vector<std::string> errors_;
};

// Decodes the five predefined entities and character references into
// Windows-1252; unknown entities stay as written.
std::string decodeEntities(std::string_view text);

}  // namespace kvt::xml
