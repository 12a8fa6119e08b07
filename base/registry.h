// Where the program's settings live in the registry.
#pragma once

#include <windows.h>

// The handheld keeps its settings under HKEY_LOCAL_MACHINE; a desktop user
// may not write there, so desktop builds use HKEY_CURRENT_USER.
HKEY RegistryRoot();
