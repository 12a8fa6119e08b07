#include "notes/note_names.h"

#include "base/device_files.h"
#include "resources/resource.h"

#include <cwchar>
#include <cwctype>

namespace {

const size_t kMaxNameLength = 255;

bool IsReservedDeviceName(const wchar_t* name)
{
    // The device names are reserved with any extension: "nul.txt" is NUL.
    size_t stem = 0;
    while (name[stem] && name[stem] != L'.')
        ++stem;
    while (stem > 0 && name[stem - 1] == L' ')
        --stem;
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$",
                                             L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : devices) {
        if (wcslen(device) == stem && _wcsnicmp(name, device, stem) == 0)
            return true;
    }
    if (stem == 4 && (_wcsnicmp(name, L"COM", 3) == 0 || _wcsnicmp(name, L"LPT", 3) == 0) &&
        ((name[3] >= L'0' && name[3] <= L'9') || name[3] == 0xB9 || name[3] == 0xB2 ||
         name[3] == 0xB3))
        return true;
    return false;
}

}  // namespace

UINT NameRefusal(const wchar_t* name)
{
    if (!name || !name[0])
        return IDS_REFUSED_NAME_EMPTY;
    const size_t length = wcslen(name);
    if (length > kMaxNameLength || !DeviceNameLengthFits(name))
        return IDS_REFUSED_NAME_TOO_LONG;
    for (size_t i = 0; i < length; ++i) {
        const wchar_t c = name[i];
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            return IDS_REFUSED_NAME_CHARACTERS;
    }
    if (name[length - 1] == L'.' || name[length - 1] == L' ')
        return IDS_REFUSED_NAME_ENDING;
    if (IsReservedDeviceName(name))
        return IDS_REFUSED_NAME_RESERVED;
    return 0;
}

UINT PathLengthRefusal(const wchar_t* folderPath, const wchar_t* name)
{
    std::wstring host = TranslateDevicePath(folderPath);
    // A folder must leave room for an 8.3 name inside it; keep every entry
    // within that, so whatever is made here can be opened again.
    if (host.size() + wcslen(name) >= MAX_PATH - 12)
        return IDS_REFUSED_PATH_TOO_LONG;
    return 0;
}

UINT EntryNameRefusal(const wchar_t* folderPath, const wchar_t* name)
{
    const UINT refusal = NameRefusal(name);
    return refusal ? refusal : PathLengthRefusal(folderPath, name);
}
