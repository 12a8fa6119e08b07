// The main window on a desktop: resized by the user or by another program,
// laid out by the design's formulas at every size with nothing of the
// user's work lost, started at twice the design size or at the size it was
// left at, and kept from nonsense in the registry.
#include "base/drawing.h"
#include "base/shell_services.h"
#include "editor/note_editor.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/desktop_window.h"
#include "skin/about_window.h"
#include "skin/skin_strip.h"
#include "tree/expand_boxes.h"
#include "tree/note_tree.h"

#include "support/shell_program.h"
#include "support/tree_files.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

namespace {

const std::string kMark("\xFF\xFE", 2);

std::string Utf16(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string SizeName(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// The program's client area (above the menu bar) in screen coordinates.
RECT ClientOnScreen(HWND window)
{
    RECT client = ClientAboveBar(window);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

// A child control's rectangle in the main window's client coordinates.
RECT ChildRect(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND MenuBar()
{
    return app.menuBar;
}

// Everything the design places for a client area of W x H (Parts 1.2, 2.1,
// 3.1, 4.1): each product formed first, each quotient truncated.
void ExpectLaidOutFor(HWND window, int width, int height)
{
    const RECT client = ClientAboveBar(window);
    ASSERT_EQ(width, client.right);
    ASSERT_EQ(height, client.bottom);
    EXPECT_EQ(width, app.clientWidth);
    EXPECT_EQ(height, app.clientHeight);

    const RECT tree = ChildRect(noteTree.controlWindow);
    EXPECT_EQ(5 * width / 240, tree.left);
    EXPECT_EQ(5 * height / 268, tree.top);
    EXPECT_EQ(200 * width / 240, tree.right - tree.left);
    EXPECT_EQ(258 * height / 268, tree.bottom - tree.top);

    const RECT editor = ChildRect(noteEditor.control);
    EXPECT_EQ(30 * width / 240, editor.left);
    EXPECT_EQ(0, editor.top);
    EXPECT_EQ(207 * width / 240, editor.right - editor.left);
    EXPECT_EQ(221 * height / 268, editor.bottom - editor.top);

    // The strips are rescaled at once, the paper behind the text with them.
    EXPECT_EQ(30 * width / 240, sideStrip.drawWidth);
    EXPECT_EQ(268 * height / 268, sideStrip.drawHeight);
    EXPECT_EQ(210 * width / 240, toolbarStrip.drawWidth);
    EXPECT_EQ(40 * height / 268, toolbarStrip.drawHeight);
    EXPECT_EQ(207 * width / 240, editBackgroundStrip.drawWidth);
    EXPECT_EQ(221 * height / 268, editBackgroundStrip.drawHeight);

    // The fonts: the design's sizes at 268 pixels, scaled with the height.
    EXPECT_EQ(13 * height / 268, noteTree.labelFontCell);
    EXPECT_EQ(std::max(8, 17 * height / 268), noteEditor.fontCell);

    // The menu bar right below, across the whole width, inside the window:
    // it ends where the window's own client area ends, within its frame.
    ASSERT_NE(nullptr, MenuBar());
    EXPECT_TRUE(IsChild(window, MenuBar()));
    const RECT onScreen = ClientOnScreen(window);
    RECT bar;
    GetWindowRect(MenuBar(), &bar);
    EXPECT_EQ(onScreen.bottom, bar.top);
    EXPECT_EQ(onScreen.left, bar.left);
    EXPECT_EQ(onScreen.right, bar.right);
    // It grows with the window as the skin does: 26 below 268.
    const int barHeight = std::max(MenuBarHeight(), 26 * height / 268);
    EXPECT_EQ(barHeight, bar.bottom - bar.top);
    RECT whole;
    GetClientRect(window, &whole);
    EXPECT_EQ(whole.bottom, client.bottom + barHeight);
    EXPECT_TRUE(IsWindowVisible(MenuBar()));
}

// What a size change must leave as it was.
struct Work {
    bool editorView;
    HTREEITEM selected;
    int selectedKind;
    DWORD selectionStart;
    DWORD selectionEnd;
    std::wstring text;
    std::wstring controlText;
    bool modified;
    bool editorShown;
    bool treeShown;
};

Work CurrentWork()
{
    Work work;
    work.editorView = app.editorView;
    work.selected = reinterpret_cast<HTREEITEM>(
        SendMessageW(noteTree.controlWindow, TVM_GETNEXTITEM, TVGN_CARET, 0));
    work.selectedKind = noteTree.selectedKind;
    SendMessageW(noteEditor.control, EM_GETSEL, reinterpret_cast<WPARAM>(&work.selectionStart),
                 reinterpret_cast<LPARAM>(&work.selectionEnd));
    work.text = noteEditor.text;
    wchar_t shown[2048] = {0};
    GetWindowTextW(noteEditor.control, shown, 2048);
    work.controlText = shown;
    work.modified = noteEditor.modified;
    work.editorShown = IsWindowVisible(noteEditor.control) != 0;
    work.treeShown = IsWindowVisible(noteTree.controlWindow) != 0;
    return work;
}

void ExpectSameWork(const Work& before, const Work& after)
{
    EXPECT_EQ(before.editorView, after.editorView) << "the view";
    EXPECT_EQ(before.selected, after.selected) << "the selected item";
    EXPECT_EQ(before.selectedKind, after.selectedKind);
    EXPECT_EQ(before.selectionStart, after.selectionStart) << "the caret";
    EXPECT_EQ(before.selectionEnd, after.selectionEnd);
    EXPECT_EQ(before.text, after.text) << "the note's text";
    EXPECT_EQ(before.controlText, after.controlText);
    EXPECT_EQ(before.modified, after.modified) << "the modified flag";
    EXPECT_EQ(before.editorShown, after.editorShown);
    EXPECT_EQ(before.treeShown, after.treeShown);
}

// Gives the main window a client size from outside, as another program
// may, and checks it is laid out for it with the user's work kept; then
// lets the paint that follows run.
void ResizeKeepingWork(ProgramUnderTest& program, int width, int height, const Work& before)
{
    SetClientSizeFromOutside(program.window(), width, height);
    program.Pump();
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), width, height));
    ExpectSameWork(before, CurrentWork());
    UpdateWindow(program.window());
}

// Starts the program on one note "note" holding text and opens it in the
// editor (the side strip at the right edge of 240 x 268).
void OpenNote(ProgramUnderTest& program, const std::wstring& text)
{
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"note"), kMark + Utf16(text)));
    ASSERT_TRUE(program.Start());
    HTREEITEM note = ItemNamed(noteTree.GetRootItem(), L"note");
    ASSERT_NE(nullptr, note);
    noteTree.SelectItem(note);
    program.Tap(225, 100);
    ASSERT_TRUE(app.editorView);
    ASSERT_TRUE(IsWindowVisible(noteEditor.control));
}

