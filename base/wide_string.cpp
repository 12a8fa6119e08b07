#include "base/wide_string.h"

#include <cwchar>

WideString::WideString() : units(nullptr), length(0) {}

WideString::WideString(const wchar_t* text) : units(nullptr), length(0)
{
    if (text)
        Adopt(text, static_cast<int32_t>(wcslen(text)));
}

WideString::WideString(int32_t blanks) : units(nullptr), length(0)
{
    if (blanks < 0)
        blanks = 0;
    units = new wchar_t[blanks + 1];
    for (int32_t i = 0; i < blanks; ++i)
        units[i] = L' ';
    units[blanks] = 0;
    length = blanks;
}

WideString::WideString(const WideString& other) : units(nullptr), length(0)
{
    if (other.units)
        Adopt(other.units, other.length);
}

WideString::WideString(const wchar_t* text, int32_t count) : units(nullptr), length(0)
{
    Adopt(text, count);
}

WideString::~WideString()
{
    delete[] units;
}

void WideString::Adopt(const wchar_t* text, int32_t count)
{
    wchar_t* fresh = new wchar_t[count + 1];
    wmemcpy(fresh, text, count);
    fresh[count] = 0;
    delete[] units;
    units = fresh;
    length = count;
}

WideString& WideString::operator=(const WideString& other)
{
    if (this == &other)
        return *this;
    if (other.units) {
        Adopt(other.units, other.length);
    } else {
        delete[] units;
        units = nullptr;
        length = 0;
    }
    return *this;
}

WideString operator+(const WideString& a, const WideString& b)
{
    WideString joined;
    joined.units = new wchar_t[a.length + b.length + 1];
    wmemcpy(joined.units, a.Text(), a.length);
    wmemcpy(joined.units + a.length, b.Text(), b.length);
    joined.length = a.length + b.length;
    joined.units[joined.length] = 0;
    return joined;
}

bool operator==(const WideString& a, const WideString& b)
{
    return a.length == b.length && wmemcmp(a.Text(), b.Text(), a.length) == 0;
}

bool WideString::Contains(const WideString& part) const
{
    return Contains(units, length, part);
}

bool WideString::Contains(const wchar_t* text, int32_t length, const WideString& part)
{
    if (part.length == 0)
        return true;
    for (int32_t start = 0; start + part.length <= length; ++start) {
        if (text[start] == part.units[0] && wmemcmp(text + start, part.units, part.length) == 0)
            return true;
    }
    return false;
}

WideString WideString::DirectoryPart() const
{
    for (int32_t i = length - 1; i >= 1; --i) {
        if (units[i] == L'\\' || units[i] == L'/')
            return WideString(units, i + 1);
    }
    return *this;
}
