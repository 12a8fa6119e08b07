#include "notes/note_encoding.h"

#include "resources/resource.h"

#include <cstdint>
#include <cstring>

namespace {

const wchar_t kStandIn = 0xFFFD;   // shown for a zero character

bool Starts(const unsigned char* bytes, size_t count, const char* mark, size_t length)
{
    return count >= length && memcmp(bytes, mark, length) == 0;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF)
// into UTF-16. A sequence cut off by the end of what was read ends the text
// when the file goes on beyond it; anything else invalid answers false.
bool DecodeUtf8(const unsigned char* bytes, size_t count, bool whole, std::wstring* text)
{
    size_t i = 0;
    while (i < count) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            text->push_back(lead);
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF;
        uint32_t code;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= count)
                return !whole;
            const unsigned char next = bytes[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text->push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            text->push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text->push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
    return true;
}

void DecodeUtf16(const unsigned char* bytes, size_t count, bool bigEndian, std::wstring* text)
{
    for (size_t i = 0; i + 1 < count; i += 2)
        text->push_back(static_cast<wchar_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1]
                                                       : bytes[i] | (bytes[i + 1] << 8)));
}

// The kind of line end the text has most of; CR LF unless another kind
// outnumbers it.
NoteEncoding::LineEnds MostLineEnds(const std::wstring& text)
{
    size_t crLf = 0, lf = 0, cr = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            ++crLf;
            ++i;
        } else if (text[i] == L'\r') {
            ++cr;
        } else if (text[i] == L'\n') {
            ++lf;
        }
    }
    if (crLf >= lf && crLf >= cr)
        return NoteEncoding::CrLf;
    return lf >= cr ? NoteEncoding::Lf : NoteEncoding::Cr;
}

// Every line break of any kind as the given one.
std::wstring WithLineEnds(const std::wstring& text, const wchar_t* lineEnd)
{
    std::wstring result;
    result.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            result += lineEnd;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

// Cut to at most limit units, never between the halves of a character or
// of a CR LF.
void CutTo(std::wstring* text, size_t limit)
{
    if (text->size() <= limit)
        return;
    size_t end = limit;
    if (end > 0 && (*text)[end - 1] >= 0xD800 && (*text)[end - 1] <= 0xDBFF)
        --end;
    else if (end > 0 && (*text)[end - 1] == L'\r' && (*text)[end] == L'\n')
        --end;
    text->resize(end);
}

bool EncodeUtf8(const std::wstring& text, std::string* bytes)
{
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDFFF) {
            if (code > 0xDBFF || i + 1 >= text.size() || text[i + 1] < 0xDC00 ||
                text[i + 1] > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (code < 0x80) {
            bytes->push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            bytes->push_back(static_cast<char>(0xC0 | (code >> 6)));
            bytes->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            bytes->push_back(static_cast<char>(0xE0 | (code >> 12)));
            bytes->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            bytes->push_back(static_cast<char>(0xF0 | (code >> 18)));
            bytes->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            bytes->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return true;
}

}  // namespace

DecodedNote DecodeNote(const unsigned char* bytes, size_t count, bool whole, size_t limit)
{
    DecodedNote note;
    NoteEncoding& encoding = note.encoding;
    if (Starts(bytes, count, "\xFF\xFE", 2) || Starts(bytes, count, "\xFE\xFF", 2)) {
        encoding.kind = bytes[0] == 0xFF ? NoteEncoding::Utf16Le : NoteEncoding::Utf16Be;
        DecodeUtf16(bytes + 2, count - 2, encoding.kind == NoteEncoding::Utf16Be, &note.text);
        // A byte left over: not UTF-16 to its end.
        if (whole && (count % 2) != 0)
            note.readOnly = IDS_READ_ONLY_NOT_A_NOTE;
    } else if (count > 0) {
        encoding.kind = NoteEncoding::Utf8;
        encoding.mark = Starts(bytes, count, "\xEF\xBB\xBF", 3);
        const size_t skip = encoding.mark ? 3 : 0;
        if (!DecodeUtf8(bytes + skip, count - skip, whole, &note.text)) {
            // Not UTF-8: text in a Windows code page, shown as the system reads it.
            encoding.kind = NoteEncoding::CodePage;
            encoding.mark = false;
            note.text.clear();
            const int units = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes),
                                                  static_cast<int>(count), nullptr, 0);
            note.text.resize(units > 0 ? units : 0);
            if (units > 0)
                MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes),
                                    static_cast<int>(count), &note.text[0], units);
            note.readOnly = IDS_READ_ONLY_CODE_PAGE;
        }
    }
    encoding.lineEnds = MostLineEnds(note.text);
    if (encoding.lineEnds != NoteEncoding::CrLf)
        note.text = WithLineEnds(note.text, L"\r\n");
    // A zero character would end the editor's text there: UTF-16 that holds
    // one cannot be kept, 8-bit bytes that do are no text at all.
    for (wchar_t& unit : note.text) {
        if (unit != 0)
            continue;
        unit = kStandIn;
        if (!note.readOnly || note.readOnly == IDS_READ_ONLY_CODE_PAGE)
            note.readOnly = encoding.kind == NoteEncoding::Utf16Le ||
                                    encoding.kind == NoteEncoding::Utf16Be
                                ? IDS_READ_ONLY_ZERO
                                : IDS_READ_ONLY_NOT_A_NOTE;
    }
    if (note.text.size() > limit || !whole) {
        CutTo(&note.text, limit);
        if (!note.readOnly)
            note.readOnly = IDS_READ_ONLY_TOO_LONG;
    }
    return note;
}

bool EncodeNote(const std::wstring& text, const NoteEncoding& encoding, std::string* bytes)
{
    bytes->clear();
    const std::wstring lines =
        encoding.lineEnds == NoteEncoding::CrLf
            ? text
            : WithLineEnds(text, encoding.lineEnds == NoteEncoding::Lf ? L"\n" : L"\r");
    switch (encoding.kind) {
    case NoteEncoding::Utf16Le:
    case NoteEncoding::Utf16Be: {
        const bool big = encoding.kind == NoteEncoding::Utf16Be;
        if (encoding.mark)
            bytes->append(big ? "\xFE\xFF" : "\xFF\xFE", 2);
        for (wchar_t unit : lines) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes->push_back(big ? high : low);
            bytes->push_back(big ? low : high);
        }
        return true;
    }
    case NoteEncoding::Utf8:
        if (encoding.mark)
            bytes->append("\xEF\xBB\xBF", 3);
        return EncodeUtf8(lines, bytes);
    case NoteEncoding::CodePage:
        break;
    }
    return false;
}
