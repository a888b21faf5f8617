#include "test_pages.h"

#include <fstream>
#include <sstream>

namespace vantiro::devservice {
namespace {

// Plain file names only, so a request can never leave the folder.
bool is_page_name(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == 0 || dot == std::string_view::npos || name.size() > 64) return false;
  for (char c : name.substr(0, dot)) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::optional<std::string> content_type_of(std::string_view name) {
  const std::string_view ext = name.substr(name.rfind('.') + 1);
  if (ext == "html") return "text/html; charset=utf-8";
  if (ext == "js") return "text/javascript; charset=utf-8";
  if (ext == "css") return "text/css; charset=utf-8";
  return std::nullopt;
}

}  // namespace

std::optional<TestPages::File> TestPages::file(std::string_view name) const {
  if (!is_page_name(name)) return std::nullopt;
  auto type = content_type_of(name);
  if (!type) return std::nullopt;
  std::ifstream in(folder_ + "/" + std::string(name), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream body;
  body << in.rdbuf();
  return File{std::move(body).str(), std::move(*type)};
}

void TestPages::set_plan(std::string plan_json) {
  std::lock_guard lock(mu_);
  plan_ = std::move(plan_json);
}

std::string TestPages::plan() const {
  std::lock_guard lock(mu_);
  return plan_;
}

void TestPages::set_start(std::string path) {
  std::lock_guard lock(mu_);
  start_ = std::move(path);
}

std::string TestPages::start() const {
  std::lock_guard lock(mu_);
  return start_;
}

void TestPages::add_report(std::string report_json) {
  std::lock_guard lock(mu_);
  reports_.push_back(std::move(report_json));
}

void TestPages::clear_reports() {
  std::lock_guard lock(mu_);
  reports_.clear();
}

std::string TestPages::reports_json() const {
  std::lock_guard lock(mu_);
  std::string out = "[";
  for (std::size_t i = 0; i < reports_.size(); ++i) {
    if (i > 0) out += ",\n";
    out += reports_[i];
  }
  out += "]";
  return out;
}

}  // namespace vantiro::devservice
