// The sticky error number that failing file operations leave behind.
#pragma once

#include <cstdint>

// Each routine keeps its own, 0 when it starts. A failure stores its
// number; success never resets it.
struct ErrorStatus {
  int value = 0;
};

// Error numbers of the file operations: the BASIC run-time error numbers
// (51 to 76) of the program this one descends from. They stay because they
// are output: the "IPC : " line shows the number its open left behind.
enum ErrorNumber {
  kErrorOutOfMemory = 7,
  kErrorFileNotOpen = 52,
  kErrorFileNotFound = 53,
  kErrorWrongFileMode = 54,
  kErrorFileAlreadyOpen = 55,
  kErrorDeviceShortWrite = 57,
  kErrorDiskFull = 61,
  kErrorBadFileName = 64,
};

// Records a failure; a number that would be 0 is stored as 51.
void SetErrorStatus(ErrorStatus& status, int number);
// The error number for a Windows system error code.
int MapSystemError(uint32_t code);
