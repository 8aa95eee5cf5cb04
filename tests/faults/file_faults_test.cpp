// The files under faults of the file system: "zqhi.sav" and "zq.sav" as
// directories or unreadable, and both in a full or a read-only folder.
//
// For each row the three file operations run in a forked child: the
// identity load (into fields that held other texts), the identity save and
// the ranking target build. The outcomes that are defined for every fault:
// a load that cannot read gives empty fields, a save that cannot complete
// leaves the old entry whole and nothing beside it, a record file that
// cannot be read means nothing to send with only the prefix in the target,
// and the record file's bytes and modification time never change.
#include "faults/fault_support.h"
#include "files/identity.h"
#include "files/ranking_target.h"
#include "files/record_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char FOLDER[] = "folder";
constexpr int SMALL_DISK_KB = 256;
constexpr const char HOST[] = "ranking.example";
constexpr int TARGET_BUFFER_SIZE = 8192;

Bytes identity_file(const char *name, const char *comment) {
  Bytes b(512, 0);
  memcpy(b.data(), name, strlen(name));
  memcpy(b.data() + 256, comment, strlen(comment));
  return b;
}

const Bytes OLD_IDENTITY = identity_file("OldName", "old comment");
const Bytes NEW_IDENTITY = identity_file("NewName", "new comment");

enum class SaveOutcome { kept, replaced, directory_kept };

struct FolderFault {
  const char *what;
  // Makes the files and the fault in the current folder; runs as the
  // original user. False when the fault cannot be made here.
  bool (*prepare)(Findings &);
  bool as_unprivileged_user;
  bool identity_loads; // else the fields come out empty
  SaveOutcome save;
  bool record_accepted; // else the target holds the prefix only
};

void write_both_files() {
  write_file("zqhi.sav", OLD_IDENTITY);
  write_file("zq.sav", good_record_file());
}

bool give_folder_to_unprivileged_user() {
  return chown(".", unprivileged_uid(), (gid_t)-1) == 0;
}

bool enter_small_disk(Findings &f) {
  mkdir(FOLDER, 0777);
  if (!mount_small_tmpfs(FOLDER, SMALL_DISK_KB)) {
    f.skip("no mount namespace here (needs root)");
    return false;
  }
  return true;
}

const FolderFault FAULTS[] = {
    {"zqhi.sav is a directory",
     [](Findings &) {
       write_both_files();
       unlink("zqhi.sav");
       return mkdir("zqhi.sav", 0755) == 0;
     },
     false, false, SaveOutcome::directory_kept, true},
    {"zq.sav is a directory",
     [](Findings &) {
       write_both_files();
       unlink("zq.sav");
       return mkdir("zq.sav", 0755) == 0;
     },
     false, true, SaveOutcome::replaced, false},
    {"zqhi.sav unreadable",
     [](Findings &) {
       write_both_files();
       return chmod("zqhi.sav", 0) == 0 && give_folder_to_unprivileged_user();
     },
     true, false, SaveOutcome::kept, true},
    {"zq.sav unreadable",
     [](Findings &) {
       write_both_files();
       return chmod("zq.sav", 0) == 0 &&
              chown("zqhi.sav", unprivileged_uid(), (gid_t)-1) == 0 &&
              give_folder_to_unprivileged_user();
     },
     true, true, SaveOutcome::replaced, false},
    {"full folder",
     [](Findings &f) {
       if (!enter_small_disk(f))
         return false;
       write_both_files();
       fill_up_folder();
       return true;
     },
     false, true, SaveOutcome::kept, true},
    {"read-only folder",
     [](Findings &f) {
       if (!enter_small_disk(f))
         return false;
       write_both_files();
       return remount_read_only(".");
     },
     false, true, SaveOutcome::kept, true},
};

void run_fault(const FolderFault &fault, Findings &f) {
  if (!fault.prepare(f)) {
    if (f.text().empty())
      f.check(false, "the fault could not be made");
    return;
  }
  FileSnapshot record_before = snapshot("zq.sav");
  if (fault.as_unprivileged_user && !act_as_unprivileged_user()) {
    f.check(false, "cannot act as an unprivileged user");
    return;
  }

  strcpy(player_identity.name, "earlier name");
  strcpy(player_identity.comment, "earlier comment");
  load_identity();
  if (fault.identity_loads) {
    f.check(strcmp(player_identity.name, "OldName") == 0, "name not loaded");
    f.check(strcmp(player_identity.comment, "old comment") == 0, "comment not loaded");
  } else {
    f.check(player_identity.name[0] == '\0', "name not empty");
    f.check(player_identity.comment[0] == '\0', "comment not empty");
  }

  memset(&player_identity, 0, sizeof(player_identity));
  strcpy(player_identity.name, "NewName");
  strcpy(player_identity.comment, "new comment");
  save_identity();

  static char target[TARGET_BUFFER_SIZE];
  memset(target, 0x7F, sizeof(target));
  strcpy(target, "http://");
  memset(&record_file_image, 0, sizeof(record_file_image));
  int built = build_ranking_target(target + 7, HOST);

  if (!act_as_original_user()) {
    f.check(false, "cannot act as the original user again");
    return;
  }
  switch (fault.save) {
  case SaveOutcome::kept:
    f.check(read_file("zqhi.sav") == OLD_IDENTITY, "old identity file not kept whole");
    break;
  case SaveOutcome::replaced:
    f.check(read_file("zqhi.sav") == NEW_IDENTITY, "identity file not replaced");
    break;
  case SaveOutcome::directory_kept:
    f.check(entry_kind("zqhi.sav") == "is a directory",
            "zqhi.sav " + entry_kind("zqhi.sav"));
    break;
  }
  f.check(entry_kind("zqhi.sav.new") == "is missing", "zqhi.sav.new left behind");

  std::string prefix =
      std::string("http://") + HOST + "/cgi-bin/rank_zq.cgi?name=zq&data=";
  if (fault.record_accepted) {
    f.check(built == 1, "record file refused");
    f.check(strlen(target) == prefix.size() + 384, "target is not prefix and block");
  } else {
    f.check(built == 0, "record file accepted");
    f.check(std::string(target) == prefix, "target is not the prefix alone");
  }
  if (record_before.present)
    f.check(same_file(record_before, snapshot("zq.sav")), "zq.sav changed");
}

TEST(FileFaults, EachFaultHasItsDefinedOutcome) {
  for (const FolderFault &fault : FAULTS) {
    ScratchDirectory dir;
    std::string findings = in_child([&](Findings &f) { run_fault(fault, f); });
    if (is_skipped(findings)) {
      std::cout << "[ SKIPPED  ] row \"" << fault.what << "\": " << findings << "\n";
      continue;
    }
    EXPECT_EQ(findings, "") << "row \"" << fault.what << "\"";
  }
}

} // namespace
