#pragma once

#include <string>
#include <vector>

#include "web/navigation.h"

namespace vantiro {

// Records every address handed to the browser instead of launching anything.
struct FakeExternalOpener final : ExternalOpener {
  std::vector<std::u16string> opened;
  bool result = true;

  bool open_in_browser(std::u16string_view url) override {
    opened.emplace_back(url);
    return result;
  }
};

}  // namespace vantiro
