// The ranking CGI's reading of a query: a good block made by code, then one
// change per row, and whether the row is taken or refused, and why.
#include "block_maker.h"
#include "registration.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct QueryCase {
  const char *what;
  std::function<std::string()> query;
  const char *refusal; // nullptr: taken; else a part of the reason
};

std::string with_fields(std::function<void(BlockFields &)> change) {
  BlockFields f;
  change(f);
  return registration_query(make_block(f));
}

std::string with_block(std::function<void(RankingBlockBytes &)> change) {
  RankingBlockBytes b = make_block();
  change(b);
  return registration_query(b);
}

std::string with_text(std::function<void(std::string &)> change) {
  std::string q = registration_query(make_block());
  change(q);
  return q;
}

TEST(ReadRegistration, TakesGoodBlocksAndRefusesEveryFlaw) {
  const QueryCase cases[] = {
      {"good block", [] { return with_fields([](BlockFields &) {}); }, nullptr},
      {"lower-case hexadecimal digits",
       [] {
         return with_text([](std::string &q) {
           for (size_t i = REGISTRATION_QUERY_PREFIX.size(); i < q.size(); i++)
             q[i] = (char)tolower(q[i]);
         });
       },
       nullptr},
      {"name of 2 bytes",
       [] { return with_fields([](BlockFields &f) { f.name = "ab"; }); }, nullptr},
      {"name of 15 bytes",
       [] { return with_fields([](BlockFields &f) { f.name = std::string(15, 'n'); }); },
       nullptr},
      {"comment of 31 bytes",
       [] {
         return with_fields([](BlockFields &f) { f.comment = std::string(31, 'c'); });
       },
       nullptr},
      {"empty comment",
       [] { return with_fields([](BlockFields &f) { f.comment = ""; }); }, nullptr},
      {"<script> in the name, taken here and escaped on the page",
       [] { return with_fields([](BlockFields &f) { f.name = "<script>"; }); }, nullptr},
      {"code page 932 name",
       [] {
         return with_fields([](BlockFields &f) { f.name = "\x83\x65\x83\x58\x83\x67"; });
       },
       nullptr},
      {"months a to c and stamp number ff0ff",
       [] {
         return with_fields([](BlockFields &f) { f.stamp = "00c31125959fffff0ff"; });
       },
       nullptr},
      {"records that wrap but do not sum to 0",
       [] { return with_fields([](BlockFields &f) {
              f.records = {0xFFFFFFFF, 2, 0};
            }); },
       nullptr},
      {"only the third record",
       [] { return with_fields([](BlockFields &f) {
              f.records = {0, 0, 7};
            }); },
       nullptr},

      {"short: 127 bytes",
       [] { return with_text([](std::string &q) { q.resize(q.size() - 3); }); },
       "data is 381 characters, not 384"},
      {"short by one character",
       [] { return with_text([](std::string &q) { q.pop_back(); }); }, "not 384"},
      {"long: 129 bytes", [] { return with_text([](std::string &q) { q += "%00"; }); },
       "data is 387 characters, not 384"},
      {"a further query field",
       [] { return with_text([](std::string &q) { q += "&x=1"; }); }, "not 384"},
      {"empty query", [] { return std::string(); }, "does not begin with name=zq&data="},
      {"another name field", [] { return with_text([](std::string &q) { q[5] = 'x'; }); },
       "does not begin"},
      {"bad hexadecimal digit",
       [] {
         return with_text([](std::string &q) {
           q[REGISTRATION_QUERY_PREFIX.size() + 3 * 5 + 2] = 'G';
         });
       },
       "block byte 5 is not % and two hexadecimal digits"},
      {"a byte without its %",
       [] {
         return with_text(
             [](std::string &q) { q[REGISTRATION_QUERY_PREFIX.size() + 3 * 127] = 'A'; });
       },
       "block byte 127 is not %"},
      {"a plus sign for a digit",
       [] {
         return with_text(
             [](std::string &q) { q[REGISTRATION_QUERY_PREFIX.size() + 1] = '+'; });
       },
       "block byte 0 is not %"},

      {"letter in a decimal place of the stamp",
       [] { return with_fields([](BlockFields &f) { f.stamp[0] = 'a'; }); },
       "stamp character 0 is not a decimal digit"},
      {"upper-case month",
       [] { return with_fields([](BlockFields &f) { f.stamp[2] = 'B'; }); },
       "stamp character 2 is not a lower-case hexadecimal digit"},
      {"NUL inside the stamp",
       [] { return with_fields([](BlockFields &f) { f.stamp[18] = '\0'; }); },
       "stamp character 18"},
      {"byte 19 not 0",
       [] { return with_block([](RankingBlockBytes &b) { b[19] = '1'; }); },
       "block byte 19 after the stamp is not 0"},

      {"name of 1 byte",
       [] { return with_fields([](BlockFields &f) { f.name = std::string(1, 'a'); }); },
       "name is 1 bytes, not 2 to 15"},
      {"empty name", [] { return with_fields([](BlockFields &f) { f.name = ""; }); },
       "name is 0 bytes"},
      {"name of 16 bytes: no NUL in its field",
       [] { return with_fields([](BlockFields &f) { f.name = std::string(16, 'n'); }); },
       "name has no NUL in its 16 bytes"},
      {"comment of 32 bytes: no NUL in its field",
       [] {
         return with_fields([](BlockFields &f) { f.comment = std::string(32, 'c'); });
       },
       "comment has no NUL in its 32 bytes"},
      {"bytes after the name's NUL",
       [] {
         return with_block([](RankingBlockBytes &b) { b[BLOCK_NAME_OFFSET + 10] = 'x'; });
       },
       "name field byte 10 after the NUL is not 0"},
      {"bytes after the comment's NUL",
       [] {
         return with_block(
             [](RankingBlockBytes &b) { b[BLOCK_COMMENT_OFFSET + 31] = 1; });
       },
       "comment field byte 31 after the NUL is not 0"},

      {"zero sum",
       [] { return with_fields([](BlockFields &f) {
              f.records = {0, 0, 0};
            }); },
       "the records sum to 0"},
      {"sum that wraps to 0",
       [] { return with_fields([](BlockFields &f) {
              f.records = {0xFFFFFFFF, 1, 0};
            }); },
       "the records sum to 0"},
  };
  for (const QueryCase &c : cases) {
    SCOPED_TRACE(c.what);
    Registration r;
    Verdict v = read_registration(c.query(), r);
    if (!c.refusal) {
      EXPECT_TRUE(v.ok) << v.reason;
      continue;
    }
    EXPECT_FALSE(v.ok);
    EXPECT_NE(v.reason.find(c.refusal), std::string::npos) << v.reason;
    EXPECT_EQ(v.reason.find('\n'), std::string::npos);
  }
}

