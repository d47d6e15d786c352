// Test support for the simulator: loader, state folders and child processes.
#include "tests/simulator/sim_support.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
const char kSeparator = '\\';
const char* kToolFile = "rassim.exe";
#else
const char kSeparator = '/';
const char* kToolFile = "rassim";
#endif

void* LoadModule(const std::string& path) {
#ifdef _WIN32
  return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
#else
  return dlopen(path.c_str(), RTLD_NOW);
#endif
}

void* Resolve(void* module, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
  return dlsym(module, name);
#endif
}

std::string MakeTempFolder() {
#ifdef _WIN32
  static int serial = 0;
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  for (;;) {
    std::string path = std::string(base) + "rassim-test-" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(++serial);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
  }
#else
  char pattern[] = "/tmp/rassim-test-XXXXXX";
  return mkdtemp(pattern);
#endif
}

// The state folder holds plain files only.
void RemoveFolder(const std::string& folder) {
  for (const char* name :
       {"phonebook.ini", "connections.txt", "faults.ini", "dials.txt", "lock", "phonebook.ini.tmp",
        "connections.txt.tmp", "faults.ini.tmp", "dials.txt.tmp"})
    std::remove((folder + kSeparator + name).c_str());
#ifdef _WIN32
  RemoveDirectoryA(folder.c_str());
#else
  rmdir(folder.c_str());
#endif
}

}  // namespace

std::string ProgramFolder() {
  char path[4096] = {0};
#ifdef _WIN32
  GetModuleFileNameA(nullptr, path, sizeof path);
#else
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  path[length > 0 ? length : 0] = '\0';
#endif
  std::string text = path;
  return text.substr(0, text.rfind(kSeparator));
}

std::string LibraryIn(const std::string& folder) {
#ifdef _WIN32
  return folder + "\\rasapi32.dll";
#else
  return folder + "/librasapi32.so";
#endif
}

bool LoadServiceLibrary(const std::string& path, RasLibrary* library) {
  *library = RasLibrary();
  library->module = LoadModule(path);
  if (library->module == nullptr) return false;
  void* m = library->module;
#define RESOLVE_RAS_FUNCTION(name, bytes, parameters) \
  library->name = reinterpret_cast<name##Func>(Resolve(m, #name));
  RAS_FUNCTIONS(RESOLVE_RAS_FUNCTION)
#undef RESOLVE_RAS_FUNCTION
  return true;
}

void FreeServiceLibrary(RasLibrary* library) {
  if (library->module == nullptr) return;
#ifdef _WIN32
  FreeLibrary(static_cast<HMODULE>(library->module));
#else
  dlclose(library->module);
#endif
  *library = RasLibrary();
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void SetStateFolder(const std::string& folder) {
#ifdef _WIN32
  SetEnvironmentVariableA("RASSIM_DIR", folder.c_str());
#else
  setenv("RASSIM_DIR", folder.c_str(), 1);
#endif
}

uint32_t CurrentThreadId() {
#ifdef _WIN32
  return GetCurrentThreadId();
#else
  return static_cast<uint32_t>(syscall(SYS_gettid));
#endif
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Child StartTool(const std::vector<std::string>& args) {
  static int serial = 0;
  Child child;
  std::string folder = ProgramFolder();
  child.output_file = folder + kSeparator + "rassim-out-" + std::to_string(++serial) + "-" +
                      std::to_string(CurrentThreadId()) + ".txt";
  std::string tool = folder + kSeparator + kToolFile;
#ifdef _WIN32
  std::string line = "\"" + tool + "\"";
  for (const std::string& arg : args) line += " \"" + arg + "\"";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(child.output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::vector<char> command(line.begin(), line.end());
  command.push_back('\0');
  if (CreateProcessA(tool.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    child.id = reinterpret_cast<intptr_t>(process.hProcess);
  }
  CloseHandle(out);
#else
  pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(child.output_file.c_str(), "wb", stdout)) _exit(127);
    std::vector<char*> argv = {const_cast<char*>(tool.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  child.id = pid;
#endif
  return child;
}

int WaitTool(Child* child, std::string* output) {
  int code = -1;
#ifdef _WIN32
  HANDLE process = reinterpret_cast<HANDLE>(child->id);
  if (process != nullptr) {
    DWORD exit_code = 0;
    WaitForSingleObject(process, INFINITE);
    GetExitCodeProcess(process, &exit_code);
    CloseHandle(process);
    code = static_cast<int>(exit_code);
  }
#else
  int status = 0;
  if (child->id > 0 && waitpid(static_cast<pid_t>(child->id), &status, 0) > 0 && WIFEXITED(status))
    code = WEXITSTATUS(status);
#endif
  if (output != nullptr) *output = ReadFileText(child->output_file);
  std::remove(child->output_file.c_str());
  return code;
}

int RunTool(const std::vector<std::string>& args, std::string* output) {
  Child child = StartTool(args);
  return WaitTool(&child, output);
}

void SimulatorTest::SetUp() {
  folder_ = MakeTempFolder();
  SetStateFolder(folder_);
  ASSERT_TRUE(LoadServiceLibrary(LibraryIn(ProgramFolder()), &ras_));
  ASSERT_NE(ras_.RasDialA, nullptr);
}

void SimulatorTest::TearDown() {
  FreeServiceLibrary(&ras_);
  RemoveFolder(folder_);
}

std::string SimulatorTest::StateFile(const char* name) const {
  return folder_ + kSeparator + name;
}

void SimulatorTest::WritePhoneBook(const std::string& text) const {
  WriteFileText(StateFile("phonebook.ini"), text);
}

uint32_t SimulatorTest::DialNow(const char* name, HRASCONN* handle) {
  RASDIALPARAMS params = {};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, name);
  int32_t stored = 0;
  ras_.RasGetEntryDialParamsA(nullptr, &params, &stored);
  *handle = 0;
  return ras_.RasDialA(nullptr, nullptr, &params, 0, nullptr, handle);
}

std::vector<RASCONN> SimulatorTest::Connections(uint32_t* result) {
  std::vector<RASCONN> list(300);
  list[0].dwSize = sizeof(RASCONN);
  uint32_t size = sizeof(RASCONN) * 300, count = 0;
  *result = ras_.RasEnumConnectionsA(list.data(), &size, &count);
  list.resize(*result == 0 ? count : 0);
  return list;
}
