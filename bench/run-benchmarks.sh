#!/usr/bin/env bash
# Runs the benchmarks and prints, for each, a ratio measured side by side in
# this one run (absolute times on a shared machine are noise). See
# docs/benchmarks.md for what each one compares and for recorded figures.
#
#   bench/run-benchmarks.sh            all of them
#   bench/run-benchmarks.sh NAME...    some: throughput startup registration idle
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
work=$(mktemp -d /tmp/zq-bench-XXXXXX)
chmod 755 "$work" # nginx's workers read the files as another user
port=18181
nginx_pid=""

xvfb_pid=""
peer_pid=""
cleanup() {
  [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -s stop 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if ! { cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZQ_BENCHMARKS=ON &&
  cmake --build build-bench -j"$(nproc)"; } >"$work/build.log" 2>&1; then
  cat "$work/build.log"
  exit 1
fi

now() { date +%s.%N; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

start_nginx() {
  mkdir -p "$work/nginx/root/score" "$work/nginx/tmp"
  printf '*zq*00\r\n' >"$work/nginx/root/score/zq.txt"
  head -c 100000000 /dev/urandom >"$work/nginx/root/r100m.bin"
  head -c 10000000 /dev/urandom >"$work/nginx/root/r10m.bin"
  cat >"$work/nginx/nginx.conf" <<CONF
daemon on;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
worker_processes 1;
events {}
http {
  access_log off;
  client_body_temp_path $work/nginx/tmp;
  proxy_temp_path $work/nginx/tmp;
  fastcgi_temp_path $work/nginx/tmp;
  uwsgi_temp_path $work/nginx/tmp;
  scgi_temp_path $work/nginx/tmp;
  server {
    listen 127.0.0.1:$port;
    root $work/nginx/root;
    location /cgi-bin/ { return 200 "OK\\n"; }
  }
}
CONF
  nginx -p "$work/nginx" -c "$work/nginx/nginx.conf"
  nginx_pid=$(cat "$work/nginx/nginx.pid")
}

# http_get against curl on the same 100 MB reply from the same nginx; then
# the peak memory of a 10 MB and a 100 MB reply.
bench_throughput() {
  local runs=5 ours=0 theirs=0 t0 t1
  # Warm up, and make sure the whole reply arrives.
  "$top/build-bench/bench/http_get_bench" 127.0.0.1 $port /r100m.bin 1 | grep -q "^bytes=100000000 " ||
    { echo "throughput: http_get did not receive the 100 MB reply" >&2; return 1; }
  [ "$(curl -s -o /dev/null -w '%{size_download}' "http://127.0.0.1:$port/r100m.bin")" = 100000000 ] ||
    { echo "throughput: curl did not receive the 100 MB reply" >&2; return 1; }
  for _ in $(seq $runs); do
    t0=$(now)
    "$top/build-bench/bench/http_get_bench" 127.0.0.1 $port /r100m.bin 1 >/dev/null
    t1=$(now)
    ours=$(awk -v s="$ours" -v a="$t0" -v b="$t1" 'BEGIN { print s + b - a }')
    t0=$(now)
    curl -s -o /dev/null "http://127.0.0.1:$port/r100m.bin"
    t1=$(now)
    theirs=$(awk -v s="$theirs" -v a="$t0" -v b="$t1" 'BEGIN { print s + b - a }')
  done
  local mb_ours mb_curl
  mb_ours=$(awk -v t="$ours" -v n=$runs 'BEGIN { printf "%.0f", 100 * n / t }')
  mb_curl=$(awk -v t="$theirs" -v n=$runs 'BEGIN { printf "%.0f", 100 * n / t }')
  echo "throughput: http_get ${mb_ours} MB/s, curl ${mb_curl} MB/s," \
    "ratio $(ratio "$theirs" "$ours") (goal: at least 1.00)"
  local rss10 rss100
  rss10=$("$top/build-bench/bench/http_get_bench" 127.0.0.1 $port /r10m.bin 1 | sed 's/.*maxrss_kb=//')
  rss100=$("$top/build-bench/bench/http_get_bench" 127.0.0.1 $port /r100m.bin 1 | sed 's/.*maxrss_kb=//')
  echo "memory: peak ${rss10} kB for 10 MB, ${rss100} kB for 100 MB," \
    "ratio $(ratio "$rss100" "$rss10") (goal: 1.00, constant in the reply's size)"
}

# The whole registration sequence against the floor of what it must do.
bench_registration() {
  "$top/build-bench/bench/registration_bench" $port 200
}

# A display of our own for the programs that show windows.
start_xvfb() {
  [ -n "$xvfb_pid" ] && return 0
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -noreset -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.05
  done
  echo "Xvfb did not start" >&2
  return 1
}

# From exec to the dialog's first paint, and peak memory, against a bare Qt
# window of the same size (B), and against the same bare window drawing the
# dialog's longest Japanese text in the dialog's font (C).
bench_startup() {
  start_xvfb
  local b="$top/build-bench"
  mkdir -p "$work/startup" && cd "$work/startup"
  echo "startup, against a bare window:"
  "$b/bench/startup_bench" 30 -- /usr/bin/env ZQ_EXIT_AFTER_FIRST_PAINT=1 "$b/src/zq-register" \
    -- "$b/bench/bare_qt_window" 2>/dev/null | sed 's/^/  /'
  echo "startup, against a bare window that draws the same Japanese text:"
  "$b/bench/startup_bench" 30 -- /usr/bin/env ZQ_EXIT_AFTER_FIRST_PAINT=1 "$b/src/zq-register" \
    -- "$b/bench/bare_qt_window" --japanese-text 2>/dev/null | sed 's/^/  /'
  echo "  (goal: time ratio at most 1.15, memory difference at most 3072 kB)"
  cd "$top"
}

# CPU used while the dialog waits 10 s on a peer that accepts the
# connection and never answers, the dialog shown and kept painted.
bench_idle() {
  start_xvfb
  mkdir -p "$work/idle" && cd "$work/idle"
  local silent_port=18182
  python3 -c '
import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(4)
c, _ = s.accept(); open("accepted", "w").close(); time.sleep(3600)
' $silent_port &
  peer_pid=$!
  sleep 0.3
  "$top/build-bench/src/zq-register" -p$silent_port 2>/dev/null &
  local app=$!
  local window=""
  for _ in $(seq 200); do
    window=$(xdotool search --name "ZQ InternetRanking" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.05
  done
  [ -n "$window" ] || { echo "idle: the dialog did not appear" >&2; kill $app; return 1; }
  xdotool type --window "$window" "Bench"
  xdotool key --window "$window" Return
  for _ in $(seq 200); do [ -e accepted ] && break; sleep 0.05; done
  [ -e accepted ] || { echo "idle: the dialog did not connect" >&2; kill $app; return 1; }
  local ticks t0 t1
  ticks=$(getconf CLK_TCK)
  t0=$(awk '{ print $14 + $15 }' /proc/$app/stat)
  sleep 10
  t1=$(awk '{ print $14 + $15 }' /proc/$app/stat)
  kill $app 2>/dev/null || true
  kill "$peer_pid" 2>/dev/null || true
  peer_pid=""
  awk -v d=$((t1 - t0)) -v hz="$ticks" 'BEGIN {
    printf "idle: %.2f s of CPU in 10 s of waiting, %.2f%% of one core (goal: below 1%%)\n", d / hz, 100 * d / hz / 10 }'
  cd "$top"
}

selected=("$@")
[ ${#selected[@]} -gt 0 ] || selected=(throughput startup registration idle)
start_nginx
for name in "${selected[@]}"; do
  if declare -F "bench_$name" >/dev/null; then
    "bench_$name"
  else
    echo "$name: not available in this build"
  fi
done
