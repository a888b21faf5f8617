// Reads one JSON object on standard input with the studio's JSON facade and prints the
// members named on the command line, one "key=value" line each ("key.sub" reads a member of
// a nested object). Exit 1 when the text is not one object, 3 when a member is missing.
// Strings print as they are, numbers as integers when whole, booleans as true/false, arrays
// as "(array N)" and other kinds as their kind's name.
// With --resource first, it reads a send payload instead and prints its name, file count,
// decoded size and whether a top-level fxmanifest.lua is among the files.

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
      return "(array " + std::to_string(v.as_array()->size()) + ")";
    case Kind::object:
      return "(object)";
  }
  return "(unknown)";
}

// Size of the bytes a padded Base64 text stands for; -1 when the text cannot be Base64.
long long decoded_size(std::string_view b64) {
  if (b64.size() % 4 != 0) return -1;
  long long n = static_cast<long long>(b64.size() / 4 * 3);
  if (!b64.empty() && b64.back() == '=') --n;
  if (b64.size() >= 2 && b64[b64.size() - 2] == '=') --n;
  return n;
}

int print_resource(const vantiro::json::ObjectRef& root) {
  const auto name = root.get_string("resourceName");
  const auto files = root.get_array("files");
  if (!name || !files) return 3;
  long long total = 0;
  bool manifest = false;
  for (std::size_t i = 0; i < files->size(); ++i) {
    const auto f = files->at(i).as_object();
    const auto path = f ? f->get_string("path") : std::nullopt;
    const auto b64 = f ? f->get_string("base64") : std::nullopt;
    if (!path || !b64 || decoded_size(*b64) < 0) return 3;
    total += decoded_size(*b64);
    if (*path == "fxmanifest.lua") manifest = true;
  }
  std::cout << "name=" << *name << "\nfiles=" << files->size() << "\nbytes=" << total
            << "\nmanifest=" << (manifest ? "yes" : "no") << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  auto parsed = vantiro::json::parse_object(std::move(text));
  if (!parsed.document) {
    std::cerr << "not one JSON object\n";
    return 1;
  }
  if (argc > 1 && std::string_view(argv[1]) == "--resource") {
    return print_resource(parsed.document->root());
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
