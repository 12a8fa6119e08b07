// The small skinned pop-up that asks for one line of text: the name of a new
// folder or note, or the text to search for. It is modal to its parent and
// runs a message loop of its own until one of its buttons closes it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/wide_string.h"
#include "skin/skin_window.h"

class NoteEditor;

class NameEntryWindow : public SkinWindow {
public:
    NameEntryWindow();
    ~NameEntryWindow();

    // False when the class cannot be registered or the window cannot be
    // made; no field exists then.
    bool Create(int32_t x, int32_t y, int32_t width, int32_t height, HWND parent, int iconId,
                int bitmapId, int32_t frameWidth, int32_t frameHeight, int fieldId,
                HINSTANCE instance, const wchar_t* caption, const wchar_t* className,
                WNDPROC procedure);
    void CreateButtons(int okId, int cancelId, int okBitmapId, int cancelBitmapId);
    // 1: closed by OK (text holds what was typed); 2: by cancel, or the window
    // never existed; 0: closed otherwise. text is the initial text unless 1.
    int32_t RunModal();
    // Enter in the pop-up presses OK, Escape the cancel button, as in a
    // dialog; true when the key was taken so.
    bool PressButtonForKey(const MSG& msg);

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    NoteEditor* editor;         // the text field, owned
    WideString text;            // in: the initial text; out: the confirmed text
    SkinButton* okButton;
    SkinButton* cancelButton;
    int32_t result;
    bool quitPosted;            // the quit that ends the loop is the pop-up's own

private:
    LRESULT OnClose();
    LRESULT OnActivate(HWND window, WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(WPARAM wParam);
};

// The class procedure of "MyDirNameClass": reaches the open pop-up through
// app.activeNameEntry, so only one can be open at a time.
LRESULT CALLBACK NameEntryClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
