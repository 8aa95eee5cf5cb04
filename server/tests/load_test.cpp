// Many registrations at once: a bounded pool of clients on loopback sends
// LOAD_REGISTRATIONS distinct registrations; then the store holds each of
// them exactly once and the page is well-formed and ranks every name by its
// best time. The rate is printed for the README, never asserted.
#include "block_maker.h"
#include "page_reader.h"
#include "service_peers.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <thread>

namespace {

constexpr int LOAD_REGISTRATIONS = 2000;
constexpr int LOAD_CLIENTS = 16;
constexpr int LOAD_NAMES = 250; // 8 registrations per name

// Registration i: name "load" and i mod LOAD_NAMES, its stamp numbered i,
// records that differ for every i so that each name has one best per record.
BlockFields load_fields(int i) {
  BlockFields f;
  char text[32];
  snprintf(text, sizeof(text), "load%03d", i % LOAD_NAMES);
  f.name = text;
  snprintf(text, sizeof(text), "run %d", i);
  f.comment = text;
  snprintf(text, sizeof(text), "26c31120000%03x%05x", i % 0x1000, i);
  f.stamp = text;
  f.records = {(uint32_t)(100000 - i), (uint32_t)(1 + i),
               (uint32_t)(5000 + (i * 7919) % 3001)};
  return f;
}

TEST(Load, EveryConcurrentRegistrationIsStoredOnceAndRanked) {
  ScratchDirectory work;
  RankingService service;
  ASSERT_TRUE(service.start(work.path() + "/service"));

  std::atomic<int> next{0};
  std::atomic<int> accepted{0};
  std::vector<std::string> failures(LOAD_CLIENTS);
  auto client = [&](int me) {
    for (int i; (i = next++) < LOAD_REGISTRATIONS;) {
      HttpReply r =
          http10_get(service.port(), "/cgi-bin/rank_zq.cgi?" +
                                         registration_query(make_block(load_fields(i))));
      if (r.status == 200 && r.body.rfind("OK: registered as entry ", 0) == 0)
        accepted++;
      else if (failures[(size_t)me].empty())
        failures[(size_t)me] = std::to_string(r.status) + " " + r.body;
    }
  };
  auto started = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < LOAD_CLIENTS; c++)
    clients.emplace_back(client, c);
  for (std::thread &t : clients)
    t.join();
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  printf(
      "load: %d registrations from %d clients in %.2f s: %.0f registrations per second\n",
      LOAD_REGISTRATIONS, LOAD_CLIENTS, seconds, LOAD_REGISTRATIONS / seconds);
  for (const std::string &f : failures)
    EXPECT_EQ(f, "");
  EXPECT_EQ(accepted.load(), LOAD_REGISTRATIONS);

  // Each registration once: the stamps carry i, and no block is there twice.
  std::vector<std::string> stamps =
      store_column(service.store_path(), "SELECT stamp FROM registration");
  std::multiset<std::string> stored(stamps.begin(), stamps.end());
  EXPECT_EQ(stored.size(), (size_t)LOAD_REGISTRATIONS);
  for (int i = 0; i < LOAD_REGISTRATIONS; i++)
    EXPECT_EQ(stored.count(load_fields(i).stamp), 1u) << "registration " << i;

  // The page shows the last registration and each name's best per record.
  std::string page = service.page();
  EXPECT_EQ(html_structure_error(page), "");
  EXPECT_NE(page.find(std::to_string(LOAD_REGISTRATIONS) + " registrations from " +
                      std::to_string(LOAD_NAMES) + " names"),
            std::string::npos);
  for (int record = 1; record <= 3; record++) {
    SCOPED_TRACE(record);
    std::map<std::string, unsigned long> best;
    for (int i = 0; i < LOAD_REGISTRATIONS; i++) {
      BlockFields f = load_fields(i);
      unsigned long v = f.records[(size_t)record - 1];
      if (!best.count(f.name) || v < best[f.name])
        best[f.name] = v;
    }
    std::vector<PageRow> rows = page_rows(page, record);
    ASSERT_EQ(rows.size(), (size_t)LOAD_NAMES);
    std::set<std::string> names;
    for (size_t r = 0; r < rows.size(); r++) {
      EXPECT_TRUE(names.insert(rows[r].name).second) << rows[r].name << " twice";
      EXPECT_EQ(rows[r].value, best[rows[r].name]) << rows[r].name;
      if (r > 0) {
        EXPECT_LE(rows[r - 1].value, rows[r].value) << "row " << r;
      }
    }
  }
}

} // namespace
