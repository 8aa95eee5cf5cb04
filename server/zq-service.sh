#!/bin/bash
# Starts and stops the reference ranking service on loopback, for one user:
# nginx with a configuration of its own, fcgiwrap running rank_zq.cgi, and
# the SQLite store in a data folder. Nothing outside the service folder is
# written, and nothing listens beyond 127.0.0.1.
#
#   zq-service.sh start [--port N] [--dir DIR] [--closed]
#   zq-service.sh stop [--dir DIR]
#   zq-service.sh status [--dir DIR]
#   zq-service.sh admin [--dir DIR] COMMAND...   (zq-admin with this service's folders)
#
# Settings, from the options or the environment:
#   ZQ_PORT          TCP port on 127.0.0.1 (default 8080)
#   ZQ_SERVICE_DIR   the service folder (default ${XDG_STATE_HOME:-~/.local/state}/zq-service)
#   ZQ_BUILD_DIR     where the project was built (default <repository>/build);
#                    ZQ_CGI and ZQ_ADMIN name the two programs directly
#   ZQ_FCGI_CHILDREN how many CGIs may run at once (default 8)
#
# The service folder:
#   conf/nginx.conf  logs/  tmp/  run/ (pid files, fcgiwrap socket)
#   data/zq.sqlite   the store;  www/score/  the page and the marker
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
command=${1:-}
[ $# -gt 0 ] && shift

port=${ZQ_PORT:-8080}
dir=${ZQ_SERVICE_DIR:-${XDG_STATE_HOME:-$HOME/.local/state}/zq-service}
build=${ZQ_BUILD_DIR:-$here/../build}
children=${ZQ_FCGI_CHILDREN:-8}
open_marker=1
admin_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=$2; shift 2 ;;
    --dir) dir=$2; shift 2 ;;
    --closed) open_marker=0; shift ;;
    *) admin_args+=("$1"); shift ;;
  esac
done
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
cgi=${ZQ_CGI:-$build/server/rank_zq.cgi}
admin=${ZQ_ADMIN:-$build/server/zq-admin}

say() { echo "zq-service: $*" >&2; }

# Whether the process whose id a pid file holds is alive.
running() { [ -s "$1" ] && kill -0 "$(cat "$1" 2>/dev/null)" 2>/dev/null; }

