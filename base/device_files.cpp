#include "base/device_files.h"

#include "base/shell_services.h"
#include "resources/resource.h"

#include <shlobj.h>

#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

const wchar_t kDocumentsPrefix[] = L"\\My Documents";

bool StartsWithDocuments(const wchar_t* path)
{
    const size_t n = wcslen(kDocumentsPrefix);
    if (_wcsnicmp(path, kDocumentsPrefix, n) != 0)
        return false;
    return path[n] == 0 || path[n] == L'\\' || path[n] == L'/';
}

bool IsDotEntry(const WIN32_FIND_DATAW* entry)
{
    const wchar_t* name = entry->cFileName;
    return (name[0] == L'.' && name[1] == 0) ||
           (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// A double-zero-terminated list of device paths as host paths.
std::vector<wchar_t> TranslatePathList(const wchar_t* list)
{
    std::vector<wchar_t> out;
    if (!list)
        return out;
    for (const wchar_t* p = list; *p; p += wcslen(p) + 1) {
        std::wstring host = TranslateDevicePath(p);
        out.insert(out.end(), host.begin(), host.end());
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

// Error codes of the shell's file operation that are not Win32 codes.
DWORD ShellOperationError(int code)
{
    switch (code) {
    case 0x71: return ERROR_ALREADY_EXISTS;         // source and target the same
    case 0x72: case 0x76: case 0x7A: case 0x7D:
        return ERROR_INVALID_PARAMETER;
    case 0x73: return ERROR_NOT_SAME_DEVICE;
    case 0x74: case 0x78: case 0x84: case 0x86:
        return ERROR_ACCESS_DENIED;
    case 0x75: return ERROR_CANCELLED;
    case 0x79: case 0x81: return ERROR_FILENAME_EXCED_RANGE;
    case 0x7C: return ERROR_FILE_NOT_FOUND;
    case 0x7E: case 0x80: return ERROR_ALREADY_EXISTS;
    case 0x82: case 0x83: case 0x85: return ERROR_WRITE_PROTECT;
    case 0x402: return ERROR_PATH_NOT_FOUND;
    case 0x10000: return ERROR_GEN_FAILURE;
    default: break;
    }
    if (code > 0 && code < 0x4000)
        return static_cast<DWORD>(code);
    return ERROR_GEN_FAILURE;
}

}  // namespace

// The shell's services are needed only to delete a folder and, without
// ZEPHNOTES_DOCUMENTS, to find the Documents folder: shell32, and all it
// brings with it, is loaded then rather than at every start.
namespace {

FARPROC ShellProcedure(const char* name)
{
    static HMODULE shell = LoadLibraryW(L"shell32.dll");
    return shell ? GetProcAddress(shell, name) : nullptr;
}

}  // namespace

std::wstring HostDocumentsFolder()
{
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", buffer, 32768);
    if (n > 0 && n < 32768)
        return std::wstring(buffer, n);
    wchar_t documents[MAX_PATH] = {0};
    typedef HRESULT(WINAPI * FolderPathProc)(HWND, int, HANDLE, DWORD, LPWSTR);
    auto folderPath = reinterpret_cast<FolderPathProc>(
        reinterpret_cast<void*>(ShellProcedure("SHGetFolderPathW")));
    if (folderPath && SUCCEEDED(folderPath(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)))
        return documents;
    return L".";
}

std::wstring TranslateDevicePath(const wchar_t* devicePath)
{
    if (!devicePath)
        return std::wstring();
    if (!StartsWithDocuments(devicePath))
        return devicePath;
    std::wstring host = HostDocumentsFolder();
    while (!host.empty() && (host.back() == L'\\' || host.back() == L'/'))
        host.pop_back();
    host += devicePath + wcslen(kDocumentsPrefix);
    return host;
}

DWORD DeviceGetFileAttributes(const wchar_t* path)
{
    return GetFileAttributesW(TranslateDevicePath(path).c_str());
}

BOOL DeviceGetFileAttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data)
{
    return GetFileAttributesExW(TranslateDevicePath(path).c_str(), GetFileExInfoStandard, data);
}

BOOL DeviceCreateDirectory(const wchar_t* path)
{
    return CreateDirectoryW(TranslateDevicePath(path).c_str(), nullptr);
}

BOOL DeviceRemoveDirectory(const wchar_t* path)
{
    return RemoveDirectoryW(TranslateDevicePath(path).c_str());
}

HANDLE DeviceFindFirstFile(const wchar_t* pattern, WIN32_FIND_DATAW* entry)
{
    HANDLE search = FindFirstFileW(TranslateDevicePath(pattern).c_str(), entry);
    if (search == INVALID_HANDLE_VALUE)
        return search;
    while (IsDotEntry(entry)) {
        if (!FindNextFileW(search, entry)) {
            DWORD error = GetLastError();
            FindClose(search);
            SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
            return INVALID_HANDLE_VALUE;
        }
    }
    return search;
}

BOOL DeviceFindNextFile(HANDLE search, WIN32_FIND_DATAW* entry)
{
    do {
        if (!FindNextFileW(search, entry))
            return FALSE;
    } while (IsDotEntry(entry));
    return TRUE;
}

BOOL DeviceFindClose(HANDLE search)
{
    return FindClose(search);
}

HANDLE DeviceCreateFile(const wchar_t* path, DWORD access, DWORD shareMode,
                        DWORD disposition, DWORD attributes)
{
    return CreateFileW(TranslateDevicePath(path).c_str(), access, shareMode, nullptr,
                       disposition, attributes, nullptr);
}

DWORD DeviceGetFileSize(HANDLE file, DWORD* sizeHigh)
{
    return GetFileSize(file, sizeHigh);
}

BOOL DeviceReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* bytesRead)
{
    return ReadFile(file, buffer, bytes, bytesRead, nullptr);
}

BOOL DeviceWriteFile(HANDLE file, const void* data, DWORD bytes, DWORD* bytesWritten)
{
    return WriteFile(file, data, bytes, bytesWritten, nullptr);
}

BOOL DeviceFlushFile(HANDLE file)
{
    return FlushFileBuffers(file);
}

BOOL DeviceCloseFile(HANDLE file)
{
    return CloseHandle(file);
}

BOOL DeviceDeleteFile(const wchar_t* path)
{
    return DeleteFileW(TranslateDevicePath(path).c_str());
}

bool DeviceNameLengthFits(const wchar_t* name)
{
    const int units = static_cast<int>(wcslen(name));
    if (units > 255)
        return false;
    if (!RunningUnderWine())
        return true;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, units, nullptr, 0, nullptr, nullptr);
    return bytes <= 255;
}

