#pragma once

#include <QLabel>

// A label that works as a link: drawn in the highlight colour and underlined, with a
// hand cursor; a click, or Enter or Space while it has the keyboard focus, raises
// clicked(). It takes the focus with Tab and shows a focus frame then. Screen readers
// see a link, named by its accessible name or else its text, that can be pressed.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(QWidget* parent = nullptr);

    // What a click does; also the screen readers' press action.
    void Activate();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool FPressed = false;
};
