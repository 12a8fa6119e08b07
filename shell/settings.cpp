#include "shell/settings.h"

#include "base/registry.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "tree/note_tree.h"

const wchar_t kSettingsKey[] = L"SOFTWARE\\Brisel\\ZephNotes";
const wchar_t kSortOrderValue[] = L"SortOrder";

namespace {

// Opens the key for reading and writing, creating it when absent; null on
// failure, with the failure left as the thread's last error.
HKEY OpenSettingsKey(const wchar_t* keyPath)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExW(RegistryRoot(), keyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                  nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(result));
        return nullptr;
    }
    return key;
}

}  // namespace

uint32_t ReadRegistryDword(const wchar_t* keyPath, const wchar_t* valueName,
                           uint32_t defaultValue)
{
    HKEY key = OpenSettingsKey(keyPath);
    if (!key) {
        ReportLastError();
        return defaultValue;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG result = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                   &size);
    RegCloseKey(key);
    // A value too long for four bytes is not a number of ours either.
    if (result != ERROR_SUCCESS || type != REG_DWORD)
        return defaultValue;
    return data;
}

void WriteRegistryDword(const wchar_t* keyPath, const wchar_t* valueName, uint32_t value)
{
    HKEY key = OpenSettingsKey(keyPath);
    if (!key) {
        ReportLastError();
        return;
    }
    DWORD data = value;
    RegSetValueExW(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof(data));
    RegCloseKey(key);
}

void SaveSettings()
{
    WriteRegistryDword(kSettingsKey, kSortOrderValue, noteTree.sortOrder);
}

void UpdateSortMenu()
{
    if (noteTree.sortOrder == 0) {
        EnableMenuItem(app.popupMenu, IDM_SORT_ALPHABETICAL, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(app.popupMenu, IDM_SORT_BY_DATE, MF_BYCOMMAND | MF_ENABLED);
    } else if (noteTree.sortOrder == 1) {
        EnableMenuItem(app.popupMenu, IDM_SORT_ALPHABETICAL, MF_BYCOMMAND | MF_ENABLED);
        EnableMenuItem(app.popupMenu, IDM_SORT_BY_DATE, MF_BYCOMMAND | MF_GRAYED);
    }
}
