#include "editor/note_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "support/editor_test_window.h"
#include "support/message_boxes.h"
#include "support/temp_folder.h"

namespace {

// A refusal of the program's own: its Russian text, under the same caption.
void ExpectRefusal(const ShownMessageBox& box, UINT textId)
{
    EXPECT_EQ(box.caption, L"Error");
    EXPECT_FALSE(RefusalText(textId).empty());
    EXPECT_EQ(box.text, RefusalText(textId));
}

FILETIME LastWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetOldTimes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    SYSTEMTIME old = {2005, 3, 0, 14, 10, 20, 30, 0};
    FILETIME time;
    SystemTimeToFileTime(&old, &time);
    SetFileTime(file, nullptr, &time, &time);
    CloseHandle(file);
}

std::string Bytes(const std::wstring& path)
{
    std::string bytes;
    if (!ReadBytes(path, &bytes))
        return "<missing>";
    return bytes;
}

// Notes live in "\My Documents\ZephNotes", which stands in a temporary folder.
class NoteFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryW(documents.HostPath(L"ZephNotes").c_str(), nullptr);
        parent.Route(&editor);
        ASSERT_NE(editor.Create(30, 0, 207, 221, parent.Handle(), 400,
                                GetModuleHandleW(nullptr), L""),
                  nullptr);
        editor.Layout(240, 268);
    }

    static std::wstring Note(const std::wstring& name)
    {
        return L"\\My Documents\\ZephNotes\\" + name;
    }
    std::wstring Host(const std::wstring& name) const
    {
        return documents.HostPath(L"ZephNotes\\" + name);
    }
    std::wstring NotesFolder() const { return documents.HostPath(L"ZephNotes"); }

    // A save and a new note as the program makes them: what the editor
    // could not do is shown.
    bool SaveNote(const std::wstring& path)
    {
        Outcome failure;
        const bool saved = editor.SaveNote(path.c_str(), &failure);
        ReportOutcome(failure);
        return saved;
    }
    bool CreateNote(const std::wstring& path)
    {
        Outcome failure;
        const bool made = editor.CreateNote(path.c_str(), &failure);
        ReportOutcome(failure);
        return made;
    }

    // The user's edit: the control reports it and the buffer follows.
    void Type(const std::wstring& units)
    {
        SendMessageW(editor.control, EM_REPLACESEL, TRUE,
                     reinterpret_cast<LPARAM>(units.c_str()));
    }

    // The tree's selection of a note: clear, then load.
    void Select(const std::wstring& name)
    {
        editor.Clear();
        editor.LoadNote(Note(name).c_str());
    }

    bool ControlIsReadOnly() const
    {
        return (GetWindowLongW(editor.control, GWL_STYLE) & ES_READONLY) != 0;
    }

    TempDocuments documents;
    EditorTestWindow parent;
    NoteEditor editor;
    MessageBoxAnswerer boxes;
};

