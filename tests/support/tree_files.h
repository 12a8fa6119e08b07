// Building note folders on disk for tests of the tree.
#pragma once

#include <windows.h>

#include "base/shell_services.h"   // RunningUnderWine

#include <string>
#include <vector>

// Creates an empty file or a folder at a host path; sets its last-write
// time (which Wine reports as the creation time) when a year is given.
bool MakeNote(const std::wstring& path, int year = 0);
bool MakeFolder(const std::wstring& path, int year = 0);
FILETIME FileTimeOfYear(int year);
// Sets a folder's times again, once its entries have been made.
bool SetFolderYear(const std::wstring& path, int year);

// Creates the files named in one folder straight on the Unix side, so names
// that differ only in case can stand side by side (Win32 calls under Wine
// would open the existing one). Names must be ASCII letters and digits.
bool MakeNotesOnUnixSide(const std::wstring& folder, const std::vector<std::wstring>& names);

// Creates count empty notes named prefix + a five-digit number in a folder.
// Under Wine each Win32 create searches the whole folder for a name of
// another case, so large folders are filled from the Unix side.
bool MakeNumberedNotes(const std::wstring& folder, const std::wstring& prefix, int count);

// Removes a folder tree; large trees under Wine go from the Unix side.
void RemoveLargeTree(const std::wstring& path);

// Runs a shell command on the Unix side, in the Unix folder of a host path
// (for changes made by other programs, and names Win32 cannot make).
bool RunInUnixFolder(const std::wstring& folder, const std::string& command);

// A Unix symbolic link at linkPath pointing to target (both host paths).
bool MakeUnixFolderLink(const std::wstring& target, const std::wstring& linkPath);

// How another program on the Unix side writes a file: truncating it in
// place, the same with its last-write time put back afterwards, or by
// writing a new file beside it and renaming that over it.
enum class UnixWrite { InPlace, InPlaceKeepingTime, ByRename };
bool WriteBytesOnUnixSide(const std::wstring& path, const std::string& bytes, UnixWrite how);
bool DeleteOnUnixSide(const std::wstring& path);
