// A temporary documents folder for one test: ZEPHNOTES_DOCUMENTS points at
// it while the object lives, and it is removed with its contents after.
#pragma once

#include <string>
#include <vector>

class TempDocuments {
public:
    TempDocuments();
    ~TempDocuments();

    // Host path of the folder that stands for "\My Documents".
    const std::wstring& Path() const { return path; }
    // Host path of "\My Documents\" + relative.
    std::wstring HostPath(const std::wstring& relative) const;

private:
    std::wstring path;
    std::wstring previous;
    bool hadPrevious;
};

// Whole-file helpers on host paths.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string* bytes);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// The names a folder enumeration reports, in its order, without "." and "..".
std::vector<std::wstring> NamesInFolder(const std::wstring& folder);