TEST_F(NoteFilesTest, TextWrittenAndReadBackIsIdenticalUnitForUnit)
{
    const std::wstring text = L"Заметка\r\nsecond line\r\n\tΩ≈ 日本語 \xD83D\xDE00 é\r\n";
    editor.Clear();
    Type(text);
    ASSERT_EQ(std::wstring(editor.text), text);
    EXPECT_TRUE(SaveNote(Note(L"round")));
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(Bytes(Host(L"round")), NoteFileBytes(text));

    NoteEditor other;
    other.LoadNote(Note(L"round").c_str());
    EXPECT_EQ(std::wstring(other.text), text);
    Select(L"round");
    EXPECT_EQ(std::wstring(editor.text), text);
    EXPECT_EQ(ControlText(editor.control), text);
    EXPECT_FALSE(editor.modified);
    EXPECT_FALSE(editor.readOnlyNote);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(NoteFilesTest, LoadedTextDoesNotCountAsAChange)
{
    ASSERT_TRUE(WriteBytes(Host(L"a"), NoteFileBytes(L"loaded")));
    editor.Clear();
    ASSERT_TRUE(editor.modified);
    editor.LoadNote(Note(L"a").c_str());
    EXPECT_FALSE(editor.modified);
    EXPECT_STREQ(editor.text, L"loaded");
    EXPECT_FALSE(ControlIsReadOnly());
}

TEST_F(NoteFilesTest, TheMarkAloneLoadsAsAnEmptyEditableNote)
{
    ASSERT_TRUE(WriteBytes(Host(L"empty"), std::string("\xFF\xFE", 2)));
    Select(L"empty");
    EXPECT_EQ(editor.text[0], L'\0');
    EXPECT_EQ(ControlText(editor.control), L"");
    EXPECT_FALSE(editor.readOnlyNote);
    EXPECT_FALSE(ControlIsReadOnly());
}

TEST_F(NoteFilesTest, FilesThatCannotBeWrittenBackAreShownReadOnlyAndNeverOverwritten)
{
    const struct {
        std::string bytes;
        UINT reason;
    } contents[] = {
        {std::string("\xCF\xF0\xE8\xE2\xE5\xF2", 6), IDS_READ_ONLY_CODE_PAGE},  // cp1251
        {std::string("\xFF\xFE\x41\x00\x42", 5), IDS_READ_ONLY_NOT_A_NOTE},      // odd length
        {std::string("text\0\x01\x02", 7), IDS_READ_ONLY_NOT_A_NOTE},             // binary
        {std::string("\xFF\xFE\x41\x00\x00\x00\x42\x00", 8), IDS_READ_ONLY_ZERO},
    };
    int index = 0;
    for (const auto& content : contents) {
        const std::wstring name = L"foreign" + std::to_wstring(++index);
        ASSERT_TRUE(WriteBytes(Host(name), content.bytes));
        Select(name);
        EXPECT_NE(ControlText(editor.control), L"") << index;
        EXPECT_FALSE(editor.modified) << index;
        EXPECT_TRUE(editor.readOnlyNote) << index;
        EXPECT_TRUE(ControlIsReadOnly()) << index;

        // Clearing and leaving the editor would otherwise replace the file.
        boxes.Clear();
        editor.Clear();
        EXPECT_FALSE(SaveNote(Note(name))) << index;
        EXPECT_EQ(Bytes(Host(name)), content.bytes) << index;
        ASSERT_EQ(boxes.Count(), 1u) << index;
        ExpectRefusal(boxes.Shown()[0], content.reason);
    }
}

TEST_F(NoteFilesTest, AnEmptyFileLoadsEmptyAndCanBeWritten)
{
    ASSERT_TRUE(WriteBytes(Host(L"zero"), ""));
    Select(L"zero");
    EXPECT_EQ(editor.text[0], L'\0');
    EXPECT_FALSE(editor.readOnlyNote);
    Type(L"new");
    EXPECT_TRUE(SaveNote(Note(L"zero")));
    EXPECT_EQ(Bytes(Host(L"zero")), NoteFileBytes(L"new"));
}

TEST_F(NoteFilesTest, AFullNoteOf2048BytesLoadsAll1023Units)
{
    std::wstring text;
    for (int i = 0; i < 1023; ++i)
        text.push_back(static_cast<wchar_t>(L'А' + i % 32));
    ASSERT_TRUE(WriteBytes(Host(L"full"), NoteFileBytes(text)));
    ASSERT_EQ(Bytes(Host(L"full")).size(), 2048u);
    Select(L"full");
    EXPECT_EQ(std::wstring(editor.text), text);
    EXPECT_EQ(ControlText(editor.control), text);
    EXPECT_FALSE(editor.readOnlyNote);
    EXPECT_FALSE(ControlIsReadOnly());
}

TEST_F(NoteFilesTest, ALongerNoteShowsItsFirst1023UnitsAndStaysWholeAfterEveryAction)
{
    std::wstring text;
    for (int i = 0; i < 1500; ++i)
        text.push_back(static_cast<wchar_t>(L'a' + i % 26));
    const std::string bytes = NoteFileBytes(text);
    ASSERT_TRUE(WriteBytes(Host(L"long"), bytes));
    Select(L"long");
    EXPECT_EQ(std::wstring(editor.text), text.substr(0, 1023));
    EXPECT_EQ(ControlText(editor.control), text.substr(0, 1023));
    EXPECT_TRUE(editor.readOnlyNote);
    EXPECT_TRUE(ControlIsReadOnly());
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(boxes.Count(), 0u);  // browsing a long note shows no box

    // Typing, deleting, cutting, pasting and undoing change nothing.
    EditProcInstaller installed(editor.control);
    SendMessageW(editor.control, EM_SETSEL, 0, 10);
    SendMessageW(editor.control, WM_CHAR, L'x', 1);
    SendMessageW(editor.control, WM_KEYDOWN, VK_DELETE, 1);
    SendMessageW(editor.control, WM_CHAR, VK_BACK, 1);
    ReportOutcome(editor.Cut());
    ReportOutcome(editor.Paste());
    ReportOutcome(editor.Undo());
    EXPECT_EQ(ControlText(editor.control), text.substr(0, 1023));
    EXPECT_FALSE(editor.modified);
    // The first attempt told the user why; later ones do not repeat it.
    ASSERT_EQ(boxes.Count(), 1u);
    ExpectRefusal(boxes.Shown()[0], IDS_READ_ONLY_TOO_LONG);

    // Copy still works.
    editor.Copy();
    EXPECT_FALSE(SaveNote(Note(L"long")));  // nothing changed
    EXPECT_EQ(Bytes(Host(L"long")), bytes);

    // Clear and leaving the editor: the save refuses and the note shows again.
    editor.Clear();
    EXPECT_FALSE(SaveNote(Note(L"long")));
    EXPECT_EQ(Bytes(Host(L"long")), bytes);
    EXPECT_EQ(ControlText(editor.control), text.substr(0, 1023));
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(boxes.Count(), 1u);

    // Program exit after that saves nothing either.
    EXPECT_FALSE(SaveNote(Note(L"long")));
    EXPECT_EQ(Bytes(Host(L"long")), bytes);
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"long"});
}

