#include "support/tree_host.h"

#include "resources/resource.h"
#include "shell/app_state.h"
#include "tree/note_tree.h"

namespace {

const wchar_t kHostClass[] = L"ZephTreeTestHost";
std::vector<RecordedMessage> recorded;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        recorded.push_back({message, wParam, lParam, static_cast<int>(header->code)});
        // As the main window does: every selection change builds the path.
        if (header->code == TVN_SELCHANGEDW)
            noteTree.BuildSelectedPath();
        if (header->code == TVN_DELETEITEMW)
            noteTree.OnItemDeleted(reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemOld.hItem);
        return 0;
    }
    case WM_LBUTTONDOWN:
        recorded.push_back({message, wParam, lParam, 0});
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HTREEITEM Next(HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(SendMessageW(noteTree.controlWindow, TVM_GETNEXTITEM,
                                                    relation, reinterpret_cast<LPARAM>(item)));
}

TVITEMW Fetch(HTREEITEM item, UINT mask, wchar_t* text = nullptr, int capacity = 0)
{
    TVITEMW data = {};
    data.mask = mask;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = capacity;
    SendMessageW(noteTree.controlWindow, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return data;
}

void CollectPreOrder(HTREEITEM first, std::vector<std::wstring>* labels)
{
    for (HTREEITEM item = first; item; item = Next(item, TVGN_NEXT)) {
        labels->push_back(LabelOf(item));
        CollectPreOrder(Next(item, TVGN_CHILD), labels);
    }
}

}  // namespace

TreeHost::TreeHost()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);

    RECT frame = {0, 0, 240, 268};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowExW(0, kHostClass, L"tree host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                             instance, nullptr);
    recorded.clear();
    app = AppState();
    app.instance = instance;
    app.mainWindow = window;
    noteTree = NoteTree();
    noteTree.Create(5, 5, 200, 258, window, IDC_TREE, instance);
    noteTree.Layout(240, 268);
}

TreeHost::~TreeHost()
{
    DestroyWindow(window);
    noteTree = NoteTree();
    app = AppState();
    recorded.clear();
}

std::vector<RecordedMessage>& TreeHost::Messages()
{
    return recorded;
}

void TreeHost::InstallTreeControlProc()
{
    treeDefaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        noteTree.controlWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeControlProc)));
}

std::vector<HTREEITEM> ChildrenOf(HTREEITEM parent)
{
    std::vector<HTREEITEM> children;
    for (HTREEITEM item = Next(parent, TVGN_CHILD); item; item = Next(item, TVGN_NEXT))
        children.push_back(item);
    return children;
}

std::vector<std::wstring> ChildLabels(HTREEITEM parent)
{
    std::vector<std::wstring> labels;
    for (HTREEITEM item : ChildrenOf(parent))
        labels.push_back(LabelOf(item));
    return labels;
}

std::wstring LabelOf(HTREEITEM item)
{
    wchar_t text[1024] = {0};
    Fetch(item, TVIF_TEXT, text, 1024);
    return text;
}

uint32_t ParamOf(HTREEITEM item)
{
    return static_cast<uint32_t>(Fetch(item, TVIF_PARAM).lParam);
}

int ImageOf(HTREEITEM item)
{
    return Fetch(item, TVIF_IMAGE).iImage;
}

int SelectedImageOf(HTREEITEM item)
{
    return Fetch(item, TVIF_SELECTEDIMAGE).iSelectedImage;
}

HTREEITEM ChildNamed(HTREEITEM parent, const std::wstring& label)
{
    for (HTREEITEM item : ChildrenOf(parent)) {
        if (LabelOf(item) == label)
            return item;
    }
    return nullptr;
}

std::vector<std::wstring> PreOrderLabels()
{
    std::vector<std::wstring> labels;
    CollectPreOrder(Next(nullptr, TVGN_ROOT), &labels);
    return labels;
}

std::wstring RecordDisagreement()
{
    // Top level first: its record is TVI_ROOT's.
    std::vector<std::pair<HTREEITEM, HTREEITEM>> pending{{TVI_ROOT, nullptr}};
    size_t seen = 0;
    while (!pending.empty()) {
        const HTREEITEM parent = pending.back().first;
        pending.pop_back();
        std::vector<HTREEITEM> children;
        for (HTREEITEM item = parent == TVI_ROOT ? Next(nullptr, TVGN_ROOT) : Next(parent, TVGN_CHILD);
             item; item = Next(item, TVGN_NEXT))
            children.push_back(item);
        const ItemRecord* record = noteTree.Record(parent);
        if (!record) {
            if (children.empty() && parent == TVI_ROOT)
                continue;
            return L"no record of an item the control holds: " + LabelOf(parent);
        }
        if (noteTree.ChildItems(parent) != children)
            return L"the children of \"" + (parent == TVI_ROOT ? L"(top)" : LabelOf(parent)) +
                   L"\" differ in number or order";
        for (HTREEITEM child : children) {
            const ItemRecord* own = noteTree.Record(child);
            if (!own)
                return L"no record of " + LabelOf(child);
            if (own->parent != parent || own->label.Text() != LabelOf(child) ||
                own->param != ParamOf(child) || own->kind != ImageOf(child))
                return L"the record of \"" + LabelOf(child) + L"\" differs from the control";
            pending.push_back({child, nullptr});
            ++seen;
        }
    }
    // Records of items the control no longer holds (TVI_ROOT's is not an item).
    if (noteTree.records.size() != seen + (noteTree.Record(TVI_ROOT) ? 1 : 0))
        return L"the record holds " + std::to_wstring(noteTree.records.size()) +
               L" entries for " + std::to_wstring(seen) + L" items";
    return L"";
}
