#include "editor/note_editor.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <string>

#include "support/combining_marks.h"
#include "support/editor_test_window.h"

namespace {

class NoteEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent.Handle(), nullptr);
        parent.Route(&editor);
    }

    HWND CreateNoteEditor(const wchar_t* initialText = L"")
    {
        return editor.Create(30, 0, 207, 221, parent.Handle(), 400, GetModuleHandleW(nullptr),
                             initialText);
    }

    RECT ControlRect() const
    {
        RECT rect;
        GetWindowRect(editor.control, &rect);
        MapWindowPoints(nullptr, parent.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    // Replaces the selection as the user's typing would: the control reports it.
    void Type(const std::wstring& units)
    {
        SendMessageW(editor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(units.c_str()));
    }

    void PutOnClipboard(const std::wstring& units)
    {
        ASSERT_TRUE(OpenClipboard(parent.Handle()));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (units.size() + 1) * sizeof(wchar_t));
        memcpy(GlobalLock(memory), units.c_str(), (units.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
    }

    std::wstring ClipboardText()
    {
        std::wstring result;
        if (!OpenClipboard(parent.Handle()))
            return L"<no clipboard>";
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (data) {
            result = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return result;
    }

    EditorTestWindow parent;
    NoteEditor editor;
};

TEST(NoteEditorConstruction, StartsAsAnEmptyUncreatedEditControlOfTheDesignSpace)
{
    NoteEditor editor;
    EXPECT_STREQ(editor.className, L"edit");
    EXPECT_EQ(editor.text[0], L'\0');
    EXPECT_EQ(editor.style, 0x52011044u);
    EXPECT_EQ(editor.style,
              static_cast<uint32_t>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP |
                                    ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE));
    EXPECT_EQ(editor.designX, 0);
    EXPECT_EQ(editor.designWidth, 0);
    EXPECT_EQ(editor.x, 0u);
    EXPECT_EQ(editor.height, 0u);
    EXPECT_EQ(editor.control, nullptr);
    EXPECT_EQ(editor.parent, nullptr);
    EXPECT_EQ(editor.controlId, 0u);
    EXPECT_EQ(editor.designSpaceWidth, 240u);
    EXPECT_EQ(editor.designSpaceHeight, 268u);
    EXPECT_FALSE(editor.modified);
    EXPECT_FALSE(editor.readOnlyNote);
}

TEST(NoteEditorConstruction, GlobalNoteEditorIsReadyBeforeStartUp)
{
    EXPECT_STREQ(noteEditor.className, L"edit");
    EXPECT_EQ(noteEditor.designSpaceWidth, 240u);
    EXPECT_FALSE(noteEditor.modified);
}

TEST_F(NoteEditorTest, CreateMakesAMultiLineEditChildWithTheInitialText)
{
    HWND control = CreateNoteEditor(L"первая строка\r\nsecond");
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(editor.control, control);
    EXPECT_EQ(GetParent(control), parent.Handle());
    EXPECT_EQ(GetDlgCtrlID(control), 400);
    wchar_t className[32] = {0};
    GetClassNameW(control, className, 32);
    EXPECT_EQ(_wcsicmp(className, L"edit"), 0);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & ES_WANTRETURN);
    EXPECT_FALSE(style & WS_BORDER);
    EXPECT_FALSE(style & WS_VSCROLL);
    EXPECT_EQ(ControlText(control), L"первая строка\r\nsecond");
    EXPECT_STREQ(editor.text, L"первая строка\r\nsecond");
    EXPECT_FALSE(editor.modified);
    // Laid out only by the caller: created with an empty rectangle.
    RECT rect = ControlRect();
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);
    EXPECT_EQ(editor.designX, 30);
    EXPECT_EQ(editor.designHeight, 221);
    EXPECT_EQ(editor.controlId, 400u);
}

TEST_F(NoteEditorTest, ControlAcceptsNoMoreThanTheBufferHolds)
{
    CreateNoteEditor();
    EXPECT_EQ(SendMessageW(editor.control, EM_GETLIMITTEXT, 0, 0), 1023);

    Type(std::wstring(1100, L'ж'));
    EXPECT_EQ(ControlText(editor.control), std::wstring(1023, L'ж'));
    EXPECT_EQ(std::wstring(editor.text), std::wstring(1023, L'ж'));
    EXPECT_TRUE(editor.modified);
}

