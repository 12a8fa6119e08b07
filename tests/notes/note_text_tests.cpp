#include "notes/note_file.h"

#include "resources/resource.h"
#include "support/temp_folder.h"
#include "support/tree_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Utf16(const std::wstring& text, bool bigEndian)
{
    std::string bytes;
    for (wchar_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

const std::string kLe = "\xFF\xFE", kBe = "\xFE\xFF", kUtf8Mark = "\xEF\xBB\xBF";

struct Loaded {
    LoadedNote note;
    std::wstring text;
};

Loaded Load(const NoteEntry& note)
{
    Loaded loaded;
    wchar_t text[NoteTextLimit + 1] = {};
    loaded.note = LoadNoteText(note, text);
    loaded.text = text;
    return loaded;
}

}  // namespace

// Notes as other systems write them are shown with lines ending in CR LF,
// as the editor holds them, and written back in the encoding, mark and line
// ends they came in; a save that changes nothing writes nothing.
TEST(NoteText, EveryEncodingIsReadEditedAndWrittenBackAsItCame)
{
    TempDocuments docs;
    ASSERT_TRUE(MakeFolder(docs.HostPath(L"ZephNotes")));
    const std::wstring privet = L"Привет";
    const std::string privetUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const std::string clef = "\xF0\x9D\x84\x9E";   // U+1D11E, two units
    struct Case {
        const char* what;
        std::string bytes;
        std::wstring shown;
        std::string edited;   // the file after "!" is typed at the end
    } cases[] = {
        {"UTF-16LE, CR LF", kLe + Utf16(privet + L"\r\nx", false), privet + L"\r\nx",
         kLe + Utf16(privet + L"\r\nx!", false)},
        {"UTF-16LE, LF", kLe + Utf16(L"a\nb\n", false), L"a\r\nb\r\n",
         kLe + Utf16(L"a\nb\n!", false)},
        {"UTF-16BE, CR LF", kBe + Utf16(privet + L"\r\n", true), privet + L"\r\n",
         kBe + Utf16(privet + L"\r\n!", true)},
        {"UTF-8, LF", privetUtf8 + " from Linux\nsecond line\n",
         privet + L" from Linux\r\nsecond line\r\n", privetUtf8 + " from Linux\nsecond line\n!"},
        {"UTF-8 with its mark, CR LF", kUtf8Mark + "a" + clef + "\r\nb",
         L"a\U0001D11E\r\nb", kUtf8Mark + "a" + clef + "\r\nb!"},
        {"UTF-8, CR", "one\rtwo", L"one\r\ntwo", "one\rtwo!"},
        {"UTF-8, mostly LF", "a\nb\r\nc\n", L"a\r\nb\r\nc\r\n", "a\nb\nc\n!"},
        {"an empty file", "", L"", kLe + Utf16(L"!", false)},
    };
    int index = 0;
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        const NoteEntry note = NoteEntry().Child(L"note" + std::to_wstring(++index));
        const std::wstring path = docs.HostPath(L"ZephNotes\\" + note.name);
        ASSERT_TRUE(WriteBytes(path, each.bytes));
        Loaded loaded = Load(note);
        EXPECT_TRUE(loaded.note.problem.Done());
        EXPECT_EQ(each.shown, loaded.text);

        // Saved unchanged, the file stays the very same file.
        EntryId before, after;
        ASSERT_TRUE(CurrentIdentity(note, &before).Done());
        SavedNote saved = SaveNoteText(note, loaded.note.state, loaded.text.c_str());
        EXPECT_TRUE(saved.outcome.Done());
        ASSERT_TRUE(CurrentIdentity(note, &after).Done());
        EXPECT_EQ(before, after);
        std::string bytes;
        ASSERT_TRUE(ReadBytes(path, &bytes));
        EXPECT_EQ(each.bytes, bytes);

        saved = SaveNoteText(note, saved.state, (loaded.text + L"!").c_str());
        EXPECT_TRUE(saved.outcome.Done());
        EXPECT_EQ(SaveDetour::None, saved.detour);
        ASSERT_TRUE(ReadBytes(path, &bytes));
        EXPECT_EQ(each.edited, bytes);
        // And read again it is what was typed.
        loaded = Load(note);
        EXPECT_EQ(each.shown + L"!", loaded.text);
        EXPECT_TRUE(loaded.note.problem.Done());
    }

    // A new note is UTF-16LE after FF FE.
    NoteFileState state;
    ASSERT_TRUE(CreateNoteText(NoteEntry(), L"new", L"a\r\nб", &state).Done());
    std::string bytes;
    ASSERT_TRUE(ReadBytes(docs.HostPath(L"ZephNotes\\new"), &bytes));
    EXPECT_EQ(kLe + Utf16(L"a\r\nб", false), bytes);
}

// What cannot be written back as it came is shown as far as the page holds
// it, with the reason it stays read-only; never as an empty page.
TEST(NoteText, FilesThatCannotBeWrittenBackAreShownWithTheReason)
{
    TempDocuments docs;
    ASSERT_TRUE(MakeFolder(docs.HostPath(L"ZephNotes")));
    std::string longUtf8;
    for (int i = 0; i < 1100; ++i)
        longUtf8 += "\xD0\xB6";   // "ж"
    struct Case {
        const char* what;
        std::string bytes;
        UINT reason;
        std::wstring shownStart;
    } cases[] = {
        {"Windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2 cp1251", IDS_READ_ONLY_CODE_PAGE, L""},
        {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), IDS_READ_ONLY_NOT_A_NOTE, L""},
        {"UTF-8 holding a zero", std::string("ab\0cd", 5), IDS_READ_ONLY_NOT_A_NOTE,
         L"ab\xFFFD" L"cd"},
        {"UTF-16 holding a zero", kLe + Utf16(std::wstring(L"\0after", 6), false),
         IDS_READ_ONLY_ZERO, L"\xFFFD" L"after"},
        {"UTF-16 of odd length", kLe + std::string("A\0B", 3), IDS_READ_ONLY_NOT_A_NOTE, L"A"},
        {"UTF-8 longer than a note", longUtf8, IDS_READ_ONLY_TOO_LONG,
         std::wstring(NoteTextLimit, L'ж')},
    };
    int index = 0;
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        const NoteEntry note = NoteEntry().Child(L"foreign" + std::to_wstring(++index));
        ASSERT_TRUE(WriteBytes(docs.HostPath(L"ZephNotes\\" + note.name), each.bytes));
        const Loaded loaded = Load(note);
        EXPECT_EQ(each.reason, loaded.note.problem.refusal);
        EXPECT_TRUE(loaded.note.shown);
        EXPECT_FALSE(loaded.text.empty());
        // Bytes in a code page read as the system's own says: only that
        // something is shown is sure of them.
        if (!each.shownStart.empty()) {
            EXPECT_EQ(each.shownStart, loaded.text.substr(0, each.shownStart.size()));
        }
    }
}
