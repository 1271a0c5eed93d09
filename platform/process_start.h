// Starting another program.
#pragma once

#include <string>

namespace platform {

// Starts a program with a normal, focused window and does not wait for it.
// A program that cannot be started ends the run.
void StartProgram(const std::wstring& program, const std::wstring& commandLine);

}  // namespace platform
