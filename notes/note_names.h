// Names the user gives to new folders and notes, or types in a rename.
#pragma once

#include <windows.h>

// 0 when name can be one entry of its folder: not empty, no path
// separators, drive or stream marks or characters Windows forbids, not "."
// or "..", no trailing dot or space, no reserved device name (CON, NUL,
// COM1, LPT1, CONIN$...), and not longer than one name may be. Otherwise
// the string id of the refusal that says why.
UINT NameRefusal(const wchar_t* name);

// 0 when folderPath + name stays within the platform's path length;
// otherwise IDS_REFUSED_PATH_TOO_LONG.
UINT PathLengthRefusal(const wchar_t* folderPath, const wchar_t* name);

// Both: 0 when name can be an entry of the folder, else why not.
UINT EntryNameRefusal(const wchar_t* folderPath, const wchar_t* name);
