// The whole program in-process: start-up, the views, the menus and every
// command, driven with the messages a user's taps would bring.
#include "base/drawing.h"
#include "editor/note_editor.h"
#include "notes/note_names.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "skin/skin_strip.h"
#include "tree/folder_watch.h"
#include "tree/note_tree.h"

#include "support/combining_marks.h"
#include "support/editor_test_window.h"
#include "support/shell_program.h"
#include "support/tree_files.h"
#include "support/tree_host.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <random>

namespace {

const std::string kMark("\xFF\xFE", 2);

std::string Utf16(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string Bytes(const std::wstring& path)
{
    std::string bytes;
    EXPECT_TRUE(ReadBytes(path, &bytes)) << "cannot read the file";
    return bytes;
}

DWORD StoredSortOrder(bool* present)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    *present = RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kSortOrderValue, RRF_RT_ANY, &type,
                            &value, &size) == ERROR_SUCCESS &&
               type == REG_DWORD;
    return value;
}

// A point inside the side strip in the tree view (right edge of 240 x 268).
const int kStripX = 225;
const int kStripY = 100;

void SelectChild(const std::wstring& label, HTREEITEM parent = nullptr)
{
    HTREEITEM item = ItemNamed(parent ? parent : noteTree.GetRootItem(), label);
    ASSERT_NE(nullptr, item) << "no item " << std::string(label.begin(), label.end());
    noteTree.SelectItem(item);
}

std::vector<std::wstring> SortedNames(const std::wstring& folder)
{
    std::vector<std::wstring> names = NamesInFolder(folder);
    std::sort(names.begin(), names.end());
    return names;
}

void EndLabelEdit(HWND window, const wchar_t* text)
{
    NMTVDISPINFOW info = {};
    info.hdr.hwndFrom = noteTree.controlWindow;
    info.hdr.idFrom = IDC_TREE;
    info.hdr.code = TVN_ENDLABELEDITW;
    info.item.hItem = noteTree.GetSelected();
    info.item.mask = TVIF_TEXT;
    info.item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(window, WM_NOTIFY, IDC_TREE, reinterpret_cast<LPARAM>(&info));
}

// Pumps the program's messages until the test holds, for up to 20 s.
template <typename Test>
bool PumpUntil(ProgramUnderTest& program, Test test)
{
    for (int waited = 0; waited < 2000; ++waited) {
        program.Pump();
        if (test())
            return true;
        Sleep(10);
    }
    return false;
}

}  // namespace

TEST(ProgramStart, OpensInTheTreeViewWithTheRootSelectedAndTheEditorHidden)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    EXPECT_TRUE(FolderExists(program.NotesPath(L""))) << "the notes folder is made";
    EXPECT_FALSE(app.editorView);
    EXPECT_TRUE(IsWindowVisible(noteTree.controlWindow));
    EXPECT_FALSE(IsWindowVisible(noteEditor.control));
    EXPECT_EQ(noteTree.GetRootItem(), noteTree.GetSelected());
    EXPECT_EQ(0, noteTree.selectedKind);
    EXPECT_STREQ(L"\\My Documents\\ZephNotes\\", noteTree.textBuffer);
    EXPECT_TRUE(SettingsKeyGuard::SettingsKeyExists());
    EXPECT_EQ(0u, program.boxes.Count());

    const RECT client = ClientAboveBar(program.window());
    EXPECT_EQ(240, client.right) << "laid out as on the handheld";
    EXPECT_EQ(268, client.bottom);
    EXPECT_EQ(240, app.clientWidth);
    EXPECT_EQ(268, app.clientHeight);

    program.Exit();
    bool present = false;
    EXPECT_EQ(0u, StoredSortOrder(&present));
    EXPECT_TRUE(present) << "the order is written at exit";
}

TEST(ProgramStart, ASecondStartRaisesTheFirstAndEndsWithZero)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    path = path.substr(0, path.find_last_of(L"\\/")) + L"\\..\\zephnotes.exe";
    ASSERT_TRUE(FileExists(path));
    program.settings.DeleteSettingsKey();
    ShowWindow(program.window(), SW_MINIMIZE);
    program.Pump();
    ASSERT_TRUE(IsIconic(program.window()));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    DWORD waited = WAIT_TIMEOUT;
    for (int i = 0; i < 300 && waited == WAIT_TIMEOUT; ++i) {
        waited = WaitForSingleObject(process.hProcess, 100);
        program.Pump();
    }
    DWORD code = 1234;
    GetExitCodeProcess(process.hProcess, &code);
    if (waited == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the second process ends by itself";
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(SettingsKeyGuard::SettingsKeyExists()) << "it never touched the registry";
    program.Pump();
    EXPECT_FALSE(IsIconic(program.window())) << "the first window is brought back";
}

TEST(Views, TheSideStripSwitchesOnAReleaseStrictlyInside)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    ASSERT_EQ(210, sideStrip.x);
    ASSERT_EQ(30, sideStrip.drawWidth);

    program.Press(kStripX, kStripY, false);
    EXPECT_EQ(1, sideStrip.currentFrame) << "pressed frame while held";
    program.Release(150, kStripY);
    EXPECT_FALSE(app.editorView) << "released outside: no switch";
    EXPECT_EQ(0, sideStrip.currentFrame);

    program.Tap(210, kStripY);  // the border itself
    EXPECT_FALSE(app.editorView);
    program.Release(211, kStripY);  // a release one pixel in switches
    EXPECT_TRUE(app.editorView);
    EXPECT_FALSE(IsWindowVisible(noteTree.controlWindow));
    EXPECT_FALSE(IsWindowVisible(noteEditor.control)) << "a folder is selected: no editor";
    EXPECT_NE(0u, app.animationTimer);

    // In the editor view the strip is on the left.
    SendMessageW(program.window(), WM_PAINT, 0, 0);
    UpdateWindow(program.window());
    RedrawWindow(program.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(0, sideStrip.x);
    program.Tap(15, kStripY);
    EXPECT_FALSE(app.editorView);
    EXPECT_TRUE(IsWindowVisible(noteTree.controlWindow));
    EXPECT_EQ(0u, app.animationTimer) << "the switch back stops the animation";
}

TEST(Views, TheToolbarAnimatesSixFramesAndRestsOnTheSeventhTick)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    program.Tap(kStripX, kStripY);
    ASSERT_TRUE(app.editorView);
    std::vector<int> frames;
    for (int tick = 0; tick < 7; ++tick) {
        SendMessageW(program.window(), WM_TIMER, kAnimationTimerId, 0);
        frames.push_back(toolbarStrip.currentFrame);
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 6, 0}), frames);
    EXPECT_EQ(0u, app.animationTimer);

    // A switch back in the middle stops it; the next time starts from 0.
    RedrawWindow(program.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    program.Tap(15, kStripY);
    program.Tap(kStripX, kStripY);
    SendMessageW(program.window(), WM_TIMER, kAnimationTimerId, 0);
    SendMessageW(program.window(), WM_TIMER, kAnimationTimerId, 0);
    RedrawWindow(program.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    program.Tap(15, kStripY);
    EXPECT_EQ(0, toolbarStrip.currentFrame);
    EXPECT_EQ(0u, app.animationTimer);
}

TEST(Views, LeavingTheEditorSavesAnEditedNoteAndNothingElse)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"old")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"other"), kMark + Utf16(L"keep")));
    ASSERT_TRUE(program.Start());
    SelectChild(L"note");
    EXPECT_STREQ(L"old", noteEditor.text);

    program.Tap(kStripX, kStripY);
    ASSERT_TRUE(app.editorView);
    EXPECT_TRUE(IsWindowVisible(noteEditor.control));
    RedrawWindow(program.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    program.Tap(15, kStripY);  // back without an edit
    WIN32_FILE_ATTRIBUTE_DATA before = {};
    GetFileAttributesExW(program.NotesPath(L"note").c_str(), GetFileExInfoStandard, &before);
    EXPECT_EQ(kMark + Utf16(L"old"), Bytes(program.NotesPath(L"note")));

    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_SETSEL, 3, 3);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE,
                 reinterpret_cast<LPARAM>(L" и новое"));
    EXPECT_TRUE(noteEditor.modified);
    RedrawWindow(program.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    program.Tap(15, kStripY);
    EXPECT_EQ(kMark + Utf16(L"old и новое"), Bytes(program.NotesPath(L"note")));
    EXPECT_EQ(kMark + Utf16(L"keep"), Bytes(program.NotesPath(L"other")));
    EXPECT_EQ((std::vector<std::wstring>{L"note", L"other"}), SortedNames(program.NotesPath(L"")))
        << "no temporary file is left beside the note";
}

TEST(Views, ExitWritesTheOrderAndSavesTheChangedOpenNote)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"a")));
    ASSERT_TRUE(program.Start());
    SelectChild(L"note");
    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_SETSEL, 0, -1);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"b\r\nc"));
    program.Command(IDM_SORT_BY_DATE);
    program.Exit();
    EXPECT_EQ(kMark + Utf16(L"b\r\nc"), Bytes(program.NotesPath(L"note")));
    bool present = false;
    EXPECT_EQ(1u, StoredSortOrder(&present));
}

namespace {

// What the note file held when the main window began to go (its hiding).
std::string bytesWhenHidden;
std::wstring watchedNote;
HHOOK teardownHook = nullptr;

LRESULT CALLBACK WatchTeardown(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == app.mainWindow && bytesWhenHidden.empty()) {
        bool hiding = call->message == WM_WINDOWPOSCHANGING &&
                      (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_HIDEWINDOW);
        if (hiding || call->message == WM_DESTROY)
            ReadBytes(watchedNote, &bytesWhenHidden);
    }
    return CallNextHookEx(teardownHook, code, wParam, lParam);
}

// Starts the program on one note "note" holding these bytes and opens it in
// the editor.
void OpenNote(ProgramUnderTest& program, const std::string& bytes)
{
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), bytes));
    ASSERT_TRUE(program.Start());
    SelectChild(L"note");
    program.Tap(kStripX, kStripY);
}

// The same on a note holding "a", with text typed before it.
void OpenNoteAndType(ProgramUnderTest& program, const wchar_t* typed)
{
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, kMark + Utf16(L"a")));
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed));
}

// Another program holds the note open without letting it be replaced: a
// save cannot put the new text in its place. Closed when the test ends.
struct NoteHeldOpen {
    explicit NoteHeldOpen(const std::wstring& path)
        : handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~NoteHeldOpen() { CloseHandle(handle); }
    HANDLE handle;
};

}  // namespace

TEST(Views, ExitSavesTheNoteBeforeTheWindowGoes)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNoteAndType(program, L"новое"));
    // Taking the window down may take seconds; a kill meanwhile must not
    // cost the edit the user asked to keep.
    watchedNote = program.NotesPath(L"note");
    bytesWhenHidden.clear();
    teardownHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchTeardown, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, teardownHook);
    program.Exit();
    UnhookWindowsHookEx(teardownHook);
    EXPECT_EQ(kMark + Utf16(L"новоеa"), bytesWhenHidden);
    EXPECT_EQ(kMark + Utf16(L"новоеa"), Bytes(program.NotesPath(L"note")));
    EXPECT_EQ(0u, program.boxes.Count());
}

