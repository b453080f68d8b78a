#pragma once
// Capture runs from the command line: no main window, no hot keys, no tray icon, config.xml
// read but never written.
#include <string>
#include <vector>

//! Runs the capture the arguments ask for; the process exit code.
int RunCommandLine(const std::vector<std::wstring>& args);
