#include "shell/app_state.h"

#include <cwchar>

AppState app;

void ReportLastError()
{
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    // The system may have no text for the code; the box then names it.
    wchar_t fallback[64];
    const wchar_t* shown = text;
    if (length == 0 || !text) {
        swprintf(fallback, 64, L"Unknown error %lu (0x%08lX).", code, code);
        shown = fallback;
    }
    MessageBoxW(nullptr, shown, L"Error", MB_ICONINFORMATION | MB_OK);
    if (text)
        LocalFree(text);
}
