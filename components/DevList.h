#pragma once

#include "components/Services.h"

#include <cstddef>
#include <string_view>

// What "php artisan dev:list --json" prints: a JSON list of the project's development
// processes, each {"name": ..., "command": ...}, the command a line as typed.
//
// Reads it into commands with their names. An entry without a text name or command, with
// a blank one, or with a command over several lines is left out, and Problem says that
// some were; text that is not such a list gives no commands and a Problem. At most
// kMaxEntries commands are kept. Never throws.
TDevScript ReadDevList(std::string_view AJson);

constexpr std::size_t kMaxDevListEntries = 100;
constexpr std::size_t kMaxDevListNameBytes = 200;
