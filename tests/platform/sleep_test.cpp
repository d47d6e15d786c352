#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/system_services.h"

TEST(PlatformSleep, WaitsAtLeastTheTimeAsked) {
  auto start = std::chrono::steady_clock::now();
  PlatformSleep(20);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 19);
}

// A set event answers every wait at once until it is reset; a wait ends
// when another thread sets it (the long bound only guards a broken wake).
TEST(PlatformEvent, StaysSetUntilResetAndWakesAWaitWhenSet) {
  PlatformEvent event = PlatformCreateEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_FALSE(PlatformWaitEvent(event, 10));
  PlatformSetEvent(event);
  EXPECT_TRUE(PlatformWaitEvent(event, 0));
  EXPECT_TRUE(PlatformWaitEvent(event, 0));
  PlatformResetEvent(event);
  EXPECT_FALSE(PlatformWaitEvent(event, 0));
  std::thread setter([event] { PlatformSetEvent(event); });
  EXPECT_TRUE(PlatformWaitEvent(event, 60000));
  setter.join();
  PlatformCloseEvent(event);
  EXPECT_FALSE(PlatformWaitEvent(nullptr, 10));
}

#ifndef _WIN32
#include <signal.h>
#include <sys/time.h>

// A signal interrupts one nanosleep; the wait goes on with the time left.
TEST(PlatformSleep, SignalsDoNotShortenTheWait) {
  struct sigaction quiet = {};
  quiet.sa_handler = [](int) {};
  struct sigaction previous;
  ASSERT_EQ(0, sigaction(SIGALRM, &quiet, &previous));  // no SA_RESTART
  struct itimerval every_5ms = {{0, 5000}, {0, 5000}};
  struct itimerval off = {};
  setitimer(ITIMER_REAL, &every_5ms, nullptr);
  auto start = std::chrono::steady_clock::now();
  SystemSleep(60);
  auto elapsed = std::chrono::steady_clock::now() - start;
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 59);
}
#endif

TEST(ProgramFolder, IsTheTestProgramsFolderWithItsSeparator) {
  char folder[1024];
  size_t length = SystemProgramFolder(folder, sizeof folder);
  ASSERT_GT(length, 1u);
  EXPECT_EQ(length, std::strlen(folder));
  EXPECT_TRUE(folder[length - 1] == '/' || folder[length - 1] == '\\');
  std::string program = std::string(folder) +
#ifdef _WIN32
                        "platform_tests.exe";
#else
                        "platform_tests";
#endif
  EXPECT_TRUE(std::filesystem::exists(program)) << program;
  // A buffer that cannot hold the folder gives nothing rather than a part.
  EXPECT_EQ(0u, SystemProgramFolder(folder, length));
}