TEST_F(NoteFilesTest, ClearingALongNoteIsExplainedAtTheSave)
{
    const std::string bytes = NoteFileBytes(std::wstring(3000, L'z'));
    ASSERT_TRUE(WriteBytes(Host(L"long"), bytes));
    Select(L"long");
    editor.Clear();
    EXPECT_FALSE(SaveNote(Note(L"long")));
    ASSERT_EQ(boxes.Count(), 1u);
    ExpectRefusal(boxes.Shown()[0], IDS_READ_ONLY_TOO_LONG);
    EXPECT_EQ(Bytes(Host(L"long")), bytes);
    EXPECT_EQ(ControlText(editor.control), std::wstring(1023, L'z'));
}

TEST_F(NoteFilesTest, TheNextNoteIsEditableAgain)
{
    ASSERT_TRUE(WriteBytes(Host(L"long"), NoteFileBytes(std::wstring(2000, L'z'))));
    ASSERT_TRUE(WriteBytes(Host(L"short"), NoteFileBytes(L"short")));
    Select(L"long");
    ASSERT_TRUE(ControlIsReadOnly());
    Select(L"short");
    EXPECT_FALSE(editor.readOnlyNote);
    EXPECT_FALSE(ControlIsReadOnly());
    SendMessageW(editor.control, EM_SETSEL, 5, 5);
    SendMessageW(editor.control, WM_CHAR, L'!', 1);
    EXPECT_TRUE(SaveNote(Note(L"short")));
    EXPECT_EQ(Bytes(Host(L"short")), NoteFileBytes(L"short!"));
}

TEST_F(NoteFilesTest, ANoteAnotherProgramHoldsShutIsShownReadOnly)
{
    const std::string bytes = NoteFileBytes(L"locked");
    ASSERT_TRUE(WriteBytes(Host(L"locked"), bytes));
    HANDLE holder = CreateFileW(Host(L"locked").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Select(L"locked");
    EXPECT_TRUE(editor.readOnlyNote);
    EXPECT_EQ(editor.readOnlyReason.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    editor.Clear();
    EXPECT_FALSE(SaveNote(Note(L"locked")));
    CloseHandle(holder);
    EXPECT_EQ(Bytes(Host(L"locked")), bytes);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, SystemErrorText(ERROR_SHARING_VIOLATION));
}

TEST_F(NoteFilesTest, AMissingNoteLeavesTheClearedEditorEditable)
{
    Select(L"not there");
    EXPECT_EQ(editor.text[0], L'\0');
    EXPECT_FALSE(editor.modified);
    EXPECT_FALSE(editor.readOnlyNote);
    EXPECT_FALSE(FileExists(Host(L"not there")));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(NoteFilesTest, SavingAnEmptyEditorWritesTheMarkAlone)
{
    ASSERT_TRUE(WriteBytes(Host(L"n"), NoteFileBytes(L"old text")));
    Select(L"n");
    editor.Clear();
    EXPECT_TRUE(SaveNote(Note(L"n")));
    EXPECT_EQ(Bytes(Host(L"n")), std::string("\xFF\xFE", 2));
    EXPECT_FALSE(editor.modified);
}

TEST_F(NoteFilesTest, SaveCreatesANoteThatDoesNotExistYet)
{
    editor.Clear();
    Type(L"fresh");
    EXPECT_TRUE(SaveNote(Note(L"new one")));
    EXPECT_EQ(Bytes(Host(L"new one")), NoteFileBytes(L"fresh"));
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"new one"});
}