// The client size a first start has on this screen.
SIZE FirstStartSize(HWND window)
{
    const RECT work = MainWorkArea();
    const RECT edges = NonClientEdgesFor(window, 0);
    const int frameHeight = edges.top + edges.bottom - MenuBarHeight();
    // The tallest client area whose bar still fits below it.
    int height = work.bottom - work.top - frameHeight - MenuBarHeight();
    while (height + std::max(MenuBarHeight(), 26 * height / 268) >
           work.bottom - work.top - frameHeight)
        --height;
    SIZE room = {work.right - work.left - edges.left - edges.right, height};
    return StartClientSize(ScreenDpi(), room);
}

DWORD StoredNumber(const wchar_t* name, bool* present)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    *present = RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Brisel\\ZephNotes", name, RRF_RT_ANY,
                            &type, &value, &size) == ERROR_SUCCESS &&
               type == REG_DWORD;
    return value;
}

void SetStoredValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Brisel\\ZephNotes", 0,
                                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

}  // namespace

// ---- the rules, as plain functions ------------------------------------------

TEST(DesktopRules, AFirstStartIsTwiceTheDesignSizeWhenTheWorkAreaHasRoom)
{
    struct Case {
        int dpi, roomWidth, roomHeight, width, height;
    };
    const Case cases[] = {
        {96, 1880, 1000, 480, 536},   // a 1080p screen
        {96, 480, 536, 480, 536},     // exactly room for it
        {96, 479, 1000, 240, 268},    // a pixel too narrow: the design size
        {96, 1000, 535, 240, 268},
        {96, 240, 268, 240, 268},
        {96, 200, 200, 240, 268},     // never below the design size
        {144, 3000, 2000, 720, 804},  // 150 %: in proportion to the DPI
        {144, 700, 900, 360, 402},
        {144, 300, 1000, 300, 335},   // the largest of the proportions that fits
        {120, 3000, 2000, 600, 670},
        {192, 3800, 2000, 960, 1072},
        {192, 1900, 1000, 480, 536},
        {0, 1880, 1000, 480, 536},    // no DPI known: 96
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI, room " + SizeName(c.roomWidth, c.roomHeight));
        const SIZE size = StartClientSize(c.dpi, SIZE{c.roomWidth, c.roomHeight});
        EXPECT_EQ(c.width, size.cx);
        EXPECT_EQ(c.height, size.cy);
    }
}

