// The tool's core against the running service: nginx, fcgiwrap and
// rank_zq.cgi on 127.0.0.1, directly (HTTP/0.9) and through tinyproxy
// (HTTP/1.1 request line), and requests that the service must refuse
// without changing anything.
#include "block_maker.h"
#include "page_reader.h"
#include "ranking_page.h"
#include "service_peers.h"

#include "app/launch_options.h"
#include "files/identity.h"
#include "files/ranking_target.h"
#include "files/record_file.h"
#include "net/http_exchange.h"
#include "res/ranking_host.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int RECEIVE_BUFFER_SIZE = 12288;
constexpr int UPLOAD_REPLY_SIZE = 1024;
constexpr int TARGET_BUFFER_SIZE = 8192;

class ServiceTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    work = new ScratchDirectory;
    service = new RankingService;
    proxy = new TinyProxy;
    ASSERT_TRUE(service->start(work->path() + "/service"));
    ASSERT_TRUE(proxy->start(work->path() + "/proxy"));
  }
  static void TearDownTestSuite() {
    delete proxy;
    delete service;
    delete work;
  }
  static ScratchDirectory *work;
  static RankingService *service;
  static TinyProxy *proxy;
};
ScratchDirectory *ServiceTest::work;
RankingService *ServiceTest::service;
TinyProxy *ServiceTest::proxy;

// The tool's own steps: the acceptance check, then the target built from
// "zq.sav" and the identity, then the upload, in direct or proxy mode.
struct ToolRun {
  int32_t check_count = 0;
  std::string check_reply;
  int built = 0;
  int32_t upload_count = 0;
  std::string upload_reply;
};

ToolRun run_tool(int proxy_mode, int connect_port, const char *ranking_host) {
  ToolRun run;
  launch_options.proxy_mode = proxy_mode;
  launch_options.log_exchange = 0;
  static char receive[RECEIVE_BUFFER_SIZE];
  memset(receive, 0, sizeof(receive));
  std::string check_target = std::string("http://") + ranking_host + "/score/zq.txt";
  run.check_count =
      http_get(receive, sizeof(receive), "127.0.0.1", connect_port, check_target.c_str());
  run.check_reply = receive;
  static char target[TARGET_BUFFER_SIZE];
  strcpy(target, "http://");
  run.built = build_ranking_target(target + strlen(target), ranking_host);
  if (!run.built)
    return run;
  memset(receive, 0, sizeof(receive));
  run.upload_count =
      http_get(receive, UPLOAD_REPLY_SIZE, "127.0.0.1", connect_port, target);
  run.upload_reply = receive;
  return run;
}

class ToolRoundTrip : public ServiceTest, public ::testing::WithParamInterface<int> {};

