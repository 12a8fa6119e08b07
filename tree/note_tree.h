// The note tree: the tree-view control that lists the notes folder, its
// folders and its notes, the scan that fills it, the two sort orders and the
// search over item names.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "base/outcome.h"
#include "base/wide_string.h"
#include "notes/notes_folder.h"

// Item kinds are the items' image indices.
constexpr int kKindFolder = 0;   // a folder or the root
constexpr int kKindNote = 2;

// BuildSelectedPath's answer when the path does not fit the text buffer; the
// thread's last error is then ERROR_FILENAME_EXCED_RANGE.
constexpr int kPathTooLong = -1;

constexpr int kTextBufferSize = 1024;

// A folder the scan has still to list: the item its entries go under.
struct PendingFolder {
    HTREEITEM parent;
};

// One tree item as it was when a search started. Its label is kept in the
// tree's searchText, one after another, so a snapshot of a large tree costs
// no allocation per item.
struct SearchEntry {
    HTREEITEM item;
    uint32_t labelStart;    // in searchText, zero-terminated there
    uint32_t labelLength;
    uint8_t visited;
};

// What the tree keeps of each item it inserted, in step with the control:
// every message that names an item makes Wine's control search all its
// items for the handle, so a walk over a large tree reads this instead.
struct ItemRecord {
    HTREEITEM item = nullptr;          // its own handle; TVI_ROOT for the top level's
    HTREEITEM parent = nullptr;        // TVI_ROOT for the top level
    std::vector<ItemRecord*> children; // in the control's order
    WideString label;
    // The label's sort key as the control's alphabetical sort compares it
    // (lstrcmpiW): made at the first sort by name, emptied with the label.
    std::string nameKey;
    uint32_t param = 0;
    int32_t kind = 0;
    // A folder shown but never entered: a link (it may lead out of the
    // notes folder or back up the tree).
    bool closed = false;
    // The entry's identity when it was listed or made: a command on the
    // item acts on that entry or on nothing.
    EntryId id;
};

// The tree's records by item handle. The records lie together, in the
// order they were made (a scan makes them folder by folder), and the table
// that finds them is one flat array: a walk over tens of thousands of items
// reads memory that is close together instead of one allocation per item.
// A record keeps its address while it is held.
class ItemRecords {
public:
    ItemRecord* Find(HTREEITEM item);
    const ItemRecord* Find(HTREEITEM item) const;
    // The item's record, made empty when there is none.
    ItemRecord& operator[](HTREEITEM item);
    void Erase(HTREEITEM item);
    size_t size() const { return count; }
    void clear();

private:
    struct Slot {
        HTREEITEM item;    // null: free
        uint32_t index;    // in pool
    };
    size_t SlotOf(HTREEITEM item) const;
    void Grow();

    std::vector<Slot> table;   // open addressing, a power of two long
    std::deque<ItemRecord> pool;
    std::vector<uint32_t> unused;   // pool places free again
    size_t count = 0;
};

class IconList {
public:
    // False when the list cannot be made; the thread's last error says why.
    bool Create(int32_t imageWidth, int32_t imageHeight, uint32_t flags, int32_t initialCount,
                int32_t growthCount);
    int AddIcon(HBITMAP bitmap, HBITMAP mask);

    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    uint32_t flags = 0;
    int32_t initialCount = 0;
    int32_t growthCount = 0;
    HIMAGELIST list = nullptr;
};

class NoteTree {
public:
    NoteTree();

    // The parent is the main window: a tap-and-hold on the control goes to
    // it. False when the control cannot be made; the thread's last error
    // says why.
    bool Create(int32_t designX, int32_t designY, int32_t designWidth, int32_t designHeight,
                HWND parent, int32_t id, HINSTANCE module);
    void AttachIcons(HIMAGELIST icons);
    void Layout(int32_t newClientWidth, int32_t newClientHeight);
    void Show(int flag);
    void Focus();

    HTREEITEM InsertItem(HTREEITEM parent, const wchar_t* label, HTREEITEM insertAfter,
                         int image, int selectedImage, uint32_t param);
    LRESULT GetLabel(HTREEITEM item);
    void SetLabel(HTREEITEM item, const wchar_t* label);
    int GetKind(HTREEITEM item);
    HTREEITEM GetSelected();
    HTREEITEM GetRootItem();
    void SelectItem(HTREEITEM item);
    // Opens the folders that hold the item and scrolls it into view; the
    // selection stays where it is.
    void ShowItem(HTREEITEM item);
    void DeleteItem(HTREEITEM item);

    // Leaves SelectedPath in the text buffer and answers the selected kind,
    // or kPathTooLong (buffer empty) when the path does not fit.
    int BuildSelectedPath();

    // Lists the folder of the parent item, and every folder in it, into
    // the tree; with no parent the notes folder, under a new root item.
    void ScanFolder(HTREEITEM parent);
    // What the scans and refreshes since the last call could not do (a
    // folder the control refused), in order, for the shell to show.
    std::vector<Outcome> TakeFailures();
    // The item of the folder at that address (the root for the notes
    // folder), or the deepest one on its way that the tree holds.
    HTREEITEM FolderItemFor(const NoteEntry& folder);
    // After a command on an item failed: when another program removed or
    // moved its entry, the item is let go and its folder listed again, at
    // the watch's next refresh.
    void RefreshIfGone(HTREEITEM item);
    // Every folder item the tree enters (no link), the root first, each
    // before what it holds.
    std::vector<HTREEITEM> FolderItems();

    void SortChildren(HTREEITEM item);
    void SortTree(HTREEITEM start);
    void ApplySortOrder();
    // Makes the sort keys of labels that have none, for about budget ms,
    // while the window has nothing else to do: the first sort by name then
    // only compares. True while some are still to be made.
    bool MakeNameKeys(DWORD budget);