TEST(DesktopRules, ADragKeepsTheDesignsProportionsFromTheEdgesNotDragged)
{
    const SIZE nonClient = {8, 27};
    const int left = 100;
    const int top = 50;
    struct Case {
        WPARAM edge;
        int proposedWidth, proposedHeight;   // client size the drag proposes
        int width, height;                   // what it becomes
    };
    const Case cases[] = {
        {WMSZ_RIGHT, 480, 268, 480, 536},
        {WMSZ_LEFT, 360, 300, 360, 402},
        {WMSZ_BOTTOM, 240, 1072, 960, 1072},
        {WMSZ_TOP, 900, 402, 360, 402},
        {WMSZ_BOTTOMRIGHT, 480, 300, 480, 536},   // the side dragged farther leads
        {WMSZ_BOTTOMRIGHT, 250, 536, 480, 536},
        {WMSZ_TOPLEFT, 720, 700, 720, 804},
        {WMSZ_TOPRIGHT, 300, 900, 806, 900},
        {WMSZ_BOTTOMLEFT, 333, 300, 333, 372},    // 333 x 371.85: to the nearest pixel
        {WMSZ_RIGHT, 100, 268, 240, 268},         // never below the design size
        {WMSZ_TOPLEFT, 120, 134, 240, 268},
        {WMSZ_BOTTOM, 240, 200, 240, 268},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("edge " + std::to_string(c.edge) + ", " +
                     SizeName(c.proposedWidth, c.proposedHeight));
        const RECT before = {left, top, left + 400, top + 400};
        const bool leftEdge =
            c.edge == WMSZ_LEFT || c.edge == WMSZ_TOPLEFT || c.edge == WMSZ_BOTTOMLEFT;
        const bool topEdge = c.edge == WMSZ_TOP || c.edge == WMSZ_TOPLEFT || c.edge == WMSZ_TOPRIGHT;
        RECT frame = before;
        if (leftEdge)
            frame.left = frame.right - c.proposedWidth - nonClient.cx;
        else
            frame.right = frame.left + c.proposedWidth + nonClient.cx;
        if (topEdge)
            frame.top = frame.bottom - c.proposedHeight - nonClient.cy;
        else
            frame.bottom = frame.top + c.proposedHeight + nonClient.cy;
        KeepDesignProportions(c.edge, nonClient, &frame);
        EXPECT_EQ(c.width, frame.right - frame.left - nonClient.cx);
        EXPECT_EQ(c.height, frame.bottom - frame.top - nonClient.cy);
        // The edges the user does not drag stay where they were.
        if (leftEdge)
            EXPECT_EQ(before.right, frame.right);
        else
            EXPECT_EQ(before.left, frame.left);
        if (topEdge)
            EXPECT_EQ(before.bottom, frame.bottom);
        else
            EXPECT_EQ(before.top, frame.top);
    }
    // Every width a drag can give has the height nearest its proportion.
    for (int width = 240; width <= 2000; ++width) {
        RECT frame = {0, 0, width + nonClient.cx, 10};
        KeepDesignProportions(WMSZ_RIGHT, nonClient, &frame);
        const int height = frame.bottom - nonClient.cy;
        ASSERT_LE(std::abs(height * 240 - width * 268), 120) << width;
    }
}

TEST(DesktopRules, StoredNumbersThatCannotBeAPlacementAreNotTrusted)
{
    EXPECT_TRUE(SensiblePlacement({100, 80, 480, 536, 0}));
    EXPECT_TRUE(SensiblePlacement({-1500, -20, 240, 268, 1}));   // a screen left of the main one
    EXPECT_TRUE(SensiblePlacement({0, 0, 16384, 16384, 0}));
    const StoredNumbers nonsense[] = {
        {100, 80, -480, 536, 0},              // negative sizes
        {100, 80, 480, -536, 0},
        {100, 80, 0, 0, 0},
        {100, 80, 239, 536, 0},               // below the design size
        {100, 80, 480, 267, 0},
        {100, 80, 16385, 536, 0},             // huge
        {100, 80, 480, 0x7FFFFFFF, 0},
        {40000, 80, 480, 536, 0},             // no window lies there
        {100, -40000, 480, 536, 0},
        {-2147483647 - 1, 0, 480, 536, 0},
        {100, 80, 480, 536, 2},               // maximised is 0 or 1
        {100, 80, 480, 536, -1},
    };
    for (const StoredNumbers& numbers : nonsense) {
        EXPECT_FALSE(SensiblePlacement(numbers))
            << numbers.left << " " << numbers.top << " " << numbers.width << " "
            << numbers.height << " " << numbers.maximized;
    }
}

