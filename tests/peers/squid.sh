#!/bin/bash
# Starts or stops squid on a loopback port as a proxy in front of one HTTP
# server on 127.0.0.1 (its only parent, treated as the origin server of
# every request; squid never goes direct and caches nothing). State lives in
# the peer folder DIR, which squid's user "proxy" is given.
#
#   squid.sh start --dir DIR --port PORT --upstream-port PORT
#   squid.sh stop --dir DIR
#
# Start the upstream server first: squid checks its parent as it starts.
# "start" returns once the port accepts connections, and on failure stops
# what it started. Needs root (squid changes to the user "proxy").
set -eu
. "$(dirname "$0")/peer_common.sh"

usage() {
  echo "usage: squid.sh start --dir DIR --port PORT --upstream-port PORT" >&2
  echo "       squid.sh stop --dir DIR" >&2
  exit 2
}

read_proxy_arguments squid "$@"
trap 'stop_daemon "$dir/squid.pid" >/dev/null 2>&1 || true' ERR
chown proxy:proxy "$dir"
# squid, as "proxy", has to reach its folder from the root down.
parent=$(dirname "$dir")
while [ "$parent" != / ]; do
  chmod o+x "$parent"
  parent=$(dirname "$parent")
done

cat >"$dir/squid.conf" <<CONF
http_port 127.0.0.1:$port
cache_peer 127.0.0.1 parent $upstream_port 0 no-query originserver name=upstream
cache_peer_access upstream allow all
never_direct allow all
http_access allow all
client_persistent_connections off
cache deny all
cache_mem 8 MB
cache_effective_user proxy
cache_effective_group proxy
pid_filename $dir/squid.own.pid
cache_log $dir/cache.log
access_log stdio:$dir/access.log
coredump_dir $dir
dns_nameservers 127.0.0.1
shutdown_lifetime 1 second
# The ICMP helper would leave the process group; nothing here needs it.
pinger_enable off
CONF

start_daemon "$dir/squid.pid" "$dir/squid.out" squid -N -f "$dir/squid.conf"
wait_until_listening "$dir/squid.pid" "$port" "$dir/cache.log"
