#!/bin/sh
# Stand-in ranking CGI: records the query it was called with and answers a
# short text. The answer carries a Content-Length, so that proxies pass it
# on as it is rather than in chunks.
if [ -n "${RANK_QUERY_FILE-}" ]; then
  printf '%s\n' "${QUERY_STRING-}" >>"$RANK_QUERY_FILE"
fi
body='registered'
printf 'Content-Type: text/plain\r\nContent-Length: %d\r\n\r\n%s' "${#body}" "$body"
