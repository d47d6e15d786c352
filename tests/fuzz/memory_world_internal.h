// State of the in-memory world, shared by its own files only.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/fuzz/memory_world.h"

// One open handle; an empty key marks a free slot.
struct MemoryOpenFile {
  std::string key;
  uint32_t position = 0;
  unsigned access = 0;
  unsigned share = 0;
};

std::map<std::string, WorldFile>& MemoryFiles();
std::vector<MemoryOpenFile>& MemoryHandles();
// Files another program holds open without sharing.
std::set<std::string>& MemoryHeldKeys();
std::string& MemoryStdoutBytes();
std::string& MemoryConsoleBytes();
StdoutKind MemoryStdoutKind();
bool MemoryDiskFull();
const WorldSettings& MemorySettings();
// Empties the fake service's connections and records.
void ResetFakeService();
// Frees what the fake service holds after a run.
void ReleaseFakeService();
