// The program's growable string of UTF-16 code units, used for names,
// paths and texts.
#pragma once

#include <cstdint>

class WideString {
public:
    WideString();
    WideString(const wchar_t* text);
    explicit WideString(int32_t blanks);
    WideString(const WideString& other);
    virtual ~WideString();

    WideString& operator=(const WideString& other);

    // a's units followed by b's, nothing inserted between.
    friend WideString operator+(const WideString& a, const WideString& b);
    friend bool operator==(const WideString& a, const WideString& b);
    friend bool operator!=(const WideString& a, const WideString& b) { return !(a == b); }

    // Case-sensitive search for a contiguous run of units; the empty text
    // is contained in every text.
    bool Contains(const WideString& part) const;
    // The same search in units held elsewhere.
    static bool Contains(const wchar_t* text, int32_t length, const WideString& part);

    // Everything up to and including the last "\" or "/" found at index 1
    // or later; a text without such a separator is its own directory part.
    WideString DirectoryPart() const;

    // Zero-terminated units; an empty text for a string that never held one.
    const wchar_t* Text() const { return units ? units : L""; }
    int32_t Length() const { return length; }
    bool IsEmpty() const { return length == 0; }

private:
    WideString(const wchar_t* text, int32_t count);
    void Adopt(const wchar_t* text, int32_t count);

    wchar_t* units;   // own storage, zero-terminated; null until it holds text
    int32_t length;   // in units, terminator excluded
};
