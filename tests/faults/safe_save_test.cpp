// The identity save under a writer killed at random points: a child saves
// identities A and B in turn without pause and is SIGKILLed after a random
// delay, hundreds of times. After every kill "zqhi.sav" must be A's 512
// bytes or B's, never short, empty or a mix of both.
#include "faults/fault_support.h"
#include "files/identity.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int KILLS = 300;
// The loop also ends once this much time has gone by, so that a slow disk
// makes the test shorter, not longer; the kills done so far still count.
constexpr auto TIME_BUDGET = std::chrono::seconds(30);
constexpr int MAX_DELAY_US = 4000;

void set_identity(char fill_name, char fill_comment) {
  memset(player_identity.name, fill_name, IDENTITY_FIELD_SIZE - 1);
  player_identity.name[IDENTITY_FIELD_SIZE - 1] = '\0';
  memset(player_identity.comment, fill_comment, IDENTITY_FIELD_SIZE - 1);
  player_identity.comment[IDENTITY_FIELD_SIZE - 1] = '\0';
}

Bytes saved_bytes(char fill_name, char fill_comment) {
  Bytes b(512, 0);
  memset(b.data(), fill_name, 255);
  memset(b.data() + 256, fill_comment, 255);
  return b;
}

[[noreturn]] void save_forever() {
  for (;;) {
    set_identity('A', 'a');
    save_identity();
    set_identity('B', 'b');
    save_identity();
  }
}

TEST(SafeSave, KilledWriterLeavesOneWholeIdentity) {
  ScratchDirectory dir;
  const Bytes a = saved_bytes('A', 'a');
  const Bytes b = saved_bytes('B', 'b');
  write_file("zqhi.sav", a);

  std::random_device device;
  const unsigned seed = device();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay_us(0, MAX_DELAY_US);
  SCOPED_TRACE("random seed " + std::to_string(seed));

  int kills = 0, mid_save = 0, bad = 0;
  const auto start = std::chrono::steady_clock::now();
  while (kills < KILLS && std::chrono::steady_clock::now() - start < TIME_BUDGET) {
    fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
      save_forever();
    usleep((useconds_t)delay_us(random));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    kills++;
    if (file_exists("zqhi.sav.new"))
      mid_save++;
    Bytes now = read_file("zqhi.sav");
    if (now != a && now != b && bad++ < 5)
      ADD_FAILURE() << "after kill " << kills << ": zqhi.sav is " << now.size()
                    << " bytes and neither A nor B";
  }
  EXPECT_EQ(bad, 0) << "kills that left a broken identity file, of " << kills;
  std::cout << "[          ] " << kills << " kills, " << mid_save
            << " of them with zqhi.sav.new present\n";
}

} // namespace
