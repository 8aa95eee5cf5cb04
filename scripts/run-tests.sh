#!/usr/bin/env bash
# Sets up a fresh Debian machine for the tests and runs every one of them:
# the normal build, then a build with AddressSanitizer and
# UndefinedBehaviorSanitizer running the same tests, then the fuzz targets
# for a bounded time. Needs root for apt and for the network namespaces
# that the network tests make.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

packages=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libqt6test6 fonts-ipafont-gothic xvfb xauth xdotool
  nginx-light fcgiwrap tinyproxy squid
  libsqlite3-dev sqlite3
  clang libclang-rt-14-dev
  curl iproute2 util-linux procps psmisc
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The packaged proxies and web server start themselves on installation;
# the tests run their own instances.
for service in nginx tinyproxy squid fcgiwrap; do
  (systemctl stop "$service" || service "$service" stop) >/dev/null 2>&1 || true
done

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build -j1 --timeout 600

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan -j1 --timeout 900

if [ -x scripts/run-fuzz.sh ]; then
  scripts/run-fuzz.sh
fi
echo "All tests passed."
