// Texts of the program's string table.
#pragma once

#include <windows.h>

#include <string>

// A text of the string table (empty when there is none).
std::wstring ResourceText(UINT id);
