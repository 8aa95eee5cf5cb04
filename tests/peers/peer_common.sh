# Helpers that the peer scripts source: start a daemon in the foreground
# mode of its own, in a process group of its own, wait for it to listen,
# and stop it with everything that it forked.
#
# A started daemon is known by the file NAME.pid in the peer's folder, which
# holds the process group id. Not a service manager: one daemon per file,
# no restarts.

PEER_START_WAIT_SECONDS=${PEER_START_WAIT_SECONDS:-20}
PEER_STOP_WAIT_SECONDS=${PEER_STOP_WAIT_SECONDS:-10}

die() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}

# Whether process group GROUP still has a process that has not ended. The
# leader counts before it has made its group, too (just after the fork).
# Zombies count as ended: their parent may be slow to reap them.
group_alive() {
  local group=$1 stat line rest pid state pgrp
  for stat in /proc/[0-9]*/stat; do
    read -r line <"$stat" 2>/dev/null || continue
    pid=${line%% *}
    rest=${line##*) } # after "pid (comm) "
    set -- $rest
    state=$1 pgrp=$3
    if { [ "$pgrp" = "$group" ] || [ "$pid" = "$group" ]; } &&
      [ "$state" != Z ] && [ "$state" != X ]; then
      return 0
    fi
  done
  return 1
}

# start_daemon PIDFILE LOGFILE COMMAND [ARGUMENT]...: runs the command in the
# background as the leader of a new session, its output to LOGFILE.
start_daemon() {
  local pidfile=$1 logfile=$2
  shift 2
  # A background job of a script is not a group leader, so setsid makes
  # the command itself the leader, and $! is the group id.
  setsid "$@" </dev/null >>"$logfile" 2>&1 &
  echo $! >"$pidfile"
}

# stop_daemon PIDFILE: ends the process group named in PIDFILE (TERM, then
# KILL after PEER_STOP_WAIT_SECONDS) and removes the file. Quiet when there
# is nothing to stop.
stop_daemon() {
  local pidfile=$1 group tries
  [ -f "$pidfile" ] || return 0
  group=$(cat "$pidfile")
  rm -f "$pidfile"
  case "$group" in '' | *[!0-9]*) return 0 ;; esac
  kill -TERM -- "-$group" 2>/dev/null || true
  tries=$((PEER_STOP_WAIT_SECONDS * 10))
  while group_alive "$group" && [ $tries -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  if group_alive "$group"; then
    kill -KILL -- "-$group" 2>/dev/null || true
    tries=20
    while group_alive "$group" && [ $tries -gt 0 ]; do
      sleep 0.1
      tries=$((tries - 1))
    done
  fi
  ! group_alive "$group"
}

# port_open PORT: whether a TCP connection to 127.0.0.1:PORT is accepted.
port_open() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# wait_until PIDFILE LOGFILE WHAT COMMAND...: waits until COMMAND succeeds;
# fails, saying WHAT and showing LOGFILE, when the daemon ends first or
# PEER_START_WAIT_SECONDS pass.
wait_until() {
  local pidfile=$1 logfile=$2 what=$3 group tries
  shift 3
  group=$(cat "$pidfile")
  tries=$((PEER_START_WAIT_SECONDS * 10))
  until "$@"; do
    if ! group_alive "$group" || [ $tries -le 0 ]; then
      echo "$(basename "$0"): $what; $logfile says:" >&2
      tail -n 30 "$logfile" >&2 2>/dev/null || true
      return 1
    fi
    sleep 0.1
    tries=$((tries - 1))
  done
}

# wait_until_listening PIDFILE PORT LOGFILE: until PORT accepts connections.
wait_until_listening() {
  wait_until "$1" "$3" "port $2 did not open" port_open "$2"
}

# wait_until_exists PIDFILE PATH LOGFILE: until the Unix socket PATH exists.
wait_until_exists() {
  wait_until "$1" "$3" "$2 did not appear" test -S "$2"
}

# need_port VALUE: fails unless VALUE is a TCP port number.
need_port() {
  case "$1" in '' | *[!0-9]*) die "not a port: '$1'" ;; esac
  [ "$1" -ge 1 ] && [ "$1" -le 65535 ] || die "not a port: '$1'"
}

# Reads a proxy script's "ACTION --dir DIR --port PORT --upstream-port PORT"
# into action, dir, port and upstream_port, and calls the script's usage on
# anything else. "stop" stops the daemon of DIR/NAME.pid and ends the
# script; "start" returns with DIR made and absolute.
#   read_proxy_arguments NAME ARGUMENT...
read_proxy_arguments() {
  local name=$1
  shift
  [ $# -ge 1 ] || usage
  action=$1
  shift
  dir='' port='' upstream_port=''
  while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
    case "$1" in
    --dir) dir=$2 ;;
    --port) need_port "$2"; port=$2 ;;
    --upstream-port) need_port "$2"; upstream_port=$2 ;;
    *) usage ;;
    esac
    shift 2
  done
  [ -n "$dir" ] || usage
  case "$action" in
  stop)
    stop_daemon "$dir/$name.pid"
    exit
    ;;
  start) ;;
  *) usage ;;
  esac
  [ -n "$port" ] && [ -n "$upstream_port" ] || usage
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
}
