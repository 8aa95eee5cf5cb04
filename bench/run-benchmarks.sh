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

cleanup() {
  [ -n "$nginx_pid" ] && nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -s stop 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZQ_BENCHMARKS=ON >/dev/null
cmake --build build-bench -j"$(nproc)" >/dev/null

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
