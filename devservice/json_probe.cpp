// Reads one JSON object on standard input with the studio's JSON facade and prints the
// members named on the command line, one "key=value" line each ("key.sub" reads a member of
// a nested object). Exit 1 when the text is not one object, 3 when a member is missing.
// Strings print as they are, numbers as integers when whole, booleans as true/false, and any
// other kind as its kind's name.

#include <cmath>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "common/json.h"

namespace {

std::string describe(const vantiro::json::ValueRef& v) {
  using vantiro::json::Kind;
  switch (v.kind()) {
    case Kind::string:
      return std::string(*v.as_string());
    case Kind::boolean:
      return *v.as_bool() ? "true" : "false";
    case Kind::number: {
      const double d = *v.as_number();
      if (std::floor(d) == d && std::fabs(d) < 9.0e15)
        return std::to_string(static_cast<long long>(d));
      return std::to_string(d);
    }
    case Kind::null:
      return "(null)";
    case Kind::array:
      return "(array)";
    case Kind::object:
      return "(object)";
  }
  return "(unknown)";
}

}  // namespace

int main(int argc, char** argv) {
  std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  auto parsed = vantiro::json::parse_object(std::move(text));
  if (!parsed.document) {
    std::cerr << "not one JSON object\n";
    return 1;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view key = argv[i];
    std::optional<vantiro::json::ObjectRef> obj = parsed.document->root();
    std::string_view rest = key;
    std::optional<vantiro::json::ValueRef> value;
    while (obj) {
      const auto dot = rest.find('.');
      value = obj->get(rest.substr(0, dot));
      if (!value || dot == std::string_view::npos) break;
      obj = value->as_object();
      rest = rest.substr(dot + 1);
      if (!obj) value.reset();
    }
    if (!value) {
      std::cout << key << " missing\n";
      status = 3;
      continue;
    }
    std::cout << key << "=" << describe(*value) << "\n";
  }
  return status;
}
