// Real HTTP peers for the exchange tests, run by the scripts in tests/peers:
// nginx with fcgiwrap as the ranking server (its marker file and its CGI,
// which records each query), and in front of it, when asked, tinyproxy and
// squid. Meant to run inside run_in_netns.sh, where port 80 is free and the
// ranking host names 127.0.0.1.
//
// Not shared between test programs: each object starts its own peers in a
// scratch folder and stops them, and removes the folder, when it goes.
#pragma once

#include <string>

class RankingPeers {
public:
  // nginx answers the ranking host on port 80 (for direct mode) and serves
  // the proxies on UPSTREAM_PORT.
  static constexpr int SERVER_PORT = 80;
  static constexpr int UPSTREAM_PORT = 8080;
  static constexpr int TINYPROXY_PORT = 8888;
  static constexpr int SQUID_PORT = 3128;

  // Starts nginx and fcgiwrap, and tinyproxy and squid when with_proxies;
  // returns when every port accepts connections. On failure nothing is
  // left running and started() is false.
  explicit RankingPeers(bool with_proxies);
  // Stops every peer and waits until they are gone.
  ~RankingPeers();
  RankingPeers(const RankingPeers &) = delete;
  RankingPeers &operator=(const RankingPeers &) = delete;

  bool started() const { return started_; }
  // What went wrong when starting or stopping, for test messages.
  const std::string &problem() const { return problem_; }
  // The queries that the CGI has recorded, each followed by a line feed.
  std::string recorded_queries() const;
  void forget_queries() const;
  // Stops every peer; true when all were stopped. The destructor calls it.
  bool stop();

private:
  bool run(const std::string &script, const std::string &arguments);

  std::string folder_;
  bool with_proxies_;
  bool started_ = false;
  std::string problem_;
};
