#include "tree/note_tree.h"

#include "base/drawing.h"
#include "base/shell_services.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "support/tree_host.h"
#include "tree/label_faces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// root "ZephNotes" > "Work" > "Plans" > "2024" > "todo.txt"
struct DeepTree {
    HTREEITEM root, work, plans, year, note;
    DeepTree()
    {
        root = noteTree.InsertItem(TVI_ROOT, L"ZephNotes", TVI_FIRST, 0, 1, 0);
        noteTree.rootItem = root;
        work = noteTree.InsertItem(root, L"Work", TVI_SORT, 0, 1, 10);
        plans = noteTree.InsertItem(work, L"Plans", TVI_SORT, 0, 1, 11);
        year = noteTree.InsertItem(plans, L"2024", TVI_SORT, 0, 1, 12);
        note = noteTree.InsertItem(year, L"todo.txt", TVI_SORT, 2, 3, 13);
    }
};

RECT WindowRectInParent(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

TEST(NoteTreeControl, CreateMakesTheTreeViewWithItsStyleAndId)
{
    TreeHost host;
    ASSERT_NE(nullptr, noteTree.controlWindow);
    wchar_t className[64] = {0};
    GetClassNameW(noteTree.controlWindow, className, 64);
    EXPECT_STREQ(L"SysTreeView32", className);
    EXPECT_EQ(IDC_TREE, GetDlgCtrlID(noteTree.controlWindow));
    EXPECT_EQ(host.Window(), GetParent(noteTree.controlWindow));
    EXPECT_EQ(0x50A1002Fu, noteTree.style);
    // The control itself drops the scroll bar while nothing needs it.
    const DWORD style = static_cast<DWORD>(GetWindowLongW(noteTree.controlWindow, GWL_STYLE));
    const DWORD fixed = 0x50A1002Fu & ~static_cast<DWORD>(WS_VSCROLL);
    EXPECT_EQ(fixed, style & fixed);
    EXPECT_EQ(5, noteTree.designX);
    EXPECT_EQ(258, noteTree.designHeight);
    EXPECT_EQ(IDC_TREE, noteTree.controlId);
}

TEST(NoteTreeControl, LayoutScalesTheDesignPlaceToTheClientSize)
{
    TreeHost host;
    struct Case { int w, h; RECT expected; } cases[] = {
        {240, 268, {5, 5, 205, 263}},
        {480, 536, {10, 10, 410, 526}},
        {240, 294, {5, 5, 205, 288}},
        {320, 268, {6, 5, 272, 263}},
    };
    for (const Case& c : cases) {
        noteTree.Layout(c.w, c.h);
        RECT rect = WindowRectInParent(noteTree.controlWindow);
        EXPECT_EQ(c.expected.left, rect.left) << c.w << "x" << c.h;
        EXPECT_EQ(c.expected.top, rect.top) << c.w << "x" << c.h;
        EXPECT_EQ(c.expected.right, rect.right) << c.w << "x" << c.h;
        EXPECT_EQ(c.expected.bottom, rect.bottom) << c.w << "x" << c.h;
        EXPECT_EQ(c.expected.left, noteTree.x);
        EXPECT_EQ(c.expected.right - c.expected.left, noteTree.width);
        EXPECT_EQ(c.expected.bottom - c.expected.top, noteTree.height);
        EXPECT_EQ(c.w, noteTree.clientWidth);
        EXPECT_EQ(c.h, noteTree.clientHeight);
    }
}

TEST(NoteTreeItems, InsertLabelKindAndSelectionRoundTripThroughTheControl)
{
    TreeHost host;
    HTREEITEM root = noteTree.InsertItem(TVI_ROOT, L"ZephNotes", TVI_FIRST, 0, 1, 0);
    HTREEITEM note = noteTree.InsertItem(root, L"b.txt", TVI_SORT, 2, 3, 0x01D2A3B4u);
    HTREEITEM folder = noteTree.InsertItem(root, L"a", TVI_SORT, 0, 1, 7);
    ASSERT_NE(nullptr, note);
    EXPECT_EQ(root, noteTree.GetRootItem());
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b.txt"}), ChildLabels(root));
    EXPECT_EQ(0x01D2A3B4u, ParamOf(note));
    EXPECT_EQ(3, SelectedImageOf(note));

    EXPECT_EQ(2, noteTree.GetKind(note));
    EXPECT_EQ(0, noteTree.GetKind(folder));
    EXPECT_NE(0, noteTree.GetLabel(note));
    EXPECT_STREQ(L"b.txt", noteTree.textBuffer);
    noteTree.SetLabel(note, L"renamed");
    EXPECT_EQ(L"renamed", LabelOf(note));

    EXPECT_EQ(nullptr, noteTree.GetSelected());
    noteTree.SelectItem(folder);
    EXPECT_EQ(folder, noteTree.GetSelected());
    EXPECT_EQ(folder, noteTree.selectedItem);

    noteTree.DeleteItem(folder);
    EXPECT_EQ((std::vector<std::wstring>{L"renamed"}), ChildLabels(root));
}

// GDI links no face to another: a label the text face cannot draw whole
// (Hebrew, Greek) is drawn in the second face, one it can in its own.
TEST(NoteTreeItems, ALabelTheTextFaceCannotDrawIsDrawnInTheSecondFace)
{
    TreeHost host;
    if (!NoteFallbackFace())
        GTEST_SKIP() << "Windows links its faces itself";
    const HTREEITEM hebrew = noteTree.InsertItem(TVI_ROOT, L"שָׁלוֹם", TVI_LAST, 0, 1, 0);
    const HTREEITEM greek = noteTree.InsertItem(TVI_ROOT, L"Ελλάδα", TVI_LAST, 2, 3, 0);
    const HTREEITEM russian = noteTree.InsertItem(TVI_ROOT, L"Дом", TVI_LAST, 2, 3, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    NMTVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = noteTree.controlWindow;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.hdc = dc;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, DrawLabelInItsFace(&draw)) << "asks for every item";
    const struct {
        HTREEITEM item;
        LRESULT answer;
        const wchar_t* face;
    } cases[] = {{hebrew, CDRF_NEWFONT, NoteFallbackFace()},
                 {greek, CDRF_NEWFONT, NoteFallbackFace()},
                 {russian, CDRF_DODEFAULT, NoteFontFace()}};
    for (const auto& c : cases) {
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(c.item);
        EXPECT_EQ(c.answer, DrawLabelInItsFace(&draw)) << LabelOf(c.item).size();
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        EXPECT_STREQ(c.face, face);
    }
    DeleteDC(dc);
}

TEST(NoteTreeItems, AttachIconsKeepsTheListAndTheControlsPreviousAnswer)
{
    TreeHost host;
    HIMAGELIST first = ImageList_Create(24, 24, 0, 4, 0);
    HIMAGELIST second = ImageList_Create(24, 24, 0, 4, 0);
    noteTree.AttachIcons(first);
    EXPECT_EQ(first, noteTree.imageList);
    EXPECT_EQ(nullptr, noteTree.previousImageList);
    noteTree.AttachIcons(second);
    EXPECT_EQ(first, noteTree.previousImageList);
    EXPECT_EQ(second, reinterpret_cast<HIMAGELIST>(
                          SendMessageW(noteTree.controlWindow, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)));
    ImageList_Destroy(first);
}

TEST(IconListTest, CreateAndAddIconsGiveIndicesInOrder)
{
    IconList icons;
    icons.Create(24, 24, 0, 4, 0);
    ASSERT_NE(nullptr, icons.list);
    EXPECT_EQ(24, icons.imageWidth);
    EXPECT_EQ(4, icons.initialCount);
    const int ids[] = {IDB_FOLDER, IDB_FOLDER_SELECTED, IDB_NOTE, IDB_NOTE_SELECTED};
    for (int i = 0; i < 4; ++i) {
        HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ids[i]));
        ASSERT_NE(nullptr, bitmap) << ids[i];
        EXPECT_EQ(i, icons.AddIcon(bitmap, nullptr));
    }
    EXPECT_EQ(4, ImageList_GetImageCount(icons.list));
    ImageList_Destroy(icons.list);
}

