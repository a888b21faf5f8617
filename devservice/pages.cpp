#include "pages.h"

#include <string>

#include "resources.h"

namespace vantiro::devservice {
namespace {

std::string_view t(Lang lang, std::string_view sv, std::string_view en) {
  return lang == Lang::sv ? sv : en;
}

std::string link(const PageContext& ctx, std::string_view route) {
  return std::string(lang_prefix(ctx.lang)) + std::string(route);
}

std::string html_lang(Lang lang) {
  return lang == Lang::sv ? "sv" : "en";
}

std::string site_header(const PageContext& ctx) {
  const Lang l = ctx.lang;
  const Lang other = l == Lang::sv ? Lang::en : Lang::sv;
  std::string h;
  h += "<header class=\"vantiro-public-header\" data-vantiro-header>\n";
  h += "  <a class=\"brand\" href=\"" + link(ctx, "/editor") + "\">VANTIRO</a>\n";
  h += "  <button class=\"vantiro-menu-toggle\" type=\"button\" aria-expanded=\"false\">" +
       std::string(t(l, "Meny", "Menu")) + "</button>\n";
  h += "  <nav>\n";
  struct Item {
    std::string_view route, sv, en;
  };
  const Item items[] = {{"/editor", "Ped-editorn", "Ped Editor"},
                        {"/vehicles/editor", "Fordon", "Vehicles"},
                        {"/weapons/editor", "Vapen", "Weapons"},
                        {"/fivem-menu", "FiveM-meny", "FiveM Menu"},
                        {"/docs", "Guider", "Guides"},
                        {"/pricing", "Priser", "Pricing"}};
  for (const Item& i : items) {
    h += "    <a href=\"" + link(ctx, i.route) + "\">" + std::string(t(l, i.sv, i.en)) + "</a>\n";
  }
  h += "  </nav>\n  <div class=\"session\">\n";
  h += "    <a class=\"lang\" hreflang=\"" + html_lang(other) + "\" href=\"" +
       html_escape(std::string(lang_prefix(other)) + ctx.here) + "\">" +
       std::string(t(l, "English", "Svenska")) + "</a>\n";
  if (ctx.user) {
    h += "    <a class=\"user\" href=\"" + link(ctx, "/account") + "\">" +
         html_escape(ctx.user->name) + "</a>\n";
    h += "    <form method=\"post\" action=\"" + link(ctx, "/logout") +
         "\"><button type=\"submit\">" + std::string(t(l, "Logga ut", "Sign out")) +
         "</button></form>\n";
  } else {
    h += "    <a href=\"" + link(ctx, "/login") + "\">" + std::string(t(l, "Logga in", "Sign in")) +
         "</a>\n";
    h += "    <a class=\"primary\" href=\"" + link(ctx, "/signup") + "\">" +
         std::string(t(l, "Skapa konto", "Create account")) + "</a>\n";
  }
  h += "  </div>\n</header>\n";
  return h;
}

std::string site_footer(const PageContext& ctx) {
  const Lang l = ctx.lang;
  std::string f;
  if (ctx.release_offered) {
    f += "<aside class=\"download-prompt\" data-vantiro-desktop-download>" +
         std::string(t(l, "Arbeta snabbare med Vantiro Studio för Windows.",
                       "Work faster with Vantiro Studio for Windows.")) +
         " <a href=\"/downloads/desktop/Vantiro.exe\">" +
         std::string(t(l, "Ladda ner", "Download")) + "</a></aside>\n";
  }
  f += "<div class=\"cookie-bar\" data-cookie-bar hidden><span>" +
       std::string(t(l, "Vi använder bara nödvändiga kakor för inloggning.",
                     "We only use the cookies that signing in needs.")) +
       "</span> <button type=\"button\" data-cookie-dismiss>" + std::string(t(l, "OK", "OK")) +
       "</button></div>\n";
  f += "<footer class=\"vantiro-public-footer\">\n  <span>© Mirsel AB</span>\n";
  f += "  <a href=\"" + link(ctx, "/terms") + "\">" + std::string(t(l, "Villkor", "Terms")) +
       "</a>\n";
  f += "  <a href=\"" + link(ctx, "/privacy") + "\">" + std::string(t(l, "Integritet", "Privacy")) +
       "</a>\n";
  f += "  <a href=\"" + link(ctx, "/account#withdrawals") + "\">" +
       std::string(t(l, "Ångerrätt", "Withdrawal")) + "</a>\n";
  f += "  <a href=\"" + link(ctx, "/desktop/fivem") + "\">" +
       std::string(t(l, "Skicka till FiveM", "Send to FiveM")) + "</a>\n";
  f += "</footer>\n";
  return f;
}

std::string document(const PageContext& ctx, std::string_view title, std::string_view body,
                     std::string_view body_class = "", std::string_view extra_head = "") {
  std::string d;
  d += "<!doctype html>\n<html lang=\"" + html_lang(ctx.lang) + "\">\n<head>\n";
  d += "<meta charset=\"utf-8\">\n";
  d += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  d += "<title>" + html_escape(title) + "</title>\n";
  d += "<link rel=\"stylesheet\" href=\"/assets/site.css\">\n";
  d += "<script src=\"/assets/site.js\" defer></script>\n";
  d += std::string(extra_head);
  d += "</head>\n<body";
  if (!body_class.empty()) d += " class=\"" + std::string(body_class) + "\"";
  d += ">\n";
  d += site_header(ctx);
  d += std::string(body);
  d += site_footer(ctx);
  d += "</body>\n</html>\n";
  return d;
}

std::string title_of(std::string_view label) {
  return std::string(label) + " · Vantiro";
}

std::string_view notice_text(Lang l, FormNotice n) {
  switch (n) {
    case FormNotice::none:
      return "";
    case FormNotice::wrong_credentials:
      return t(l, "Fel e-postadress eller lösenord.", "Wrong e-mail address or password.");
    case FormNotice::invalid_email:
      return t(l, "Ange en giltig e-postadress.", "Enter a valid e-mail address.");
    case FormNotice::invalid_name:
      return t(l, "Namnet får vara högst 64 tecken.", "The name may be at most 64 characters.");
    case FormNotice::weak_password:
      return t(l, "Lösenordet måste ha minst 8 tecken.",
               "The password must have at least 8 characters.");
    case FormNotice::exists:
      return t(l, "Det finns redan ett konto med den adressen.",
               "An account with that address already exists.");
    case FormNotice::bad_origin:
      return t(l, "Formuläret skickades från en annan webbplats.",
               "The form was sent from another site.");
    case FormNotice::signed_out:
      return t(l, "Du är utloggad.", "You are signed out.");
    case FormNotice::reset_sent:
      return t(l, "Om adressen har ett konto har vi skickat en länk.",
               "If the address has an account, we have sent it a link.");
    case FormNotice::discord_unavailable:
      return t(l, "Inloggning med Discord är inte tillgänglig här. Logga in med e-post.",
               "Signing in with Discord is not available here. Sign in with e-mail.");
  }
  return "";
}

std::string notice_html(Lang l, FormNotice n) {
  if (n == FormNotice::none) return "";
  const bool good = n == FormNotice::signed_out || n == FormNotice::reset_sent;
  return std::string("<p class=\"notice") + (good ? " good" : "") + "\" role=\"status\">" +
         std::string(notice_text(l, n)) + "</p>\n";
}

std::string hidden_return(std::string_view return_to) {
  if (return_to.empty()) return "";
  return "<input type=\"hidden\" name=\"returnTo\" value=\"" + html_escape(return_to) + "\">\n";
}

std::string with_return(std::string route, std::string_view return_to) {
  if (return_to.empty()) return route;
  std::string enc;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : return_to) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      enc.push_back(static_cast<char>(c));
    } else {
      enc += '%';
      enc += kHex[c >> 4];
      enc += kHex[c & 15];
    }
  }
  return route + "?returnTo=" + enc;
}

}  // namespace

