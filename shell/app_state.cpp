#include "shell/app_state.h"

#include "resources/resource.h"

#include <cwchar>

AppState app;

namespace {

// The system sizes a box for its text while making it; under a window
// manager that size may never reach the screen, which keeps the size the
// box was made with (large and mostly empty). Once the box is up, its size
// is given once more, and the manager takes it.
HHOOK boxHook = nullptr;
HWND boxShown = nullptr;
const UINT kBoxResizeDelay = 50;

void CALLBACK GiveBoxItsSize(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    RECT box;
    if (!boxShown || !IsWindow(boxShown) || !GetWindowRect(boxShown, &box))
        return;
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(boxShown, nullptr, 0, 0, box.right - box.left, box.bottom - box.top + 1, flags);
    SetWindowPos(boxShown, nullptr, 0, 0, box.right - box.left, box.bottom - box.top, flags);
}

LRESULT CALLBACK WatchBox(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && !boxShown &&
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16) &&
        wcscmp(className, L"#32770") == 0) {
        boxShown = reinterpret_cast<HWND>(wParam);
        SetTimer(nullptr, 0, kBoxResizeDelay, GiveBoxItsSize);
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

// The box is modal to the main window: a tap on the skin meanwhile would
// run a second command inside the box's loop.
void ShowErrorBox(const wchar_t* text)
{
    HWND owner = app.mainWindow && IsWindow(app.mainWindow) ? app.mainWindow : nullptr;
    boxShown = nullptr;
    boxHook = SetWindowsHookExW(WH_CBT, WatchBox, nullptr, GetCurrentThreadId());
    MessageBoxW(owner, text, ResourceText(IDS_ERROR_CAPTION).c_str(), MB_ICONINFORMATION | MB_OK);
    if (boxHook)
        UnhookWindowsHookEx(boxHook);
    boxHook = nullptr;
    boxShown = nullptr;
}

}  // namespace

void ReportLastError()
{
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    // The system may have no text for the code (Wine lacks some that the
    // program uses); the box then says what it can and names the code.
    wchar_t fallback[160];
    const wchar_t* shown = text;
    if (length == 0 || !text) {
        swprintf(fallback, 160, L"Unknown error %lu (0x%08lX).", code, code);
        shown = fallback;
    }
    ShowErrorBox(shown);
    if (text)
        LocalFree(text);
}

void ReportRefusal(UINT textId)
{
    ShowErrorBox(ResourceText(textId).c_str());
}

void ReportOutcome(const Outcome& outcome)
{
    if (outcome.refusal) {
        ReportRefusal(outcome.refusal);
    } else if (outcome.error) {
        SetLastError(outcome.error);
        ReportLastError();
    }
}
