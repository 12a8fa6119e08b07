#include "tree/note_tree.h"

#include "shell/app_state.h"
#include "support/temp_folder.h"
#include "support/tree_files.h"
#include "support/tree_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Labels and dates chosen so the alphabetical and the date orders differ
// at every level: root > {c(2003), a/(2005) > {z(2001), m(2009), b/(2002)},
// b(2001), d/(2000) > {y(2004), x(2002)}}.
class Sorting : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring notes = docs.HostPath(L"ZephNotes");
        CreateDirectoryW(notes.c_str(), nullptr);
        MakeNote(notes + L"\\c", 2003);
        MakeFolder(notes + L"\\a", 2005);
        MakeNote(notes + L"\\a\\z", 2001);
        MakeNote(notes + L"\\a\\m", 2009);
        MakeFolder(notes + L"\\a\\b", 2002);
        MakeNote(notes + L"\\b", 2001);
        MakeFolder(notes + L"\\d", 2000);
        MakeNote(notes + L"\\d\\y", 2004);
        MakeNote(notes + L"\\d\\x", 2002);
        // Set the folders' times again: adding entries moved them on.
        SetFolderYear(notes + L"\\a", 2005);
        SetFolderYear(notes + L"\\a\\b", 2002);
        SetFolderYear(notes + L"\\d", 2000);
        EnsureNotesFolder();
        noteTree.ScanFolder(nullptr);
        root = noteTree.rootItem;
    }

    std::vector<std::wstring> Top() { return ChildLabels(root); }
    std::vector<std::wstring> In(const wchar_t* folder) { return ChildLabels(ChildNamed(root, folder)); }

    TempDocuments docs;
    TreeHost host;
    HTREEITEM root = nullptr;
};

typedef std::vector<std::wstring> Labels;

}  // namespace

TEST(CompareTimesTest, OrdersUnsignedTimeValuesOldestFirst)
{
    EXPECT_EQ(-1, CompareTimes(1, 2, 0));
    EXPECT_EQ(1, CompareTimes(2, 1, 0));
    EXPECT_EQ(0, CompareTimes(5, 5, 0));
    // Unsigned: a value with the top bit set is later, not earlier.
    EXPECT_EQ(1, CompareTimes(0x80000000u, 0x7FFFFFFF, 0));
    EXPECT_EQ(-1, CompareTimes(0x7FFFFFFF, static_cast<LPARAM>(0xFFFFFFFFu), 0));
    EXPECT_EQ(0, CompareTimes(3, 3, 12345));
}

TEST_F(Sorting, ScanLeavesEveryLevelAlphabetical)
{
    EXPECT_EQ((Labels{L"a", L"b", L"c", L"d"}), Top());
    EXPECT_EQ((Labels{L"b", L"m", L"z"}), In(L"a"));
    EXPECT_EQ((Labels{L"x", L"y"}), In(L"d"));
}

TEST_F(Sorting, SortTreeByDateOrdersEveryLevelOldestFirst)
{
    noteTree.sortMode = 1;
    noteTree.SortTree(root);
    EXPECT_EQ((Labels{L"d", L"b", L"c", L"a"}), Top());
    EXPECT_EQ((Labels{L"z", L"b", L"m"}), In(L"a"));
    EXPECT_EQ((Labels{L"x", L"y"}), In(L"d"));
    EXPECT_TRUE(noteTree.sortStack.empty());

    noteTree.sortMode = 0;
    noteTree.SortTree(root);
    EXPECT_EQ((Labels{L"a", L"b", L"c", L"d"}), Top());
    EXPECT_EQ((Labels{L"b", L"m", L"z"}), In(L"a"));
}

TEST_F(Sorting, ApplySortOrderOrdersOnlyTheTopLevel)
{
    noteTree.sortOrder = 1;
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"d", L"b", L"c", L"a"}), Top());
    EXPECT_EQ((Labels{L"b", L"m", L"z"}), In(L"a")) << "deeper levels stay alphabetical";

    noteTree.sortOrder = 0;
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"a", L"b", L"c", L"d"}), Top());
}

