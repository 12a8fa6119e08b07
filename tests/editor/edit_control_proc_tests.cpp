#include "editor/note_editor.h"

#include <gtest/gtest.h>

#include "base/shell_services.h"
#include "shell/app_state.h"
#include "support/editor_test_window.h"

namespace {

SHRGINFO lastGesture;
int gestureCalls = 0;

std::vector<ReceivedMessage> PressesOf(const EditorTestWindow& window)
{
    std::vector<ReceivedMessage> presses;
    for (const ReceivedMessage& m : window.received)
        if (m.message == WM_LBUTTONDOWN)
            presses.push_back(m);
    return presses;
}

DWORD HoldEveryPress(const SHRGINFO* info)
{
    lastGesture = *info;
    ++gestureCalls;
    return GN_CONTEXTMENU;
}

DWORD TapEveryPress(const SHRGINFO* info)
{
    lastGesture = *info;
    ++gestureCalls;
    return 0;
}

// The note editor as start-up makes it: a child of the main window,
// laid out on the design screen, with EditControlProc installed.
class EditControlProcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        noteEditor = NoteEditor();
        parent.Route(&noteEditor);
        ASSERT_NE(noteEditor.Create(30, 0, 207, 221, parent.Handle(), 400,
                                    GetModuleHandleW(nullptr), L""),
                  nullptr);
        noteEditor.Layout(240, 268);
        editControl.menuWindow = mainWindow.Handle();
        editControl.pageBrush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
        installed = new EditProcInstaller(noteEditor.control);
        gestureCalls = 0;
    }

    void TearDown() override
    {
        SetGestureDecider(nullptr);
        delete installed;
        DestroyWindow(noteEditor.control);
        noteEditor = NoteEditor();
        DeleteObject(editControl.pageBrush);
        editControl.pageBrush = nullptr;
        editControl.menuWindow = nullptr;
    }

    HWND control() const { return noteEditor.control; }

    // Whether a key press left the control waiting for a repaint that erases.
    bool KeyForcesErasingRepaint(WPARAM key)
    {
        UpdateWindow(control());
        ValidateRect(control(), nullptr);
        installed->Forget();
        SendMessageW(control(), WM_KEYDOWN, key, 1);
        UpdateWindow(control());
        EXPECT_EQ(installed->CountPassedOn(WM_KEYDOWN), 1u) << key;
        return installed->CountArrived(WM_ERASEBKGND) > 0;
    }

    EditorTestWindow parent;
    EditorTestWindow mainWindow;
    EditProcInstaller* installed = nullptr;
};

