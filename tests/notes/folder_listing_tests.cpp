#include "notes/folder_listing.h"

#include "support/temp_folder.h"
#include "support/tree_files.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

EntryId IdentityByHandle(const std::wstring& path)
{
    EntryId id;
    HANDLE entry = CreateFileW(LongFormPath(path).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (entry == INVALID_HANDLE_VALUE)
        return id;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(entry, &information)) {
        id.index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) |
                   information.nFileIndexLow;
        id.created = (static_cast<int64_t>(information.ftCreationTime.dwHighDateTime) << 32) |
                     information.ftCreationTime.dwLowDateTime;
    }
    CloseHandle(entry);
    return id;
}

}  // namespace

// A listing gives every entry once, in batches, without "." and "..", each
// with the identity an open of the entry gives.
TEST(FolderListing, ListsEveryEntryInBatchesWithItsIdentity)
{
    TempDocuments docs;
    const std::wstring folder = docs.HostPath(L"many");
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(MakeNumberedNotes(folder, L"a_note_with_a_long_name_", 1500));
    ASSERT_TRUE(MakeFolder(folder + L"\\sub"));

    FolderListing listing(folder);
    ASSERT_EQ(0u, listing.Error());
    std::vector<ListedEntry> batch;
    std::vector<ListedEntry> all;
    int batches = 0;
    while (listing.NextBatch(&batch)) {
        ++batches;
        all.insert(all.end(), batch.begin(), batch.end());
    }
    EXPECT_EQ(0u, listing.Error());
    EXPECT_GT(batches, 1);
    ASSERT_EQ(1501u, all.size());
    std::vector<std::wstring> names;
    for (const ListedEntry& entry : all)
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.end(), std::unique(names.begin(), names.end()));
    EXPECT_EQ(L"sub", names.back());
    for (const ListedEntry& entry : all) {
        if (entry.name == L"sub" || entry.name == L"a_note_with_a_long_name_00700") {
            EXPECT_TRUE(entry.id.Known());
            EXPECT_EQ(IdentityByHandle(folder + L"\\" + entry.name), entry.id) << entry.name;
            EXPECT_EQ(entry.name == L"sub", (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        }
    }

    FolderListing missing(folder + L"\\gone");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.Error() == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND
                                                                             : missing.Error());
    EXPECT_FALSE(missing.NextBatch(&batch));
}

// One entry by its exact name: wildcards in the name and other letter cases
// never answer for it, and a name made again is another entry.
TEST(FolderListing, ReadsOneEntryByItsExactName)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "names Windows refuses are made on the Unix side";
    TempDocuments docs;
    const std::wstring folder = docs.HostPath(L"names");
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(RunInUnixFolder(folder, "echo 1 > 'note?037' && echo 2 > notea037 && "
                                        "echo 3 > abc && echo 4 > ABC && echo 5 > 'dot.'"));
    ListedEntry entry;
    for (const wchar_t* name : {L"note?037", L"notea037", L"abc", L"ABC", L"dot."}) {
        ASSERT_EQ(0u, ReadListedEntry(folder, name, &entry)) << name;
        EXPECT_EQ(name, entry.name);
        EXPECT_EQ(2u, entry.size);
    }
    ListedEntry lower, upper;
    ASSERT_EQ(0u, ReadListedEntry(folder, L"abc", &lower));
    ASSERT_EQ(0u, ReadListedEntry(folder, L"ABC", &upper));
    EXPECT_NE(lower.id, upper.id);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadListedEntry(folder, L"Abc", &entry));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadListedEntry(folder, L"note*", &entry));
    EXPECT_FALSE(ListedShortName(folder, L"note?037").empty());
    EXPECT_EQ(IdentityByHandle(folder + L"\\dot."), IdentityByHandle(folder + L"\\dot."));
    EXPECT_TRUE(IdentityByHandle(folder + L"\\dot.").Known());

    ASSERT_TRUE(RunInUnixFolder(folder, "rm abc && sleep 0.01 && echo 6 > abc"));
    ListedEntry again;
    ASSERT_EQ(0u, ReadListedEntry(folder, L"abc", &again));
    EXPECT_NE(lower.id, again.id);

    // In a folder whose own name ends in a dot, a Cyrillic name: found while
    // there, in no other letter case, and gone once removed.
    ASSERT_TRUE(RunInUnixFolder(folder, "mkdir 'dot folder.'"));
    const std::wstring inner = folder + L"\\dot folder.";
    const std::wstring note = LongFormPath(inner + L"\\Заметка :1");
    HANDLE made = CreateFileW(note.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, made);
    CloseHandle(made);
    ASSERT_EQ(0u, ReadListedEntry(inner, L"Заметка :1", &entry));
    EXPECT_EQ(L"Заметка :1", entry.name);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadListedEntry(inner, L"заметка :1", &entry));
    ASSERT_TRUE(DeleteFileW(note.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadListedEntry(inner, L"Заметка :1", &entry));
}
