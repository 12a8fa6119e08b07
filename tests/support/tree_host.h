// A parent window of its own holding the real note-tree control, for tests
// of the tree: it records what the control sends it and clears the global
// note tree when it goes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int notifyCode;   // NMHDR.code of a WM_NOTIFY, else 0
};

class TreeHost {
public:
    // Creates the parent (client 240 x 268) and the control in it, laid out.
    TreeHost();
    ~TreeHost();

    HWND Window() const { return window; }
    std::vector<RecordedMessage>& Messages();

    // Puts TreeControlProc in front of the control, as start-up does.
    void InstallTreeControlProc();

private:
    HWND window;
};

// Reading items back from the control of the global note tree.
std::vector<HTREEITEM> ChildrenOf(HTREEITEM parent);
std::vector<std::wstring> ChildLabels(HTREEITEM parent);
std::wstring LabelOf(HTREEITEM item);
uint32_t ParamOf(HTREEITEM item);
int ImageOf(HTREEITEM item);
int SelectedImageOf(HTREEITEM item);
HTREEITEM ChildNamed(HTREEITEM parent, const std::wstring& label);
// Every item from the root down in pre-order, as labels.
std::vector<std::wstring> PreOrderLabels();
// What the note tree's own record of its items says that the control does
// not (item for item: parent, children in order, label, param, kind), or
// an empty text when they agree.
std::wstring RecordDisagreement();