TEST(Views, ASaveThatFailsAtExitIsReportedOnceAndTheTextStaysUntilASecondExit)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNoteAndType(program, L"b"));
    NoteHeldOpen held(program.NotesPath(L"note"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.handle);
    EXPECT_FALSE(program.Exit()) << "the first exit keeps the program and the text";
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_TRUE(IsWindow(program.window()));
    EXPECT_STREQ(L"ba", noteEditor.text);
    EXPECT_TRUE(noteEditor.modified);
    EXPECT_EQ(noteEditor.control, GetFocus()) << "typing goes on once the box is gone";

    EXPECT_TRUE(program.Exit()) << "an exit after the report ends the program";
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(kMark + Utf16(L"a"), Bytes(program.NotesPath(L"note")));
    EXPECT_EQ(std::vector<std::wstring>{L"note"}, NamesInFolder(program.NotesPath(L"")));
}

TEST(Views, AnEditWhoseSaveFailedIsNotDroppedByChoosingAnotherItem)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNoteAndType(program, L"b"));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"other"), kMark + Utf16(L"o")));
    NoteHeldOpen held(program.NotesPath(L"note"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.handle);
    program.Tap(15, kStripY);   // leaving the editor tries the save
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_STREQ(L"ba", noteEditor.text);

    HTREEITEM note = noteTree.GetSelected();
    noteTree.SelectItem(noteTree.GetRootItem());
    EXPECT_EQ(note, noteTree.GetSelected()) << "the note with its edit stays chosen";
    EXPECT_EQ(2u, program.boxes.Count()) << "the save tried again says why it failed";
    EXPECT_STREQ(L"ba", noteEditor.text);

    // Chosen again after that report, the other item opens.
    noteTree.SelectItem(noteTree.GetRootItem());
    EXPECT_EQ(noteTree.GetRootItem(), noteTree.GetSelected());
    EXPECT_EQ(2u, program.boxes.Count());
    EXPECT_STREQ(L"", noteEditor.text);
}

TEST(Views, ANoteHoldingAZeroUnitShowsAllItsTextAndSaysWhyItCannotChange)
{
    ProgramUnderTest program;
    const std::string bytes = kMark + Utf16(std::wstring(L"before\0after", 12));
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, bytes));
    wchar_t shown[64] = {};
    GetWindowTextW(noteEditor.control, shown, 64);
    EXPECT_STREQ(L"before\xFFFD" L"after", shown);
    SendMessageW(noteEditor.control, WM_CHAR, L'x', 1);
    program.Tap(15, kStripY);
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_READ_ONLY_ZERO), program.boxes.Shown()[0].text);
    EXPECT_EQ(bytes, Bytes(program.NotesPath(L"note")));
}

TEST(Views, TheEndOfASessionSavesTheOpenNote)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNoteAndType(program, L"session "));
    EXPECT_EQ(TRUE, SendMessageW(program.window(), WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(kMark + Utf16(L"session a"), Bytes(program.NotesPath(L"note")));
    SendMessageW(program.window(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(kMark + Utf16(L"session a"), Bytes(program.NotesPath(L"note")));
    EXPECT_EQ(0u, program.boxes.Count());

    // A note that cannot be saved asks the session to go on, with one box.
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"more "));
    NoteHeldOpen held(program.NotesPath(L"note"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.handle);
    EXPECT_EQ(FALSE, SendMessageW(program.window(), WM_QUERYENDSESSION, 0, 0));
    SendMessageW(program.window(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_TRUE(noteEditor.modified);
}

namespace {

// Types text at the end of the open note, a character at a time.
void TypeAtEnd(const std::wstring& typed)
{
    const int length = GetWindowTextLengthW(noteEditor.control);
    SendMessageW(noteEditor.control, EM_SETSEL, length, length);
    for (wchar_t c : typed)
        SendMessageW(noteEditor.control, WM_CHAR, c, 1);
}

// The names a save may give the new note for name, from the minute since
// was taken to now: "<name> (conflict YYYY-MM-DD HH-MM)", numbered from 2.
std::vector<std::wstring> ConflictNames(const std::wstring& name, const SYSTEMTIME& since,
                                        int number = 1)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::vector<std::wstring> names;
    for (const SYSTEMTIME& t : {since, now}) {
        wchar_t stamp[64];
        swprintf(stamp, 64, L" (conflict %04u-%02u-%02u %02u-%02u", t.wYear, t.wMonth, t.wDay,
                 t.wHour, t.wMinute);
        names.push_back(name + stamp + (number > 1 ? L" " + std::to_wstring(number) : L"") + L")");
    }
    return names;
}

// The one of names that is in folder, or an empty name.
std::wstring PresentOf(const std::vector<std::wstring>& names, const std::wstring& folder)
{
    for (const std::wstring& name : names)
        if (FileExists(folder + L"\\" + name))
            return name;
    return std::wstring();
}

bool Has(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

}  // namespace

TEST(ChangedElsewhere, AChangeThroughWin32StaysAndTheTextGoesToANewNoteBesideIt)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"box").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"box\\note"), kMark + Utf16(L"a")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"box\\zz"), kMark));
    ASSERT_TRUE(program.Start());
    HTREEITEM box = ItemNamed(noteTree.GetRootItem(), L"box");
    ASSERT_NO_FATAL_FAILURE(SelectChild(L"note", box));
    program.Tap(kStripX, kStripY);
    TypeAtEnd(L" mine");
    SYSTEMTIME before;
    GetLocalTime(&before);
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"box\\note"), kMark + Utf16(L"theirs")));
    program.Tap(15, kStripY);   // leaving the editor saves

    EXPECT_EQ(kMark + Utf16(L"theirs"), Bytes(program.NotesPath(L"box\\note")));
    const std::wstring conflict = PresentOf(ConflictNames(L"note", before), program.NotesPath(L"box"));
    ASSERT_FALSE(conflict.empty()) << "the text is in a new note beside it";
    EXPECT_EQ(kMark + Utf16(L"a mine"), Bytes(program.NotesPath(L"box\\" + conflict)));
    EXPECT_EQ((std::vector<std::wstring>{L"note", conflict, L"zz"}),
              SortedNames(program.NotesPath(L"box")))
        << "nothing else is made and no temporary file stays";
    EXPECT_EQ((std::vector<std::wstring>{L"note", conflict, L"zz"}), ItemLabels(box))
        << "the new note is at its sorted place";
    HTREEITEM added = ItemNamed(box, conflict);
    ASSERT_NE(nullptr, noteTree.Record(added));
    EXPECT_EQ(box, noteTree.Record(added)->parent);
    EXPECT_EQ(kKindNote, noteTree.GetKind(added));

    ASSERT_EQ(1u, program.boxes.Count());
    const ShownMessageBox& shown = program.boxes.Shown()[0];
    EXPECT_EQ(L"Сохранить", shown.caption);
    EXPECT_TRUE(Has(shown.text, L"«note»") && Has(shown.text, L"«" + conflict + L"»"))
        << std::string(shown.text.begin(), shown.text.end());
    EXPECT_EQ(program.window(), shown.owner);
    EXPECT_STREQ(L"theirs", noteEditor.text) << "the open note is shown as it is now";
    EXPECT_FALSE(noteEditor.modified);

    // Typed on from there, the next save replaces the note as usual.
    program.Tap(kStripX, kStripY);
    TypeAtEnd(L"!");
    program.Exit();
    EXPECT_EQ(kMark + Utf16(L"theirs!"), Bytes(program.NotesPath(L"box\\note")));
    EXPECT_EQ(1u, program.boxes.Count());
}

TEST(ChangedElsewhere, AChangeOnTheUnixSideIsFoundEvenWithItsSizeAndTimeKept)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "the Unix side is Wine's";
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, kMark + Utf16(L"abc")));
    TypeAtEnd(L"d");
    SYSTEMTIME before;
    GetLocalTime(&before);
    // The first conflict names of this minute and the next are taken.
    for (const std::wstring& taken : ConflictNames(L"note", before))
        ASSERT_TRUE(WriteBytes(program.NotesPath(taken), kMark + Utf16(L"taken")));
    ASSERT_TRUE(WriteBytesOnUnixSide(program.NotesPath(L"note"), kMark + Utf16(L"xyz"),
                                     UnixWrite::InPlaceKeepingTime));
    program.Command(IDM_SAVE);

    EXPECT_EQ(kMark + Utf16(L"xyz"), Bytes(program.NotesPath(L"note")));
    const std::wstring conflict =
        PresentOf(ConflictNames(L"note", before, 2), program.NotesPath(L""));
    ASSERT_FALSE(conflict.empty()) << "numbered when the name is taken";
    EXPECT_EQ(kMark + Utf16(L"abcd"), Bytes(program.NotesPath(conflict)));
    for (const std::wstring& taken : ConflictNames(L"note", before))
        EXPECT_EQ(kMark + Utf16(L"taken"), Bytes(program.NotesPath(taken)));
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_STREQ(L"xyz", noteEditor.text);

    // A note written again by renaming a new file over it.
    TypeAtEnd(L"2");
    ASSERT_TRUE(WriteBytesOnUnixSide(program.NotesPath(L"note"), kMark + Utf16(L"xyz3"),
                                     UnixWrite::ByRename));
    program.Tap(15, kStripY);
    EXPECT_EQ(kMark + Utf16(L"xyz3"), Bytes(program.NotesPath(L"note")));
    EXPECT_FALSE(PresentOf(ConflictNames(L"note", before, 3), program.NotesPath(L"")).empty());
    EXPECT_EQ(2u, program.boxes.Count());

    // A note named on another system, reached by its short name: the new
    // note is named after its own name, made usable.
    ASSERT_TRUE(RunInUnixFolder(program.NotesPath(L""), "printf '\\377\\376h\\000' > 'why?'"));
    program.Exit();
    UnregisterClassW(L"ZEPHNOTES", GetModuleHandleW(nullptr));
    ASSERT_TRUE(program.Start());
    ASSERT_NO_FATAL_FAILURE(SelectChild(L"why?"));
    program.Tap(kStripX, kStripY);
    TypeAtEnd(L"i");
    GetLocalTime(&before);
    ASSERT_TRUE(RunInUnixFolder(program.NotesPath(L""), "printf '\\377\\376H\\000' > 'why?'"));
    program.Tap(15, kStripY);
    const std::wstring renamed = PresentOf(ConflictNames(L"why_", before), program.NotesPath(L""));
    ASSERT_FALSE(renamed.empty());
    EXPECT_EQ(kMark + Utf16(L"hi"), Bytes(program.NotesPath(renamed)));
    EXPECT_TRUE(RunInUnixFolder(program.NotesPath(L""),
                                "test \"$(od -An -tx1 'why?' | tr -d ' \\n')\" = fffe4800"));
    EXPECT_NE(nullptr, ItemNamed(noteTree.GetRootItem(), renamed));
    ASSERT_EQ(3u, program.boxes.Count());
    EXPECT_TRUE(Has(program.boxes.Shown()[2].text, L"«why?»"));
}

