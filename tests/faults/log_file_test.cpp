// "log.html" that is not a plain file. The log is opened like any file the
// user names: a symbolic link is written through (the user's own link, to
// keep the log elsewhere, as on the original platform), and an entry that
// cannot be opened for writing, a directory or a link to one, means an
// exchange without a log. Either way the exchange itself is unaffected,
// and the entry named "log.html" stays what it was.
#include "app/launch_options.h"
#include "faults/fault_support.h"
#include "net/http_exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int PEER_WAIT_MS = 10000;
constexpr const char TARGET[] = "/score/zq.txt";
constexpr const char REQUEST[] = "GET /score/zq.txt\r\n";
constexpr const char REPLY[] = "*zq*00 open\n";

// A loopback peer for one connection: it reads the request up to its line
// end, answers with a fixed reply and closes.
class OneReplyPeer {
public:
  explicit OneReplyPeer(std::string reply) : reply_(std::move(reply)) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listen_fd_ < 0 || bind(listen_fd_, (sockaddr *)&address, sizeof(address)) != 0 ||
        listen(listen_fd_, 1) != 0 ||
        getsockname(listen_fd_, (sockaddr *)&address, &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~OneReplyPeer() {
    if (thread_.joinable())
      thread_.join();
    if (listen_fd_ >= 0)
      close(listen_fd_);
  }
  int port() const { return port_; }
  const std::string &request() {
    if (thread_.joinable())
      thread_.join();
    return request_;
  }

private:
  void serve() {
    struct pollfd p = {listen_fd_, POLLIN, 0};
    if (poll(&p, 1, PEER_WAIT_MS) != 1)
      return;
    int fd = accept(listen_fd_, nullptr, nullptr);
    if (fd < 0)
      return;
    char chunk[256];
    while (request_.size() < 2 || request_.compare(request_.size() - 2, 2, "\r\n") != 0) {
      struct pollfd q = {fd, POLLIN, 0};
      if (poll(&q, 1, PEER_WAIT_MS) != 1)
        break;
      ssize_t n = read(fd, chunk, sizeof(chunk));
      if (n <= 0)
        break;
      request_.append(chunk, (size_t)n);
    }
    (void)!write(fd, reply_.data(), reply_.size());
    close(fd);
  }

  std::string reply_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

struct LogEntryCase {
  const char *what;
  void (*make)();          // makes "log.html" and whatever it points to
  const char *log_written; // where the log must land, or null for none
  const char *entry_kind;  // what "log.html" is afterwards
  const char *directory;   // a directory afterwards holding exactly
  const char *listing;     // these names, sorted, each and a blank
};

// The names in a directory, sorted, each followed by a blank.
std::string listing_of(const std::string &directory) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string &name : names)
    text += name + " ";
  return text;
}

const LogEntryCase CASES[] = {
    {"a directory",
     [] {
       mkdir("log.html", 0755);
       write_file("log.html/keep", std::string("keep"));
     },
     nullptr, "is a directory", "log.html", "keep "},
    {"a link to a file",
     [] {
       mkdir("logs", 0755);
       write_file("logs/last.html", std::string("an older and longer log"));
       symlink("logs/last.html", "log.html");
     },
     "logs/last.html", "is a symbolic link", "logs", "last.html "},
    {"a link to a file not yet there",
     [] {
       mkdir("logs", 0755);
       symlink("logs/new.html", "log.html");
     },
     "logs/new.html", "is a symbolic link", "logs", "new.html "},
    {"a link to a directory",
     [] {
       mkdir("logs", 0755);
       symlink("logs", "log.html");
     },
     nullptr, "is a symbolic link", "logs", ""},
    // fopen would wait for a reader for ever; the log is left out instead.
    {"a named pipe without a reader", [] { mkfifo("log.html", 0644); }, nullptr,
     "is a named pipe", ".", "log.html "},
    {"a link to a named pipe",
     [] {
       mkdir("logs", 0755);
       mkfifo("logs/pipe", 0644);
       symlink("logs/pipe", "log.html");
     },
     nullptr, "is a symbolic link", "logs", "pipe "},
};

TEST(LogFile, LinkIsWrittenThroughAndDirectoryMeansNoLog) {
  for (const LogEntryCase &c : CASES) {
    ScratchDirectory dir;
    c.make();
    OneReplyPeer peer(REPLY);
    ASSERT_NE(peer.port(), 0) << c.what << ": no loopback peer";
    launch_options.proxy_mode = 0;
    launch_options.log_exchange = 1;
    char buffer[1024] = "";
    int32_t result = http_get(buffer, sizeof(buffer), "127.0.0.1", peer.port(), TARGET);
    launch_options.log_exchange = 0;

    EXPECT_EQ(peer.request(), REQUEST) << c.what;
    EXPECT_EQ(result, (int32_t)strlen(REPLY)) << c.what;
    EXPECT_STREQ(buffer, REPLY) << c.what;
    EXPECT_EQ(entry_kind("log.html"), c.entry_kind) << c.what;
    if (c.log_written) {
      EXPECT_EQ(read_file(c.log_written), read_file("log.html")) << c.what;
      Bytes expected;
      for (const char *p : {REQUEST, REPLY})
        expected.insert(expected.end(), p, p + strlen(p));
      EXPECT_EQ(read_file(c.log_written), expected) << c.what;
    }
    EXPECT_EQ(listing_of(c.directory), c.listing) << c.what;
    if (file_exists("log.html/keep")) {
      EXPECT_EQ(read_file("log.html/keep"), Bytes({'k', 'e', 'e', 'p'})) << c.what;
    }
  }
}

} // namespace
