#include "shell/desktop_window.h"

#include "base/drawing.h"
#include "base/registry.h"
#include "base/shell_services.h"
#include "shell/settings.h"

#include <algorithm>
#include <cstdlib>

const wchar_t kClientLeftValue[] = L"ClientLeft";
const wchar_t kClientTopValue[] = L"ClientTop";
const wchar_t kClientWidthValue[] = L"ClientWidth";
const wchar_t kClientHeightValue[] = L"ClientHeight";
const wchar_t kMaximizedValue[] = L"Maximized";

namespace {

const int kLargestSide = 16384;        // larger than any screen's work area
const int kDesignBarHeight = 26;       // the bar below the design's client area
const int kFarthestCorner = 32767;     // window coordinates are 16-bit signed

int RoundedQuotient(int64_t numerator, int64_t denominator)
{
    return static_cast<int>((numerator * 2 + denominator) / (denominator * 2));
}

SIZE Size(int width, int height)
{
    SIZE size = {width, height};
    return size;
}

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

bool LeftEdge(WPARAM edge)
{
    return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
}

bool RightEdge(WPARAM edge)
{
    return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
}

bool TopEdge(WPARAM edge)
{
    return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
}

bool BottomEdge(WPARAM edge)
{
    return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
}

bool ReadNumber(HKEY key, const wchar_t* name, int64_t* number)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(data))
        return false;
    *number = static_cast<int32_t>(data);
    return true;
}

void WriteNumber(HKEY key, const wchar_t* name, int32_t number)
{
    const DWORD data = static_cast<DWORD>(number);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

}  // namespace

DWORD MainWindowStyle()
{
#ifdef _WIN32_WCE
    return WS_VISIBLE;
#else
    return WS_VISIBLE | WS_OVERLAPPEDWINDOW;
#endif
}

RECT ClientAboveBar(HWND window)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
#ifndef _WIN32_WCE
    client.bottom = std::max<LONG>(client.top, client.bottom - MenuBarSpace(window));
#endif
    return client;
}

namespace {

// The frame and caption alone.
RECT FrameEdges(HWND window)
{
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    RECT edges = {-frame.left, -frame.top, frame.right, frame.bottom};
    return edges;
}

}  // namespace

RECT NonClientEdges(HWND window)
{
    RECT edges = FrameEdges(window);
#ifndef _WIN32_WCE
    edges.bottom += MenuBarSpace(window);
#endif
    return edges;
}

RECT NonClientEdgesFor(HWND window, int clientHeight)
{
    RECT edges = FrameEdges(window);
#ifndef _WIN32_WCE
    if (MenuBarSpace(window) > 0)
        edges.bottom += MenuBarHeightAbove(clientHeight);
#else
    (void)clientHeight;
#endif
    return edges;
}

SIZE NonClientSize(HWND window)
{
    const RECT edges = NonClientEdges(window);
    return Size(edges.left + edges.right, edges.top + edges.bottom);
}

int ProportionalHeight(int width)
{
    return RoundedQuotient(static_cast<int64_t>(width) * kDesignClientHeight,
                           kDesignClientWidth);
}

int ProportionalWidth(int height)
{
    return RoundedQuotient(static_cast<int64_t>(height) * kDesignClientWidth,
                           kDesignClientHeight);
}

void KeepDesignProportions(WPARAM edge, SIZE nonClient, RECT* frame)
{
    int width = Width(*frame) - nonClient.cx;
    int height = Height(*frame) - nonClient.cy;
    switch (edge) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT:
        height = ProportionalHeight(width);
        break;
    case WMSZ_TOP:
    case WMSZ_BOTTOM:
        width = ProportionalWidth(height);
        break;
    default:
        // A corner: the side dragged farther in proportion leads.
        if (static_cast<int64_t>(width) * kDesignClientHeight >=
            static_cast<int64_t>(height) * kDesignClientWidth)
            height = ProportionalHeight(width);
        else
            width = ProportionalWidth(height);
        break;
    }
    if (width < kDesignClientWidth || height < kDesignClientHeight) {
        width = kDesignClientWidth;
        height = kDesignClientHeight;
    }
    if (LeftEdge(edge))
        frame->left = frame->right - width - nonClient.cx;
    else
        frame->right = frame->left + width + nonClient.cx;
    if (TopEdge(edge))
        frame->top = frame->bottom - height - nonClient.cy;
    else
        frame->bottom = frame->top + height + nonClient.cy;
}

