#include "common/json.h"

// Header-only Boost.JSON: this is the one translation unit that compiles its sources.
#include <boost/json/src.hpp>

#include <deque>
#include <vector>

#include "common/utf.h"

namespace vantiro::json {
namespace bj = boost::json;

// The parsed tree: nodes of one document live in two flat vectors. Containers refer to
// their children by index, since the vectors grow while the parse is running.
struct Node {
  Kind kind = Kind::null;
  bool boolean = false;
  double number = 0;
  std::string_view text;    // string
  std::uint32_t first = 0;  // object: index into members; array: into elements
  std::uint32_t count = 0;
};

struct Member {
  std::string_view key;
  Node value;
};

struct DocumentData {
  std::string text;
  std::deque<std::string> owned;  // strings that had escapes; a deque keeps them in place
  std::vector<Member> members;
  std::vector<Node> elements;
  Node root;
};

namespace {

// Builds the tree from the parser's events. Values of open containers wait on a stack and
// move into the flat vectors when their container closes, so siblings stay contiguous.
class TreeBuilder {
 public:
  static constexpr std::size_t max_object_size = 0xFFFFFFFFu;
  static constexpr std::size_t max_array_size = 0xFFFFFFFFu;
  static constexpr std::size_t max_key_size = std::size_t(-1);
  static constexpr std::size_t max_string_size = std::size_t(-1);

  explicit TreeBuilder(DocumentData* d) : d_(d) {}

  bool on_document_begin(bj::error_code&) { return true; }
  bool on_document_end(bj::error_code&) {
    d_->root = stack_.back().value;
    return true;
  }
  bool on_object_begin(bj::error_code&) {
    open_container();
    return true;
  }
  bool on_object_end(std::size_t n, bj::error_code&) {
    Node node;
    node.kind = Kind::object;
    node.first = static_cast<std::uint32_t>(d_->members.size());
    node.count = static_cast<std::uint32_t>(n);
    d_->members.insert(d_->members.end(), stack_.end() - static_cast<std::ptrdiff_t>(n),
                       stack_.end());
    stack_.resize(stack_.size() - n);
    close_container(node);
    return true;
  }
  bool on_array_begin(bj::error_code&) {
    open_container();
    return true;
  }
  bool on_array_end(std::size_t n, bj::error_code&) {
    Node node;
    node.kind = Kind::array;
    node.first = static_cast<std::uint32_t>(d_->elements.size());
    node.count = static_cast<std::uint32_t>(n);
    for (auto it = stack_.end() - static_cast<std::ptrdiff_t>(n); it != stack_.end(); ++it)
      d_->elements.push_back(it->value);
    stack_.resize(stack_.size() - n);
    close_container(node);
    return true;
  }
  bool on_key_part(bj::string_view s, std::size_t, bj::error_code&) {
    part_.append(s.data(), s.size());
    in_part_ = true;
    return true;
  }
  bool on_key(bj::string_view s, std::size_t, bj::error_code&) {
    pending_key_ = finish_text(s);
    has_key_ = true;
    return true;
  }
  bool on_string_part(bj::string_view s, std::size_t, bj::error_code&) {
    part_.append(s.data(), s.size());
    in_part_ = true;
    return true;
  }
  bool on_string(bj::string_view s, std::size_t, bj::error_code&) {
    Node node;
    node.kind = Kind::string;
    node.text = finish_text(s);
    push(node);
    return true;
  }
  bool on_number_part(bj::string_view, bj::error_code&) { return true; }
  bool on_int64(std::int64_t v, bj::string_view, bj::error_code&) {
    return push_number(static_cast<double>(v));
  }
  bool on_uint64(std::uint64_t v, bj::string_view, bj::error_code&) {
    return push_number(static_cast<double>(v));
  }
  bool on_double(double v, bj::string_view, bj::error_code&) { return push_number(v); }
  bool on_bool(bool v, bj::error_code&) {
    Node node;
    node.kind = Kind::boolean;
    node.boolean = v;
    push(node);
    return true;
  }
  bool on_null(bj::error_code&) {
    push(Node{});
    return true;
  }
  bool on_comment_part(bj::string_view, bj::error_code&) { return true; }
  bool on_comment(bj::string_view, bj::error_code&) { return true; }

