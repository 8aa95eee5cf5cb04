#include "ranking_server.h"

#include "support/test_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

#ifndef ZQ_PEERS_DIR
#error "ZQ_PEERS_DIR must name the folder of the peer scripts"
#endif

namespace {

// The CGI that records its query like the stand-in one and then answers a
// reply without a body.
constexpr const char SILENT_CGI[] =
    "#!/bin/sh\n"
    "if [ -n \"${RANK_QUERY_FILE-}\" ]; then\n"
    "  printf '%s\\n' \"${QUERY_STRING-}\" >>\"$RANK_QUERY_FILE\"\n"
    "fi\n"
    "printf 'Content-Type: text/plain\\r\\nContent-Length: 0\\r\\n\\r\\n'\n";

std::string quoted(const std::string &text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::string file_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

} // namespace

RankingServer::RankingServer(const ServerSetup &setup) : proxies_(setup.proxies) {
  char pattern[] = "/tmp/zq-e2e-peers-XXXXXX";
  if (!mkdtemp(pattern)) {
    problem_ = "no scratch folder";
    return;
  }
  folder_ = pattern;
  // squid drops its privileges and still has to find its folder.
  chmod(folder_.c_str(), 0755);

  const std::string site = folder_ + "/site";
  started_ = prepare_site(setup) &&
             run("nginx_fcgiwrap.sh",
                 "start --dir " + quoted(folder_ + "/nginx") + " --root " +
                     quoted(site + "/www") + " --cgi-dir " + quoted(site + "/cgi-bin") +
                     " --port " + std::to_string(SERVER_PORT) + " --port " +
                     std::to_string(UPSTREAM_PORT) + " --query-file " +
                     quoted(folder_ + "/queries.txt"));
  if (started_ && proxies_) {
    const std::string upstream = " --upstream-port " + std::to_string(UPSTREAM_PORT);
    started_ =
        run("tinyproxy.sh", "start --dir " + quoted(folder_ + "/tinyproxy") + " --port " +
                                std::to_string(TINYPROXY_PORT) + upstream) &&
        run("squid.sh", "start --dir " + quoted(folder_ + "/squid") + " --port " +
                            std::to_string(SQUID_PORT) + upstream);
  }
  if (!started_)
    stop();
}

RankingServer::~RankingServer() {
  stop();
}

bool RankingServer::prepare_site(const ServerSetup &setup) {
  const std::string site = folder_ + "/site";
  if (!run("ranking_site.sh", quoted(site)))
    return false;
  const std::string marker = site + "/www/score/zq.txt";
  if (setup.marker)
    write_file(marker, std::string(setup.marker));
  else
    std::remove(marker.c_str());
  if (!setup.cgi_answers) {
    const std::string cgi = site + "/cgi-bin/rank_zq.cgi";
    write_file(cgi, std::string(SILENT_CGI));
    chmod(cgi.c_str(), 0755);
  }
  return true;
}

bool RankingServer::stop() {
  if (folder_.empty())
    return true;
  bool ok = true;
  if (proxies_) {
    ok = run("squid.sh", "stop --dir " + quoted(folder_ + "/squid")) && ok;
    ok = run("tinyproxy.sh", "stop --dir " + quoted(folder_ + "/tinyproxy")) && ok;
  }
  ok = run("nginx_fcgiwrap.sh", "stop --dir " + quoted(folder_ + "/nginx")) && ok;
  // Run in a namespace of its own, this program may be the parent of the
  // peers that it outlived; their remains are collected here.
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  folder_.clear();
  started_ = false;
  return ok;
}

std::string RankingServer::recorded_queries() const {
  return file_text(folder_ + "/queries.txt");
}

void RankingServer::forget_queries() const {
  std::remove((folder_ + "/queries.txt").c_str());
}

int RankingServer::marker_requests() const {
  std::istringstream log(file_text(folder_ + "/nginx/nginx-access.log"));
  int count = 0;
  for (std::string line; std::getline(log, line);)
    if (line.find("/score/zq.txt") != std::string::npos)
      count++;
  return count;
}

bool RankingServer::run(const std::string &script, const std::string &arguments) {
  const std::string command = quoted(std::string(ZQ_PEERS_DIR) + "/" + script) + " " +
                              arguments + " >>" + quoted(folder_ + "/scripts.log") +
                              " 2>&1";
  if (std::system(command.c_str()) == 0)
    return true;
  problem_ +=
      script + " " + arguments + " failed:\n" + file_text(folder_ + "/scripts.log");
  return false;
}