namespace {

// KeepDesignProportions for the window's frame: the bar below the client
// area grows and shrinks with it, so the client area a frame holds is what
// is left above the bar of that frame's size, and the frame kept gives room
// for the bar of the client area it keeps.
void KeepWindowInProportion(HWND window, WPARAM edge, RECT* frame)
{
    const RECT around = FrameEdges(window);
    SIZE nonClient = Size(around.left + around.right, around.top + around.bottom);
    const bool hasBar = MenuBarSpace(window) > 0;
    if (hasBar)
        nonClient.cy += MenuBarHeightFor(Height(*frame) - nonClient.cy);
    KeepDesignProportions(edge, nonClient, frame);
    if (!hasBar)
        return;
    const int height = Height(*frame) - nonClient.cy;
    const int kept = around.top + around.bottom + MenuBarHeightAbove(height) + height;
    if (TopEdge(edge))
        frame->top = frame->bottom - kept;
    else
        frame->bottom = frame->top + kept;
}

}  // namespace

namespace {

struct FrameDrag {
    HWND window;        // null between drags
    RECT startFrame;
    POINT startPoint;   // where the pointer was when the drag began
    bool sized;         // the system's loop asked WM_SIZING on the way
};
FrameDrag frameDrag = {nullptr, {0, 0, 0, 0}, {0, 0}, false};

// A size change from outside: the frame it began from, while one waits to
// be put in proportion; what the window last put right, when, and how often
// in a row the same size came back, so that a manager insisting on a size
// keeps it.
struct ManagerSizing {
    HWND window;        // null before the first
    bool pending;
    RECT start;
    RECT refused;
    DWORD refusedAt;
    int givenBack;
    RECT beforeMove;    // the frame before the last move alone, and when
    DWORD movedAt;
};
ManagerSizing managerSizing = {};
// A manager may hand a drag of the left or top edge on as a move and then a
// size change: one that follows a move this soon belongs with it.
const DWORD kMoveThenSizeWithin = 300;
// A manager's drag gives its size back once when the pointer is let go (it
// does not follow the window's answer while it drags); one that gives it
// back a second time within this long keeps it.
const DWORD kManagerInsistsWithin = 3000;
const int kTimesGivenBackToKeep = 2;
// How much thicker than the system's frame a manager's may be on each side
// (xfwm4's title bar is 6 pixels taller than Wine's caption).
const int kManagerFrameAllowance = 6;

// Set from a step taken as it comes until the limits are asked for it.
bool stepTakenAsItComes = false;

// Set while the program sizes its own window: that is never a manager's.
bool sizingItself = false;

void SetFrame(HWND window, const RECT& frame)
{
    sizingItself = true;
    SetWindowPos(window, nullptr, frame.left, frame.top, Width(frame), Height(frame),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    sizingItself = false;
}

// The sides of a frame, as a set.
enum Side : unsigned { kLeftSide = 1, kTopSide = 2, kRightSide = 4, kBottomSide = 8 };

// The sides of a frame that moved from one rectangle to the next; a side
// counts only where the size it bounds changed too (a move changes no size).
unsigned MovedSides(const RECT& from, const RECT& to)
{
    unsigned sides = 0;
    if (Width(from) != Width(to)) {
        if (from.left != to.left)
            sides |= kLeftSide;
        if (from.right != to.right)
            sides |= kRightSide;
    }
    if (Height(from) != Height(to)) {
        if (from.top != to.top)
            sides |= kTopSide;
        if (from.bottom != to.bottom)
            sides |= kBottomSide;
    }
    return sides;
}

// The sides a manager's drag moved. Its drag of the left or top side may
// come as a size change first and a move after, and a hand that pauses
// between the two has the window answer halfway, from a far side one step
// off: of two opposite sides that both moved, the one that moved further
// is the one dragged.
unsigned DraggedSides(const RECT& from, const RECT& to)
{
    unsigned sides = MovedSides(from, to);
    const auto further = [&sides](LONG first, LONG second, unsigned firstSide,
                                  unsigned secondSide) {
        if ((sides & firstSide) && (sides & secondSide) && std::abs(first) != std::abs(second))
            sides &= ~(std::abs(first) > std::abs(second) ? secondSide : firstSide);
    };
    further(to.left - from.left, to.right - from.right, kLeftSide, kRightSide);
    further(to.top - from.top, to.bottom - from.bottom, kTopSide, kBottomSide);
    return sides;
}

// The edge (WMSZ_*) that moved those sides; a frame that grew or shrank on
// both sides of one direction counts as moved at its right or bottom.
WPARAM EdgeOfSides(unsigned sides)
{
    const bool left = (sides & kLeftSide) && !(sides & kRightSide);
    const bool right = (sides & kRightSide) != 0;
    const bool top = (sides & kTopSide) && !(sides & kBottomSide);
    const bool bottom = (sides & kBottomSide) != 0;
    if (left)
        return top ? WMSZ_TOPLEFT : bottom ? WMSZ_BOTTOMLEFT : WMSZ_LEFT;
    if (right)
        return top ? WMSZ_TOPRIGHT : bottom ? WMSZ_BOTTOMRIGHT : WMSZ_RIGHT;
    return top ? WMSZ_TOP : WMSZ_BOTTOM;
}

// The pointer's place of the message being handled: the system's loop
// takes its steps from the same places (before it limits them).
POINT MessagePoint()
{
    const DWORD position = GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return point;
}

}  // namespace

void BeginFrameDrag(HWND window)
{
    frameDrag.window = window;
    GetWindowRect(window, &frameDrag.startFrame);
    frameDrag.startPoint = MessagePoint();
    frameDrag.sized = false;
}

void FollowFrameDrag(HWND window, WPARAM edge, RECT* frame)
{
    if (frameDrag.window == window) {
        frameDrag.sized = true;
        const POINT now = MessagePoint();
        const int dx = now.x - frameDrag.startPoint.x;
        const int dy = now.y - frameDrag.startPoint.y;
        RECT proposed = frameDrag.startFrame;
        if (LeftEdge(edge))
            proposed.left += dx;
        if (RightEdge(edge))
            proposed.right += dx;
        if (TopEdge(edge))
            proposed.top += dy;
        if (BottomEdge(edge))
            proposed.bottom += dy;
        *frame = proposed;
    }
    KeepWindowInProportion(window, edge, frame);
}

void EndFrameDrag(HWND window)
{
    if (frameDrag.window != window)
        return;
    frameDrag.window = nullptr;
    if (frameDrag.sized || IsZoomed(window) || IsIconic(window))
        return;
    // Sized by someone else on the user's behalf: in proportion now, from
    // the edges that moved. Moved only, it keeps its size as it is.
    RECT frame;
    GetWindowRect(window, &frame);
    const unsigned sides = MovedSides(frameDrag.startFrame, frame);
    if (!sides)
        return;
    RECT kept = frame;
    KeepWindowInProportion(window, EdgeOfSides(sides), &kept);
    if (!EqualRect(&kept, &frame))
        SetFrame(window, kept);
}

SIZE SmallestClientSize(int dpi)
{
    if (dpi <= 0)
        dpi = 96;
    return Size(std::max(kDesignClientWidth, MulDiv(kDesignClientWidth, dpi, 96)),
                std::max(kDesignClientHeight, MulDiv(kDesignClientHeight, dpi, 96)));
}

SIZE FitInsideAskedSize(SIZE asked, SIZE smallest)
{
    int width = asked.cx;
    int height = asked.cy;
    if (static_cast<int64_t>(width) * kDesignClientHeight >=
        static_cast<int64_t>(height) * kDesignClientWidth)
        width = ProportionalWidth(height);
    else
        height = ProportionalHeight(width);
    if (width < smallest.cx || height < smallest.cy)
        return smallest;
    return Size(width, height);
}

namespace {

// The tallest client area above the bar that a height holds with the bar
// that client area has.
int HeightAboveBarWithin(HWND window, int available)
{
    const int bar = MenuBarSpace(window);
    if (bar <= 0)
        return available;
    // Near the design's share of it, then down to the first that fits.
    int height = std::min(available - MenuBarHeight(),
                          available * kDesignClientHeight / (kDesignClientHeight + kDesignBarHeight) +
                              2);
    while (height > 0 && height + MenuBarHeightAbove(height) > available)
        --height;
    return height;
}

}  // namespace

namespace {

void BeginOutsideSizing(HWND window, const RECT& start)
{
    if (!(managerSizing.window == window && managerSizing.pending)) {
        const bool afterMove = managerSizing.window == window &&
                               GetTickCount() - managerSizing.movedAt < kMoveThenSizeWithin;
        managerSizing.start = afterMove ? managerSizing.beforeMove : start;
    }
    managerSizing.window = window;
    managerSizing.pending = true;
}

// A client rectangle lying on no screen is brought to the nearest first.
bool PutOnScreen(RECT edges, RECT* client)
{
    if (FitToScreen(edges, client))
        return true;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromRect(client, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    OffsetRect(client, monitor.rcWork.left + edges.left - client->left,
               monitor.rcWork.top + edges.top - client->top);
    return FitToScreen(edges, client);
}

}  // namespace

bool FollowManagerSizing(HWND window, const WINDOWPOS* position)
{
    if (sizingItself || frameDrag.window == window)
        return false;
    // Maximising, minimising and restoring come with the system's flag for a
    // changed state, which has no name; after a restore the window is put
    // right like any other.
    const UINT kStateChanged = 0x8000;
    RECT now;
    GetWindowRect(window, &now);
    if (position->flags & kStateChanged) {
        BeginOutsideSizing(window, now);
        return true;
    }
    if (IsZoomed(window) || IsIconic(window))
        return false;
    if ((position->flags & SWP_NOSIZE) ||
        (position->cx == Width(now) && position->cy == Height(now))) {
        // A move leaves a waiting resize as it is; it is kept in mind for a
        // size change that may follow it at once.
        if (!(position->flags & SWP_NOMOVE) && !managerSizing.pending &&
            (position->x != now.left || position->y != now.top)) {
            if (managerSizing.window != window ||
                GetTickCount() - managerSizing.movedAt >= kMoveThenSizeWithin)
                managerSizing.beforeMove = now;
            managerSizing.window = window;
            managerSizing.movedAt = GetTickCount();
        }
        return false;
    }
    stepTakenAsItComes = true;
    BeginOutsideSizing(window, now);
    return true;
}

void FollowScreenChange(HWND window)
{
    RECT now;
    GetWindowRect(window, &now);
    BeginOutsideSizing(window, now);
}

void ApplyManagerSizing(HWND window)
{
    if (managerSizing.window != window || !managerSizing.pending)
        return;
    managerSizing.pending = false;
    if (IsZoomed(window) || IsIconic(window))
        return;
    RECT now;
    GetWindowRect(window, &now);
    // The size the window put right keeps coming back: the manager keeps
    // it, and the window is laid out for it.
    if (Width(now) == Width(managerSizing.refused) &&
        Height(now) == Height(managerSizing.refused) &&
        GetTickCount() - managerSizing.refusedAt < kManagerInsistsWithin) {
        if (++managerSizing.givenBack >= kTimesGivenBackToKeep)
            return;
    } else {
        managerSizing.givenBack = 0;
    }
    // What the frame asked for holds a client area above the bar of its own
    // size: the largest that does, never more.
    const RECT frame = FrameEdges(window);
    const int askedWidth = Width(now) - (frame.left + frame.right);
    const int askedHeight = HeightAboveBarWithin(window, Height(now) - (frame.top + frame.bottom));
    const SIZE fitted =
        FitInsideAskedSize(Size(askedWidth, askedHeight), SmallestClientSize(ScreenDpi()));
    const RECT edges = NonClientEdgesFor(window, fitted.cy);
    RECT client = {now.left + edges.left, now.top + edges.top, now.right - edges.right,
                   now.bottom - edges.bottom};
    // The edges that moved give way; the others stay.
    const unsigned sides = DraggedSides(managerSizing.start, now);
    if ((sides & kLeftSide) && !(sides & kRightSide))
        client.left = client.right - fitted.cx;
    else
        client.right = client.left + fitted.cx;
    if ((sides & kTopSide) && !(sides & kBottomSide))
        client.top = client.bottom - fitted.cy;
    else
        client.bottom = client.top + fitted.cy;
    // The manager's frame is its own: it may be thicker than the one the
    // window reckons with, and it still has to fit on the screen.
    const RECT framed = {edges.left + kManagerFrameAllowance, edges.top + kManagerFrameAllowance,
                         edges.right + kManagerFrameAllowance,
                         edges.bottom + kManagerFrameAllowance};
    if (!PutOnScreen(framed, &client))
        return;
    const RECT around = NonClientEdgesFor(window, Height(client));
    const RECT kept = {client.left - around.left, client.top - around.top,
                       client.right + around.right, client.bottom + around.bottom};
    if (EqualRect(&kept, &now))
        return;
    managerSizing.refused = now;
    managerSizing.refusedAt = GetTickCount();
    SetFrame(window, kept);
}

void LimitTrackSize(HWND window, MINMAXINFO* info)
{
    // The platform's limit is about the screen's size; a program may set more.
    info->ptMaxTrackSize.x = std::max<LONG>(info->ptMaxTrackSize.x, kLargestSide);
    info->ptMaxTrackSize.y = std::max<LONG>(info->ptMaxTrackSize.y, kLargestSide);
    if (stepTakenAsItComes) {
        stepTakenAsItComes = false;
        info->ptMinTrackSize.x = 1;
        info->ptMinTrackSize.y = 1;
        return;
    }
    const SIZE smallest = SmallestClientSize(ScreenDpi());
    const RECT edges = NonClientEdgesFor(window, smallest.cy);
    info->ptMinTrackSize.x = smallest.cx + edges.left + edges.right;
    info->ptMinTrackSize.y = smallest.cy + edges.top + edges.bottom;
}

SIZE StartClientSize(int dpi, SIZE room)
{
    if (dpi <= 0)
        dpi = 96;
    const int designWidth = std::max(kDesignClientWidth, MulDiv(kDesignClientWidth, dpi, 96));
    const int designHeight = std::max(kDesignClientHeight, MulDiv(kDesignClientHeight, dpi, 96));
    if (2 * designWidth <= room.cx && 2 * designHeight <= room.cy)
        return Size(2 * designWidth, 2 * designHeight);
    if (designWidth <= room.cx && designHeight <= room.cy)
        return Size(designWidth, designHeight);
    int width = room.cx;
    int height = ProportionalHeight(width);
    if (height > room.cy) {
        height = room.cy;
        width = ProportionalWidth(height);
    }
    if (width < kDesignClientWidth || height < kDesignClientHeight)
        return Size(kDesignClientWidth, kDesignClientHeight);
    return Size(width, height);
}

bool SensiblePlacement(const StoredNumbers& numbers)
{
    return numbers.width >= kDesignClientWidth && numbers.width <= kLargestSide &&
           numbers.height >= kDesignClientHeight && numbers.height <= kLargestSide &&
           numbers.left >= -kFarthestCorner && numbers.left <= kFarthestCorner &&
           numbers.top >= -kFarthestCorner && numbers.top <= kFarthestCorner &&
           (numbers.maximized == 0 || numbers.maximized == 1);
}

bool ReadKeptPlacement(KeptPlacement* kept)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(RegistryRoot(), kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    StoredNumbers numbers = {};
    const bool complete = ReadNumber(key, kClientLeftValue, &numbers.left) &&
                          ReadNumber(key, kClientTopValue, &numbers.top) &&
                          ReadNumber(key, kClientWidthValue, &numbers.width) &&
                          ReadNumber(key, kClientHeightValue, &numbers.height) &&
                          ReadNumber(key, kMaximizedValue, &numbers.maximized);
    RegCloseKey(key);
    if (!complete || !SensiblePlacement(numbers))
        return false;
    kept->client.left = static_cast<LONG>(numbers.left);
    kept->client.top = static_cast<LONG>(numbers.top);
    kept->client.right = static_cast<LONG>(numbers.left + numbers.width);
    kept->client.bottom = static_cast<LONG>(numbers.top + numbers.height);
    kept->maximized = numbers.maximized == 1;
    return true;
}

void WriteKeptPlacement(const KeptPlacement& kept)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(RegistryRoot(), kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    WriteNumber(key, kClientLeftValue, kept.client.left);
    WriteNumber(key, kClientTopValue, kept.client.top);
    WriteNumber(key, kClientWidthValue, Width(kept.client));
    WriteNumber(key, kClientHeightValue, Height(kept.client));
    WriteNumber(key, kMaximizedValue, kept.maximized ? 1 : 0);
    RegCloseKey(key);
}

bool FitToScreen(RECT edges, RECT* client)
{
    HMONITOR screen = MonitorFromRect(client, MONITOR_DEFAULTTONULL);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!screen || !GetMonitorInfoW(screen, &monitor))
        return false;
    const RECT& work = monitor.rcWork;
    const int addedWidth = edges.left + edges.right;
    const int addedHeight = edges.top + edges.bottom;
    // Smaller in its own proportions until it fits beside the frame and bar.
    int width = Width(*client);
    int height = Height(*client);
    const int roomWidth = Width(work) - addedWidth;
    const int roomHeight = Height(work) - addedHeight;
    if (width > roomWidth && roomWidth > 0) {
        height = static_cast<int>(static_cast<int64_t>(height) * roomWidth / width);
        width = roomWidth;
    }
    if (height > roomHeight && roomHeight > 0) {
        width = static_cast<int>(static_cast<int64_t>(width) * roomHeight / height);
        height = roomHeight;
    }
    width = std::max(width, kDesignClientWidth);
    height = std::max(height, kDesignClientHeight);
    // Then onto the work area: no farther than it must, its left and top
    // edges first when the window is larger than the work area.
    int outerLeft = client->left - edges.left;
    int outerTop = client->top - edges.top;
    outerLeft = std::min(outerLeft, static_cast<int>(work.right) - (width + addedWidth));
    outerTop = std::min(outerTop, static_cast<int>(work.bottom) - (height + addedHeight));
    outerLeft = std::max(outerLeft, static_cast<int>(work.left));
    outerTop = std::max(outerTop, static_cast<int>(work.top));
    client->left = outerLeft + edges.left;
    client->top = outerTop + edges.top;
    client->right = client->left + width;
    client->bottom = client->top + height;
    return true;
}

void PlaceMainWindowAtStart(HWND window, int* showCommand)
{
    KeptPlacement kept = {};
    bool keptOnScreen = ReadKeptPlacement(&kept);
    if (keptOnScreen) {
        const RECT keptEdges = NonClientEdgesFor(window, Height(kept.client));
        keptOnScreen = FitToScreen(keptEdges, &kept.client);
    }
    RECT client = kept.client;
    if (!keptOnScreen) {
        // A first start, or nothing worth trusting was kept: the size of a
        // first start for the screen the system placed the window on, from
        // the place it gave it.
        RECT now;
        GetClientRect(window, &now);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&now), 2);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT frame = FrameEdges(window);
        const SIZE room = Size(Width(monitor.rcWork) - (frame.left + frame.right),
                               HeightAboveBarWithin(window, Height(monitor.rcWork) -
                                                                (frame.top + frame.bottom)));
        const SIZE size = StartClientSize(ScreenDpi(), room);
        const RECT edges = NonClientEdgesFor(window, size.cy);
        client = {now.left, now.top, now.left + size.cx, now.top + size.cy};
        if (!FitToScreen(edges, &client)) {
            client = {monitor.rcWork.left + edges.left, monitor.rcWork.top + edges.top,
                      monitor.rcWork.left + edges.left + size.cx,
                      monitor.rcWork.top + edges.top + size.cy};
        }
        kept.maximized = false;
    }
    const RECT edges = NonClientEdgesFor(window, Height(client));
    SetFrame(window, {client.left - edges.left, client.top - edges.top, client.right + edges.right,
                      client.bottom + edges.bottom});
    if (kept.maximized && showCommand && *showCommand != SW_HIDE &&
        *showCommand != SW_MINIMIZE && *showCommand != SW_SHOWMINIMIZED &&
        *showCommand != SW_SHOWMINNOACTIVE && *showCommand != SW_FORCEMINIMIZE)
        *showCommand = SW_SHOWMAXIMIZED;
}

