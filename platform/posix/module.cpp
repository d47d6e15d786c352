// Loading shared libraries on POSIX.
#include <dlfcn.h>
#include <limits.h>
#include <strings.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "platform/system_services.h"

namespace {

// "rasapi32.dll" -> "librasapi32.so"; other names are used as they are.
std::string SharedObjectName(const char* name) {
  std::string text(name);
  const size_t suffix = 4;
  if (text.size() > suffix && strcasecmp(text.c_str() + text.size() - suffix, ".dll") == 0) {
    return "lib" + text.substr(0, text.size() - suffix) + ".so";
  }
  return text;
}

// The folder of the running program, with a trailing slash; empty if unknown.
std::string ProgramFolder() {
  char path[PATH_MAX];
  return std::string(path, SystemProgramFolder(path, sizeof path));
}

}  // namespace

// Looks in the program's own folder first, as Windows does, then lets the
// system loader search. A name holding a slash is loaded as given.
PlatformModule PlatformLoadModule(const char* name) {
  std::string file = SharedObjectName(name);
  if (file.find('/') == std::string::npos) {
    std::string beside = ProgramFolder() + file;
    if (access(beside.c_str(), F_OK) == 0) {
      if (void* module = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    }
  }
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// The symbol's address in that library alone, nullptr when it has none.
void* PlatformResolve(PlatformModule module, const char* name) {
  if (module == nullptr) return nullptr;
  return dlsym(module, name);
}

// Drops one reference; the library goes when its last reference does.
void PlatformFreeModule(PlatformModule module) {
  if (module != nullptr) dlclose(module);
}