std::string editor_page(const PageContext& ctx) {
  const Lang l = ctx.lang;
  std::string body;
  body += "<div class=\"vantiro-editor-host\">\n";
  body += "  <iframe class=\"vantiro-editor-frame\" src=\"" + link(ctx, "/editor/frame") +
          "\" title=\"" + std::string(t(l, "Ped-editorn", "Ped Editor")) + "\"></iframe>\n";
  body += "</div>\n";
  return document(ctx, title_of(t(l, "Ped-editorn", "Ped Editor")), body, "editor");
}

std::string editor_frame_page(const PageContext& ctx) {
  const Lang l = ctx.lang;
  std::string d;
  d += "<!doctype html>\n<html lang=\"" + html_lang(l) + "\" data-vantiro-editor-frame>\n<head>\n";
  d += "<meta charset=\"utf-8\">\n<title>" + title_of(t(l, "Ped-editorn", "Ped Editor")) +
       "</title>\n";
  d += "<link rel=\"stylesheet\" href=\"/assets/site.css\">\n";
  d += "<script src=\"/assets/editor-frame.js\" defer></script>\n</head>\n";
  d += "<body class=\"editor-frame\">\n<main class=\"ped-editor\">\n";
  d += "  <aside class=\"panel\">\n    <h1>" + std::string(t(l, "Ped-editorn", "Ped Editor")) +
       "</h1>\n";
  d += "    <label>" + std::string(t(l, "Modell", "Model")) +
       " <select name=\"model\"><option>mp_m_freemode_01</option>"
       "<option>mp_f_freemode_01</option></select></label>\n";
  struct Slider {
    std::string_view key, sv, en;
  };
  const Slider sliders[] = {{"face", "Ansikte", "Face"},
                            {"hair", "Hår", "Hair"},
                            {"torso", "Överkropp", "Torso"},
                            {"legs", "Ben", "Legs"}};
  for (const Slider& s : sliders) {
    d += "    <label>" + std::string(t(l, s.sv, s.en)) + " <input type=\"range\" name=\"" +
         std::string(s.key) + "\" min=\"0\" max=\"45\" value=\"0\"></label>\n";
  }
  d += "    <button type=\"button\" data-send-sample=\"vantiro_hud\">" +
       std::string(t(l, "Skicka exempel till FiveM", "Send sample to FiveM")) + "</button>\n";
  d += "    <output data-frame-result></output>\n  </aside>\n";
  d += "  <canvas class=\"viewport\" width=\"640\" height=\"640\"></canvas>\n";
  d += "</main>\n</body>\n</html>\n";
  return d;
}

