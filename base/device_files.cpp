#include "base/device_files.h"

#include "base/shell_services.h"

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

bool HostEntryCertainlyMissing(const std::wstring& longFolder, const std::wstring& name)
{
    // Wine's code page of the host's file names (CP_UNIXCP).
    const UINT unixCodePage = 65010;
    if (!RunningUnderWine() || name.empty() || name.find_first_of(L"\\/") != std::wstring::npos)
        return false;
    // Wine shows host bytes that are no text as private-use characters or
    // U+FFFD: such a name need not come back to the same bytes.
    for (wchar_t c : name) {
        if ((c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD)
            return false;
    }
    const int bytes = WideCharToMultiByte(unixCodePage, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string hostName(bytes > 0 ? bytes : 0, '\0');
    if (bytes <= 0 || !WideCharToMultiByte(unixCodePage, 0, name.c_str(), -1, &hostName[0], bytes,
                                           nullptr, nullptr))
        return false;
    std::wstring back(bytes, L'\0');
    if (MultiByteToWideChar(unixCodePage, 0, hostName.c_str(), -1, &back[0], bytes) <= 0 ||
        back.c_str() != name)
        return false;
    typedef char*(CDECL * UnixFileNameProc)(const wchar_t*);
    auto unixFileName = reinterpret_cast<UnixFileNameProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixFolder = unixFileName ? unixFileName(longFolder.c_str()) : nullptr;
    if (!unixFolder)
        return false;
    const int units = MultiByteToWideChar(unixCodePage, 0, unixFolder, -1, nullptr, 0);
    std::wstring path;
    if (units > 0 && unixFolder[0] == '/') {
        path.resize(units);
        MultiByteToWideChar(unixCodePage, 0, unixFolder, -1, &path[0], units);
        path.resize(units - 1);
    }
    HeapFree(GetProcessHeap(), 0, unixFolder);
    while (!path.empty() && path.back() == L'/')
        path.pop_back();
    if (path.empty())
        return false;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    path = L"\\\\?\\unix" + path + L"\\" + name;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    return GetLastError() == ERROR_FILE_NOT_FOUND;
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
