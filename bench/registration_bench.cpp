// The whole registration sequence against its floor, side by side.
//
//   registration_bench PORT ROUNDS
//
// The sequence: submit_registration on a dialog of the headless renderer,
// pointed at 127.0.0.1:PORT (an HTTP server that answers "/score/zq.txt"
// with the acceptance marker and the registration CGI with anything), in a
// folder with a good record file: the identity save, both exchanges, the
// record file load and every status text.
// The floor: what no registration can do without, done directly on POSIX by
// this program: the same identity file written, flushed and renamed, the
// record file read, and two blocking socket exchanges with the same
// requests to the same server.
// Rounds alternate between the two. Prints both totals and their ratio.
#include "app/dialog.h"
#include "app/launch_options.h"
#include "app/registration.h"
#include "files/identity.h"
#include "platform/dialog_manager.h"
#include "platform/headless_renderer.h"
#include "platform/resources.h"
#include "platform/win32_dialog.h"
#include "res/ranking_host.h"
#include "res/resource_ids.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

typedef std::chrono::steady_clock Clock;

void write_record_file() {
  unsigned char b[844] = {0};
  auto put = [&](int at, uint32_t v, int n) {
    for (int i = 0; i < n; i++)
      b[at + i] = (unsigned char)(v >> (8 * i));
  };
  put(0, 0x31415926, 4);
  put(8, 1000, 4);
  put(212, 2000, 4);
  put(416, 3000, 4);
  put(820, 42, 4);
  const unsigned time[8] = {1998, 11, 2, 3, 14, 5, 9, 250};
  for (int i = 0; i < 8; i++)
    put(824 + 2 * i, time[i], 2);
  put(840, 3415, 2);
  put(842, 3526, 2);
  FILE *f = fopen("zq.sav", "wb");
  fwrite(b, 1, sizeof b, f);
  fclose(f);
}

// One blocking exchange: connect, send the request, read until the server
// closes.
long raw_exchange(int port, const std::string &request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons((uint16_t)port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  long got = 0;
  if (connect(fd, (sockaddr *)&a, sizeof a) == 0 &&
      send(fd, request.data(), request.size(), MSG_NOSIGNAL) == (ssize_t)request.size()) {
    char buf[8192];
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;)
      got += n;
  }
  close(fd);
  return got;
}

long floor_registration(int port, const std::string &upload_request) {
  char identity[512] = "BenchName";
  int fd = open("zqhi.sav.new", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (write(fd, identity, sizeof identity) != (ssize_t)sizeof identity)
    abort();
  fsync(fd);
  close(fd);
  rename("zqhi.sav.new", "zqhi.sav");
  long got = raw_exchange(port, "GET http://" RANKING_HOST_TEXT "/score/zq.txt\r\n");
  char image[844];
  fd = open("zq.sav", O_RDONLY);
  if (read(fd, image, sizeof image) != (ssize_t)sizeof image)
    abort();
  close(fd);
  return got + raw_exchange(port, upload_request);
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s PORT ROUNDS\n", argv[0]);
    return 2;
  }
  int port = atoi(argv[1]);
  int rounds = atoi(argv[2]);
  char folder[] = "/tmp/zq-bench-registration-XXXXXX";
  if (!mkdtemp(folder) || chdir(folder) != 0)
    return 1;
  write_record_file();

  strcpy(launch_options.host, "127.0.0.1");
  launch_options.port = port;
  HeadlessRenderer renderer;
  dialog_mode = MODE_INPUT;
  Dialog *dialog = dialog_manager().create_dialog(*find_dialog_template(IDD_REGISTRATION),
                                                  dialog_proc, 0);
  HWND handle = DialogManager::handle_of(dialog);
  SetDlgItemTextA(handle, IDC_NAME_EDIT, "BenchName");

  // The same upload request that the sequence sends, for the floor.
  std::string upload_request;
  {
    dialog_mode = MODE_INPUT;
    launch_options.log_exchange = 1;
    submit_registration(handle);
    launch_options.log_exchange = 0;
    FILE *log = fopen("log.html", "rb");
    char line[1024] = "";
    if (!log || !fgets(line, sizeof line, log) || sent_flag != 1) {
      fprintf(stderr, "the registration did not go through (sent_flag %d, log %s)\n",
              sent_flag, log ? line : "missing");
      return 1;
    }
    fclose(log);
    upload_request = line;
  }

  Clock::duration sequence{}, floor{};
  for (int i = 0; i < rounds; i++) {
    dialog_mode = MODE_INPUT;
    auto t0 = Clock::now();
    submit_registration(handle);
    auto t1 = Clock::now();
    if (sent_flag != 1)
      return 1;
    if (floor_registration(port, upload_request) <= 0)
      return 1;
    auto t2 = Clock::now();
    sequence += t1 - t0;
    floor += t2 - t1;
  }
  dialog_manager().destroy_dialog(dialog);
  double s = std::chrono::duration<double>(sequence).count();
  double f = std::chrono::duration<double>(floor).count();
  printf("registration: sequence %.3f ms, floor %.3f ms per registration, ratio %.2f "
         "(goal: at most 1.30)\n",
         1000 * s / rounds, 1000 * f / rounds, s / f);
  std::string cleanup = std::string("rm -rf ") + folder;
  return system(cleanup.c_str()) == 0 ? 0 : 1;
}
