#include "service.h"

#include <httplib.h>
#include <openssl/crypto.h>

#include <chrono>

#include "catalog.h"
#include "common/json.h"
#include "http_util.h"
#include "pages.h"
#include "resources.h"

namespace vantiro::devservice {
namespace {

constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr char kJson[] = "application/json; charset=utf-8";

std::uint64_t now_s() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
}

// Shared by the service's host and its "www." variant, like a real service's session.
std::string session_cookie(std::string_view host, std::string_view value) {
  return std::string(kSessionCookie) + "=" + std::string(value) + "; Domain=" + std::string(host) +
         "; Path=/; Max-Age=" + std::to_string(Accounts::kSessionSeconds) +
         "; Secure; HttpOnly; SameSite=Lax";
}

std::string cleared_session_cookie(std::string_view host) {
  return std::string(kSessionCookie) + "=; Domain=" + std::string(host) +
         "; Path=/; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Secure; HttpOnly; "
         "SameSite=Lax";
}

Lang preferred_lang(const httplib::Request& req) {
  const std::string al = req.get_header_value("Accept-Language");
  return al.starts_with("sv") ? Lang::sv : Lang::en;
}

void no_store(httplib::Response& res) {
  res.set_header("Cache-Control", "no-store");
}

void html(httplib::Response& res, int status, std::string body) {
  res.status = status;
  no_store(res);
  res.set_content(std::move(body), kHtml);
}

std::string return_target(const httplib::Request& req, Lang lang) {
  const std::string r = req.get_param_value("returnTo");
  if (is_local_return_path(r)) return r;
  return std::string(lang_prefix(lang)) + "/editor";
}

// The returnTo the forms carry on; an unsafe one is dropped rather than echoed.
std::string form_return(const httplib::Request& req) {
  const std::string r = req.get_param_value("returnTo");
  return is_local_return_path(r) ? r : std::string();
}

bool is_loopback(const std::string& addr) {
  return addr == "127.0.0.1" || addr == "::1" || addr == "::ffff:127.0.0.1";
}

FormNotice notice_for(SignUpError e) {
  switch (e) {
    case SignUpError::invalid_email:
      return FormNotice::invalid_email;
    case SignUpError::invalid_name:
      return FormNotice::invalid_name;
    case SignUpError::weak_password:
      return FormNotice::weak_password;
    case SignUpError::exists:
      return FormNotice::exists;
    case SignUpError::none:
      break;
  }
  return FormNotice::none;
}

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)), accounts_(options_.kdf_rounds) {
  if (!options_.test_pages.empty()) test_pages_.emplace(options_.test_pages);
}

void Service::set_release(std::optional<Release> release) {
  std::shared_ptr<const Release> next;
  if (release) next = std::make_shared<const Release>(std::move(*release));
  std::lock_guard lock(mu_);
  release_ = std::move(next);
}

std::shared_ptr<const Release> Service::release() const {
  std::lock_guard lock(mu_);
  return release_;
}

std::optional<Account> Service::session_account(const httplib::Request& req) {
  const auto sid = cookie_value(req.get_header_value("Cookie"), kSessionCookie);
  if (!sid || sid->empty()) return std::nullopt;
  return accounts_.account_for_session(*sid, now_s());
}

void Service::install(httplib::Server& server) {
  server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "same-origin"},
                              {"X-Frame-Options", "SAMEORIGIN"}});
  // Forms and the admin call are small; nothing larger is ever posted here.
  server.set_payload_max_length(64 * 1024);
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (is_service_host_header(req.get_header_value("Host"), options_.host))
      return httplib::Server::HandlerResponse::Unhandled;
    res.status = 421;
    res.set_content("This server only answers for " + options_.host + ".\n",
                    "text/plain; charset=utf-8");
    return httplib::Server::HandlerResponse::Handled;
  });
  server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { get(req, res); });
  server.Post(".*",
              [this](const httplib::Request& req, httplib::Response& res) { post(req, res); });
}

