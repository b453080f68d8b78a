#pragma once
// The system's reason for a failure, in the language of the program's messages.
#include <windows.h>

#include <string>

namespace kv::app {

//! The system's text for an error code in the interface language, without the line end; empty for 0.
std::wstring SystemErrorText(DWORD error);
//! The same, asking the system for its text in `language` first (tests ask for one it lacks).
std::wstring SystemErrorText(DWORD error, LANGID language);

}  // namespace kv::app
