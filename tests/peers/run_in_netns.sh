#!/bin/bash
# Runs a command in a network namespace of its own, where only loopback
# exists, so that nothing the command does can reach beyond this machine.
#
#   run_in_netns.sh [--host NAME]... [--] COMMAND [ARGUMENT]...
#
# Inside, "lo" is up and /etc/hosts is replaced (by a bind mount in a mount
# namespace of its own) with a file that names "localhost" and every --host
# NAME as 127.0.0.1 (and "localhost" also as ::1). The variable
# ZQ_RANKING_HOST, when set, is named too. No resolver is reachable, so any
# other name fails to resolve at once.
#
# The command also gets a PID namespace of its own, whose first process is
# this script: when the command ends, so does the script, and the kernel
# ends every process left behind (peers that a failed test did not stop);
# when this script is killed from outside, all of them are killed with it.
# The command itself is not the namespace's first process, so signals reach
# it as usual (a first process ignores SIGPIPE and the like). Exits with the
# command's status. Needs root (unshare).
#
# Not a sandbox: the file system is shared apart from /etc/hosts.
set -eu

if [ "${1-}" != "--inside" ]; then
  hosts=()
  while [ $# -gt 0 ]; do
    case "$1" in
    --host)
      [ $# -ge 2 ] || { echo "run_in_netns.sh: --host needs a name" >&2; exit 2; }
      hosts+=("$2")
      shift 2
      ;;
    --)
      shift
      break
      ;;
    *) break ;;
    esac
  done
  if [ $# -eq 0 ]; then
    echo "usage: run_in_netns.sh [--host NAME]... [--] COMMAND [ARGUMENT]..." >&2
    exit 2
  fi
  if [ -n "${ZQ_RANKING_HOST-}" ]; then
    hosts+=("$ZQ_RANKING_HOST")
  fi
  export ZQ_NETNS_HOSTS="${hosts[*]-}"
  exec unshare --net --mount --propagation private --pid --fork --kill-child \
    --mount-proc -- "$0" --inside "$@"
fi
shift

# Now inside the namespaces, as PID 1. Waiting for the command, this shell
# also collects any process that ends after its parent did.
ip link set lo up

hosts_file=$(mktemp /tmp/zq-netns-hosts.XXXXXX)
{
  echo "127.0.0.1 localhost"
  echo "::1 localhost ip6-localhost ip6-loopback"
  for name in $ZQ_NETNS_HOSTS; do
    [ "$name" = localhost ] || echo "127.0.0.1 $name"
  done
} >"$hosts_file"
chmod 644 "$hosts_file"
mount --bind "$hosts_file" /etc/hosts
# The bind mount keeps the file's contents alive; its name is not needed.
rm -f "$hosts_file"
unset ZQ_NETNS_HOSTS

status=0
"$@" || status=$?
exit $status
