#include "tree/note_tree.h"

#include "shell/app_state.h"
#include "shell/main_window.h"
#include "support/message_boxes.h"
#include "support/temp_folder.h"
#include "support/tree_files.h"
#include "support/tree_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

namespace {

// The notes folder inside a temporary "\My Documents", with a tree control.
class FolderScan : public ::testing::Test {
protected:
    void SetUp() override { notes = docs.HostPath(L"ZephNotes"); }

    void Scan()
    {
        // What the scan could not do is shown as the program shows it.
        ReportOutcome(EnsureNotesFolder());
        noteTree.ScanFolder(nullptr);
        ReportTreeFailures();
    }

    std::wstring Notes(const std::wstring& relative) const { return notes + L"\\" + relative; }

    TempDocuments docs;
    TreeHost host;
    std::wstring notes;
};


// What inserting those names one by one with TVI_SORT leaves in the control.
std::vector<std::wstring> SortedInsertionOrder(const std::vector<std::wstring>& names)
{
    HTREEITEM reference = noteTree.InsertItem(TVI_ROOT, L"reference", TVI_LAST, 0, 1, 0);
    for (const std::wstring& name : names)
        noteTree.InsertItem(reference, name.c_str(), TVI_SORT, 2, 3, 0);
    std::vector<std::wstring> order = ChildLabels(reference);
    noteTree.DeleteItem(reference);
    return order;
}

}  // namespace


TEST_F(FolderScan, MissingNotesFolderIsCreatedAndTheTreeIsTheRootAlone)
{
    ASSERT_FALSE(FolderExists(notes));
    MessageBoxAnswerer boxes;
    Scan();
    EXPECT_TRUE(FolderExists(notes));
    EXPECT_EQ(0u, boxes.Count());
    HTREEITEM root = noteTree.GetRootItem();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(root, noteTree.rootItem);
    EXPECT_EQ(L"ZephNotes", LabelOf(root));
    EXPECT_EQ(0u, ParamOf(root));
    EXPECT_EQ(0, ImageOf(root));
    EXPECT_EQ(1, SelectedImageOf(root));
    EXPECT_TRUE(ChildrenOf(root).empty());
    EXPECT_EQ(nullptr, reinterpret_cast<HTREEITEM>(SendMessageW(
                           noteTree.controlWindow, TVM_GETNEXTITEM, TVGN_NEXT,
                           reinterpret_cast<LPARAM>(root))));
    EXPECT_TRUE(noteTree.scanStack.empty());
}

TEST_F(FolderScan, FailureToCreateTheFolderShowsOneErrorAndTheScanStillRuns)
{
    // "\My Documents" itself is missing, so the notes folder cannot be made.
    SetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", docs.HostPath(L"missing").c_str());
    MessageBoxAnswerer boxes;
    Scan();
    SetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", docs.Path().c_str());
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Error", boxes.Shown()[0].caption);
    EXPECT_FALSE(boxes.Shown()[0].text.empty());
    ASSERT_NE(nullptr, noteTree.rootItem);
    EXPECT_EQ(L"ZephNotes", LabelOf(noteTree.rootItem));
    EXPECT_TRUE(ChildrenOf(noteTree.rootItem).empty());
}

TEST_F(FolderScan, AFileInThePlaceOfTheNotesFolderCountsAsPresent)
{
    ASSERT_TRUE(WriteBytes(notes, "x"));
    MessageBoxAnswerer boxes;
    Scan();
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_TRUE(ChildrenOf(noteTree.rootItem).empty());
}