TEST(SelectedPath, OfTheRootFolderAndDeepNote)
{
    TreeHost host;
    DeepTree tree;
    noteTree.SelectItem(tree.root);
    EXPECT_EQ(0, noteTree.BuildSelectedPath());
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\", noteTree.textBuffer);
    EXPECT_EQ(0, noteTree.selectedKind);

    noteTree.SelectItem(tree.plans);
    EXPECT_EQ(0, noteTree.BuildSelectedPath());
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\Work\\Plans\\", noteTree.textBuffer);

    noteTree.SelectItem(tree.note);
    EXPECT_EQ(2, noteTree.BuildSelectedPath());
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\Work\\Plans\\2024\\todo.txt", noteTree.textBuffer);
    EXPECT_EQ(tree.note, noteTree.selectedItem);
    EXPECT_EQ(2, noteTree.selectedKind);
    // The two zeros after the path make it a one-entry list for the shell.
    size_t length = wcslen(noteTree.textBuffer);
    EXPECT_EQ(0, noteTree.textBuffer[length + 1]);
}

TEST(SelectedPath, SelectionNotificationBuildsThePathBeforeSelectItemReturns)
{
    TreeHost host;
    DeepTree tree;
    noteTree.SelectItem(tree.work);
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\Work\\", noteTree.textBuffer);
    bool notified = false;
    for (const RecordedMessage& m : host.Messages())
        notified |= m.message == WM_NOTIFY && m.wParam == IDC_TREE && m.notifyCode == static_cast<int>(TVN_SELCHANGEDW);
    EXPECT_TRUE(notified);
}