    void CollectItems(HTREEITEM start, bool emptyFirst);
    HTREEITEM FindNext(HTREEITEM start, const WideString& text, bool rebuild);

    // The control's TVGN_* moves.
    HTREEITEM NextItem(HTREEITEM item, UINT relation);

    // The record of an item, or null for a handle the tree does not hold;
    // TVI_ROOT's record lists the top level.
    const ItemRecord* Record(HTREEITEM item) const;
    // The handles of an item's children, in the control's order.
    std::vector<HTREEITEM> ChildItems(HTREEITEM item) const;
    // The control reports each item it removes, whoever asked for it
    // (TVN_DELETEITEMW to its parent): the record lets the item go.
    void OnItemDeleted(HTREEITEM item);
    // Marks a folder item as one that is shown and never entered.
    void SetClosed(HTREEITEM item);
    // Keeps the identity of the entry an item stands for.
    void SetEntryId(HTREEITEM item, const EntryId& id);
    // The entry an item stands for, as the notes layer takes it; the root's
    // is the notes folder itself.
    NoteEntry EntryOf(HTREEITEM item) const;

    const wchar_t* className;
    uint32_t style;
    wchar_t textBuffer[kTextBufferSize];
    int32_t designX, designY;
    int32_t x, y;
    int32_t designWidth, designHeight;
    int32_t width, height;
    int32_t designSpaceWidth, designSpaceHeight;
    int32_t clientWidth, clientHeight;
    HWND parentWindow;
    HWND controlWindow;
    HINSTANCE instance;
    int32_t controlId;
    TVITEMW itemScratch;
    HIMAGELIST imageList;
    HIMAGELIST previousImageList;
    HTREEITEM rootItem;
    HTREEITEM selectedItem;
    int32_t selectedKind;
    WideString documentsPrefix;
    WideString folderName;
    std::vector<HTREEITEM> scanStack;
    std::vector<const ItemRecord*> searchStack;
    std::vector<const ItemRecord*> sortStack;
    int32_t sortMode;
    std::vector<SearchEntry> searchList;
    std::vector<wchar_t> searchText;   // the labels of searchList
    // An entry's label as it was when the search started.
    const wchar_t* SearchLabel(const SearchEntry& entry) const
    {
        return searchText.data() + entry.labelStart;
    }
    HFONT labelFont;                   // the labels' font, owned; made by Layout
    int32_t labelFontCell;
    // The top level is in the stored order (topLevelOrder) and no item was
    // inserted, renamed, deleted or sorted since: putting it in that order
    // again would change nothing, so it is skipped.
    bool topLevelOrdered;
    uint32_t topLevelOrder;
    uint32_t sortOrder;                // the order in force: 0 alphabetical, 1 by date
    std::vector<Outcome> failures;     // not yet taken by TakeFailures
    ItemRecords records;
    // Counts every change of the items (inserted, deleted, renamed, sorted),
    // whoever made it: work spread over several turns sees whether the tree
    // changed under it in between.
    uint32_t edits = 0;
    // Items whose labels were made or changed since MakeNameKeys last came
    // to them; some may be gone since.
    std::vector<HTREEITEM> keylessItems;

private:
    void ListFolder(const PendingFolder& folder, std::deque<PendingFolder>* pending);
    void ScanInto(HTREEITEM parent);
    void RecordInsertion(HTREEITEM item, HTREEITEM parent, HTREEITEM insertAfter,
                         const wchar_t* label, int kind, uint32_t param);
    void ForgetSubtree(HTREEITEM item);
    // Takes an item out of its parent's list; false when it is not recorded.
    bool Unlink(HTREEITEM item);
    // Puts the record of a parent's children into the order the control's
    // sort gives; answers whether anything moved.
    bool OrderRecordedChildren(HTREEITEM parent, int32_t mode);
    void SortChildrenBy(HTREEITEM item, int32_t mode);
};

extern NoteTree noteTree;
extern IconList iconList;
extern WideString LastSearchText;  // the text of the last started search

// The order in which names are to be inserted at the end of a folder to
// stand as inserting them one by one with TVI_SORT leaves them: the
// control's collation (lstrcmpW, compared here through the same locale's
// sort keys), and within a run it calls equal, the first one inserted first
// and every later one straight after it, so the rest in reverse. Inserting
// at the end in this order costs nothing per sibling, where sorted
// insertion walks all siblings for every item. Indices into names.
std::vector<size_t> SortedInsertionOrder(const std::vector<const wchar_t*>& names);

// The rectangle of an item's label in the control's client area; false when
// the item is not shown.
bool ItemLabelRect(HWND control, HTREEITEM item, RECT* rect);
// Whether the item's children are shown.
bool ItemExpanded(HWND control, HTREEITEM item);

// The text's sort key in the thread's locale (LCMAP_SORTKEY with flags):
// keys compare byte by byte as CompareStringW compares the texts. False,
// and key empty, when the platform gives none.
bool MakeSortKey(const wchar_t* text, DWORD flags, std::string* key);

// Milliseconds of the performance counter, for work done in slices:
// GetTickCount moves in steps of 15.6 ms under Wine.
double Milliseconds();

// The by-date comparison the control calls: oldest first.
int CALLBACK CompareTimes(LPARAM first, LPARAM second, LPARAM unused);

// The tree control's replacement procedure: a tap-and-hold goes to the
// main window (the control's parent), everything else to the control.
LRESULT CALLBACK TreeControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The tree-view control's own procedure, kept when TreeControlProc
// replaces it.
extern WNDPROC treeDefaultProc;
