// The two views, the switch between them, layout, painting and the toolbar
// animation.
#include "shell/main_window.h"

#include "editor/note_editor.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "skin/skin_strip.h"
#include "tree/expand_boxes.h"
#include "tree/note_tree.h"

#include <commctrl.h>

#include <algorithm>

namespace {

const COLORREF kTreeBackground = 0xFFFFFF;
const COLORREF kEditorBackground = 0xB7FFFF;
const COLORREF kEditorText = 0xB41100;

void RepaintWithoutErasing(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
}

void StopAnimation(HWND window)
{
    toolbarStrip.currentFrame = 0;
    KillTimer(window, kAnimationTimerId);
    app.animationTimer = 0;
}

void EnterEditorView(HWND window)
{
    // A label being edited in place ends with the tree view: the hidden
    // edit box must not go on taking keys.
    if (noteTree.controlWindow)
        SendMessageW(noteTree.controlWindow, TVM_ENDEDITLABELNOW, FALSE, 0);
    if (noteTree.selectedKind == kKindNote) {
        ReloadOpenNoteIfChanged();
        noteEditor.Focus();
    } else {
        noteEditor.Show(0);  // a folder: the editor view shows only the skin
        SetFocus(window);
    }
    app.animationTicks = 0;
    app.animationTimer = SetTimer(window, kAnimationTimerId, kAnimationInterval, nullptr);
}

void EnterTreeView(HWND window)
{
    SaveOpenNote();
    noteTree.Focus();
    if (app.animationTimer)
        StopAnimation(window);
}

}  // namespace

void SwitchView(HWND window)
{
    app.editorView = !app.editorView;
    noteEditor.Show(app.editorView ? 1 : 0);
    noteTree.Show(app.editorView ? 0 : 1);
    if (app.editorView)
        EnterEditorView(window);
    else
        EnterTreeView(window);
}

bool SaveOpenNote()
{
    if (noteTree.selectedKind != kKindNote || !noteEditor.modified)
        return true;
    const HTREEITEM note = noteTree.GetSelected();
    if (!note || noteTree.GetKind(note) != kKindNote)
        return true;
    Outcome failure;
    if (noteEditor.SaveNote(noteTree.EntryOf(note), &failure) &&
        noteEditor.lastSaveDetour != SaveDetour::Conflict)
        noteTree.SetEntryId(note, noteEditor.loadedFile.id);
    ReportOutcome(failure);
    ReportSaveDetour();
    return !noteEditor.modified;
}

void ReloadOpenNoteIfChanged()
{
    // Checked before the path is built: a save in progress holds it.
    if (noteTree.selectedKind != kKindNote || noteEditor.modified)
        return;
    const HTREEITEM note = noteTree.GetSelected();
    if (!note || noteTree.GetKind(note) != kKindNote)
        return;
    if (noteEditor.ReloadIfChangedElsewhere(noteTree.EntryOf(note)))
        noteTree.SetEntryId(note, noteEditor.loadedFile.id);
}

bool InsideToggleArea(int x, int y)
{
    return sideStrip.x < x && x < sideStrip.x + sideStrip.drawWidth && sideStrip.y < y &&
           y < sideStrip.y + sideStrip.drawHeight;
}

