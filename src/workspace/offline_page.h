#pragma once

#include <string>
#include <string_view>

namespace vantiro::workspace {

// The page a tab shows when its page could not be loaded. The texts are the program's own and
// are inserted as they are.
std::u16string offline_page_html(std::u16string_view message, std::u16string_view retry_url,
                                 std::u16string_view button_text);

// The offline page in the UI language, its button leading to retry_url.
std::u16string offline_page_for(bool ui_swedish, std::u16string_view retry_url);

}  // namespace vantiro::workspace
