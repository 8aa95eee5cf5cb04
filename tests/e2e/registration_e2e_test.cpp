// Whole registrations: the real zq-register binary, started in a game
// folder on a virtual X server, driven with the keyboard, against nginx
// with fcgiwrap and, in proxy mode, tinyproxy and squid.
//
// The program's state is never waited for by time: each step waits
// (bounded) for an effect that the state leaves behind: the window, the
// identity file, a marker request in nginx's access log, a query that the
// CGI recorded, the end of the process. A key pressed while the program is
// busy is dropped by design, so keys that must land after an exchange are
// pressed again until their effect shows.
//
// Each row is one test, run in a network namespace of its own with its own
// display and peers.
#include "desktop_session.h"
#include "ranking_server.h"

#include "files/ranking_block.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

#ifndef ZQ_PROGRAM
#error "ZQ_PROGRAM must name the program binary"
#endif
#ifndef ZQ_RANKING_HOST
#error "ZQ_RANKING_HOST must name the ranking host"
#endif

namespace {

// "ZQ InternetRanking登録" in UTF-8, as X names the window.
constexpr const char WINDOW_TITLE[] = "ZQ InternetRanking\xe7\x99\xbb\xe9\x8c\xb2";
constexpr const char RECORD_FILE[] = "zq.sav";
constexpr const char IDENTITY_FILE[] = "zqhi.sav";
constexpr const char LOG_FILE[] = "log.html";
constexpr size_t IDENTITY_FIELD = 256;
constexpr size_t IDENTITY_FILE_SIZE = 2 * IDENTITY_FIELD;
constexpr const char QUERY_PREFIX[] = "name=zq&data=";
// The record values of good_record_file(), slots 0 to 2.
constexpr unsigned RECORD_VALUES[RECORD_SLOT_COUNT] = {1000, 2000, 3000};
// A time long past, given to the record file so that any rewrite shows.
constexpr time_t RECORD_FILE_TIME = 900000000;
// How long one key press is given to show its effect before it is
// pressed again (it may have reached a busy dialog, which drops it).
constexpr int KEY_EFFECT_SECONDS = 1;

// "山田太郎" and "よろしく" in code page 932.
constexpr const char JAPANESE_NAME[] = "\x8e\x52\x93\x63\x91\xbe\x98\x59";
constexpr const char JAPANESE_COMMENT[] = "\x82\xe6\x82\xeb\x82\xb5\x82\xad";

const std::string PROXY_HOST = "-h127.0.0.1";
const std::string TINYPROXY = "-p" + std::to_string(RankingServer::TINYPROXY_PORT);
const std::string SQUID = "-p" + std::to_string(RankingServer::SQUID_PORT);
constexpr const char GOOD_MARKER[] = "*zq*00\r\n";

enum RecordFile { RECORDS_GOOD, RECORDS_NONE, RECORDS_BAD_MAGIC };

// What the game folder holds and what the user does, for one run.
struct Player {
  RecordFile records;
  // The stored identity (CP932); nullptr: no identity file.
  const char *stored_name;
  const char *stored_comment;
  // ASCII typed into the name edit before the send key; nullptr: nothing.
  const char *typed_name;
};

Bytes identity_bytes(const char *name, const char *comment) {
  Bytes b(IDENTITY_FILE_SIZE, 0);
  std::copy(name, name + strlen(name), b.begin());
  std::copy(comment, comment + strlen(comment), b.begin() + IDENTITY_FIELD);
  return b;
}

std::string text_of(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> out;
  size_t at = 0;
  for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    out.push_back(text.substr(at, end - at));
  return out;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The block that ENCODED (3 characters a byte, "%XX" upper case) carries;
// empty when it is not exactly that.
Bytes decoded_block(const std::string &encoded) {
  if (encoded.size() != (size_t)ENCODED_BLOCK_LENGTH)
    return {};
  Bytes block;
  for (size_t i = 0; i < encoded.size(); i += 3) {
    int high = hex_digit(encoded[i + 1]), low = hex_digit(encoded[i + 2]);
    if (encoded[i] != '%' || high < 0 || low < 0)
      return {};
    block.push_back((unsigned char)(high * 16 + low));
  }
  return block;
}

// A NUL-terminated text at OFFSET of BYTES, at most SIZE bytes long.
std::string text_at(const Bytes &bytes, size_t offset, size_t size) {
  std::string out;
  for (size_t i = offset; i < offset + size && i < bytes.size() && bytes[i]; i++)
    out += (char)bytes[i];
  return out;
}

unsigned dword_at(const Bytes &bytes, size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         (unsigned)bytes[offset + 3] << 24;
}

// One run of the program in a game folder: the folder's files, the peers,
// the display, the process, and the keys.
class WholeRun : public ::testing::Test {
protected:
  void TearDown() override {
    // The program before the display it draws on, and both before the peers.
    program_.reset();
    display_.reset();
    server_.reset();
    std::error_code ignored;
    if (!runtime_.empty())
      std::filesystem::remove_all(runtime_, ignored);
  }

  // Makes the game folder as PLAYER says, starts SETUP's peers and a
  // display, starts the program with ARGUMENTS, waits for its window,
  // types the name and presses the send key.
  void start_and_send(const ServerSetup &setup, const Player &player,
                      const std::vector<std::string> &arguments) {
    player_ = player;
    if (player.records != RECORDS_NONE) {
      Bytes records = good_record_file();
      if (player.records == RECORDS_BAD_MAGIC)
        records[0] ^= 0xff;
      write_file(RECORD_FILE, records);
      const timespec times[2] = {{RECORD_FILE_TIME, 0}, {RECORD_FILE_TIME, 0}};
      ASSERT_EQ(0, utimensat(AT_FDCWD, RECORD_FILE, times, 0));
      stat(RECORD_FILE, &record_stat_);
    }
    record_bytes_ = read_file(RECORD_FILE);
    if (player.stored_name)
      write_file(IDENTITY_FILE,
                 identity_bytes(player.stored_name, player.stored_comment));

    ASSERT_EQ(0, run_tool({"xdotool", "--version"}, {}))
        << "xdotool, which types into the window, is not installed";
    server_ = std::make_unique<RankingServer>(setup);
    ASSERT_TRUE(server_->started()) << server_->problem();
    display_ = std::make_unique<VirtualDisplay>();
    ASSERT_TRUE(display_->started()) << display_->problem();

    // Qt's runtime folder and the program's output live outside the game
    // folder, which holds only what the program itself writes.
    char pattern[] = "/tmp/zq-e2e-runtime-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    runtime_ = pattern;
    std::vector<std::string> argv = {ZQ_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    program_ = std::make_unique<ChildProcess>(
        argv,
        std::vector<std::string>{display_->environment(), "QT_QPA_PLATFORM=xcb",
                                 "XDG_RUNTIME_DIR=" + runtime_},
        game_.path(), runtime_ + "/output.txt");
    ASSERT_TRUE(program_->started());

    window_ = display_->wait_for_window(WINDOW_TITLE);
    ASSERT_FALSE(window_.empty())
        << "no window; the program " << program_->describe_end() << " and said:\n"
        << output();
    if (player.typed_name) {
      ASSERT_TRUE(display_->type_text(window_, player.typed_name));
    }
    ASSERT_TRUE(display_->press_key(window_, "Return"));
  }

  std::string output() const { return text_of(runtime_ + "/output.txt"); }

  // Presses KEY again and again until EFFECT shows, for at most
  // EFFECT_WAIT_SECONDS.
  bool press_until(const std::string &key, const std::function<bool()> &effect) {
    return wait_until([&] {
      display_->press_key(window_, key);
      return wait_until(effect, KEY_EFFECT_SECONDS);
    });
  }

  // Presses KEY until the program ends, and expects exit code 0.
  void expect_ended_by(const std::string &key) {
    EXPECT_TRUE(press_until(key, [&] { return program_->ended(); }))
        << key << " did not end the program; it said:\n"
        << output();
    if (program_->ended()) {
      const int status = program_->status();
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "the program " << program_->describe_end() << "; it said:\n"
          << output();
    }
  }

  void expect_still_running(const char *when) {
    EXPECT_FALSE(program_->ended())
        << "the program " << program_->describe_end() << " " << when << "; it said:\n"
        << output();
  }

  std::vector<std::string> queries() const {
    return lines_of(server_->recorded_queries());
  }

  std::string expected_name() const {
    return player_.typed_name ? player_.typed_name : player_.stored_name;
  }
  std::string expected_comment() const {
    return player_.stored_comment ? player_.stored_comment : "";
  }

  bool identity_saved() const {
    Bytes saved = read_file(IDENTITY_FILE);
    return saved.size() == IDENTITY_FILE_SIZE &&
           text_at(saved, 0, IDENTITY_FIELD) == expected_name();
  }

  // What every run leaves: the record file as it was (bytes and time), and
  // the identity file with the name and comment that were sent.
  void expect_files_after_run() {
    EXPECT_EQ(record_bytes_, read_file(RECORD_FILE)) << "the record file changed";
    if (player_.records != RECORDS_NONE) {
      struct stat now = {};
      stat(RECORD_FILE, &now);
      EXPECT_EQ(record_stat_.st_mtim.tv_sec, now.st_mtim.tv_sec);
      EXPECT_EQ(record_stat_.st_mtim.tv_nsec, now.st_mtim.tv_nsec);
    } else {
      EXPECT_FALSE(file_exists(RECORD_FILE));
    }
    Bytes saved = read_file(IDENTITY_FILE);
    ASSERT_EQ(IDENTITY_FILE_SIZE, saved.size());
    EXPECT_EQ(expected_name(), text_at(saved, 0, IDENTITY_FIELD));
    EXPECT_EQ(expected_comment(), text_at(saved, IDENTITY_FIELD, IDENTITY_FIELD));
  }

  // QUERY is one registration of the good record file with this run's name
  // and comment.
  void expect_registration(const std::string &query) {
    ASSERT_EQ(0u, query.rfind(QUERY_PREFIX, 0)) << query;
    Bytes block = decoded_block(query.substr(strlen(QUERY_PREFIX)));
    ASSERT_EQ((size_t)RANKING_BLOCK_SIZE, block.size())
        << "not 384 characters of %XX: " << query;
    EXPECT_EQ(expected_name(), text_at(block, BLOCK_NAME_OFFSET, BLOCK_NAME_SIZE));
    EXPECT_EQ(expected_comment(),
              text_at(block, BLOCK_COMMENT_OFFSET, BLOCK_COMMENT_SIZE));
    for (int slot = 0; slot < RECORD_SLOT_COUNT; slot++)
      EXPECT_EQ(RECORD_VALUES[slot],
                dword_at(block, BLOCK_VALUES_OFFSET + RECORD_VALUE_SIZE * slot))
          << "slot " << slot;
  }

  ScratchDirectory game_;
  Player player_ = {};
  Bytes record_bytes_;
  struct stat record_stat_ = {};
  std::string runtime_;
  std::unique_ptr<RankingServer> server_;
  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<ChildProcess> program_;
  std::string window_;
};

// ---------------------------------------------------------------------------
// The records are sent and answered: the CGI gets one query, the dialog
// shows its finished arrangement, and the "完了" button (Enter) ends the
// program with 0.

struct SentRow {
  const char *label;
  std::vector<std::string> arguments;
  bool proxies;
  Player player;
  // log.html is expected, with the request in proxy form when proxy_form.
  bool log;
  bool proxy_form;
};

// Rows are named by their labels in test listings and messages.
void PrintTo(const SentRow &row, std::ostream *out) {
  *out << row.label;
}

class RecordsSent : public WholeRun, public ::testing::WithParamInterface<SentRow> {};

TEST_P(RecordsSent, OneQueryThenEnterEndsTheProgram) {
  const SentRow &row = GetParam();
  ASSERT_NO_FATAL_FAILURE(
      start_and_send({GOOD_MARKER, true, row.proxies}, row.player, row.arguments));

  ASSERT_TRUE(wait_until([&] { return !queries().empty(); }))
      << "no query reached the CGI; the program " << program_->describe_end()
      << " and said:\n"
      << output();
  // The finished dialog waits for its button.
  expect_still_running("before the finished dialog's button was pressed");
  expect_ended_by("Return");

  const std::vector<std::string> got = queries();
  ASSERT_EQ(1u, got.size()) << server_->recorded_queries();
  expect_registration(got[0]);
  expect_files_after_run();

  if (row.log) {
    const std::string expected_request =
        "GET http://" ZQ_RANKING_HOST "/cgi-bin/rank_zq.cgi?" + got[0] +
        (row.proxy_form ? " HTTP/1.1\r\n\r\n" : "\r\n");
    const std::string log = text_of(LOG_FILE);
    EXPECT_EQ(0u, log.rfind(expected_request, 0)) << "log.html:\n" << log;
    const std::string body = RankingServer::CGI_REPLY_BODY;
    EXPECT_TRUE(log.size() >= body.size() &&
                log.compare(log.size() - body.size(), body.size(), body) == 0)
        << "log.html does not end with the reply:\n"
        << log;
  } else {
    EXPECT_FALSE(file_exists(LOG_FILE));
  }
}

const Player TYPED = {RECORDS_GOOD, nullptr, nullptr, "e2eplayer"};
const Player STORED_JAPANESE = {RECORDS_GOOD, JAPANESE_NAME, JAPANESE_COMMENT, nullptr};

INSTANTIATE_TEST_SUITE_P(
    Rows, RecordsSent,
    ::testing::Values(
        SentRow{"DirectToRankingHostOnPort80", {}, false, TYPED, false, false},
        SentRow{"DirectOnPortOption", {"-p8080"}, false, TYPED, false, false},
        SentRow{"ThroughTinyproxy", {PROXY_HOST, TINYPROXY}, true, TYPED, false, false},
        SentRow{"ThroughSquid", {PROXY_HOST, SQUID}, true, TYPED, false, false},
        SentRow{"StoredJapaneseName", {}, false, STORED_JAPANESE, false, false},
        SentRow{"LogDirect", {"-l"}, false, TYPED, true, false},
        SentRow{"LogThroughSquid",
                {"-l", PROXY_HOST, SQUID},
                true,
                STORED_JAPANESE,
                true,
                true}),
    [](const ::testing::TestParamInfo<SentRow> &info) { return info.param.label; });

// ---------------------------------------------------------------------------
// Nothing to send: the check passes, no query is made, and the finished
// dialog's button ends the program with 0.

struct NothingRow {
  const char *label;
  std::vector<std::string> arguments;
  bool proxies;
  Player player;
};

// Rows are named by their labels in test listings and messages.
void PrintTo(const NothingRow &row, std::ostream *out) {
  *out << row.label;
}

class NothingToSend : public WholeRun,
                      public ::testing::WithParamInterface<NothingRow> {};

TEST_P(NothingToSend, CheckOnlyThenEnterEndsTheProgram) {
  const NothingRow &row = GetParam();
  ASSERT_NO_FATAL_FAILURE(
      start_and_send({GOOD_MARKER, true, row.proxies}, row.player, row.arguments));

  ASSERT_TRUE(wait_until([&] { return server_->marker_requests() >= 1; }))
      << "no acceptance check; the program " << program_->describe_end() << " and said:\n"
      << output();
  expect_still_running("before the finished dialog's button was pressed");
  // In the input arrangement Enter would check again and never end it.
  expect_ended_by("Return");

  EXPECT_EQ(1, server_->marker_requests());
  EXPECT_TRUE(queries().empty()) << server_->recorded_queries();
  expect_files_after_run();
  EXPECT_FALSE(file_exists(LOG_FILE));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NothingToSend,
    ::testing::Values(
        NothingRow{
            "NoRecordFile", {}, false, {RECORDS_NONE, nullptr, nullptr, "norecords"}},
        NothingRow{"DamagedRecordFile",
                   {},
                   false,
                   {RECORDS_BAD_MAGIC, nullptr, nullptr, "badmagic"}},
        NothingRow{"NoRecordFileThroughTinyproxy",
                   {PROXY_HOST, TINYPROXY},
                   true,
                   {RECORDS_NONE, JAPANESE_NAME, JAPANESE_COMMENT, nullptr}}),
    [](const ::testing::TestParamInfo<NothingRow> &info) { return info.param.label; });

// ---------------------------------------------------------------------------
// A failed exchange: the identity is saved all the same, the dialog goes
// back to its input arrangement (so Enter registers again, which shows as
// a second exchange), and Escape then ends the program with 0.

enum FailedExchange { FAILED_CHECK, FAILED_UPLOAD };

struct FailureRow {
  const char *label;
  FailedExchange failure;
  ServerSetup setup;
  std::vector<std::string> arguments;
  // Whether the attempts can be counted at the server (they can't when
  // nothing listens).
  bool attempts_seen;
};

// Rows are named by their labels in test listings and messages.
void PrintTo(const FailureRow &row, std::ostream *out) {
  *out << row.label;
}

class ExchangeFails : public WholeRun,
                      public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ExchangeFails, IdentityKeptAndDialogBackInInput) {
  const FailureRow &row = GetParam();
  ASSERT_NO_FATAL_FAILURE(start_and_send(row.setup, TYPED, row.arguments));

  // How many exchanges of the failing kind reached the server.
  auto attempts = [&] {
    return row.failure == FAILED_CHECK ? server_->marker_requests()
                                       : (int)queries().size();
  };
  EXPECT_TRUE(wait_until([&] { return identity_saved(); }))
      << "zqhi.sav does not hold the typed name";
  if (row.attempts_seen) {
    ASSERT_TRUE(wait_until([&] { return attempts() >= 1; }))
        << "the failing exchange never came; the program " << program_->describe_end()
        << " and said:\n"
        << output();
    EXPECT_TRUE(
        press_until("Return", [&] { return attempts() >= 2 || program_->ended(); }));
    EXPECT_GE(attempts(), 2) << "Enter after the failure did not register again";
  }
  expect_still_running("after a failed exchange");
  expect_ended_by("Escape");

  if (row.failure == FAILED_CHECK) {
    EXPECT_TRUE(queries().empty()) << server_->recorded_queries();
  }
  for (const std::string &query : queries())
    expect_registration(query);
  expect_files_after_run();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExchangeFails,
    ::testing::Values(
        FailureRow{"NoMarkerFile", FAILED_CHECK, {nullptr, true, false}, {}, true},
        FailureRow{"WrongMarker", FAILED_CHECK, {"*zq*01\r\n", true, false}, {}, true},
        FailureRow{
            "MarkerWithoutAnotherByte", FAILED_CHECK, {"*zq*00", true, false}, {}, true},
        FailureRow{"NothingListens",
                   FAILED_CHECK,
                   {GOOD_MARKER, true, false},
                   {"-p" + std::to_string(RankingServer::CLOSED_PORT)},
                   false},
        FailureRow{"NoMarkerFileThroughSquid",
                   FAILED_CHECK,
                   {nullptr, true, true},
                   {PROXY_HOST, SQUID},
                   true},
        FailureRow{"UploadClosedWithoutAByte",
                   FAILED_UPLOAD,
                   {GOOD_MARKER, false, false},
                   {},
                   true},
        FailureRow{"UploadBodyEmptyThroughTinyproxy",
                   FAILED_UPLOAD,
                   {GOOD_MARKER, false, true},
                   {PROXY_HOST, TINYPROXY},
                   true}),
    [](const ::testing::TestParamInfo<FailureRow> &info) { return info.param.label; });

} // namespace
