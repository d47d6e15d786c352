// The dial run when one of its byte strings cannot be made: nothing is
// dialled (an absent string would mean "the stored value") and the strings
// already made are freed. Strings are counted here, in the in-memory world.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "dialer/dial_run.h"
#include "platform/platform.h"
#include "tests/fuzz/memory_world.h"

namespace {
int live_strings = 0;
std::string refused;  // the text no string can be made of
}  // namespace

// The platform's shape (a 4-byte length before the bytes), counted.
PlatformByteString PlatformAllocByteString(const char* bytes, uint32_t length) {
  if (bytes != nullptr && std::string(bytes, length) == refused) return nullptr;
  char* block = static_cast<char*>(std::calloc(1, sizeof length + length + 2));
  std::memcpy(block, &length, sizeof length);
  if (bytes != nullptr) std::memcpy(block + sizeof length, bytes, length);
  ++live_strings;
  return reinterpret_cast<PlatformByteString>(block + sizeof length);
}

void PlatformFreeByteString(PlatformByteString text) {
  if (text != nullptr) --live_strings;
  if (text != nullptr) std::free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

uint32_t PlatformByteStringLength(PlatformByteString text) {
  uint32_t length = 0;
  if (text != nullptr) std::memcpy(&length, reinterpret_cast<char*>(text) - 4, sizeof length);
  return length;
}

TEST(DialRun, AStringThatCannotBeMadeDialsNothingAndFreesTheOthers) {
  for (const char* text : {"555-0199", "alice", "secret"}) {
    ResetWorld(WorldSettings());
    refused = text;
    RunSettings settings;
    settings.phone_number = "555-0199";
    settings.user_name = "alice";
    settings.password = "secret";
    ErrorStatus status;
    EXPECT_THROW(RunDial(settings, 1, status), std::bad_alloc) << text;
    EXPECT_EQ(live_strings, 0) << text;
    EXPECT_TRUE(WorldDialledPasswords().empty()) << text;
  }
  refused.clear();
}
