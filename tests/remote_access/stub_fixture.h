// Shared set-up for tests that run against the recording stub library,
// which sits beside the test program under the name the binding loads.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "remote_access/nelvoras.h"

// Sets (or, with an empty value, removes) an environment variable that the
// stub reads at each call.
void SetStubSetting(const char* name, const std::string& value);

// Everything the stub recorded since the test began, one line per event.
std::string StubLog();

// Empties the log, which also restarts the stub's call counts.
void ForgetStubCalls();

// The bytes of an OLE byte string, which is then freed; "<null>" for the
// null handle so that it differs from any name.
std::string TakeOrNull(NELVO_BSTR text);

// '|'-joined names "E1".."En" for the stub's lists.
std::string NumberedNames(const char* prefix, int count);

// Starts each test with an empty log, no settings and no library held.
class StubTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
