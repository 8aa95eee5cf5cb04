#include "ranking_peers.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>

#ifndef ZQ_PEERS_DIR
#error "ZQ_PEERS_DIR must name the folder of the peer scripts"
#endif

namespace {

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

} // namespace

RankingPeers::RankingPeers(bool with_proxies) : with_proxies_(with_proxies) {
  char pattern[] = "/tmp/zq-peers-XXXXXX";
  if (!mkdtemp(pattern)) {
    problem_ = "no scratch folder";
    return;
  }
  folder_ = pattern;
  // The proxies drop their privileges and still have to find their folders.
  chmod(folder_.c_str(), 0755);

  const std::string site = folder_ + "/site";
  started_ = run("ranking_site.sh", quoted(site)) &&
             run("nginx_fcgiwrap.sh",
                 "start --dir " + quoted(folder_ + "/nginx") + " --root " +
                     quoted(site + "/www") + " --cgi-dir " + quoted(site + "/cgi-bin") +
                     " --port " + std::to_string(SERVER_PORT) + " --port " +
                     std::to_string(UPSTREAM_PORT) + " --query-file " +
                     quoted(folder_ + "/queries.txt"));
  if (started_ && with_proxies_) {
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

RankingPeers::~RankingPeers() {
  stop();
}

bool RankingPeers::stop() {
  if (folder_.empty())
    return true;
  bool ok = true;
  if (with_proxies_) {
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

std::string RankingPeers::recorded_queries() const {
  std::ifstream in(folder_ + "/queries.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

void RankingPeers::forget_queries() const {
  std::remove((folder_ + "/queries.txt").c_str());
}

bool RankingPeers::run(const std::string &script, const std::string &arguments) {
  const std::string command = quoted(std::string(ZQ_PEERS_DIR) + "/" + script) + " " +
                              arguments + " >>" + quoted(folder_ + "/scripts.log") +
                              " 2>&1";
  int status = std::system(command.c_str());
  if (status == 0)
    return true;
  std::ifstream in(folder_ + "/scripts.log");
  problem_ +=
      script + " " + arguments + " failed:\n" +
      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return false;
}