TEST_F(NoteEditorTest, APasteBeyondTheLimitKeepsWhatTheControlShowsAndTheBufferAlike)
{
    CreateNoteEditor();
    Type(std::wstring(1000, L'a'));
    SendMessageW(editor.control, EM_SETSEL, 1000, 1000);
    PutOnClipboard(std::wstring(2000, L'b'));
    editor.Paste();
    const std::wstring shown = ControlText(editor.control);
    EXPECT_LE(shown.size(), 1023u);
    EXPECT_EQ(shown.substr(0, 1000), std::wstring(1000, L'a'));
    EXPECT_EQ(std::wstring(editor.text), shown);
}

TEST_F(NoteEditorTest, CreateKeepsAtMost1023UnitsOfTheInitialText)
{
    const std::wstring longText(1500, L'q');
    CreateNoteEditor(longText.c_str());
    EXPECT_EQ(std::wstring(editor.text), std::wstring(1023, L'q'));
    EXPECT_EQ(ControlText(editor.control), std::wstring(1023, L'q'));
    EXPECT_EQ(editor.text[1023], L'\0');
}

TEST_F(NoteEditorTest, LayoutScalesTheDesignRectangleToTheClientSize)
{
    CreateNoteEditor();
    editor.Layout(240, 268);
    EXPECT_EQ(editor.x, 30u);
    EXPECT_EQ(editor.y, 0u);
    EXPECT_EQ(editor.width, 207u);
    EXPECT_EQ(editor.height, 221u);
    RECT rect = ControlRect();
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 237);
    EXPECT_EQ(rect.bottom, 221);

    editor.Layout(480, 536);
    EXPECT_EQ(editor.x, 60u);
    EXPECT_EQ(editor.y, 0u);
    EXPECT_EQ(editor.width, 414u);
    EXPECT_EQ(editor.height, 442u);
    rect = ControlRect();
    EXPECT_EQ(rect.left, 60);
    EXPECT_EQ(rect.right - rect.left, 414);
    EXPECT_EQ(rect.bottom - rect.top, 442);

    // Each product is formed before the truncating division.
    editor.Layout(241, 269);
    EXPECT_EQ(editor.x, 30u);        // 30 * 241 / 240 = 30.125
    EXPECT_EQ(editor.width, 207u);   // 207 * 241 / 240 = 207.8625
    EXPECT_EQ(editor.height, 221u);  // 221 * 269 / 268 = 221.82
}

TEST_F(NoteEditorTest, NameEntryFieldLaysOutInItsOwnDesignSpace)
{
    ASSERT_NE(editor.Create(12, 74, 150, 39, parent.Handle(), 100, GetModuleHandleW(nullptr),
                            L"Файл"),
              nullptr);
    editor.SetDesignSize(162, 84);
    EXPECT_EQ(editor.designSpaceWidth, 162u);
    EXPECT_EQ(editor.designSpaceHeight, 84u);
    editor.Layout(150, 39);
    EXPECT_EQ(editor.x, 11u);
    EXPECT_EQ(editor.y, 34u);
    EXPECT_EQ(editor.width, 138u);
    EXPECT_EQ(editor.height, 18u);
    RECT rect = ControlRect();
    EXPECT_EQ(rect.left, 11);
    EXPECT_EQ(rect.top, 34);
    EXPECT_EQ(rect.right - rect.left, 138);
    EXPECT_EQ(rect.bottom - rect.top, 18);
}

TEST_F(NoteEditorTest, ShowHidesAndShowsAndFocusGivesTheKeyboard)
{
    CreateNoteEditor();
    editor.Show(0);
    EXPECT_FALSE(IsWindowVisible(editor.control));
    editor.Show(5);
    EXPECT_TRUE(IsWindowVisible(editor.control));
    editor.Show(0);
    editor.Show(1);
    EXPECT_TRUE(IsWindowVisible(editor.control));

    SetForegroundWindow(parent.Handle());
    SetFocus(parent.Handle());
    editor.Focus();
    EXPECT_EQ(GetFocus(), editor.control);
}

