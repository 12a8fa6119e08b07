#include "base/drawing.h"

#include "base/shell_services.h"
#include "resources/resource.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t TextFace[] = L"ZephNotes Text";
const wchar_t FallbackFace[] = L"ZephNotes Fallback";
const wchar_t HandheldFace[] = L"Tahoma";

// Wine's Uniscribe takes the face for a run its first face cannot draw from
// this key, one value per script: the OpenType tag as a hexadecimal number
// ("0" for runs that have none).
const wchar_t UniscribeFallbackKey[] = L"Software\\Wine\\Uniscribe\\Fallback";
const char* const UniscribeScripts[] = {
    "latn", "arab", "hebr", "syrc", "thaa", "grek", "cyrl", "armn", "geor", "sinh", "tibt",
    "tfng", "phag", "thai", "lao ", "deva", "beng", "guru", "gujr", "orya", "taml", "telu",
    "knda", "mlym", "dev2", "bng2", "gur2", "gjr2", "ory2", "tml2", "tel2", "knd2", "mlm2",
    "mymr", "ethi", "mong", "runr", "khmr", "cher", "ogam", "cans", "tale", "talu", "bopo",
    "kana", "hang", "hani", "yi  ", "vai ", "nko ", "brai", "dsrt", "osma", "math",
};

bool AddFaceFromResource(HMODULE module, int id)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD faces = 0;
    return data && AddFontMemResourceEx(data, SizeofResource(module, found), nullptr, &faces) &&
           faces > 0;
}

// What each fallback value held before the program pointed it at its face:
// put back at exit, so that other programs of a prefix it shares keep
// theirs. A value that already names the program's face was left by a run
// that never got to put it back, and goes.
struct KeptFallback {
    std::wstring name;
    bool existed;
    DWORD type;
    std::vector<BYTE> data;
};
std::vector<KeptFallback> keptFallbacks;
bool fallbackKeyMade = false;

void SetFallbackValue(HKEY key, const wchar_t* name)
{
    KeptFallback kept = {name, false, 0, {}};
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &kept.type, nullptr, &bytes) == ERROR_SUCCESS) {
        kept.data.resize(bytes + sizeof(wchar_t));
        kept.existed = RegQueryValueExW(key, name, nullptr, &kept.type, kept.data.data(),
                                        &bytes) == ERROR_SUCCESS;
        kept.data.resize(bytes);
        const std::wstring ours(FallbackFace);
        if (kept.existed && kept.type == REG_SZ &&
            std::wstring(reinterpret_cast<const wchar_t*>(kept.data.data()),
                         bytes / sizeof(wchar_t))
                    .compare(0, ours.size() + 1, ours.c_str(), ours.size() + 1) == 0)
            kept.existed = false;
    }
    keptFallbacks.push_back(kept);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(FallbackFace),
                   static_cast<DWORD>((wcslen(FallbackFace) + 1) * sizeof(wchar_t)));
}

// Sends every script's fallback to our own face, so that no run is ever
// shaped in a face we did not choose.
bool SendFallbacksToOurFace()
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, UniscribeFallbackKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return false;
    fallbackKeyMade = disposition == REG_CREATED_NEW_KEY;
    SetFallbackValue(key, L"0");
    for (const char* script : UniscribeScripts) {
        const DWORD tag = static_cast<BYTE>(script[0]) | static_cast<BYTE>(script[1]) << 8 |
                          static_cast<BYTE>(script[2]) << 16 |
                          static_cast<DWORD>(static_cast<BYTE>(script[3])) << 24;
        wchar_t name[16];
        swprintf(name, 16, L"%lx", static_cast<unsigned long>(tag));
        SetFallbackValue(key, name);
    }
    RegCloseKey(key);
    return true;
}

// Wine 8.0's Uniscribe reads before the first glyph of a run that starts
// with a combining mark whenever the run's face has mark-positioning
// (GPOS) lookups for its script: Wine's Tahoma has them for Hebrew and
// Arabic, DejaVu Sans for many scripts, and a note holding such text brought
// down every edit control that showed it. Under Wine the text is drawn in
// faces the program carries, made without a GPOS table, so Uniscribe
// positions nothing there; Windows has no such fault and keeps Tahoma.
const wchar_t* ChooseFace()
{
    if (!RunningUnderWine())
        return HandheldFace;
    HMODULE program = GetModuleHandleW(nullptr);
    if (!AddFaceFromResource(program, IDR_FONT_TEXT) ||
        !AddFaceFromResource(program, IDR_FONT_FALLBACK))
        return HandheldFace;
    SendFallbacksToOurFace();
    return TextFace;
}

}  // namespace

const wchar_t* NoteFontFace()
{
    static const wchar_t* const face = ChooseFace();
    return face;
}

const wchar_t* NoteFallbackFace()
{
    return NoteFontFace() == TextFace ? FallbackFace : nullptr;
}

void RestoreFallbacks()
{
    if (keptFallbacks.empty())
        return;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, UniscribeFallbackKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                      &key) == ERROR_SUCCESS) {
        for (const KeptFallback& kept : keptFallbacks) {
            if (kept.existed)
                RegSetValueExW(key, kept.name.c_str(), 0, kept.type, kept.data.data(),
                               static_cast<DWORD>(kept.data.size()));
            else
                RegDeleteValueW(key, kept.name.c_str());
        }
        DWORD values = 0;
        DWORD subkeys = 0;
        const bool empty = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                            nullptr, &values, nullptr, nullptr, nullptr,
                                            nullptr) == ERROR_SUCCESS &&
                           values == 0 && subkeys == 0;
        RegCloseKey(key);
        if (fallbackKeyMade && empty)
            RegDeleteKeyW(HKEY_CURRENT_USER, UniscribeFallbackKey);
    }
    keptFallbacks.clear();
}
