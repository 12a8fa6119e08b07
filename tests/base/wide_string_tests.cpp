#include "base/wide_string.h"

#include <gtest/gtest.h>

#include <cwchar>

TEST(WideString, EmptyHasNoUnitsAndReadsAsEmptyText)
{
    WideString empty;
    EXPECT_EQ(0, empty.Length());
    EXPECT_STREQ(L"", empty.Text());
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(WideString, ConstructsFromTextBlanksAndCopy)
{
    WideString text(L"Заметки\\note");
    EXPECT_EQ(12, text.Length());
    EXPECT_STREQ(L"Заметки\\note", text.Text());

    WideString blanks(4);
    EXPECT_STREQ(L"    ", blanks.Text());
    EXPECT_EQ(4, blanks.Length());

    WideString copy(text);
    EXPECT_STREQ(text.Text(), copy.Text());
    EXPECT_NE(text.Text(), copy.Text()) << "a copy owns its own storage";
}

TEST(WideString, AssignmentCopiesAndSelfAssignmentChangesNothing)
{
    WideString a(L"alpha");
    WideString b(L"be");
    b = a;
    EXPECT_STREQ(L"alpha", b.Text());
    const wchar_t* storage = a.Text();
    WideString& self = a;
    a = self;
    EXPECT_EQ(storage, a.Text());
    EXPECT_STREQ(L"alpha", a.Text());
    b = WideString();
    EXPECT_EQ(0, b.Length());
    EXPECT_STREQ(L"", b.Text());
}

TEST(WideString, ConcatenationInsertsNothingBetween)
{
    WideString path = WideString(L"\\My Documents\\") + WideString(L"ZephNotes");
    EXPECT_STREQ(L"\\My Documents\\ZephNotes", path.Text());
    EXPECT_EQ(23, path.Length());
    EXPECT_STREQ(L"x", (WideString() + WideString(L"x")).Text());
    EXPECT_STREQ(L"", (WideString() + WideString()).Text());
}

TEST(WideString, EqualityComparesLengthAndEveryUnit)
{
    EXPECT_TRUE(WideString(L"abc") == WideString(L"abc"));
    EXPECT_FALSE(WideString(L"abc") == WideString(L"abC"));
    EXPECT_FALSE(WideString(L"abc") == WideString(L"abcd"));
    EXPECT_TRUE(WideString() == WideString(L""));
    // A unit after an embedded difference still counts.
    EXPECT_FALSE(WideString(L"ab") == WideString(L"ac"));
}

TEST(WideString, ContainsIsCaseSensitiveAndFindsTheEmptyTextEverywhere)
{
    WideString label(L"ZephNotes");
    EXPECT_TRUE(label.Contains(WideString(L"Zeph")));
    EXPECT_TRUE(label.Contains(WideString(L"Notes")));
    EXPECT_TRUE(label.Contains(WideString(L"hN")));
    EXPECT_FALSE(label.Contains(WideString(L"notes")));
    EXPECT_FALSE(label.Contains(WideString(L"ZephNotesX")));
    EXPECT_TRUE(label.Contains(WideString()));
    EXPECT_TRUE(WideString().Contains(WideString(L"")));
    EXPECT_FALSE(WideString().Contains(WideString(L"a")));
    EXPECT_TRUE(WideString(L"Список дел").Contains(WideString(L"дел")));
    EXPECT_FALSE(WideString(L"Список дел").Contains(WideString(L"Дел")));
}

TEST(WideString, DirectoryPartCutsAfterTheLastSeparatorFromIndexOne)
{
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\",
                 WideString(L"\\My Documents\\ZephNotes\\*.*").DirectoryPart().Text());
    EXPECT_STREQ(L"a/b/", WideString(L"a/b/c").DirectoryPart().Text());
    EXPECT_STREQ(L"a\\b/", WideString(L"a\\b/c").DirectoryPart().Text());
    // A separator in the first position does not count.
    EXPECT_STREQ(L"\\name", WideString(L"\\name").DirectoryPart().Text());
    EXPECT_STREQ(L"plain", WideString(L"plain").DirectoryPart().Text());
    EXPECT_STREQ(L"x\\", WideString(L"x\\").DirectoryPart().Text());
    EXPECT_STREQ(L"", WideString().DirectoryPart().Text());
}
