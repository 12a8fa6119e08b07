#include "tree/note_tree.h"

#include "base/shell_services.h"

WNDPROC treeDefaultProc = nullptr;

LRESULT CALLBACK TreeControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        // A tap-and-hold opens the main window's menu for the item already
        // selected, so the control never sees this press.
        if (IsTapAndHold(window, lParam)) {
            SendMessageW(GetParent(window), WM_LBUTTONDOWN, wParam, lParam);
            return 1;
        }
    }
    return CallWindowProcW(treeDefaultProc, window, message, wParam, lParam);
}
