#!/usr/bin/env bash
# Tests the stand-in web service over real HTTPS with curl: it starts the service on a high
# port with a certificate from a CA made for the run and checks each kind of route, then
# checks that scripts/with-service.sh serves it on port 443 inside a private namespace and
# leaves the machine as it was.
# Uses the linux-debug build (BUILD_DIR overrides it) and builds the two programs it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build=${BUILD_DIR:-build/linux-debug}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset linux-debug >/dev/null
fi
cmake --build "$build" -j2 --target vantiro_devservice vantiro_devservice_json_probe >/dev/null
service=$root/$build/devservice/vantiro_devservice
probe=$root/$build/devservice/vantiro_devservice_json_probe
host=$("$service" --print-host)

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { :; }

# --- a CA and a server certificate for both names, as with-service.sh makes them
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantiro test CA" \
  -keyout "$work/ca.key" -out "$work/ca.pem" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=$host" \
  -keyout "$work/server.key" -out "$work/server.csr" 2>/dev/null
printf 'subjectAltName=DNS:%s,DNS:www.%s\nextendedKeyUsage=serverAuth\n' "$host" "$host" \
  >"$work/ext.cnf"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -days 2 -extfile "$work/ext.cnf" -out "$work/server.pem" 2>/dev/null

# A release of a size the studio would install.
head -c 300000 /dev/urandom >"$work/release.exe"
release_sha=$(sha256sum "$work/release.exe" | cut -d' ' -f1)
secret=$(openssl rand -hex 16)

port=
for _ in 1 2 3 4 5; do
  candidate=$((20000 + RANDOM % 40000))
  "$service" --port "$candidate" --cert "$work/server.pem" --key "$work/server.key" \
    --release-file "$work/release.exe" --release-version 1.9.10 --admin-secret "$secret" \
    --account "seed@example.se:seed-password" --kdf-rounds 1000 2>"$work/service.log" &
  pid=$!
  for _ in $(seq 1 100); do
    if curl -s -o /dev/null --cacert "$work/ca.pem" --resolve "$host:$candidate:127.0.0.1" \
      "https://$host:$candidate/api/desktop-app/status"; then
      port=$candidate
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$port" ] && break
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
done
if [ -z "$port" ]; then
  echo "FAIL: the service did not start"; cat "$work/service.log"; exit 1
fi
base="https://$host:$port"