std::string tool_page(const PageContext& ctx, const ToolPage& tool) {
  const Lang l = ctx.lang;
  const std::string_view label = t(l, tool.label_sv, tool.label_en);
  const std::string_view group = t(l, tool.group_sv, tool.group_en);
  std::string body;
  body += "<main class=\"tool\" data-route=\"" + html_escape(tool.route) + "\">\n";
  body += "  <p class=\"group\">" + html_escape(group) + "</p>\n";
  body += "  <h1>" + html_escape(label) + "</h1>\n";
  body += "  <section class=\"tool-workspace\">\n    <p>" +
          std::string(t(l, "Släpp filer här eller välj dem för att börja.",
                        "Drop files here or choose them to begin.")) +
          "</p>\n    <input type=\"file\" multiple>\n  </section>\n";
  if (tool.route == "/fivem-menu") {
    body += "  <p><a href=\"" + link(ctx, "/desktop/fivem") + "\">" +
            std::string(t(l, "Skicka en resurs till din FiveM-server",
                          "Send a resource to your FiveM server")) +
            "</a></p>\n";
  }
  body += "  <h2>" + std::string(t(l, "Fler verktyg i gruppen", "More tools in this group")) +
          "</h2>\n  <ul class=\"related\">\n";
  for (const ToolPage& other : tool_pages()) {
    if (other.group_en != tool.group_en || other.route == tool.route) continue;
    body += "    <li><a href=\"" + html_escape(link(ctx, other.route)) + "\">" +
            html_escape(t(l, other.label_sv, other.label_en)) + "</a></li>\n";
  }
  body += "  </ul>\n</main>\n";
  return document(ctx, title_of(label), body);
}

