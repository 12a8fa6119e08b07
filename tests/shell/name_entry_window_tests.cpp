#include "shell/name_entry_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/note_editor.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "support/combining_marks.h"
#include "support/skin_windows.h"

namespace {

RECT ClientPlace(HWND child, HWND parent)
{
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

std::wstring WindowText(HWND window)
{
    wchar_t buffer[1100] = {0};
    GetWindowTextW(window, buffer, 1100);
    return buffer;
}

void PostTyping(HWND field, const wchar_t* typed)
{
    for (const wchar_t* unit = typed; *unit; ++unit)
        PostMessageW(field, WM_CHAR, *unit, 1);
}

void PostClick(SkinButton* button)
{
    PostMessageW(button->window, BM_CLICK, 0, 0);
}

bool QuitPending(int* code)
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    *code = static_cast<int>(msg.wParam);
    return true;
}

class NameEntryWindowTest : public ::testing::Test {
protected:
    NameEntryWindowTest() : main(240, 268) {}
    TestMainWindow main;
};

TEST_F(NameEntryWindowTest, SitsCentredOnTheClientWithFieldAndButtonsOverThePanel)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    ASSERT_TRUE(request.Created());
    NameEntryWindow& entry = request.Entry();
    RECT place;
    GetWindowRect(entry.window, &place);
    EXPECT_EQ(39, place.left);
    EXPECT_EQ(92, place.top);
    EXPECT_EQ(162, place.right - place.left);
    EXPECT_EQ(84, place.bottom - place.top);
    EXPECT_EQ(WS_POPUP | WS_VISIBLE | WS_BORDER,
              static_cast<DWORD>(GetWindowLongW(entry.window, GWL_STYLE)) &
                  (WS_POPUP | WS_VISIBLE | WS_BORDER | WS_CAPTION | WS_CHILD));
    EXPECT_EQ(main.Handle(), GetWindow(entry.window, GW_OWNER));
    EXPECT_EQ(L"Файл:", WindowText(entry.window));

    ASSERT_NE(nullptr, request.Field());
    RECT field = ClientPlace(request.Field(), entry.window);
    EXPECT_EQ(11, field.left);
    EXPECT_EQ(34, field.top);
    EXPECT_EQ(138, field.right - field.left);
    EXPECT_EQ(18, field.bottom - field.top);
    EXPECT_EQ(IDC_NAME_FIELD, GetDlgCtrlID(request.Field()));
    EXPECT_EQ(L"Файл", WindowText(request.Field()));
    EXPECT_EQ(request.Field(), GetFocus());

    ASSERT_NE(nullptr, entry.okButton);
    ASSERT_NE(nullptr, entry.cancelButton);
    RECT ok = ClientPlace(entry.okButton->window, entry.window);
    RECT cancel = ClientPlace(entry.cancelButton->window, entry.window);
    EXPECT_EQ(8, ok.left);
    EXPECT_EQ(58, ok.top);
    EXPECT_EQ(82, cancel.left);
    EXPECT_EQ(58, cancel.top);
    EXPECT_EQ(72, ok.right - ok.left);
    EXPECT_EQ(20, ok.bottom - ok.top);
    EXPECT_EQ(72, cancel.right - cancel.left);
    EXPECT_EQ(20, cancel.bottom - cancel.top);
    EXPECT_EQ(IDC_BUTTON_OK, GetDlgCtrlID(entry.okButton->window));
    EXPECT_EQ(IDC_BUTTON_CANCEL, GetDlgCtrlID(entry.cancelButton->window));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW),
              GetWindowLongW(entry.okButton->window, GWL_STYLE) & BS_TYPEMASK);

    ASSERT_NE(nullptr, entry.background);
    EXPECT_EQ(static_cast<uint32_t>(IDB_PANEL), entry.background->resourceId);
    EXPECT_EQ(162, entry.background->drawWidth);
    EXPECT_EQ(84, entry.background->drawHeight);
}

