// What an operation on the notes folder came to: done; a failure of the
// system, shown with the system's own text for its error code; or a refusal
// of the program's own, shown with its text from the string table. Code
// below the shell returns it, and the shell shows it.
#pragma once

#include <windows.h>

struct Outcome {
    DWORD error = 0;     // the system's error code of a failure
    UINT refusal = 0;    // the string id of a refusal's text

    bool Done() const { return error == 0 && refusal == 0; }

    static Outcome Success() { return Outcome(); }
    static Outcome Failure(DWORD code)
    {
        Outcome outcome;
        outcome.error = code ? code : ERROR_GEN_FAILURE;
        return outcome;
    }
    static Outcome LastError() { return Failure(GetLastError()); }
    static Outcome Refusal(UINT textId)
    {
        Outcome outcome;
        outcome.refusal = textId;
        return outcome;
    }
};