std::string account_page(const PageContext& ctx) {
  const Lang l = ctx.lang;
  std::string body =
      "<main class=\"account\">\n  <h1>" + std::string(t(l, "Konto", "Account")) + "</h1>\n";
  if (ctx.user) {
    body += "  <dl>\n    <dt>" + std::string(t(l, "Namn", "Name")) + "</dt><dd data-account-name>" +
            html_escape(ctx.user->name) + "</dd>\n";
    body += "    <dt>" + std::string(t(l, "E-post", "E-mail")) + "</dt><dd data-account-email>" +
            html_escape(ctx.user->email) + "</dd>\n";
    body += "    <dt>" + std::string(t(l, "Krediter", "Credits")) + "</dt><dd>" +
            std::to_string(ctx.user->credits) + "</dd>\n  </dl>\n";
    body += "  <form method=\"post\" action=\"" + link(ctx, "/logout") +
            "\"><button type=\"submit\">" + std::string(t(l, "Logga ut", "Sign out")) +
            "</button></form>\n";
  } else {
    body += "  <p>" +
            std::string(t(l, "Logga in för att se dina projekt och krediter.",
                          "Sign in to see your projects and credits.")) +
            "</p>\n  <p><a class=\"button\" href=\"" +
            html_escape(with_return(link(ctx, "/login"), link(ctx, "/account"))) + "\">" +
            std::string(t(l, "Logga in", "Sign in")) + "</a></p>\n";
  }
  body += "  <section id=\"withdrawals\">\n    <h2>" +
          std::string(t(l, "Ångerrätt", "Right of withdrawal")) + "</h2>\n    <p>" +
          std::string(t(l,
                        "Du kan ångra ett köp av krediter inom 14 dagar så länge krediterna inte "
                        "har använts. Skriv till support@mirsel.se med ditt ordernummer.",
                        "You may withdraw from a purchase of credits within 14 days as long as "
                        "the credits have not been used. Write to support@mirsel.se with your "
                        "order number.")) +
          "</p>\n  </section>\n</main>\n";
  return document(ctx, title_of(t(l, "Konto", "Account")), body);
}

std::string legal_page(const PageContext& ctx, LegalPage which) {
  const Lang l = ctx.lang;
  std::string_view title;
  std::string body = "<main class=\"legal\">\n";
  if (which == LegalPage::terms) {
    title = t(l, "Användarvillkor", "Terms of use");
    body += "  <h1>" + std::string(title) + "</h1>\n";
    body += "  <p>" +
            std::string(t(l,
                          "Tjänsten tillhandahålls av Mirsel AB. Genom att använda verktygen "
                          "godkänner du dessa villkor.",
                          "The service is provided by Mirsel AB. By using the tools you accept "
                          "these terms.")) +
            "</p>\n";
    body += "  <p>" +
            std::string(t(l,
                          "Du ansvarar för att du har rätt att använda de filer du laddar upp "
                          "och de resurser du skickar till din server.",
                          "You are responsible for having the right to use the files you upload "
                          "and the resources you send to your server.")) +
            "</p>\n";
  } else {
    title = t(l, "Integritetspolicy", "Privacy policy");
    body += "  <h1>" + std::string(title) + "</h1>\n";
    body += "  <p>" +
            std::string(t(l,
                          "Vi sparar din e-postadress, ditt visningsnamn och din session. "
                          "Inget säljs vidare.",
                          "We store your e-mail address, your display name and your session. "
                          "Nothing is sold on.")) +
            "</p>\n";
    body += "  <p>" +
            std::string(t(l,
                          "Inloggningskakan quorvanta.sid är nödvändig och skickas bara över "
                          "HTTPS.",
                          "The sign-in cookie quorvanta.sid is necessary and only sent over "
                          "HTTPS.")) +
            "</p>\n";
  }
  body += "</main>\n";
  return document(ctx, title_of(title), body);
}