TEST(ChangedElsewhere, ANoteDeletedElsewhereIsMadeAgainWithTheTextAndTheBoxSaysSo)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNoteAndType(program, L"kept "));
    ASSERT_TRUE(DeleteFileW(program.NotesPath(L"note").c_str()));
    noteTree.SelectItem(noteTree.GetRootItem());   // choosing another item saves
    EXPECT_EQ(noteTree.GetRootItem(), noteTree.GetSelected());
    EXPECT_EQ(kMark + Utf16(L"kept a"), Bytes(program.NotesPath(L"note")));
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(L"Сохранить", program.boxes.Shown()[0].caption);
    EXPECT_TRUE(Has(program.boxes.Shown()[0].text, L"«note»"));
    EXPECT_FALSE(Has(program.boxes.Shown()[0].text, L"conflict"));
    EXPECT_EQ(std::vector<std::wstring>{L"note"}, NamesInFolder(program.NotesPath(L"")));

    if (RunningUnderWine()) {
        ASSERT_NO_FATAL_FAILURE(SelectChild(L"note"));
        program.Tap(kStripX, kStripY);
        TypeAtEnd(L"again");
        ASSERT_TRUE(DeleteOnUnixSide(program.NotesPath(L"note")));
        program.Exit();
        EXPECT_EQ(kMark + Utf16(L"kept aagain"), Bytes(program.NotesPath(L"note")));
        EXPECT_EQ(2u, program.boxes.Count());
    }
}

TEST(ChangedElsewhere, AnUnchangedOpenNoteIsShownAgainOnlyWhenNothingWasTypedHere)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, kMark + Utf16(L"one")));
    program.Tap(15, kStripY);
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"two")));
    program.Tap(kStripX, kStripY);
    EXPECT_STREQ(L"two", noteEditor.text) << "entering the editor shows the change";
    EXPECT_EQ(L"two", ControlText(noteEditor.control));

    if (RunningUnderWine()) {
        ASSERT_TRUE(WriteBytesOnUnixSide(program.NotesPath(L"note"), kMark + Utf16(L"three"),
                                         UnixWrite::InPlace));
        SendMessageW(program.window(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_STREQ(L"three", noteEditor.text) << "coming to the front shows the change";
    }
    const std::string shown = Bytes(program.NotesPath(L"note"));

    // Typed text is never replaced by a change elsewhere: the save keeps both.
    TypeAtEnd(L"+");
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"four")));
    SendMessageW(program.window(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(noteEditor.modified);
    EXPECT_EQ(shown.substr(2), Utf16(noteEditor.text).substr(0, shown.size() - 2));
    EXPECT_EQ(0u, program.boxes.Count());

    // The same bytes written again with a new time are the same note.
    program.Command(IDM_SAVE);
    ASSERT_EQ(1u, program.boxes.Count());
    TypeAtEnd(L"five");
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"four")));
    HANDLE touched = CreateFileW(program.NotesPath(L"note").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const FILETIME old = FileTimeOfYear(2001);
    EXPECT_TRUE(SetFileTime(touched, nullptr, nullptr, &old));
    CloseHandle(touched);
    program.Tap(15, kStripY);
    EXPECT_EQ(kMark + Utf16(L"fourfive"), Bytes(program.NotesPath(L"note")));
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(2u, NamesInFolder(program.NotesPath(L"")).size());
}

namespace {

// Another program's edit of a note, as another editor makes it: the note
// read, a token added at its end, the whole written back (through Win32,
// or on the Unix side in place or by renaming a new file over it).
bool WriteElsewhere(const std::wstring& path, const std::wstring& token, int how)
{
    std::string bytes;
    if (!ReadBytes(path, &bytes))
        return false;
    bytes += Utf16(token);
    if (how == 0 || !RunningUnderWine())
        return WriteBytes(path, bytes);
    return WriteBytesOnUnixSide(path, bytes, how == 1 ? UnixWrite::InPlace : UnixWrite::ByRename);
}

// Every note of the folder, as text.
std::vector<std::wstring> FolderTexts(const std::wstring& folder)
{
    std::vector<std::wstring> texts;
    for (const std::wstring& name : NamesInFolder(folder)) {
        std::string bytes;
        ReadBytes(folder + L"\\" + name, &bytes);
        std::wstring text(bytes.size() / 2, L'\0');
        memcpy(&text[0], bytes.data(), text.size() * 2);
        texts.push_back(text);
    }
    return texts;
}

}  // namespace

// Random interleavings of the user's edits, typed into the editor and saved
// by leaving the editor, choosing another note, "Сохранить" or exit, with
// other programs' edits of the same notes before, during and after them.
// Every edit made on either side leaves a token that must still be in some
// note at the end: in the note itself or in the new note a save made.
TEST(ChangedElsewhere, NoEditIsLostInRandomInterleavingsWithOutsideWrites)
{
    const int kRounds = 240;
    const int kNotes = 6;
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    std::vector<std::wstring> notes;
    for (int i = 0; i < kNotes; ++i) {
        notes.push_back(L"n" + std::to_wstring(i));
        ASSERT_TRUE(WriteBytes(program.NotesPath(notes.back()), kMark));
    }
    ASSERT_TRUE(program.Start());
    std::mt19937 random(20261207);
    auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
    std::vector<std::wstring> tokens;
    int userEdits = 0;
    int outsideWrites = 0;
    int open = -1;
    auto outsideWrite = [&](int percentOpen) {
        const int note = open >= 0 && chance(percentOpen) ? open : random() % kNotes;
        const std::wstring token = L"o" + std::to_wstring(outsideWrites++) + L" ";
        // One write in three is made on the Unix side.
        const int how = static_cast<int>(random() % 6);
        ASSERT_TRUE(WriteElsewhere(program.NotesPath(notes[note]), token, how < 4 ? 0 : how - 3));
        tokens.push_back(token);
    };
    for (int round = 0; round < kRounds; ++round) {
        const int chosen = random() % kNotes;
        if (chosen != open) {
            ASSERT_NO_FATAL_FAILURE(SelectChild(notes[chosen]));
            open = chosen;
        }
        if (chance(30)) {
            ASSERT_NO_FATAL_FAILURE(outsideWrite(50));
        }
        if (!app.editorView)
            program.Tap(kStripX, kStripY);
        if (chance(25))
            SendMessageW(program.window(), WM_ACTIVATE, WA_ACTIVE, 0);
        if (chance(40)) {
            ASSERT_NO_FATAL_FAILURE(outsideWrite(60));
        }
        const std::wstring token = L"u" + std::to_wstring(userEdits++) + L" ";
        TypeAtEnd(token);
        tokens.push_back(token);
        if (chance(50)) {
            ASSERT_NO_FATAL_FAILURE(outsideWrite(70));
        }
        const int save = random() % 8;
        switch (save) {
        case 0:
            ASSERT_TRUE(program.Exit());
            UnregisterClassW(L"ZEPHNOTES", GetModuleHandleW(nullptr));
            ASSERT_TRUE(program.Start());
            open = -1;
            break;
        case 1:
        case 2:
            program.Command(IDM_SAVE);
            break;
        case 3:
        case 4:
        case 5:
            RedrawWindow(program.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            program.Tap(15, kStripY);
            break;
        default:
            open = (open + 1 + random() % (kNotes - 1)) % kNotes;
            ASSERT_NO_FATAL_FAILURE(SelectChild(notes[open]));
            break;
        }
        ASSERT_FALSE(noteTree.selectedKind == kKindNote && noteEditor.modified) << "round " << round << ", save " << save << ": the save went through";
        std::vector<std::wstring> labels = ItemLabels(noteTree.GetRootItem());
        std::sort(labels.begin(), labels.end());
        ASSERT_EQ(SortedNames(program.NotesPath(L"")), labels)
            << "round " << round << ": the tree shows every note";
    }
    const std::vector<std::wstring> texts = FolderTexts(program.NotesPath(L""));
    int lost = 0;
    for (const std::wstring& token : tokens) {
        bool found = false;
        for (const std::wstring& text : texts)
            found = found || Has(text, token);
        if (!found) {
            ++lost;
            ADD_FAILURE() << "lost: " << std::string(token.begin(), token.end());
        }
    }
    const size_t newNotes = NamesInFolder(program.NotesPath(L"")).size() - kNotes;
    size_t errors = 0;
    for (const ShownMessageBox& box : program.boxes.Shown())
        errors += box.caption == L"Error";
    std::cout << "[ FIGURES  ] edits lost to outside changes: " << lost << " of " << userEdits
              << " user edits and " << outsideWrites << " outside writes in " << kRounds
              << " random interleavings; " << newNotes << " saves went to a new note beside"
              << std::endl;
    EXPECT_EQ(0, lost);
    EXPECT_EQ(newNotes, program.boxes.Count() - errors) << "one box for each";
    EXPECT_EQ(0u, errors);
    EXPECT_GT(newNotes, 0u) << "the run met other programs' changes";
}

TEST(Menus, TheTreeMenuGreysDeleteForTheRootAndCreationForANote)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark));
    ASSERT_TRUE(program.Start());

    OpenedMenu atRoot = program.HoldAndChoose(0);
    ASSERT_TRUE(atRoot.Has(IDM_DELETE));
    EXPECT_TRUE(atRoot.IsGreyed(IDM_DELETE));
    EXPECT_FALSE(atRoot.IsGreyed(IDM_CREATE_FOLDER));
    EXPECT_EQ(nullptr, app.popupMenu) << "the menu is gone once closed";

    SelectChild(L"note");
    OpenedMenu atNote = program.HoldAndChoose(0);
    EXPECT_FALSE(atNote.IsGreyed(IDM_DELETE));
    ASSERT_TRUE(atNote.Has(IDM_CREATE_FOLDER)) << "the sub-menu opened";
    EXPECT_TRUE(atNote.IsGreyed(IDM_CREATE_FOLDER));
    EXPECT_TRUE(atNote.IsGreyed(IDM_CREATE_NOTE));
    EXPECT_EQ(noteTree.GetSelected(), ItemNamed(noteTree.GetRootItem(), L"note"))
        << "the hold does not move the selection";
}

TEST(Menus, TheEditorMenuGreysPasteWithoutTextOnTheClipboard)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(OpenClipboard(program.window()));
    EmptyClipboard();
    CloseClipboard();
    program.Tap(kStripX, kStripY);
    ASSERT_TRUE(app.editorView);
    OpenedMenu empty = program.HoldAndChoose(0);
    ASSERT_TRUE(empty.Has(IDM_PASTE)) << "opens even with the editor hidden";
    EXPECT_TRUE(empty.IsGreyed(IDM_PASTE));
    EXPECT_FALSE(empty.IsGreyed(IDM_CUT));

    ASSERT_TRUE(OpenClipboard(program.window()));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 8);
    wmemcpy(static_cast<wchar_t*>(GlobalLock(text)), L"abc", 4);
    GlobalUnlock(text);
    SetClipboardData(CF_UNICODETEXT, text);
    CloseClipboard();
    OpenedMenu full = program.HoldAndChoose(0);
    EXPECT_FALSE(full.IsGreyed(IDM_PASTE));
}

