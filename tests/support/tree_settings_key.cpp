#include "support/tree_settings_key.h"

#include "base/registry.h"

namespace {
const wchar_t kBrand[] = L"SOFTWARE\\Brisel";
const wchar_t kKey[] = L"SOFTWARE\\Brisel\\ZephNotes";
const wchar_t kValue[] = L"SortOrder";

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(RegistryRoot(), path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
}  // namespace

SettingsKeyGuard::SettingsKeyGuard()
    : brandExisted(KeyExists(kBrand)), keyExisted(KeyExists(kKey)), valueExisted(false),
      valueType(0)
{
    HKEY key = nullptr;
    if (keyExisted && RegOpenKeyExW(RegistryRoot(), kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExW(key, kValue, nullptr, &valueType, nullptr, &size) == ERROR_SUCCESS) {
            valueData.resize(size);
            valueExisted = RegQueryValueExW(key, kValue, nullptr, &valueType, valueData.data(),
                                            &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
}

SettingsKeyGuard::~SettingsKeyGuard()
{
    if (!keyExisted) {
        RegDeleteKeyW(RegistryRoot(), kKey);
        if (!brandExisted)
            RegDeleteKeyW(RegistryRoot(), kBrand);
        return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(RegistryRoot(), kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (valueExisted)
        RegSetValueExW(key, kValue, 0, valueType, valueData.data(),
                       static_cast<DWORD>(valueData.size()));
    else
        RegDeleteValueW(key, kValue);
    RegCloseKey(key);
}

void SettingsKeyGuard::DeleteSettingsKey()
{
    RegDeleteKeyW(RegistryRoot(), kKey);
    HKEY brand = nullptr;
    if (RegOpenKeyExW(RegistryRoot(), kBrand, 0, KEY_READ, &brand) == ERROR_SUCCESS) {
        DWORD subkeys = 0;
        DWORD values = 0;
        RegQueryInfoKeyW(brand, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(brand);
        if (subkeys == 0 && values == 0)
            RegDeleteKeyW(RegistryRoot(), kBrand);
    }
}

bool SettingsKeyGuard::SettingsKeyExists()
{
    return KeyExists(kKey);
}
