// Names the user gives to new folders and notes, or types in a rename.
#pragma once

// True when name can be one entry of its folder: not empty, no path
// separators, drive or stream marks or characters Windows forbids, not "."
// or "..", no trailing dot or space, no reserved device name (CON, NUL,
// COM1, LPT1, CONIN$...), and not longer than one name may be. Otherwise
// false, with the thread's last error saying why.
bool IsUsableName(const wchar_t* name);

// True when folderPath + name stays within the platform's path length;
// otherwise false with ERROR_FILENAME_EXCED_RANGE as the last error.
bool FitsInFolder(const wchar_t* folderPath, const wchar_t* name);