TEST(DesktopRules, APlacementIsFittedToTheScreenThatExistsNow)
{
    const RECT work = MainWorkArea();
    const int bar = 26;
    const RECT edges = {4, 23, 4, 4 + bar};   // the frame, and the bar at the bottom
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;

    // Wholly on the screen: kept as it is.
    RECT client = {work.left + 50, work.top + 60, work.left + 50 + 240, work.top + 60 + 268};
    const RECT inside = client;
    ASSERT_TRUE(FitToScreen(edges, &client));
    EXPECT_TRUE(EqualRect(&inside, &client));

    // Off every screen: not used.
    client = {work.right + 3000, work.top, work.right + 3240, work.top + 268};
    EXPECT_FALSE(FitToScreen(edges, &client));
    client = {-30000, -30000, -30000 + 480, -30000 + 536};
    EXPECT_FALSE(FitToScreen(edges, &client));

    // Partly off: moved on, as far as it must, with its frame and bar.
    client = {work.right - 100, work.bottom - 50, work.right - 100 + 480, work.bottom - 50 + 536};
    ASSERT_TRUE(FitToScreen(edges, &client));
    EXPECT_EQ(480, client.right - client.left);
    EXPECT_EQ(536, client.bottom - client.top);
    EXPECT_EQ(work.right - edges.right, client.right);
    EXPECT_EQ(work.bottom - edges.bottom, client.bottom);
    client = {work.left - 100, work.top - 10, work.left - 100 + 240, work.top - 10 + 268};
    ASSERT_TRUE(FitToScreen(edges, &client));
    EXPECT_EQ(work.left + edges.left, client.left);
    EXPECT_EQ(work.top + edges.top, client.top);

    // Larger than the screen: smaller in its own proportions, then on it.
    client = {work.left, work.top, work.left + 2 * workWidth, work.top + 2 * workWidth * 268 / 240};
    ASSERT_TRUE(FitToScreen(edges, &client));
    EXPECT_LE(client.right - client.left, workWidth - edges.left - edges.right);
    EXPECT_LE(client.bottom - client.top, workHeight - edges.top - edges.bottom);
    EXPECT_LE(std::abs((client.right - client.left) * 268 - (client.bottom - client.top) * 240),
              268);
    EXPECT_GE(client.left - edges.left, work.left);
    EXPECT_GE(client.top - edges.top, work.top);
}

// ---- the program, resized -----------------------------------------------------

TEST(DesktopWindow, HasAResizableFrameAndAMinimumOfTheDesignSize)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    const LONG style = GetWindowLongW(program.window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);

    // No program makes it smaller than the design size for long.
    SetClientSizeFromOutside(program.window(), 100, 120);
    program.PumpFor(kManagerSettleDelay + 100);
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 240, 268));

    // A drag is kept in proportion by the window itself.
    RECT frame;
    GetWindowRect(program.window(), &frame);
    frame.right += 240;
    SendMessageW(program.window(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&frame));
    SetWindowPos(program.window(), nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    program.Pump();
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 480, 536));
    EXPECT_EQ(0u, program.boxes.Count());
}

TEST(DesktopWindow, ASizeLoopWithoutSizingStepsEndsInProportionAndAMoveKeepsAnySize)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    const RECT edges = NonClientEdges(program.window());
    RECT start;
    GetWindowRect(program.window(), &start);

    // A manager's drag of the right edge: no WM_SIZING on the way.
    SendMessageW(program.window(), WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(program.window(), nullptr, 0, 0, 400 + edges.left + edges.right,
                 268 + edges.top + edges.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(program.window(), WM_EXITSIZEMOVE, 0, 0);
    program.Pump();
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 400, 447));
    RECT now;
    GetWindowRect(program.window(), &now);
    EXPECT_EQ(start.left, now.left) << "the edges not dragged stay";
    EXPECT_EQ(start.top, now.top);

    // Of the top edge: the bottom stays, the width follows the height.
    GetWindowRect(program.window(), &start);
    const RECT tall = NonClientEdgesFor(program.window(), 536);
    SendMessageW(program.window(), WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(program.window(), nullptr, start.left, start.bottom - 536 - tall.top - tall.bottom,
                 start.right - start.left, 536 + tall.top + tall.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(program.window(), WM_EXITSIZEMOVE, 0, 0);
    program.Pump();
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 480, 536));
    GetWindowRect(program.window(), &now);
    EXPECT_EQ(start.bottom, now.bottom);
    EXPECT_EQ(start.left, now.left);

    // A move is only a move.
    SendMessageW(program.window(), WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(program.window(), nullptr, now.left + 10, now.top + 10, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(program.window(), WM_EXITSIZEMOVE, 0, 0);
    program.PumpFor(kManagerSettleDelay + 100);
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 480, 536));
    RECT moved;
    GetWindowRect(program.window(), &moved);
    EXPECT_EQ(now.left + 10, moved.left);
    EXPECT_EQ(now.top + 10, moved.top);
}

