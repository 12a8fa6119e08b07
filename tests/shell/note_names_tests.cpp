#include "shell/note_names.h"

#include "support/temp_folder.h"
#include "support/tree_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

TEST(NoteNames, OrdinaryNamesAreUsable)
{
    const wchar_t* names[] = {L"Покупки", L"note", L"a.b", L"list 2024", L" leading space",
                              L"conference", L"COM", L"LPT10", L"nul-ish", L"..a", L"dots..in"};
    for (const wchar_t* name : names)
        EXPECT_TRUE(IsUsableName(name)) << "refused an ordinary name";
    EXPECT_TRUE(IsUsableName(std::wstring(255, L'x').c_str()));
}

TEST(NoteNames, NamesThatLeaveTheFolderOrMakeUnusableFilesAreRefused)
{
    const wchar_t* names[] = {L"",      L".",     L"..",     L"..\\x",    L"..\\..\\x", L"a/b",
                              L"a\\b",  L"c:d",   L"a*b",    L"a?b",      L"a\"b",      L"a<b",
                              L"a>b",   L"a|b",   L"a\tb",   L"a\r\nb",   L"\x01",      L"CON",
                              L"con",   L"NUL",   L"nul.txt", L"Aux",     L"PRN.log",   L"COM1",
                              L"com9.x", L"LPT1", L"CONIN$", L"conout$",  L"dot.",      L"space ",
                              L"NUL "};
    for (const wchar_t* name : names) {
        SetLastError(0);
        EXPECT_FALSE(IsUsableName(name));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError());
    }
    SetLastError(0);
    EXPECT_FALSE(IsUsableName(std::wstring(256, L'x').c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

TEST(NoteNames, ANameMustFitTheFileSystemsOwnLimit)
{
    // Under Wine the host file system counts 255 bytes of UTF-8: a Cyrillic
    // letter takes two, so 127 fit and 128 do not. Windows counts units.
    const bool wine = RunningUnderWine();
    EXPECT_TRUE(IsUsableName(std::wstring(127, L'\x0436').c_str()));
    SetLastError(0);
    EXPECT_EQ(!wine, IsUsableName(std::wstring(128, L'\x0436').c_str()));
    if (wine) {
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    }
    EXPECT_EQ(!wine, IsUsableName(std::wstring(86, L'\x65E5').c_str()));   // 3 bytes each
}

TEST(NoteNames, APathBeyondThePlatformsLengthDoesNotFit)
{
    TempDocuments docs;
    EXPECT_TRUE(FitsInFolder(L"\\My Documents\\ZephNotes\\", L"short"));
    SetLastError(0);
    EXPECT_FALSE(FitsInFolder(L"\\My Documents\\ZephNotes\\", std::wstring(250, L'y').c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}