void Service::get(const httplib::Request& req, httplib::Response& res) {
  const std::string& path = req.path;

  if (path == "/api/desktop-app/status") {
    const auto r = release();
    no_store(res);
    res.set_content(release_status_json(r.get(), options_.own_version), kJson);
    return;
  }
  if (path == "/downloads/desktop/Vantiro.exe") {
    const auto r = release();
    if (!r) {
      res.status = 404;
      res.set_content("No release is offered.\n", "text/plain; charset=utf-8");
      return;
    }
    std::shared_ptr<const std::string> bytes = r->bytes;
    res.set_header("Content-Disposition", "attachment; filename=\"Vantiro.exe\"");
    no_store(res);
    res.set_content_provider(
        bytes->size(), "application/vnd.microsoft.portable-executable",
        [bytes](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          constexpr std::size_t kChunk = 256 * 1024;
          return sink.write(bytes->data() + offset, std::min(length, kChunk));
        });
    return;
  }
  if (path == "/api/account/summary") {
    no_store(res);
    const auto account = session_account(req);
    if (!account) {
      res.status = 401;
      json::ObjectWriter w;
      w.add_bool("loginRequired", true).add_string("code", "loginRequired");
      res.set_content(w.to_string(), kJson);
      return;
    }
    json::ObjectWriter user;
    user.add_string("id", account->id)
        .add_string("email", account->email)
        .add_string("name", account->name)
        .add_integer("credits", account->credits);
    json::ObjectWriter w;
    w.add_bool("loginRequired", false).add_object("user", std::move(user));
    res.set_content(w.to_string(), kJson);
    return;
  }
  if (path == "/api/auth/discord/start") {
    const std::string to = req.get_param_value("returnTo");
    const auto lp = split_lang_path(to);
    const Lang lang = lp ? lp->lang : preferred_lang(req);
    std::string target = std::string(lang_prefix(lang)) + "/login?notice=discord";
    if (is_local_return_path(to)) {
      target += "&returnTo=" + httplib::detail::encode_query_param(to);
    }
    res.set_redirect(target, 302);
    return;
  }
  constexpr std::string_view kSamples = "/api/fivem/samples/";
  if (path.starts_with(kSamples)) {
    const auto r = make_sample_resource(std::string_view(path).substr(kSamples.size()));
    if (!r) {
      res.status = 404;
      res.set_content("{\"error\":\"unknown_resource\"}", kJson);
      return;
    }
    // 90 MB for the largest sample: handed out from one buffer instead of copied into the
    // response.
    auto body = std::make_shared<const std::string>(send_payload_json(*r));
    no_store(res);
    res.set_content_provider(
        body->size(), kJson,
        [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          return sink.write(body->data() + offset, std::min<std::size_t>(length, 1024 * 1024));
        });
    return;
  }
  constexpr std::string_view kTestPages = "/_e2e/";
  if (test_pages_ && path.starts_with(kTestPages)) {
    no_store(res);
    const std::string_view name = std::string_view(path).substr(kTestPages.size());
    if (name == "plan") {
      res.set_content(test_pages_->plan(), kJson);
      return;
    }
    auto f = test_pages_->file(name);
    if (!f) {
      res.status = 404;
      return;
    }
    res.set_content(std::move(f->body), f->content_type);
    return;
  }
  constexpr std::string_view kAssets = "/assets/";
  if (path.starts_with(kAssets)) {
    const auto a = asset(std::string_view(path).substr(kAssets.size()));
    if (!a) {
      res.status = 404;
      return;
    }
    res.set_header("Cache-Control", "public, max-age=300");
    res.set_content(std::string(a->first), std::string(a->second));
    return;
  }

  const auto lp = split_lang_path(path);
  if (!lp) {
    // Pages reached without a language go to the visitor's language, as a real site does.
    const Lang lang = preferred_lang(req);
    std::string target = std::string(lang_prefix(lang)) + (path == "/" ? "/editor" : path);
    if (path == "/" || find_tool_page(path, "") || path == "/terms" || path == "/privacy" ||
        path == "/login" || path == "/signup") {
      if (path == "/vehicles/editor" && req.get_param_value("tool") == "stance")
        target += "?tool=stance";
      res.set_redirect(target, 302);
      return;
    }
    PageContext ctx{lang, path, session_account(req), release() != nullptr};
    html(res, 404, not_found_page(ctx));
    return;
  }

  PageContext ctx{lp->lang, lp->rest, session_account(req), release() != nullptr};
  const std::string& rest = lp->rest;
  if (rest == "/") {
    res.set_redirect(std::string(lang_prefix(lp->lang)) + "/editor", 302);
  } else if (rest == "/editor") {
    if (test_pages_ && !test_pages_->start().empty()) {
      res.set_redirect(test_pages_->start(), 302);
      return;
    }
    html(res, 200, editor_page(ctx));
  } else if (rest == "/editor/frame") {
    html(res, 200, editor_frame_page(ctx));
  } else if (rest == "/login" || rest == "/signup") {
    if (ctx.user) {
      res.set_redirect(return_target(req, lp->lang), 303);
      return;
    }
    const std::string n = req.get_param_value("notice");
    const FormNotice notice = n == "signed_out" ? FormNotice::signed_out
                              : n == "discord"  ? FormNotice::discord_unavailable
                                                : FormNotice::none;
    html(res, 200,
         rest == "/login" ? login_page(ctx, form_return(req), notice, "")
                          : signup_page(ctx, form_return(req), notice, "", ""));
  } else if (rest == "/forgot-password") {
    html(res, 200, forgot_password_page(ctx, FormNotice::none));
  } else if (rest == "/terms") {
    html(res, 200, legal_page(ctx, LegalPage::terms));
  } else if (rest == "/privacy") {
    html(res, 200, legal_page(ctx, LegalPage::privacy));
  } else if (rest == "/account") {
    html(res, 200, account_page(ctx));
  } else if (rest == "/desktop/fivem") {
    html(res, 200, desktop_fivem_page(ctx));
  } else if (const ToolPage* tool = find_tool_page(rest, req.get_param_value("tool"))) {
    if (tool->route.find('?') != std::string_view::npos) ctx.here = std::string(tool->route);
    html(res, 200, tool_page(ctx, *tool));
  } else {
    html(res, 404, not_found_page(ctx));
  }
}

