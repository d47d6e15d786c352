#include <gtest/gtest.h>

#include <chrono>

#include "platform/platform.h"

TEST(PlatformSleep, WaitsAtLeastTheTimeAsked) {
  auto start = std::chrono::steady_clock::now();
  PlatformSleep(20);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 19);
}
