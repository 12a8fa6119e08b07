// Keeps the program's settings key as it was before a test: whatever the
// test writes under "SOFTWARE\Brisel\ZephNotes" is undone when it ends, and
// keys the test created are removed.
#pragma once

#include <windows.h>

#include <vector>

class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();

    // Removes the key (and "SOFTWARE\Brisel" when it holds nothing else).
    static void DeleteSettingsKey();
    static bool SettingsKeyExists();

private:
    bool brandExisted;
    bool keyExisted;
    bool valueExisted;
    DWORD valueType;
    std::vector<BYTE> valueData;
};
