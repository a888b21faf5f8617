#include "common/json.h"

// Header-only Boost.JSON: this is the one translation unit that compiles its sources.
#include <boost/json/src.hpp>

#include "common/utf.h"

namespace vantiro::json {
namespace bj = boost::json;

namespace {

const bj::value& val(const void* p) { return *static_cast<const bj::value*>(p); }
const bj::object& obj(const void* p) { return *static_cast<const bj::object*>(p); }
const bj::array& arr(const void* p) { return *static_cast<const bj::array*>(p); }

}  // namespace

Kind ValueRef::kind() const {
  switch (val(v_).kind()) {
    case bj::kind::null:
      return Kind::null;
    case bj::kind::bool_:
      return Kind::boolean;
    case bj::kind::int64:
    case bj::kind::uint64:
    case bj::kind::double_:
      return Kind::number;
    case bj::kind::string:
      return Kind::string;
    case bj::kind::array:
      return Kind::array;
    case bj::kind::object:
      return Kind::object;
  }
  return Kind::null;
}

std::optional<bool> ValueRef::as_bool() const {
  if (const bool* b = val(v_).if_bool()) return *b;
  return std::nullopt;
}

std::optional<double> ValueRef::as_number() const {
  const bj::value& v = val(v_);
  if (const double* d = v.if_double()) return *d;
  if (const std::int64_t* i = v.if_int64()) return static_cast<double>(*i);
  if (const std::uint64_t* u = v.if_uint64()) return static_cast<double>(*u);
  return std::nullopt;
}

std::optional<std::string_view> ValueRef::as_string() const {
  if (const bj::string* s = val(v_).if_string()) return std::string_view(s->data(), s->size());
  return std::nullopt;
}

std::optional<ArrayRef> ValueRef::as_array() const {
  if (const bj::array* a = val(v_).if_array()) return ArrayRef(a);
  return std::nullopt;
}

std::optional<ObjectRef> ValueRef::as_object() const {
  if (const bj::object* o = val(v_).if_object()) return ObjectRef(o);
  return std::nullopt;
}

std::size_t ArrayRef::size() const { return arr(a_).size(); }
ValueRef ArrayRef::at(std::size_t i) const { return ValueRef(&arr(a_)[i]); }

std::optional<ValueRef> ObjectRef::get(std::string_view key) const {
  if (const bj::value* v = obj(o_).if_contains(key)) return ValueRef(v);
  return std::nullopt;
}

bool ObjectRef::has(std::string_view key) const { return obj(o_).contains(key); }
std::size_t ObjectRef::size() const { return obj(o_).size(); }

std::optional<bool> ObjectRef::get_bool(std::string_view key) const {
  auto v = get(key);
  return v ? v->as_bool() : std::nullopt;
}
std::optional<double> ObjectRef::get_number(std::string_view key) const {
  auto v = get(key);
  return v ? v->as_number() : std::nullopt;
}
std::optional<std::string_view> ObjectRef::get_string(std::string_view key) const {
  auto v = get(key);
  return v ? v->as_string() : std::nullopt;
}
std::optional<ArrayRef> ObjectRef::get_array(std::string_view key) const {
  auto v = get(key);
  return v ? v->as_array() : std::nullopt;
}
std::optional<ObjectRef> ObjectRef::get_object(std::string_view key) const {
  auto v = get(key);
  return v ? v->as_object() : std::nullopt;
}

struct Document::Impl {
  // One arena for the whole document: a 90 MB bridge message is a handful of allocations.
  bj::monotonic_resource arena;
  bj::value value;
};

Document::Document(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

ObjectRef Document::root() const { return ObjectRef(&impl_->value.get_object()); }

Document::Result Document::parse_object(std::string_view text) {
  Result result;
  try {
    auto impl = std::make_unique<Impl>();
    bj::parse_options options;
    options.max_depth = kMaxDepth;
    // Comments, trailing commas and invalid UTF-8 stay refused (the defaults).
    bj::parser parser(bj::storage_ptr(), options);
    parser.reset(bj::storage_ptr(&impl->arena));
    bj::error_code ec;
    parser.write(text.data(), text.size(), ec);
    if (ec) {
      if (ec == bj::error::extra_data) {
        result.error = ParseError::trailing_text;
      } else if (ec == bj::error::too_deep) {
        result.error = ParseError::too_deep;
      } else if (ec == bj::error::illegal_leading_surrogate ||
                 ec == bj::error::illegal_trailing_surrogate ||
                 ec == bj::error::expected_utf16_escape) {
        result.error = ParseError::invalid_text;
      } else {
        result.error = ParseError::syntax;
      }
      return result;
    }
    impl->value = parser.release();
    if (!impl->value.is_object()) {
      result.error = ParseError::not_an_object;
      return result;
    }
    result.document.emplace(Document(std::move(impl)));
  } catch (const std::exception&) {
    // Out of memory on a hostile message is a failed parse, nothing more.
    result.document.reset();
    result.error = ParseError::syntax;
  }
  return result;
}

struct ObjectWriter::Impl {
  bj::object object;
};

ObjectWriter::ObjectWriter() : impl_(std::make_unique<Impl>()) {}
ObjectWriter::ObjectWriter(ObjectWriter&&) noexcept = default;
ObjectWriter& ObjectWriter::operator=(ObjectWriter&&) noexcept = default;
ObjectWriter::~ObjectWriter() = default;

namespace {
std::string clean_utf8(std::string_view s) {
  if (is_valid_utf8(s)) return std::string(s);
  return to_utf8(to_utf16(s));
}
}  // namespace

ObjectWriter& ObjectWriter::add_string(std::string_view key, std::string_view utf8) {
  impl_->object[clean_utf8(key)] = clean_utf8(utf8);
  return *this;
}
ObjectWriter& ObjectWriter::add_bool(std::string_view key, bool value) {
  impl_->object[clean_utf8(key)] = value;
  return *this;
}
ObjectWriter& ObjectWriter::add_number(std::string_view key, double value) {
  impl_->object[clean_utf8(key)] = value;
  return *this;
}
ObjectWriter& ObjectWriter::add_integer(std::string_view key, std::int64_t value) {
  impl_->object[clean_utf8(key)] = value;
  return *this;
}
ObjectWriter& ObjectWriter::add_null(std::string_view key) {
  impl_->object[clean_utf8(key)] = nullptr;
  return *this;
}
ObjectWriter& ObjectWriter::add_object(std::string_view key, ObjectWriter&& value) {
  impl_->object[clean_utf8(key)] = std::move(value.impl_->object);
  return *this;
}

std::string ObjectWriter::to_string() const { return bj::serialize(impl_->object); }

}  // namespace vantiro::json