void PaintMainWindow(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) {
        EndPaint(window, &ps);
        return;
    }
    const RECT client = ClientAboveBar(window);
    app.clientHeight = client.bottom - client.top;
    app.clientWidth = client.right - client.left;
    sideStrip.Rescale(app.clientWidth, app.clientHeight);
    toolbarStrip.Rescale(app.clientWidth, app.clientHeight);

    // Everything is drawn off-screen and copied in one go, so a paint never
    // shows a half-drawn skin.
    HDC offscreen = CreateCompatibleDC(dc);
    HBITMAP image = CreateCompatibleBitmap(dc, app.clientWidth, app.clientHeight);
    HGDIOBJ oldImage = SelectObject(offscreen, image);

    HBRUSH background;
    if (!app.editorView) {
        background = CreateSolidBrush(kTreeBackground);
        sideStrip.x = app.clientWidth - sideStrip.drawWidth;
        sideStrip.y = 0;
    } else {
        background = CreateSolidBrush(kEditorBackground);
        sideStrip.x = 0;
        sideStrip.y = 0;
        toolbarStrip.x = sideStrip.drawWidth;
        toolbarStrip.y = app.clientHeight - toolbarStrip.drawHeight;
    }
    HGDIOBJ oldBrush = SelectObject(offscreen, background);
    FillRect(offscreen, &client, background);
    if (app.editorView && editControl.pageBrush) {
        // The lined page lies behind the editor control and on down to the
        // toolbar, its rules and margin unbroken; with a folder selected
        // and no control shown, the page is there all the same.
        const RECT page = {static_cast<LONG>(noteEditor.x), static_cast<LONG>(noteEditor.y),
                           static_cast<LONG>(noteEditor.x + noteEditor.width),
                           toolbarStrip.y};
        SetBrushOrgEx(offscreen, page.left, page.top, nullptr);
        FillRect(offscreen, &page, editControl.pageBrush);
        SetBrushOrgEx(offscreen, 0, 0, nullptr);
    }
    sideStrip.Draw(offscreen, SRCCOPY, app.clientWidth, app.clientHeight);
    if (app.editorView)
        toolbarStrip.Draw(offscreen, SRCCOPY, app.clientWidth, app.clientHeight);
    BitBlt(dc, 0, 0, app.clientWidth, app.clientHeight, offscreen, 0, 0, SRCCOPY);

    SelectObject(offscreen, oldBrush);
    DeleteObject(background);
    SelectObject(offscreen, oldImage);
    DeleteDC(offscreen);
    DeleteObject(image);
    EndPaint(window, &ps);
}

LRESULT OnPress(HWND window, int x, int y)
{
    if (InsideToggleArea(x, y))
        sideStrip.currentFrame = 1;
    RepaintWithoutErasing(window);
    SendMessageW(window, WM_PAINT, 0, 0);
    return 0;
}

LRESULT OnRelease(HWND window, int x, int y)
{
    if (InsideToggleArea(x, y))
        SwitchView(window);
    sideStrip.currentFrame = 0;
    RepaintWithoutErasing(window);
    return 0;
}

LRESULT OnAnimationTick(HWND window)
{
    if (app.editorView) {
        app.animationTicks += 1;
        toolbarStrip.currentFrame = app.animationTicks;
        if (app.animationTicks > 6 && app.animationTimer)
            StopAnimation(window);
    }
    RepaintWithoutErasing(window);
    return 0;
}

LRESULT OnSettingChange(HWND window, WPARAM wParam, LPARAM lParam)
{
    SHHandleWMSettingChange(window, wParam, lParam, &app.activateInfo);
    const RECT client = ClientAboveBar(window);
    app.clientWidth = client.right - client.left;
    app.clientHeight = client.bottom - client.top;
    LayOutContent();
    return 0;
}

LRESULT OnSize(HWND window, WPARAM kind)
{
    // A minimised window has no client area to lay anything out in; the
    // content is made once, by InitContent, before it is laid out here.
    if (kind == SIZE_MINIMIZED || !app.contentMade)
        return 0;
    const RECT client = ClientAboveBar(window);
    if (client.right <= 0 || client.bottom <= 0)
        return 0;
    app.clientWidth = client.right - client.left;
    app.clientHeight = client.bottom - client.top;
    sideStrip.Rescale(app.clientWidth, app.clientHeight);
    toolbarStrip.Rescale(app.clientWidth, app.clientHeight);
    LayOutContent();
    RepaintWithoutErasing(window);
    return 0;
}

