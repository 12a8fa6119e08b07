#include "notes/note_names.h"

#include "resources/resource.h"
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
        EXPECT_EQ(0u, NameRefusal(name)) << "refused an ordinary name";
    EXPECT_EQ(0u, NameRefusal(std::wstring(255, L'x').c_str()));
}

TEST(NoteNames, NamesThatLeaveTheFolderOrMakeUnusableFilesAreRefusedEachWithItsReason)
{
    struct Case {
        const wchar_t* name;
        UINT refusal;
    };
    const Case cases[] = {
        {L"", IDS_REFUSED_NAME_EMPTY},           {L".", IDS_REFUSED_NAME_ENDING},
        {L"..", IDS_REFUSED_NAME_ENDING},        {L"..\\x", IDS_REFUSED_NAME_CHARACTERS},
        {L"..\\..\\x", IDS_REFUSED_NAME_CHARACTERS}, {L"a/b", IDS_REFUSED_NAME_CHARACTERS},
        {L"a\\b", IDS_REFUSED_NAME_CHARACTERS},  {L"c:d", IDS_REFUSED_NAME_CHARACTERS},
        {L"a*b", IDS_REFUSED_NAME_CHARACTERS},   {L"a?b", IDS_REFUSED_NAME_CHARACTERS},
        {L"a\"b", IDS_REFUSED_NAME_CHARACTERS},  {L"a<b", IDS_REFUSED_NAME_CHARACTERS},
        {L"a>b", IDS_REFUSED_NAME_CHARACTERS},   {L"a|b", IDS_REFUSED_NAME_CHARACTERS},
        {L"a\tb", IDS_REFUSED_NAME_CHARACTERS},  {L"a\r\nb", IDS_REFUSED_NAME_CHARACTERS},
        {L"\x01", IDS_REFUSED_NAME_CHARACTERS},  {L"CON", IDS_REFUSED_NAME_RESERVED},
        {L"con", IDS_REFUSED_NAME_RESERVED},     {L"NUL", IDS_REFUSED_NAME_RESERVED},
        {L"nul.txt", IDS_REFUSED_NAME_RESERVED}, {L"Aux", IDS_REFUSED_NAME_RESERVED},
        {L"PRN.log", IDS_REFUSED_NAME_RESERVED}, {L"COM1", IDS_REFUSED_NAME_RESERVED},
        {L"com9.x", IDS_REFUSED_NAME_RESERVED},  {L"LPT1", IDS_REFUSED_NAME_RESERVED},
        {L"CONIN$", IDS_REFUSED_NAME_RESERVED},  {L"conout$", IDS_REFUSED_NAME_RESERVED},
        {L"dot.", IDS_REFUSED_NAME_ENDING},      {L"space ", IDS_REFUSED_NAME_ENDING},
        {L"NUL ", IDS_REFUSED_NAME_ENDING},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.refusal, NameRefusal(c.name)) << "name #" << (&c - cases);
    EXPECT_EQ(static_cast<UINT>(IDS_REFUSED_NAME_TOO_LONG),
              NameRefusal(std::wstring(256, L'x').c_str()));
}

TEST(NoteNames, ANameMustFitTheFileSystemsOwnLimit)
{
    // Under Wine the host file system counts 255 bytes of UTF-8: a Cyrillic
    // letter takes two, so 127 fit and 128 do not. Windows counts units.
    const bool wine = RunningUnderWine();
    const UINT tooLong = wine ? IDS_REFUSED_NAME_TOO_LONG : 0;
    EXPECT_EQ(0u, NameRefusal(std::wstring(127, L'\x0436').c_str()));
    EXPECT_EQ(tooLong, NameRefusal(std::wstring(128, L'\x0436').c_str()));
    EXPECT_EQ(tooLong, NameRefusal(std::wstring(86, L'\x65E5').c_str()));   // 3 bytes each
}

TEST(NoteNames, APathBeyondThePlatformsLengthDoesNotFit)
{
    TempDocuments docs;
    const wchar_t folder[] = L"\\My Documents\\ZephNotes\\";
    EXPECT_EQ(0u, PathLengthRefusal(folder, L"short"));
    EXPECT_EQ(static_cast<UINT>(IDS_REFUSED_PATH_TOO_LONG),
              PathLengthRefusal(folder, std::wstring(250, L'y').c_str()));
    // A name is judged first, then where it would stand.
    EXPECT_EQ(static_cast<UINT>(IDS_REFUSED_NAME_CHARACTERS), EntryNameRefusal(folder, L"a?b"));
    EXPECT_EQ(static_cast<UINT>(IDS_REFUSED_PATH_TOO_LONG),
              EntryNameRefusal(folder, std::wstring(250, L'y').c_str()));
    EXPECT_EQ(0u, EntryNameRefusal(folder, L"Покупки"));
}