// One step of a window manager's drag as Wine hands it on: a size change
// from the window's own thread, nothing before or after it.
void ManagerStep(HWND window, const RECT& frame)
{
    SetWindowPos(window, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT FrameAround(HWND window, int left, int top, int width, int height)
{
    const RECT edges = NonClientEdgesFor(window, height);
    return {left - edges.left, top - edges.top, left + width + edges.right,
            top + height + edges.bottom};
}

TEST(DesktopWindow, ASizeFromOutsideEndsInProportionInsideItOnTheScreen)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    const HWND window = program.window();
    SetClientSizeFromOutside(window, 480, 536);
    program.PumpFor(kManagerSettleDelay + 100);
    const int x = ClientOnScreen(window).left;
    const int y = ClientOnScreen(window).top;
    // The sizes a manager's drag or another program's request hands on, step
    // by step, and what the window has once it is quiet: the client area's
    // left, top, width and height, from where it began. The design's
    // proportions fit inside what was asked; the edges not moved stay; a
    // left edge often comes as the size at the old place, then the move. A
    // hand that pauses has the window answer halfway; a manager that drags
    // goes on from its own size.
    const RECT pause = {};
    struct Drag {
        const char* what;
        std::vector<RECT> steps;
        RECT kept;
    };
    const Drag drags[] = {
        {"the right edge out: never larger than asked",
         {{0, 0, 520, 536}, {0, 0, 560, 536}, {0, 0, 600, 536}}, {0, 0, 480, 536}},
        {"a corner out", {{0, 0, 560, 600}, {0, 0, 600, 640}}, {0, 0, 573, 640}},
        {"the manager repeating its last size", {{0, 0, 600, 640}}, {0, 0, 573, 640}},
        {"the right edge in", {{0, 0, 540, 640}}, {0, 0, 540, 603}},
        {"the top edge down", {{0, 100, 540, 503}}, {0, 100, 450, 503}},
        {"the left edge in, size then move", {{0, 100, 400, 503}, {50, 100, 400, 503}},
         {50, 100, 400, 447}},
        {"the left edge out with a pause between a size and its move",
         {{50, 100, 415, 447}, {35, 100, 415, 447}, {35, 100, 430, 447}, {20, 100, 430, 447},
          {20, 100, 445, 447}, pause, {5, 100, 445, 447}},
         {50, 100, 400, 447}},
        {"too small", {{50, 100, 100, 120}}, {50, 100, 240, 268}},
    };
    for (const Drag& drag : drags) {
        SCOPED_TRACE(drag.what);
        for (const RECT& step : drag.steps) {
            if (EqualRect(&step, &pause)) {
                program.PumpFor(kManagerSettleDelay + 100);
                continue;
            }
            ManagerStep(window, FrameAround(window, x + step.left, y + step.top, step.right,
                                            step.bottom));
            program.Pump();
        }
        program.PumpFor(kManagerSettleDelay + 100);
        ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(window, drag.kept.right, drag.kept.bottom));
        EXPECT_EQ(x + drag.kept.left, ClientOnScreen(window).left);
        EXPECT_EQ(y + drag.kept.top, ClientOnScreen(window).top);
    }

    // Larger than the screen: in proportion on its work area, frame and bar.
    const RECT work = MainWorkArea();
    ManagerStep(window, FrameAround(window, x, y, 4000, 3000));
    program.PumpFor(kManagerSettleDelay + 100);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom);
    const RECT client = ClientAboveBar(window);
    EXPECT_LE(std::abs(client.right * 268 - client.bottom * 240), 268) << "in proportion";

    // A move is left as it is, even half off the screen; after the screen
    // changed (a monitor gone) the window is brought back whole, its size kept.
    SetWindowPos(window, nullptr, work.right - (frame.right - frame.left) / 2, frame.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    program.PumpFor(kManagerSettleDelay + 100);
    GetWindowRect(window, &frame);
    ASSERT_GT(frame.right, work.right);
    SendMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(work.right, work.bottom));
    program.PumpFor(kManagerSettleDelay + 100);
    GetWindowRect(window, &frame);
    EXPECT_TRUE(frame.left >= work.left && frame.right <= work.right);
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(window, client.right, client.bottom));

    // A manager that gives its own size back each time (a tiling one) keeps
    // it, and the window is laid out for it; so is a maximised window.
    for (int time = 0; time < 3; ++time) {
        ManagerStep(window, FrameAround(window, x, y, 600, 300));
        program.PumpFor(kManagerSettleDelay + 100);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(window, 600, 300));
    ShowWindow(window, SW_MAXIMIZE);
    program.PumpFor(kManagerSettleDelay + 100);
    const RECT maximised = ClientAboveBar(window);
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(window, maximised.right, maximised.bottom));
    EXPECT_EQ(0u, program.boxes.Count());
}

TEST(DesktopWindow, EverySizeIsLaidOutByTheDesignsFormulasAndTheWorkSurvives)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, L"Идеи\r\nСписок дел\r\nПозвонить"));
    // The caret inside the second row, and an edit not yet saved.
    SendMessageW(noteEditor.control, EM_SETSEL, 8, 8);
    SendMessageW(noteEditor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"новый "));
    SendMessageW(noteEditor.control, EM_SETSEL, 10, 12);
    ASSERT_TRUE(noteEditor.modified);
    const Work before = CurrentWork();
    ASSERT_TRUE(before.editorShown);

    const int sizes[][2] = {{240, 268}, {480, 536}, {360, 402}, {960, 1072}, {333, 401},
                            {480, 536}, {240, 268}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(SizeName(size[0], size[1]));
        ASSERT_NO_FATAL_FAILURE(ResizeKeepingWork(program, size[0], size[1], before));
        // The paint that follows puts the strips of the editor view in place.
        EXPECT_EQ(0, sideStrip.x);
        EXPECT_EQ(sideStrip.drawWidth, toolbarStrip.x);
        EXPECT_EQ(size[1] - toolbarStrip.drawHeight, toolbarStrip.y);
    }
    // The view still switches by its strip, now at the left edge.
    program.Tap(15, 100);
    EXPECT_FALSE(app.editorView);
    std::string saved;
    ASSERT_TRUE(ReadBytes(program.NotesPath(L"note"), &saved));
    EXPECT_EQ(kMark + Utf16(before.text), saved) << "leaving the editor saved the edit";
    EXPECT_EQ(0u, program.boxes.Count());
}