TEST_F(NoteEditorTest, ClearEmptiesControlAndBufferAndSetsTheFlagEvenOnEmptyText)
{
    CreateNoteEditor(L"что-то");
    editor.Clear();
    EXPECT_EQ(ControlText(editor.control), L"");
    EXPECT_EQ(editor.text[0], L'\0');
    EXPECT_TRUE(editor.modified);

    editor.modified = false;
    editor.Clear();
    EXPECT_TRUE(editor.modified);
    EXPECT_EQ(ControlText(editor.control), L"");
}

TEST(NoteEditorWithoutControl, ClearStillEmptiesTheBufferAndCommandsDoNothing)
{
    NoteEditor editor;
    wcscpy(editor.text, L"left over");
    editor.Clear();
    EXPECT_EQ(editor.text[0], L'\0');
    EXPECT_TRUE(editor.modified);

    editor.modified = false;
    editor.OnCommand(0, EN_CHANGE);
    EXPECT_FALSE(editor.modified);
    editor.Layout(240, 268);
    EXPECT_EQ(editor.width, 0u);
    editor.Show(1);
    editor.Focus();
    editor.Cut();
    editor.Copy();
    editor.Paste();
    editor.Undo();
    EXPECT_FALSE(editor.modified);
}

TEST_F(NoteEditorTest, TypedTextIsCopiedToTheBufferAndSetsTheFlag)
{
    CreateNoteEditor();
    SendMessageW(editor.control, WM_CHAR, L'д', 1);
    SendMessageW(editor.control, WM_CHAR, L'а', 1);
    EXPECT_STREQ(editor.text, L"да");
    EXPECT_TRUE(editor.modified);

    // The notification arrived as the control's EN_CHANGE command.
    bool sawChange = false;
    for (const ReceivedMessage& m : parent.received)
        sawChange |= m.message == WM_COMMAND && LOWORD(m.wParam) == 400 &&
                     HIWORD(m.wParam) == EN_CHANGE &&
                     reinterpret_cast<HWND>(m.lParam) == editor.control;
    EXPECT_TRUE(sawChange);
}

TEST_F(NoteEditorTest, TextTheProgramSetsDoesNotSetTheFlag)
{
    CreateNoteEditor();
    SetWindowTextW(editor.control, L"set by the program");
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(editor.text[0], L'\0');
}

TEST_F(NoteEditorTest, OnlyTheControlsOwnChangeCopiesTheText)
{
    CreateNoteEditor();
    SetWindowTextW(editor.control, L"abc");
    editor.OnCommand(401, EN_CHANGE);
    editor.OnCommand(400, EN_UPDATE);
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(editor.text[0], L'\0');
    editor.OnCommand(400, EN_CHANGE);
    EXPECT_TRUE(editor.modified);
    EXPECT_STREQ(editor.text, L"abc");
}

TEST_F(NoteEditorTest, EveryCommandRepaintsTheParentWithoutErasing)
{
    CreateNoteEditor();
    for (int id : {400, 300, 32782}) {
        UpdateWindow(parent.Handle());
        ValidateRect(parent.Handle(), nullptr);
        parent.received.clear();
        editor.OnCommand(id, 0);
        RECT update;
        EXPECT_TRUE(GetUpdateRect(parent.Handle(), &update, FALSE)) << id;
        UpdateWindow(parent.Handle());
        size_t paints = 0, erases = 0;
        for (const ReceivedMessage& m : parent.received) {
            paints += m.message == WM_PAINT;
            erases += m.message == WM_ERASEBKGND;
        }
        EXPECT_EQ(paints, 1u) << id;
        EXPECT_EQ(erases, 0u) << id;
    }
}

TEST_F(NoteEditorTest, CutCopyPasteAndUndoWorkThroughTheControl)
{
    CreateNoteEditor();
    Type(L"hello world");
    editor.modified = false;

    SendMessageW(editor.control, EM_SETSEL, 0, 5);
    editor.Copy();
    EXPECT_EQ(ClipboardText(), L"hello");
    EXPECT_FALSE(editor.modified);

    SendMessageW(editor.control, EM_SETSEL, 0, 6);
    editor.Cut();
    EXPECT_EQ(ClipboardText(), L"hello ");
    EXPECT_STREQ(editor.text, L"world");
    EXPECT_TRUE(editor.modified);

    SendMessageW(editor.control, EM_SETSEL, 5, 5);
    editor.Paste();
    EXPECT_STREQ(editor.text, L"worldhello ");

    editor.Undo();
    EXPECT_STREQ(editor.text, L"world");
    EXPECT_EQ(ControlText(editor.control), L"world");
}