TEST_F(NameEntryWindowTest, OddDifferenceTruncatesThePosition)
{
    TestMainWindow wider(241, 269);
    NameEntryRequest request(wider.Handle(), L"Каталог:", L"Каталог", IDB_BUTTON_OK);
    ASSERT_TRUE(request.Created());
    RECT place;
    GetWindowRect(request.Entry().window, &place);
    EXPECT_EQ(39, place.left);
    EXPECT_EQ(92, place.top);
}

TEST_F(NameEntryWindowTest, EachUseHasItsCaptionAndButtonFaces)
{
    struct Use {
        const wchar_t* caption;
        const wchar_t* initial;
        int okBitmap;
    };
    const Use uses[] = {{L"Каталог:", L"Каталог", IDB_BUTTON_OK},
                        {L"Файл:", L"Файл", IDB_BUTTON_OK},
                        {L"Поиск:", L"", IDB_BUTTON_SEARCH}};
    for (const Use& use : uses) {
        NameEntryRequest request(main.Handle(), use.caption, use.initial, use.okBitmap);
        ASSERT_TRUE(request.Created()) << "a second pop-up opens after the first is gone";
        NameEntryWindow& entry = request.Entry();
        EXPECT_EQ(use.caption, WindowText(entry.window));
        EXPECT_EQ(use.initial, WindowText(request.Field()));
        EXPECT_EQ(static_cast<uint32_t>(use.okBitmap), entry.okButton->background->resourceId);
        EXPECT_EQ(static_cast<uint32_t>(IDB_BUTTON_EXIT),
                  entry.cancelButton->background->resourceId);
        EXPECT_EQ(3u, entry.okButton->background->frameCount);
        EXPECT_EQ(72, entry.okButton->background->drawWidth);
        EXPECT_EQ(20, entry.okButton->background->drawHeight);
        PostClick(entry.cancelButton);
        EXPECT_EQ(2, entry.RunModal());
    }
}

TEST_F(NameEntryWindowTest, OkWithoutTypingHandsBackTheInitialText)
{
    NameEntryRequest request(main.Handle(), L"Каталог:", L"Каталог", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    PostClick(entry.okButton);
    EXPECT_EQ(1, entry.RunModal());
    EXPECT_EQ(1, entry.result);
    EXPECT_EQ(WideString(L"Каталог"), entry.text);
    EXPECT_FALSE(IsWindow(entry.window));
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    int code = 0;
    EXPECT_FALSE(QuitPending(&code)) << "the pop-up's own quit ends only its loop";
}

TEST_F(NameEntryWindowTest, TypedTextComesBackAfterOk)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    PostMessageW(request.Field(), EM_SETSEL, 0, -1);
    PostTyping(request.Field(), L"Покупки");
    PostClick(entry.okButton);
    EXPECT_EQ(1, entry.RunModal());
    EXPECT_EQ(WideString(L"Покупки"), entry.text);
}