TEST_F(FolderScan, EveryFileIsANoteWhateverItsNameOrAttributes)
{
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    const std::vector<std::wstring> names = {L"plain", L"a.txt", L"b.TXT", L"c.exe", L".dot",
                                             L"hidden", L"readonly", L"system", L"Заметка"};
    for (const std::wstring& name : names)
        ASSERT_TRUE(MakeNote(Notes(name)));
    SetFileAttributesW(Notes(L"hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(Notes(L"readonly").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(Notes(L"system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    Scan();
    std::vector<HTREEITEM> children = ChildrenOf(noteTree.rootItem);
    ASSERT_EQ(names.size(), children.size());
    std::set<std::wstring> seen;
    for (HTREEITEM item : children) {
        seen.insert(LabelOf(item));
        EXPECT_EQ(2, ImageOf(item)) << LabelOf(item);
        EXPECT_EQ(3, SelectedImageOf(item)) << LabelOf(item);
        EXPECT_EQ(2, noteTree.GetKind(item));
    }
    EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()), seen);
    SetFileAttributesW(Notes(L"readonly").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderScan, SiblingsAreAlphabeticalWithFoldersAndNotesInterleaved)
{
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(MakeFolder(Notes(L"d folder")));
    ASSERT_TRUE(MakeNote(Notes(L"c note")));
    ASSERT_TRUE(MakeFolder(Notes(L"b folder")));
    ASSERT_TRUE(MakeNote(Notes(L"a note")));
    ASSERT_TRUE(MakeNote(Notes(L"e note")));
    Scan();
    HTREEITEM root = noteTree.rootItem;
    EXPECT_EQ((std::vector<std::wstring>{L"a note", L"b folder", L"c note", L"d folder", L"e note"}),
              ChildLabels(root));
    EXPECT_EQ(0, ImageOf(ChildNamed(root, L"b folder")));
    EXPECT_EQ(1, SelectedImageOf(ChildNamed(root, L"b folder")));
    EXPECT_EQ(2, ImageOf(ChildNamed(root, L"c note")));
}

TEST_F(FolderScan, NestedFoldersShowAtTheirLevelWithAllTheirContent)
{
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(MakeFolder(Notes(L"one")));
    ASSERT_TRUE(MakeFolder(Notes(L"one\\two")));
    ASSERT_TRUE(MakeFolder(Notes(L"one\\two\\three")));
    ASSERT_TRUE(MakeFolder(Notes(L"one\\two\\empty")));
    ASSERT_TRUE(MakeNote(Notes(L"one\\two\\three\\deep.txt")));
    ASSERT_TRUE(MakeNote(Notes(L"one\\two\\three\\deeper.txt")));
    ASSERT_TRUE(MakeNote(Notes(L"one\\top.txt")));
    ASSERT_TRUE(MakeNote(Notes(L"zz")));
    Scan();
    EXPECT_EQ((std::vector<std::wstring>{L"ZephNotes", L"one", L"top.txt", L"two", L"empty",
                                         L"three", L"deep.txt", L"deeper.txt", L"zz"}),
              PreOrderLabels());
    EXPECT_TRUE(noteTree.scanStack.empty());
}

TEST_F(FolderScan, ParamsAreTheHighPartOfTheCreationTimeTheEnumerationReports)
{
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(MakeNote(Notes(L"old"), 2001));
    ASSERT_TRUE(MakeFolder(Notes(L"middle")));
    ASSERT_TRUE(MakeNote(Notes(L"middle\\inner"), 2005));
    ASSERT_TRUE(SetFolderYear(Notes(L"middle"), 2010));
    ASSERT_TRUE(MakeNote(Notes(L"new"), 2020));
    Scan();
    struct Expect { const wchar_t* relative; HTREEITEM item; };
    HTREEITEM root = noteTree.rootItem;
    HTREEITEM middle = ChildNamed(root, L"middle");
    const Expect expects[] = {{L"old", ChildNamed(root, L"old")},
                              {L"middle", middle},
                              {L"middle\\inner", ChildNamed(middle, L"inner")},
                              {L"new", ChildNamed(root, L"new")}};
    for (const Expect& e : expects) {
        ASSERT_NE(nullptr, e.item) << e.relative;
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(Notes(e.relative).c_str(), &entry);
        ASSERT_NE(INVALID_HANDLE_VALUE, search);
        FindClose(search);
        EXPECT_EQ(entry.ftCreationTime.dwHighDateTime, ParamOf(e.item)) << e.relative;
    }
    // The years set above are far enough apart to give distinct, rising keys.
    EXPECT_LT(ParamOf(expects[0].item), ParamOf(expects[2].item));
    EXPECT_LT(ParamOf(expects[2].item), ParamOf(expects[1].item));
    EXPECT_LT(ParamOf(expects[1].item), ParamOf(expects[3].item));
}

TEST_F(FolderScan, AFolderThatCannotBeEnumeratedKeepsNoChildrenSilently)
{
    // The notes folder is not there to list.
    MessageBoxAnswerer boxes;
    noteTree.ScanFolder(nullptr);
    ReportTreeFailures();
    EXPECT_EQ(0u, boxes.Count());
    ASSERT_NE(nullptr, noteTree.rootItem);
    EXPECT_TRUE(ChildrenOf(noteTree.rootItem).empty());
}

TEST_F(FolderScan, FolderLinksShowAsFoldersWithoutDescending)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "links are made with the Unix side of Wine";
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(MakeFolder(Notes(L"inner")));
    ASSERT_TRUE(MakeNote(Notes(L"inner\\note")));
    ASSERT_TRUE(MakeFolder(docs.HostPath(L"outside")));
    ASSERT_TRUE(MakeNote(docs.HostPath(L"outside\\secret")));
    // One link back up to the notes folder itself, one to the parent of the
    // notes folder (outside it), one loop inside a subfolder.
    ASSERT_TRUE(MakeUnixFolderLink(notes, Notes(L"up")));
    ASSERT_TRUE(MakeUnixFolderLink(docs.Path(), Notes(L"out")));
    ASSERT_TRUE(MakeUnixFolderLink(Notes(L"inner"), Notes(L"inner\\self")));
    ASSERT_TRUE(GetFileAttributesW(Notes(L"up").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

    const DWORD started = GetTickCount();
    Scan();
    EXPECT_LT(GetTickCount() - started, 5000u);
    EXPECT_EQ((std::vector<std::wstring>{L"ZephNotes", L"inner", L"note", L"self", L"out", L"up"}),
              PreOrderLabels());
    for (const wchar_t* link : {L"out", L"up"}) {
        HTREEITEM item = ChildNamed(noteTree.rootItem, link);
        ASSERT_NE(nullptr, item) << link;
        EXPECT_EQ(0, ImageOf(item)) << link;
        EXPECT_TRUE(ChildrenOf(item).empty()) << link;
    }
    // Links are removed from the Unix side, never followed.
    RemoveLargeTree(notes);
}

TEST_F(FolderScan, OrderEqualsSortedInsertionForRandomLabels)
{
    const std::wstring alphabet =
        L"abcxyzABCXYZ0123456789абвгдеёжзАБВГДЕЁЖЗ !#$%&'()+,-;=@[]^_`{}~";
    std::mt19937 random(20240607);
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    for (int round = 0; round < 3; ++round) {
        const std::wstring folderName = L"round" + std::to_wstring(round);
        const std::wstring folder = Notes(folderName);
        ASSERT_TRUE(MakeFolder(folder));
        std::set<std::wstring> folded;   // names the file system tells apart
        std::vector<std::wstring> caseVariants;
        auto fold = [](std::wstring s) {
            CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
            return s;
        };
        for (int i = 0; i < 150; ++i) {
            std::wstring name;
            const int length = 1 + static_cast<int>(random() % 8);
            for (int k = 0; k < length; ++k)
                name += alphabet[random() % alphabet.size()];
            // Names may not begin or end with a blank or end with a dot.
            if (name.front() == L' ' || name.back() == L' ' || name.back() == L'.')
                continue;
            if (!folded.insert(fold(name)).second)
                continue;
            if (random() % 4 == 0)
                ASSERT_TRUE(MakeFolder(folder + L"\\" + name)) << i;
            else
                ASSERT_TRUE(MakeNote(folder + L"\\" + name)) << i;
        }
        // A decomposed and a precomposed "é": different names, equal labels
        // to the control's collation.
        ASSERT_TRUE(MakeNote(folder + L"\\e\u0301"));
        ASSERT_TRUE(MakeNote(folder + L"\\\u00e9"));
        // Names that differ only in case stand side by side on Linux.
        if (RunningUnderWine()) {
            for (int i = 0; i < 12; ++i) {
                std::wstring base;
                for (int k = 0; k < 3; ++k)
                    base += L"kqmn"[random() % 4];
                base += static_cast<wchar_t>(L'0' + i % 3);
                for (int variant = 0; variant < 3; ++variant) {
                    std::wstring name = base;
                    for (size_t k = 0; k < name.size(); ++k) {
                        if ((variant >> (k % 2)) & 1)
                            name[k] = static_cast<wchar_t>(towupper(name[k]));
                    }
                    if (std::find(caseVariants.begin(), caseVariants.end(), name) ==
                        caseVariants.end())
                        caseVariants.push_back(name);
                }
            }
            ASSERT_TRUE(MakeNotesOnUnixSide(folder, caseVariants));
        }
    }
    Scan();
    for (int round = 0; round < 3; ++round) {
        const std::wstring folderName = L"round" + std::to_wstring(round);
        HTREEITEM folderItem = ChildNamed(noteTree.rootItem, folderName);
        ASSERT_NE(nullptr, folderItem);
        std::vector<std::wstring> names = NamesInFolder(Notes(folderName));
        std::vector<std::wstring> scanned = ChildLabels(folderItem);
        ASSERT_EQ(names.size(), scanned.size());
        EXPECT_EQ(SortedInsertionOrder(names), scanned) << "round " << round;
    }
    // Win32 deletes cannot tell names of another case apart under Wine.
    RemoveLargeTree(notes);
}

TEST_F(FolderScan, SixteenThousandSiblingsScanInWellUnderASecondEach)
{
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(MakeNumberedNotes(notes, L"n", 16000));
    const DWORD started = GetTickCount();
    Scan();
    const DWORD elapsed = GetTickCount() - started;
    std::vector<std::wstring> labels = ChildLabels(noteTree.rootItem);
    RemoveLargeTree(notes);
    ASSERT_EQ(16000u, labels.size());
    EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end()));
    EXPECT_EQ(L"n00000", labels.front());
    EXPECT_EQ(L"n15999", labels.back());
    // Sorted insertion alone takes about 25 s here.
    EXPECT_LT(elapsed, 3000u);
    RecordProperty("scan_ms", static_cast<int>(elapsed));
}