 private:
  // A string that arrived whole and unescaped is still in the text; anything else is kept.
  std::string_view finish_text(bj::string_view last) {
    const char* begin = d_->text.data();
    const char* end = begin + d_->text.size();
    if (!in_part_ && last.data() >= begin && last.data() + last.size() <= end)
      return std::string_view(last.data(), last.size());
    part_.append(last.data(), last.size());
    d_->owned.push_back(std::move(part_));
    part_.clear();
    in_part_ = false;
    return d_->owned.back();
  }

  bool push_number(double v) {
    Node node;
    node.kind = Kind::number;
    node.number = v;
    push(node);
    return true;
  }

  // The key of a container is read before its own members' keys, so it waits here.
  void open_container() {
    open_keys_.push_back({has_key_, pending_key_});
    has_key_ = false;
  }
  void close_container(const Node& node) {
    has_key_ = open_keys_.back().first;
    pending_key_ = open_keys_.back().second;
    open_keys_.pop_back();
    push(node);
  }

  void push(const Node& node) {
    Member m;
    if (has_key_) {
      m.key = pending_key_;
      has_key_ = false;
    }
    m.value = node;
    stack_.push_back(m);
  }

  DocumentData* d_;
  std::vector<Member> stack_;
  std::vector<std::pair<bool, std::string_view>> open_keys_;
  std::string part_;
  bool in_part_ = false;
  std::string_view pending_key_;
  bool has_key_ = false;
};

const Member* find_last(const DocumentData* d, const Node* n, std::string_view key) {
  for (std::uint32_t i = n->count; i-- > 0;) {
    const Member& m = d->members[n->first + i];
    if (m.key == key) return &m;
  }
  return nullptr;
}

}  // namespace

Kind ValueRef::kind() const {
  return n_->kind;
}

std::optional<bool> ValueRef::as_bool() const {
  if (n_->kind == Kind::boolean) return n_->boolean;
  return std::nullopt;
}

std::optional<double> ValueRef::as_number() const {
  if (n_->kind == Kind::number) return n_->number;
  return std::nullopt;
}

std::optional<std::string_view> ValueRef::as_string() const {
  if (n_->kind == Kind::string) return n_->text;
  return std::nullopt;
}

std::optional<ArrayRef> ValueRef::as_array() const {
  if (n_->kind == Kind::array) return ArrayRef(d_, n_);
  return std::nullopt;
}

std::optional<ObjectRef> ValueRef::as_object() const {
  if (n_->kind == Kind::object) return ObjectRef(d_, n_);
  return std::nullopt;
}

std::size_t ArrayRef::size() const {
  return n_->count;
}
ValueRef ArrayRef::at(std::size_t i) const {
  return ValueRef(d_, &d_->elements[n_->first + i]);
}

std::optional<ValueRef> ObjectRef::get(std::string_view key) const {
  if (const Member* m = find_last(d_, n_, key)) return ValueRef(d_, &m->value);
  return std::nullopt;
}

bool ObjectRef::has(std::string_view key) const {
  return find_last(d_, n_, key) != nullptr;
}
std::size_t ObjectRef::size() const {
  return n_->count;
}

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

Document::Document(std::unique_ptr<DocumentData> data) : data_(std::move(data)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

ObjectRef Document::root() const {
  return ObjectRef(data_.get(), &data_->root);
}

Document::Result Document::parse_object(std::string text) {
  Result result;
  try {
    auto data = std::make_unique<DocumentData>();
    data->text = std::move(text);
    bj::parse_options options;
    options.max_depth = kMaxDepth;
    // Comments, trailing commas and invalid UTF-8 stay refused (the defaults).
    bj::basic_parser<TreeBuilder> parser(options, data.get());
    bj::error_code ec;
    const std::size_t used = parser.write_some(false, data->text.data(), data->text.size(), ec);
    if (!ec && used < data->text.size()) ec = bj::error::extra_data;
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
    if (data->root.kind != Kind::object) {
      result.error = ParseError::not_an_object;
      return result;
    }
    result.document.emplace(Document(std::move(data)));
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

std::string ObjectWriter::to_string() const {
  return bj::serialize(impl_->object);
}

}  // namespace vantiro::json
