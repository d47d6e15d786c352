// Text helpers.
#include "status/text.h"

#include "platform/platform.h"

namespace {

unsigned char UpperByte(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return static_cast<unsigned char>(byte - 'a' + 'A');
  switch (byte) {
    case 132:
      return 142;  // a-umlaut
    case 148:
      return 153;  // o-umlaut
    case 129:
      return 154;  // u-umlaut
    case 130:
      return 144;  // e-acute
    case 164:
      return 165;  // n-tilde
    case 134:
      return 143;  // a-ring
    case 135:
      return 128;  // c-cedilla
    default:
      return byte;
  }
}

}  // namespace

// UpperCase: byte for byte.
std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& byte : upper) byte = static_cast<char>(UpperByte(static_cast<unsigned char>(byte)));
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
