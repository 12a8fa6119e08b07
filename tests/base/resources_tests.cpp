// The resource table: every id loads, with the sizes, texts and order the
// program relies on.
#include "resources/resource.h"

#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zephnotes_version.h"

namespace {

HINSTANCE Module()
{
    return GetModuleHandleW(nullptr);
}

std::wstring StringResource(UINT id)
{
    wchar_t buffer[100] = {0};
    LoadStringW(Module(), id, buffer, 100);
    return buffer;
}

struct MenuEntry {
    std::wstring text;   // empty for a separator
    UINT id;             // 0 for a separator or a sub-menu
    bool separator;
    std::vector<MenuEntry> children;
};

std::vector<MenuEntry> ReadMenu(HMENU menu)
{
    std::vector<MenuEntry> entries;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {0};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        MenuEntry entry;
        entry.separator = (info.fType & MFT_SEPARATOR) != 0;
        entry.text = text;
        entry.id = info.hSubMenu ? 0 : info.wID;
        if (info.hSubMenu)
            entry.children = ReadMenu(info.hSubMenu);
        entries.push_back(entry);
    }
    return entries;
}

std::vector<MenuEntry> LoadTopPopup(UINT id, std::wstring* popupText)
{
    HMENU menu = LoadMenuW(Module(), MAKEINTRESOURCEW(id));
    EXPECT_NE(nullptr, menu) << "menu " << id;
    if (!menu)
        return {};
    EXPECT_EQ(1, GetMenuItemCount(menu)) << "one top pop-up in menu " << id;
    wchar_t text[64] = {0};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    *popupText = text;
    std::vector<MenuEntry> entries = ReadMenu(GetSubMenu(menu, 0));
    DestroyMenu(menu);
    return entries;
}

void ExpectItem(const MenuEntry& entry, const wchar_t* text, UINT id)
{
    EXPECT_FALSE(entry.separator);
    EXPECT_EQ(std::wstring(text), entry.text);
    EXPECT_EQ(id, entry.id) << "item " << std::string(entry.text.begin(), entry.text.end());
}

}  // namespace

TEST(Resources, StringsHoldTheTitleClassAndMenuBarTexts)
{
    EXPECT_EQ(L"ZephNotes", StringResource(IDS_TITLE));
    EXPECT_EQ(L"ZEPHNOTES", StringResource(IDS_CLASS_NAME));
    EXPECT_EQ(L"Выход", StringResource(IDS_EXIT));
    EXPECT_EQ(L"Помощь", StringResource(IDS_HELP));
    EXPECT_EQ(L"OK", StringResource(IDS_OK));
}

TEST(Resources, AboutLinesNameTheProjectsVersion)
{
    const std::string version = ZEPHNOTES_VERSION;
    EXPECT_EQ(L"ZephNotes V" + std::wstring(version.begin(), version.end()),
              StringResource(IDS_ABOUT_NAME));
    EXPECT_EQ(L"© 2005 Brisel", StringResource(IDS_ABOUT_COPYRIGHT));
    EXPECT_EQ(L"support@brisel.ru", StringResource(IDS_ABOUT_CONTACT));
}

// The fixed part of the version resource, found by its signature, and its
// copyright.
TEST(Resources, VersionResourceCarriesTheSameVersion)
{
    HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    ASSERT_NE(nullptr, found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    const DWORD size = SizeofResource(Module(), found);
    ASSERT_NE(nullptr, data);
    const VS_FIXEDFILEINFO* fixed = nullptr;
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        DWORD signature;
        std::memcpy(&signature, data + at, sizeof(signature));
        if (signature == VS_FFI_SIGNATURE) {
            fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(data + at);
            break;
        }
    }
    ASSERT_NE(nullptr, fixed);
    const WORD numbers[4] = {ZEPHNOTES_VERSION_NUMBERS};
    EXPECT_EQ(MAKELONG(numbers[1], numbers[0]), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(numbers[3], numbers[2]), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    // "1.3" reads back as its numbers joined with dots, zeros left off.
    std::string spelled = std::to_string(numbers[0]);
    for (int part = 1; part < 4; ++part)
        spelled += "." + std::to_string(numbers[part]);
    while (spelled.size() > 2 && spelled.compare(spelled.size() - 2, 2, ".0") == 0 &&
           spelled != ZEPHNOTES_VERSION)
        spelled.erase(spelled.size() - 2);
    EXPECT_EQ(std::string(ZEPHNOTES_VERSION), spelled);

    // The licence's copyright line, shown in the file's properties.
    const std::vector<BYTE> block(data, data + size);
    wchar_t* copyright = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\041904B0\\LegalCopyright",
                               reinterpret_cast<void**>(&copyright), &length));
    wchar_t expected[100] = {0};
    MultiByteToWideChar(CP_UTF8, 0, ZEPHNOTES_COPYRIGHT, -1, expected, 100);
    EXPECT_EQ(std::wstring(L"Copyright \u00a9 2026 The ZephNotes developers"), expected);
    EXPECT_EQ(std::wstring(expected), std::wstring(copyright, length ? length - 1 : 0));
}