TEST_F(NoteEditorTest, EditCommandsRepaintTheControlWithErasing)
{
    CreateNoteEditor();
    editor.Layout(240, 268);
    Type(L"text");
    SendMessageW(editor.control, EM_SETSEL, 0, 2);
    EditProcInstaller installed(editor.control);
    const std::function<void()> commands[] = {[this] { editor.Copy(); },
                                              [this] { editor.Cut(); },
                                              [this] { editor.Paste(); },
                                              [this] { editor.Undo(); }};
    for (const auto& command : commands) {
        UpdateWindow(editor.control);
        ValidateRect(editor.control, nullptr);
        installed.Forget();
        command();
        RECT update;
        EXPECT_TRUE(GetUpdateRect(editor.control, &update, FALSE));
        EXPECT_EQ(update.right - update.left, 207);
        UpdateWindow(editor.control);
        EXPECT_EQ(installed.CountArrived(WM_ERASEBKGND), 1u);
    }
}

}  // namespace

TEST(NoteEditorPage, ANoteTallerThanThePageStillTakesTypedText)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 240, 268, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    NoteEditor editor;
    std::wstring tall;
    for (int line = 1; line <= 30; ++line)
        tall += L"line " + std::to_wstring(line) + L"\r\n";
    ASSERT_NE(nullptr, editor.Create(30, 0, 207, 221, parent, 400, GetModuleHandleW(nullptr),
                                     tall.c_str()));
    editor.Layout(240, 268);
    const LRESULT length = SendMessageW(editor.control, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(editor.control, EM_SETSEL, length, length);
    for (wchar_t c : std::wstring(L"end"))
        SendMessageW(editor.control, WM_CHAR, c, 0);
    wchar_t back[1024] = {0};
    GetWindowTextW(editor.control, back, 1024);
    EXPECT_EQ(tall + L"end", std::wstring(back));
    DestroyWindow(parent);
}

namespace {

// Lays each note out on a page made as the program makes its own, at the
// handheld's width and at twice that, and checks that the page keeps it.
void LayOutAtTwoWidths(const std::vector<std::wstring>& notes)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 480, 268, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    NoteEditor editor;
    ASSERT_NE(nullptr, editor.Create(30, 0, 207, 221, parent, 400, GetModuleHandleW(nullptr), L""));
    editor.SetPageLines(17, 16, 34, 4);
    editor.Layout(240, 268);
    RECT page;
    GetWindowRect(editor.control, &page);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&page), 2);
    const int narrow = page.right - page.left;
    const int height = page.bottom - page.top;
    for (size_t i = 0; i < notes.size(); ++i) {
        SetWindowTextW(editor.control, notes[i].c_str());
        UpdateWindow(editor.control);
        const int width = i % 2 ? narrow : narrow * 2;
        MoveWindow(editor.control, page.left, page.top, width, height, TRUE);
        UpdateWindow(editor.control);
        ASSERT_EQ(notes[i], ControlText(editor.control)) << "note " << i;
    }
    DestroyWindow(parent);
}

}  // namespace

// A run that starts with a mark led Wine 8's Uniscribe to read before its
// first glyph; a line with no place to break that holds a right-to-left
// cluster led the edit control to write past an array. These take minutes:
// they run as a test of their own (see tests/CMakeLists.txt).
TEST(TextLayout, EveryMarkBeforeALetterOfEveryScript)
{
    std::vector<std::wstring> notes = {
        L"\x05B2\x0628", L"\x05BB\x0628", L"\x064E\x0628\x0650\x0020\x0651\x0627",
        L"\x05D0\x000D\x05BB"};
    const std::vector<std::wstring> pairs = MarkBeforeLetterNotes(NoteTextLimit);
    ASSERT_GT(LettersOfScriptsWithMarks().size(), 40u);
    notes.insert(notes.end(), pairs.begin(), pairs.end());
    LayOutAtTwoWidths(notes);
}

TEST(TextLayout, TwoThousandSoupsOfMarks)
{
    LayOutAtTwoWidths(MarkSoupNotes(20261208, 2000, NoteTextLimit));
}
