// The program's entry function.
#include "shell/start_up.h"

#include "base/drawing.h"
#include "base/resource_text.h"
#include "resources/resource.h"
#include "shell/app_state.h"

#include <cwchar>
#include <string>

namespace {

// A start with no window to show anything in says why on the terminal it
// was started from, if any: there is nowhere else to say it.
void SayWindowRefused()
{
    // Under Wine the display is the X one the environment names.
    wchar_t display[256] = {};
    std::wstring which;
    if (GetEnvironmentVariableW(L"DISPLAY", display, 256) > 0 && display[0])
        which = std::wstring(L" ") + display;
    wchar_t text[512];
    swprintf(text, 512, ResourceText(IDS_NO_WINDOW).c_str(), which.c_str());
    const std::wstring line = std::wstring(text) + L"\n";
    HANDLE terminal = GetStdHandle(STD_ERROR_HANDLE);
    if (!terminal || terminal == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(terminal, &mode)) {
        WriteConsoleW(terminal, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], bytes,
                        nullptr, nullptr);
    WriteFile(terminal, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand)
{
    if (!StartInstance(instance, showCommand)) {
        if (!app.windowRefused)
            return 0;   // another instance was raised
        SayWindowRefused();
        RestoreFallbacks();
        return 1;
    }
    const int status = RunMessageLoop();
    RestoreFallbacks();
    return status;
}
