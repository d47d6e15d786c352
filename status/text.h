// Text helpers shared by the dialer and the remote-access layer.
#pragma once

#include <string>
#include <string_view>

// Upper-cases for comparisons that ignore case: a to z, and the seven
// code-page-437 letters a-umlaut, o-umlaut, u-umlaut, e-acute, n-tilde,
// a-ring and c-cedilla; every other byte stays, so length and positions
// never change.
std::string UpperCase(std::string_view text);
// Removes blanks (byte 32 only) at both ends.
std::string_view TrimBlanks(std::string_view text);
// Overwrites the text's bytes with zeros in a way the compiler cannot leave
// out, then empties it: for a password the run no longer needs.
void ClearSecretText(std::string& text);