TEST(Resources, EveryResourceIsInRussian)
{
    const LANGID russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
    EXPECT_NE(nullptr, FindResourceExW(Module(), RT_MENU, MAKEINTRESOURCEW(IDM_TREE), russian));
    EXPECT_NE(nullptr, FindResourceExW(Module(), RT_MENU, MAKEINTRESOURCEW(IDM_EDITOR), russian));
    EXPECT_NE(nullptr, FindResourceExW(Module(), RT_MENU, MAKEINTRESOURCEW(IDM_HELP), russian));
    EXPECT_NE(nullptr, FindResourceExW(Module(), RT_BITMAP, MAKEINTRESOURCEW(IDB_SIDE), russian));
    EXPECT_NE(nullptr, FindResourceExW(Module(), RT_ACCELERATOR, MAKEINTRESOURCEW(IDA_MAIN), russian));
    // String 1 lives in string block 1.
    EXPECT_NE(nullptr, FindResourceExW(Module(), RT_STRING, MAKEINTRESOURCEW(1), russian));
}

// Windows picks the size it shows from the icon: a list's 16, a title bar's
// or menu's 24, the desktop's 32 and 48, a large view's 64 and 256.
TEST(Resources, ProgramIconHoldsEverySizeWindowsShows)
{
    HRSRC group = FindResourceW(Module(), MAKEINTRESOURCEW(IDI_ZEPHNOTES), RT_GROUP_ICON);
    ASSERT_NE(nullptr, group);
    const WORD* directory = static_cast<const WORD*>(LockResource(LoadResource(Module(), group)));
    ASSERT_NE(nullptr, directory);
    EXPECT_EQ(6, directory[2]) << "images in the icon";
    for (int size : {16, 24, 32, 48, 64, 256}) {
        HICON icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(IDI_ZEPHNOTES),
                                                   IMAGE_ICON, size, size, 0));
        ASSERT_NE(nullptr, icon) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectW(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(size, colour.bmWidth);
        EXPECT_EQ(size, colour.bmHeight);
        EXPECT_EQ(32, colour.bmBitsPixel) << "with its alpha channel, at " << size;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(Resources, SkinBitmapsHaveTheirSizesAt24BitsPerPixel)
{
    struct Expected { UINT id; int width; int height; };
    const Expected bitmaps[] = {
        {IDB_SIDE, 60, 268},         {IDB_TOOLBAR, 1470, 40},     {IDB_PAPER, 207, 221},
        {IDB_FOLDER, 24, 24},        {IDB_FOLDER_SELECTED, 24, 24}, {IDB_NOTE, 24, 24},
        {IDB_NOTE_SELECTED, 24, 24}, {IDB_PANEL, 162, 84},        {IDB_BUTTON_OK, 216, 20},
        {IDB_BUTTON_SEARCH, 216, 20}, {IDB_BUTTON_EXIT, 216, 20},
    };
    for (const Expected& expected : bitmaps) {
        HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(expected.id), RT_BITMAP);
        ASSERT_NE(nullptr, found) << "bitmap " << expected.id;
        const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(
            LockResource(LoadResource(Module(), found)));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(expected.width, header->biWidth) << "bitmap " << expected.id;
        EXPECT_EQ(expected.height, abs(header->biHeight)) << "bitmap " << expected.id;
        EXPECT_EQ(24, header->biBitCount) << "bitmap " << expected.id;

        HBITMAP loaded = LoadBitmapW(Module(), MAKEINTRESOURCEW(expected.id));
        ASSERT_NE(nullptr, loaded) << "bitmap " << expected.id;
        BITMAP info = {};
        EXPECT_EQ(static_cast<int>(sizeof(info)), GetObjectW(loaded, sizeof(info), &info));
        EXPECT_EQ(expected.width, info.bmWidth);
        EXPECT_EQ(expected.height, info.bmHeight);
        DeleteObject(loaded);
    }
}

