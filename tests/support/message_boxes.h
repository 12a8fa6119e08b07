// Records and answers the message boxes that the code under test shows,
// while the real MessageBoxW runs: a thread CBT hook sees each box as it is
// activated, reads its caption, text and icon, and presses a button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ShownMessageBox {
    std::wstring caption;
    std::wstring text;
    HICON icon;           // the icon the box shows, null for none
    bool hasCancel;       // a second button besides OK
    HWND owner;
    bool ownerEnabled;    // the owner still took input while the box was up
};

class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();

    const std::vector<ShownMessageBox>& Shown() const { return shown; }
    size_t Count() const { return shown.size(); }
    void Clear() { shown.clear(); }

    // The button every box is answered with (IDOK unless told).
    void AnswerWith(int button) { answer = button; }
    // Boxes are answered after this many milliseconds (0: at once), their
    // own loop running the program's messages and timers meanwhile.
    void AnswerAfter(UINT milliseconds) { delay = milliseconds; }

    // Called for every other dialog or pop-up window being activated.
    typedef void (*OtherWindowHandler)(HWND window);
    void OnOtherWindow(OtherWindowHandler handler) { otherWindow = handler; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK AnswerLater(HWND window, UINT, UINT_PTR timer, DWORD);

    HHOOK hook;
    int answer;
    UINT delay = 0;
    OtherWindowHandler otherWindow;
    std::vector<ShownMessageBox> shown;
    MessageBoxAnswerer* previous;
};

// What ReportLastError shows for a code: the system's text, empty when the
// system has none.
std::wstring SystemErrorText(DWORD code);
// What ReportRefusal shows for a refusal: its text in the string table.
std::wstring RefusalText(UINT textId);

// The standard information and exclamation icons as message boxes show them.
HICON InformationIcon();
HICON ExclamationIcon();
