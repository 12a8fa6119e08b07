// Listing a folder of the notes folder with each entry's identity.
#pragma once

#include <windows.h>

#include "notes/entry_identity.h"
#include "notes/notes_folder.h"

#include <string>
#include <vector>

struct ListedEntry {
    std::wstring name;
    EntryId id;
    DWORD attributes = 0;
    FILETIME lastWrite = {};
    uint64_t size = 0;
};

// Opens a folder by its host path and hands its entries a batch at a time,
// never "." or "..". A link to a folder is listed with
// FILE_ATTRIBUTE_REPARSE_POINT and the identity of what it leads to.
class FolderListing {
public:
    explicit FolderListing(const std::wstring& hostFolder);
    // The folder of the notes folder at that address.
    explicit FolderListing(const NoteEntry& folder);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // 0 while the folder could be opened and read, else the system's error.
    DWORD Error() const { return error; }
    // Replaces batch with the next entries; false when there are no more
    // (or the folder cannot be read: Error()).
    bool NextBatch(std::vector<ListedEntry>* batch);
    // Every entry still to come, appended; false when the folder could not
    // be read to its end.
    bool ReadAll(std::vector<ListedEntry>* entries);

private:
    HANDLE folder;
    DWORD error;
    bool first;
    std::vector<unsigned char> buffer;
};

// The entry of the folder whose name is exactly name (letter case
// included), read on its own; 0, ERROR_FILE_NOT_FOUND or another error.
DWORD ReadListedEntry(const std::wstring& hostFolder, const std::wstring& name,
                      ListedEntry* entry);
DWORD ReadListedEntry(const NoteEntry& folder, const std::wstring& name, ListedEntry* entry);

// The short (8.3) name the file system gives the entry named exactly name,
// or empty. Under Wine it is the only way to reach a name holding
// characters Windows refuses, and it may reach another entry.
std::wstring ListedShortName(const std::wstring& hostFolder, const std::wstring& name);

// The path in the form that carries every name the platform can open,
// names ending in a dot or a space included ("\\?\" before a full path).
std::wstring LongFormPath(const std::wstring& hostPath);
