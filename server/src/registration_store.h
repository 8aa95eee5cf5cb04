// The ranking service's store: every accepted registration in one SQLite
// file (WAL mode, so that the page can be read while CGIs write), and the
// snapshot that the ranking page is made from.
//
// Not a cache and not the page: the page is written by ranking_page.h from a
// snapshot of this store.
#pragma once

#include "registration.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

// How long a CGI waits for another one's write lock before it gives up.
constexpr int STORE_BUSY_TIMEOUT_MS = 30000;
constexpr const char STORE_FILE_NAME[] = "zq.sqlite";

// One name's best registration for one record.
struct RankedEntry {
  int rank; // 1-based; equal values share a rank
  int64_t id;
  std::string name;    // code page 932 bytes
  std::string comment; // code page 932 bytes
  std::string stamp;
  uint32_t value;
};

// What the page shows, read in one transaction.
struct PageSnapshot {
  int64_t last_id = 0; // the newest registration the snapshot holds
  int64_t registrations = 0;
  int64_t names = 0;
  std::vector<RankedEntry> rankings[RECORD_SLOT_COUNT];
};

// One stored registration, as the admin command lists it.
struct StoredRegistration {
  int64_t id;
  std::string received_at; // UTC, "YYYY-MM-DD hh:mm:ss"
  std::string remote_address;
  Registration registration;
};

class RegistrationStore {
public:
  RegistrationStore() = default;
  ~RegistrationStore();
  RegistrationStore(const RegistrationStore &) = delete;
  RegistrationStore &operator=(const RegistrationStore &) = delete;

  // Opens (creating when needed) the store at path and sets it up: WAL mode,
  // the busy time-out, the tables. false with error on failure.
  bool open(const std::string &path, std::string &error);

  // Stores a registration unless the very same block is stored already.
  // id: the new row's id, or the earlier row's for a repeated block.
  // added: whether a row was added.
  bool add(const Registration &registration, const std::string &remote_address,
           int64_t &id, bool &added, std::string &error);

  // Removes one registration; false when there is none with that id.
  bool remove(int64_t id, std::string &error);

  // The newest registration id that the page on disk shows, and setting it.
  bool page_built_through(int64_t &id, std::string &error);
  bool set_page_built_through(int64_t id, std::string &error);

  // Every name's best registration for each record, lower values first; a
  // record of 0 means the player has no time there and is left out of that
  // ranking. Ties go to the earlier registration.
  bool snapshot(PageSnapshot &snapshot, std::string &error);

  // The newest registrations first, at most limit of them.
  bool latest(int limit, std::vector<StoredRegistration> &rows, std::string &error);

private:
  bool exec(const char *sql, std::string &error);
  sqlite3 *db_ = nullptr;
};
