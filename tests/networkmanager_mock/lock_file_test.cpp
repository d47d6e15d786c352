// The dial lock's file: made root's with exact modes whatever the umask,
// open to every user's flock, and refused at once, left as it was, where it
// is not root's alone.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "networkmanager_ras/dial/lock_file.h"

namespace {

struct LockFile : ::testing::Test {
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the lock is root's: needs root";
    ASSERT_NE(nullptr, mkdtemp(base.data()));
    chmod(base.c_str(), 0755);  // another user reaches the lock
  }
  void TearDown() override { std::filesystem::remove_all(base.c_str()); }

  int Open() { return nmras::OpenLockFile(base + "/nelvo", nmras::kLockName, why); }
  // Octal type and mode, and owner, of the folder and the file.
  std::string State() const {
    std::ostringstream state;
    for (const char* name : {"/nelvo", "/nelvo/dial.lock"}) {
      struct stat st {};
      lstat((base + name).c_str(), &st);
      state << std::oct << st.st_mode << " " << std::dec << st.st_uid << " ";
    }
    return state.str();
  }

  std::string base = "/tmp/nelvo-lock-XXXXXX", why;
};

TEST_F(LockFile, MadeRootsWithExactModesWhateverTheUmaskAndAnyUserTakesIt) {
  mode_t umask_before = umask(077);
  int fd = Open();
  umask(umask_before);
  ASSERT_GE(fd, 0) << why;
  EXPECT_EQ("40755 0 100644 0 ", State());
  pid_t child = fork();
  if (child == 0) {
    bool other = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
    int taken = other ? Open() : -1;
    _exit(taken >= 0 && flock(taken, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_EQ(0, status) << "another user could not take the lock";
}

TEST_F(LockFile, RefusedAtOnceAndLeftAsItWasWhereNotRootsAlone) {
  for (const char* plant : {"mkdir nelvo && chown 65534 nelvo", "mkdir -m 0777 nelvo",
                            "mkdir nelvo && mkfifo nelvo/dial.lock",
                            "mkdir nelvo && install -o 65534 /dev/null nelvo/dial.lock"}) {
    SCOPED_TRACE(plant);
    std::filesystem::remove_all(base + "/nelvo");
    ASSERT_EQ(0, std::system(("cd " + base + " && umask 022 && " + plant).c_str()));
    std::string before = State();
    EXPECT_EQ(-1, Open());
    EXPECT_EQ(0u, why.rfind(base + "/nelvo", 0)) << why;
    EXPECT_EQ(before, State());
  }
}

}  // namespace
