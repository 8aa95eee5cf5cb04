#!/bin/bash
# Starts or stops tinyproxy on a loopback port, passing every request on to
# an HTTP server on 127.0.0.1 as its upstream proxy. All state lives in the
# peer folder DIR.
#
#   tinyproxy.sh start --dir DIR --port PORT --upstream-port PORT
#   tinyproxy.sh stop --dir DIR
#
# "start" returns once the port accepts connections, and on failure stops
# what it started. Runs as the calling user (meant for root in a test
# namespace).
set -eu
. "$(dirname "$0")/peer_common.sh"

usage() {
  echo "usage: tinyproxy.sh start --dir DIR --port PORT --upstream-port PORT" >&2
  echo "       tinyproxy.sh stop --dir DIR" >&2
  exit 2
}

read_proxy_arguments tinyproxy "$@"
trap 'stop_daemon "$dir/tinyproxy.pid" >/dev/null 2>&1 || true' ERR

cat >"$dir/tinyproxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 30
MaxClients 16
LogLevel Info
LogFile "$dir/tinyproxy.log"
PidFile "$dir/tinyproxy.own.pid"
Allow 127.0.0.1
Upstream http 127.0.0.1:$upstream_port
CONF

start_daemon "$dir/tinyproxy.pid" "$dir/tinyproxy.out" \
  tinyproxy -d -c "$dir/tinyproxy.conf"
wait_until_listening "$dir/tinyproxy.pid" "$port" "$dir/tinyproxy.out"
