#include "shell/settings.h"

#include "base/registry.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "tree/note_tree.h"
#include "support/message_boxes.h"
#include "support/tree_settings_key.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Brisel\\ZephNotes";

void StoreRaw(DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(RegistryRoot(), kKey, 0, nullptr, 0, KEY_WRITE,
                                             nullptr, &key, nullptr));
    RegSetValueExW(key, L"SortOrder", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

bool ReadRaw(DWORD* type, DWORD* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(RegistryRoot(), kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof(*value);
    LONG result = RegQueryValueExW(key, L"SortOrder", nullptr, type,
                                   reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

UINT StateOf(HMENU menu, UINT id)
{
    return GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
}

}  // namespace

TEST(Settings, TheKeyPathAndValueNameAreTheProgramsOwn)
{
    EXPECT_STREQ(L"SOFTWARE\\Brisel\\ZephNotes", kSettingsKey);
    EXPECT_STREQ(L"SortOrder", kSortOrderValue);
}

TEST(Settings, ReadingAMissingKeyCreatesItAndGivesTheDefault)
{
    SettingsKeyGuard guard;
    SettingsKeyGuard::DeleteSettingsKey();
    ASSERT_FALSE(SettingsKeyGuard::SettingsKeyExists());
    MessageBoxAnswerer boxes;
    EXPECT_EQ(0u, ReadRegistryDword(kSettingsKey, kSortOrderValue, 0));
    EXPECT_TRUE(SettingsKeyGuard::SettingsKeyExists());
    DWORD type = 0, value = 0;
    EXPECT_FALSE(ReadRaw(&type, &value)) << "the value is only written at exit";
    EXPECT_EQ(0u, boxes.Count());
}

TEST(Settings, ReadingAMissingValueGivesTheDefault)
{
    SettingsKeyGuard guard;
    SettingsKeyGuard::DeleteSettingsKey();
    StoreRaw(REG_DWORD, "\x01\0\0\0", 4);
    EXPECT_EQ(1u, ReadRegistryDword(kSettingsKey, L"NoSuchValue", 1));
    EXPECT_EQ(9u, ReadRegistryDword(kSettingsKey, L"NoSuchValue", 9));
}

TEST(Settings, ReadingADwordGivesItsValue)
{
    SettingsKeyGuard guard;
    const DWORD stored[] = {0, 1, 7, 0xFFFFFFFFu};
    for (DWORD value : stored) {
        StoreRaw(REG_DWORD, &value, 4);
        EXPECT_EQ(value, ReadRegistryDword(kSettingsKey, kSortOrderValue, 3));
    }
}

TEST(Settings, AValueOfAnotherTypeGivesTheDefaultAndIsReplacedAtSave)
{
    SettingsKeyGuard guard;
    const wchar_t text[] = L"1";
    StoreRaw(REG_SZ, text, sizeof(text));
    EXPECT_EQ(0u, ReadRegistryDword(kSettingsKey, kSortOrderValue, 0));
    StoreRaw(REG_BINARY, "\x01\0\0\0", 4);
    EXPECT_EQ(5u, ReadRegistryDword(kSettingsKey, kSortOrderValue, 5));

    noteTree.sortOrder = 1;
    SaveSettings();
    DWORD type = 0, value = 0;
    ASSERT_TRUE(ReadRaw(&type, &value));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(1u, value);
    noteTree.sortOrder = 0;
}

TEST(Settings, SaveWritesTheOrderAsItIsEvenAnUnknownOne)
{
    SettingsKeyGuard guard;
    SettingsKeyGuard::DeleteSettingsKey();
    for (uint32_t order : {0u, 1u, 7u}) {
        noteTree.sortOrder = order;
        SaveSettings();
        DWORD type = 0, value = 99;
        ASSERT_TRUE(ReadRaw(&type, &value));
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
        EXPECT_EQ(order, value);
        EXPECT_EQ(order, ReadRegistryDword(kSettingsKey, kSortOrderValue, 0));
    }
    noteTree.sortOrder = 0;
}

TEST(Settings, AKeyThatCannotBeOpenedIsReportedOnceAndTheDefaultKept)
{
    SettingsKeyGuard guard;
    MessageBoxAnswerer boxes;
    // A key name longer than the registry allows cannot be created.
    const std::wstring refused = std::wstring(kSettingsKey) + L"\\" + std::wstring(300, L'k');
    EXPECT_EQ(4u, ReadRegistryDword(refused.c_str(), L"SortOrder", 4));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(L"Error", boxes.Shown()[0].caption);
    EXPECT_FALSE(boxes.Shown()[0].text.empty());
    WriteRegistryDword(refused.c_str(), L"SortOrder", 1);
    EXPECT_EQ(2u, boxes.Count());
}

TEST(Settings, UpdateSortMenuGreysTheOrderInForceOnly)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, IDM_SORT_ALPHABETICAL, L"По алфавиту");
    AppendMenuW(menu, MF_STRING, IDM_SORT_BY_DATE, L"По дате");
    app.popupMenu = menu;

    noteTree.sortOrder = 0;
    UpdateSortMenu();
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), StateOf(menu, IDM_SORT_ALPHABETICAL));
    EXPECT_EQ(0u, StateOf(menu, IDM_SORT_BY_DATE));

    noteTree.sortOrder = 1;
    UpdateSortMenu();
    EXPECT_EQ(0u, StateOf(menu, IDM_SORT_ALPHABETICAL));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), StateOf(menu, IDM_SORT_BY_DATE));

    // Any other order changes nothing: both stay as they were.
    noteTree.sortOrder = 7;
    UpdateSortMenu();
    EXPECT_EQ(0u, StateOf(menu, IDM_SORT_ALPHABETICAL));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), StateOf(menu, IDM_SORT_BY_DATE));
    EnableMenuItem(menu, IDM_SORT_BY_DATE, MF_BYCOMMAND | MF_ENABLED);
    UpdateSortMenu();
    EXPECT_EQ(0u, StateOf(menu, IDM_SORT_ALPHABETICAL));
    EXPECT_EQ(0u, StateOf(menu, IDM_SORT_BY_DATE));

    app.popupMenu = nullptr;
    noteTree.sortOrder = 0;
    DestroyMenu(menu);
}
