// Environment, log and string helpers for the stub-based tests.
#include "tests/remote_access/stub_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/platform.h"

namespace {

const char kLogName[] = "rasstub.log";
const char* const kSettings[] = {"RASSTUB_ENTRIES", "RASSTUB_CONNECTIONS", "RASSTUB_ENUM_SCRIPT",
                                 "RASSTUB_LIVE_POLLS", "RASSTUB_DIAL_HANDLE"};

}  // namespace

void SetStubSetting(const char* name, const std::string& value) {
#ifdef _WIN32
  // msvcrt's _putenv also sets the process environment the stub reads.
  _putenv((std::string(name) + "=" + value).c_str());
#else
  if (value.empty()) {
    unsetenv(name);
  } else {
    setenv(name, value.c_str(), 1);
  }
#endif
}

std::string StubLog() {
  std::ifstream file(kLogName, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void ForgetStubCalls() {
  (void)std::remove(kLogName);
}

std::string TakeOrNull(NELVO_BSTR text) {
  if (text == nullptr) return "<null>";
  std::string bytes(reinterpret_cast<const char*>(text), PlatformByteStringLength(text));
  PlatformFreeByteString(text);
  return bytes;
}

std::string NumberedNames(const char* prefix, int count) {
  std::string names;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) names += '|';
    names += prefix + std::to_string(i);
  }
  return names;
}

void StubTest::SetUp() {
  RasUnloadDLL();
  for (const char* name : kSettings) SetStubSetting(name, "");
  ForgetStubCalls();
  SetStubSetting("RASSTUB_LOG", kLogName);
}

void StubTest::TearDown() {
  RasUnloadDLL();
}