TEST_F(EditControlProcTest, EraseFillsTheWholeClientWithTheEditBrushAndAnswersOne)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 300);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 300, 300};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    EXPECT_EQ(SendMessageW(control(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    EXPECT_EQ(installed->CountPassedOn(WM_ERASEBKGND), 0u);

    const COLORREF page = RGB(0x12, 0x34, 0x56);
    EXPECT_EQ(GetPixel(dc, 0, 0), page);
    EXPECT_EQ(GetPixel(dc, 100, 100), page);
    EXPECT_EQ(GetPixel(dc, 206, 220), page);
    EXPECT_EQ(GetPixel(dc, 207, 100), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 100, 221), RGB(255, 255, 255));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(EditControlProcTest, AnyKeyButTheArrowsRepaintsThePageWithErasing)
{
    SetWindowTextW(control(), L"line one\r\nline two");
    for (WPARAM key : {WPARAM('A'), WPARAM(VK_RETURN), WPARAM(VK_BACK), WPARAM(VK_DELETE),
                       WPARAM(VK_SPACE), WPARAM(VK_HOME)})
        EXPECT_TRUE(KeyForcesErasingRepaint(key)) << key;
}

TEST_F(EditControlProcTest, ArrowKeysMoveTheCaretWithoutAForcedRepaint)
{
    SetWindowTextW(control(), L"line one\r\nline two");
    SendMessageW(control(), EM_SETSEL, 12, 12);
    for (WPARAM key : {WPARAM(VK_LEFT), WPARAM(VK_UP), WPARAM(VK_RIGHT), WPARAM(VK_DOWN)})
        EXPECT_FALSE(KeyForcesErasingRepaint(key)) << key;
    DWORD start = 0;
    SendMessageW(control(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(start, 12u);  // left, up, right, down: back where it started
}

TEST_F(EditControlProcTest, ARecognisedHoldGoesToTheMainWindowAndNotToTheControl)
{
    SetGestureDecider(HoldEveryPress);
    const LPARAM point = MAKELPARAM(150, 200);
    EXPECT_EQ(SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, point), 1);

    ASSERT_EQ(gestureCalls, 1);
    EXPECT_EQ(lastGesture.cbSize, sizeof(SHRGINFO));
    EXPECT_EQ(lastGesture.hwndClient, control());
    EXPECT_EQ(lastGesture.ptDown.x, 150);
    EXPECT_EQ(lastGesture.ptDown.y, 200);
    EXPECT_EQ(lastGesture.dwFlags, 0x13u);

    const std::vector<ReceivedMessage> presses = PressesOf(mainWindow);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(presses[0].lParam, point);
    EXPECT_EQ(installed->CountPassedOn(WM_LBUTTONDOWN), 0u);
}

TEST_F(EditControlProcTest, CoordinatesReachTheGestureAsUnsignedClientValues)
{
    SetGestureDecider(HoldEveryPress);
    const LPARAM point = MAKELPARAM(0xFFF0, 5);
    SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    EXPECT_EQ(lastGesture.ptDown.x, 0xFFF0);
    const std::vector<ReceivedMessage> presses = PressesOf(mainWindow);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].lParam, point);
}

TEST_F(EditControlProcTest, AShortTapIsTheControlsOwn)
{
    SetGestureDecider(TapEveryPress);
    SetWindowTextW(control(), L"abcdef");
    SendMessageW(control(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessageW(control(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(gestureCalls, 1);
    EXPECT_TRUE(PressesOf(mainWindow).empty());
    EXPECT_EQ(installed->CountPassedOn(WM_LBUTTONDOWN), 1u);
    EXPECT_EQ(installed->CountPassedOn(WM_LBUTTONUP), 1u);
}

TEST_F(EditControlProcTest, EverythingElseIsPassedOnWithItsResult)
{
    EXPECT_TRUE(SendMessageW(control(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"passed")));
    EXPECT_EQ(SendMessageW(control(), WM_GETTEXTLENGTH, 0, 0), 6);
    EXPECT_EQ(installed->CountPassedOn(WM_SETTEXT), 1u);
    EXPECT_EQ(installed->CountPassedOn(WM_GETTEXTLENGTH), 1u);
    SendMessageW(control(), EM_SETSEL, 6, 6);
    SendMessageW(control(), WM_CHAR, L'!', 1);
    EXPECT_EQ(ControlText(control()), L"passed!");
    EXPECT_TRUE(noteEditor.modified);
}

}  // namespace

// A word longer than the row wraps at a character (a right-to-left cluster
// in it once led Wine's control to write past an array); Ctrl+arrows still
// stop at the starts of words, the first one of a line included.
TEST_F(EditControlProcTest, AWordLongerThanTheRowWrapsWhileCtrlArrowsMoveByWords)
{
    std::wstring word;
    for (int i = 0; i < 60; ++i)
        word += L"\x05D0\x05B8xy";
    const std::wstring text = L"one " + word + L" two";
    SetWindowTextW(control(), text.c_str());
    const LRESULT rows = SendMessageW(control(), EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(rows, 4);
    for (LRESULT row = 0; row < rows; ++row) {
        const LRESULT start = SendMessageW(control(), EM_LINEINDEX, row, 0);
        EXPECT_GT(SendMessageW(control(), EM_LINELENGTH, start, 0), 0) << row;
    }
    EXPECT_EQ(text, ControlText(control()));

    SetWindowTextW(control(), L"one twothree");
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE control_ = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    for (auto [from, to] : {std::pair{9, 4}, std::pair{2, 0}}) {
        SendMessageW(control(), EM_SETSEL, from, from);
        SendMessageW(control(), WM_KEYDOWN, VK_LEFT, 1);
        DWORD caret = 0;
        SendMessageW(control(), EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
        EXPECT_EQ(caret, static_cast<DWORD>(to)) << from;
    }
    keys[VK_CONTROL] = control_;
    SetKeyboardState(keys);
}