namespace {

WNDPROC treeOwnProc = nullptr;

// The control refuses to make an item labelled "refused".
LRESULT CALLBACK RefusingTreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TVM_INSERTITEMW) {
        const TVINSERTSTRUCTW* insert = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
        if (insert->item.pszText && std::wstring(insert->item.pszText) == L"refused") {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
    }
    return CallWindowProcW(treeOwnProc, window, message, wParam, lParam);
}

}  // namespace

TEST_F(FolderScan, AFolderTheControlRefusesKeepsItsEntriesOutOfTheTree)
{
    // Put anywhere else, the folder's notes would name paths outside the
    // notes folder, where a delete or a rename would then act.
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Notes(L"refused").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(Notes(L"refused\\inside"), ""));
    ASSERT_TRUE(WriteBytes(Notes(L"kept"), ""));
    treeOwnProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        noteTree.controlWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefusingTreeProc)));
    MessageBoxAnswerer boxes;
    Scan();
    EXPECT_EQ(1u, boxes.Count());
    EXPECT_EQ(std::vector<std::wstring>{L"ZephNotes"}, ChildLabels(nullptr));
    EXPECT_EQ(std::vector<std::wstring>{L"kept"}, ChildLabels(noteTree.rootItem));
    SetWindowLongPtrW(noteTree.controlWindow, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(treeOwnProc));
}