TEST(Menus, ChoosingByDateSortsTheWholeTreeAndGreysItself)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(MakeNote(program.NotesPath(L"a new"), 2024));
    ASSERT_TRUE(MakeNote(program.NotesPath(L"b old"), 2001));
    ASSERT_TRUE(MakeFolder(program.NotesPath(L"c")));
    ASSERT_TRUE(MakeNote(program.NotesPath(L"c\\x new"), 2023));
    ASSERT_TRUE(MakeNote(program.NotesPath(L"c\\y old"), 2002));
    ASSERT_TRUE(SetFolderYear(program.NotesPath(L"c"), 2010));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();
    EXPECT_EQ((std::vector<std::wstring>{L"a new", L"b old", L"c"}), ItemLabels(root));

    OpenedMenu before = program.HoldAndChoose(IDM_SORT_BY_DATE);
    EXPECT_TRUE(before.IsGreyed(IDM_SORT_ALPHABETICAL));
    EXPECT_FALSE(before.IsGreyed(IDM_SORT_BY_DATE));
    EXPECT_EQ(1u, noteTree.sortOrder);
    EXPECT_EQ((std::vector<std::wstring>{L"b old", L"c", L"a new"}), ItemLabels(root));
    EXPECT_EQ((std::vector<std::wstring>{L"y old", L"x new"}),
              ItemLabels(ItemNamed(root, L"c")));

    OpenedMenu after = program.HoldAndChoose(0);
    EXPECT_TRUE(after.IsGreyed(IDM_SORT_BY_DATE));
    EXPECT_FALSE(after.IsGreyed(IDM_SORT_ALPHABETICAL));
}

TEST(Commands, CreateFolderAndNoteGoToTheirAlphabeticalPlaceUnselected)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"a"), kMark));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"c"), kMark));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();

    program.AnswerNameEntry(L"b folder", IDOK);
    program.HoldAndChoose(IDM_CREATE_FOLDER);
    ASSERT_EQ(1u, program.nameEntryCaptions.size());
    EXPECT_EQ(L"Каталог:", program.nameEntryCaptions[0]);
    EXPECT_EQ(L"Каталог", program.nameEntryTexts[0]);
    EXPECT_TRUE(FolderExists(program.NotesPath(L"b folder")));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b folder", L"c"}), ItemLabels(root));
    EXPECT_EQ(root, noteTree.GetSelected()) << "the new item is not selected";
    EXPECT_EQ(0, noteTree.GetKind(ItemNamed(root, L"b folder")));

    program.AnswerNameEntry(L"bb note", IDOK);
    program.HoldAndChoose(IDM_CREATE_NOTE);
    ASSERT_EQ(2u, program.nameEntryCaptions.size());
    EXPECT_EQ(L"Файл:", program.nameEntryCaptions[1]);
    EXPECT_EQ(L"Файл", program.nameEntryTexts[1]);
    EXPECT_EQ(kMark, Bytes(program.NotesPath(L"bb note")));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b folder", L"bb note", L"c"}),
              ItemLabels(root));
    EXPECT_EQ(2, noteTree.GetKind(ItemNamed(root, L"bb note")));

    // OK without typing keeps the offered name.
    program.AnswerNameEntry(L"", IDOK, true);
    program.Command(IDM_CREATE_NOTE);
    EXPECT_EQ(kMark, Bytes(program.NotesPath(L"Файл")));
    EXPECT_EQ(0u, program.boxes.Count());
}

// Whether the item is drawn inside the control's client area now.
bool InView(HTREEITEM item)
{
    // The item goes in where the rectangle comes back.
    RECT place = {};
    std::memcpy(&place, &item, sizeof(item));
    if (!SendMessageW(noteTree.controlWindow, TVM_GETITEMRECT, TRUE,
                      reinterpret_cast<LPARAM>(&place)))
        return false;
    RECT client;
    GetClientRect(noteTree.controlWindow, &client);
    return place.top >= client.top && place.bottom <= client.bottom;
}

bool Expanded(HTREEITEM item)
{
    return ItemExpanded(noteTree.controlWindow, item);
}

TEST(Commands, ANewNoteIsMadeInSightItsFolderOpenedAndScrolledTo)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"Дом").c_str(), nullptr));
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(WriteBytes(program.NotesPath(L"note " + std::to_wstring(100 + i)), kMark));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();
    ASSERT_FALSE(Expanded(root)) << "the root starts closed";

    // The root opens and the list scrolls to the new note, at the bottom,
    // past the fortieth note.
    program.AnswerNameEntry(L"zz", IDOK);
    program.HoldAndChoose(IDM_CREATE_NOTE);
    HTREEITEM made = ItemNamed(root, L"zz");
    ASSERT_NE(nullptr, made);
    EXPECT_TRUE(Expanded(root));
    EXPECT_TRUE(InView(made));
    EXPECT_FALSE(InView(ItemNamed(root, L"Дом"))) << "scrolled down to it";
    EXPECT_EQ(root, noteTree.GetSelected()) << "the new note is not selected";
    EXPECT_EQ(0u, program.boxes.Count());
}

TEST(Commands, CreatingAnExistingNameShowsOneErrorAndAddsNothing)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"taken").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"text")));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();

    // Foreseeable, so said in the program's words, by what holds the name.
    program.AnswerNameEntry(L"taken", IDOK);
    program.Command(IDM_CREATE_FOLDER);
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(L"Error", program.boxes.Shown()[0].caption);
    EXPECT_EQ(RefusalText(IDS_REFUSED_FOLDER_EXISTS), program.boxes.Shown()[0].text);
    // Modal to the main window: no tap reaches the skin while it is up.
    EXPECT_EQ(program.window(), program.boxes.Shown()[0].owner);
    EXPECT_FALSE(program.boxes.Shown()[0].ownerEnabled);

    program.AnswerNameEntry(L"note", IDOK);
    program.Command(IDM_CREATE_NOTE);
    ASSERT_EQ(2u, program.boxes.Count());
    EXPECT_EQ(L"Error", program.boxes.Shown()[1].caption);
    EXPECT_EQ(RefusalText(IDS_REFUSED_NOTE_EXISTS), program.boxes.Shown()[1].text);
    EXPECT_EQ(kMark + Utf16(L"text"), Bytes(program.NotesPath(L"note")));
    program.AnswerNameEntry(L"taken", IDOK);
    program.Command(IDM_CREATE_NOTE);
    ASSERT_EQ(3u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_FOLDER_EXISTS), program.boxes.Shown()[2].text);
    EXPECT_TRUE(FolderExists(program.NotesPath(L"taken")));
    EXPECT_EQ((std::vector<std::wstring>{L"note", L"taken"}), ItemLabels(root));

    // Cancel creates nothing and shows nothing.
    program.AnswerNameEntry(L"never", IDCANCEL);
    program.Command(IDM_CREATE_FOLDER);
    EXPECT_FALSE(FolderExists(program.NotesPath(L"never")));
    EXPECT_EQ(3u, program.boxes.Count());
}

TEST(Commands, NamesThatLeaveTheFolderOrMakeUnusableFilesAreRefused)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(program.Start());
    const std::wstring names[] = {
        L"",        L".",    L"..",    L"..\\x",  L"a/b",    L"a\\b",     L"c:d",     L"a*b",
        L"a?b",     L"a\"b", L"a<b",   L"a>b",    L"a|b",    L"tab\there",
        L"CON",     L"nul",  L"nul.txt", L"COM1", L"LPT1",   L"CONIN$",   L"dot.",    L"space ",
    };
    size_t expectedBoxes = 0;
    for (const std::wstring& name : names) {
        program.AnswerNameEntry(name, IDOK);
        program.Command(IDM_CREATE_FOLDER);
        program.AnswerNameEntry(name, IDOK);
        program.Command(IDM_CREATE_NOTE);
        expectedBoxes += 2;
        ASSERT_EQ(expectedBoxes, program.boxes.Count())
            << "one Error box each for " << std::string(name.begin(), name.end());
        // Each says why in the program's own words, not the system's.
        EXPECT_EQ(RefusalText(NameRefusal(name.c_str())), program.boxes.Shown().back().text);
    }
    EXPECT_TRUE(ItemLabels(noteTree.GetRootItem()).empty());
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((program.docs.Path() + L"\\*").c_str(), &entry);
    int entries = 0;
    do {
        if (wcscmp(entry.cFileName, L".") && wcscmp(entry.cFileName, L".."))
            ++entries;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    EXPECT_EQ(1, entries) << "nothing beside the notes folder";
}

TEST(Commands, DeleteRemovesAFolderWithItsContentsWithoutAskingButNeverTheRoot)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"gone").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"gone\\inner").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"gone\\inner\\n"), kMark));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"stays"), kMark));
    ASSERT_TRUE(program.Start());

    program.Command(IDM_DELETE);  // the root is selected
    EXPECT_TRUE(FolderExists(program.NotesPath(L"")));
    EXPECT_TRUE(FolderExists(program.NotesPath(L"gone")));
    EXPECT_NE(nullptr, noteTree.GetRootItem());

    SelectChild(L"gone");
    program.HoldAndChoose(IDM_DELETE);
    EXPECT_FALSE(FolderExists(program.NotesPath(L"gone")));
    EXPECT_TRUE(FileExists(program.NotesPath(L"stays")));
    EXPECT_EQ((std::vector<std::wstring>{L"stays"}), ItemLabels(noteTree.GetRootItem()));
    EXPECT_EQ(0u, program.boxes.Count());

    SelectChild(L"stays");
    program.Command(IDM_DELETE);
    EXPECT_FALSE(FileExists(program.NotesPath(L"stays")));
    EXPECT_TRUE(ItemLabels(noteTree.GetRootItem()).empty());
}

TEST(Commands, ADeleteNeverFollowsAFolderLinkOutOfTheNotesFolder)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "folder links are made from the Unix side";
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"holder").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.docs.HostPath(L"outside").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.docs.HostPath(L"outside\\sentinel"), "keep"));
    ASSERT_TRUE(MakeUnixFolderLink(program.docs.HostPath(L"outside"),
                                   program.NotesPath(L"holder\\link")));
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"holder\\note"), kMark));
    // The folder is listed again for the new note; the link stays shown and
    // is never entered, whatever changes behind it.
    HTREEITEM holderItem = ItemNamed(noteTree.GetRootItem(), L"holder");
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemNamed(holderItem, L"note") != nullptr; }));
    ASSERT_TRUE(WriteBytes(program.docs.HostPath(L"outside\\more"), "x"));
    for (int i = 0; i < 50; ++i, Sleep(10))
        program.Pump();
    EXPECT_TRUE(ItemLabels(ItemNamed(holderItem, L"link")).empty());
    EXPECT_EQ(L"", RecordDisagreement());
    SelectChild(L"holder");
    program.Command(IDM_DELETE);
    std::string sentinel;
    EXPECT_TRUE(ReadBytes(program.docs.HostPath(L"outside\\sentinel"), &sentinel));
    EXPECT_EQ("keep", sentinel);
    // Wine cannot remove a folder link without reaching its target: the
    // delete is refused whole, with one box, and the folder keeps its note.
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_LINK_REMOVE), program.boxes.Shown()[0].text);
    EXPECT_TRUE(FileExists(program.NotesPath(L"holder\\note")));
    EXPECT_NE(nullptr, ItemNamed(noteTree.GetRootItem(), L"holder"));

    // Neither is anything made or renamed through the link.
    HTREEITEM holder = ItemNamed(noteTree.GetRootItem(), L"holder");
    SelectChild(L"link", holder);
    program.AnswerNameEntry(L"made", IDOK);
    program.Command(IDM_CREATE_NOTE);
    EXPECT_FALSE(FileExists(program.docs.HostPath(L"outside\\made")));
    ASSERT_EQ(2u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_LINK_INSIDE), program.boxes.Shown()[1].text);
    EndLabelEdit(program.window(), L"moved");
    EXPECT_TRUE(FolderExists(program.docs.HostPath(L"outside")));
    EXPECT_FALSE(FolderExists(program.NotesPath(L"holder\\moved")));
    ASSERT_EQ(3u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_LINK_RENAME), program.boxes.Shown()[2].text);
    program.Command(IDM_DELETE);
    EXPECT_TRUE(FileExists(program.docs.HostPath(L"outside\\sentinel")));
}