void KeepMainWindowPlacement(HWND window)
{
    if (!window || !IsWindow(window))
        return;
    RECT frame;
    if (!IsIconic(window) && !IsZoomed(window)) {
        GetWindowRect(window, &frame);
    } else {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        if (!GetWindowPlacement(window, &placement))
            return;
        // The restored rectangle is in work-area coordinates: from the
        // corner of the main screen's work area.
        frame = placement.rcNormalPosition;
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        const POINT origin = {0, 0};
        if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
            GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &monitor))
            OffsetRect(&frame, monitor.rcWork.left - monitor.rcMonitor.left,
                       monitor.rcWork.top - monitor.rcMonitor.top);
    }
    // The bar of the restored frame, which need not be the bar of now.
    RECT edges = FrameEdges(window);
    if (MenuBarSpace(window) > 0)
        edges.bottom += MenuBarHeightFor(Height(frame) - edges.top - edges.bottom);
    KeptPlacement kept = {};
    kept.client = {frame.left + edges.left, frame.top + edges.top, frame.right - edges.right,
                   frame.bottom - edges.bottom};
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    kept.maximized = IsZoomed(window) ||
                     (IsIconic(window) && GetWindowPlacement(window, &placement) &&
                      (placement.flags & WPF_RESTORETOMAXIMIZED));
    if (Width(kept.client) <= 0 || Height(kept.client) <= 0)
        return;
    WriteKeptPlacement(kept);
}