TEST(SelectedPath, WithNothingSelectedAnswersForTheRoot)
{
    TreeHost host;
    DeepTree tree;
    ASSERT_EQ(nullptr, noteTree.GetSelected());
    noteTree.textBuffer[0] = L'x';
    EXPECT_EQ(0, noteTree.BuildSelectedPath());
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\", noteTree.textBuffer);
    EXPECT_EQ(tree.root, noteTree.selectedItem);
    EXPECT_EQ(0, noteTree.selectedKind);
}

TEST(SelectedPath, WithNoItemsAtAllStillNamesTheNotesFolder)
{
    TreeHost host;
    EXPECT_EQ(0, noteTree.BuildSelectedPath());
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\", noteTree.textBuffer);
}

TEST(SelectedPath, TooLongFailsWithAClearErrorAndNeverWritesPastTheBuffer)
{
    TreeHost host;
    HTREEITEM root = noteTree.InsertItem(TVI_ROOT, L"ZephNotes", TVI_FIRST, 0, 1, 0);
    noteTree.rootItem = root;
    // Five levels of 255-unit names: more than 1 200 units of path.
    HTREEITEM item = root;
    for (int level = 0; level < 5; ++level) {
        std::wstring name(255, static_cast<wchar_t>(L'a' + level));
        item = noteTree.InsertItem(item, name.c_str(), TVI_SORT, level == 4 ? 2 : 0,
                                   level == 4 ? 3 : 1, 0);
        ASSERT_NE(nullptr, item);
    }
    // Labels as long as the control allows, deeper still.
    std::wstring huge(1023, L'z');
    HTREEITEM hugeNote = noteTree.InsertItem(item, huge.c_str(), TVI_SORT, 2, 3, 0);
    ASSERT_NE(nullptr, hugeNote);

    const int32_t guardX = noteTree.designX;
    const HWND guardWindow = noteTree.controlWindow;
    for (HTREEITEM selected : {item, hugeNote}) {
        noteTree.SelectItem(selected);
        EXPECT_EQ(kPathTooLong, noteTree.BuildSelectedPath());
        EXPECT_EQ(L'\0', noteTree.textBuffer[0]) << "no partial path is left";
        EXPECT_EQ(guardX, noteTree.designX);
        EXPECT_EQ(guardWindow, noteTree.controlWindow);
    }

    // A path of exactly the largest size that fits still works.
    HTREEITEM fits = noteTree.InsertItem(root, std::wstring(1022 - 24, L'f').c_str(), TVI_SORT, 2,
                                         3, 0);
    noteTree.SelectItem(fits);
    EXPECT_EQ(2, noteTree.BuildSelectedPath());
    EXPECT_EQ(1022u, wcslen(noteTree.textBuffer));
    EXPECT_EQ(0, noteTree.textBuffer[1023]);
    HTREEITEM over = noteTree.InsertItem(root, std::wstring(1023 - 24, L'g').c_str(), TVI_SORT, 2,
                                         3, 0);
    noteTree.SelectItem(over);
    EXPECT_EQ(kPathTooLong, noteTree.BuildSelectedPath());
}

namespace {
DWORD decided = 0;
int decisions = 0;
SHRGINFO lastGesture = {};
DWORD Decide(const SHRGINFO* info)
{
    ++decisions;
    lastGesture = *info;
    return decided;
}
}  // namespace