TEST(Resources, NamePanelHasAWhiteFieldBandAndIconsAWhiteGround)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP panel = LoadBitmapW(Module(), MAKEINTRESOURCEW(IDB_PANEL));
    HGDIOBJ old = SelectObject(dc, panel);
    for (int y = 34; y <= 50; y += 4)
        for (int x = 8; x <= 153; x += 15)
            EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, x, y)) << x << "," << y;
    EXPECT_NE(RGB(255, 255, 255), GetPixel(dc, 80, 70)) << "the panel itself is not white";
    SelectObject(dc, old);
    DeleteObject(panel);

    const UINT icons[] = {IDB_FOLDER, IDB_FOLDER_SELECTED, IDB_NOTE, IDB_NOTE_SELECTED};
    for (UINT id : icons) {
        HBITMAP icon = LoadBitmapW(Module(), MAKEINTRESOURCEW(id));
        old = SelectObject(dc, icon);
        EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 0, 0)) << "icon " << id;
        EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 23, 23)) << "icon " << id;
        SelectObject(dc, old);
        DeleteObject(icon);
    }
    DeleteDC(dc);
}

TEST(Resources, ButtonFramesDifferAndThePressedFaceKeepsItsLabel)
{
    HDC dc = CreateCompatibleDC(nullptr);
    const UINT buttons[] = {IDB_BUTTON_OK, IDB_BUTTON_SEARCH, IDB_BUTTON_EXIT};
    for (UINT id : buttons) {
        HBITMAP strip = LoadBitmapW(Module(), MAKEINTRESOURCEW(id));
        HGDIOBJ old = SelectObject(dc, strip);
        // The label's dark strokes show in every frame, the pressed face too.
        auto darkPixels = [&](int frame) {
            int dark = 0;
            for (int y = 4; y < 16; ++y)
                for (int x = 16; x < 56; ++x) {
                    COLORREF c = GetPixel(dc, frame * 72 + x, y);
                    if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200)
                        ++dark;
                }
            return dark;
        };
        EXPECT_GT(darkPixels(0), 10) << "button " << id;
        EXPECT_GT(darkPixels(1), 10) << "button " << id;
        EXPECT_GT(darkPixels(2), 10) << "button " << id;
        SelectObject(dc, old);
        DeleteObject(strip);
    }
    DeleteDC(dc);
}

TEST(Resources, TreeMenuHoldsItsItemsSubMenusAndSeparatorInOrder)
{
    std::wstring popup;
    std::vector<MenuEntry> tree = LoadTopPopup(IDM_TREE, &popup);
    EXPECT_EQ(L"\"\"", popup);
    ASSERT_EQ(5u, tree.size());
    EXPECT_EQ(L"Создать", tree[0].text);
    ASSERT_EQ(2u, tree[0].children.size());
    ExpectItem(tree[0].children[0], L"Создать папку", 32781);
    ExpectItem(tree[0].children[1], L"Создать файл", 32782);
    EXPECT_EQ(L"Поиск", tree[1].text);
    ASSERT_EQ(2u, tree[1].children.size());
    ExpectItem(tree[1].children[0], L"Начать поиск", 32786);
    ExpectItem(tree[1].children[1], L"Продолжить поиск", 32787);
    EXPECT_EQ(L"Сортировать", tree[2].text);
    ASSERT_EQ(2u, tree[2].children.size());
    ExpectItem(tree[2].children[0], L"По алфавиту", 32792);
    ExpectItem(tree[2].children[1], L"По дате", 32793);
    EXPECT_TRUE(tree[3].separator);
    ExpectItem(tree[4], L"Удалить", 32780);
}

