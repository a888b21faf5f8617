#!/usr/bin/env bash
# Runs a command next to the stand-in web service, in a private network and mount namespace:
# the service's host and its "www." name resolve to 127.0.0.1 there, the service listens on
# port 443, and a CA made for this run is trusted through the system CA bundle (which both
# libcurl/OpenSSL and glib-networking read). Nothing outside the namespace changes, and the
# programs under test are told nothing: they see an ordinary machine on which the service is
# reachable.
#
#   scripts/with-service.sh CMD [ARG...]
#   scripts/with-service.sh --release-file F --release-version V [SERVICE-OPTION...] -- CMD...
#
# Options before "--" go to the service (see vantiro_devservice --help for the list), except
# "--trust FILE" (may be repeated): the CA certificates in FILE join the system CA bundle
# inside the namespace too, as a root a maker's releases are signed under would. The
# command also gets VANTIRO_DEVSERVICE_SECRET (the admin secret of this run), VANTIRO_TEST_CA
# (the CA's certificate) and VANTIRO_DEVSERVICE_LOG (the service's standard error, where
# --verbose logs each request) in its environment. Exits with the command's code.
# The service comes from $VANTIRO_DEVSERVICE, else the linux-debug or linux-release build,
# else it is built (linux-debug).
set -euo pipefail

usage() {
  sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

if [ "${1:-}" = "--inner" ]; then
  # Inside the namespaces, as the namespace's root.
  shift
  work=$1 service=$2 host=$3 nargs=$4
  shift 4
  service_args=("${@:1:$nargs}")
  shift "$nargs"

  # Resolvers that ask only for address families the machine has (AI_ADDRCONFIG, as GLib
  # and so WebKitGTK do) ignore 127.0.0.1 itself; a documentation address on lo counts.
  if command -v ip >/dev/null 2>&1; then
    ip link set lo up
    ip addr add 192.0.2.1/32 dev lo
  else
    ifconfig lo up
    ifconfig lo:1 192.0.2.1 netmask 255.255.255.255 up
  fi
  # Bind mounts live in this mount namespace only and end with it.
  mount --bind "$work/hosts" /etc/hosts
  mount --bind "$work/ca-bundle.crt" /etc/ssl/certs/ca-certificates.crt

  "$service" --port 443 --bind 127.0.0.1 --cert "$work/server.pem" --key "$work/server.key" \
    --admin-secret "$VANTIRO_DEVSERVICE_SECRET" "${service_args[@]}" 2>"$VANTIRO_DEVSERVICE_LOG" &
  spid=$!
  trap 'kill "$spid" 2>/dev/null || true; wait "$spid" 2>/dev/null || true' EXIT
  ready=
  for _ in $(seq 1 150); do
    # No --cacert: the system bundle must already trust the service.
    if curl -s -o /dev/null "https://$host/api/desktop-app/status"; then
      ready=1
      break
    fi
    kill -0 "$spid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$ready" ]; then
    echo "with-service: the service did not come up" >&2
    cat "$VANTIRO_DEVSERVICE_LOG" >&2
    exit 125
  fi

  set +e
  "$@"
  rc=$?
  set -e
  kill "$spid" 2>/dev/null || true
  wait "$spid" 2>/dev/null || true
  trap - EXIT
  exit "$rc"
fi

service_args=()
trusted=()
if [ "${1:-}" = "--" ]; then
  shift
elif [[ "${1:-}" == --* ]]; then
  [ "$1" = "--help" ] && usage
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    if [ "$1" = "--trust" ]; then
      [ -f "${2:-}" ] || { echo "with-service: --trust needs a certificate file" >&2; exit 2; }
      trusted+=("$2")
      shift 2
      continue
    fi
    service_args+=("$1")
    shift
  done
  [ "${1:-}" = "--" ] || usage
  shift
fi
[ $# -gt 0 ] || usage

root=$(cd "$(dirname "$0")/.." && pwd)
service=${VANTIRO_DEVSERVICE:-}
if [ -z "$service" ]; then
  for b in linux-debug linux-release; do
    if [ -x "$root/build/$b/devservice/vantiro_devservice" ]; then
      service=$root/build/$b/devservice/vantiro_devservice
      break
    fi
  done
fi
if [ -z "$service" ]; then
  (cd "$root" && cmake --preset linux-debug >/dev/null &&
    cmake --build --preset linux-debug -j2 --target vantiro_devservice >/dev/null)
  service=$root/build/linux-debug/devservice/vantiro_devservice
fi
host=$("$service" --print-host)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

# A CA for this run and a server certificate for both names, signed by it.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantiro test CA $$" \
  -keyout "$work/ca.key" -out "$work/ca.pem" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=$host" \
  -keyout "$work/server.key" -out "$work/server.csr" 2>/dev/null
printf 'subjectAltName=DNS:%s,DNS:www.%s\nextendedKeyUsage=serverAuth\n' "$host" "$host" \
  >"$work/ext.cnf"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -days 2 -extfile "$work/ext.cnf" -out "$work/server.pem" 2>/dev/null
rm -f "$work/ca.key" "$work/server.csr"

system_bundle=/etc/ssl/certs/ca-certificates.crt
if [ ! -f "$system_bundle" ]; then
  echo "with-service: $system_bundle is missing (install ca-certificates)" >&2
  exit 125
fi
cat "$system_bundle" "$work/ca.pem" "${trusted[@]}" >"$work/ca-bundle.crt"
{
  cat /etc/hosts
  echo
  echo "127.0.0.1 $host www.$host"
} >"$work/hosts"
chmod 644 "$work/ca-bundle.crt" "$work/hosts" "$work/ca.pem"

export VANTIRO_DEVSERVICE_SECRET
VANTIRO_DEVSERVICE_SECRET=$(openssl rand -hex 16)
export VANTIRO_TEST_CA=$work/ca.pem
export VANTIRO_DEVSERVICE_LOG=$work/service.log

if [ "$(id -u)" -eq 0 ]; then
  namespaces=(unshare --net --mount --propagation private)
else
  # An unprivileged user namespace, where the system allows one, gives the same powers
  # inside it.
  namespaces=(unshare --user --map-root-user --net --mount --propagation private)
fi
set +e
"${namespaces[@]}" -- "$0" --inner "$work" "$service" "$host" "${#service_args[@]}" \
  "${service_args[@]}" "$@"
rc=$?
set -e
exit "$rc"