# get URL [curl args...]: body in $work/body, headers in $work/headers, sets $code and $ctype.
get() {
  local url=$1
  shift
  local out
  out=$(curl -sS --cacert "$work/ca.pem" --resolve "$host:$port:127.0.0.1" \
    --resolve "www.$host:$port:127.0.0.1" -o "$work/body" -D "$work/headers" \
    -w '%{http_code} %{content_type}' "$@" "$url") || out="000 "
  code=${out%% *}
  ctype=${out#* }
}
expect_code() { [ "$code" = "$1" ] || fail "$2: status $code, expected $1"; }
expect_body() { grep -qF -- "$1" "$work/body" || fail "$2: body lacks $1"; }
expect_header() { grep -qiF -- "$1" "$work/headers" || fail "$2: no header $1"; }
set_cookie_line() { grep -i '^set-cookie: quorvanta.sid=' "$work/headers" | tr -d '\r' || true; }
location() { grep -i '^location:' "$work/headers" | tr -d '\r' | cut -d' ' -f2- || true; }
json() { "$probe" "$@" <"$work/body"; }

# --- every catalog page in both languages, titled with its label (one curl for all of them)
pages_args=()
pages_expect=()
n=0
while IFS='|' read -r route sv en; do
  [ -n "$route" ] || continue
  for lang in sv en; do
    label=$sv
    [ "$lang" = en ] && label=$en
    n=$((n + 1))
    pages_args+=(-o "$work/page-$n" "$base/$lang$route")
    pages_expect+=("$lang|$route|$label")
  done
done <<'EOF'
/editor|Ped-editorn|Ped Editor
/vehicles/editor|Fordonsstudion|Vehicle Studio
/weapons/editor|Vapeneditorn|Weapon Editor
/tools/sounds|Ljudredigeraren|Audio Editor
/tools/ai-prop|AI Prop 3D|AI Prop 3D
/tools/retexture|Texturer|Retexture
/projects|Mina projekt|Projects
/fivem-menu|FiveM-meny|FiveM Menu
/gta|GTA-databas|GTA Database
/docs|Guider|Guides
/pricing|Priser &amp; krediter|Pricing &amp; Credits
/account|Konto|Account
/vehicles/livery|Livery|Livery
/vehicles/els|ELS till sirener|ELS to sirens
/vehicles/optimiser|Fordonsoptimering|Vehicle optimiser
/vehicles/boat|Båt|Boat
/vehicles/handling|Handling|Handling
/vehicles/wheels|Hjul|Wheels
/vehicles/editor?tool=stance|Stance|Stance
/vehicles/modkit|Karosskit och fälgar|Body kits and rims
/vehicles/prepare|Förbered fordon|Prepare vehicle
/tools/addon-import|Add-on-import|Add-on import
/tools/plates|Nummerplåtar|Number plates
/clothing-studio|Klädstudion|Clothing studio
/tools/tattoos|Tatueringar|Tattoos
/tools/face-skin|Ansiktshud|Face skin
/tools/chain|Kedjor|Chains
/tools/pets|Djurpeds|Animal peds
/tools/animation|Animation|Animation
/tools/retopo|LOD-nivåer|LOD levels
/tools/weapon-creator|Vapenskaparen|Weapon creator
/tools/weapon-skins|Vapenskins|Weapon skins
/tools/mlo|MLO-skaparen|MLO creator
/tools/shell|Skalskaparen|Shell creator
/tools/prop|Props|Props
/tools/model|Modellkonvertering|Model converter
/tools/map-optimiser|Kartoptimering|Map optimiser
/tools/optimizer|Resursoptimering|Resource optimiser
/tools/textures|PNG till YTD|PNG to YTD
/ped-check|Filkontroll|Asset check
/tools/server-hub|Serverhubben|Server hub
/terms|Användarvillkor|Terms of use
/privacy|Integritetspolicy|Privacy policy
/login|Logga in|Sign in
/signup|Skapa konto|Create account
/desktop/fivem|Skicka till FiveM|Send to FiveM
EOF
curl -sS --cacert "$work/ca.pem" --resolve "$host:$port:127.0.0.1" \
  -w '%{http_code} %{content_type}\n' "${pages_args[@]}" >"$work/pages.status" ||
  fail "fetching the catalog pages"
i=0
while read -r page_code page_ctype; do
  IFS='|' read -r lang route label <<<"${pages_expect[$i]}"
  i=$((i + 1))
  where="/$lang$route"
  [ "$page_code" = 200 ] || fail "$where: status $page_code"
  [ "$page_ctype" = "text/html; charset=utf-8" ] || fail "$where: content type $page_ctype"
  grep -qF "<title>$label · Vantiro</title>" "$work/page-$i" || fail "$where: not titled $label"
  grep -qF "<html lang=\"$lang\">" "$work/page-$i" || fail "$where: not in language $lang"
done <"$work/pages.status"
[ "$i" -eq "${#pages_expect[@]}" ] || fail "fetched $i of ${#pages_expect[@]} catalog pages"

# Tool pages carry a main element (the weapon page's probe looks for one).
get "$base/en/weapons/editor"
expect_body "<main class=\"tool\"" "weapon editor main element"
# Another query on the vehicle editor is the vehicle editor itself.
get "$base/sv/vehicles/editor?tool=paint"
expect_body "<title>Fordonsstudion · Vantiro</title>" "vehicle editor with another tool query"
# The www. name is the same service.
get "https://www.$host:$port/en/editor"
expect_code 200 "www editor page"
# The withdrawal document is a section of the account page.
for lang in sv en; do
  get "$base/$lang/account"
  expect_body 'id="withdrawals"' "/$lang/account#withdrawals"
done

# --- the start pages: editor host, same-origin editor frame, site header to hide
for lang in sv en; do
  get "$base/$lang/editor"
  expect_body '<header class="vantiro-public-header" data-vantiro-header>' "/$lang/editor header"
  expect_body '<div class="vantiro-editor-host">' "/$lang/editor host"
  expect_body "<iframe class=\"vantiro-editor-frame\" src=\"/$lang/editor/frame\"" \
    "/$lang/editor frame"
  expect_body 'class="vantiro-public-footer"' "/$lang/editor footer"
  get "$base/$lang/editor/frame"
  expect_code 200 "/$lang/editor/frame"
  expect_body "<html lang=\"$lang\" data-vantiro-editor-frame>" "/$lang/editor/frame mark"
done
get "$base/sv/editor"
expect_header "X-Frame-Options: SAMEORIGIN" "editor page framing"

# --- redirects, unknown pages, other hosts
get "$base/"
expect_code 302 "/"
[ "$(location)" = "/en/editor" ] || fail "/ went to '$(location)'"
get "$base/" -H "Accept-Language: sv-SE,sv;q=0.9"
[ "$(location)" = "/sv/editor" ] || fail "/ in Swedish went to '$(location)'"
get "$base/sv"
[ "$(location)" = "/sv/editor" ] || fail "/sv went to '$(location)'"
get "$base/terms"
[ "$(location)" = "/en/terms" ] || fail "/terms went to '$(location)'"
get "$base/vehicles/editor?tool=stance"
[ "$(location)" = "/en/vehicles/editor?tool=stance" ] || fail "stance went to '$(location)'"
for p in /sv/no-such-tool /en/tools /svx/editor /tools/no-such-tool; do
  get "$base$p"
  expect_code 404 "$p"
done
get "$base/sv/editor" -H "Host: $host.example.net"
expect_code 421 "a look-alike Host header"

# --- assets
get "$base/assets/desktop-fivem.js"
expect_code 200 "desktop page script"
[ "$ctype" = "text/javascript; charset=utf-8" ] || fail "desktop script content type $ctype"
for api in getCapabilities pickFiveMFolder sendToFiveM __VANTIRO_DESKTOP__; do
  expect_body "$api" "desktop page script uses $api"
done
# The page scripts must at least parse.
for js in site.js editor-frame.js desktop-fivem.js; do
  get "$base/assets/$js"
  expect_code 200 "/assets/$js"
  cp "$work/body" "$work/$js"
  node --check "$work/$js" || fail "/assets/$js does not parse"
done
get "$base/assets/site.css"
[ "$ctype" = "text/css; charset=utf-8" ] || fail "style sheet content type $ctype"
get "$base/assets/../../devservice/service.cpp" --path-as-is
[ "$code" != 200 ] || fail "assets served a path outside themselves"

# --- account summary, sign-up, sign-in, sign-out
get "$base/api/account/summary"
expect_code 401 "summary without a cookie"
[ "$(json loginRequired)" = "loginRequired=true" ] || fail "summary without a cookie: $(cat "$work/body")"
get "$base/api/account/summary" -H "Cookie: quorvanta.sid=0123456789abcdef"
expect_code 401 "summary with an unknown session"

get "$base/en/signup" --data-urlencode "email=New.User@Example.se" \
  --data-urlencode "name=Nya Användaren" --data-urlencode "password=correct horse" \
  --data-urlencode "returnTo=/en/projects"
expect_code 303 "sign-up"
[ "$(location)" = "/en/projects" ] || fail "sign-up went to '$(location)'"
cookie_line=$(set_cookie_line)
case "$cookie_line" in
  *"; Secure"*"; HttpOnly"*"; SameSite=Lax"*) ;;
  *) fail "session cookie attributes: $cookie_line" ;;