TEST(TreeControlProcTest, HoldGoesToTheParentAsAPressAndNeverReachesTheControl)
{
    TreeHost host;
    DeepTree tree;
    host.InstallTreeControlProc();
    SetGestureDecider(Decide);
    noteTree.SelectItem(tree.root);
    SendMessageW(noteTree.controlWindow, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(tree.root));
    RECT itemRect = {};
    memcpy(&itemRect, &tree.work, sizeof(tree.work));
    ASSERT_TRUE(SendMessageW(noteTree.controlWindow, TVM_GETITEMRECT, TRUE,
                             reinterpret_cast<LPARAM>(&itemRect)));
    const LPARAM point = MAKELPARAM((itemRect.left + itemRect.right) / 2,
                                    (itemRect.top + itemRect.bottom) / 2);

    host.Messages().clear();
    decided = GN_CONTEXTMENU;
    decisions = 0;
    EXPECT_EQ(1, SendMessageW(noteTree.controlWindow, WM_LBUTTONDOWN, MK_LBUTTON, point));
    EXPECT_EQ(1, decisions);
    EXPECT_EQ(sizeof(SHRGINFO), lastGesture.cbSize);
    EXPECT_EQ(noteTree.controlWindow, lastGesture.hwndClient);
    EXPECT_EQ(static_cast<LONG>(LOWORD(point)), lastGesture.ptDown.x);
    EXPECT_EQ(static_cast<LONG>(HIWORD(point)), lastGesture.ptDown.y);
    EXPECT_EQ(0x13u, lastGesture.dwFlags);
    ASSERT_EQ(1u, host.Messages().size());
    EXPECT_EQ(static_cast<UINT>(WM_LBUTTONDOWN), host.Messages()[0].message);
    EXPECT_EQ(static_cast<WPARAM>(MK_LBUTTON), host.Messages()[0].wParam);
    EXPECT_EQ(point, host.Messages()[0].lParam);
    EXPECT_EQ(tree.root, noteTree.GetSelected()) << "the hold leaves the selection alone";

    // A plain tap reaches the control, which selects the item under it.
    host.Messages().clear();
    decided = 0;
    PostMessageW(noteTree.controlWindow, WM_LBUTTONUP, 0, point);
    SendMessageW(noteTree.controlWindow, WM_LBUTTONDOWN, MK_LBUTTON, point);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(tree.work, noteTree.GetSelected());
    for (const RecordedMessage& m : host.Messages())
        EXPECT_NE(static_cast<UINT>(WM_LBUTTONDOWN), m.message);
    SetGestureDecider(nullptr);
}

