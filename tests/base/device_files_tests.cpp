#include "base/device_files.h"
#include "base/registry.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <set>

TEST(DevicePaths, MyDocumentsIsTheFolderNamedByTheEnvironment)
{
    TempDocuments docs;
    EXPECT_EQ(docs.Path() + L"\\ZephNotes\\a.txt",
              TranslateDevicePath(L"\\My Documents\\ZephNotes\\a.txt"));
    EXPECT_EQ(docs.Path(), TranslateDevicePath(L"\\My Documents"));
    EXPECT_EQ(docs.Path() + L"\\", TranslateDevicePath(L"\\My Documents\\"));
    // Only "\My Documents" itself is translated, not a longer name.
    EXPECT_EQ(L"\\My DocumentsX\\a", TranslateDevicePath(L"\\My DocumentsX\\a"));
    EXPECT_EQ(L"C:\\other\\file", TranslateDevicePath(L"C:\\other\\file"));
}

TEST(DevicePaths, WithoutTheEnvironmentMyDocumentsIsTheUsersDocumentsFolder)
{
    wchar_t saved[32768];
    DWORD n = GetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", saved, 32768);
    SetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", nullptr);
    std::wstring host = TranslateDevicePath(L"\\My Documents\\ZephNotes");
    if (n > 0)
        SetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", saved);
    EXPECT_NE(std::wstring::npos, host.find(L"\\ZephNotes"));
    EXPECT_NE(L'\\', host[0]) << host;
}

TEST(DeviceFiles, CreateWriteReadAndAttributesGoToTheHostFolder)
{
    TempDocuments docs;
    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\ZephNotes"));
    EXPECT_TRUE(FolderExists(docs.HostPath(L"ZephNotes")));
    EXPECT_TRUE(DeviceGetFileAttributes(L"\\My Documents\\ZephNotes") & FILE_ATTRIBUTE_DIRECTORY);

    HANDLE file = DeviceCreateFile(L"\\My Documents\\ZephNotes\\note", GENERIC_WRITE,
                                   FILE_SHARE_READ, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    EXPECT_TRUE(DeviceWriteFile(file, "\xFF\xFEh\0", 4, &written));
    EXPECT_EQ(4u, written);
    EXPECT_TRUE(DeviceFlushFile(file));
    EXPECT_TRUE(DeviceCloseFile(file));

    std::string bytes;
    ASSERT_TRUE(ReadBytes(docs.HostPath(L"ZephNotes\\note"), &bytes));
    EXPECT_EQ(std::string("\xFF\xFEh\0", 4), bytes);

    file = DeviceCreateFile(L"\\My Documents\\ZephNotes\\note", GENERIC_READ, FILE_SHARE_READ,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(4u, DeviceGetFileSize(file, nullptr));
    char back[4] = {0};
    DWORD got = 0;
    EXPECT_TRUE(DeviceReadFile(file, back, 4, &got));
    EXPECT_EQ(4u, got);
    DeviceCloseFile(file);
}

TEST(DeviceFiles, FailuresLeaveTheLastErrorAsTheRealCallsDo)
{
    TempDocuments docs;
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, DeviceGetFileAttributes(L"\\My Documents\\missing"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\twice"));
    SetLastError(0);
    EXPECT_FALSE(DeviceCreateDirectory(L"\\My Documents\\twice"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());

    ASSERT_TRUE(WriteBytes(docs.HostPath(L"exists"), "x"));
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              DeviceCreateFile(L"\\My Documents\\exists", GENERIC_WRITE, FILE_SHARE_READ,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());

    WIN32_FIND_DATAW entry;
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, DeviceFindFirstFile(L"\\My Documents\\nowhere\\*.*", &entry));
    EXPECT_NE(0u, GetLastError());
}

TEST(DeviceFiles, EnumerationYieldsOnlyTheRealEntries)
{
    TempDocuments docs;
    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\Z"));
    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\Z\\folder"));
    ASSERT_TRUE(WriteBytes(docs.HostPath(L"Z\\note one"), "\xFF\xFE"));
    ASSERT_TRUE(WriteBytes(docs.HostPath(L"Z\\.hidden"), ""));

    std::set<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = DeviceFindFirstFile(L"\\My Documents\\Z\\*.*", &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        names.insert(entry.cFileName);
    } while (DeviceFindNextFile(search, &entry));
    DeviceFindClose(search);
    EXPECT_EQ((std::set<std::wstring>{L"folder", L"note one", L".hidden"}), names);

    // An empty folder yields nothing at all.
    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\empty"));
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, DeviceFindFirstFile(L"\\My Documents\\empty\\*.*", &entry));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(DeviceFiles, ShellDeleteRemovesAFolderWithItsContents)
{
    TempDocuments docs;
    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\gone"));
    ASSERT_TRUE(DeviceCreateDirectory(L"\\My Documents\\gone\\inner"));
    ASSERT_TRUE(WriteBytes(docs.HostPath(L"gone\\inner\\n"), "\xFF\xFE"));
    ASSERT_TRUE(WriteBytes(docs.HostPath(L"stays"), "\xFF\xFE"));

    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = L"\\My Documents\\gone\0";
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    EXPECT_EQ(0, DeviceFileOperation(&op));
    EXPECT_FALSE(FolderExists(docs.HostPath(L"gone")));
    EXPECT_TRUE(FileExists(docs.HostPath(L"stays")));
}

TEST(DeviceFiles, ShellRenameMovesAndAFailureSaysWhy)
{
    TempDocuments docs;
    ASSERT_TRUE(WriteBytes(docs.HostPath(L"old"), "\xFF\xFE"));
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_RENAME;
    op.pFrom = L"\\My Documents\\old\0";
    op.pTo = L"\\My Documents\\new\0";
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    EXPECT_EQ(0, DeviceFileOperation(&op));
    EXPECT_TRUE(FileExists(docs.HostPath(L"new")));
    EXPECT_FALSE(FileExists(docs.HostPath(L"old")));

    op.pFrom = L"\\My Documents\\absent\0";
    op.pTo = L"\\My Documents\\other\0";
    SetLastError(0);
    EXPECT_NE(0, DeviceFileOperation(&op));
    EXPECT_NE(0u, GetLastError()) << "a failed operation must not read as success";
    EXPECT_FALSE(FileExists(docs.HostPath(L"other")));
}

TEST(Registry, DesktopSettingsLiveUnderTheCurrentUser)
{
    EXPECT_EQ(HKEY_CURRENT_USER, RegistryRoot());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(RegistryRoot(), L"SOFTWARE\\Brisel\\ZephNotesTest",
                                             0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                                             nullptr));
    DWORD value = 7;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"SortOrder", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), 4));
    RegCloseKey(key);
    DWORD back = 0;
    DWORD size = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Brisel\\ZephNotesTest",
                                          L"SortOrder", RRF_RT_REG_DWORD, nullptr, &back, &size));
    EXPECT_EQ(7u, back);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Brisel\\ZephNotesTest");
}
