// The SQLite store of registrations.
//
// Table registration: one row per accepted block. name and comment are
// BLOBs of the player's code page 932 bytes, so that a name is grouped by
// its bytes, never by a conversion of them. block is the whole 128-byte
// block and is unique: a block sent again (a retried upload) is stored once.
// Ids are never reused (AUTOINCREMENT), so that "the page shows every id up
// to N" stays true after an operator removes a row.
// Table page_state: the newest id that the page on disk shows.
#include "registration_store.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int SCHEMA_VERSION = 1;

constexpr const char SCHEMA[] = R"(
CREATE TABLE IF NOT EXISTS registration (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  received_at TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now')),
  remote_address TEXT NOT NULL DEFAULT '',
  stamp TEXT NOT NULL,
  name BLOB NOT NULL,
  comment BLOB NOT NULL,
  record0 INTEGER NOT NULL,
  record1 INTEGER NOT NULL,
  record2 INTEGER NOT NULL,
  details BLOB NOT NULL,
  block BLOB NOT NULL UNIQUE
);
CREATE INDEX IF NOT EXISTS registration_name ON registration (name);
CREATE TABLE IF NOT EXISTS page_state (
  only INTEGER PRIMARY KEY CHECK (only = 1),
  built_through INTEGER NOT NULL
);
INSERT OR IGNORE INTO page_state VALUES (1, 0);
PRAGMA user_version = 1;
)";

// Each name's best row for one record: the lowest non-zero value, the
// earlier registration on a tie. %d is the record's slot.
constexpr const char RANKING_QUERY[] = R"(
SELECT id, name, comment, stamp, value FROM (
  SELECT id, name, comment, stamp, record%d AS value,
         row_number() OVER (PARTITION BY name ORDER BY record%d, id) AS place
  FROM registration WHERE record%d > 0)
WHERE place = 1 ORDER BY value, id
)";

// A prepared statement that finalizes itself.
class Statement {
public:
  Statement(sqlite3 *db, const char *sql) {
    sqlite3_prepare_v2(db, sql, -1, &s_, nullptr);
  }
  ~Statement() { sqlite3_finalize(s_); }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;
  explicit operator bool() const { return s_ != nullptr; }
  sqlite3_stmt *get() const { return s_; }
  std::string text(int column) const {
    const void *p = sqlite3_column_blob(s_, column);
    return p ? std::string((const char *)p, (size_t)sqlite3_column_bytes(s_, column))
             : std::string();
  }

private:
  sqlite3_stmt *s_ = nullptr;
};

bool failed(sqlite3 *db, std::string &error) {
  error = sqlite3_errmsg(db);
  return false;
}

void bind_bytes(sqlite3_stmt *s, int index, const void *data, size_t size) {
  sqlite3_bind_blob(s, index, data ? data : "", (int)size, SQLITE_TRANSIENT);
}

} // namespace

RegistrationStore::~RegistrationStore() {
  sqlite3_close_v2(db_);
}

bool RegistrationStore::exec(const char *sql, std::string &error) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
    return failed(db_, error);
  return true;
}

bool RegistrationStore::open(const std::string &path, std::string &error) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    return failed(db_, error);
  sqlite3_busy_timeout(db_, STORE_BUSY_TIMEOUT_MS);
  // Each CGI is usually the store's last connection when it ends; without
  // this it would checkpoint and remove the WAL every time, with fsyncs.
  // Checkpoints happen as the WAL grows (wal_autocheckpoint) instead.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  int version = 0;
  {
    Statement s(db_, "PRAGMA user_version");
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
      return failed(db_, error);
    version = sqlite3_column_int(s.get(), 0);
  }
  if (version >= SCHEMA_VERSION)
    return exec("PRAGMA synchronous = NORMAL", error);
  // A new store: WAL first (it outlasts the connection), then the tables in
  // one transaction, which concurrent first CGIs take in turn.
  return exec("PRAGMA journal_mode = WAL", error) &&
         exec("PRAGMA synchronous = NORMAL", error) && exec("BEGIN IMMEDIATE", error) &&
         (exec(SCHEMA, error) || (exec("ROLLBACK", error), false)) &&
         exec("COMMIT", error);
}

