// A stand-in ranking server for the tests that talk to real peers, made of
// the scripts in this folder: nginx with fcgiwrap serving the acceptance
// marker and the ranking CGI (which records each query), and, when asked,
// tinyproxy and squid in front of it. What a test needs to vary is set up
// front: the marker file's bytes (or no marker file) and whether the CGI
// answers anything.
//
// Meant to run inside run_in_netns.sh, where port 80 is free and the
// ranking host names 127.0.0.1. Each object has a scratch folder of its
// own, and stops its peers and removes the folder when it goes.
#pragma once

#include <string>

struct ServerSetup {
  // The bytes of "/score/zq.txt"; nullptr: there is no such file (404).
  const char *marker = "*zq*00\r\n";
  // false: the CGI records the query and answers an empty body, so that
  // nginx closes a version-less request's connection without a byte.
  bool cgi_answers = true;
  // tinyproxy and squid as well.
  bool proxies = false;
};

class RankingServer {
public:
  // nginx takes direct requests on port 80 and the proxies' requests on
  // UPSTREAM_PORT.
  static constexpr int SERVER_PORT = 80;
  static constexpr int UPSTREAM_PORT = 8080;
  static constexpr int TINYPROXY_PORT = 8888;
  static constexpr int SQUID_PORT = 3128;
  // A port that nothing listens on.
  static constexpr int CLOSED_PORT = 9;
  // What the answering CGI's reply body says.
  static constexpr const char CGI_REPLY_BODY[] = "registered";

  // Returns when every port accepts connections; on failure nothing is left
  // running and started() is false.
  explicit RankingServer(const ServerSetup &setup);
  ~RankingServer();
  RankingServer(const RankingServer &) = delete;
  RankingServer &operator=(const RankingServer &) = delete;

  bool started() const { return started_; }
  const std::string &problem() const { return problem_; }
  // The queries that the CGI was called with, each followed by a line feed.
  std::string recorded_queries() const;
  void forget_queries() const;
  // How many requests for the acceptance marker nginx has answered.
  int marker_requests() const;
  // Stops every peer; true when all were stopped. The destructor calls it.
  bool stop();

private:
  bool run(const std::string &script, const std::string &arguments);
  bool prepare_site(const ServerSetup &setup);

  std::string folder_;
  bool proxies_ = false;
  bool started_ = false;
  std::string problem_;
};
