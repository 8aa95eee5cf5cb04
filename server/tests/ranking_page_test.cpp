// The store and the ranking page without a web server: conversion from code
// page 932, escaping, who ranks where, and the page written whole.
#include "block_maker.h"
#include "page_reader.h"
#include "ranking_page.h"
#include "registration_store.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp932ToUtf8, ConvertsAndReplacesWhatIsNotText) {
  const struct {
    const char *what;
    std::string cp932;
    std::string utf8;
  } cases[] = {
      {"ASCII", "zq-01", "zq-01"},
      {"katakana", "\x83\x65\x83\x58\x83\x67", "テスト"},
      {"trail byte 0x5C", "\x83\x5C\x83\x5C", "ソソ"},
      {"half-width katakana", "\xB1\xB2", "ｱｲ"},
      {"NEC row 13", "\x87\x40", "①"},
      {"lead byte at the end", "ab\x83", "ab\xEF\xBF\xBD"},
      {"byte that is no character",
       "a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"control characters", "a\tb\x7F",
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(cp932_to_utf8(c.cp932), c.utf8) << c.what;
}

TEST(HtmlEscape, EscapesMarkupCharacters) {
  EXPECT_EQ(html_escape("<script>alert('x&y')</script>\""),
            "&lt;script&gt;alert(&#39;x&amp;y&#39;)&lt;/script&gt;&quot;");
  EXPECT_EQ(html_escape("テスト"), "テスト");
}

class StoreFixture : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store.open(scratch.path() + "/" + STORE_FILE_NAME, error)) << error;
  }
  int64_t add(BlockFields f) {
    Registration r;
    Verdict v = check_ranking_block(make_block(f), r);
    EXPECT_TRUE(v.ok) << v.reason;
    int64_t id = 0;
    bool added = false;
    std::string error;
    EXPECT_TRUE(store.add(r, "127.0.0.1", id, added, error)) << error;
    EXPECT_TRUE(added);
    return id;
  }
  std::string page() {
    std::string error;
    EXPECT_TRUE(refresh_ranking_page(store, scratch.path(), scratch.path(), 0, error))
        << error;
    Bytes b = read_file(scratch.path() + "/" + RANKING_PAGE_FILE_NAME);
    return std::string(b.begin(), b.end());
  }
  ScratchDirectory scratch;
  RegistrationStore store;
};

BlockFields fields(std::string name, std::array<uint32_t, 3> records,
                   std::string stamp = "98b031405090fa0002a") {
  BlockFields f;
  f.name = name;
  f.comment = "by " + name;
  f.records = records;
  f.stamp = stamp;
  return f;
}

TEST_F(StoreFixture, RanksEachNamesBestTimeLowestFirst) {
  add(fields("aa", {300, 0, 50}));
  add(fields("bb", {100, 200, 50}, "98b031405090fa0002b"));
  add(fields("aa", {90, 0, 70}, "98b031405090fa0002c")); // aa's better first record
  add(fields("cc", {100, 0, 0}, "98b031405090fa0002d")); // ties with bb

  PageSnapshot s;
  std::string error;
  ASSERT_TRUE(store.snapshot(s, error)) << error;
  EXPECT_EQ(s.registrations, 4);
  EXPECT_EQ(s.names, 3);
  auto summary = [](const std::vector<RankedEntry> &ranking) {
    std::string text;
    for (const RankedEntry &e : ranking)
      text += std::to_string(e.rank) + ":" + e.name + "=" + std::to_string(e.value) + " ";
    return text;
  };
  EXPECT_EQ(summary(s.rankings[0]), "1:aa=90 2:bb=100 2:cc=100 ");
  EXPECT_EQ(summary(s.rankings[1]), "1:bb=200 "); // 0 is no time
  EXPECT_EQ(summary(s.rankings[2]), "1:aa=50 1:bb=50 ");
  EXPECT_EQ(s.rankings[0][0].comment, "by aa");
  EXPECT_EQ(s.rankings[0][0].stamp, "98b031405090fa0002c");
  EXPECT_EQ(s.rankings[2][0].stamp, "98b031405090fa0002a"); // aa's own best for record 3
}

TEST_F(StoreFixture, StoresARepeatedBlockOnce) {
  int64_t first = add(fields("aa", {1, 2, 3}));
  Registration r;
  ASSERT_TRUE(check_ranking_block(make_block(fields("aa", {1, 2, 3})), r).ok);
  int64_t id = 0;
  bool added = true;
  std::string error;
  ASSERT_TRUE(store.add(r, "127.0.0.1", id, added, error)) << error;
  EXPECT_FALSE(added);
  EXPECT_EQ(id, first);
  PageSnapshot s;
  ASSERT_TRUE(store.snapshot(s, error));
  EXPECT_EQ(s.registrations, 1);
}

TEST_F(StoreFixture, PageShowsPlayerTextsConvertedAndEscaped) {
  BlockFields script = fields("<script>", {5, 6, 7});
  script.comment = "\"'&</td>";
  add(script);
  BlockFields japanese =
      fields("\x83\x65\x83\x58\x83\x67", {4, 0, 0}, "26c31235959fff00001");
  japanese.comment = "\x83\x5C\x82\xCC";
  add(japanese);

  std::string p = page();
  EXPECT_EQ(html_structure_error(p), "");
  EXPECT_EQ(p.find("<script>"), std::string::npos);
  std::vector<PageRow> rows = page_rows(p, 1);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "テスト");
  EXPECT_EQ(rows[0].comment, "ソの");
  EXPECT_EQ(rows[0].value, 4u);
  EXPECT_EQ(rows[0].stamp, "26c31235959fff00001");
  EXPECT_EQ(rows[0].shown_stamp, "26/12/31 23:59:59");
  EXPECT_EQ(rows[1].name, "&lt;script&gt;");
  EXPECT_EQ(rows[1].comment, "&quot;&#39;&amp;&lt;/td&gt;");
  EXPECT_EQ(page_rows(p, 2).size(), 1u);
}

TEST_F(StoreFixture, EmptyStoreGivesAWellFormedPage) {
  std::string p = page();
  EXPECT_EQ(html_structure_error(p), "");
  EXPECT_NE(p.find("0 registrations from 0 names"), std::string::npos);
}

TEST_F(StoreFixture, PageIsRewrittenOnlyWhenBehind) {
  int64_t id = add(fields("aa", {1, 2, 3}));
  std::string error;
  ASSERT_TRUE(refresh_ranking_page(store, scratch.path(), scratch.path(), id, error));
  std::string page_path = scratch.path() + "/" + RANKING_PAGE_FILE_NAME;
  write_file(page_path, std::string("stale"));
  // The page already shows id: nothing to do.
  ASSERT_TRUE(refresh_ranking_page(store, scratch.path(), scratch.path(), id, error));
  EXPECT_EQ(read_file(page_path), Bytes({'s', 't', 'a', 'l', 'e'}));
  int64_t next = add(fields("bb", {1, 2, 3}));
  ASSERT_TRUE(refresh_ranking_page(store, scratch.path(), scratch.path(), next, error));
  Bytes b = read_file(page_path);
  EXPECT_EQ(page_rows(std::string(b.begin(), b.end()), 1).size(), 2u);
}

} // namespace
