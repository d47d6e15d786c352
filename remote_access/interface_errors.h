// What the error codes that the interface gives by itself mean, whatever
// the remote-access service: the manual page's lists of codes are printed
// from this table and the service's own (on Linux, the NetworkManager
// library's). Build equipment: the programs never print a meaning.
#pragma once

#include <cstdint>

// The meaning of a code the interface gives, in the manual page's words;
// nullptr for any other code.
const char* InterfaceErrorMeaning(uint32_t code);
