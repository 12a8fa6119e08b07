// Which entry of the notes folder a name stands for. A name can be taken
// over by another entry at any moment (another program deletes a note and
// makes one of the same name, or renames a folder and puts a link in its
// place); the identity tells them apart.
#pragma once

#include <cstdint>

// The file index (the inode under Wine) and the creation time in 100 ns
// units. The index alone is not enough: a file deleted and made again
// under its name may get the same index back, never the same creation
// time. The volume serial is left out: Wine answers it from the path the
// handle was opened by, so it changes when that path does.
struct EntryId {
    uint64_t index = 0;
    int64_t created = 0;

    bool Known() const { return index != 0; }
    bool operator==(const EntryId& other) const
    {
        return index == other.index && created == other.created;
    }
    bool operator!=(const EntryId& other) const { return !(*this == other); }
};
