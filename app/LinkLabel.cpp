#include "app/LinkLabel.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

class TLinkLabelAccessible : public QAccessibleWidget {
public:
    explicit TLinkLabelAccessible(TLinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text ATextKind) const override {
        QString result = QAccessibleWidget::text(ATextKind);
        if (ATextKind == QAccessible::Name && result.isEmpty())
            result = static_cast<TLinkLabel*>(widget())->text();
        return result;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& AActionName) override {
        if (AActionName == pressAction()) static_cast<TLinkLabel*>(widget())->Activate();
    }
};

QAccessibleInterface* LinkLabelAccessible(const QString& AClassName, QObject* AObject) {
    if (AClassName == QLatin1String("TLinkLabel"))
        return new TLinkLabelAccessible(static_cast<TLinkLabel*>(AObject));
    return nullptr;
}

}  // namespace

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
    static const bool registered = (QAccessible::installFactory(LinkLabelAccessible), true);
    Q_UNUSED(registered);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    // Only these two attributes are set: the rest comes from the parent as usual.
    QFont underlined;
    underlined.setUnderline(true);
    setFont(underlined);
    // The theme's own link colour, which is made to be read on the window's background
    // (also on a dark theme), and follows a change of theme.
    setForegroundRole(QPalette::Link);
}

void TLinkLabel::Activate() { emit clicked(); }

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    FPressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click) Activate();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        Activate();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void TLinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
