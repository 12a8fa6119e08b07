// The one setting kept across runs, the sort order, and how the tree menu
// shows it.
#pragma once

#include <cstdint>

extern const wchar_t kSettingsKey[];     // "SOFTWARE\Brisel\ZephNotes"
extern const wchar_t kSortOrderValue[];  // "SortOrder"

// The stored value when it is a REG_DWORD, else defaultValue. The key is
// created when missing; a key that cannot be opened is reported.
uint32_t ReadRegistryDword(const wchar_t* keyPath, const wchar_t* valueName,
                           uint32_t defaultValue);
void WriteRegistryDword(const wchar_t* keyPath, const wchar_t* valueName, uint32_t value);

// Writes noteTree.sortOrder as "SortOrder".
void SaveSettings();

// Greys the sort item of noteTree.sortOrder in the open tree menu (app.popupMenu).
void UpdateSortMenu();