esac
case "$cookie_line" in *"Domain=$host;"*) ;; *) fail "cookie not shared with www.: $cookie_line" ;; esac
sid=$(printf '%s' "$cookie_line" | sed -n 's/^[Ss]et-[Cc]ookie: quorvanta.sid=\([0-9a-f]*\);.*/\1/p')
[ ${#sid} -eq 64 ] || fail "session id '$sid' is not 64 hexadecimal characters"

get "$base/api/account/summary" -H "Cookie: theme=dark; quorvanta.sid=$sid; other=1"
expect_code 200 "summary with the new session"
[ "$ctype" = "application/json; charset=utf-8" ] || fail "summary content type $ctype"
expect_header "Cache-Control: no-store" "summary caching"
summary=$(json loginRequired user user.email user.name)
[ "$summary" = "loginRequired=false
user=(object)
user.email=new.user@example.se
user.name=Nya Användaren" ] || fail "summary of the new account: $summary"
get "https://www.$host:$port/api/account/summary" -H "Cookie: quorvanta.sid=$sid"
expect_code 200 "summary on www. with the same session"
get "$base/en/account" -H "Cookie: quorvanta.sid=$sid"
expect_body "new.user@example.se" "account page of the signed-in user"
get "$base/sv/login?returnTo=%2Fsv%2Fdocs" -H "Cookie: quorvanta.sid=$sid"
expect_code 303 "sign-in page while signed in"
[ "$(location)" = "/sv/docs" ] || fail "signed-in sign-in page went to '$(location)'"

# What a user typed comes back escaped, never as markup.
get "$base/en/signup" --data-urlencode 'email=x@example.se' \
  --data-urlencode 'name=<script>alert(1)</script>' --data-urlencode 'password=long enough'
xss_sid=$(set_cookie_line | sed -n 's/^[Ss]et-[Cc]ookie: quorvanta.sid=\([0-9a-f]*\);.*/\1/p')
get "$base/en/account" -H "Cookie: quorvanta.sid=$xss_sid"
expect_body '&lt;script&gt;alert(1)&lt;/script&gt;' "account page shows the name escaped"
! grep -qF '<script>alert(1)' "$work/body" || fail "account page put the name in as markup"
get "$base/sv/login?returnTo=%22%3E%3Cscript%3E"
! grep -qF '"><script>' "$work/body" || fail "sign-in page put returnTo in as markup"
get "$base/en/signup" --data-urlencode "email=new.user@example.se" --data-urlencode "password=another one"
expect_code 409 "second sign-up with the same address"
[ -z "$(set_cookie_line)" ] || fail "a refused sign-up set a cookie"
get "$base/en/signup" --data-urlencode "email=not-an-address" --data-urlencode "password=long enough"
expect_code 400 "sign-up with a bad address"
get "$base/en/signup" --data-urlencode "email=short@example.se" --data-urlencode "password=short"
expect_code 400 "sign-up with a short password"

# Sign-in: wrong password and unknown address answer alike; the form keeps a safe returnTo.
for creds in "seed@example.se:wrong-password" "nobody@example.se:seed-password"; do
  get "$base/sv/login" --data-urlencode "email=${creds%%:*}" \
    --data-urlencode "password=${creds#*:}" --data-urlencode "returnTo=/sv/projects"
  expect_code 401 "sign-in as $creds"
  [ -z "$(set_cookie_line)" ] || fail "sign-in as $creds set a cookie"
  expect_body "Fel e-postadress eller lösenord." "sign-in as $creds"
  expect_body 'name="returnTo" value="/sv/projects"' "sign-in as $creds keeps returnTo"
done
while IFS='|' read -r target expected; do
  get "$base/sv/login" --data-urlencode "email=SEED@example.se" \
    --data-urlencode "password=seed-password" --data-urlencode "returnTo=$target"
  expect_code 303 "sign-in with returnTo $target"
  [ "$(location)" = "$expected" ] || fail "returnTo '$target' went to '$(location)'"
  [ -n "$(set_cookie_line)" ] || fail "sign-in with returnTo $target set no cookie"
done <<'EOF'
/sv/editor?x=1|/sv/editor?x=1
//evil.example/|/sv/editor
/\evil.example/|/sv/editor
https://evil.example/|/sv/editor
|/sv/editor
EOF
seed_sid=$(set_cookie_line | sed -n 's/^[Ss]et-[Cc]ookie: quorvanta.sid=\([0-9a-f]*\);.*/\1/p')

get "$base/sv/login" --data-urlencode "email=seed@example.se" \
  --data-urlencode "password=seed-password" -H "Origin: https://evil.example"
expect_code 403 "sign-in posted from another site"
[ -z "$(set_cookie_line)" ] || fail "sign-in from another site set a cookie"
get "$base/sv/login" --data-urlencode "email=seed@example.se" \
  --data-urlencode "password=seed-password" -H "Origin: https://www.$host"
expect_code 303 "sign-in posted from the www. page"

get "$base/api/auth/discord/start?returnTo=%2Fsv%2Feditor"
expect_code 302 "Discord start"
[ "$(location)" = "/sv/login?notice=discord&returnTo=%2Fsv%2Feditor" ] ||
  fail "Discord start went to '$(location)'"

get "$base/sv/logout" --data "" -H "Cookie: quorvanta.sid=$seed_sid"
expect_code 303 "sign-out"
cleared=$(set_cookie_line)
case "$cleared" in
  "Set-Cookie: quorvanta.sid=; Domain=$host; Path=/; Max-Age=0; Expires="*) ;;
  *) fail "sign-out did not clear the cookie: $cleared" ;;
esac
get "$base/api/account/summary" -H "Cookie: quorvanta.sid=$seed_sid"
expect_code 401 "summary after sign-out"
get "$base/api/account/summary" -H "Cookie: quorvanta.sid=$sid"
expect_code 200 "another user's session survives a sign-out"

# --- release status and download
get "$base/api/desktop-app/status"
expect_code 200 "status"
[ "$ctype" = "application/json; charset=utf-8" ] || fail "status content type $ctype"
status=$(json ready version sha256 bytes)
[ "$status" = "ready=true
version=1.9.10
sha256=$release_sha
bytes=300000" ] || fail "status: $status"
[ "$(wc -c <"$work/body")" -le 4096 ] || fail "status answer is over 4096 bytes"
get "$base/downloads/desktop/Vantiro.exe"
expect_code 200 "download"
[ "$(wc -c <"$work/body")" -eq 300000 ] || fail "download size $(wc -c <"$work/body")"
[ "$(sha256sum "$work/body" | cut -d' ' -f1)" = "$release_sha" ] || fail "download digest"
expect_header 'Content-Disposition: attachment; filename="Vantiro.exe"' "download name"

admin() {
  get "$base/_devservice/release" -H "X-Devservice-Secret: $secret" "$@"
}
get "$base/_devservice/release" -H "X-Devservice-Secret: wrong" --data "clear=1"
expect_code 404 "admin call with a wrong secret"
get "$base/_devservice/release" --data "clear=1"
expect_code 404 "admin call without a secret"
get "$base/api/desktop-app/status"
[ "$(json version)" = "version=1.9.10" ] || fail "a refused admin call changed the release"

# mode | expected status members (the file stays the same)
flipped=$(printf '%s' "$release_sha" | sed 's/.$//')$(printf '%x' $((0x${release_sha: -1} ^ 1)))
while IFS='|' read -r mode expected; do
  admin --data-urlencode "file=$work/release.exe" --data "version=2.0.0&mode=$mode"
  expect_code 200 "admin: mode $mode"
  get "$base/api/desktop-app/status"
  got=$(json ready version sha256 bytes || true)
  [ "$got" = "$(printf '%b' "$expected")" ] || fail "status in mode $mode: $got"
  get "$base/downloads/desktop/Vantiro.exe"
  [ "$(sha256sum "$work/body" | cut -d' ' -f1)" = "$release_sha" ] ||
    fail "mode $mode changed the downloaded file"
done <<EOF
valid|ready=true\nversion=2.0.0\nsha256=$release_sha\nbytes=300000
wrong-digest|ready=true\nversion=2.0.0\nsha256=$flipped\nbytes=300000
wrong-version|ready=true\nversion=2.0.1\nsha256=$release_sha\nbytes=300000
wrong-size|ready=true\nversion=2.0.0\nsha256=$release_sha\nbytes=300001
no-digest|ready=true\nversion=2.0.0\nsha256 missing\nbytes missing
not-ready|ready=false\nversion=2.0.0\nsha256=$release_sha\nbytes=300000
EOF
admin --data-urlencode "file=$work/no-such-file" --data "version=2.0.0"
expect_code 400 "admin: a missing file"
admin --data-urlencode "file=$work/release.exe" --data "version=2.0.0&mode=bogus"
expect_code 400 "admin: an unknown mode"
admin --data "clear=1"
expect_code 200 "admin: clear"
get "$base/api/desktop-app/status"
[ "$(json ready version sha256)" = "ready=true
version=1.9.4
sha256 missing" ] || fail "status without a release: $(cat "$work/body")"
get "$base/downloads/desktop/Vantiro.exe"
expect_code 404 "download without a release"

# --- the page that uses the desktop API, and its sample resources
get "$base/en/desktop/fivem"
expect_body 'src="/assets/desktop-fivem.js"' "desktop page script"
for name in vantiro_police_cruiser vantiro_hud vantiro_city_textures vantiro_city_textures_xl; do
  expect_body "data-action=\"send:$name\"" "desktop page offers $name"
done
while IFS='|' read -r name files bytes; do
  get "$base/api/fivem/samples/$name"
  expect_code 200 "sample $name"
  got=$("$probe" --resource <"$work/body" || true)
  [ "$got" = "name=$name
files=$files
bytes=$bytes
manifest=yes" ] || fail "sample $name: $got"
done <<'EOF'
vantiro_police_cruiser|9|2362147
vantiro_hud|5|915
vantiro_city_textures|5|67108864
vantiro_city_textures_xl|5|67108865
EOF
get "$base/api/fivem/samples/vantiro_hud"
cp "$work/body" "$work/hud.json"
get "$base/sv/desktop/fivem"
cp "$work/body" "$work/desktop.html"
get "$base/assets/desktop-fivem.js"
node devservice/desktop_page_test.js "$work/desktop.html" "$work/body" "$work/hud.json" \
  vantiro_hud || fail "the desktop page script"
get "$base/api/fivem/samples/vantiro_hud"
first=$(sha256sum "$work/body")
get "$base/api/fivem/samples/vantiro_hud"
[ "$(sha256sum "$work/body")" = "$first" ] || fail "samples differ between requests"
get "$base/api/fivem/samples/../../../etc/passwd" --path-as-is
expect_code 404 "unknown sample"

# --- the end-to-end test pages are off unless asked for
get "$base/_e2e/plan"
expect_code 404 "test pages without --test-pages"
get "$base/_devservice/e2e" -H "X-Devservice-Secret: $secret" --data "plan={}"
expect_code 404 "test admin without --test-pages"
get "$base/en/editor"
expect_body '<div class="vantiro-editor-host">' "the editor page without --test-pages"

# --- a clean stop
kill -TERM "$pid"
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  fail "the service did not stop on SIGTERM"
else
  wait "$pid" && rc=0 || rc=$?
  [ "$rc" -eq 0 ] || fail "the service stopped with code $rc"
fi
pid=

# --- with-service.sh: port 443, the real names, the system's trust, and no trace outside
listeners() { ss -Hltn 'sport = :443' 2>/dev/null || true; }
before=$(sha256sum /etc/hosts /etc/ssl/certs/ca-certificates.crt; getent hosts "$host"; listeners)
out=$(VANTIRO_DEVSERVICE=$service scripts/with-service.sh curl -sS "https://$host/sv/editor") &&
  rc=0 || rc=$?
[ "$rc" -eq 0 ] || fail "with-service.sh curl exited with $rc"
case "$out" in
  *'<div class="vantiro-editor-host">'*) ;;
  *) fail "with-service.sh curl did not print the editor page: ${out:0:200}" ;;
esac
VANTIRO_DEVSERVICE=$service scripts/with-service.sh sh -c 'exit 7' && rc=0 || rc=$?
[ "$rc" -eq 7 ] || fail "with-service.sh passed on code $rc instead of 7"
out=$(VANTIRO_DEVSERVICE=$service scripts/with-service.sh --release-file "$work/release.exe" \
  --release-version 1.9.10 -- sh -c 'curl -sS "https://www.$1/api/desktop-app/status" &&
    curl -sS -H "X-Devservice-Secret: $VANTIRO_DEVSERVICE_SECRET" -d clear=1 \
      "https://$1/_devservice/release"' sh "$host")
case "$out" in
  "{\"ready\":true,\"version\":\"1.9.10\",\"sha256\":\"$release_sha\""*'{"ready":true,"version":"1.9.4"}') ;;
  *) fail "with-service.sh with a release and the admin secret: $out" ;;
esac
after=$(sha256sum /etc/hosts /etc/ssl/certs/ca-certificates.crt; getent hosts "$host"; listeners)
[ "$before" = "$after" ] || fail "with-service.sh left a trace: $before / $after"
VANTIRO_DEVSERVICE=$service scripts/with-service.sh --release-file "$work/no-such-file" \
  --release-version 2.0.0 -- true 2>/dev/null && rc=0 || rc=$?
[ "$rc" -eq 125 ] || fail "with-service.sh ran the command without a service (code $rc)"

# With --test-pages: the folder's pages, the plan, the start redirect and the report box.
mkdir "$work/pages"
echo '<p>page</p>' >"$work/pages/one.html"
echo 'secret' >"$work/pages-outside.html"
out=$(VANTIRO_DEVSERVICE=$service scripts/with-service.sh --test-pages "$work/pages" -- sh -c '
  a="https://$1"; s="X-Devservice-Secret: $VANTIRO_DEVSERVICE_SECRET"
  q() { curl -sS -o /dev/null -w "%{http_code} " "$@"; }
  q "$a/_e2e/one.html"; q "$a/_e2e/..%2Fpages-outside.html" --path-as-is; q "$a/_e2e/one.exe"
  q -d "not json" "$a/_e2e/report"; q -d "{\"step\":\"x\"}" "$a/_e2e/report"
  q -d "plan={}" "$a/_devservice/e2e"
  q -H "$s" -d "start=//evil.example/" "$a/_devservice/e2e"
  curl -sS -H "$s" --data-urlencode "plan={\"run\":\"r\"}" -d start=/_e2e/one.html \
    "$a/_devservice/e2e"; echo
  curl -sS "$a/_e2e/plan"; echo
  curl -sS -o /dev/null -w "%{http_code} %{redirect_url}\n" "$a/sv/editor"
  curl -sS -H "$s" -d start= -d clear_reports=1 "$a/_devservice/e2e"; echo
  q "$a/sv/editor"' sh "$host") || fail "with-service.sh --test-pages"
[ "$out" = '200 404 404 400 204 404 400 [{"step":"x"}]
{"run":"r"}
302 https://'"$host"'/_e2e/one.html
[]
200 ' ] || fail "the test pages: $out"

# WebKitGTK trusts the run's CA too, the start page has the layout the studio expects, and
# the session cookie works in a real engine.
VANTIRO_DEVSERVICE=$service scripts/with-service.sh --account "Web.Check@example.se:web-check-1" \
  -- xvfb-run -a devservice/webkit_page_check.py "$host" "Web.Check@example.se:web-check-1" ||
  fail "the pages in WebKitGTK"

# The same without root, through an unprivileged user namespace, where the system allows it.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$work")
  if "${as_nobody[@]}" unshare --user --map-root-user --net true 2>/dev/null; then
    chmod 755 "$work"
    out=$("${as_nobody[@]}" VANTIRO_DEVSERVICE="$service" scripts/with-service.sh \
      curl -sS "https://www.$host/en/editor") || fail "with-service.sh as an unprivileged user"
    case "$out" in
      *'<div class="vantiro-editor-host">'*) ;;
      *) fail "with-service.sh as an unprivileged user: ${out:0:200}" ;;
    esac
  else
    echo "note: this system allows no unprivileged user namespaces; that path was not run"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "devservice: $failures failure(s)"
  exit 1
fi
echo "devservice: all checks passed"