TEST(Commands, NothingOutsideIsDeletedRenamedOrWrittenThroughALinkToAFile)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "links are made from the Unix side";
    ProgramUnderTest program;
    const std::string outside = kMark + Utf16(L"outside");
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"holder").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"holder\\note"), kMark));
    ASSERT_TRUE(WriteBytes(program.docs.HostPath(L"outside.txt"), outside));
    ASSERT_TRUE(MakeUnixFolderLink(program.docs.HostPath(L"outside.txt"),
                                   program.NotesPath(L"link")));
    ASSERT_TRUE(MakeUnixFolderLink(program.docs.HostPath(L"outside.txt"),
                                   program.NotesPath(L"holder\\inner")));
    ASSERT_TRUE(program.Start());

    SelectChild(L"link");
    program.Command(IDM_DELETE);
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_LINK_DELETE), program.boxes.Shown()[0].text);
    EXPECT_EQ(outside, Bytes(program.docs.HostPath(L"outside.txt")));
    EndLabelEdit(program.window(), L"moved");
    ASSERT_EQ(2u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_LINK_RENAME), program.boxes.Shown()[1].text);
    EXPECT_EQ(outside, Bytes(program.docs.HostPath(L"outside.txt")));
    EXPECT_FALSE(FileExists(program.NotesPath(L"moved")));

    // A folder holding such a link is not deleted at all.
    SelectChild(L"holder");
    program.Command(IDM_DELETE);
    ASSERT_EQ(3u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_REFUSED_LINK_DELETE), program.boxes.Shown()[2].text);
    EXPECT_EQ(outside, Bytes(program.docs.HostPath(L"outside.txt")));
    EXPECT_TRUE(FileExists(program.NotesPath(L"holder\\note")));

    // Saving puts a note of its own in the link's place; the outside file
    // stays as it was.
    SelectChild(L"link");
    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"new "));
    program.Tap(15, kStripY);
    EXPECT_EQ(kMark + Utf16(L"new outside"), Bytes(program.NotesPath(L"link")));
    EXPECT_EQ(outside, Bytes(program.docs.HostPath(L"outside.txt")));
    EXPECT_EQ(3u, program.boxes.Count());
}

TEST(Commands, RenamesOnDiskAndRestoresTheLabelWhenItCannot)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"first"), kMark + Utf16(L"1")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"second"), kMark + Utf16(L"2")));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();

    EndLabelEdit(program.window(), L"renamed");  // the root keeps its name
    EXPECT_TRUE(FolderExists(program.NotesPath(L"")));
    noteTree.GetLabel(root);
    EXPECT_STREQ(L"ZephNotes", noteTree.textBuffer);

    SelectChild(L"first");
    EndLabelEdit(program.window(), L"first");  // its own name: nothing happens
    EXPECT_EQ(0u, program.boxes.Count());

    EndLabelEdit(program.window(), L"third");
    EXPECT_FALSE(FileExists(program.NotesPath(L"first")));
    EXPECT_EQ(kMark + Utf16(L"1"), Bytes(program.NotesPath(L"third")));
    EXPECT_EQ((std::vector<std::wstring>{L"second", L"third"}), ItemLabels(root));

    // A change of letter case only is a rename on disk like any other.
    EndLabelEdit(program.window(), L"Third");
    EXPECT_EQ(0u, program.boxes.Count());
    EXPECT_EQ((std::vector<std::wstring>{L"Third", L"second"}), SortedNames(program.NotesPath(L"")));
    EXPECT_EQ(kMark + Utf16(L"1"), Bytes(program.NotesPath(L"Third")));
    EndLabelEdit(program.window(), L"third");
    EXPECT_EQ((std::vector<std::wstring>{L"second", L"third"}), SortedNames(program.NotesPath(L"")));

    // Onto an existing sibling: refused, both files whole, old label back.
    EndLabelEdit(program.window(), L"second");
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(L"Error", program.boxes.Shown()[0].caption);
    EXPECT_EQ(RefusalText(IDS_REFUSED_NOTE_EXISTS), program.boxes.Shown()[0].text);
    EXPECT_EQ(kMark + Utf16(L"1"), Bytes(program.NotesPath(L"third")));
    EXPECT_EQ(kMark + Utf16(L"2"), Bytes(program.NotesPath(L"second")));
    EXPECT_EQ((std::vector<std::wstring>{L"second", L"third"}), ItemLabels(root));

    // A name that would leave the folder, or too long for one: refused the
    // same way.
    EndLabelEdit(program.window(), L"..\\escaped");
    EXPECT_EQ(2u, program.boxes.Count());
    EndLabelEdit(program.window(), std::wstring(256, L'n').c_str());
    EXPECT_EQ(3u, program.boxes.Count());
    EndLabelEdit(program.window(), L"line\r\nbreak");
    EXPECT_EQ(4u, program.boxes.Count());
    EXPECT_FALSE(FileExists(program.docs.HostPath(L"escaped")));
    EXPECT_EQ((std::vector<std::wstring>{L"second", L"third"}), ItemLabels(root));

    // A cancelled edit carries no text and changes nothing.
    NMTVDISPINFOW cancelled = {};
    cancelled.hdr.code = TVN_ENDLABELEDITW;
    cancelled.hdr.idFrom = IDC_TREE;
    SendMessageW(program.window(), WM_NOTIFY, IDC_TREE, reinterpret_cast<LPARAM>(&cancelled));
    EXPECT_EQ(4u, program.boxes.Count());
}

// Names made on another system that the platform's calls refuse: each is
// reached through its short name, and the tree shows the real name.
TEST(Commands, NotesNamedOnAnotherSystemAreShownEditedRenamedAndDeleted)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "such names are made on the Unix side";
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(RunInUnixFolder(notes, "printf '\\377\\376h\\000i\\000' > 'what?' && "
                                       "mkdir 'a<b>' && printf '\\377\\376x\\000' > 'a<b>/in*side' && "
                                       "printf '\\377\\376d\\000' > 'ends in a dot.' && "
                                       "printf '\\377\\376p\\000' > 'pipe|quote\"' && "
                                       "mkdir back && printf 'inner' > back/slash && "
                                       "printf 'outer' > 'back\\slash' && "
                                       "mkdir 'back\\up' && printf 'deep' > 'back\\up/inside'"));
    ASSERT_TRUE(program.Start());
    EXPECT_EQ((std::vector<std::wstring>{L"a<b>", L"back", L"back\\slash", L"back\\up",
                                         L"ends in a dot.", L"pipe|quote\"", L"what?"}),
              ItemLabels(noteTree.GetRootItem()));
    SelectChild(L"inside", ItemNamed(noteTree.GetRootItem(), L"back\\up"));
    EXPECT_STREQ(L"deep", noteEditor.text) << "a note in a folder so named opens";
    EXPECT_EQ((std::vector<std::wstring>{L"in*side"}),
              ItemLabels(ItemNamed(noteTree.GetRootItem(), L"a<b>")));

    // Shown and saved through the short name; the long name stays on disk.
    SelectChild(L"what?");
    EXPECT_STREQ(L"hi", noteEditor.text);
    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_SETSEL, 2, 2);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L" там"));
    program.Tap(15, kStripY);
    EXPECT_FALSE(app.editorView);
    EXPECT_TRUE(RunInUnixFolder(notes, "test \"$(od -An -tx1 'what?' | tr -d ' \\n')\" = "
                                       "fffe680069002000420430043c04"))
        << "the note keeps its name and holds the new text";
    SelectChild(L"in*side", ItemNamed(noteTree.GetRootItem(), L"a<b>"));
    EXPECT_STREQ(L"x", noteEditor.text);
    SelectChild(L"ends in a dot.");
    EXPECT_STREQ(L"d", noteEditor.text);

    // A note made in a folder so named goes into it.
    SelectChild(L"a<b>");
    program.AnswerNameEntry(L"новая", IDOK);
    program.HoldAndChoose(IDM_CREATE_NOTE);
    EXPECT_EQ((std::vector<std::wstring>{L"in*side", L"новая"}),
              ItemLabels(ItemNamed(noteTree.GetRootItem(), L"a<b>")));
    EXPECT_TRUE(RunInUnixFolder(notes, "test $(ls 'a<b>' | wc -l) = 2"));

    // Renamed in place to a usable name, and deleted.
    SelectChild(L"pipe|quote\"");
    EndLabelEdit(program.window(), L"pipe");
    EXPECT_TRUE(RunInUnixFolder(notes, "test -f pipe && ! test -e 'pipe|quote\"'"));
    SelectChild(L"pipe");
    EXPECT_STREQ(L"p", noteEditor.text);
    SelectChild(L"ends in a dot.");
    program.HoldAndChoose(IDM_DELETE);
    EXPECT_TRUE(RunInUnixFolder(notes, "! test -e 'ends in a dot.'"));
    EXPECT_EQ((std::vector<std::wstring>{L"a<b>", L"back", L"back\\slash", L"back\\up", L"pipe",
                                         L"what?"}),
              ItemLabels(noteTree.GetRootItem()));
    EXPECT_EQ(0u, program.boxes.Count());

    // A name holding a backslash beside a folder of the name before it: each
    // is itself, the note shown, changed and deleted without touching the
    // note in the folder.
    SelectChild(L"back\\slash");
    EXPECT_STREQ(L"outer", noteEditor.text);
    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_SETSEL, 5, 5);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"!"));
    program.Tap(15, kStripY);
    EXPECT_TRUE(RunInUnixFolder(notes, "test \"$(cat 'back\\slash')\" = 'outer!' && "
                                       "test \"$(cat back/slash)\" = inner"));
    SelectChild(L"slash", ItemNamed(noteTree.GetRootItem(), L"back"));
    EXPECT_STREQ(L"inner", noteEditor.text);
    SelectChild(L"back\\slash");
    program.HoldAndChoose(IDM_DELETE);
    EXPECT_TRUE(RunInUnixFolder(notes, "! test -e 'back\\slash' && test -f back/slash"));
    EXPECT_EQ((std::vector<std::wstring>{L"a<b>", L"back", L"back\\up", L"pipe", L"what?"}),
              ItemLabels(noteTree.GetRootItem()));
    EXPECT_EQ(0u, program.boxes.Count());
}

typedef std::vector<std::wstring> Names;

size_t ChildCount(HTREEITEM item)
{
    const ItemRecord* record = noteTree.Record(item);
    return record ? record->children.size() : 0;
}