// Marks before letters of other scripts, typed into the field, are drawn
// and handed back as typed.
TEST_F(NameEntryWindowTest, NamesOfMarksBeforeLettersAreShownAndHandedBack)
{
    std::vector<std::wstring> names = {L"\x05B2\x0628", L"\x05BB\x0628",
                                       L"\x064E\x0628\x0650\x0020\x0651\x0627"};
    for (std::wstring soup : MarkSoupNotes(11, 12, 60)) {
        soup.erase(std::remove_if(soup.begin(), soup.end(),
                                  [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
                   soup.end());
        names.push_back(soup);
    }
    for (const std::wstring& name : names) {
        NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
        NameEntryWindow& entry = request.Entry();
        PostMessageW(request.Field(), EM_SETSEL, 0, -1);
        PostTyping(request.Field(), name.c_str());
        PostClick(entry.okButton);
        EXPECT_EQ(1, entry.RunModal());
        EXPECT_EQ(WideString(name.c_str()), entry.text);
    }
}

TEST_F(NameEntryWindowTest, CancelAnswersTwoAndKeepsTheInitialText)
{
    NameEntryRequest request(main.Handle(), L"Поиск:", L"рецепт", IDB_BUTTON_SEARCH);
    NameEntryWindow& entry = request.Entry();
    PostMessageW(request.Field(), EM_SETSEL, 0, -1);
    PostTyping(request.Field(), L"другое");
    PostClick(entry.cancelButton);
    EXPECT_EQ(2, entry.RunModal());
    EXPECT_EQ(WideString(L"рецепт"), entry.text);
    EXPECT_FALSE(IsWindow(entry.window));
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
}

TEST_F(NameEntryWindowTest, ClosingOtherwiseAnswersZero)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    PostTyping(request.Field(), L"x");
    PostMessageW(entry.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, entry.RunModal());
    EXPECT_EQ(WideString(L"Файл"), entry.text);
    int code = 0;
    EXPECT_FALSE(QuitPending(&code));
}

void PostKey(HWND field, WPARAM key)
{
    PostMessageW(field, WM_KEYDOWN, key, 1);
    PostMessageW(field, WM_KEYUP, key, 0xC0000001);
}

// Which window each activation went to, and whether the pop-up was still
// there at that moment; the pop-up's own activations (by its handle, or by
// the form with the lowest bit set) are left out.
struct Activation {
    HWND window;
    bool popUpStillThere;
};
std::vector<Activation> activations;
HWND watchedPopUp = nullptr;
HHOOK activationHook = nullptr;

LRESULT CALLBACK RecordActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && (wParam & ~static_cast<WPARAM>(1)) !=
                                     reinterpret_cast<WPARAM>(watchedPopUp))
        activations.push_back({reinterpret_cast<HWND>(wParam), IsWindow(watchedPopUp) != FALSE});
    return CallNextHookEx(activationHook, code, wParam, lParam);
}

TEST_F(NameEntryWindowTest, TheOfferedTextIsSelectedEnterIsOkAndEscapeIsCancel)
{
    {
        NameEntryRequest request(main.Handle(), L"Каталог:", L"Каталог", IDB_BUTTON_OK);
        NameEntryWindow& entry = request.Entry();
        DWORD start = 1, end = 0;
        SendMessageW(request.Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start) << "the offered text is selected";
        EXPECT_EQ(7u, end);
        EXPECT_EQ(request.Field(), GetFocus());
        // Typing replaces it; a line break is never taken, Enter is OK.
        PostTyping(request.Field(), L"Дом\r\n2");
        PostKey(request.Field(), VK_RETURN);
        activations.clear();
        watchedPopUp = entry.window;
        activationHook = SetWindowsHookExW(WH_CBT, RecordActivation, nullptr, GetCurrentThreadId());
        EXPECT_EQ(1, entry.RunModal());
        UnhookWindowsHookEx(activationHook);
        EXPECT_EQ(WideString(L"Дом2"), entry.text);
        EXPECT_FALSE(IsWindow(entry.window));
        // The main window takes the activation back from the pop-up itself,
        // as it goes, not from whatever else was activated meanwhile.
        ASSERT_FALSE(activations.empty());
        EXPECT_EQ(main.Handle(), activations[0].window);
        EXPECT_TRUE(activations[0].popUpStillThere);
        EXPECT_EQ(main.Handle(), GetActiveWindow());
    }
    {
        NameEntryRequest request(main.Handle(), L"Поиск:", L"рецепт", IDB_BUTTON_SEARCH);
        NameEntryWindow& entry = request.Entry();
        PostTyping(request.Field(), L"другое");
        PostKey(request.Field(), VK_ESCAPE);
        EXPECT_EQ(2, entry.RunModal());
        EXPECT_EQ(WideString(L"рецепт"), entry.text);
        EXPECT_TRUE(IsWindowEnabled(main.Handle()));
        EXPECT_EQ(main.Handle(), GetActiveWindow());
    }
}

