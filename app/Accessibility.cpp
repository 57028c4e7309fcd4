#include "app/Accessibility.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

void NameControlsByTheirLabels(QWidget& AWindow) {
    for (const QLabel* label : AWindow.findChildren<QLabel*>()) {
        QWidget* control = label->buddy();
        if (!control || !control->accessibleName().isEmpty()) continue;
        // The caption without its access-key marks; "&&" stands for one "&".
        QString name = label->text();
        name.replace(QLatin1String("&&"), QString(QChar(0xE000)));
        name.remove(u'&');
        name.replace(QChar(0xE000), u'&');
        control->setAccessibleName(name);
    }
}

void EnableNamedClearButton(QLineEdit& AEdit) {
    AEdit.setClearButtonEnabled(true);
    for (QToolButton* clear : AEdit.findChildren<QToolButton*>())
        clear->setAccessibleName(QStringLiteral("Clear"));
}