TEST_F(NoteFilesTest, SaveWithTheFlagClearTouchesNothing)
{
    const std::string bytes = NoteFileBytes(L"keep me");
    ASSERT_TRUE(WriteBytes(Host(L"kept"), bytes));
    SetOldTimes(Host(L"kept"));
    const FILETIME before = LastWriteTime(Host(L"kept"));
    Select(L"kept");
    SetWindowTextW(editor.control, L"shown but not typed");
    EXPECT_FALSE(SaveNote(Note(L"kept")));
    EXPECT_EQ(Bytes(Host(L"kept")), bytes);
    const FILETIME after = LastWriteTime(Host(L"kept"));
    EXPECT_EQ(CompareFileTime(&before, &after), 0);

    EXPECT_FALSE(SaveNote(Note(L"absent")));
    EXPECT_FALSE(FileExists(Host(L"absent")));
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"kept"});
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(NoteFilesTest, ASaveReplacesTheNoteAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(WriteBytes(Host(L"n"), NoteFileBytes(std::wstring(900, L'o'))));
    Select(L"n");
    editor.Clear();
    Type(L"short now");
    EXPECT_TRUE(SaveNote(Note(L"n")));
    EXPECT_EQ(Bytes(Host(L"n")), NoteFileBytes(L"short now"));
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"n"});
}

TEST_F(NoteFilesTest, FilesNamedLikeTemporaryFilesAreNeverTouched)
{
    // A leftover of an interrupted save, and a user's own empty note that
    // happens to carry the suffix: neither is the save's to remove.
    const std::string leftover = NoteFileBytes(L"words from an interrupted save");
    ASSERT_TRUE(WriteBytes(Host(L"n"), NoteFileBytes(L"old")));
    ASSERT_TRUE(WriteBytes(Host(L"n.zephtmp"), leftover));
    ASSERT_TRUE(WriteBytes(Host(L"x"), NoteFileBytes(L"x")));
    ASSERT_TRUE(WriteBytes(Host(L"x.zephtmp"), ""));
    Select(L"n");
    Type(L"new ");
    EXPECT_TRUE(SaveNote(Note(L"n")));
    Select(L"x");
    Type(L"x");
    EXPECT_TRUE(SaveNote(Note(L"x")));
    EXPECT_EQ(Bytes(Host(L"n")), NoteFileBytes(L"new old"));
    EXPECT_EQ(Bytes(Host(L"x")), NoteFileBytes(L"xx"));
    EXPECT_EQ(Bytes(Host(L"n.zephtmp")), leftover);
    EXPECT_TRUE(FileExists(Host(L"x.zephtmp")));
    EXPECT_EQ(Bytes(Host(L"x.zephtmp")), "");
    EXPECT_EQ(NamesInFolder(NotesFolder()),
              (std::vector<std::wstring>{L"n", L"n.zephtmp", L"x", L"x.zephtmp"}));
}

TEST_F(NoteFilesTest, ANoteWithTheLongestNameTheFolderTakesCanBeSaved)
{
    // 127 Cyrillic letters are 254 bytes on a Linux file system: one more
    // than it takes for the note alone, but no room for a suffix.
    const std::wstring name(127, L'\x0436');
    editor.Clear();
    Type(L"first");
    ASSERT_TRUE(CreateNote(Note(name)));
    Type(L" second");
    EXPECT_TRUE(SaveNote(Note(name)));
    EXPECT_EQ(Bytes(Host(name)), NoteFileBytes(L"first second"));
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{name});
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(NoteFilesTest, AChangedNoteWithTheLongestNameKeepsTheChangeAndTheTextGoesToANameThatFits)
{
    const std::wstring name(127, L'\x0436');
    ASSERT_TRUE(WriteBytes(Host(name), NoteFileBytes(L"loaded")));
    Select(name);
    Type(L"typed ");
    ASSERT_TRUE(WriteBytes(Host(name), NoteFileBytes(L"changed elsewhere")));
    EXPECT_TRUE(SaveNote(Note(name)));
    EXPECT_EQ(editor.lastSaveDetour, SaveDetour::Conflict);
    EXPECT_EQ(Bytes(Host(name)), NoteFileBytes(L"changed elsewhere"));
    const std::wstring& kept = editor.savedElsewhereName;
    ASSERT_GT(kept.size(), 20u);
    EXPECT_EQ(kept.compare(0, 20, name.substr(0, 20)), 0) << "it starts with the note's name";
    EXPECT_NE(kept.find(L" (conflict "), std::wstring::npos);
    EXPECT_EQ(kept.back(), L')');
    EXPECT_EQ(Bytes(Host(kept)), NoteFileBytes(L"typed loaded"));
    EXPECT_EQ(NamesInFolder(NotesFolder()).size(), 2u);
    EXPECT_STREQ(editor.text, L"changed elsewhere");
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(boxes.Count(), 0u) << "the editor shows no box of its own";
}

