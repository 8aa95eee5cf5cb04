#include "service_peers.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int REPLY_SILENCE_SECONDS = 30;

bool port_answers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons((uint16_t)port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, (sockaddr *)&a, sizeof(a)) == 0;
  close(fd);
  return ok;
}

std::string read_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

std::string service_environment() {
  return std::string("ZQ_CGI='") + ZQ_CGI_PATH + "' ZQ_ADMIN='" + ZQ_ADMIN_PATH + "' ";
}

} // namespace

int free_loopback_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(a);
  int port = 0;
  if (bind(fd, (sockaddr *)&a, sizeof(a)) == 0 &&
      getsockname(fd, (sockaddr *)&a, &length) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool RankingService::start(const std::string &dir) {
  dir_ = dir;
  port_ = free_loopback_port();
  std::string command = service_environment() + "'" + ZQ_SERVICE_SCRIPT +
                        "' start --dir '" + dir_ + "' --port " + std::to_string(port_) +
                        " 2>&1";
  running_ = system(command.c_str()) == 0;
  return running_;
}

void RankingService::stop() {
  if (!running_)
    return;
  std::string command = service_environment() + "'" + ZQ_SERVICE_SCRIPT +
                        "' stop --dir '" + dir_ + "' >/dev/null 2>&1";
  if (system(command.c_str()) != 0)
    fprintf(stderr, "zq-service.sh stop failed for %s\n", dir_.c_str());
  running_ = false;
}

std::string RankingService::page() const {
  return read_text(page_path());
}

int RankingService::admin(const std::string &arguments) const {
  std::string command = std::string("'") + ZQ_ADMIN_PATH + "' --data '" + dir_ +
                        "/data' --score '" + dir_ + "/www/score' " + arguments +
                        " >/dev/null";
  return system(command.c_str());
}

bool TinyProxy::start(const std::string &dir) {
  port_ = free_loopback_port();
  std::filesystem::create_directories(dir);
  std::string conf = dir + "/tinyproxy.conf";
  std::ofstream(conf) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\n"
                      << "MaxClients 32\nLogLevel Error\nDisableViaHeader Yes\n";
  pid_ = fork();
  if (pid_ == 0) {
    freopen((dir + "/tinyproxy.log").c_str(), "w", stderr);
    freopen("/dev/null", "w", stdout);
    execlp("tinyproxy", "tinyproxy", "-d", "-c", conf.c_str(), (char *)nullptr);
    _exit(127);
  }
  for (int i = 0; i < 100; i++) {
    if (port_answers(port_))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

void TinyProxy::stop() {
  if (pid_ <= 0)
    return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
}

std::string raw_exchange(int port, const std::string &request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  timeval silence{REPLY_SILENCE_SECONDS, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &silence, sizeof(silence));
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons((uint16_t)port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(fd, (sockaddr *)&a, sizeof(a)) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) == (ssize_t)request.size()) {
    char buffer[8192];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof(buffer), 0)) > 0)
      reply.append(buffer, (size_t)n);
  }
  close(fd);
  return reply;
}

HttpReply http10_get(int port, const std::string &path) {
  std::string reply = raw_exchange(port, "GET " + path + " HTTP/1.0\r\n\r\n");
  HttpReply r;
  size_t end = reply.find("\r\n\r\n");
  if (reply.rfind("HTTP/1.", 0) != 0 || end == std::string::npos)
    return r;
  r.status = atoi(reply.c_str() + 9);
  r.body = reply.substr(end + 4);
  return r;
}

std::vector<std::string> store_column(const std::string &store_path,
                                      const std::string &sql) {
  std::vector<std::string> values;
  sqlite3 *db = nullptr;
  sqlite3_stmt *s = nullptr;
  if (sqlite3_open_v2(store_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
          SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      const void *p = sqlite3_column_blob(s, 0);
      values.emplace_back(p ? (const char *)p : "", (size_t)sqlite3_column_bytes(s, 0));
    }
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return values;
}

std::string store_dump(const std::string &store_path) {
  std::string dump;
  for (const std::string &row :
       store_column(store_path, "SELECT id || ' ' || hex(block) || ' ' || received_at "
                                "FROM registration ORDER BY id"))
    dump += row + "\n";
  return dump;
}