BOOL DeviceMoveFile(const wchar_t* from, const wchar_t* to, DWORD flags)
{
    return MoveFileExW(TranslateDevicePath(from).c_str(), TranslateDevicePath(to).c_str(), flags);
}

namespace {

std::wstring NameOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The name the file system lists for the entry at path, or empty.
std::wstring ListedName(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return std::wstring();
    FindClose(search);
    return entry.cFileName;
}

}  // namespace

Outcome DeviceRenameEntry(const wchar_t* from, const wchar_t* to)
{
    const std::wstring source = TranslateDevicePath(from);
    const std::wstring target = TranslateDevicePath(to);
    const std::wstring newName = NameOf(target);
    const bool caseOnly = NameOf(source) != newName &&
                          CompareStringOrdinal(NameOf(source).c_str(), -1, newName.c_str(), -1,
                                               TRUE) == CSTR_EQUAL;
    if (!caseOnly) {
        if (!MoveFileExW(source.c_str(), target.c_str(), 0))
            return Outcome::LastError();
    } else {
        // By way of a name of the program's own, so that the file system
        // cannot take the new name for the old one.
        static unsigned renames = 0;
        wchar_t aside[64];
        swprintf(aside, 64, L"zephnotes-%lx-r%u", GetCurrentProcessId(), ++renames);
        const std::wstring middle = source.substr(0, source.size() - NameOf(source).size()) + aside;
        if (!MoveFileExW(source.c_str(), middle.c_str(), 0))
            return Outcome::LastError();
        if (!MoveFileExW(middle.c_str(), target.c_str(), 0)) {
            const Outcome failure = Outcome::LastError();
            MoveFileExW(middle.c_str(), source.c_str(), 0);
            return failure;
        }
    }
    if (ListedName(target) != newName)
        return Outcome::Refusal(IDS_REFUSED_RENAME_NOT_TAKEN);
    return Outcome::Success();
}

