// The program's version, shown in the banner.
#pragma once

#include "nelvo_version.h"

// "2.0": written once, as the project's version in CMake.
const char ProgramVersion[] = NELVO_VERSION_TEXT;
