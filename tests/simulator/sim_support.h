// Loads the simulated remote-access library through the system loader, gives
// each test a fresh state folder, and runs the rassim tool as a child process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "remote_access/ras_functions.h"

// The six functions, resolved by name; null when the library lacks one.
#define RAS_LIBRARY_MEMBER(name, bytes, parameters) name##Func name = nullptr;
struct RasLibrary {
  void* module = nullptr;
  RAS_FUNCTIONS(RAS_LIBRARY_MEMBER)
};
#undef RAS_LIBRARY_MEMBER

// The folder of the running test program (the build's bin folder).
std::string ProgramFolder();
// Path of the library in a folder: rasapi32.dll or librasapi32.so.
std::string LibraryIn(const std::string& folder);
// Loads a library by path (LoadLibraryA / dlopen) and resolves the six names.
bool LoadServiceLibrary(const std::string& path, RasLibrary* library);
void FreeServiceLibrary(RasLibrary* library);

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
void SetStateFolder(const std::string& folder);
uint32_t CurrentThreadId();
int64_t NowMs();
void SleepMs(uint32_t ms);

// A running child process.
struct Child {
  intptr_t id = 0;
  std::string output_file;
};
// Starts rassim with arguments; its standard output goes to a file.
Child StartTool(const std::vector<std::string>& args);
// Waits for the child; returns its exit code and its standard output.
int WaitTool(Child* child, std::string* output);
int RunTool(const std::vector<std::string>& args, std::string* output = nullptr);

// A fresh state folder named by RASSIM_DIR, and the main library loaded.
class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string StateFile(const char* name) const;
  void WritePhoneBook(const std::string& text) const;
  // A synchronous dial with the stored values; returns its result.
  uint32_t DialNow(const char* name, HRASCONN* handle);
  std::vector<RASCONN> Connections(uint32_t* result);

  std::string folder_;
  RasLibrary ras_;
};