// Records, while the pop-up's loop runs, what the main window and the
// pop-up look like at that moment.
struct LoopProbe {
    HWND popUp = nullptr;
    bool parentEnabled = true;
    bool popUpExists = false;
    bool popUpNeedsPaint = false;
    HWND focus = nullptr;
};
LoopProbe probe;

void CALLBACK ProbeTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    probe.parentEnabled = IsWindowEnabled(app.mainWindow) != FALSE;
    probe.popUpExists = IsWindow(probe.popUp) != FALSE;
    probe.focus = GetFocus();
    RECT update;
    probe.popUpNeedsPaint = GetUpdateRect(probe.popUp, &update, FALSE) != FALSE;
    if (app.activeNameEntry && app.activeNameEntry->cancelButton)
        PostMessageW(app.activeNameEntry->cancelButton->window, BM_CLICK, 0, 0);
}

TEST_F(NameEntryWindowTest, ParentIsDisabledAndTheFieldHasTheKeysWhileTheLoopRuns)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    probe = LoopProbe();
    probe.popUp = entry.window;
    SetTimer(nullptr, 0, 10, ProbeTimer);
    EXPECT_EQ(2, entry.RunModal());
    EXPECT_FALSE(probe.parentEnabled);
    EXPECT_TRUE(probe.popUpExists);
    EXPECT_EQ(request.Field(), probe.focus) << "keys go to the field once the pop-up is up";
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
}

TEST_F(NameEntryWindowTest, CommandWithAnotherIdOnlyRepaints)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    UpdateWindow(entry.window);
    probe = LoopProbe();
    probe.popUp = entry.window;
    // The timer is due only after the command and the pop-up's own paints.
    PostMessageW(entry.window, WM_COMMAND, MAKEWPARAM(555, 0), 0);
    PostMessageW(entry.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SetTimer(nullptr, 0, 50, ProbeTimer);
    EXPECT_EQ(2, entry.RunModal()) << "the pop-up stayed open until the cancel button";
    EXPECT_TRUE(probe.popUpExists);
    EXPECT_EQ(WideString(L"Файл"), entry.text);
}

TEST_F(NameEntryWindowTest, UnknownCommandInvalidatesThePopUp)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    UpdateWindow(entry.window);
    RECT update;
    ASSERT_FALSE(GetUpdateRect(entry.window, &update, FALSE));
    EXPECT_EQ(0, SendMessageW(entry.window, WM_COMMAND, MAKEWPARAM(555, 0), 0));
    EXPECT_TRUE(GetUpdateRect(entry.window, &update, FALSE));
    EXPECT_TRUE(IsWindow(entry.window));
    EXPECT_EQ(0, entry.result);
}

TEST_F(NameEntryWindowTest, ClassIsRegisteredPerPopUpAndAnotherCannotOpenMeanwhile)
{
    NameEntryRequest first(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    ASSERT_TRUE(first.Created());
    WNDCLASSW found;
    EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"MyDirNameClass", &found));

    NameEntryWindow second;
    EXPECT_FALSE(second.Create(0, 0, 162, 84, main.Handle(), IDI_ZEPHNOTES, IDB_PANEL, 162, 84,
                               IDC_NAME_FIELD, GetModuleHandleW(nullptr), L"Поиск:",
                               L"MyDirNameClass", NameEntryClassProc));
    EXPECT_EQ(nullptr, second.window);
    EXPECT_EQ(nullptr, second.editor);
    EXPECT_EQ(nullptr, second.background);

    NameEntryWindow& entry = first.Entry();
    PostClick(entry.okButton);
    entry.RunModal();
    entry.Unregister();
    EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"MyDirNameClass", &found));
}

