#include "shell/app_state.h"

#include "resources/resource.h"

#include <cwchar>

AppState app;

namespace {

// The box is modal to the main window: a tap on the skin meanwhile would
// run a second command inside the box's loop.
void ShowErrorBox(const wchar_t* text)
{
    HWND owner = app.mainWindow && IsWindow(app.mainWindow) ? app.mainWindow : nullptr;
    MessageBoxW(owner, text, ResourceText(IDS_ERROR_CAPTION).c_str(), MB_ICONINFORMATION | MB_OK);
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
