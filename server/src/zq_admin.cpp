// zq-admin: the ranking service's operator command.
//   zq-admin [--data DIR] [--score DIR] COMMAND
//     init        create the store and the folders, write the page; leaves
//                 the marker as it is (closed when there is none)
//     open        registrations open: the marker reads "*zq*00"
//     close       registrations closed: the marker reads "closed"
//     status      open or closed, how many registrations, what the page shows
//     list [N]    the newest N registrations (default 20), names as UTF-8
//     remove ID   delete one registration and rewrite the page
//     rebuild     rewrite the page from the store
// The folders default to ZQ_DATA_DIR and ZQ_SCORE_DIR, as for the CGI.
#include "acceptance_marker.h"
#include "ranking_page.h"
#include "registration_store.h"
#include "service_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int DEFAULT_LIST_LENGTH = 20;

int usage() {
  fprintf(stderr, "usage: zq-admin [--data DIR] [--score DIR] "
                  "init|open|close|status|list [N]|remove ID|rebuild\n");
  return 2;
}

int fail(const std::string &what) {
  fprintf(stderr, "zq-admin: %s\n", what.c_str());
  return 1;
}

bool open_store(const ServicePaths &paths, RegistrationStore &store, std::string &error) {
  std::error_code ec;
  std::filesystem::create_directories(paths.data_dir, ec);
  std::filesystem::create_directories(paths.score_dir, ec);
  return store.open(paths.store(), error);
}

} // namespace

int main(int argc, char **argv) {
  ServicePaths paths;
  service_paths_from_environment(paths);
  std::vector<std::string> words;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if ((a == "--data" || a == "--score") && i + 1 < argc)
      (a == "--data" ? paths.data_dir : paths.score_dir) = argv[++i];
    else
      words.push_back(a);
  }
  if (words.empty())
    return usage();
  if (paths.data_dir.empty() || paths.score_dir.empty())
    return fail(
        "name the folders with --data and --score, or ZQ_DATA_DIR and ZQ_SCORE_DIR");
  const std::string &command = words[0];

  std::string error;
  if (command == "open" || command == "close") {
    if (!set_registrations_open(paths.score_dir, command == "open", error))
      return fail(error);
    printf("registrations %s\n", command == "open" ? "open" : "closed");
    return 0;
  }

  RegistrationStore store;
  if (!open_store(paths, store, error))
    return fail(paths.store() + ": " + error);

  if (command == "init" || command == "rebuild") {
    std::string marker = paths.score_dir + "/" + MARKER_FILE_NAME;
    if (command == "init" && !std::filesystem::exists(marker) &&
        !set_registrations_open(paths.score_dir, false, error))
      return fail(error);
    if (!refresh_ranking_page(store, paths.data_dir, paths.score_dir, 0, error))
      return fail(error);
    return 0;
  }
  if (command == "status") {
    PageSnapshot snapshot;
    int64_t shown = 0;
    if (!store.snapshot(snapshot, error) || !store.page_built_through(shown, error))
      return fail(error);
    printf(
        "registrations %s\n%lld stored from %lld names\npage shows entries up to %lld\n",
        registrations_open(paths.score_dir) ? "open" : "closed",
        (long long)snapshot.registrations, (long long)snapshot.names, (long long)shown);
    return 0;
  }
  if (command == "list") {
    int limit = words.size() > 1 ? atoi(words[1].c_str()) : DEFAULT_LIST_LENGTH;
    std::vector<StoredRegistration> rows;
    if (!store.latest(limit, rows, error))
      return fail(error);
    for (const StoredRegistration &row : rows) {
      const Registration &r = row.registration;
      printf("%lld\t%s\t%s\t%s\t%u\t%u\t%u\t%s\t%s\n", (long long)row.id,
             row.received_at.c_str(), row.remote_address.c_str(), r.stamp.c_str(),
             r.records[0], r.records[1], r.records[2], cp932_to_utf8(r.name).c_str(),
             cp932_to_utf8(r.comment).c_str());
    }
    return 0;
  }
  if (command == "remove" && words.size() == 2) {
    if (!store.remove(atoll(words[1].c_str()), error) ||
        !refresh_ranking_page(store, paths.data_dir, paths.score_dir, 0, error))
      return fail(error);
    return 0;
  }
  return usage();
}