void Service::post(const httplib::Request& req, httplib::Response& res) {
  if (req.path == "/_devservice/release") {
    admin_release(req, res);
    return;
  }
  if (req.path == "/_devservice/e2e") {
    admin_e2e(req, res);
    return;
  }
  if (test_pages_ && req.path == "/_e2e/report") {
    // Only objects, so the reports read back as one well-formed array.
    if (!json::parse_object(req.body).document) {
      res.status = 400;
      return;
    }
    test_pages_->add_report(req.body);
    res.status = 204;
    return;
  }
  const auto lp = split_lang_path(req.path);
  const std::string rest = lp ? lp->rest : std::string();
  if (!lp ||
      (rest != "/login" && rest != "/signup" && rest != "/logout" && rest != "/forgot-password")) {
    res.status = 404;
    res.set_content("Not found.\n", "text/plain; charset=utf-8");
    return;
  }
  const Lang lang = lp->lang;
  PageContext ctx{lang, rest, session_account(req), release() != nullptr};
  // Browsers name the page a form came from; another site's form must not sign anyone in
  // or out.
  if (req.has_header("Origin") &&
      !is_service_origin_header(req.get_header_value("Origin"), options_.host)) {
    html(res, 403,
         rest == "/signup" ? signup_page(ctx, "", FormNotice::bad_origin, "", "")
                           : login_page(ctx, "", FormNotice::bad_origin, ""));
    return;
  }
  const std::string email = req.get_param_value("email");

  if (rest == "/logout") {
    if (const auto sid = cookie_value(req.get_header_value("Cookie"), kSessionCookie))
      accounts_.end_session(*sid);
    res.set_header("Set-Cookie", cleared_session_cookie(options_.host));
    res.set_redirect(std::string(lang_prefix(lang)) + "/login?notice=signed_out", 303);
    return;
  }
  if (rest == "/forgot-password") {
    html(res, 200, forgot_password_page(ctx, FormNotice::reset_sent));
    return;
  }
  const std::string password = req.get_param_value("password");
  if (rest == "/signup") {
    const std::string name = req.get_param_value("name");
    const SignUpError e = accounts_.sign_up(email, name, password);
    if (e != SignUpError::none) {
      html(res, e == SignUpError::exists ? 409 : 400,
           signup_page(ctx, form_return(req), notice_for(e), email, name));
      return;
    }
  }
  const auto sid = accounts_.sign_in(email, password, now_s());
  if (!sid) {
    html(res, 401, login_page(ctx, form_return(req), FormNotice::wrong_credentials, email));
    return;
  }
  res.set_header("Set-Cookie", session_cookie(options_.host, *sid));
  res.set_redirect(return_target(req, lang), 303);
}

