// Tap-and-hold menus, every command and the tree's notifications.
#include "shell/main_window.h"

#include "editor/note_editor.h"
#include "notes/note_names.h"
#include "notes/notes_folder.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "shell/name_entry_window.h"
#include "shell/settings.h"
#include "skin/about_window.h"
#include "tree/expand_boxes.h"
#include "tree/folder_watch.h"
#include "tree/note_tree.h"

#include <commctrl.h>

#include <cwchar>

namespace {

const int kNameEntryWidth = 162;
const int kNameEntryHeight = 84;

struct Request {
    UINT caption;       // string ids
    UINT offeredText;   // 0: the caller offers the text
    int okBitmap;
};

const Request kFolderRequest = {IDS_FOLDER_CAPTION, IDS_FOLDER_OFFERED, IDB_BUTTON_OK};
const Request kNoteRequest = {IDS_NOTE_CAPTION, IDS_NOTE_OFFERED, IDB_BUTTON_OK};
const Request kSearchRequest = {IDS_SEARCH_CAPTION, 0, IDB_BUTTON_SEARCH};

void RepaintWithoutErasing(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
}

// Asks for a name or a search text in the name entry window; answers what
// RunModal answers and leaves the text in *text (the initial text unless OK).
int AskForText(const Request& request, WideString* text)
{
    // The pop-up keeps a pointer to its caption while it is open.
    const std::wstring caption = ResourceText(request.caption);
    NameEntryWindow entry;
    app.activeNameEntry = &entry;
    entry.text = *text;
    int answer = 0;
    // Centred on the client size, in screen coordinates; a desktop window
    // lies anywhere on the screen, so there it is centred on the client area.
    POINT origin = {0, 0};
#ifndef _WIN32_WCE
    if (app.mainWindow)
        ClientToScreen(app.mainWindow, &origin);
#endif
    if (entry.Create(origin.x + (app.clientWidth - kNameEntryWidth) / 2,
                     origin.y + (app.clientHeight - kNameEntryHeight) / 2, kNameEntryWidth,
                     kNameEntryHeight, app.mainWindow, IDI_ZEPHNOTES, IDB_PANEL, kNameEntryWidth,
                     kNameEntryHeight, IDC_NAME_FIELD, app.instance, caption.c_str(),
                     L"MyDirNameClass", NameEntryClassProc)) {
        entry.CreateButtons(IDC_BUTTON_OK, IDC_BUTTON_CANCEL, request.okBitmap, IDB_BUTTON_EXIT);
        answer = entry.RunModal();
        entry.Unregister();
    }
    *text = entry.text;
    app.activeNameEntry = nullptr;
    return answer;
}

uint32_t TimeStamp()
{
    SYSTEMTIME now;
    FILETIME stamp;
    GetSystemTime(&now);
    SystemTimeToFileTime(&now, &stamp);
    return stamp.dwHighDateTime;
}

// SelectedPath of the selected item (its kind), or kPathTooLong after one
// box when the path is longer than the program can hold.
int BuildSelectedPathOrRefuse()
{
    const int kind = noteTree.BuildSelectedPath();
    if (kind == kPathTooLong)
        ReportRefusal(IDS_REFUSED_PATH_UNREADABLE);
    return kind;
}

// SelectedPath of the selected folder, or false after reporting why not.
bool SelectedFolderPath(WideString* path)
{
    const int kind = BuildSelectedPathOrRefuse();
    if (kind != kKindFolder)
        return false;
    *path = WideString(noteTree.textBuffer);
    return true;
}

// After a command found its entry no longer what was chosen: the folder
// that holds the item is listed again.
void RelistAfter(const Outcome& outcome, HTREEITEM item)
{
    const UINT stale[] = {IDS_REFUSED_ENTRY_GONE, IDS_REFUSED_ENTRY_CHANGED,
                          IDS_REFUSED_ENTRY_OUTSIDE, IDS_REFUSED_NAME_SHARED,
                          IDS_REFUSED_LINK_INSIDE, IDS_REFUSED_LINK_DELETE, IDS_REFUSED_LINK_RENAME,
                          IDS_NOTE_GONE};
    const ItemRecord* record = noteTree.Record(item);
    if (!record)
        return;
    for (UINT refusal : stale) {
        if (outcome.refusal == refusal) {
            // At the window's next turn: the command may be inside a box or
            // a label edit that holds the item.
            if (item == noteTree.GetRootItem())
                folderWatch.RelistSoon(item);
            else
                folderWatch.LetGo(item);
            return;
        }
    }
    noteTree.RefreshIfGone(item);
    ReportTreeFailures();
}

// A failure that only says the name is taken (or, for a note asked where a
// folder stands, that it cannot be opened) is foreseeable: said in the
// program's words, by what holds the name. Any other stays the system's.
Outcome NameTakenAsRefusal(const Outcome& outcome, const NoteEntry& asked)
{
    if (outcome.refusal || (outcome.error != ERROR_ALREADY_EXISTS &&
                            outcome.error != ERROR_FILE_EXISTS &&
                            outcome.error != ERROR_ACCESS_DENIED))
        return outcome;
    const DWORD attributes = GetFileAttributesW(NotesHostPath(asked).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return outcome;
    return Outcome::Refusal((attributes & FILE_ATTRIBUTE_DIRECTORY) ? IDS_REFUSED_FOLDER_EXISTS
                                                                    : IDS_REFUSED_NOTE_EXISTS);
}

// Asks for the name of a new entry of the selected folder. True with the
// entry's name and parent item when something is to be made; a name that
// cannot be one is refused with one box.
bool AskForNewEntry(const Request& request, WideString* name, HTREEITEM* parent)
{
    WideString folder;
    if (!SelectedFolderPath(&folder))
        return false;
    *parent = noteTree.selectedItem;
    *name = WideString(ResourceText(request.offeredText).c_str());
    if (AskForText(request, name) != 1)
        return false;
    const UINT refusal = EntryNameRefusal(folder.Text(), name->Text());
    if (refusal)
        ReportRefusal(refusal);
    return refusal == 0;
}

void CreateFolder()
{
    WideString name;
    HTREEITEM parent = nullptr;
    if (!AskForNewEntry(kFolderRequest, &name, &parent))
        return;
    EntryId made;
    const Outcome outcome = CreateFolderEntry(noteTree.EntryOf(parent), name.Text(), &made);
    if (!outcome.Done()) {
        ReportOutcome(NameTakenAsRefusal(outcome, noteTree.EntryOf(parent).Child(name.Text())));
        RelistAfter(outcome, parent);
        return;
    }
    // Made where the user sees it, and left unselected.
    const HTREEITEM item =
        noteTree.InsertItem(parent, name.Text(), TVI_SORT, kKindFolder, 1, TimeStamp());
    noteTree.SetEntryId(item, made);
    noteTree.ShowItem(item);
}

void CreateNoteFile()
{
    WideString name;
    HTREEITEM parent = nullptr;
    if (!AskForNewEntry(kNoteRequest, &name, &parent))
        return;
    noteEditor.Clear();
    Outcome failure;
    if (!noteEditor.CreateNote(noteTree.EntryOf(parent), name.Text(), &failure)) {
        ReportOutcome(NameTakenAsRefusal(failure, noteTree.EntryOf(parent).Child(name.Text())));
        RelistAfter(failure, parent);
        return;
    }
    const HTREEITEM item =
        noteTree.InsertItem(parent, name.Text(), TVI_SORT, kKindNote, 3, TimeStamp());
    noteTree.SetEntryId(item, noteEditor.loadedFile.id);
    noteTree.ShowItem(item);
}

// A folder's path without its closing separator.
WideString WithoutTrailingSeparator(const WideString& path)
{
    const int32_t length = path.Length();
    if (length == 0 || (path.Text()[length - 1] != L'\\' && path.Text()[length - 1] != L'/'))
        return path;
    WideString trimmed(length - 1);
    wmemcpy(const_cast<wchar_t*>(trimmed.Text()), path.Text(), length - 1);
    return trimmed;
}

void DeleteSelected()
{
    // The root stands for the notes folder itself: it is never deleted.
    HTREEITEM item = noteTree.GetSelected();
    if (!item || item == noteTree.GetRootItem())
        return;
    if (BuildSelectedPathOrRefuse() == kPathTooLong)
        return;
    // Only the entry the item was listed as, checked before anything goes;
    // links are never followed.
    const Outcome outcome = DeleteEntry(noteTree.EntryOf(item));
    if (!outcome.Done()) {
        ReportOutcome(outcome);
        RelistAfter(outcome, item);
        return;
    }
    // What was typed into a deleted note goes with it.
    noteEditor.modified = false;
    noteTree.DeleteItem(noteTree.selectedItem);
}

void StartSearch(HWND window)
{
    WideString text = LastSearchText;
    AskForText(kSearchRequest, &text);
    LastSearchText = text;
    noteTree.SelectItem(noteTree.GetRootItem());
    HTREEITEM found = noteTree.FindNext(noteTree.selectedItem, LastSearchText, true);
    if (found)
        noteTree.SelectItem(found);
    else
        MessageBoxW(window, ResourceText(IDS_NOT_FOUND).c_str(),
                    ResourceText(IDS_SEARCH_TITLE).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

void ContinueSearch(HWND window)
{
    noteTree.SelectItem(noteTree.GetRootItem());
    HTREEITEM found = noteTree.FindNext(noteTree.selectedItem, LastSearchText, false);
    if (found)
        noteTree.SelectItem(found);
    else
        MessageBoxW(window, ResourceText(IDS_NO_MORE_FOUND).c_str(),
                    ResourceText(IDS_SEARCH_TITLE).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

void SortBy(uint32_t order)
{
    noteTree.sortMode = static_cast<int32_t>(order);
    noteTree.sortOrder = order;
    noteTree.SortTree(noteTree.GetRootItem());
}

void SaveFromEditorMenu()
{
    SaveOpenNote();
}

// Opens the view's menu with its top edge at a screen point, centred on it.
void OpenMenuAt(HWND window, POINT at)
{
    HMENU menu;
    if (app.editorView) {
        menu = LoadMenuW(app.instance, MAKEINTRESOURCEW(IDM_EDITOR));
        if (!menu)
            return;
        EnableMenuItem(menu, IDM_PASTE,
                       IsClipboardFormatAvailable(CF_UNICODETEXT) ? MF_ENABLED : MF_GRAYED);
    } else {
        menu = LoadMenuW(app.instance, MAKEINTRESOURCEW(IDM_TREE));
        if (!menu)
            return;
        HTREEITEM selected = noteTree.GetSelected();
        EnableMenuItem(menu, IDM_DELETE,
                       selected == noteTree.GetRootItem() ? MF_GRAYED : MF_ENABLED);
        const UINT create = noteTree.selectedKind == kKindNote ? MF_GRAYED : MF_ENABLED;
        EnableMenuItem(menu, IDM_CREATE_FOLDER, create);
        EnableMenuItem(menu, IDM_CREATE_NOTE, create);
    }
    app.popupMenu = menu;
    if (!app.editorView)
        UpdateSortMenu();
    TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_CENTERALIGN | TPM_TOPALIGN, at.x, at.y, window,
                     nullptr);
    DestroyMenu(menu);
    app.popupMenu = nullptr;
}

void OpenMenu(HWND window, LPARAM lParam)
{
    // The handheld's window sits at the screen's corner, where the press
    // point is also a screen position; a desktop window does not, so the
    // menu opens where the press really was.
    POINT at = {LOWORD(lParam), HIWORD(lParam)};
    DWORD pos = GetMessagePos();
    if (pos != 0 || GetMessageTime() != 0) {
        at.x = static_cast<short>(LOWORD(pos));
        at.y = static_cast<short>(HIWORD(pos));
    }
    OpenMenuAt(window, at);
}

// Where a menu asked for from the keyboard opens: below the selected item's
// label in the tree view, below the caret on the page, else at the middle
// of the view.
POINT KeyboardMenuPoint(HWND window)
{
    POINT at = {app.clientWidth / 2, app.clientHeight / 2};
    HWND from = window;
    RECT label = {};
    HTREEITEM selected = noteTree.GetSelected();
    if (!app.editorView && selected) {
        if (ItemLabelRect(noteTree.controlWindow, selected, &label)) {
            at = {(label.left + label.right) / 2, label.bottom};
            from = noteTree.controlWindow;
        }
    } else if (app.editorView && noteEditor.control && GetFocus() == noteEditor.control &&
               GetCaretPos(&at)) {
        at.y += 13 * app.clientHeight / kDesignClientHeight;
        from = noteEditor.control;
    }
    ClientToScreen(from, &at);
    return at;
}

// The tree's label editor for the selected item, from the keyboard (a tap
// on the selected item does the same); the notes folder keeps its name.
void RenameSelected()
{
    HTREEITEM selected = noteTree.GetSelected();
    if (app.editorView || !selected || selected == noteTree.GetRootItem())
        return;
    SetFocus(noteTree.controlWindow);
    SendMessageW(noteTree.controlWindow, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(selected));
}

// An edit still pending here is one whose save failed and was reported:
// choosing another item tries the save again and, when it fails, keeps the
// note and its text selected; choosing again after that report goes ahead.
LRESULT OnSelectionChanging()
{
    if (!noteEditor.modified || noteTree.selectedKind != kKindNote) {
        app.selectionRefusedForNote = false;
        return FALSE;
    }
    if (app.selectionRefusedForNote) {
        app.selectionRefusedForNote = false;
        return FALSE;
    }
    if (SaveOpenNote())
        return FALSE;
    app.selectionRefusedForNote = true;
    return TRUE;
}

void OnSelectionChanged()
{
    noteEditor.Clear();
    if (BuildSelectedPathOrRefuse() != kKindNote)
        return;
    const HTREEITEM note = noteTree.GetSelected();
    noteEditor.LoadNote(noteTree.EntryOf(note));
    // A note removed a moment ago is not opened as an empty page: the box
    // says so and its folder is listed again.
    if (noteEditor.readOnlyReason.refusal == IDS_NOTE_GONE) {
        noteEditor.readOnlyExplained = true;
        ReportOutcome(noteEditor.readOnlyReason);
        RelistAfter(noteEditor.readOnlyReason, note);
        return;
    }
}


void OnLabelEdited(const NMTVDISPINFOW* info)
{
    if (!info->item.pszText)
        return;  // the edit was cancelled
    HTREEITEM item = noteTree.GetSelected();
    if (!item || item == noteTree.GetRootItem())
        return;
    noteTree.GetLabel(item);
    WideString oldLabel(noteTree.textBuffer);
    if (BuildSelectedPathOrRefuse() == kPathTooLong)
        return;
    WideString oldPath(noteTree.textBuffer);
    WideString newLabel(info->item.pszText);
    if (newLabel == oldLabel)
        return;
    // The folder the item is in (a folder's own path ends with a separator).
    WideString folder = WithoutTrailingSeparator(oldPath).DirectoryPart();
    const UINT refusal = EntryNameRefusal(folder.Text(), newLabel.Text());
    if (refusal) {
        ReportRefusal(refusal);
        return;
    }
    // A move without replacing: a rename onto an existing sibling fails and
    // leaves both entries whole.
    EntryId renamed;
    const Outcome outcome = RenameEntry(noteTree.EntryOf(item), newLabel.Text(), &renamed);
    if (!outcome.Done()) {
        noteTree.ApplySortOrder();
        // A change of case only finds its own entry under the new name.
        ReportOutcome(_wcsicmp(oldLabel.Text(), newLabel.Text()) == 0
                          ? outcome
                          : NameTakenAsRefusal(
                                outcome, noteTree.EntryOf(item).Folder().Child(newLabel.Text())));
        RelistAfter(outcome, item);
        return;
    }
    noteTree.SetLabel(item, newLabel.Text());
    noteTree.SetEntryId(item, renamed);
    noteTree.ApplySortOrder();
}

}  // namespace

AboutWindow::Host AboutHost()
{
    AboutWindow::Host host;
    host.instance = app.instance;
    host.isPocketPc = app.isPocketPc;
    host.clientWidth = &app.clientWidth;
    host.clientHeight = &app.clientHeight;
    return host;
}

void ReportTreeFailures()
{
    for (const Outcome& failure : noteTree.TakeFailures())
        ReportOutcome(failure);
}

namespace {

// The highest item on the way up from item whose entry is gone from disk
// (the item itself when only it went), or null while its entry is there.
HTREEITEM HighestGoneItem(HTREEITEM item)
{
    auto gone = [](HTREEITEM each) {
        const ItemRecord* record = noteTree.Record(each);
        if (!record || each == noteTree.GetRootItem())
            return false;
        return !EntryPresent(noteTree.EntryOf(each));
    };
    if (!gone(item))
        return nullptr;
    HTREEITEM highest = item;
    for (HTREEITEM parent = noteTree.NextItem(item, TVGN_PARENT); parent && gone(parent);
         parent = noteTree.NextItem(parent, TVGN_PARENT))
        highest = parent;
    return highest;
}

}  // namespace

void ReportSaveDetour()
{
    const SaveDetour detour = noteEditor.lastSaveDetour;
    noteEditor.lastSaveDetour = SaveDetour::None;
    if (detour == SaveDetour::None)
        return;
    HTREEITEM note = noteTree.GetSelected();
    if (!note)
        return;
    noteTree.GetLabel(note);
    const WideString name(noteTree.textBuffer);
    wchar_t format[256] = {0};
    wchar_t caption[64] = {0};
    LoadStringW(app.instance, IDS_SAVE_CAPTION, caption, 64);
    wchar_t text[1024] = {0};
    if (detour == SaveDetour::Conflict) {
        // The new note stands beside the open one, at its sorted place, or
        // in the folder that took it when the note's own was gone.
        const NoteEntry& made = noteEditor.conflictNote;
        const bool beside = made.Folder().SamePlaceAs(noteTree.EntryOf(note).Folder());
        const HTREEITEM parent = beside ? noteTree.NextItem(note, TVGN_PARENT)
                                        : noteTree.FolderItemFor(made.Folder());
        if (parent) {
            const HTREEITEM item = noteTree.InsertItem(parent, made.name.c_str(), TVI_SORT,
                                                       kKindNote, 3, TimeStamp());
            noteTree.SetEntryId(item, made.id);
        }
        // The text is safe: the note another program took away, and the
        // folders that went with it, leave the tree even while chosen.
        if (const HTREEITEM stale = HighestGoneItem(note))
            folderWatch.LetGo(stale);
        // The box names where the text is: beside the note, or from the
        // notes folder down when its folder was gone.
        const std::wstring where =
            beside ? made.name : noteTree.folderName.Text() + (L"\\" + made.ShownPath());
        LoadStringW(app.instance, beside ? IDS_SAVED_AS_CONFLICT : IDS_SAVED_IN_OTHER_FOLDER,
                    format, 256);
        swprintf(text, 1024, format, name.Text(), where.c_str());
    } else {
        LoadStringW(app.instance, IDS_NOTE_RECREATED, format, 256);
        swprintf(text, 1024, format, name.Text());
    }
    HWND owner = app.mainWindow && IsWindow(app.mainWindow) ? app.mainWindow : nullptr;
    MessageBoxW(owner, text, caption, MB_ICONEXCLAMATION | MB_OK);
}

LRESULT OnButtonDown(HWND window, WPARAM, LPARAM lParam)
{
    SHRGINFO gesture = {};
    gesture.cbSize = sizeof(gesture);
    gesture.hwndClient = window;
    gesture.ptDown.x = LOWORD(lParam);
    gesture.ptDown.y = HIWORD(lParam);
    gesture.dwFlags = SHRG_RETURNCMD;
    if (SHRecognizeGesture(&gesture) == GN_CONTEXTMENU) {
        OpenMenu(window, lParam);
        RepaintWithoutErasing(window);
        SendMessageW(window, WM_PAINT, 0, 0);
        return 0;
    }
    return OnPress(window, LOWORD(lParam), HIWORD(lParam));
}

// Shift+F10 or the menu key: the view's menu, as a tap-and-hold opens it.
// A click's own request is left alone: the press already opened the menu.
LRESULT OnContextMenu(HWND window, LPARAM lParam)
{
    if (lParam != -1 || app.popupMenu)
        return 0;
    OpenMenuAt(window, KeyboardMenuPoint(window));
    RepaintWithoutErasing(window);
    return 0;
}

bool TranslateViewKey(const MSG& message)
{
    // Shift+F10 asks for the view's menu as the menu key does; Wine's
    // default handling of F10 knows only the window menu.
    if ((message.message == WM_SYSKEYDOWN || message.message == WM_KEYDOWN) &&
        message.wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0 && !app.popupMenu &&
        !app.activeNameEntry && app.mainWindow && GetForegroundWindow() == app.mainWindow) {
        OnContextMenu(app.mainWindow, -1);
        return true;
    }
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !message.hwnd ||
        GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    const bool back = GetKeyState(VK_SHIFT) < 0;
    // Tab goes on from a note in the tree to its page; Shift+Tab comes back
    // (on the page Tab itself is a character of the note).
    const bool toPage = !back && message.hwnd == noteTree.controlWindow && !app.editorView &&
                        noteTree.selectedKind == kKindNote;
    const bool toTree = back && message.hwnd == noteEditor.control && app.editorView;
    if (!toPage && !toTree)
        return false;
    SwitchView(app.mainWindow);
    return true;
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    noteEditor.OnCommand(id, HIWORD(wParam));
    noteTree.ApplySortOrder();
    switch (id) {
    case IDM_CUT: ReportOutcome(noteEditor.Cut()); break;
    case IDM_COPY: noteEditor.Copy(); break;
    case IDM_PASTE: ReportOutcome(noteEditor.Paste()); break;
    case IDM_UNDO: ReportOutcome(noteEditor.Undo()); break;
    case IDM_CLEAR: noteEditor.Clear(); break;
    case IDM_SAVE: SaveFromEditorMenu(); break;
    case IDM_DELETE: DeleteSelected(); break;
    case IDM_CREATE_FOLDER: CreateFolder(); break;
    case IDM_CREATE_NOTE: CreateNoteFile(); break;
    case IDM_START_SEARCH: StartSearch(window); break;
    case IDM_CONTINUE_SEARCH: ContinueSearch(window); break;
    case IDM_SORT_ALPHABETICAL: SortBy(0); break;
    case IDM_SORT_BY_DATE: SortBy(1); break;
    case IDM_EXIT: SendMessageW(window, WM_CLOSE, 0, 0); break;
    case IDM_ABOUT: AboutWindow::Open(AboutHost()); break;
    case IDM_SWITCH_VIEW: SwitchView(window); break;
    case IDM_RENAME: RenameSelected(); break;
    default:
        return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
    }
    RepaintWithoutErasing(window);
    return 0;
}

LRESULT OnNotify(HWND, WPARAM wParam, LPARAM lParam)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (static_cast<int>(wParam) != IDC_TREE || !header)
        return 0;
    switch (header->code) {
    case TVN_SELCHANGINGW:
        return OnSelectionChanging();
    case TVN_SELCHANGEDW:
        OnSelectionChanged();
        // An item kept while chosen, its entry gone, goes now.
        noteTree.RefreshIfGone(reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemOld.hItem);
        break;
    case TVN_ENDLABELEDITW:
        OnLabelEdited(reinterpret_cast<const NMTVDISPINFOW*>(lParam));
        break;
    case TVN_DELETEITEMW:
        noteTree.OnItemDeleted(reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemOld.hItem);
        break;
    case NM_CUSTOMDRAW:
        return DrawTreeItem(reinterpret_cast<NMTVCUSTOMDRAW*>(lParam));
    default:
        break;
    }
    return 0;
}