TEST(DesktopWindow, TheTreeViewKeepsItsSelectionAndTheSideStripFollowsTheRightEdge)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(program.NotesPath(L"Дом").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(program.NotesPath(L"Идеи"), kMark + Utf16(L"x")));
    ASSERT_TRUE(program.Start());
    noteTree.SelectItem(ItemNamed(noteTree.GetRootItem(), L"Дом"));
    const Work before = CurrentWork();
    ASSERT_FALSE(before.editorView);
    const int sizes[][2] = {{480, 536}, {333, 401}, {960, 1072}, {360, 402}, {240, 268}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(SizeName(size[0], size[1]));
        ASSERT_NO_FATAL_FAILURE(ResizeKeepingWork(program, size[0], size[1], before));
        EXPECT_EQ(size[0] - sideStrip.drawWidth, sideStrip.x);
        // A tap just inside the strip's scaled left border switches; one on
        // it does not, at every size.
        program.Tap(sideStrip.x, size[1] / 2);
        EXPECT_FALSE(app.editorView);
    }
    // Grown, the root's expand box is drawn as large as the tree around it,
    // and a tap on either far corner of it closes or opens the folder.
    SetClientSizeFromOutside(program.window(), 480, 536);
    program.Pump();
    const HTREEITEM root = noteTree.GetRootItem();
    const RECT box = ExpandBoxRect(noteTree.controlWindow, root);
    const auto open = [root] { return ItemExpanded(noteTree.controlWindow, root); };
    EXPECT_GE(box.right - box.left, 17);
    for (const POINT corner : {POINT{box.left, box.top}, POINT{box.right - 1, box.bottom - 1}}) {
        const bool wasOpen = open();
        PostMessageW(noteTree.controlWindow, WM_LBUTTONUP, 0, MAKELPARAM(corner.x, corner.y));
        SendMessageW(noteTree.controlWindow, WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM(corner.x, corner.y));
        program.Pump();
        EXPECT_NE(wasOpen, open())
            << corner.x << "," << corner.y;
    }
    program.Tap(sideStrip.x + 1, 100);
    EXPECT_TRUE(app.editorView);
}

TEST(DesktopWindow, MinimisedItKeepsItsLayoutAndMaximisedItKeepsItsBarOnTheScreen)
{
    ProgramUnderTest program;
    ASSERT_NO_FATAL_FAILURE(OpenNote(program, L"text"));
    SetClientSizeFromOutside(program.window(), 360, 402);
    program.Pump();
    const Work before = CurrentWork();

    ShowWindow(program.window(), SW_MINIMIZE);
    program.Pump();
    EXPECT_EQ(360, app.clientWidth) << "a minimised window lays nothing out";
    EXPECT_EQ(402, app.clientHeight);
    EXPECT_TRUE(IsChild(program.window(), MenuBar())) << "the bar goes with the window";
    ShowWindow(program.window(), SW_RESTORE);
    program.Pump();
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 360, 402));
    ExpectSameWork(before, CurrentWork());

    ShowWindow(program.window(), SW_MAXIMIZE);
    program.Pump();
    ASSERT_TRUE(IsZoomed(program.window()));
    const RECT client = ClientAboveBar(program.window());
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), client.right, client.bottom));
    ExpectSameWork(before, CurrentWork());
    RECT bar;
    GetWindowRect(MenuBar(), &bar);
    EXPECT_LE(bar.bottom, MainWorkArea().bottom) << "the bar stays on the screen";
    ShowWindow(program.window(), SW_RESTORE);
    program.Pump();
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 360, 402));
}

TEST(DesktopWindow, ThePopUpsCoverOrCentreOnTheClientAreaAtEverySize)
{
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start());
    SetClientSizeFromOutside(program.window(), 480, 536);
    program.Pump();
    program.AnswerNameEntry(L"", IDCANCEL);
    program.HoldAndChoose(IDM_CREATE_FOLDER);
    ASSERT_EQ(1u, program.nameEntryPlaces.size());
    const RECT client = ClientOnScreen(program.window());
    EXPECT_EQ(client.left + (480 - 162) / 2, program.nameEntryPlaces[0].left);
    EXPECT_EQ(client.top + (536 - 84) / 2, program.nameEntryPlaces[0].top);
    EXPECT_EQ(162, program.nameEntryPlaces[0].right - program.nameEntryPlaces[0].left);

    program.Command(IDM_ABOUT);
    program.Pump();
    ASSERT_NE(nullptr, aboutWindow);
    const RECT about = ClientOnScreen(aboutWindow);
    EXPECT_TRUE(EqualRect(&client, &about)) << "the About window covers the client area";
    SendMessageW(aboutWindow, WM_CLOSE, 0, 0);
    program.Pump();
    EXPECT_EQ(0u, program.boxes.Count());
}

