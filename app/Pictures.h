#pragma once

#include <QIcon>
#include <QString>

// The icon of a picture and of its drawing at twice the size beside it ("name@2x.png"
// for "name.png", where there is one), so that a scale of 200 % shows the large drawing
// on any screen, not only when the program started on a high-resolution one.
QIcon TwoScaleIcon(const QString& AFile);
