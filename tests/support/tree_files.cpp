#include "support/tree_files.h"

#include "base/shell_services.h"

#include "support/temp_folder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef char* (CDECL* UnixFileNameProc)(const wchar_t*);

std::string UnixPath(const std::wstring& path)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto convert = reinterpret_cast<UnixFileNameProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (!convert)
        return std::string();
    char* unix = convert(path.c_str());
    if (!unix)
        return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Runs a Unix shell command through Wine. Wine cannot wait on a Unix
// process, so the command leaves a marker file when it succeeds and the
// caller watches for it.
bool RunShell(const std::string& command)
{
    wchar_t temp[MAX_PATH] = {0};
    GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    const std::wstring marker = std::wstring(temp) + L"zephshell-" +
                                std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(++counter);
    const std::string unixMarker = UnixPath(marker);
    if (unixMarker.empty())
        return false;
    const std::string full = "(" + command + ") && touch " + Quoted(unixMarker);
    std::wstring line = L"/bin/sh -c \"";
    for (char c : full)
        line += (c == '"') ? std::wstring(L"\\\"") : std::wstring(1, static_cast<wchar_t>(c));
    line += L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    // Wine starts a Unix program without a process handle, and what it
    // leaves in hThread then is no handle: closing it would close whatever
    // this process holds under that number (another thread's file).
    if (process.hProcess) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    for (int waited = 0; waited < 200; ++waited) {
        if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
            DeleteFileW(marker.c_str());
            return true;
        }
        Sleep(50);
    }
    return false;
}

bool SetWriteTime(const std::wstring& path, int year, DWORD flags)
{
    if (year == 0)
        return true;
    HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    FILETIME time = FileTimeOfYear(year);
    BOOL ok = SetFileTime(handle, &time, &time, &time);
    CloseHandle(handle);
    return ok != FALSE;
}

}  // namespace

FILETIME FileTimeOfYear(int year)
{
    SYSTEMTIME system = {};
    system.wYear = static_cast<WORD>(year);
    system.wMonth = 6;
    system.wDay = 1;
    system.wHour = 12;
    FILETIME time = {};
    SystemTimeToFileTime(&system, &time);
    return time;
}

bool SetFolderYear(const std::wstring& path, int year)
{
    return SetWriteTime(path, year, FILE_FLAG_BACKUP_SEMANTICS);
}

bool MakeNote(const std::wstring& path, int year)
{
    return WriteBytes(path, "\xFF\xFE") && SetWriteTime(path, year, FILE_ATTRIBUTE_NORMAL);
}

bool MakeFolder(const std::wstring& path, int year)
{
    return CreateDirectoryW(path.c_str(), nullptr) &&
           SetWriteTime(path, year, FILE_FLAG_BACKUP_SEMANTICS);
}

bool MakeNotesOnUnixSide(const std::wstring& folder, const std::vector<std::wstring>& names)
{
    std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty())
        return false;
    std::string command = "cd " + Quoted(unixFolder) + " && touch";
    for (const std::wstring& name : names) {
        std::string narrow;
        for (wchar_t c : name)
            narrow += static_cast<char>(c);
        command += " " + Quoted(narrow);
    }
    return RunShell(command);
}

bool RunInUnixFolder(const std::wstring& folder, const std::string& command)
{
    std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty())
        return false;
    return RunShell("cd " + Quoted(unixFolder) + " && " + command);
}

bool MakeUnixFolderLink(const std::wstring& target, const std::wstring& linkPath)
{
    std::string unixTarget = UnixPath(target);
    std::string unixLink = UnixPath(linkPath);
    if (unixTarget.empty() || unixLink.empty())
        return false;
    return RunShell("ln -s " + Quoted(unixTarget) + " " + Quoted(unixLink));
}

bool MakeNumberedNotes(const std::wstring& folder, const std::wstring& prefix, int count)
{
    std::string narrowPrefix;
    for (wchar_t c : prefix)
        narrowPrefix += static_cast<char>(c);
    if (RunningUnderWine()) {
        std::string unixFolder = UnixPath(folder);
        if (unixFolder.empty())
            return false;
        return RunShell("cd " + Quoted(unixFolder) + " && seq -f " +
                        Quoted(narrowPrefix + "%05g") + " 0 " + std::to_string(count - 1) +
                        " | xargs touch");
    }
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        wsprintfW(name, L"%s%05d", prefix.c_str(), i);
        if (!WriteBytes(folder + L"\\" + name, std::string()))
            return false;
    }
    return true;
}

void RemoveLargeTree(const std::wstring& path)
{
    if (RunningUnderWine()) {
        std::string unixPath = UnixPath(path);
        if (!unixPath.empty() && RunShell("rm -rf " + Quoted(unixPath)))
            return;
    }
    RemoveTree(path);
}

bool WriteBytesOnUnixSide(const std::wstring& path, const std::string& bytes, UnixWrite how)
{
    const std::string target = UnixPath(path);
    if (target.empty())
        return false;
    std::string escaped;
    for (unsigned char c : bytes) {
        char octal[8];
        snprintf(octal, sizeof(octal), "\\%03o", c);
        escaped += octal;
    }
    const std::string print = "printf '" + escaped + "'";
    switch (how) {
    case UnixWrite::InPlace:
        return RunShell(print + " > " + Quoted(target));
    case UnixWrite::InPlaceKeepingTime:
        return RunShell("t=$(stat -c %y " + Quoted(target) + ") && " + print + " > " +
                        Quoted(target) + " && touch -d \"$t\" " + Quoted(target));
    case UnixWrite::ByRename:
        return RunShell(print + " > " + Quoted(target + ".part") + " && mv -f " +
                        Quoted(target + ".part") + " " + Quoted(target));
    }
    return false;
}

bool DeleteOnUnixSide(const std::wstring& path)
{
    const std::string target = UnixPath(path);
    return !target.empty() && RunShell("rm " + Quoted(target));
}
