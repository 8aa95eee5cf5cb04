#!/bin/bash
# Makes the files of a stand-in ranking server under DIR, for
# nginx_fcgiwrap.sh to serve:
#   DIR/www/score/zq.txt         the acceptance marker "*zq*00\r\n"
#   DIR/cgi-bin/rank_zq.cgi      the ranking CGI (a copy of rank_zq.cgi)
#
#   ranking_site.sh DIR
#
# The CGI appends each QUERY_STRING it is called with, and a line feed, to
# the file that nginx names in RANK_QUERY_FILE, and answers a short text.
set -eu
[ $# -eq 1 ] || { echo "usage: ranking_site.sh DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
mkdir -p "$dir/www/score" "$dir/cgi-bin"
printf '*zq*00\r\n' >"$dir/www/score/zq.txt"
cp "$here/rank_zq.cgi" "$dir/cgi-bin/rank_zq.cgi"
chmod 755 "$dir/cgi-bin/rank_zq.cgi"