// ---- the size of a start ------------------------------------------------------

TEST(DesktopStart, AFirstStartIsTwiceTheDesignSizeWhereTheSystemPutsIt)
{
    ProgramUnderTest program;
    program.startAtDesignSize = false;
    ASSERT_TRUE(program.Start());
    const SIZE expected = FirstStartSize(program.window());
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), expected.cx, expected.cy));
    const RECT work = MainWorkArea();
    if (work.right - work.left >= 600 && work.bottom - work.top >= 640) {
        EXPECT_EQ(480, expected.cx) << "96 DPI and room for it";
        EXPECT_EQ(536, expected.cy);
    }
    RECT frame;
    GetWindowRect(program.window(), &frame);
    RECT bar;
    GetWindowRect(MenuBar(), &bar);
    EXPECT_GE(frame.left, work.left);
    EXPECT_GE(frame.top, work.top);
    EXPECT_LE(frame.right, work.right);
    EXPECT_LE(bar.bottom, work.bottom);
}

TEST(DesktopStart, ThePlaceAndSizeLeftAtExitAreTheNextStarts)
{
    RECT left;
    int stored[2] = {0, 0};
    {
        ProgramUnderTest program;
        ASSERT_TRUE(program.Start());
        const RECT work = MainWorkArea();
        const RECT edges = NonClientEdgesFor(program.window(), 402);
        SetWindowPos(program.window(), nullptr, work.left + 70, work.top + 30,
                     360 + edges.left + edges.right, 402 + edges.top + edges.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        program.Pump();
        left = ClientOnScreen(program.window());
        ASSERT_TRUE(program.Exit());
        bool present = false;
        EXPECT_EQ(360u, StoredNumber(L"ClientWidth", &present));
        EXPECT_TRUE(present);
        EXPECT_EQ(402u, StoredNumber(L"ClientHeight", &present));
        stored[0] = static_cast<int>(StoredNumber(L"ClientLeft", &present));
        stored[1] = static_cast<int>(StoredNumber(L"ClientTop", &present));
        EXPECT_EQ(left.left, stored[0]);
        EXPECT_EQ(left.top, stored[1]);
        EXPECT_EQ(0u, StoredNumber(L"Maximized", &present));
    }
    // A new run; each test's guard starts from a clean key, so the numbers
    // the exit wrote are put back as they were.
    ProgramUnderTest again;
    again.startAtDesignSize = false;
    StoreClientPlacement(stored[0], stored[1], 360, 402, 0);
    ASSERT_TRUE(again.Start());
    const RECT back = ClientOnScreen(again.window());
    EXPECT_TRUE(EqualRect(&left, &back)) << back.left << "," << back.top << " " << back.right
                                         << "," << back.bottom;
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(again.window(), 360, 402));
}

TEST(DesktopStart, AMaximisedWindowComesBackMaximisedAndRestoresToItsRectangle)
{
    RECT restored;
    int stored[2] = {0, 0};
    {
        ProgramUnderTest program;
        ASSERT_TRUE(program.Start());
        SetClientSizeFromOutside(program.window(), 480, 536);
        program.Pump();
        restored = ClientOnScreen(program.window());
        ShowWindow(program.window(), SW_MAXIMIZE);
        program.Pump();
        ASSERT_TRUE(IsZoomed(program.window()));
        ASSERT_TRUE(program.Exit());
        bool present = false;
        EXPECT_EQ(1u, StoredNumber(L"Maximized", &present));
        EXPECT_EQ(480u, StoredNumber(L"ClientWidth", &present)) << "the restored rectangle";
        EXPECT_EQ(536u, StoredNumber(L"ClientHeight", &present));
        stored[0] = static_cast<int>(StoredNumber(L"ClientLeft", &present));
        stored[1] = static_cast<int>(StoredNumber(L"ClientTop", &present));
        EXPECT_EQ(restored.left, stored[0]);
        EXPECT_EQ(restored.top, stored[1]);
    }
    ProgramUnderTest again;
    again.startAtDesignSize = false;
    StoreClientPlacement(stored[0], stored[1], 480, 536, 1);
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(IsZoomed(again.window()));
    const RECT client = ClientAboveBar(again.window());
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(again.window(), client.right, client.bottom));
    ShowWindow(again.window(), SW_RESTORE);
    again.Pump();
    const RECT back = ClientOnScreen(again.window());
    EXPECT_TRUE(EqualRect(&restored, &back));
    ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(again.window(), 480, 536));
}

