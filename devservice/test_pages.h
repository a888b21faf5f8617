#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::devservice {

// Pages and a report box for the end-to-end tests, off unless the service is started with
// --test-pages. The pages are files of one folder, read on every request; a page learns what to
// do from the plan that the test sets, and posts what it saw to the report box, which the test
// reads back through the admin endpoint.
class TestPages {
 public:
  explicit TestPages(std::string folder) : folder_(std::move(folder)) {}

  // The file "/_e2e/NAME" names, with its content type; nothing for any other name.
  struct File {
    std::string body;
    std::string content_type;
  };
  std::optional<File> file(std::string_view name) const;

  void set_plan(std::string plan_json);
  std::string plan() const;

  // Where the editor start page sends the studio instead, empty for nowhere.
  void set_start(std::string path);
  std::string start() const;

  void add_report(std::string report_json);
  void clear_reports();
  std::string reports_json() const;  // the reports in arrival order, as one JSON array

 private:
  const std::string folder_;
  mutable std::mutex mu_;
  std::string plan_ = "{}";
  std::string start_;
  std::vector<std::string> reports_;
};

}  // namespace vantiro::devservice
