// Every combining mark of the Basic Multilingual Plane (general categories
// Mn, Mc and Me, Unicode 14), for tests that hand such text to the controls.
#pragma once

#include <string>
#include <vector>

std::wstring CombiningMarks();

// One letter of each script of the BMP that has combining marks: the first
// letter of each 128-unit page that holds both marks and letters.
std::wstring LettersOfScriptsWithMarks();

// Notes of at most maxUnits units that, together, put every mark before a
// letter of every such script, once at the start of a line and once after a
// lone CR: a run of that script then starts with the mark.
std::vector<std::wstring> MarkBeforeLetterNotes(size_t maxUnits);

// count seeded notes of 50 to 300 letters (letters of every such script,
// Latin letters, digits, spaces and line breaks), each followed by zero to
// three marks drawn from every mark, cut to at most maxUnits units.
std::vector<std::wstring> MarkSoupNotes(unsigned seed, size_t count, size_t maxUnits);
