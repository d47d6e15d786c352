// Text helpers.
#include "status/text.h"

#include "platform/platform.h"

namespace {

// Every byte's upper-case form, made once at compile time: a to z, and the
// seven code page 437 letters that have one. A lookup costs the same for
// every byte, which matters on the fuzzer's hot paths.
struct UpperTable {
  unsigned char of[256];
  constexpr UpperTable() : of() {
    for (int byte = 0; byte < 256; ++byte) of[byte] = static_cast<unsigned char>(byte);
    for (int byte = 'a'; byte <= 'z'; ++byte)
      of[byte] = static_cast<unsigned char>(byte - 'a' + 'A');
    of[132] = 142;  // a-umlaut
    of[148] = 153;  // o-umlaut
    of[129] = 154;  // u-umlaut
    of[130] = 144;  // e-acute
    of[164] = 165;  // n-tilde
    of[134] = 143;  // a-ring
    of[135] = 128;  // c-cedilla
  }
};
constexpr UpperTable kUpper;

}  // namespace

// UpperCase: byte for byte.
std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& byte : upper) byte = static_cast<char>(kUpper.of[static_cast<unsigned char>(byte)]);
  return upper;
}

// TrimBlanks: tabs and other bytes stay.
std::string_view TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string_view();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// ClearSecretText: the bytes in use; a string's spare capacity holds none
// of them, as the texts cleared here are written once.
void ClearSecretText(std::string& text) {
  PlatformClearSecret(text.data(), text.size());
  text.clear();
}
