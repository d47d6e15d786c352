// Process-wide values, one instance each. They start at the defaults that
// RunDialer also sets, so a program that dials through the exported
// interface gets the same cancel file.
#include "status/shared_values.h"

void* DialCallbackAddress = nullptr;
std::string ProgramVersion = "2.0";
std::string CancelFileName = ".\\rascancel.qcx";
uint32_t ConnectionHandle = 0;
