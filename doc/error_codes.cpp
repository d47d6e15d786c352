// Prints the manual page's list of error codes as roff, one tagged
// paragraph a code, from the library's own table, so the page can never
// lack a code the library gives. Build equipment; never shipped.
#include <cstdio>
#include <string>

#include "networkmanager_ras/bus/error_map.h"

namespace {

// Plain text as roff: a backslash and a hyphen escaped, so that lines
// read as text and a hyphen stays a hyphen.
std::string Roff(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\\') out += "\\e";
    else if (*p == '-') out += "\\-";
    else out += *p;
  }
  return out;
}

}  // namespace

int main() {
  nmras::ErrorMeaningList list = nmras::ErrorMeanings();
  for (size_t i = 0; i < list.count; ++i) {
    std::printf("%s\n.B %u\n%s\n", i == 0 ? ".TP 6" : ".TQ", list.rows[i].code,
                Roff(list.rows[i].meaning).c_str());
  }
  return 0;
}
