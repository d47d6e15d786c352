// Command tail.
#include "dialer/command_tail.h"

namespace {

std::string_view SkipBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

}  // namespace

// CommandTail: a quoted name runs to the closing quote, a plain one to the
// first byte of 32 or less; only blanks after the name are skipped.
std::string_view CommandTail(std::string_view command_line) {
  if (command_line.empty()) return command_line;
  if (command_line[0] == '"') {
    size_t closing = command_line.find('"', 1);
    if (closing == std::string_view::npos) return std::string_view();
    return SkipBlanks(command_line.substr(closing + 1));
  }
  if (command_line[0] == ' ') return SkipBlanks(command_line);
  size_t end = 0;
  while (end < command_line.size() && static_cast<unsigned char>(command_line[end]) > 32) ++end;
  std::string_view rest = command_line.substr(end);
  return !rest.empty() && rest[0] == ' ' ? SkipBlanks(rest) : rest;
}