std::string Joined(const Names& names)
{
    std::string text;
    for (const std::wstring& name : names)
        text += std::string(name.begin(), name.end()) + " ";
    return text;
}

// Other programs change the notes folder while the program runs, through
// Win32 calls and on the Unix side: the tree follows, keeping the
// selection, the open note and what is expanded.
TEST(LivingFolder, TheTreeFollowsChangesMadeByOtherProgramsAndKeepsWhatTheUserHas)
{
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"b"), kMark + Utf16(L"open")));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"f").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"f\\x"), kMark));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();
    SendMessageW(noteTree.controlWindow, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    HTREEITEM f = ItemNamed(root, L"f");
    SendMessageW(noteTree.controlWindow, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(f));
    SelectChild(L"b");
    HTREEITEM b = noteTree.GetSelected();
    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed "));

    // Through Win32: new notes, a folder with a note in it, a note removed.
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"a"), kMark));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"c"), kMark));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"g").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"g\\y"), kMark));
    ASSERT_TRUE(DeleteFileW(program.NotesPath(L"f\\x").c_str()));
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir f/sub && touch f/sub/z"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        return ItemLabels(root) == Names{L"a", L"b", L"c", L"f", L"g"} && ItemLabels(f) == Names{L"sub"} &&
               ItemLabels(ItemNamed(f, L"sub")) == Names{L"z"} &&
               ItemLabels(ItemNamed(root, L"g")) == Names{L"y"};
    })) << "the tree shows what Win32 calls changed: " << Joined(ItemLabels(root)) << " / f: "
        << Joined(ItemLabels(f));

    // On the Unix side: a folder with a folder in it, a rename, a delete;
    // the open note itself is renamed away, and stays while it is open.
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir -p h/i && printf '\377\376' > h/i/z && mv c d && "
                                       "rm a && mv b b2"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        return ItemLabels(root) == Names{L"b", L"b2", L"d", L"f", L"g", L"h"} &&
               ItemLabels(ItemNamed(ItemNamed(root, L"h"), L"i")) == Names{L"z"};
    })) << "the tree shows what the Unix side changed";
    EXPECT_EQ(b, noteTree.GetSelected()) << "the selection stays";
    EXPECT_TRUE(app.editorView);
    EXPECT_EQ(std::wstring(L"typed open"), noteEditor.text);
    EXPECT_TRUE(noteEditor.modified) << "the edit is still pending";
    EXPECT_TRUE(Expanded(f)) << "what was open stays open";

    // The program's own changes are not shown twice.
    program.Tap(15, kStripY);
    SelectChild(L"g");
    program.AnswerNameEntry(L"own", IDOK);
    program.HoldAndChoose(IDM_CREATE_NOTE);
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"e"), kMark));
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemNamed(root, L"e") != nullptr; }));
    EXPECT_EQ((Names{L"own", L"y"}), ItemLabels(ItemNamed(root, L"g")));
    EXPECT_EQ((Names{L"b", L"b2", L"d", L"e", L"f", L"g", L"h"}), ItemLabels(root))
        << "the note left behind goes once it is no longer chosen";
    EXPECT_EQ(L"", RecordDisagreement());

    // A command on an item another program removed a moment ago: one box,
    // and the tree shows the folder as it is.
    SelectChild(L"d");
    ASSERT_TRUE(DeleteFileW(program.NotesPath(L"d").c_str()));
    program.boxes.Clear();
    program.HoldAndChoose(IDM_DELETE);
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(nullptr, ItemNamed(root, L"d"));
    EXPECT_NE(nullptr, ItemNamed(root, L"e")) << "the rest stays";
    EXPECT_EQ(L"", RecordDisagreement());

    // Names holding a backslash come and go like any other, beside a folder
    // of the name before it too.
    ASSERT_TRUE(RunInUnixFolder(notes, "touch 'f\\sub' 'p\\q'"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        return ItemNamed(root, L"f\\sub") && ItemNamed(root, L"p\\q");
    })) << Joined(ItemLabels(root));
    ASSERT_TRUE(RunInUnixFolder(notes, "rm 'f\\sub' && mv 'p\\q' 'p\\r'"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        return !ItemNamed(root, L"f\\sub") && !ItemNamed(root, L"p\\q") && ItemNamed(root, L"p\\r");
    })) << Joined(ItemLabels(root));
    EXPECT_EQ((Names{L"sub"}), ItemLabels(f));

    // Chosen with nothing typed, a folder another program removes goes at
    // once, with all it holds.
    SelectChild(L"h");
    ASSERT_TRUE(RunInUnixFolder(notes, "rm -r h"));
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemNamed(root, L"h") == nullptr; }))
        << Joined(ItemLabels(root));
    EXPECT_EQ(L"", RecordDisagreement());
}

// Choosing a note while the open one's save shows a box, and meanwhile
// another program removes the note being chosen: the tree follows only
// after the box, the chosen item stays a live one, and the keys go on
// moving in the tree.
TEST(LivingFolder, TheTreeChangesOnlyAfterABoxThatWasUpWhileTheChosenNoteWentAway)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    for (const wchar_t* name : {L"a", L"b", L"c"})
        ASSERT_TRUE(WriteBytes(program.NotesPath(name), kMark + Utf16(name)));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();
    SelectChild(L"a");
    program.Tap(kStripX, kStripY);
    TypeAtEnd(L" typed");
    // The save of "a" finds it gone and makes it again, which a box says;
    // the box stays up while the tree's refresh comes due.
    ASSERT_TRUE(DeleteOnUnixSide(program.NotesPath(L"a")));
    ASSERT_TRUE(DeleteOnUnixSide(program.NotesPath(L"b")));
    program.boxes.AnswerAfter(1500);
    SelectChild(L"b");
    program.boxes.AnswerAfter(0);
    // The chosen note, found gone when it opens, says so in a second box.
    ASSERT_EQ(2u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_NOTE_GONE), program.boxes.Shown()[1].text);
    HTREEITEM b = noteTree.GetSelected();
    ASSERT_NE(nullptr, noteTree.Record(b)) << "the chosen item is one the tree holds";
    EXPECT_EQ(b, ItemNamed(root, L"b"));

    // At the window's next turn the note gone goes; the keys go on.
    program.Tap(15, kStripY);
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemLabels(root) == Names{L"a", L"c"}; }))
        << Joined(ItemLabels(root));
    EXPECT_NE(nullptr, noteTree.Record(noteTree.GetSelected()));
    SendMessageW(noteTree.controlWindow, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_NE(nullptr, noteTree.Record(noteTree.GetSelected()));
    noteTree.SelectItem(ItemNamed(root, L"a"));
    SendMessageW(noteTree.controlWindow, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(ItemNamed(root, L"c"), noteTree.GetSelected());
    SendMessageW(noteTree.controlWindow, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(ItemNamed(root, L"a"), noteTree.GetSelected());
    EXPECT_EQ(kMark + Utf16(L"a typed"), Bytes(program.NotesPath(L"a")));
    EXPECT_EQ(L"", RecordDisagreement());
}

namespace {

// Stands for a watch the system gives up: every wait fails at once.
int failedWaits = 0;
BOOL WINAPI FailingChangeReader(HANDLE, void*, DWORD, BOOL, DWORD, DWORD*, OVERLAPPED*,
                                LPOVERLAPPED_COMPLETION_ROUTINE)
{
    ++failedWaits;
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

}  // namespace

// Folders renamed by another program, folders a sync tool makes under a
// temporary name and renames into place, the notes folder replaced by
// another, a watch the system gave up: the tree follows each, with what is
// made in them afterwards.
TEST(LivingFolder, TheTreeFollowsRenamedFoldersAReplacedNotesFolderAndAWatchThatFailed)
{
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"f").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"f\\x"), kMark));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();
    auto labelsOf = [&](const wchar_t* folder) {
        HTREEITEM item = ItemNamed(root, folder);
        return item ? ItemLabels(item) : Names{L"(none)"};
    };

    ASSERT_TRUE(RunInUnixFolder(notes, "mv f g"));
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemLabels(root) == Names{L"g"}; }));
    ASSERT_TRUE(RunInUnixFolder(notes, "touch g/later && mkdir .sync-tmp && touch .sync-tmp/n && "
                                       "mv .sync-tmp h"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        return ItemLabels(root) == Names{L"g", L"h"} && labelsOf(L"g") == Names{L"later", L"x"} &&
               labelsOf(L"h") == Names{L"n"};
    })) << Joined(ItemLabels(root)) << "/ g: " << Joined(labelsOf(L"g"));
    ASSERT_TRUE(RunInUnixFolder(notes, "touch h/n2 g/later2"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        return labelsOf(L"h") == Names{L"n", L"n2"} && labelsOf(L"g").size() == 3;
    })) << "what is made in a renamed folder afterwards shows: " << Joined(labelsOf(L"h"));

    // The notes folder moved away and a new one made in its place.
    ASSERT_TRUE(RunInUnixFolder(notes + L"\\..", "mv ZephNotes ZephNotes.old && mkdir ZephNotes && "
                                                  "touch ZephNotes/fresh"));
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemLabels(root) == Names{L"fresh"}; }))
        << Joined(ItemLabels(root));
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir k && touch k/in"));
    EXPECT_TRUE(PumpUntil(program, [&] { return labelsOf(L"k") == Names{L"in"}; }));

    // While the system's watch fails nothing is followed; once it works
    // again, what changed meanwhile is listed.
    SetChangeReader(FailingChangeReader);
    ASSERT_TRUE(RunInUnixFolder(notes, "touch one"));
    EXPECT_TRUE(PumpUntil(program, [&] { return failedWaits > 0; }));
    ASSERT_TRUE(RunInUnixFolder(notes, "touch two"));
    program.PumpFor(1500);
    EXPECT_EQ(nullptr, ItemNamed(root, L"two"));
    EXPECT_GT(failedWaits, 1) << "started again, and failed again";
    SetChangeReader(nullptr);
    EXPECT_TRUE(PumpUntil(program, [&] {
        return ItemLabels(root) == Names{L"fresh", L"k", L"one", L"two"};
    })) << Joined(ItemLabels(root));
    ASSERT_TRUE(RunInUnixFolder(notes, "touch three"));
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemNamed(root, L"three") != nullptr; }));
    EXPECT_EQ(L"", RecordDisagreement());
    RunInUnixFolder(notes + L"\\..", "rm -rf ZephNotes.old");
}

// A sync tool writes thousands of notes at once, into a new folder and
// beside the ones there, and takes some away: the tree ends up exact.
TEST(LivingFolder, ABurstOfThousandsOfChangesEndsWithTheTreeExact)
{
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(MakeNumberedNotes(notes, L"old", 200));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir sync && cd sync && seq -f 'n%05g' 0 7999 | xargs touch && "
                                       "cd .. && seq -f 'top%05g' 0 1999 | xargs touch && "
                                       "rm old0010*"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        HTREEITEM sync = ItemNamed(root, L"sync");
        return sync && ChildCount(sync) == 8000 && ChildCount(root) == 1 + 190 + 2000;
    })) << ChildCount(root) << " items at the top";
    EXPECT_EQ(L"", RecordDisagreement());
    const Names top = ItemLabels(root);
    EXPECT_TRUE(std::is_sorted(top.begin(), top.end())) << "each at its place";
}