# Waits up to 10 seconds for a command to succeed.
wait_for() {
  for _ in $(seq 100); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

run_admin() { ZQ_DATA_DIR=$dir/data ZQ_SCORE_DIR=$dir/www/score "$admin" "$@"; }

write_nginx_conf() {
  local user_line=""
  # A master process started by root would hand the workers to "nobody",
  # who may not read this user's folder; keep them with the caller.
  if [ "$(id -u)" = 0 ]; then user_line="user $(id -un) $(id -gn);"; fi
  cat >"$dir/conf/nginx.conf" <<CONF
# Made by zq-service.sh; rewritten at every start.
$user_line
worker_processes 2;
daemon on;
pid $dir/run/nginx.pid;
error_log $dir/logs/error.log warn;
events { worker_connections 1024; }
http {
  access_log $dir/logs/access.log;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  types { text/html html; text/plain txt; }
  default_type application/octet-stream;
  charset utf-8;
  charset_types text/plain; # text/html is always one
  server_tokens off;

  server {
    listen 127.0.0.1:$port default_server;
    server_name _;
    root $dir/www;

    location = / { return 302 /score/; }
    location /score/ {
      index index.html;
      add_header Cache-Control no-cache;
    }
    location = /cgi-bin/rank_zq.cgi {
      fastcgi_pass unix:$dir/run/fcgiwrap.sock;
      fastcgi_param SCRIPT_FILENAME $cgi;
      fastcgi_param GATEWAY_INTERFACE CGI/1.1;
      fastcgi_param SERVER_SOFTWARE nginx;
      fastcgi_param SERVER_PROTOCOL \$server_protocol;
      fastcgi_param REQUEST_METHOD \$request_method;
      fastcgi_param QUERY_STRING \$query_string;
      fastcgi_param REQUEST_URI \$request_uri;
      fastcgi_param SCRIPT_NAME \$fastcgi_script_name;
      fastcgi_param REMOTE_ADDR \$remote_addr;
      fastcgi_param SERVER_ADDR \$server_addr;
      fastcgi_param SERVER_PORT \$server_port;
      fastcgi_param SERVER_NAME \$server_name;
      fastcgi_param ZQ_DATA_DIR $dir/data;
      fastcgi_param ZQ_SCORE_DIR $dir/www/score;
    }
    location / { return 404; }
  }
}
CONF
}

stop() {
  local stopped=0
  if running "$dir/run/nginx.pid"; then
    kill -QUIT "$(cat "$dir/run/nginx.pid")"
    wait_for eval '! running "$dir/run/nginx.pid"' || kill -KILL "$(cat "$dir/run/nginx.pid")" 2>/dev/null || true
    stopped=1
  fi
  # fcgiwrap runs in a process group of its own (setsid at start), which
  # holds it, its preforked children and their CGIs.
  if running "$dir/run/fcgiwrap.pid"; then
    local pgid
    pgid=$(cat "$dir/run/fcgiwrap.pid")
    kill -TERM -- "-$pgid" 2>/dev/null || true
    wait_for eval '! running "$dir/run/fcgiwrap.pid"' || kill -KILL -- "-$pgid" 2>/dev/null || true
    stopped=1
  fi
  rm -f "$dir/run/nginx.pid" "$dir/run/fcgiwrap.pid" "$dir/run/fcgiwrap.sock"
  [ $stopped = 1 ] && say "stopped ($dir)"
  return 0
}

start() {
  for program in "$cgi" "$admin"; do
    [ -x "$program" ] || { say "$program is missing: build the project first"; exit 1; }
  done
  for program in nginx fcgiwrap; do
    command -v "$program" >/dev/null || [ -x "/usr/sbin/$program" ] ||
      { say "$program is not installed (apt-get install nginx-light fcgiwrap)"; exit 1; }
  done
  export PATH=$PATH:/usr/sbin
  stop
  if port_answers; then say "127.0.0.1:$port is taken; choose another with --port"; exit 1; fi
  mkdir -p "$dir"/{conf,logs,tmp,run,data,www/score}
  run_admin init
  if [ $open_marker = 1 ]; then run_admin open >/dev/null; fi
  write_nginx_conf

  setsid fcgiwrap -c "$children" -p "$cgi" -s "unix:$dir/run/fcgiwrap.sock" \
    </dev/null >>"$dir/logs/fcgiwrap.log" 2>&1 &
  echo $! >"$dir/run/fcgiwrap.pid"
  wait_for test -S "$dir/run/fcgiwrap.sock" || { say "fcgiwrap did not start"; stop; exit 1; }

  if ! nginx -p "$dir" -c "$dir/conf/nginx.conf" -e "$dir/logs/error.log" 2>>"$dir/logs/error.log"; then
    say "nginx did not start; see $dir/logs/error.log"
    stop
    exit 1
  fi
  wait_for port_answers || { say "nginx does not answer on port $port"; stop; exit 1; }
  echo "$port" >"$dir/run/port"
  say "running on http://127.0.0.1:$port/ ($dir)"
  say "ranking page: http://localhost:$port/score/"
}

status() {
  if running "$dir/run/nginx.pid" && running "$dir/run/fcgiwrap.pid"; then
    echo "running on port $(cat "$dir/run/port" 2>/dev/null) ($dir)"
    run_admin status
  else
    echo "not running ($dir)"
    return 1
  fi
}

case "$command" in
  start) start ;;
  stop) stop ;;
  status) status ;;
  admin) run_admin "${admin_args[@]}" ;;
  *) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
esac