bool RegistrationStore::add(const Registration &r, const std::string &remote_address,
                            int64_t &id, bool &added, std::string &error) {
  Statement insert(db_, "INSERT INTO registration (remote_address, stamp, name, comment, "
                        "record0, record1, record2, details, block) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                        "ON CONFLICT (block) DO NOTHING RETURNING id");
  if (!insert)
    return failed(db_, error);
  sqlite3_stmt *s = insert.get();
  sqlite3_bind_text(s, 1, remote_address.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s, 2, r.stamp.c_str(), -1, SQLITE_TRANSIENT);
  bind_bytes(s, 3, r.name.data(), r.name.size());
  bind_bytes(s, 4, r.comment.data(), r.comment.size());
  for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++)
    sqlite3_bind_int64(s, 5 + slot, r.records[(size_t)slot]);
  bind_bytes(s, 8, r.details.data(), r.details.size());
  bind_bytes(s, 9, r.block.data(), r.block.size());
  int step = sqlite3_step(s);
  if (step == SQLITE_ROW) {
    id = sqlite3_column_int64(s, 0);
    added = true;
    return sqlite3_step(s) == SQLITE_DONE || failed(db_, error);
  }
  if (step != SQLITE_DONE)
    return failed(db_, error);
  added = false;
  Statement earlier(db_, "SELECT id FROM registration WHERE block = ?");
  if (!earlier)
    return failed(db_, error);
  bind_bytes(earlier.get(), 1, r.block.data(), r.block.size());
  if (sqlite3_step(earlier.get()) != SQLITE_ROW)
    return failed(db_, error);
  id = sqlite3_column_int64(earlier.get(), 0);
  return true;
}

bool RegistrationStore::remove(int64_t id, std::string &error) {
  Statement s(db_, "DELETE FROM registration WHERE id = ?");
  if (!s)
    return failed(db_, error);
  sqlite3_bind_int64(s.get(), 1, id);
  if (sqlite3_step(s.get()) != SQLITE_DONE)
    return failed(db_, error);
  if (sqlite3_changes(db_) == 0) {
    error = "no registration " + std::to_string(id);
    return false;
  }
  return true;
}

bool RegistrationStore::page_built_through(int64_t &id, std::string &error) {
  Statement s(db_, "SELECT built_through FROM page_state");
  if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
    return failed(db_, error);
  id = sqlite3_column_int64(s.get(), 0);
  return true;
}

bool RegistrationStore::set_page_built_through(int64_t id, std::string &error) {
  Statement s(db_, "UPDATE page_state SET built_through = ?");
  if (!s)
    return failed(db_, error);
  sqlite3_bind_int64(s.get(), 1, id);
  return sqlite3_step(s.get()) == SQLITE_DONE || failed(db_, error);
}

bool RegistrationStore::snapshot(PageSnapshot &out, std::string &error) {
  // One read transaction, so the counts and rankings agree with last_id.
  if (!exec("BEGIN", error))
    return false;
  bool ok = [&] {
    Statement totals(db_, "SELECT coalesce(max(id), 0), count(*), count(DISTINCT name) "
                          "FROM registration");
    if (!totals || sqlite3_step(totals.get()) != SQLITE_ROW)
      return failed(db_, error);
    out.last_id = sqlite3_column_int64(totals.get(), 0);
    out.registrations = sqlite3_column_int64(totals.get(), 1);
    out.names = sqlite3_column_int64(totals.get(), 2);
    for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++) {
      char sql[sizeof(RANKING_QUERY) + 8];
      snprintf(sql, sizeof(sql), RANKING_QUERY, slot, slot, slot);
      Statement s(db_, sql);
      if (!s)
        return failed(db_, error);
      std::vector<RankedEntry> &ranking = out.rankings[slot];
      ranking.clear();
      int step;
      while ((step = sqlite3_step(s.get())) == SQLITE_ROW) {
        RankedEntry e;
        e.id = sqlite3_column_int64(s.get(), 0);
        e.name = s.text(1);
        e.comment = s.text(2);
        e.stamp = s.text(3);
        e.value = (uint32_t)sqlite3_column_int64(s.get(), 4);
        bool tie = !ranking.empty() && ranking.back().value == e.value;
        e.rank = tie ? ranking.back().rank : (int)ranking.size() + 1;
        ranking.push_back(std::move(e));
      }
      if (step != SQLITE_DONE)
        return failed(db_, error);
    }
    return true;
  }();
  std::string ignored;
  exec("COMMIT", ignored);
  return ok;
}

bool RegistrationStore::latest(int limit, std::vector<StoredRegistration> &rows,
                               std::string &error) {
  Statement s(db_, "SELECT id, received_at, remote_address, block FROM registration "
                   "ORDER BY id DESC LIMIT ?");
  if (!s)
    return failed(db_, error);
  sqlite3_bind_int(s.get(), 1, limit);
  rows.clear();
  int step;
  while ((step = sqlite3_step(s.get())) == SQLITE_ROW) {
    StoredRegistration row;
    row.id = sqlite3_column_int64(s.get(), 0);
    row.received_at = s.text(1);
    row.remote_address = s.text(2);
    std::string block = s.text(3);
    RankingBlockBytes bytes{};
    if (block.size() == bytes.size())
      memcpy(bytes.data(), block.data(), bytes.size());
    // Stored blocks passed the check when they came in; read them the same way.
    check_ranking_block(bytes, row.registration);
    rows.push_back(std::move(row));
  }
  return step == SQLITE_DONE || failed(db_, error);
}
