#!/bin/bash
# The whole thing on one machine: installs what the project needs, builds
# it, starts the ranking service on loopback, puts a sample record file in a
# demo folder and opens the registration dialog there, pointed at the
# service. After a registration the ranking page shows the new entry.
#
#   server/demo.sh [--port N] [--build DIR] [--no-install]
#
# --port     the service's port on 127.0.0.1 (default 8080, or ZQ_PORT)
# --build    the build folder (default <repository>/build)
# --no-install  skip apt-get (for machines that have everything)
#
# The service keeps running afterwards; stop it with
#   server/zq-service.sh stop
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repository=$(cd "$here/.." && pwd)
port=${ZQ_PORT:-8080}
build=$repository/build
install=1
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --no-install) install=0; shift ;;
    *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
say() { echo "demo: $*" >&2; }

# Debian packages: the build, the tests' peers, the service and the
# dialog's toolkit and Japanese font.
packages=(cmake g++ libgtest-dev libsqlite3-dev qt6-base-dev fonts-ipafont-gothic
  nginx-light fcgiwrap tinyproxy)
if [ $install = 1 ]; then
  missing=()
  for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    say "installing ${missing[*]}"
    $sudo apt-get update
    # nginx-light pulls in nginx, whose packaging starts the system's web
    # server on port 80; the demo does not use it and leaves it as it is.
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  fi
fi

say "building in $build"
cmake -S "$repository" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
jobs=$(nproc 2>/dev/null || echo 2)
# Only what the demo runs: the program and the service's three programs.
cmake --build "$build" -j"$jobs" --target zq-register rank_zq_cgi zq_admin make_record_file

ZQ_BUILD_DIR=$build "$here/zq-service.sh" start --port "$port"

demo=$build/demo
mkdir -p "$demo"
if [ ! -e "$demo/zq.sav" ]; then
  "$build/server/zq-make-record-file" -o "$demo/zq.sav"
  say "made a sample record file $demo/zq.sav"
fi

page="http://localhost:$port/score/"
tool=$build/src/zq-register
if [ ! -x "$tool" ]; then
  say "$tool is not built; the service is running without it"
  say "ranking page: $page"
  exit 1
fi
say "opening the registration dialog in $demo (zq-register -p $port)"
say "type a name of 2 to 15 bytes and send; then press the finished button"
(cd "$demo" && "$tool" -p "$port")
ZQ_BUILD_DIR=$build "$here/zq-service.sh" status || true
say "ranking page: $page"
say "stop the service with: $here/zq-service.sh stop"
