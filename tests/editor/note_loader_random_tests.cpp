#include "editor/note_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "support/editor_test_window.h"
#include "support/temp_folder.h"

namespace {

// A generated file: its bytes and a word on how it was made, for failures.
struct GeneratedFile {
    std::string bytes;
    std::string kind;
};

wchar_t RandomUnit(std::mt19937& random)
{
    switch (random() % 8) {
    case 0: return 0;                                                    // embedded zero
    case 1: return static_cast<wchar_t>(0xD800 + random() % 0x800);      // lone surrogate
    case 2: return L'\r';                                               // before an LF
    case 3: return static_cast<wchar_t>(0x0410 + random() % 64);         // Cyrillic
    case 4: return static_cast<wchar_t>(random() % 0x10000);
    default: return static_cast<wchar_t>(0x20 + random() % 0x5F);        // printable ASCII
    }
}

GeneratedFile Generate(std::mt19937& random)
{
    GeneratedFile file;
    // Lengths around every boundary of the format, and well beyond.
    static const size_t edges[] = {0, 1, 2, 3, 4, 5, 2046, 2047, 2048, 2049, 2050, 4096};
    size_t length;
    if (random() % 3 == 0) {
        length = edges[random() % (sizeof(edges) / sizeof(edges[0]))];
        file.kind = "edge";
    } else {
        length = random() % 3000;
        file.kind = "random";
    }
    const bool zeroFree = random() % 3 == 0;
    // Lines end in CR LF, as this program writes them; a line end of
    // another kind is what other programs write, and it is shown as CR LF.
    for (size_t i = 0; i < length; i += 2) {
        wchar_t unit = RandomUnit(random);
        if (zeroFree && unit == 0)
            unit = L'z';
        if (unit == L'\n')
            unit = L'y';
        if (unit == L'\r' && i > 0 && i + 4 <= length) {
            file.bytes.append("\r\0\n\0", 4);
            i += 2;
            continue;
        }
        if (unit == L'\r')
            unit = L'x';
        file.bytes.push_back(static_cast<char>(unit & 0xFF));
        file.bytes.push_back(static_cast<char>(unit >> 8));
    }
    file.bytes.resize(length);
    if (length >= 2) {
        switch (random() % 5) {
        case 0: file.bytes[0] = '\xFE'; file.bytes[1] = '\xFF'; file.kind += " big-endian"; break;
        case 1: file.bytes[0] = static_cast<char>(random()); file.kind += " any mark"; break;
        default: file.bytes[0] = '\xFF'; file.bytes[1] = '\xFE'; file.kind += " note mark"; break;
        }
    } else if (length == 1) {
        file.bytes[0] = random() % 2 ? '\xFF' : static_cast<char>(random());
    }
    return file;
}

// What the note format says the editor shows of a note this program could
// have written (FF FE, even length, lines in CR LF), and whether it can be
// written back without losing anything. Of other files only that they are
// read safely is checked here.
struct Expected {
    bool known;
    std::wstring units;   // the units read into the buffer, at most 1023
    bool readOnly;
};

Expected ExpectedLoad(const std::string& bytes)
{
    Expected expected = {true, L"", false};
    if (bytes.empty())
        return expected;
    const bool marked = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    if (!marked || bytes.size() % 2 != 0) {
        expected.known = false;
        return expected;
    }
    std::wstring all = UnitsOf(bytes.substr(2));
    expected.readOnly = all.size() > static_cast<size_t>(NoteTextLimit);
    // A zero character shows as U+FFFD; a cut never parts a character's
    // two units or a CR from its LF.
    for (wchar_t& unit : all) {
        if (unit == 0) {
            unit = 0xFFFD;
            expected.readOnly = true;
        }
    }
    size_t end = std::min(all.size(), static_cast<size_t>(NoteTextLimit));
    if (end < all.size() && ((all[end - 1] >= 0xD800 && all[end - 1] <= 0xDBFF) ||
                             (all[end - 1] == L'\r' && all[end] == L'\n')))
        --end;
    expected.units = all.substr(0, end);
    return expected;
}

TEST(NoteLoaderRandomFiles, LoadsExactlyWhatTheFormatSaysAndNeverReadsPastTheFile)
{
    TempDocuments documents;
    CreateDirectoryW(documents.HostPath(L"ZephNotes").c_str(), nullptr);
    EditorTestWindow parent;
    NoteEditor withControl;
    parent.Route(&withControl);
    ASSERT_NE(withControl.Create(30, 0, 207, 221, parent.Handle(), 400,
                                 GetModuleHandleW(nullptr), L""),
              nullptr);

    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    const std::wstring host = documents.HostPath(L"ZephNotes\\random");
    const wchar_t* device = L"\\My Documents\\ZephNotes\\random";
    for (int round = 0; round < 500; ++round) {
        const GeneratedFile file = Generate(random);
        ASSERT_TRUE(WriteBytes(host, file.bytes));
        const Expected expected = ExpectedLoad(file.bytes);
        SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round) + ", " +
                     std::to_string(file.bytes.size()) + " bytes, " + file.kind);

        // A loose editor without a control, its buffer filled with a pattern
        // so that a load is seen to leave nothing of it behind.
        NoteEditor loose;
        for (int i = 0; i < NoteTextLimit; ++i)
            loose.text[i] = static_cast<wchar_t>(0x7000 + i);
        loose.text[NoteTextLimit] = 0;
        loose.modified = true;
        loose.LoadNote(device);
        EXPECT_FALSE(loose.modified);
        EXPECT_EQ(loose.text[NoteTextLimit], L'\0');
        EXPECT_EQ(loose.style, 0x52011044u);  // the field after the buffer is intact
        if (expected.known) {
            EXPECT_EQ(loose.readOnlyNote, expected.readOnly);
            EXPECT_EQ(std::wstring(loose.text, expected.units.size()), expected.units);
            for (size_t i = expected.units.size(); i <= static_cast<size_t>(NoteTextLimit); ++i)
                ASSERT_EQ(loose.text[i], L'\0') << i;
        }

        // The editor with its control, as after the tree's selection.
        withControl.Clear();
        withControl.LoadNote(device);
        EXPECT_EQ(ControlText(withControl.control), std::wstring(withControl.text));
        EXPECT_EQ((GetWindowLongW(withControl.control, GWL_STYLE) & ES_READONLY) != 0,
                  withControl.readOnlyNote);
        if (expected.known) {
            EXPECT_EQ(std::wstring(withControl.text), expected.units);
            EXPECT_EQ(withControl.readOnlyNote, expected.readOnly);
        }

        std::string after;
        ASSERT_TRUE(ReadBytes(host, &after));
        EXPECT_EQ(after, file.bytes);
        if (::testing::Test::HasFailure())
            break;
    }
}

}  // namespace