BOOL DeviceReplaceFile(const wchar_t* replaced, const wchar_t* replacement)
{
    // Wine's ReplaceFileW first moves the replaced file aside and only then
    // moves the replacement in: a crash between the two would leave no file
    // under the name. A move over the file is one atomic rename there.
    if (RunningUnderWine())
        return MoveFileExW(TranslateDevicePath(replacement).c_str(),
                           TranslateDevicePath(replaced).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    return ReplaceFileW(TranslateDevicePath(replaced).c_str(),
                        TranslateDevicePath(replacement).c_str(), nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
}

Outcome DeviceRemoveFolderLink(const wchar_t* path)
{
    // Wine's calls resolve a Unix symbolic link to its target: a remove or a
    // move there would act on the folder outside.
    if (RunningUnderWine())
        return Outcome::Refusal(IDS_REFUSED_LINK_REMOVE);
    if (!RemoveDirectoryW(TranslateDevicePath(path).c_str()))
        return Outcome::LastError();
    return Outcome::Success();
}

namespace {

std::wstring WithoutTrailingSeparators(std::wstring path)
{
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

// Where the platform arrives when it opens the host path, every link on
// the way followed; empty when the entry cannot be opened.
std::wstring ResolvedPath(const std::wstring& hostPath)
{
    HANDLE entry = CreateFileW(hostPath.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (entry == INVALID_HANDLE_VALUE)
        return std::wstring();
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetFinalPathNameByHandleW(entry, buffer.data(),
                                                   static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(entry);
    if (length == 0 || length >= buffer.size())
        return std::wstring();
    return WithoutTrailingSeparators(std::wstring(buffer.data(), length));
}

// The path with every short name in it replaced by the entry's own name.
std::wstring LongPath(const std::wstring& path)
{
    DWORD size = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (size == 0)
        return path;
    std::vector<wchar_t> buffer(size + 1);
    DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), size + 1);
    if (length == 0 || length > size)
        return path;
    return std::wstring(buffer.data(), length);
}

// The path without the dots and spaces that end any of its names: Wine
// reports the place of a file named "a." as "a".
std::wstring WithoutNameEndings(const std::wstring& path)
{
    std::wstring result;
    for (wchar_t c : path) {
        if (c == L'\\')
            while (!result.empty() && (result.back() == L'.' || result.back() == L' '))
                result.pop_back();
        result += c;
    }
    while (!result.empty() && (result.back() == L'.' || result.back() == L' '))
        result.pop_back();
    return result;
}

}  // namespace

bool DevicePathCrossesLink(const wchar_t* path)
{
    std::wstring host = WithoutTrailingSeparators(TranslateDevicePath(path));
    // Check every folder from the documents folder down; the documents
    // folder itself may be a link of the user's own.
    std::wstring documents = WithoutTrailingSeparators(HostDocumentsFolder());
    size_t start = 0;
    const bool underDocuments =
        host.size() > documents.size() &&
        _wcsnicmp(host.c_str(), documents.c_str(), documents.size()) == 0 &&
        (host[documents.size()] == L'\\' || host[documents.size()] == L'/');
    if (underDocuments)
        start = documents.size() + 1;
    for (size_t i = start; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == L'\\' || host[i] == L'/') {
            if (i == 0)
                continue;
            DWORD attributes = GetFileAttributesW(host.substr(0, i).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES &&
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                return true;
        }
    }
    if (!underDocuments)
        return false;
    // A link to a file carries no mark under Wine: ask where opening the
    // deepest entry that exists really arrives. It must be the documents
    // folder's own place followed by the very names of the path.
    std::wstring existing = host;
    while (existing.size() > documents.size() &&
           GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES)
        existing = existing.substr(0, existing.find_last_of(L"\\/"));
    if (existing.size() <= documents.size())
        return false;
    const std::wstring resolvedDocuments = ResolvedPath(documents);
    const std::wstring resolved = ResolvedPath(existing);
    if (resolvedDocuments.empty() || resolved.empty())
        return false;   // what cannot be opened cannot be acted on either
    // A name made on another system is reached by its short name; the
    // resolved path holds its own.
    const std::wstring longDocuments = LongPath(documents);
    std::wstring longExisting = LongPath(existing);
    if (longExisting.size() <= longDocuments.size())
        longExisting = existing;
    std::wstring expected = resolvedDocuments + longExisting.substr(longDocuments.size());
    for (wchar_t& c : expected)
        if (c == L'/')
            c = L'\\';
    return WithoutNameEndings(resolved) != WithoutNameEndings(expected);
}

bool DeviceFolderHoldsUnmarkedLink(const wchar_t* path)
{
    const std::wstring folder = WithoutTrailingSeparators(TranslateDevicePath(path));
    const std::wstring resolvedFolder = ResolvedPath(folder);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool holds = false;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring inner = folder + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;   // a marked link is removed as itself
        if (ResolvedPath(inner) != resolvedFolder + L"\\" + name)
            holds = true;
        else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            holds = DeviceFolderHoldsUnmarkedLink(inner.c_str());
    } while (!holds && FindNextFileW(search, &entry));
    FindClose(search);
    return holds;
}

int DeviceFileOperation(SHFILEOPSTRUCTW* operation)
{
    std::vector<wchar_t> from = TranslatePathList(operation->pFrom);
    std::vector<wchar_t> to = TranslatePathList(operation->pTo);
    SHFILEOPSTRUCTW host = *operation;
    // The caller reports failures itself: the shell shows no box of its own.
    host.fFlags |= FOF_NOERRORUI;
    host.pFrom = from.empty() ? nullptr : from.data();
    host.pTo = to.empty() ? nullptr : to.data();
    typedef int(WINAPI * FileOperationProc)(SHFILEOPSTRUCTW*);
    auto fileOperation = reinterpret_cast<FileOperationProc>(
        reinterpret_cast<void*>(ShellProcedure("SHFileOperationW")));
    if (!fileOperation) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return ERROR_PROC_NOT_FOUND;
    }
    int result = fileOperation(&host);
    operation->fAnyOperationsAborted = host.fAnyOperationsAborted;
    if (result != 0)
        SetLastError(ShellOperationError(result));
    else if (host.fAnyOperationsAborted)
        SetLastError(ERROR_CANCELLED), result = ERROR_CANCELLED;
    return result;
}
