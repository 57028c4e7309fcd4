#pragma once

#include <QFrame>

// A panel that shows as a thin horizontal line: all it draws is a lowered outer
// bevel, 2 pixels high unless its owner sets another height.
class TPanelLine : public QFrame {
    Q_OBJECT

public:
    explicit TPanelLine(QWidget* AOwner = nullptr);
};
