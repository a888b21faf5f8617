#include "workspace/offline_page.h"

#include "common/build_config.h"

namespace vantiro::workspace {

namespace {

constexpr std::u16string_view kHead =
    u"<!doctype html><html><head><meta charset='utf-8'><title>Vantiro Studio</title><style>"
    u"html,body{margin:0;height:100%;background:#090f18;color:#eef3fa;"
    u"font-family:'Segoe UI',system-ui,sans-serif;display:grid;place-items:center;"
    u"text-align:center}"
    u".card{max-width:440px;padding:36px 32px;border-radius:16px;"
    u"background:rgba(16,25,39,.92);border:1px solid rgba(241,212,177,.22);"
    u"box-shadow:0 24px 64px rgba(0,0,0,.45)}"
    u"h1{margin:0 0 10px;font-size:22px;color:#f1d4b1;letter-spacing:.04em}"
    u"p{margin:0 0 22px;color:#a5b4c6;line-height:1.5;font-size:14px}"
    u"a{display:inline-block;padding:11px 22px;border-radius:10px;background:#f1d4b1;"
    u"color:#090f18;font-weight:700;text-decoration:none;font-size:14px}"
    u"</style></head><body><div class='card'><h1>VANTIRO</h1><p>";

}  // namespace

std::u16string offline_page_html(std::u16string_view message, std::u16string_view retry_url,
                                 std::u16string_view button_text) {
  std::u16string html(kHead);
  html += message;
  html += u"</p><a href='";
  html += retry_url;
  html += u"'>";
  html += button_text;
  html += u"</a></div></body></html>";
  return html;
}

std::u16string offline_page_for(bool ui_swedish, std::u16string_view retry_url) {
  std::u16string message;
  if (ui_swedish) {
    message = u"Kunde inte ansluta till ";
    message += kServiceHost;
    message += u". Kontrollera din internetuppkoppling och försök igen.";
  } else {
    message = u"Could not connect to ";
    message += kServiceHost;
    message += u". Check your internet connection and try again.";
  }
  return offline_page_html(message, retry_url, ui_swedish ? u"Försök igen" : u"Try again");
}

}  // namespace vantiro::workspace