TEST_F(Sorting, AnUnknownSortOrderChangesNothing)
{
    noteTree.sortOrder = 1;
    noteTree.ApplySortOrder();
    noteTree.sortOrder = 7;
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"d", L"b", L"c", L"a"}), Top());
    EXPECT_EQ(7u, noteTree.sortOrder);
}

TEST_F(Sorting, ItemsCreatedLaterGoToTheirAlphabeticalPlaceUntilTheNextSort)
{
    noteTree.sortMode = 1;
    noteTree.sortOrder = 1;
    noteTree.SortTree(root);
    HTREEITEM a = ChildNamed(root, L"a");
    const uint32_t now = 0xFFFFFF00u;   // later than everything scanned
    noteTree.InsertItem(a, L"k", TVI_SORT, 2, 3, now);
    noteTree.InsertItem(root, L"bb", TVI_SORT, 2, 3, now);
    // Sorted insertion puts each before the first sibling whose label is
    // greater, wherever the date order had put that one.
    EXPECT_EQ((Labels{L"k", L"z", L"b", L"m"}), In(L"a"));
    EXPECT_EQ((Labels{L"bb", L"d", L"b", L"c", L"a"}), Top());
    // The next command moves the new top-level item to its date place only.
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"d", L"b", L"c", L"a", L"bb"}), Top());
    EXPECT_EQ((Labels{L"k", L"z", L"b", L"m"}), In(L"a"));
    noteTree.SortTree(root);
    EXPECT_EQ((Labels{L"z", L"b", L"m", L"k"}), In(L"a"));
}

TEST_F(Sorting, ApplySortOrderFollowsEveryChangeOfTheTopLevel)
{
    // Re-applying the order is skipped while nothing moved; each kind of
    // change since must still bring the top level back into order.
    noteTree.sortOrder = 0;
    noteTree.ApplySortOrder();
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"a", L"b", L"c", L"d"}), Top());

    noteTree.SetLabel(ChildNamed(root, L"a"), L"e");
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"b", L"c", L"d", L"e"}), Top());

    noteTree.InsertItem(root, L"0", TVI_LAST, 2, 3, 0);
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"0", L"b", L"c", L"d", L"e"}), Top());

    noteTree.sortMode = 1;
    noteTree.SortTree(root);
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"0", L"b", L"c", L"d", L"e"}), Top()) << "the stored order is alphabetical";

    noteTree.sortOrder = 1;
    noteTree.ApplySortOrder();
    EXPECT_EQ(L"0", Top().front()) << "the oldest first";
    noteTree.DeleteItem(ChildNamed(root, L"0"));
    noteTree.sortOrder = 0;
    noteTree.ApplySortOrder();
    EXPECT_EQ((Labels{L"b", L"c", L"d", L"e"}), Top());
}

TEST_F(Sorting, ByNameTheRecordKeepsTheControlsOrderOfLabelsThatDifferInCaseOrMarks)
{
    // Labels the control's comparison (lstrcmpiW) calls equal, or tells
    // apart only by marks, hyphens or letter case: the tree's own record
    // of the order is compared by sort keys and must still be the control's.
    HTREEITEM d = ChildNamed(root, L"d");
    for (const wchar_t* label : {L"b-a", L"B", L"ba", L"'b", L"b", L"\u0401\u0436", L"\u0435\u0436",
                                 L"\u0451\u0436", L"a\u00ADb", L"ab", L"AB", L"a b", L"a-b", L"x10",
                                 L"x9", L"Ab", L"\u00E4b", L"\u00C4B"})
        noteTree.InsertItem(d, label, TVI_LAST, 2, 3, 0);
    Labels expected = In(L"d");
    std::stable_sort(expected.begin(), expected.end(), [](const std::wstring& a, const std::wstring& b) {
        return lstrcmpiW(a.c_str(), b.c_str()) < 0;
    });
    noteTree.sortMode = 0;
    for (int round = 0; round < 2; ++round) {
        noteTree.SortTree(root);
        EXPECT_EQ(expected, In(L"d")) << "round " << round;
        Labels recorded;
        for (const ItemRecord* child : noteTree.Record(d)->children)
            recorded.push_back(child->label.Text());
        EXPECT_EQ(expected, recorded) << "round " << round;
    }
}
