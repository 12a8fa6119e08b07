// Keeps the program's settings key as it was before a test: whatever the
// test writes under "SOFTWARE\Brisel\ZephNotes" (the sort order, the
// window's placement, any value) is undone when it ends, and keys the test
// created are removed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();

    // Removes the key (and "SOFTWARE\Brisel" when it holds nothing else).
    static void DeleteSettingsKey();
    static bool SettingsKeyExists();

private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool brandExisted;
    bool keyExisted;
    std::vector<Value> values;   // every value of the key, as it was
};