TEST(Resources, EditorMenuHoldsItsItemsWithSeparatorsBeforeClearAndSave)
{
    std::wstring popup;
    std::vector<MenuEntry> editor = LoadTopPopup(IDM_EDITOR, &popup);
    EXPECT_EQ(L"\"\"", popup);
    ASSERT_EQ(8u, editor.size());
    ExpectItem(editor[0], L"Вырезать", 300);
    ExpectItem(editor[1], L"Скопировать", 301);
    ExpectItem(editor[2], L"Вставить", 302);
    ExpectItem(editor[3], L"Отмена", 303);
    EXPECT_TRUE(editor[4].separator);
    ExpectItem(editor[5], L"Очистить", 304);
    EXPECT_TRUE(editor[6].separator);
    ExpectItem(editor[7], L"Сохранить", 305);
}

TEST(Resources, HelpMenuHoldsTheAboutItem)
{
    std::wstring popup;
    std::vector<MenuEntry> help = LoadTopPopup(IDM_HELP, &popup);
    ASSERT_EQ(1u, help.size());
    ExpectItem(help[0], L"О программе", 40002);
}

TEST(Resources, MenuBarRecordsNameTheirButtons)
{
    auto record = [](UINT id, DWORD* bytes) {
        HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(id),
                                    MAKEINTRESOURCEW(RT_MENUBAR_RECORD));
        *bytes = found ? SizeofResource(Module(), found) : 0;
        return found ? static_cast<const WORD*>(LockResource(LoadResource(Module(), found)))
                     : nullptr;
    };
    DWORD bytes = 0;
    const WORD* main = record(IDMB_MAIN, &bytes);
    ASSERT_NE(nullptr, main);
    ASSERT_EQ(4u + 2 * 8u, bytes);
    EXPECT_EQ(IDM_HELP, main[0]);
    EXPECT_EQ(2, main[1]);
    EXPECT_EQ(40000, main[2]);
    EXPECT_EQ(IDS_EXIT, main[3]);
    EXPECT_EQ(0, main[4] & MENUBAR_DROPDOWN);
    EXPECT_EQ(40001, main[6]);
    EXPECT_EQ(IDS_HELP, main[7]);
    EXPECT_EQ(MENUBAR_DROPDOWN, main[8]);
    EXPECT_EQ(0, main[9]) << "drops down pop-up 0 of menu 102";

    const WORD* about = record(IDMB_ABOUT, &bytes);
    ASSERT_NE(nullptr, about);
    ASSERT_EQ(4u + 8u, bytes);
    EXPECT_EQ(1, about[1]);
    EXPECT_EQ(40000, about[2]);
    EXPECT_EQ(IDS_OK, about[3]);
}

TEST(Resources, AcceleratorsAreCtrlAForAboutCtrlQForExitF6ForTheViewAndF2ForRenaming)
{
    HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDA_MAIN));
    ASSERT_NE(nullptr, table);
    ACCEL entries[8] = {};
    int count = CopyAcceleratorTableW(table, entries, 8);
    ASSERT_EQ(4, count);
    std::vector<std::pair<int, int>> seen;   // key with modifiers, command
    for (int i = 0; i < count; ++i)
        seen.push_back({(entries[i].fVirt & ~0x80) << 16 | entries[i].key, entries[i].cmd});
    const std::vector<std::pair<int, int>> expected = {
        {(FVIRTKEY | FCONTROL) << 16 | 'A', 40002},
        {(FVIRTKEY | FCONTROL) << 16 | 'Q', 40000},
        {FVIRTKEY << 16 | VK_F6, IDM_SWITCH_VIEW},
        {FVIRTKEY << 16 | VK_F2, IDM_RENAME},
    };
    EXPECT_EQ(expected, seen);
    DestroyAcceleratorTable(table);
}

TEST(Resources, TheManifestDeclaresTheProgramDpiAware)
{
    HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, found) << "an application manifest, id 1";
    HGLOBAL loaded = LoadResource(Module(), found);
    const char* text = static_cast<const char*>(LockResource(loaded));
    ASSERT_NE(nullptr, text);
    const std::string manifest(text, SizeofResource(Module(), found));
    EXPECT_NE(std::string::npos, manifest.find("<dpiAware"));
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>"));
    EXPECT_NE(std::string::npos, manifest.find(">system</dpiAwareness>"));
    // Under Wine every program is DPI-aware already; on Windows the
    // manifest makes it so.
    typedef BOOL(WINAPI * IsAware)();
    const IsAware isAware = reinterpret_cast<IsAware>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32"), "IsProcessDPIAware")));
    if (isAware) {
        EXPECT_TRUE(isAware());
    }
}
