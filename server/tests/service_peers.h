// The ranking service and a proxy in front of it, started on 127.0.0.1 by
// the tests that talk to them over the network, and a raw HTTP client for
// requests that the tool never sends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A TCP port on 127.0.0.1 that nobody listens on right now.
int free_loopback_port();

// The whole service as a user starts it: zq-service.sh with nginx, fcgiwrap,
// rank_zq.cgi and a store in a folder of its own.
class RankingService {
public:
  // Starts the service in dir (created) on a free port; false on failure.
  bool start(const std::string &dir);
  void stop();
  ~RankingService() { stop(); }

  int port() const { return port_; }
  const std::string &dir() const { return dir_; }
  std::string store_path() const { return dir_ + "/data/zq.sqlite"; }
  std::string page_path() const { return dir_ + "/www/score/index.html"; }
  std::string page() const;
  // Runs zq-admin with this service's folders; its exit status.
  int admin(const std::string &arguments) const;

private:
  std::string dir_;
  int port_ = 0;
  bool running_ = false;
};

// tinyproxy on a free port, in the foreground as a child of the test.
class TinyProxy {
public:
  bool start(const std::string &dir);
  void stop();
  ~TinyProxy() { stop(); }
  int port() const { return port_; }

private:
  int pid_ = 0;
  int port_ = 0;
};

struct HttpReply {
  int status = 0; // 0: no status line
  std::string body;
};

// Sends request to 127.0.0.1:port as it is and reads until the peer closes
// (or 30 seconds of silence); "" when the connection fails.
std::string raw_exchange(int port, const std::string &request);
// An HTTP/1.0 GET of path, split into status and body.
HttpReply http10_get(int port, const std::string &path);

// Every row of the store's registration table as text, one line each, for
// comparing the store before and after.
std::string store_dump(const std::string &store_path);
// One column of the rows that a query returns, as bytes.
std::vector<std::string> store_column(const std::string &store_path,
                                      const std::string &sql);
