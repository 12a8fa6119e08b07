#include "support/tree_settings_key.h"

#include "base/registry.h"

namespace {
const wchar_t kBrand[] = L"SOFTWARE\\Brisel";
const wchar_t kKey[] = L"SOFTWARE\\Brisel\\ZephNotes";

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(RegistryRoot(), path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
}  // namespace

SettingsKeyGuard::SettingsKeyGuard() : brandExisted(KeyExists(kBrand)), keyExisted(KeyExists(kKey))
{
    HKEY key = nullptr;
    if (!keyExisted || RegOpenKeyExW(RegistryRoot(), kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {0};
        DWORD nameLength = 256;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        Value value = {name, type, std::vector<BYTE>(size)};
        if (RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size) ==
            ERROR_SUCCESS) {
            value.data.resize(size);
            values.push_back(value);
        }
    }
    RegCloseKey(key);
}

SettingsKeyGuard::~SettingsKeyGuard()
{
    if (!keyExisted) {
        RegDeleteKeyW(RegistryRoot(), kKey);
        if (!brandExisted)
            RegDeleteKeyW(RegistryRoot(), kBrand);
        return;
    }
    // The key as it was: its values only, the test's own gone.
    RegDeleteKeyW(RegistryRoot(), kKey);
    HKEY key = nullptr;
    if (RegCreateKeyExW(RegistryRoot(), kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const Value& value : values)
        RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
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
