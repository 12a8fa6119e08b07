// File-system calls on device paths.
//
// The program names its files as on the handheld: the notes folder is
// "\My Documents\ZephNotes". Only these calls turn a device path into a
// path of the machine the program runs on: on a desktop "\My Documents" is
// the folder named by ZEPHNOTES_DOCUMENTS, else the user's Documents folder.
// Every other path is used as it stands. Each call fails as the underlying
// Win32 call would, leaving the thread's last error set.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "base/outcome.h"

#include <string>

// The host path of a device path (identity for paths outside "\My Documents").
std::wstring TranslateDevicePath(const wchar_t* devicePath);

// The folder that stands for "\My Documents" on this machine.
std::wstring HostDocumentsFolder();

DWORD DeviceGetFileAttributes(const wchar_t* path);
BOOL DeviceGetFileAttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data);
BOOL DeviceCreateDirectory(const wchar_t* path);
BOOL DeviceRemoveDirectory(const wchar_t* path);

// Folder enumeration. Unlike the raw calls it never yields "." or "..":
// only the real entries of the folder.
HANDLE DeviceFindFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* entry);
BOOL DeviceFindNextFile(HANDLE search, WIN32_FIND_DATAW* entry);
BOOL DeviceFindClose(HANDLE search);

HANDLE DeviceCreateFile(const wchar_t* path, DWORD access, DWORD shareMode,
                        DWORD disposition, DWORD attributes);
DWORD DeviceGetFileSize(HANDLE file, DWORD* sizeHigh);
BOOL DeviceReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* bytesRead);
BOOL DeviceWriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* bytesWritten);
BOOL DeviceFlushFile(HANDLE file);
BOOL DeviceCloseFile(HANDLE file);
BOOL DeviceDeleteFile(const wchar_t* path);
BOOL DeviceMoveFile(const wchar_t* from, const wchar_t* to, DWORD flags);
// Whether the file system takes a name this long: 255 UTF-16 units on
// Windows; under Wine the host's limit, 255 bytes of UTF-8.
bool DeviceNameLengthFits(const wchar_t* name);
BOOL DeviceReplaceFile(const wchar_t* replaced, const wchar_t* replacement);

// Whether the folder (a host path in its "\\?\" long form) certainly holds no
// entry named exactly name, letter case included. Under Wine a name that is
// not there makes every call look through the whole folder for it in
// another letter case (15 to 19 ms at 40,000 entries); asked through the
// folder's Unix path, Wine looks up the name as it is. False when it cannot
// be told so quickly (on Windows, or a name the Unix path may not carry):
// then the usual calls say.
bool HostEntryCertainlyMissing(const std::wstring& longFolder, const std::wstring& name);

// The shell's file operation (delete with contents, rename) on device paths.
// pFrom and pTo are lists of paths, each list ended by an empty entry.
// Answers as SHFileOperationW does (0 on success); on failure the thread's
// last error is set to a code whose system text describes the failure,
// since the shell itself may leave "success" there.
int DeviceFileOperation(SHFILEOPSTRUCTW* operation);
