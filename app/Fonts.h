#pragma once

#include <QFont>

// The program's typeface: Tahoma where it is installed, else the platform's sans serif.
inline QFont TahomaFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}