TEST(ReadRegistration, FillsEveryFieldFromTheBlock) {
  BlockFields f;
  f.name = "\x83\x65\x83\x58\x83\x67"; // テスト
  f.comment = "a<b>&'\"";
  f.records = {0x01020304, 0, 0xFFFFFFFE};
  RankingBlockBytes block = make_block(f);
  Registration r;
  Verdict v = read_registration(registration_query(block), r);
  ASSERT_TRUE(v.ok) << v.reason;
  EXPECT_EQ(r.stamp, f.stamp);
  EXPECT_EQ(r.name, f.name);
  EXPECT_EQ(r.comment, f.comment);
  EXPECT_EQ(r.records, f.records);
  EXPECT_EQ(r.details[0], 0x10);
  EXPECT_EQ(r.details[47], 0x3F);
  EXPECT_EQ(r.block, block);
}

TEST(StampDisplay, ShowsDateAndTime) {
  const struct {
    const char *stamp;
    const char *shown;
  } cases[] = {
      {"98b031405090fa0002a", "98/11/03 14:05:09"},
      {"0000100000000000000", "00/00/01 00:00:00"},
      {"26c31235959fff00001", "26/12/31 23:59:59"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(stamp_display(c.stamp), c.shown) << c.stamp;
}

} // namespace
