// Every combining mark of the Basic Multilingual Plane (general categories
// Mn, Mc and Me, Unicode 14), for tests that hand such text to the controls.
#pragma once

#include <string>

std::wstring CombiningMarks();
