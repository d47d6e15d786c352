// An in-memory world for whole runs of the dialer: files, standard output,
// the console and a fake remote-access library, all held in this process.
// The fuzz targets link it in place of the platform layer's POSIX files, so
// no name on a fuzzed command line ever reaches the real file system.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "remote_access/ras_functions.h"

// Where standard output goes.
enum StdoutKind { kStdoutPipe, kStdoutConsole, kStdoutDiskFile, kStdoutNone };

// What the fake remote-access library holds and how it answers.
enum PhoneBookKind {
  kBookFull,            // several entries, two differing only in case
  kBookEmpty,           // no entries
  kBookSingle,          // one entry: the first request is big enough
  kBookEnumFails,       // the enumeration fails
  kBookGrowsBetween,    // an entry appears between the two requests
  kBookLibraryMissing,  // rasapi32 cannot be loaded
  kBookKinds
};

// How a dial goes.
enum DialKind {
  kDialFails,          // the service reports a line-busy failure
  kDialConnects,       // connected at the first status query
  kDialCancelled,      // in progress until the cancel file appears
  kDialStatusFails,    // the status query fails after two polls
  kDialParamsFail,     // the stored dial parameters cannot be read
  kDialNeverFinishes,  // in progress until the wait runs out
  kDialKinds
};

struct WorldSettings {
  std::string command_line;
  StdoutKind stdout_kind = kStdoutPipe;
  PhoneBookKind book = kBookFull;
  DialKind dial = kDialFails;
  unsigned missing_functions = 0;  // bit i leaves out kRasFunctionNames[i]
  int active_connections = 0;      // 0 to 7, named after the phone book
  bool hang_up_never_completes = false;
  bool disk_full = false;           // writes to named files fail
  bool stale_cancel_file = false;   // the default cancel file exists
  bool log_held_elsewhere = false;  // any file named *.LOG is held open
  bool old_ipc_file = false;        // "ipc.txt" exists with 100 bytes
};

// The six functions the dialer resolves, in a fixed order.
extern const char* const kRasFunctionNames[kRasFunctionCount];

// Reads the settings from fuzz input: the command line up to the first NUL
// byte, then one byte each for the choices after it.
WorldSettings WorldFromInput(const uint8_t* data, size_t size);

// Empties every file, handle and connection and applies the settings; a
// notification the dial awaits is answered at once.
void ResetWorld(const WorldSettings& settings);
// Frees everything a run left in the world, so that a run frees what it
// allocates: libFuzzer runs an input again, looking for leaks, whenever the
// counts differ.
void ReleaseWorld();

// Inspection after a run.
struct WorldFile {
  std::string bytes;
  bool existed_before = false;
};
const std::map<std::string, WorldFile>& WorldFiles();
// The key a name is filed under: upper case, a leading ".\" or "./" dropped.
std::string WorldFileKey(const std::string& name);
// Everything written to standard output, and straight to the console.
const std::string& WorldStdout();
const std::string& WorldConsole();
// Handles still open, standard output not counted.
int WorldOpenHandles();
// Loads of rasapi32 not yet freed.
int WorldModuleReferences();
// Passwords the fake service was asked to dial with.
const std::vector<std::string>& WorldDialledPasswords();
