// How a note's text is kept in its file. A note this program makes is
// UTF-16LE after the mark FF FE, lines ending in CR LF; a note another
// program wrote keeps what it came in: UTF-8 with or without its mark,
// UTF-16 of either byte order, lines ending in CR LF, LF or CR. The editor
// always holds lines ending in CR LF.
#pragma once

#include <windows.h>

#include <string>

struct NoteEncoding {
    enum Kind { Utf16Le, Utf16Be, Utf8, CodePage };
    enum LineEnds { CrLf, Lf, Cr };
    Kind kind = Utf16Le;
    bool mark = true;            // the byte-order mark starts the file
    LineEnds lineEnds = CrLf;

    bool operator==(const NoteEncoding& other) const
    {
        return kind == other.kind && mark == other.mark && lineEnds == other.lineEnds;
    }
    bool operator!=(const NoteEncoding& other) const { return !(*this == other); }
};

// A file's bytes read as a note's text.
struct DecodedNote {
    std::wstring text;        // as the editor shows it, at most limit units
    NoteEncoding encoding;
    // 0 when the text can be written back as it came; otherwise the string
    // id saying why the note is shown read-only: not text, a zero
    // character, a Windows code page, or longer than the editor holds.
    UINT readOnly = 0;
};

// Decides by the bytes alone. whole is false when the file goes on beyond
// them (then it is longer than any note this program writes). A zero
// character is shown as U+FFFD, so the page never ends early; such a note
// is never written.
DecodedNote DecodeNote(const unsigned char* bytes, size_t count, bool whole, size_t limit);

// The bytes a text of the editor's becomes in the encoding, line breaks of
// every kind written as the note's own; false when the encoding cannot
// carry the text (half of a character made of two units, for UTF-8).
// A note in CR LF keeps its units exactly as the editor holds them.
bool EncodeNote(const std::wstring& text, const NoteEncoding& encoding, std::string* bytes);