// A save that cannot be written keeps the note on disk and the edits pending.
class FailingSaveTest : public NoteFilesTest {
protected:
    void ExpectFailedSaveKept(const std::wstring& name, const std::string& before)
    {
        boxes.Clear();
        EXPECT_FALSE(SaveNote(Note(name)));
        EXPECT_TRUE(editor.modified);
        EXPECT_EQ(Bytes(Host(name)), before);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Shown()[0].caption, L"Error");
        EXPECT_FALSE(boxes.Shown()[0].text.empty());
    }
};

TEST_F(FailingSaveTest, AReadOnlyNoteKeepsItsBytes)
{
    const std::string bytes = NoteFileBytes(L"protected");
    ASSERT_TRUE(WriteBytes(Host(L"ro"), bytes));
    Select(L"ro");
    SetFileAttributesW(Host(L"ro").c_str(), FILE_ATTRIBUTE_READONLY);
    Type(L"edit ");
    ExpectFailedSaveKept(L"ro", bytes);
    ExpectRefusal(boxes.Shown()[0], IDS_REFUSED_SAVE_READ_ONLY);
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"ro"});

    // Once writable again, the next save writes the pending edits.
    SetFileAttributesW(Host(L"ro").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(SaveNote(Note(L"ro")));
    EXPECT_EQ(Bytes(Host(L"ro")), NoteFileBytes(L"edit protected"));
}

TEST_F(FailingSaveTest, AFolderInTheWayStaysAndTheEditsStayPending)
{
    editor.Clear();
    Type(L"text");
    ASSERT_TRUE(CreateDirectoryW(Host(L"taken").c_str(), nullptr));
    ExpectFailedSaveKept(L"taken", "<missing>");
    EXPECT_TRUE(FolderExists(Host(L"taken")));
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"taken"});
    EXPECT_STREQ(editor.text, L"text");
}

TEST_F(FailingSaveTest, AMissingFolderCreatesNothing)
{
    editor.Clear();
    Type(L"text");
    ExpectFailedSaveKept(L"gone\\n", "<missing>");
    EXPECT_EQ(boxes.Shown()[0].text, SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(NamesInFolder(NotesFolder()).empty());
}

TEST_F(FailingSaveTest, ANoteHeldOpenByAnotherProgramKeepsItsBytes)
{
    const std::string bytes = NoteFileBytes(L"in use");
    ASSERT_TRUE(WriteBytes(Host(L"busy"), bytes));
    Select(L"busy");
    Type(L"more ");
    HANDLE holder = CreateFileW(Host(L"busy").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ExpectFailedSaveKept(L"busy", bytes);
    CloseHandle(holder);
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"busy"});
    EXPECT_TRUE(SaveNote(Note(L"busy")));
    EXPECT_EQ(Bytes(Host(L"busy")), NoteFileBytes(L"more in use"));
}

TEST_F(NoteFilesTest, CreateNoteWritesTheMarkAlone)
{
    editor.Clear();
    EXPECT_TRUE(CreateNote(Note(L"Файл")));
    EXPECT_EQ(Bytes(Host(L"Файл")), std::string("\xFF\xFE", 2));
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(NamesInFolder(NotesFolder()), std::vector<std::wstring>{L"Файл"});
}

TEST_F(NoteFilesTest, CreateNoteOnAnExistingNameShowsOneErrorAndKeepsTheFile)
{
    const std::string bytes = NoteFileBytes(L"already here");
    ASSERT_TRUE(WriteBytes(Host(L"dup"), bytes));
    SetOldTimes(Host(L"dup"));
    const FILETIME before = LastWriteTime(Host(L"dup"));
    editor.Clear();
    EXPECT_FALSE(CreateNote(Note(L"dup")));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, L"Error");
    EXPECT_EQ(boxes.Shown()[0].text, SystemErrorText(ERROR_FILE_EXISTS));
    EXPECT_EQ(Bytes(Host(L"dup")), bytes);
    const FILETIME after = LastWriteTime(Host(L"dup"));
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_FALSE(editor.modified);
}

