#pragma once

// The one JSON interface of the studio. Text is UTF-8. Parsing is strict: only one whole
// object parses, members are read by exact type with no conversion, numbers are doubles.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantiro::json {

enum class Kind { null, boolean, number, string, array, object };

struct Node;
struct DocumentData;
struct Member;
class ObjectRef;
class ArrayRef;

// A view of one value inside a Document; valid while the Document lives.
class ValueRef {
 public:
  Kind kind() const;
  std::optional<bool> as_bool() const;
  std::optional<double> as_number() const;
  std::optional<std::string_view> as_string() const;
  std::optional<ArrayRef> as_array() const;
  std::optional<ObjectRef> as_object() const;

 private:
  friend class ObjectRef;
  friend class ArrayRef;
  friend class Document;
  ValueRef(const DocumentData* d, const Node* n) : d_(d), n_(n) {}
  const DocumentData* d_;
  const Node* n_;
};

class ArrayRef {
 public:
  std::size_t size() const;
  ValueRef at(std::size_t i) const;  // i < size()

 private:
  friend class ValueRef;
  ArrayRef(const DocumentData* d, const Node* n) : d_(d), n_(n) {}
  const DocumentData* d_;
  const Node* n_;
};

class ObjectRef {
 public:
  // A key that occurs more than once reads as its last occurrence.
  bool has(std::string_view key) const;
  std::optional<ValueRef> get(std::string_view key) const;
  // Each is nullopt when the key is absent or holds another type.
  std::optional<bool> get_bool(std::string_view key) const;
  std::optional<double> get_number(std::string_view key) const;
  std::optional<std::string_view> get_string(std::string_view key) const;
  std::optional<ArrayRef> get_array(std::string_view key) const;
  std::optional<ObjectRef> get_object(std::string_view key) const;
  std::size_t size() const;  // members as written, duplicates included

 private:
  friend class ValueRef;
  friend class Document;
  ObjectRef(const DocumentData* d, const Node* n) : d_(d), n_(n) {}
  const DocumentData* d_;
  const Node* n_;
};

enum class ParseError { none, not_an_object, syntax, trailing_text, too_deep, invalid_text };

// Nesting deeper than this fails instead of exhausting the stack.
inline constexpr std::size_t kMaxDepth = 64;

// Owns a parsed object. It keeps the text it was parsed from, and strings without escapes
// are views into that text, so a 90 MB message is neither copied nor held twice.
class Document {
 public:
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();

  ObjectRef root() const;

  struct Result;
  // Succeeds only for one whole object, with nothing after it but JSON white space.
  // Strings must be valid UTF-8 and escapes must not leave a lone surrogate.
  static Result parse_object(std::string text);

 private:
  explicit Document(std::unique_ptr<DocumentData> data);
  std::unique_ptr<DocumentData> data_;
};

struct Document::Result {
  std::optional<Document> document;
  ParseError error = ParseError::none;
};

inline Document::Result parse_object(std::string text) {
  return Document::parse_object(std::move(text));
}

// Builds one object to send. Strings are UTF-8; invalid bytes are replaced, never passed on.
class ObjectWriter {
 public:
  ObjectWriter();
  ObjectWriter(ObjectWriter&&) noexcept;
  ObjectWriter& operator=(ObjectWriter&&) noexcept;
  ~ObjectWriter();

  ObjectWriter& add_string(std::string_view key, std::string_view utf8);
  ObjectWriter& add_bool(std::string_view key, bool value);
  ObjectWriter& add_number(std::string_view key, double value);
  ObjectWriter& add_integer(std::string_view key, std::int64_t value);
  ObjectWriter& add_null(std::string_view key);
  ObjectWriter& add_object(std::string_view key, ObjectWriter&& value);

  // Compact serialization; every string is escaped.
  std::string to_string() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantiro::json
