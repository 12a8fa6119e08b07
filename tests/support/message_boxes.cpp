#include "support/message_boxes.h"

namespace {
MessageBoxAnswerer* current = nullptr;

std::wstring TextOf(HWND window)
{
    wchar_t buffer[2048] = {0};
    GetWindowTextW(window, buffer, 2048);
    return buffer;
}

bool IsMessageBox(HWND window)
{
    wchar_t className[64] = {0};
    GetClassNameW(window, className, 64);
    return lstrcmpW(className, L"#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr;
}
}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer()
    : hook(nullptr), answer(IDOK), otherWindow(nullptr), previous(current)
{
    current = this;
    hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    if (hook)
        UnhookWindowsHookEx(hook);
    current = previous;
}

LRESULT CALLBACK MessageBoxAnswerer::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxAnswerer* self = current;
    if (self && code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window)) {
            ShownMessageBox box;
            box.caption = TextOf(window);
            box.text = TextOf(GetDlgItem(window, 0xFFFF));
            // Windows numbers the icon control 0x14, Wine 0x440.
            HWND iconControl = GetDlgItem(window, 0x14);
            if (!iconControl)
                iconControl = GetDlgItem(window, 0x440);
            box.icon = iconControl
                           ? reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0))
                           : nullptr;
            box.hasCancel = GetDlgItem(window, IDCANCEL) != nullptr &&
                            IsWindowVisible(GetDlgItem(window, IDCANCEL)) &&
                            GetDlgItem(window, IDOK) != nullptr;
            box.owner = GetWindow(window, GW_OWNER);
            box.ownerEnabled = box.owner && IsWindowEnabled(box.owner);
            self->shown.push_back(box);
            if (self->delay)
                SetTimer(window, 1, self->delay, AnswerLater);
            else
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(self->answer, BN_CLICKED), 0);
        } else if (self->otherWindow) {
            self->otherWindow(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK MessageBoxAnswerer::AnswerLater(HWND window, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(window, timer);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(current ? current->answer : IDOK, BN_CLICKED), 0);
}

std::wstring SystemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_FROM_SYSTEM,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = text ? text : L"";
    if (text)
        LocalFree(text);
    return result;
}

std::wstring RefusalText(UINT textId)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), textId,
                                   reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

HICON InformationIcon()
{
    return LoadIconW(nullptr, IDI_INFORMATION);
}

HICON ExclamationIcon()
{
    return LoadIconW(nullptr, IDI_EXCLAMATION);
}