TEST(Commands, SearchFindsInOrderAndSaysWhenThereIsNoMore)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"apple"), kMark + Utf16(L"A")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"pineapple"), kMark + Utf16(L"P")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"pear"), kMark));
    ASSERT_TRUE(program.Start());
    HTREEITEM root = noteTree.GetRootItem();

    program.AnswerNameEntry(L"apple", IDOK);
    program.Command(IDM_START_SEARCH);
    ASSERT_EQ(1u, program.nameEntryCaptions.size());
    EXPECT_EQ(L"Поиск:", program.nameEntryCaptions[0]);
    EXPECT_EQ(L"", program.nameEntryTexts[0]);
    EXPECT_EQ(ItemNamed(root, L"apple"), noteTree.GetSelected());
    EXPECT_STREQ(L"A", noteEditor.text) << "a found note is loaded";

    program.Command(IDM_CONTINUE_SEARCH);
    EXPECT_EQ(ItemNamed(root, L"pineapple"), noteTree.GetSelected());
    program.Command(IDM_CONTINUE_SEARCH);
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(L"Поиск", program.boxes.Shown()[0].caption);
    EXPECT_EQ(L"Больше не найдено !", program.boxes.Shown()[0].text);
    EXPECT_EQ(ExclamationIcon(), program.boxes.Shown()[0].icon);
    EXPECT_EQ(program.window(), program.boxes.Shown()[0].owner);
    EXPECT_EQ(root, noteTree.GetSelected());
    program.Command(IDM_CONTINUE_SEARCH);
    EXPECT_EQ(2u, program.boxes.Count()) << "and again";

    // Cancel keeps the previous text, and the search runs with it.
    program.AnswerNameEntry(L"ignored", IDCANCEL);
    program.Command(IDM_START_SEARCH);
    EXPECT_EQ(L"apple", program.nameEntryTexts[1]);
    EXPECT_STREQ(L"apple", LastSearchText.Text());
    EXPECT_EQ(ItemNamed(root, L"apple"), noteTree.GetSelected());

    program.AnswerNameEntry(L"Apple", IDOK);  // case matters
    program.Command(IDM_START_SEARCH);
    ASSERT_EQ(3u, program.boxes.Count());
    EXPECT_EQ(L"Не найдено !", program.boxes.Shown()[2].text);
    EXPECT_EQ(root, noteTree.GetSelected());
}

TEST(Commands, EditorMenuCommandsActOnTheNote)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(L"hello")));
    ASSERT_TRUE(program.Start());
    SelectChild(L"note");
    program.Tap(kStripX, kStripY);

    // "Очистить" then "Сохранить", both chosen from the editor menu.
    program.HoldAndChoose(IDM_CLEAR);
    EXPECT_STREQ(L"", noteEditor.text);
    EXPECT_TRUE(noteEditor.modified);
    program.HoldAndChoose(IDM_SAVE);
    EXPECT_EQ(kMark, Bytes(program.NotesPath(L"note")));
    EXPECT_FALSE(noteEditor.modified);
}

TEST(Commands, AnUnknownCommandGoesToTheDefaultProcedure)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    // "Помощь" only drops down its menu; as a command it changes nothing.
    program.Command(40001);
    EXPECT_EQ(0u, program.boxes.Count());
    EXPECT_TRUE(IsWindow(program.window()));
    EXPECT_EQ(0, SendMessageW(program.window(), WM_COMMAND, MAKEWPARAM(12345, 0), 0));
}

TEST(Views, ALabelBeingEditedEndsWhenTheEditorViewOpens)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"folder").c_str(), nullptr));
    ASSERT_TRUE(program.Start());
    SelectChild(L"folder");
    HWND edit = reinterpret_cast<HWND>(
        SendMessageW(noteTree.controlWindow, TVM_EDITLABELW, 0,
                     reinterpret_cast<LPARAM>(noteTree.GetSelected())));
    ASSERT_NE(nullptr, edit);
    program.Tap(kStripX, kStripY);
    ASSERT_TRUE(app.editorView);
    EXPECT_FALSE(IsWindow(edit) && IsWindowVisible(edit)) << "the edit box is gone";
    EXPECT_NE(noteTree.controlWindow, GetFocus()) << "keys no longer reach the hidden tree";
    // Keys typed now rename nothing.
    SendMessageW(GetFocus(), WM_CHAR, L'x', 0);
    SendMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    program.Pump();
    EXPECT_TRUE(FolderExists(program.NotesPath(L"folder")));
    EXPECT_EQ(0u, program.boxes.Count());
}

namespace {

// Gives the main window a client area of width x height and tells it the
// settings changed, as the platform does when the screen changes.
void SetClientSize(HWND window, int width, int height)
{
    SetClientSizeFromOutside(window, width, height);
    SendMessageW(window, WM_SETTINGCHANGE, 0, 0);
}

// The page as the editor draws it behind the text: the first row of each
// ruled line (blue on the yellow paper) down column x, and the last column
// of the red margin line along row y.
struct DrawnPage {
    std::vector<int> rules;
    int marginRight = -1;
};

DrawnPage DrawPage(HWND control)
{
    RECT client;
    GetClientRect(control, &client);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    DrawnPage page;
    bool inRule = false;
    for (int y = 0; y < client.bottom; ++y) {
        const COLORREF c = GetPixel(dc, client.right * 3 / 4, y);
        const bool rule = GetBValue(c) > GetRValue(c) + 40;
        if (rule && !inRule)
            page.rules.push_back(y);
        inRule = rule;
    }
    for (int x = 0; x < client.right / 2; ++x) {
        const COLORREF c = GetPixel(dc, x, client.bottom / 3 + 3);
        if (GetRValue(c) > GetGValue(c) + 60)
            page.marginRight = x;
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return page;
}

}  // namespace

TEST(Page, EachRowOfTextStandsOnARuleRightOfTheMarginAtEverySize)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, kMark + Utf16(L"Идеи\r\nqy\r\nЙё")));
    const struct { int width, height; } sizes[] = {{240, 268}, {480, 536}, {240, 268}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        SetClientSize(program.window(), size.width, size.height);
        ASSERT_EQ(size.height, ClientAboveBar(program.window()).bottom);
        const DrawnPage page = DrawPage(noteEditor.control);
        ASSERT_GE(page.rules.size(), 4u);
        ASSERT_GT(page.marginRight, 0);

        HFONT font = reinterpret_cast<HFONT>(SendMessageW(noteEditor.control, WM_GETFONT, 0, 0));
        ASSERT_NE(nullptr, font);
        LOGFONTW named = {};
        GetObjectW(font, sizeof(named), &named);
        EXPECT_STREQ(NoteFontFace(), named.lfFaceName);
        HDC dc = GetDC(noteEditor.control);
        HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(noteEditor.control, dc);

        // The rows are as far apart as the rules, and each baseline lies on one.
        EXPECT_EQ(page.rules[1] - page.rules[0], metrics.tmHeight);
        for (int line = 0; line < 3; ++line) {
            const LRESULT first = SendMessageW(noteEditor.control, EM_LINEINDEX, line, 0);
            const LRESULT at = SendMessageW(noteEditor.control, EM_POSFROMCHAR, first, 0);
            const int top = static_cast<short>(HIWORD(at));
            const int left = static_cast<short>(LOWORD(at));
            EXPECT_EQ(page.rules[line], top + metrics.tmAscent) << "row " << line;
            EXPECT_GT(left, page.marginRight) << "row " << line;
        }
    }
    EXPECT_STREQ(L"Идеи\r\nqy\r\nЙё", noteEditor.text);
    EXPECT_FALSE(noteEditor.modified);
}

TEST(Page, NotesOfEveryCombiningMarkAreShownEditedAndSaved)
{
    // Each mark after a Latin letter, after a digit, after a line break,
    // after another mark (notes of up to 60 marks), and at the very start of
    // a note of its own: no text the user keeps may bring the program down.
    const std::wstring marks = CombiningMarks();
    ASSERT_GT(marks.size(), 1000u);
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    std::vector<std::pair<std::wstring, std::wstring>> notes;   // name, text
    const wchar_t* const contexts[] = {L"x", L"7", L"\r\n", L"\x0301"};
    for (size_t chunk = 0; chunk < marks.size(); chunk += 60) {
        for (int context = 0; context < 4; ++context) {
            std::wstring text;
            for (size_t i = chunk; i < marks.size() && i < chunk + 60; ++i)
                text += contexts[context] + std::wstring(1, marks[i]);
            notes.emplace_back(L"c" + std::to_wstring(context) + L"-" + std::to_wstring(chunk),
                               text);
        }
    }
    for (size_t i = 0; i < marks.size(); ++i)
        notes.emplace_back(L"s" + std::to_wstring(i), std::wstring(1, marks[i]) + L"x");
    for (const auto& note : notes)
        ASSERT_TRUE(WriteBytes(program.NotesPath(note.first), kMark + Utf16(note.second)));
    ASSERT_TRUE(program.Start());
    program.Tap(kStripX, kStripY);
    ASSERT_TRUE(app.editorView);

    for (const auto& note : notes) {
        SCOPED_TRACE(std::string(note.first.begin(), note.first.end()));
        ASSERT_NO_FATAL_FAILURE(SelectChild(note.first));
        ASSERT_EQ(note.second, std::wstring(noteEditor.text));
        RedrawWindow(noteEditor.control, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        SendMessageW(noteEditor.control, EM_SETSEL, 0, -1);
        SendMessageW(noteEditor.control, EM_SETSEL, -1, -1);
        SendMessageW(noteEditor.control, WM_CHAR, L'z', 1);
        program.Command(IDM_SAVE);
        ASSERT_EQ(kMark + Utf16(note.second + L"z"), Bytes(program.NotesPath(note.first)));
    }
    // The tree's label editor draws the same texts; Escape renames nothing.
    program.Tap(kStripX, kStripY);
    for (const std::wstring& text : MarkSoupNotes(3, 8, 120)) {
        HWND edit = reinterpret_cast<HWND>(
            SendMessageW(noteTree.controlWindow, TVM_EDITLABELW, 0,
                         reinterpret_cast<LPARAM>(noteTree.GetSelected())));
        ASSERT_NE(nullptr, edit);
        SetWindowTextW(edit, text.c_str());
        RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        program.Pump();
    }
    EXPECT_EQ(0u, program.boxes.Count());
}

// What other programs do to the notes folder while an item is chosen: each
// command reaches the entry the user chose, inside the notes folder, or
// nothing, and no edit is lost.
namespace {

// The one entry of a folder whose name starts with prefix, or "".
std::wstring NameStarting(const std::wstring& folder, const std::wstring& prefix)
{
    std::wstring found;
    for (const std::wstring& name : NamesInFolder(folder))
        if (name.compare(0, prefix.size(), prefix) == 0)
            found = found.empty() ? name : L"<more than one>";
    return found;
}

// Opens the note in the editor and types text at its start, a key at a time.
void TypeIntoNote(ProgramUnderTest& program, const std::wstring& label, HTREEITEM parent,
                  const wchar_t* text)
{
    ASSERT_NO_FATAL_FAILURE(SelectChild(label, parent));
    program.Tap(kStripX, kStripY);
    SendMessageW(noteEditor.control, EM_SETSEL, 0, 0);
    for (const wchar_t* c = text; *c; ++c)
        SendMessageW(noteEditor.control, WM_CHAR, *c, 1);
}

}  // namespace

TEST(OtherPrograms, AShortNameSharedWithAnotherNoteNeverReachesIt)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "such names are made on the Unix side";
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(CreateDirectoryW(notes.c_str(), nullptr));
    ASSERT_TRUE(RunInUnixFolder(notes, "printf '\\377\\376f\\000' > 'note?037' && "
                                       "printf '\\377\\376s\\000' > 'note?997'"));
    ASSERT_TRUE(program.Start());
    // Whichever of the two the shared short name reaches opens; the other
    // shows nothing, changes nothing and is not deleted.
    int shared = 0;
    for (const auto& [name, text] : {std::pair<const wchar_t*, const wchar_t*>{L"note?037", L"f"},
                                     {L"note?997", L"s"}}) {
        ASSERT_NO_FATAL_FAILURE(TypeIntoNote(program, name, nullptr, L"typed "));
        program.Tap(15, kStripY);
        if (!noteEditor.readOnlyNote) {
            EXPECT_EQ(std::wstring(L"typed ") + text, noteEditor.text);
            continue;
        }
        ++shared;
        EXPECT_STREQ(L"", noteEditor.text) << "the other note is not shown";
        program.HoldAndChoose(IDM_DELETE);
    }
    EXPECT_EQ(1, shared);
    ASSERT_EQ(2u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_READ_ONLY_NAME_SHARED), program.boxes.Shown()[0].text);
    EXPECT_EQ(RefusalText(IDS_REFUSED_NAME_SHARED), program.boxes.Shown()[1].text);
    EXPECT_TRUE(RunInUnixFolder(notes, "test \"$(cat 'note?037' 'note?997' | wc -c)\" -ge 16"))
        << "both notes are still there, one of them with the typed text";
}

