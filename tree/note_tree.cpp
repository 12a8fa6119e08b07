#include "tree/note_tree.h"

#include "base/drawing.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <unordered_set>

NoteTree noteTree;
IconList iconList;
WideString LastSearchText;

NoteTree::NoteTree()
    : className(L"SysTreeView32"),
      style(0x50A1002F),
      textBuffer{},
      designX(0), designY(0),
      x(0), y(0),
      designWidth(0), designHeight(0),
      width(0), height(0),
      designSpaceWidth(240), designSpaceHeight(268),
      clientWidth(0), clientHeight(0),
      parentWindow(nullptr),
      controlWindow(nullptr),
      instance(nullptr),
      controlId(0),
      itemScratch{},
      imageList(nullptr),
      previousImageList(nullptr),
      rootItem(nullptr),
      selectedItem(nullptr),
      selectedKind(0),
      documentsPrefix(L"\\My Documents\\"),
      folderName(L"ZephNotes"),
      sortMode(0),
      labelFont(nullptr),
      labelFontCell(0),
      topLevelOrdered(false),
      topLevelOrder(0),
      sortOrder(0)
{
}

bool NoteTree::Create(int32_t newDesignX, int32_t newDesignY, int32_t newDesignWidth,
                      int32_t newDesignHeight, HWND parent, int32_t id, HINSTANCE module)
{
    // A new control holds no item yet, and takes its font anew.
    records.clear();
    keylessItems.clear();
    if (labelFont)
        DeleteObject(labelFont);
    labelFont = nullptr;
    labelFontCell = 0;
    designX = newDesignX;
    designY = newDesignY;
    designWidth = newDesignWidth;
    designHeight = newDesignHeight;
    parentWindow = parent;
    controlId = id;
    instance = module;
    // Placed for real by Layout, once the client size is known.
    controlWindow = CreateWindowExW(0, className, textBuffer, style, x, y, width, height, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                    instance, nullptr);
    return controlWindow != nullptr;
}

void NoteTree::AttachIcons(HIMAGELIST icons)
{
    imageList = icons;
    previousImageList = reinterpret_cast<HIMAGELIST>(SendMessageW(
        controlWindow, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(icons)));
}

void NoteTree::Layout(int32_t newClientWidth, int32_t newClientHeight)
{
    clientWidth = newClientWidth;
    clientHeight = newClientHeight;
    x = 5 * newClientWidth / designSpaceWidth;
    y = 5 * newClientHeight / designSpaceHeight;
    width = 200 * newClientWidth / designSpaceWidth;
    height = 258 * newClientHeight / designSpaceHeight;
    MoveWindow(controlWindow, x, y, width, height, FALSE);
    // The labels are drawn in the named face at the handheld's system size
    // (a 13-pixel cell on the 268-pixel-high screen), scaled with the client.
    const int32_t cell = 13 * newClientHeight / designSpaceHeight;
    if (controlWindow && cell > 0 && (!labelFont || cell != labelFontCell)) {
        HFONT made = CreateFontWithCell(NoteFontFace(), cell);
        if (made) {
            SendMessageW(controlWindow, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
            if (labelFont)
                DeleteObject(labelFont);
            labelFont = made;
            labelFontCell = cell;
        }
    }
}

void NoteTree::Show(int flag)
{
    ShowWindow(controlWindow, flag);
}

void NoteTree::Focus()
{
    SetFocus(controlWindow);
}

HTREEITEM NoteTree::InsertItem(HTREEITEM parent, const wchar_t* label, HTREEITEM insertAfter,
                               int image, int selectedImage, uint32_t param)
{
    topLevelOrdered = false;
    ++edits;
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = insertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(label);
    insert.item.cchTextMax = static_cast<int>(wcslen(label));
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = static_cast<LPARAM>(param);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageW(controlWindow, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item)
        RecordInsertion(item, parent, insertAfter, label, image, param);
    return item;
}

void NoteTree::SetEntryId(HTREEITEM item, const EntryId& id)
{
    if (ItemRecord* record = records.Find(item))
        record->id = id;
}

NoteEntry NoteTree::EntryOf(HTREEITEM item) const
{
    NoteEntry entry;
    const ItemRecord* record = Record(item);
    if (!record)
        return entry;
    entry.id = record->id;
    if (item == rootItem)
        return entry;
    entry.name = record->label.Text();
    const ItemRecord* folder = Record(record->parent);
    if (folder)
        entry.folderId = folder->id;
    for (; folder && folder->item != rootItem; folder = Record(folder->parent))
        entry.folders.insert(entry.folders.begin(), folder->label.Text());
    return entry;
}

void NoteTree::SetClosed(HTREEITEM item)
{
    if (ItemRecord* record = records.Find(item))
        record->closed = true;
}

const ItemRecord* NoteTree::Record(HTREEITEM item) const
{
    return records.Find(item);
}

std::vector<HTREEITEM> NoteTree::ChildItems(HTREEITEM item) const
{
    std::vector<HTREEITEM> items;
    if (const ItemRecord* record = Record(item)) {
        for (const ItemRecord* child : record->children)
            items.push_back(child->item);
    }
    return items;
}

void NoteTree::RecordInsertion(HTREEITEM item, HTREEITEM parent, HTREEITEM insertAfter,
                               const wchar_t* label, int kind, uint32_t param)
{
    if (!parent)
        parent = TVI_ROOT;
    ItemRecord& record = records[item];
    record.parent = parent;
    record.children.clear();
    record.label = label;
    record.nameKey.clear();
    keylessItems.push_back(item);
    record.kind = kind;
    record.param = param;
    record.id = EntryId();
    std::vector<ItemRecord*>& siblings = records[parent].children;
    auto holding = [&siblings](HTREEITEM handle) {
        return std::find_if(siblings.begin(), siblings.end(),
                            [handle](const ItemRecord* sibling) { return sibling->item == handle; });
    };
    if (insertAfter == TVI_LAST) {
        siblings.push_back(&record);
        return;
    }
    if (insertAfter == TVI_FIRST) {
        siblings.insert(siblings.begin(), &record);
        return;
    }
    if (insertAfter != TVI_SORT) {
        auto after = holding(insertAfter);
        if (after != siblings.end()) {
            siblings.insert(after + 1, &record);
            return;
        }
    }
    // At its sorted place (or after an item the record does not know) the
    // control says where the item went.
    HTREEITEM previous = NextItem(item, TVGN_PREVIOUS);
    auto at = previous ? holding(previous) : siblings.end();
    siblings.insert(at == siblings.end() ? siblings.begin() : at + 1, &record);
}

bool NoteTree::Unlink(HTREEITEM item)
{
    const ItemRecord* found = records.Find(item);
    if (!found)
        return false;
    if (ItemRecord* parent = records.Find(found->parent)) {
        std::vector<ItemRecord*>& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), found), siblings.end());
    }
    return true;
}