TEST(TreeControlProcTest, OtherMessagesAreAnsweredByTheControlsOwnProcedure)
{
    TreeHost host;
    DeepTree tree;
    host.InstallTreeControlProc();
    EXPECT_EQ(reinterpret_cast<LRESULT>(tree.root),
              SendMessageW(noteTree.controlWindow, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    EXPECT_EQ(5, SendMessageW(noteTree.controlWindow, TVM_GETCOUNT, 0, 0));
}

// The tree's own record of its items must follow the control through every
// change the program makes: inserts at every kind of place, deletes (its
// own and the control's), renames and both sorts, sort keys made while
// idle in between, with labels that differ only in case or not at all and
// dates that are often equal, where the order the control leaves depends
// on how it sorts.
TEST(NoteTreeRecord, FollowsTheControlThroughRandomInsertsDeletesRenamesAndSorts)
{
    const wchar_t* labels[] = {L"a", L"A", L"b", L"B", L"ab", L"Ab", L"aB", L"note", L"Note",
                               L"ёлка", L"Ёлка", L"é", L"E", L"z 1", L"z-1", L"10", L"9", L"ZephNotes"};
    for (unsigned seed = 1; seed <= 4; ++seed) {
        TreeHost host;
        std::mt19937 random(seed);
        auto pick = [&random](size_t count) {
            return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, count - 1)(random));
        };
        HTREEITEM root = noteTree.InsertItem(TVI_ROOT, L"ZephNotes", TVI_FIRST, 0, 1, 0);
        noteTree.rootItem = root;
        std::vector<HTREEITEM> folders{root};
        std::vector<HTREEITEM> items;
        std::string done;
        for (int step = 0; step < 400; ++step) {
            // Now and then the window is idle and makes the labels' keys.
            if (pick(4) == 0) {
                noteTree.MakeNameKeys(0);
                done += "idle-keys ";
            }
            const size_t action = pick(10);
            if (action < 5 || items.empty()) {
                HTREEITEM parent = folders[pick(folders.size())];
                const std::vector<HTREEITEM> siblings = ChildrenOf(parent);
                HTREEITEM after = TVI_SORT;
                const size_t where = pick(4);
                if (where == 1)
                    after = TVI_LAST;
                else if (where == 2)
                    after = TVI_FIRST;
                else if (where == 3 && !siblings.empty())
                    after = siblings[pick(siblings.size())];
                const int kind = pick(3) == 0 ? 0 : 2;
                HTREEITEM item = noteTree.InsertItem(parent, labels[pick(std::size(labels))], after,
                                                     kind, kind + 1, static_cast<uint32_t>(pick(4)));
                ASSERT_NE(nullptr, item);
                items.push_back(item);
                if (kind == 0)
                    folders.push_back(item);
                done += "insert ";
            } else if (action < 7) {
                HTREEITEM item = items[pick(items.size())];
                // Most through the tree, some straight to the control.
                if (pick(3) == 0)
                    SendMessageW(noteTree.controlWindow, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
                else
                    noteTree.DeleteItem(item);
                // What went with it is gone from both lists.
                auto gone = [](HTREEITEM h) { return noteTree.Record(h) == nullptr; };
                items.erase(std::remove_if(items.begin(), items.end(), gone), items.end());
                folders.erase(std::remove_if(folders.begin() + 1, folders.end(), gone), folders.end());
                done += "delete ";
            } else if (action < 8) {
                noteTree.SetLabel(items[pick(items.size())], labels[pick(std::size(labels))]);
                done += "rename ";
            } else if (action < 9) {
                noteTree.sortMode = static_cast<int32_t>(pick(2));
                if (pick(2))
                    noteTree.SortTree(root);
                else
                    noteTree.SortChildren(folders[pick(folders.size())]);
                done += noteTree.sortMode ? "sort-by-date " : "sort-by-name ";
            } else {
                noteTree.sortOrder = static_cast<uint32_t>(pick(2));
                noteTree.ApplySortOrder();
                done += "apply-order ";
            }
            ASSERT_EQ(L"", RecordDisagreement()) << "seed " << seed << " after: " << done;
        }
        // A search walks the record: it finds what a walk of the control finds.
        for (const wchar_t* text : {L"a", L"e", L"Ё", L""}) {
            std::vector<std::wstring> expected;
            for (const std::wstring& label : PreOrderLabels()) {
                if (label.find(text) != std::wstring::npos)
                    expected.push_back(label);
            }
            std::vector<std::wstring> found;
            for (HTREEITEM item = noteTree.FindNext(root, text, true); item;
                 item = noteTree.FindNext(root, text, false))
                found.push_back(LabelOf(item));
            EXPECT_EQ(expected, found) << "seed " << seed << ", text \"" << text << "\"";
        }
    }
}

// The table that finds records by handle: handles close together (as the
// control's are) collide, and every erase must leave the rest findable.
TEST(NoteTreeRecord, TheTableFindsEveryRecordThroughCollisionsErasesAndGrowth)
{
    std::mt19937 random(7);
    ItemRecords records;
    std::vector<std::pair<HTREEITEM, uint32_t>> held;   // handle, param
    auto handle = [](size_t n) { return reinterpret_cast<HTREEITEM>(0x10000 + 16 * n); };
    for (int step = 0; step < 20000; ++step) {
        const size_t n = random() % 3000;
        auto at = std::find_if(held.begin(), held.end(),
                               [&](const auto& entry) { return entry.first == handle(n); });
        if (random() % 3 != 0) {
            records[handle(n)].param = static_cast<uint32_t>(step);
            if (at == held.end())
                held.push_back({handle(n), static_cast<uint32_t>(step)});
            else
                at->second = static_cast<uint32_t>(step);
        } else {
            records.Erase(handle(n));
            if (at != held.end())
                held.erase(at);
        }
        if (step % 500 != 0)
            continue;
        ASSERT_EQ(held.size(), records.size()) << "step " << step;
        for (const auto& entry : held) {
            const ItemRecord* record = records.Find(entry.first);
            ASSERT_TRUE(record) << "step " << step;
            ASSERT_EQ(entry.second, record->param);
        }
    }
    for (size_t n = 0; n < 3000; ++n) {
        const bool isHeld = std::any_of(held.begin(), held.end(),
                                        [&](const auto& entry) { return entry.first == handle(n); });
        EXPECT_EQ(isHeld, records.Find(handle(n)) != nullptr) << n;
    }
    // A record made again after an erase starts empty.
    records[handle(1)].label = L"kept";
    records.Erase(handle(1));
    EXPECT_TRUE(records[handle(1)].label.IsEmpty());
}
