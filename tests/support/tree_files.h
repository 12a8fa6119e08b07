// Building note folders on disk for tests of the tree.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Creates an empty file or a folder at a host path; sets its last-write
// time (which Wine reports as the creation time) when a year is given.
bool MakeNote(const std::wstring& path, int year = 0);
bool MakeFolder(const std::wstring& path, int year = 0);
FILETIME FileTimeOfYear(int year);
// Sets a folder's times again, once its entries have been made.
bool SetFolderYear(const std::wstring& path, int year);

// Whether this process runs under Wine on a case-sensitive file system.
bool RunningUnderWine();

// Creates the files named in one folder straight on the Unix side, so names
// that differ only in case can stand side by side (Win32 calls under Wine
// would open the existing one). Names must be ASCII letters and digits.
bool MakeNotesOnUnixSide(const std::wstring& folder, const std::vector<std::wstring>& names);

// A Unix symbolic link at linkPath pointing to target (both host paths).
bool MakeUnixFolderLink(const std::wstring& target, const std::wstring& linkPath);