void NoteTree::OnItemDeleted(HTREEITEM item)
{
    ++edits;
    // Its children, if any are left, are reported one by one.
    if (Unlink(item))
        records.Erase(item);
}

void NoteTree::ForgetSubtree(HTREEITEM item)
{
    if (!Unlink(item))
        return;
    std::unordered_set<HTREEITEM> removed;
    std::vector<HTREEITEM> pending{item};
    while (!pending.empty()) {
        HTREEITEM next = pending.back();
        pending.pop_back();
        const ItemRecord* record = records.Find(next);
        if (!record)
            continue;
        removed.insert(next);
        for (const ItemRecord* child : record->children)
            pending.push_back(child->item);
        records.Erase(next);
    }
    // The control frees the handles of the whole subtree and may hand them
    // out again, so a search must never come back to them.
    for (SearchEntry& entry : searchList) {
        if (removed.count(entry.item))
            entry.visited = 1;
    }
}

LRESULT NoteTree::GetLabel(HTREEITEM item)
{
    itemScratch = TVITEMW{};
    itemScratch.mask = TVIF_TEXT;
    itemScratch.hItem = item;
    itemScratch.pszText = textBuffer;
    itemScratch.cchTextMax = kTextBufferSize;
    return SendMessageW(controlWindow, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&itemScratch));
}

void NoteTree::SetLabel(HTREEITEM item, const wchar_t* label)
{
    topLevelOrdered = false;
    ++edits;
    itemScratch = TVITEMW{};
    itemScratch.mask = TVIF_TEXT;
    itemScratch.hItem = item;
    itemScratch.pszText = const_cast<wchar_t*>(label);
    itemScratch.cchTextMax = kTextBufferSize;
    if (SendMessageW(controlWindow, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&itemScratch))) {
        if (ItemRecord* record = records.Find(item)) {
            record->label = label;
            record->nameKey.clear();
            keylessItems.push_back(item);
        }
    }
}

int NoteTree::GetKind(HTREEITEM item)
{
    itemScratch = TVITEMW{};
    itemScratch.mask = TVIF_IMAGE;
    itemScratch.hItem = item;
    SendMessageW(controlWindow, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&itemScratch));
    return itemScratch.iImage;
}

HTREEITEM NoteTree::NextItem(HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(controlWindow, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM NoteTree::GetSelected()
{
    selectedItem = NextItem(nullptr, TVGN_CARET);
    return selectedItem;
}

HTREEITEM NoteTree::GetRootItem()
{
    return NextItem(nullptr, TVGN_ROOT);
}

void NoteTree::SelectItem(HTREEITEM item)
{
    SendMessageW(controlWindow, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void NoteTree::ShowItem(HTREEITEM item)
{
    SendMessageW(controlWindow, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

void NoteTree::DeleteItem(HTREEITEM item)
{
    ForgetSubtree(item);
    topLevelOrdered = false;
    ++edits;
    SendMessageW(controlWindow, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
}

int NoteTree::BuildSelectedPath()
{
    // With nothing selected the answer is the root's, never a null item's.
    HTREEITEM item = GetSelected();
    if (!item) {
        item = rootItem;
        selectedItem = rootItem;
    }
    selectedKind = item ? GetKind(item) : kKindFolder;

    // Room for the path and the two zeros the delete command needs after it.
    const int32_t limit = kTextBufferSize - 2;
    // The labels, for a person to read and for the length check: what a
    // command acts on is the item's address (EntryOf), name by name.
    WideString path = folderName;
    const ItemRecord* record = item && item != rootItem ? Record(item) : nullptr;
    if (record)
        path = record->label;
    while (record && path.Length() <= limit) {
        record = record->parent != rootItem ? Record(record->parent) : nullptr;
        path = (record ? record->label : folderName) + WideString(L"\\") + path;
    }
    path = documentsPrefix + path;
    if (selectedKind == kKindFolder)
        path = path + WideString(L"\\");

    std::memset(textBuffer, 0, sizeof(textBuffer));
    if (path.Length() > limit)
        return kPathTooLong;
    std::memcpy(textBuffer, path.Text(), path.Length() * sizeof(wchar_t));
    return selectedKind;
}

bool ItemLabelRect(HWND control, HTREEITEM item, RECT* rect)
{
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    *rect = RECT{};
    memcpy(rect, &item, sizeof(item));
    return SendMessageW(control, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(rect)) != 0;
}

bool ItemExpanded(HWND control, HTREEITEM item)
{
    return (SendMessageW(control, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                         TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}