TEST_F(NameEntryWindowTest, ButtonsShowThePressedFaceWhileHeld)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    UpdateWindow(entry.window);
    UpdateWindow(entry.okButton->window);
    EXPECT_EQ(0, entry.okButton->background->currentFrame);
    SendMessageW(entry.okButton->window, BM_SETSTATE, TRUE, 0);
    UpdateWindow(entry.okButton->window);
    EXPECT_EQ(2, entry.okButton->background->currentFrame);
    SendMessageW(entry.okButton->window, BM_SETSTATE, FALSE, 0);
    UpdateWindow(entry.okButton->window);
    EXPECT_NE(2, entry.okButton->background->currentFrame);
    EXPECT_EQ(0, entry.result) << "holding a button sends no command";
}

// Refuses the creation of the pop-up's window; its class is registered.
HHOOK refusingHook = nullptr;
LRESULT CALLBACK RefusePopUp(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        wchar_t className[64] = {0};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64);
        if (lstrcmpW(className, L"MyDirNameClass") == 0)
            return 1;
    }
    return CallNextHookEx(refusingHook, code, wParam, lParam);
}

TEST_F(NameEntryWindowTest, RefusedWindowEndsAsCancelledWithoutEnteringTheLoop)
{
    refusingHook = SetWindowsHookExW(WH_CBT, RefusePopUp, nullptr, GetCurrentThreadId());
    NameEntryRequest request(main.Handle(), L"Каталог:", L"Каталог", IDB_BUTTON_OK);
    UnhookWindowsHookEx(refusingHook);
    NameEntryWindow& entry = request.Entry();
    EXPECT_FALSE(request.Created());
    EXPECT_EQ(nullptr, entry.window);
    EXPECT_EQ(nullptr, entry.okButton);
    WNDCLASSW found;
    EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"MyDirNameClass", &found));

    // A quit waiting in the queue would be eaten if the loop ran.
    PostQuitMessage(3);
    EXPECT_EQ(2, entry.RunModal());
    EXPECT_EQ(WideString(L"Каталог"), entry.text);
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    int code = 0;
    EXPECT_TRUE(QuitPending(&code));
    EXPECT_EQ(3, code);

    entry.Unregister();
    EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"MyDirNameClass", &found));
}

TEST_F(NameEntryWindowTest, MainLoopsQuitClosesThePopUpAndIsPassedOn)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    PostTyping(request.Field(), L"abc");
    PostQuitMessage(5);
    EXPECT_EQ(0, entry.RunModal());
    EXPECT_EQ(WideString(L"Файл"), entry.text);
    EXPECT_FALSE(IsWindow(entry.window));
    EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    int code = 0;
    ASSERT_TRUE(QuitPending(&code)) << "the main loop must still see its quit";
    EXPECT_EQ(5, code);
}

TEST_F(NameEntryWindowTest, ClosingTheMainWindowEndsThePopUpAndTheMainLoop)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    main.QuitOnDestroy(7);
    PostMessageW(main.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, entry.RunModal());
    EXPECT_FALSE(IsWindow(main.Handle()));
    EXPECT_FALSE(IsWindow(entry.window));
    EXPECT_EQ(WideString(L"Файл"), entry.text);
    int code = 0;
    ASSERT_TRUE(QuitPending(&code));
    EXPECT_EQ(7, code);
    EXPECT_FALSE(QuitPending(&code)) << "exactly one quit reaches the main loop";
}

// The main loop's quit is posted, and in the same turn of the loop, before
// the quit is fetched, the user presses OK.
void CALLBACK QuitThenOk(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostQuitMessage(9);
    SendMessageW(app.activeNameEntry->okButton->window, BM_CLICK, 0, 0);
}

TEST_F(NameEntryWindowTest, QuitAlreadyWaitingWhenThePopUpClosesIsNotSwallowed)
{
    NameEntryRequest request(main.Handle(), L"Файл:", L"Файл", IDB_BUTTON_OK);
    NameEntryWindow& entry = request.Entry();
    SetTimer(nullptr, 0, 10, QuitThenOk);
    EXPECT_EQ(1, entry.RunModal());
    EXPECT_FALSE(IsWindow(entry.window));
    int code = 0;
    ASSERT_TRUE(QuitPending(&code));
    EXPECT_EQ(9, code);
}

}  // namespace
