// rank_zq.cgi: the ranking CGI. Takes one registration per GET request,
//   QUERY_STRING = "name=zq&data=" and the 128-byte block as "%XX" each,
// stores it and brings the ranking page up to date. Answers a short plain
// text with a Content-Length:
//   200  "OK: registered as entry N" (or "already registered" for a block
//        that is stored already)
//   400  the reason the block was refused; nothing is stored
//   405  not a GET
//   503  registrations are closed (the acceptance marker says so)
//   500  the service is not set up, or the store failed
// Run by the web server through fcgiwrap, with ZQ_DATA_DIR and ZQ_SCORE_DIR
// set (service_paths.h). Errors for the operator go to stderr, which ends up
// in the web server's error log.
#include "acceptance_marker.h"
#include "ranking_page.h"
#include "registration.h"
#include "registration_store.h"
#include "service_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int reply(int status, const char *reason_phrase, const std::string &line) {
  std::string body = line + "\n";
  printf("Status: %d %s\r\n"
         "Content-Type: text/plain; charset=us-ascii\r\n"
         "Content-Length: %zu\r\n"
         "Cache-Control: no-store\r\n"
         "\r\n",
         status, reason_phrase, body.size());
  fwrite(body.data(), 1, body.size(), stdout);
  fflush(stdout);
  return 0;
}

const char *environment(const char *name) {
  const char *value = getenv(name);
  return value ? value : "";
}

} // namespace

int main() {
  if (strcmp(environment("REQUEST_METHOD"), "GET") != 0)
    return reply(405, "Method Not Allowed", "only GET registers");

  ServicePaths paths;
  if (!service_paths_from_environment(paths)) {
    fprintf(stderr, "rank_zq.cgi: ZQ_DATA_DIR and ZQ_SCORE_DIR must be set\n");
    return reply(500, "Internal Server Error", "the ranking service is not set up");
  }

  Registration registration;
  Verdict verdict = read_registration(environment("QUERY_STRING"), registration);
  if (!verdict.ok)
    return reply(400, "Bad Request", verdict.reason);

  if (!registrations_open(paths.score_dir))
    return reply(503, "Service Unavailable", "registrations are closed");

  RegistrationStore store;
  std::string error;
  int64_t id = 0;
  bool added = false;
  if (!store.open(paths.store(), error) ||
      !store.add(registration, environment("REMOTE_ADDR"), id, added, error)) {
    fprintf(stderr, "rank_zq.cgi: %s: %s\n", paths.store().c_str(), error.c_str());
    return reply(500, "Internal Server Error", "the registration could not be stored");
  }
  // The registration is stored; a page that cannot be written is the
  // operator's to fix ("zq-admin rebuild"), not the player's.
  if (added && !refresh_ranking_page(store, paths.data_dir, paths.score_dir, id, error))
    fprintf(stderr, "rank_zq.cgi: ranking page: %s\n", error.c_str());

  return reply(200, "OK",
               std::string(added ? "OK: registered as entry "
                                 : "OK: already registered as entry ") +
                   std::to_string(id));
}