std::string login_page(const PageContext& ctx, std::string_view return_to, FormNotice notice,
                       std::string_view email) {
  const Lang l = ctx.lang;
  const std::string_view title = t(l, "Logga in", "Sign in");
  std::string body = "<main class=\"auth\">\n  <h1>" + std::string(title) + "</h1>\n";
  body += notice_html(l, notice);
  body += "  <form method=\"post\" action=\"" + link(ctx, "/login") + "\">\n";
  body += hidden_return(return_to);
  body += "    <label>" + std::string(t(l, "E-post", "E-mail")) +
          " <input type=\"email\" name=\"email\" autocomplete=\"username\" required value=\"" +
          html_escape(email) + "\"></label>\n";
  body += "    <label>" + std::string(t(l, "Lösenord", "Password")) +
          " <input type=\"password\" name=\"password\" autocomplete=\"current-password\" "
          "required></label>\n";
  body += "    <button type=\"submit\">" + std::string(title) + "</button>\n  </form>\n";
  body += "  <p><a href=\"" + html_escape(with_return(link(ctx, "/signup"), return_to)) + "\">" +
          std::string(t(l, "Skapa konto", "Create account")) + "</a> · <a href=\"" +
          link(ctx, "/forgot-password") + "\">" +
          std::string(t(l, "Glömt lösenordet?", "Forgot your password?")) + "</a></p>\n";
  body += "</main>\n";
  return document(ctx, title_of(title), body, "auth-page");
}

std::string signup_page(const PageContext& ctx, std::string_view return_to, FormNotice notice,
                        std::string_view email, std::string_view name) {
  const Lang l = ctx.lang;
  const std::string_view title = t(l, "Skapa konto", "Create account");
  std::string body = "<main class=\"auth\">\n  <h1>" + std::string(title) + "</h1>\n";
  body += notice_html(l, notice);
  body += "  <form method=\"post\" action=\"" + link(ctx, "/signup") + "\">\n";
  body += hidden_return(return_to);
  body += "    <label>" + std::string(t(l, "Namn", "Name")) +
          " <input type=\"text\" name=\"name\" maxlength=\"64\" autocomplete=\"nickname\" "
          "value=\"" +
          html_escape(name) + "\"></label>\n";
  body += "    <label>" + std::string(t(l, "E-post", "E-mail")) +
          " <input type=\"email\" name=\"email\" autocomplete=\"username\" required value=\"" +
          html_escape(email) + "\"></label>\n";
  body += "    <label>" + std::string(t(l, "Lösenord (minst 8 tecken)", "Password (8 or more)")) +
          " <input type=\"password\" name=\"password\" minlength=\"8\" "
          "autocomplete=\"new-password\" required></label>\n";
  body += "    <button type=\"submit\">" + std::string(title) + "</button>\n  </form>\n";
  body += "  <p><a href=\"" + html_escape(with_return(link(ctx, "/login"), return_to)) + "\">" +
          std::string(t(l, "Har du redan ett konto? Logga in", "Have an account? Sign in")) +
          "</a></p>\n</main>\n";
  return document(ctx, title_of(title), body, "auth-page");
}

std::string forgot_password_page(const PageContext& ctx, FormNotice notice) {
  const Lang l = ctx.lang;
  const std::string_view title = t(l, "Återställ lösenord", "Reset password");
  std::string body = "<main class=\"auth\">\n  <h1>" + std::string(title) + "</h1>\n";
  body += notice_html(l, notice);
  body += "  <form method=\"post\" action=\"" + link(ctx, "/forgot-password") + "\">\n";
  body += "    <label>" + std::string(t(l, "E-post", "E-mail")) +
          " <input type=\"email\" name=\"email\" required></label>\n";
  body += "    <button type=\"submit\">" + std::string(t(l, "Skicka länk", "Send link")) +
          "</button>\n  </form>\n  <p><a href=\"" + link(ctx, "/login") + "\">" +
          std::string(t(l, "Tillbaka till inloggningen", "Back to sign-in")) +
          "</a></p>\n</main>\n";
  return document(ctx, title_of(title), body, "auth-page");
}

