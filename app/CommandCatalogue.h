#pragma once

#include <QString>

// How the preset buttons' names become commands, and what goes in front of them.
enum class TCommandType { Artisan, Composer };

// The text put in front of a command of the given type ("php artisan " or "composer ").
QString CommandPrefix(TCommandType type);

// The command a preset button's name stands for: "__" becomes "-", then "_" becomes
// ":", the three-character prefix is dropped and the letters A to Z are lower-cased.
// "btnAuth_Clear__Resets" gives "auth:clear-resets".
QString CommandFromButtonName(const QString& name);
