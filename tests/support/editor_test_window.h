// A plain parent window for note editor tests: its WM_COMMAND goes to the
// editor's OnCommand as the main window's does, and it records the presses
// and commands it receives. Also the helpers that build note files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class NoteEditor;

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class EditorTestWindow {
public:
    EditorTestWindow();
    ~EditorTestWindow();

    HWND Handle() const { return window; }
    // The editor whose OnCommand sees this window's commands (may be null).
    void Route(NoteEditor* editor) { routed = editor; }

    // WM_COMMAND, WM_LBUTTONDOWN, WM_PAINT and WM_ERASEBKGND, in order of arrival.
    std::vector<ReceivedMessage> received;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window;
    NoteEditor* routed;
};

// Subclasses an edit control with EditControlProc the way start-up does, with
// the control's own procedure wrapped so the test sees what reaches it.
class EditProcInstaller {
public:
    explicit EditProcInstaller(HWND control);
    ~EditProcInstaller();

    // Messages that reached the control (and so EditControlProc).
    std::vector<ReceivedMessage> arrived;
    // Messages EditControlProc passed on to the control's own procedure.
    std::vector<ReceivedMessage> passedOn;

    void Forget() { arrived.clear(); passedOn.clear(); }
    size_t CountArrived(UINT message) const;
    size_t CountPassedOn(UINT message) const;

private:
    static LRESULT CALLBACK Outer(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND control;
    WNDPROC original;
};

// Bytes of a note file: the mark FF FE and the units little-endian.
std::string NoteFileBytes(const std::wstring& units);
// The units of a byte string read as UTF-16LE (an odd last byte is dropped).
std::wstring UnitsOf(const std::string& bytes);
// The control's whole text.
std::wstring ControlText(HWND control);
// Dispatches the messages waiting for this thread.
void PumpMessages();