namespace {

// The page brush holds the lined paper scaled as the rest of the skin, so the
// rules stay as far apart as the editor's rows of text at every size.
void RemakePaperBrush()
{
    editBackgroundStrip.Rescale(app.clientWidth, app.clientHeight);
    const int width = editBackgroundStrip.drawWidth;
    const int height = editBackgroundStrip.drawHeight;
    if (!editBackgroundStrip.bitmap || width <= 0 || height <= 0)
        return;
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP page = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previousSource = SelectObject(source, editBackgroundStrip.bitmap);
    HGDIOBJ previousTarget = SelectObject(target, page);
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, 0, 0, width, height, source, 0, 0, editBackgroundStrip.frameWidth,
               editBackgroundStrip.frameHeight, SRCCOPY);
    SelectObject(source, previousSource);
    SelectObject(target, previousTarget);
    DeleteDC(source);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
    HBRUSH brush = CreatePatternBrush(page);
    DeleteObject(page);   // the brush keeps its own copy
    if (!brush)
        return;
    if (editControl.pageBrush)
        DeleteObject(editControl.pageBrush);
    editControl.pageBrush = brush;
}

// A copy of a strip's frame stretched to side x side.
HBITMAP StretchedIcon(const SkinStrip& strip, int side)
{
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP made = CreateCompatibleBitmap(screen, side, side);
    if (source && target && made) {
        HGDIOBJ oldSource = SelectObject(source, strip.bitmap);
        HGDIOBJ oldTarget = SelectObject(target, made);
        SetStretchBltMode(target, HALFTONE);
        StretchBlt(target, 0, 0, side, side, source, 0, 0, strip.frameWidth, strip.frameHeight,
                   SRCCOPY);
        SelectObject(source, oldSource);
        SelectObject(target, oldTarget);
    }
    if (source)
        DeleteDC(source);
    if (target)
        DeleteDC(target);
    ReleaseDC(nullptr, screen);
    return made;
}

// The tree's icons, its indent and so its expand boxes grow with the window
// as the rest of the skin does; at the design size they are the strips'
// own.
void ScaleTreeIcons()
{
    static HIMAGELIST scaled = nullptr;
    static int scaledSide = 0;
    const int designSide = folderIconStrip.frameHeight;
    if (!noteTree.controlWindow || designSide <= 0)
        return;
    const int side = std::max(designSide, designSide * app.clientHeight / kDesignClientHeight);
    const int current = scaled ? scaledSide : designSide;
    if (side == current)
        return;
    HIMAGELIST made = nullptr;
    if (side != designSide) {
        made = ImageList_Create(side, side, ILC_COLOR24, 4, 0);
        if (!made)
            return;
        for (const SkinStrip* strip : {&folderIconStrip, &folderSelectedIconStrip, &noteIconStrip,
                                       &noteSelectedIconStrip}) {
            HBITMAP icon = StretchedIcon(*strip, side);
            ImageList_Add(made, icon, nullptr);
            if (icon)
                DeleteObject(icon);
        }
    }
    SendMessageW(noteTree.controlWindow, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(made ? made : iconList.list));
    SendMessageW(noteTree.controlWindow, TVM_SETINDENT,
                 std::max(kDesignTreeIndent, kDesignTreeIndent * side / designSide), 0);
    if (scaled)
        ImageList_Destroy(scaled);
    scaled = made;
    scaledSide = side;
}

}  // namespace

void LayOutContent()
{
    RemakePaperBrush();
    ScaleTreeIcons();
    noteEditor.Layout(app.clientWidth, app.clientHeight);
    noteTree.Layout(app.clientWidth, app.clientHeight);
    if (noteEditor.control)
        InvalidateRect(noteEditor.control, nullptr, TRUE);
}

LRESULT OnEditorColours(HDC dc, HWND control)
{
    SetTextColor(dc, kEditorText);
    SetBkMode(dc, TRANSPARENT);
    if (control && control == noteEditor.control)
        return reinterpret_cast<LRESULT>(editControl.pageBrush);
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}
