#pragma once

#include <QFont>
#include <QFontDatabase>

// The program's typeface: Tahoma where it is installed, else the application's own
// font. A family that is not installed is never asked for: looking for stand-ins for a
// missing family is slow on some systems.
inline QFont TahomaFont() {
    static const bool installed = QFontDatabase::hasFamily(QStringLiteral("Tahoma"));
    QFont font;
    if (installed) font.setFamily(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The console's typeface: Tahoma at 16 pixels where it is installed, else the system's
// fixed-width font at that size, so that the tables tools print line up.
inline QFont ConsoleFont() {
    static const bool installed = QFontDatabase::hasFamily(QStringLiteral("Tahoma"));
    QFont font = installed ? TahomaFont() : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(16);
    return font;
}