TEST_P(ToolRoundTrip, StoresAndShowsWhatTheRecordFileAndIdentityHold) {
  const int proxy_mode = GetParam();
  ScratchDirectory player;
  Bytes record_file = good_record_file();
  write_file(RECORD_FILE_NAME, record_file);
  // テスト and the mode's digit; a comment with a 0x5C trail byte and markup.
  std::string name = std::string("\x83\x65\x83\x58\x83\x67") + (char)('0' + proxy_mode);
  std::string comment = "\x83\x5C\x82\xCC <b>&amp;";
  memset(&player_identity, 0, sizeof(player_identity));
  strcpy(player_identity.name, name.c_str());
  strcpy(player_identity.comment, comment.c_str());

  // Directly, the target names the ranking host as the tool has it; through
  // the proxy it must name where the service really listens.
  std::string service_host = "127.0.0.1:" + std::to_string(service->port());
  ToolRun run = proxy_mode ? run_tool(1, proxy->port(), service_host.c_str())
                           : run_tool(0, service->port(), RANKING_HOST);
  EXPECT_GE(run.check_count, 7);
  EXPECT_EQ(run.check_reply, "*zq*00\n");
  ASSERT_EQ(run.built, 1);
  EXPECT_GT(run.upload_count, 0);
  EXPECT_EQ(run.upload_reply.rfind("OK: registered as entry ", 0), 0u)
      << run.upload_reply;

  std::string where = std::string(" FROM registration WHERE name = x'8365835883673") +
                      (char)('0' + proxy_mode) + "'";
  ASSERT_EQ(store_column(service->store_path(), "SELECT name" + where),
            std::vector<std::string>{name});
  EXPECT_EQ(store_column(service->store_path(), "SELECT comment" + where)[0], comment);
  EXPECT_EQ(store_column(service->store_path(), "SELECT stamp" + where)[0],
            "98b031405090fa0002a");
  EXPECT_EQ(store_column(service->store_path(),
                         "SELECT record0 || ',' || record1 || ',' || record2" + where)[0],
            "1000,2000,3000");
  std::string details = store_column(service->store_path(), "SELECT details" + where)[0];
  ASSERT_EQ(details.size(), 48u);
  for (int slot = 0; slot < 3; slot++)
    EXPECT_EQ(0, memcmp(details.data() + 16 * slot,
                        record_file.data() + 8 + 204 * slot + 4, 16))
        << "slot " << slot;

  std::string page = service->page();
  EXPECT_EQ(html_structure_error(page), "");
  std::string shown_name = std::string("テスト") + (char)('0' + proxy_mode);
  const unsigned long values[3] = {1000, 2000, 3000};
  for (int record = 1; record <= 3; record++) {
    SCOPED_TRACE(record);
    int found = 0;
    for (const PageRow &row : page_rows(page, record)) {
      if (row.name != shown_name)
        continue;
      found++;
      EXPECT_EQ(row.value, values[record - 1]);
      EXPECT_EQ(row.comment, "ソの &lt;b&gt;&amp;amp;");
      EXPECT_EQ(row.stamp, "98b031405090fa0002a");
      EXPECT_EQ(row.shown_stamp, "98/11/03 14:05:09");
    }
    EXPECT_EQ(found, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ToolRoundTrip, ::testing::Values(0, 1),
                         [](const auto &info) {
                           return info.param ? "Proxy" : "Direct";
                         });

std::string cgi_path(const std::string &query) {
  return "/cgi-bin/rank_zq.cgi?" + query;
}

TEST_F(ServiceTest, BadRequestsAreRefusedAndChangeNothing) {
  // One good registration first, so that "nothing changes" has something to keep.
  BlockFields keep;
  keep.name = "keeper";
  ASSERT_EQ(
      http10_get(service->port(), cgi_path(registration_query(make_block(keep)))).status,
      200);
  const std::string store_before = store_dump(service->store_path());
  const std::string page_before = service->page();
  const std::string good = registration_query(make_block());

  const struct {
    const char *what;
    std::string query;
    const char *reason;
  } cases[] = {
      {"short", good.substr(0, good.size() - 3), "data is 381 characters, not 384"},
      {"long", good + "%00", "data is 387 characters, not 384"},
      {"bad hex", good.substr(0, 14) + "G" + good.substr(15), "block byte 0 is not %"},
      {"name of 1 byte", registration_query(make_block({.name = "a"})),
       "name is 1 bytes, not 2 to 15"},
      {"name of 16 bytes", registration_query(make_block({.name = std::string(16, 'n')})),
       "name has no NUL in its 16 bytes"},
      {"comment without NUL",
       registration_query(make_block({.comment = std::string(32, 'c')})),
       "comment has no NUL in its 32 bytes"},
      {"zero sum", registration_query(make_block({.records = {0, 0, 0}})),
       "the records sum to 0"},
      {"no data at all", "", "does not begin with name=zq&data="},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    HttpReply reply = http10_get(service->port(), cgi_path(c.query));
    EXPECT_EQ(reply.status, 400);
    EXPECT_NE(reply.body.find(c.reason), std::string::npos) << reply.body;
    EXPECT_EQ(reply.body.find('\n'), reply.body.size() - 1) << "one line";
  }
  std::string post =
      raw_exchange(service->port(),
                   "POST " + cgi_path(good) + " HTTP/1.0\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(post.rfind("HTTP/1.1 405", 0), 0u) << post;

  EXPECT_EQ(store_dump(service->store_path()), store_before);
  EXPECT_EQ(service->page(), page_before);
}

TEST_F(ServiceTest, ScriptInANameIsStoredButEscapedOnThePage) {
  BlockFields f;
  f.name = "<script>";
  f.comment = "</td><script>alert(1)</script>";
  HttpReply reply =
      http10_get(service->port(), cgi_path(registration_query(make_block(f))));
  ASSERT_EQ(reply.status, 200) << reply.body;
  EXPECT_EQ(
      store_column(
          service->store_path(),
          "SELECT count(*) FROM registration WHERE name = CAST('<script>' AS BLOB)"),
      std::vector<std::string>{"1"});
  std::string page = service->page();
  EXPECT_EQ(html_structure_error(page), "");
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find("<td class=\"name\">&lt;script&gt;</td>"), std::string::npos);
}

TEST_F(ServiceTest, RepeatedUploadIsStoredOnce) {
  BlockFields f;
  f.name = "twice";
  std::string path = cgi_path(registration_query(make_block(f)));
  HttpReply first = http10_get(service->port(), path);
  HttpReply second = http10_get(service->port(), path);
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(second.status, 200);
  EXPECT_EQ(second.body.rfind("OK: already registered as entry ", 0), 0u) << second.body;
  EXPECT_EQ(store_column(
                service->store_path(),
                "SELECT count(*) FROM registration WHERE name = CAST('twice' AS BLOB)"),
            std::vector<std::string>{"1"});
}

TEST_F(ServiceTest, ClosedRegistrationsFailTheCheckAndStoreNothing) {
  ASSERT_EQ(service->admin("close"), 0);
  const std::string store_before = store_dump(service->store_path());
  HttpReply marker = http10_get(service->port(), "/score/zq.txt");
  EXPECT_EQ(marker.status, 200);
  EXPECT_NE(marker.body.rfind("*zq*00", 0), 0u) << marker.body;
  BlockFields f;
  f.name = "latecomer";
  HttpReply reply =
      http10_get(service->port(), cgi_path(registration_query(make_block(f))));
  EXPECT_EQ(reply.status, 503);
  EXPECT_EQ(reply.body, "registrations are closed\n");
  EXPECT_EQ(store_dump(service->store_path()), store_before);

  ASSERT_EQ(service->admin("open"), 0);
  EXPECT_EQ(http10_get(service->port(), "/score/zq.txt").body, "*zq*00\n");
  EXPECT_EQ(
      http10_get(service->port(), cgi_path(registration_query(make_block(f)))).status,
      200);
}

} // namespace