TEST(OtherPrograms, AFolderSwappedForALinkTakesNoTextOutside)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "links are made from the Unix side";
    ProgramUnderTest program;
    const std::wstring outside = program.docs.HostPath(L"outside");
    ASSERT_TRUE(MakeFolder(program.NotesPath(L"")) && MakeFolder(program.NotesPath(L"X")) &&
                MakeFolder(outside));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"X\\n"), kMark + Utf16(L"x")));
    ASSERT_TRUE(WriteBytes(outside + L"\\n", kMark + Utf16(L"out")));
    ASSERT_TRUE(WriteBytes(outside + L"\\keep", kMark + Utf16(L"keep")));
    ASSERT_TRUE(program.Start());
    ASSERT_NO_FATAL_FAILURE(TypeIntoNote(program, L"n", ItemNamed(noteTree.GetRootItem(), L"X"),
                                         L"typed "));
    ASSERT_TRUE(RunInUnixFolder(program.NotesPath(L""), "mv X X.moved && ln -s ../outside X"));
    program.Tap(15, kStripY);
    EXPECT_EQ(kMark + Utf16(L"out"), Bytes(outside + L"\\n"));
    EXPECT_EQ((std::vector<std::wstring>{L"keep", L"n"}), NamesInFolder(outside));
    const std::wstring conflict = NameStarting(program.NotesPath(L""), L"n (conflict ");
    ASSERT_FALSE(conflict.empty()) << "the text went to the notes folder itself";
    EXPECT_EQ(kMark + Utf16(L"typed x"), Bytes(program.NotesPath(conflict)));
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_TRUE(Has(program.boxes.Shown()[0].text, L"«ZephNotes\\" + conflict + L"»"))
        << "the box names where the text is";

    // Once the note is let go, what changes in the moved folder (reported
    // under its old name) never lists the link's target as that folder.
    HTREEITEM root = noteTree.GetRootItem();
    noteTree.SelectItem(root);
    ASSERT_TRUE(RunInUnixFolder(program.NotesPath(L""), "touch X.moved/later"));
    EXPECT_TRUE(PumpUntil(program, [&] {
        HTREEITEM moved = ItemNamed(root, L"X.moved");
        return moved && ItemLabels(moved) == Names{L"later", L"n"};
    }));
    auto throughLink = [&] {
        HTREEITEM link = ItemNamed(root, L"X");
        return link ? ItemLabels(link) : Names{L"(no X)"};
    };
    EXPECT_TRUE(PumpUntil(program, [&] { return throughLink().empty(); })) << Joined(throughLink());
}

TEST(OtherPrograms, AnEditOutlivesItsFolderRenamedAndItsNoteReplacedByAFolder)
{
    ProgramUnderTest program;
    ASSERT_TRUE(MakeFolder(program.NotesPath(L"")) && MakeFolder(program.NotesPath(L"F")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"F\\n"), kMark + Utf16(L"a")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"m"), kMark + Utf16(L"c")));
    ASSERT_TRUE(program.Start());
    ASSERT_NO_FATAL_FAILURE(TypeIntoNote(program, L"n", ItemNamed(noteTree.GetRootItem(), L"F"),
                                         L"b"));
    ASSERT_TRUE(MoveFileW(program.NotesPath(L"F").c_str(), program.NotesPath(L"G").c_str()));
    program.Tap(15, kStripY);
    const std::wstring first = NameStarting(program.NotesPath(L""), L"n (conflict ");
    ASSERT_FALSE(first.empty()) << "the text went to the nearest folder still there";
    EXPECT_EQ(kMark + Utf16(L"ba"), Bytes(program.NotesPath(first)));
    EXPECT_EQ(kMark + Utf16(L"a"), Bytes(program.NotesPath(L"G\\n")));
    // The folder that went leaves the tree though its note was chosen.
    HTREEITEM root = noteTree.GetRootItem();
    EXPECT_TRUE(PumpUntil(program, [&] { return ItemLabels(root) == Names{L"G", L"m", first}; }))
        << Joined(ItemLabels(root));

    ASSERT_NO_FATAL_FAILURE(TypeIntoNote(program, L"m", nullptr, L"d"));
    ASSERT_TRUE(DeleteFileW(program.NotesPath(L"m").c_str()) &&
                CreateDirectoryW(program.NotesPath(L"m").c_str(), nullptr));
    program.Tap(15, kStripY);
    const std::wstring second = NameStarting(program.NotesPath(L""), L"m (conflict ");
    ASSERT_FALSE(second.empty()) << "the text went beside the folder in its place";
    EXPECT_EQ(kMark + Utf16(L"dc"), Bytes(program.NotesPath(second)));
    ASSERT_EQ(2u, program.boxes.Count());
    EXPECT_NE(std::wstring::npos, program.boxes.Shown()[0].text.find(first));
    EXPECT_FALSE(noteEditor.modified);
}

TEST(OtherPrograms, ANotesFolderThatIsALinkTakesCreateRenameAndDelete)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "links are made from the Unix side";
    ProgramUnderTest program;
    const std::wstring real = program.docs.HostPath(L"synced");
    ASSERT_TRUE(MakeFolder(real));
    ASSERT_TRUE(MakeUnixFolderLink(real, program.docs.HostPath(L"ZephNotes")));
    ASSERT_TRUE(program.Start());
    program.AnswerNameEntry(L"folder", IDOK);
    program.HoldAndChoose(IDM_CREATE_FOLDER);
    program.AnswerNameEntry(L"note", IDOK);
    program.HoldAndChoose(IDM_CREATE_NOTE);
    ASSERT_NO_FATAL_FAILURE(SelectChild(L"note"));
    EndLabelEdit(program.window(), L"renamed");
    ASSERT_NO_FATAL_FAILURE(SelectChild(L"folder"));
    program.HoldAndChoose(IDM_DELETE);
    EXPECT_EQ(0u, program.boxes.Count());
    EXPECT_EQ(std::vector<std::wstring>{L"renamed"}, NamesInFolder(real));
    EXPECT_EQ(std::vector<std::wstring>{L"renamed"}, ItemLabels(noteTree.GetRootItem()));
}

TEST(OtherPrograms, ANoteNamedElsewhereAndDeletedElsewhereIsNotMadeUnderItsShortName)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "such names are made on the Unix side";
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(MakeFolder(notes));
    ASSERT_TRUE(RunInUnixFolder(notes, "printf '\\377\\376w\\000' > 'what?'"));
    ASSERT_TRUE(program.Start());
    ASSERT_NO_FATAL_FAILURE(TypeIntoNote(program, L"what?", nullptr, L"t"));
    ASSERT_TRUE(RunInUnixFolder(notes, "rm 'what?'"));
    program.Tap(15, kStripY);
    const std::wstring conflict = NameStarting(notes, L"what_ (conflict ");
    ASSERT_FALSE(conflict.empty());
    EXPECT_EQ(std::vector<std::wstring>{conflict}, NamesInFolder(notes));
    EXPECT_EQ(kMark + Utf16(L"tw"), Bytes(program.NotesPath(conflict)));
    EXPECT_EQ(1u, program.boxes.Count());
}

TEST(OtherPrograms, AStaleNoteSaysSoAndAFolderOfNamesWindowsRefusesGoesWhole)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "such names are made on the Unix side";
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(MakeFolder(notes) && MakeFolder(program.NotesPath(L"odd")));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"gone"), kMark + Utf16(L"g")));
    ASSERT_TRUE(RunInUnixFolder(program.NotesPath(L"odd"),
                                "touch 'a?b' 'q\"<>|' 'dot.' 'sp ' && mkdir 'in*' && touch 'in*/x'"));
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(DeleteFileW(program.NotesPath(L"gone").c_str()));
    ASSERT_NO_FATAL_FAILURE(SelectChild(L"gone"));
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(RefusalText(IDS_NOTE_GONE), program.boxes.Shown()[0].text);
    // The tree changes at the window's next turn, not inside the choice.
    program.Pump();
    EXPECT_EQ(nullptr, ItemNamed(noteTree.GetRootItem(), L"gone")) << "its folder is listed again";
    EXPECT_FALSE(FileExists(program.NotesPath(L"gone")));

    ASSERT_NO_FATAL_FAILURE(SelectChild(L"odd"));
    program.HoldAndChoose(IDM_DELETE);
    EXPECT_EQ(1u, program.boxes.Count());
    EXPECT_TRUE(NamesInFolder(notes).empty());
}

TEST(OtherPrograms, ACaseOnlyRenameRefusedHalfwayKeepsTheOldName)
{
    ProgramUnderTest program;
    const std::wstring notes = program.NotesPath(L"");
    ASSERT_TRUE(MakeFolder(notes));
    ASSERT_TRUE(MakeNotesOnUnixSide(notes, {L"zn", L"Zn"}));
    ASSERT_TRUE(program.Start());
    ASSERT_NO_FATAL_FAILURE(SelectChild(L"zn"));
    EndLabelEdit(program.window(), L"ZN");
    ASSERT_EQ(1u, program.boxes.Count());
    EXPECT_EQ(SystemErrorText(ERROR_ALREADY_EXISTS), program.boxes.Shown()[0].text);
    EXPECT_EQ((std::vector<std::wstring>{L"Zn", L"zn"}), SortedNames(notes));
    EXPECT_NE(nullptr, ItemNamed(noteTree.GetRootItem(), L"zn"));
}
