#include "notes/note_file.h"
#include "notes/notes_folder.h"

#include "resources/resource.h"
#include "support/temp_folder.h"
#include "support/tree_files.h"

#include <gtest/gtest.h>

namespace {

// The entry below the notes folder as a listing finds it now.
NoteEntry Listed(const std::vector<std::wstring>& folders, const std::wstring& name)
{
    NoteEntry entry;
    entry.folders = folders;
    entry.name = name;
    EXPECT_TRUE(CurrentIdentity(entry, &entry.id).Done()) << "no entry to list";
    return entry;
}

}  // namespace

// An entry made again under its name, or reached through a folder swapped
// for a link, is not the one chosen: nothing is done to it or through it.
TEST(NotesFolder, AnEntryThatIsNoLongerTheOneChosenIsLeftAlone)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "other programs' changes are made on the Unix side";
    TempDocuments docs;
    const std::wstring notes = docs.HostPath(L"ZephNotes");
    ASSERT_TRUE(MakeFolder(notes) && MakeFolder(notes + L"\\X") &&
                MakeFolder(docs.HostPath(L"outside")));
    ASSERT_TRUE(RunInUnixFolder(notes, "echo a > g && echo b > X/n && echo keep > ../outside/n"));
    const NoteEntry g = Listed({}, L"g");
    const NoteEntry n = Listed({L"X"}, L"n");
    NoteEntry x = Listed({}, L"X");

    ASSERT_TRUE(RunInUnixFolder(notes, "echo other > g.new && rm g && mv g.new g"));
    EXPECT_EQ(IDS_REFUSED_ENTRY_CHANGED, DeleteEntry(g).refusal);
    EntryId renamed;
    EXPECT_EQ(IDS_REFUSED_ENTRY_CHANGED, RenameEntry(g, L"g2", &renamed).refusal);
    EXPECT_TRUE(FileExists(notes + L"\\g"));

    ASSERT_TRUE(RunInUnixFolder(notes, "mv X X.moved && ln -s ../outside X"));
    EXPECT_EQ(IDS_REFUSED_LINK_RENAME, RenameEntry(n, L"n2", &renamed).refusal);
    EXPECT_EQ(IDS_REFUSED_LINK_DELETE, DeleteEntry(n).refusal);
    x.id = EntryId();
    EXPECT_EQ(IDS_REFUSED_LINK_INSIDE, CreateFolderEntry(x, L"made", &renamed).refusal);
    NoteFileState state;
    EXPECT_EQ(IDS_REFUSED_LINK_INSIDE, CreateNoteText(x, L"made", L"t", &state).refusal);
    EXPECT_EQ(std::vector<std::wstring>{L"n"}, NamesInFolder(docs.HostPath(L"outside")));
    EXPECT_TRUE(RunInUnixFolder(notes, "test \"$(cat ../outside/n)\" = keep && test -f X.moved/n"));
}

// An address is a list of names: a note named "back\slash" beside a folder
// "back" that holds "slash" is one entry, reached, renamed and deleted as
// itself; a note another program rewrote in place is still the one chosen.
TEST(NotesFolder, ANameHoldingABackslashIsOneName)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "such names are made on the Unix side";
    TempDocuments docs;
    const std::wstring notes = docs.HostPath(L"ZephNotes");
    ASSERT_TRUE(MakeFolder(notes));
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir back && echo inner > back/slash && "
                                       "echo outer > 'back\\slash'"));
    const NoteEntry outer = Listed({}, L"back\\slash");
    const NoteEntry inner = Listed({L"back"}, L"slash");
    EXPECT_NE(outer.id, inner.id);
    wchar_t text[NoteTextLimit + 1] = {};
    EXPECT_TRUE(LoadNoteText(outer, text).problem.Done());
    EXPECT_STREQ(L"outer\r\n", text);

    ASSERT_TRUE(RunInUnixFolder(notes, "echo rewritten > 'back\\slash'"));
    EntryId renamed;
    EXPECT_TRUE(RenameEntry(outer, L"renamed", &renamed).Done());
    EXPECT_EQ(outer.id.index, renamed.index);
    EXPECT_TRUE(DeleteEntry(Listed({}, L"renamed")).Done());
    EXPECT_TRUE(RunInUnixFolder(notes, "! test -e renamed && ! test -e 'back\\slash' && "
                                       "test \"$(cat back/slash)\" = inner"));
}

// A delete that cannot remove all it was asked to (a dangling link in the
// folder) finds that out first and removes nothing.
TEST(NotesFolder, ADeleteThatCouldNotFinishRemovesNothing)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "links are made on the Unix side";
    TempDocuments docs;
    const std::wstring notes = docs.HostPath(L"ZephNotes");
    ASSERT_TRUE(MakeFolder(notes));
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir -p d/sub && echo a > d/n1 && echo b > d/sub/n2 && "
                                       "ln -s /nowhere/at/all d/sub/dead"));
    ASSERT_TRUE(RunInUnixFolder(notes, "mkdir d/empty"));
    EXPECT_EQ(IDS_REFUSED_DELETE_HIDDEN, DeleteEntry(Listed({}, L"d")).refusal);
    EXPECT_TRUE(RunInUnixFolder(notes, "test \"$(cat d/n1)\" = a && test -f d/sub/n2 && "
                                       "test -L d/sub/dead && test -d d/empty"));
    EXPECT_EQ(std::vector<std::wstring>{L"d"}, NamesInFolder(notes));
}
