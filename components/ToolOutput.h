#pragma once

#include <string>
#include <string_view>

// Small facts about what an artisan command printed, shared by the readers of its output.

// The output with blanks and line ends cut from both ends.
std::string TrimmedOutput(std::string_view AOutput);
// Where the JSON starts: the first line that opens with "[" or "{" (lines before it are
// notices the program printed first); npos when there is none.
std::size_t JsonStartOf(std::string_view AOutput);
// The framework has no such command: it said so ("Command \"about\" is not defined.", or
// no commands in that namespace) and ended with a failing status.
bool CommandIsMissing(std::string_view AOutput, int AExitStatus);
