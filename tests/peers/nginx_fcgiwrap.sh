#!/bin/bash
# Starts or stops nginx with fcgiwrap: static files from a document root and
# CGI programs from a folder under "/cgi-bin/", on one or more loopback
# ports. All state (configuration, logs, sockets, pid files) lives in the
# peer folder DIR.
#
#   nginx_fcgiwrap.sh start --dir DIR --root DOCROOT --cgi-dir CGIDIR
#                           --port PORT [--port PORT]... [--query-file FILE]
#   nginx_fcgiwrap.sh stop --dir DIR
#
# CGI programs see RANK_QUERY_FILE set to FILE (default DIR/queries.txt).
# nginx answers a request without a version (HTTP/0.9) with the body alone
# and closes the connection. "start" returns once every port accepts
# connections, and on failure stops whatever it started. Runs nginx's
# workers and fcgiwrap as the calling user (meant for root in a test
# namespace). Left out: TLS, server names (one server answers every name).
set -eu
. "$(dirname "$0")/peer_common.sh"

usage() {
  echo "usage: nginx_fcgiwrap.sh start --dir DIR --root DOCROOT --cgi-dir CGIDIR --port PORT [--port PORT]... [--query-file FILE]" >&2
  echo "       nginx_fcgiwrap.sh stop --dir DIR" >&2
  exit 2
}

stop_all() {
  local dir=$1 ok=0
  stop_daemon "$dir/nginx.pid" || ok=1
  stop_daemon "$dir/fcgiwrap.pid" || ok=1
  rm -f "$dir/fcgiwrap.sock"
  return $ok
}

[ $# -ge 1 ] || usage
action=$1
shift
dir='' root='' cgi_dir='' query_file=''
ports=()
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case "$1" in
  --dir) dir=$2 ;;
  --root) root=$2 ;;
  --cgi-dir) cgi_dir=$2 ;;
  --port) need_port "$2"; ports+=("$2") ;;
  --query-file) query_file=$2 ;;
  *) usage ;;
  esac
  shift 2
done
[ -n "$dir" ] || usage

case "$action" in
stop)
  stop_all "$dir"
  exit
  ;;
start) ;;
*) usage ;;
esac

[ -n "$root" ] && [ -n "$cgi_dir" ] && [ ${#ports[@]} -gt 0 ] || usage
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
root=$(cd "$root" && pwd)
cgi_dir=$(cd "$cgi_dir" && pwd)
[ -n "$query_file" ] || query_file=$dir/queries.txt
mkdir -p "$dir/nginx-temp"
trap 'stop_all "$dir" >/dev/null 2>&1 || true' ERR

listen=''
for port in "${ports[@]}"; do
  listen="$listen    listen 127.0.0.1:$port;
"
done

cat >"$dir/nginx.conf" <<EOF
daemon off;
master_process on;
worker_processes 1;
user root root;
pid $dir/nginx.master.pid;
error_log $dir/nginx-error.log info;
events { worker_connections 64; }
http {
  access_log $dir/nginx-access.log;
  client_body_temp_path $dir/nginx-temp/body;
  proxy_temp_path $dir/nginx-temp/proxy;
  fastcgi_temp_path $dir/nginx-temp/fastcgi;
  uwsgi_temp_path $dir/nginx-temp/uwsgi;
  scgi_temp_path $dir/nginx-temp/scgi;
  default_type text/plain;
  server {
$listen    server_name _;
    root $root;
    location ~ ^/cgi-bin/([^/]+)\$ {
      include /etc/nginx/fastcgi_params;
      fastcgi_param SCRIPT_FILENAME $cgi_dir/\$1;
      fastcgi_param RANK_QUERY_FILE $query_file;
      fastcgi_pass unix:$dir/fcgiwrap.sock;
    }
  }
}
EOF

rm -f "$dir/fcgiwrap.sock"
start_daemon "$dir/fcgiwrap.pid" "$dir/fcgiwrap.log" \
  fcgiwrap -c 2 -s "unix:$dir/fcgiwrap.sock"
wait_until_exists "$dir/fcgiwrap.pid" "$dir/fcgiwrap.sock" "$dir/fcgiwrap.log"

start_daemon "$dir/nginx.pid" "$dir/nginx-error.log" \
  nginx -e "$dir/nginx-error.log" -p "$dir" -c "$dir/nginx.conf"
for port in "${ports[@]}"; do
  wait_until_listening "$dir/nginx.pid" "$port" "$dir/nginx-error.log"
done
