#include "tree/note_tree.h"

#include "support/tree_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ZephNotes > {Alpha/ > {alpha note, Beta}, Gamma/ > {Zeph plan}, omega}
class Search : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = noteTree.InsertItem(TVI_ROOT, L"ZephNotes", TVI_FIRST, 0, 1, 0);
        noteTree.rootItem = root;
        alpha = noteTree.InsertItem(root, L"Alpha", TVI_SORT, 0, 1, 0);
        alphaNote = noteTree.InsertItem(alpha, L"alpha note", TVI_SORT, 2, 3, 0);
        beta = noteTree.InsertItem(alpha, L"Beta", TVI_SORT, 2, 3, 0);
        gamma = noteTree.InsertItem(root, L"Gamma", TVI_SORT, 0, 1, 0);
        plan = noteTree.InsertItem(gamma, L"Zeph plan", TVI_SORT, 2, 3, 0);
        omega = noteTree.InsertItem(root, L"omega", TVI_SORT, 2, 3, 0);
    }

    HTREEITEM Start(const wchar_t* text) { return noteTree.FindNext(root, WideString(text), true); }
    HTREEITEM Continue(const wchar_t* text)
    {
        return noteTree.FindNext(nullptr, WideString(text), false);
    }

    TreeHost host;
    HTREEITEM root, alpha, alphaNote, beta, gamma, plan, omega;
};

}  // namespace

TEST_F(Search, CollectItemsSnapshotsEveryItemInPreOrder)
{
    noteTree.CollectItems(root, true);
    std::vector<HTREEITEM> items;
    std::vector<std::wstring> labels;
    for (const SearchEntry& entry : noteTree.searchList) {
        items.push_back(entry.item);
        labels.push_back(noteTree.SearchLabel(entry));
        EXPECT_EQ(0, entry.visited);
    }
    EXPECT_EQ((std::vector<HTREEITEM>{root, alpha, alphaNote, beta, gamma, plan, omega}), items);
    EXPECT_EQ((std::vector<std::wstring>{L"ZephNotes", L"Alpha", L"alpha note", L"Beta", L"Gamma",
                                         L"Zeph plan", L"omega"}),
              labels);
    EXPECT_TRUE(noteTree.searchStack.empty());
    // Without emptying first the list grows; with it, it starts again.
    noteTree.CollectItems(gamma, false);
    EXPECT_EQ(7u + 3u, noteTree.searchList.size());
    noteTree.CollectItems(root, true);
    EXPECT_EQ(7u, noteTree.searchList.size());
}

TEST_F(Search, PartOfTheRootsLabelFindsTheRootFirst)
{
    EXPECT_EQ(root, Start(L"Zeph"));
    EXPECT_EQ(plan, Continue(L"Zeph"));
    EXPECT_EQ(nullptr, Continue(L"Zeph"));
    EXPECT_EQ(root, Start(L"phNo"));
}

TEST_F(Search, EmptyTextWalksEveryItemInPreOrder)
{
    std::vector<HTREEITEM> found{Start(L"")};
    for (HTREEITEM item = Continue(L""); item; item = Continue(L""))
        found.push_back(item);
    EXPECT_EQ((std::vector<HTREEITEM>{root, alpha, alphaNote, beta, gamma, plan, omega}), found);
}

TEST_F(Search, ComparisonIsCaseSensitive)
{
    EXPECT_EQ(alphaNote, Start(L"alpha"));
    EXPECT_EQ(nullptr, Continue(L"alpha"));
    EXPECT_EQ(alpha, Start(L"Alpha"));
    EXPECT_EQ(nullptr, Continue(L"Alpha"));
    EXPECT_EQ(nullptr, Start(L"ALPHA"));
    EXPECT_EQ(nullptr, Start(L"beta"));
}

TEST_F(Search, AfterTheLastMatchContinueFindsNothingAgainAndAgain)
{
    EXPECT_EQ(omega, Start(L"ome"));
    EXPECT_EQ(nullptr, Continue(L"ome"));
    EXPECT_EQ(nullptr, Continue(L"ome"));
    EXPECT_EQ(nullptr, Continue(L"ome"));
    for (const SearchEntry& entry : noteTree.searchList)
        EXPECT_EQ(1, entry.visited);
}

TEST_F(Search, AFolderIsFoundBeforeItsMatchingContentsThenWhatFollows)
{
    EXPECT_EQ(alpha, Start(L"a"));
    EXPECT_EQ(alphaNote, Continue(L"a"));
    EXPECT_EQ(beta, Continue(L"a"));
    EXPECT_EQ(gamma, Continue(L"a"));
    EXPECT_EQ(plan, Continue(L"a"));
    EXPECT_EQ(omega, Continue(L"a"));
    EXPECT_EQ(nullptr, Continue(L"a"));
}

TEST_F(Search, ContinueResumesAfterThePreviousMatchWhateverIsSelected)
{
    EXPECT_EQ(alpha, Start(L"a"));
    noteTree.SelectItem(plan);
    EXPECT_EQ(alphaNote, noteTree.FindNext(noteTree.GetSelected(), WideString(L"a"), false));
}

TEST_F(Search, TheSnapshotKeepsOldLabelsAndMissesNewItems)
{
    EXPECT_EQ(alpha, Start(L"Alpha"));
    noteTree.SetLabel(omega, L"Alpha too");
    noteTree.InsertItem(root, L"Alpha new", TVI_SORT, 2, 3, 0);
    EXPECT_EQ(nullptr, Continue(L"Alpha"));
    EXPECT_EQ(omega, Start(L"Alpha too"));
}

TEST_F(Search, ItemsDeletedSinceTheSnapshotAreNeverReturned)
{
    EXPECT_EQ(root, Start(L""));
    noteTree.DeleteItem(alpha);      // a folder with two notes inside
    noteTree.DeleteItem(omega);
    // New items may reuse the freed handles; they are not in the snapshot.
    for (int i = 0; i < 8; ++i)
        noteTree.InsertItem(root, (L"new" + std::to_wstring(i)).c_str(), TVI_SORT, 2, 3, 0);
    std::vector<HTREEITEM> found;
    for (HTREEITEM item = Continue(L""); item; item = Continue(L""))
        found.push_back(item);
    EXPECT_EQ((std::vector<HTREEITEM>{gamma, plan}), found);
    for (const SearchEntry& entry : noteTree.searchList)
        EXPECT_EQ(1, entry.visited) << noteTree.SearchLabel(entry);
}

TEST_F(Search, ItemRemovedDirectlyFromTheControlIsPassedOver)
{
    EXPECT_EQ(alpha, Start(L"a"));
    SendMessageW(noteTree.controlWindow, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(beta));
    SendMessageW(noteTree.controlWindow, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(alphaNote));
    EXPECT_EQ(gamma, Continue(L"a"));
}

TEST_F(Search, BeforeAnySearchContinueFindsNothing)
{
    EXPECT_TRUE(noteTree.searchList.empty());
    EXPECT_EQ(nullptr, Continue(L""));
}