std::string desktop_fivem_page(const PageContext& ctx) {
  const Lang l = ctx.lang;
  const std::string_view title = t(l, "Skicka till FiveM", "Send to FiveM");
  std::string body = "<main class=\"desktop-fivem\">\n  <h1>" + std::string(title) + "</h1>\n";
  body += "  <p data-api-state>" +
          std::string(t(l, "Letar efter Vantiro Studio …", "Looking for Vantiro Studio …")) +
          "</p>\n";
  body += "  <section>\n    <h2>" + std::string(t(l, "Din FiveM-mapp", "Your FiveM folder")) +
          "</h2>\n";
  body += "    <button type=\"button\" data-action=\"capabilities\">" +
          std::string(t(l, "Visa status", "Show status")) + "</button>\n";
  body += "    <button type=\"button\" data-action=\"pick\">" +
          std::string(t(l, "Välj FiveM-mapp", "Choose FiveM folder")) + "</button>\n";
  body += "    <output id=\"result-capabilities\" data-state=\"idle\"></output>\n";
  body += "    <output id=\"result-pick\" data-state=\"idle\"></output>\n  </section>\n";
  body += "  <section>\n    <h2>" + std::string(t(l, "Resurser", "Resources")) +
          "</h2>\n    <table>\n      <thead><tr><th>" + std::string(t(l, "Namn", "Name")) +
          "</th><th>" + std::string(t(l, "Innehåll", "Contents")) + "</th><th></th><th>" +
          std::string(t(l, "Resultat", "Result")) + "</th></tr></thead>\n      <tbody>\n";
  for (const ResourceInfo& r : sample_resources()) {
    const std::string name(r.name);
    body += "        <tr><td><code>" + name + "</code></td><td>" +
            std::string(t(l, r.summary_sv, r.summary_en)) +
            "</td><td><button type=\"button\" data-action=\"send:" + name + "\">" +
            std::string(t(l, "Skicka", "Send")) + "</button></td><td><output id=\"result-send-" +
            name + "\" data-state=\"idle\"></output></td></tr>\n";
  }
  body += "      </tbody>\n    </table>\n  </section>\n";
  body += "  <section>\n    <h2>" + std::string(t(l, "Logg", "Log")) +
          "</h2>\n    <ol data-log></ol>\n  </section>\n</main>\n";
  body +=
      "<script type=\"application/json\" id=\"desktop-texts\">" +
      std::string(t(
          l,
          R"({"present":"Vantiro Studio är anslutet (version %s).","absent":"Sidan körs inte i Vantiro Studio.","loading":"Hämtar resursen …","sending":"Skickar …"})",
          R"({"present":"Vantiro Studio is connected (version %s).","absent":"This page is not running in Vantiro Studio.","loading":"Fetching the resource …","sending":"Sending …"})")) +
      "</script>\n";
  return document(ctx, title_of(title), body, "",
                  "<script src=\"/assets/desktop-fivem.js\" defer></script>\n");
}

std::string not_found_page(const PageContext& ctx) {
  const Lang l = ctx.lang;
  const std::string_view title = t(l, "Sidan finns inte", "Page not found");
  std::string body = "<main class=\"not-found\">\n  <h1>" + std::string(title) +
                     "</h1>\n  <p><a href=\"" + link(ctx, "/editor") + "\">" +
                     std::string(t(l, "Till editorn", "Go to the editor")) + "</a></p>\n</main>\n";
  return document(ctx, title_of(title), body);
}

}  // namespace vantiro::devservice