TEST(DesktopStart, AStoredRectangleThatIsOffScreenOrNonsenseIsIgnored)
{
    const RECT work = MainWorkArea();
    const int x = work.left + 20;
    const int y = work.top + 40;
    const wchar_t text[] = L"480";
    const DWORD64 wide = 480;
    struct Case {
        const char* what;
        int left, top, width, height, maximized;
        const wchar_t* odd;     // a value stored otherwise, or null
        DWORD oddType;
        const void* oddData;
        DWORD oddSize;
    };
    const Case cases[] = {
        {"a negative width", x, y, -480, 536, 0, nullptr, 0, nullptr, 0},
        {"a negative height", x, y, 480, -536, 0, nullptr, 0, nullptr, 0},
        {"a huge width", x, y, 0x7FFFFFFF, 536, 0, nullptr, 0, nullptr, 0},
        {"a huge height", x, y, 480, 100000, 0, nullptr, 0, nullptr, 0},
        {"a size below the design", x, y, 100, 100, 0, nullptr, 0, nullptr, 0},
        {"off every screen to the right", work.right + 5000, y, 480, 536, 0, nullptr, 0, nullptr,
         0},
        {"off every screen above", x, -20000, 480, 536, 0, nullptr, 0, nullptr, 0},
        {"a corner beyond any screen", -2147483647, y, 480, 536, 0, nullptr, 0, nullptr, 0},
        {"a maximised flag of 7", x, y, 480, 536, 7, nullptr, 0, nullptr, 0},
        {"a width stored as a string", x, y, 480, 536, 0, L"ClientWidth", REG_SZ, text,
         sizeof(text)},
        {"a left stored as eight bytes", x, y, 480, 536, 0, L"ClientLeft", REG_QWORD, &wide,
         sizeof(wide)},
        {"a height stored as binary", x, y, 480, 536, 0, L"ClientHeight", REG_BINARY, &wide, 4},
        {"no top", x, y, 480, 536, 0, L"ClientTop", REG_NONE, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramUnderTest program;
        program.startAtDesignSize = false;
        StoreClientPlacement(c.left, c.top, c.width, c.height, c.maximized);
        if (c.odd && c.oddType == REG_NONE) {
            HKEY key = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Brisel\\ZephNotes", 0, KEY_WRITE, &key);
            RegDeleteValueW(key, c.odd);
            RegCloseKey(key);
        } else if (c.odd) {
            SetStoredValue(c.odd, c.oddType, c.oddData, c.oddSize);
        }
        ASSERT_TRUE(program.Start());
        const SIZE expected = FirstStartSize(program.window());
        ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), expected.cx, expected.cy));
        EXPECT_FALSE(IsZoomed(program.window()));
        RECT frame;
        GetWindowRect(program.window(), &frame);
        EXPECT_GE(frame.left, work.left) << "on the screen";
        EXPECT_GE(frame.top, work.top);
        EXPECT_LE(frame.right, work.right);
        EXPECT_EQ(0u, program.boxes.Count());
        ASSERT_TRUE(program.Exit());
        bool present = false;
        EXPECT_EQ(static_cast<DWORD>(expected.cx), StoredNumber(L"ClientWidth", &present))
            << "exit writes a sound placement over it";
        EXPECT_TRUE(present);
    }
}

TEST(DesktopStart, AStoredRectangleThatNoLongerFitsIsClippedToTheScreen)
{
    const RECT work = MainWorkArea();
    const int workWidth = work.right - work.left;
    const int workHeight = work.bottom - work.top;
    {
        // Partly off the bottom-right corner: moved onto the screen whole.
        ProgramUnderTest program;
        program.startAtDesignSize = false;
        StoreClientPlacement(work.right - 200, work.bottom - 100, 360, 402, 0);
        ASSERT_TRUE(program.Start());
        ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), 360, 402));
        RECT frame;
        GetWindowRect(program.window(), &frame);
        RECT bar;
        GetWindowRect(MenuBar(), &bar);
        EXPECT_LE(frame.right, work.right);
        EXPECT_LE(bar.bottom, work.bottom);
        EXPECT_GT(frame.left, work.right - 200 - 360) << "no farther than it must";
    }
    {
        // Larger than the screen (a larger screen once): smaller, in proportion.
        ProgramUnderTest program;
        program.startAtDesignSize = false;
        StoreClientPlacement(work.left + 10, work.top + 10, 2 * workWidth,
                             2 * workWidth * 268 / 240, 0);
        ASSERT_TRUE(program.Start());
        const RECT client = ClientAboveBar(program.window());
        EXPECT_LT(client.right, workWidth);
        EXPECT_LT(client.bottom, workHeight);
        EXPECT_LE(std::abs(client.right * 268 - client.bottom * 240), 268);
        ASSERT_NO_FATAL_FAILURE(ExpectLaidOutFor(program.window(), client.right, client.bottom));
        RECT bar;
        GetWindowRect(MenuBar(), &bar);
        EXPECT_LE(bar.bottom, work.bottom);
    }
}