bool Service::admin_allowed(const httplib::Request& req) const {
  const std::string given = req.get_header_value("X-Devservice-Secret");
  const std::string& secret = options_.admin_secret;
  return !secret.empty() && is_loopback(req.remote_addr) && given.size() == secret.size() &&
         CRYPTO_memcmp(given.data(), secret.data(), secret.size()) == 0;
}

void Service::admin_e2e(const httplib::Request& req, httplib::Response& res) {
  if (!test_pages_ || !admin_allowed(req)) {
    res.status = 404;
    res.set_content("Not found.\n", "text/plain; charset=utf-8");
    return;
  }
  no_store(res);
  if (req.has_param("plan")) {
    const std::string plan = req.get_param_value("plan");
    if (!json::parse_object(plan).document) {
      res.status = 400;
      res.set_content("{\"error\":\"the plan must be a JSON object\"}", kJson);
      return;
    }
    test_pages_->set_plan(plan);
  }
  if (req.has_param("start")) {
    const std::string start = req.get_param_value("start");
    if (!start.empty() && !is_local_return_path(start)) {
      res.status = 400;
      res.set_content("{\"error\":\"the start must be a path on this service\"}", kJson);
      return;
    }
    test_pages_->set_start(start);
  }
  if (req.get_param_value("clear_reports") == "1") test_pages_->clear_reports();
  res.set_content(test_pages_->reports_json(), kJson);
}

void Service::admin_release(const httplib::Request& req, httplib::Response& res) {
  if (!admin_allowed(req)) {
    // Looks like any unknown address, so the endpoint does not announce itself.
    res.status = 404;
    res.set_content("Not found.\n", "text/plain; charset=utf-8");
    return;
  }
  no_store(res);
  if (req.get_param_value("clear") == "1") {
    set_release(std::nullopt);
  } else {
    const auto mode = parse_release_mode(req.has_param("mode") ? req.get_param_value("mode")
                                                               : std::string("valid"));
    std::string error;
    std::optional<Release> r;
    if (!mode) {
      error = "unknown mode";
    } else {
      r = load_release(req.get_param_value("file"), req.get_param_value("version"), *mode, error);
    }
    if (!r) {
      res.status = 400;
      json::ObjectWriter w;
      w.add_string("error", error);
      res.set_content(w.to_string(), kJson);
      return;
    }
    set_release(std::move(r));
  }
  const auto now = release();
  res.set_content(release_status_json(now.get(), options_.own_version), kJson);
}

}  // namespace vantiro::devservice
