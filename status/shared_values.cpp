// Process-wide values, one instance each.
#include "status/shared_values.h"

void* DialCallbackAddress = nullptr;
std::string ProgramVersion;
std::string CancelFileName;
uint32_t ConnectionHandle = 0;
