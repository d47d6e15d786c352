// Prints a list of error codes for the manual page as roff, one tagged
// paragraph a code, from the code's own tables, so the page can never lack
// a code the program gives. "linux": the NetworkManager library's codes
// and the interface's own, a code in both with both meanings; "windows":
// the interface's own (the rest are Windows' remote-access codes). Build
// equipment; never shipped.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "networkmanager_ras/bus/error_map.h"
#include "remote_access/interface_errors.h"

namespace {

// Plain text as roff: a backslash and a hyphen escaped, so that lines
// read as text and a hyphen stays a hyphen.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  return out;
}

void Add(std::map<uint32_t, std::string>& list, uint32_t code, const char* meaning) {
  std::string& text = list[code];
  text += text.empty() ? meaning : std::string("; ") + meaning;
}

}  // namespace

int main(int argc, char** argv) {
  bool on_linux = argc == 2 && std::strcmp(argv[1], "linux") == 0;
  if (!on_linux && !(argc == 2 && std::strcmp(argv[1], "windows") == 0)) {
    std::fprintf(stderr, "usage: %s linux|windows\n", argv[0]);
    return 2;
  }
  std::map<uint32_t, std::string> list;
  if (on_linux) {
    nmras::ErrorMeaningList service = nmras::ErrorMeanings();
    for (size_t i = 0; i < service.count; ++i) {
      Add(list, service.rows[i].code, service.rows[i].meaning);
    }
  }
  // Windows' codes run to 15999; the interface's own are among them.
  for (uint32_t code = 1; code < 16000; ++code) {
    if (const char* meaning = InterfaceErrorMeaning(code)) Add(list, code, meaning);
  }
  bool first = true;
  for (const auto& [code, meaning] : list) {
    std::printf("%s\n.B %u\n%s\n", first ? ".TP 6" : ".TQ", code, Roff(meaning).c_str());
    first = false;
  }
  return 0;
}