TEST_F(NoteFilesTest, CreateNoteInAMissingFolderShowsOneError)
{
    editor.Clear();
    EXPECT_FALSE(CreateNote(Note(L"gone\\n")));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(NamesInFolder(NotesFolder()).empty());
}

TEST_F(NoteFilesTest, CreateNoteAfterALongNoteGivesAnEditableEditor)
{
    ASSERT_TRUE(WriteBytes(Host(L"long"), NoteFileBytes(std::wstring(2000, L'z'))));
    Select(L"long");
    editor.Clear();
    EXPECT_TRUE(CreateNote(Note(L"new")));
    EXPECT_FALSE(editor.readOnlyNote);
    EXPECT_FALSE(ControlIsReadOnly());
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(NoteFilesTest, APasteBeyondTheLimitSavesExactlyWhatTheEditorShows)
{
    editor.Clear();
    Type(std::wstring(1000, L'a'));
    ASSERT_TRUE(OpenClipboard(parent.Handle()));
    EmptyClipboard();
    const std::wstring pasted(500, L'b');
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    editor.Paste();
    const std::wstring shown = ControlText(editor.control);
    ASSERT_LE(shown.size(), 1023u);
    EXPECT_TRUE(SaveNote(Note(L"pasted")));
    EXPECT_EQ(Bytes(Host(L"pasted")), NoteFileBytes(shown));
}

}  // namespace

namespace {

// A full disk needs a small file system of its own, which only a run as root
// can mount: ZEPH_FULL_DISK_FOLDER names an empty folder on one (for example
// "mount -t tmpfs -o size=64k tmpfs DIR"); without it the case is skipped.
TEST(FullDiskSave, AFullDiskLeavesTheOldNoteAndTheEditsPending)
{
    wchar_t folder[MAX_PATH] = {0};
    if (!GetEnvironmentVariableW(L"ZEPH_FULL_DISK_FOLDER", folder, MAX_PATH))
        GTEST_SKIP() << "ZEPH_FULL_DISK_FOLDER is not set";
    const std::wstring notes = std::wstring(folder) + L"\\ZephNotes";
    CreateDirectoryW(notes.c_str(), nullptr);
    SetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", folder);
    const std::string old = NoteFileBytes(L"the old note");
    ASSERT_TRUE(WriteBytes(notes + L"\\n", old));

    EditorTestWindow parent;
    NoteEditor editor;
    parent.Route(&editor);
    ASSERT_NE(editor.Create(30, 0, 207, 221, parent.Handle(), 400, GetModuleHandleW(nullptr),
                            L""),
              nullptr);
    editor.Clear();
    editor.LoadNote(L"\\My Documents\\ZephNotes\\n");
    const std::wstring typed(1000, L'w');
    SendMessageW(editor.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));

    // Fill the disk.
    const std::wstring filler = std::wstring(folder) + L"\\filler";
    HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string chunk(512, 'f');
    DWORD written = 0;
    while (WriteFile(file, chunk.data(), 512, &written, nullptr) && written == 512) {
    }
    CloseHandle(file);

    MessageBoxAnswerer boxes;
    Outcome failure;
    EXPECT_FALSE(editor.SaveNote(L"\\My Documents\\ZephNotes\\n", &failure));
    ReportOutcome(failure);
    EXPECT_TRUE(editor.modified);
    EXPECT_EQ(Bytes(notes + L"\\n"), old);
    EXPECT_EQ(NamesInFolder(notes), std::vector<std::wstring>{L"n"});
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, L"Error");

    DeleteFileW(filler.c_str());
    EXPECT_TRUE(editor.SaveNote(L"\\My Documents\\ZephNotes\\n", &failure));
    EXPECT_TRUE(failure.Done());
    EXPECT_EQ(Bytes(notes + L"\\n"), NoteFileBytes(typed + L"the old note"));
    DeleteFileW((notes + L"\\n").c_str());
    RemoveDirectoryW(notes.c_str());
    SetEnvironmentVariableW(L"ZEPHNOTES_DOCUMENTS", nullptr);
}

}  // namespace
