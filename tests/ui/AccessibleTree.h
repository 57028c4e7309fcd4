#pragma once

#include <QAccessible>
#include <QList>
#include <QStringList>
#include <QWidget>

// A walk through the accessibility trees of windows, as a screen reader sees them.
// Window tests call UnnamedControls() for every window they open.

// Roles of the controls a user reads or operates; these need a name even when they
// cannot take the focus.
inline bool IsControlRole(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::Link:
    case QAccessible::Graphic:
    case QAccessible::PageTab:
    case QAccessible::MenuItem:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
        return true;
    default:
        return false;
    }
}

inline void CollectUnnamed(QAccessibleInterface* node, const QString& path, QStringList& unnamed) {
    if (!node || !node->isValid()) return;
    const QAccessible::State state = node->state();
    const QString name = node->text(QAccessible::Name).trimmed();
    QString here = path;
    if (QObject* object = node->object(); object && !object->objectName().isEmpty())
        here += u'/' + object->objectName();
    if ((state.focusable || IsControlRole(node->role())) && name.isEmpty())
        unnamed.append(here + QStringLiteral(" (role 0x%1)").arg(int(node->role()), 0, 16));
    // A drop-down list's popup list is announced as part of the list itself.
    if (node->role() == QAccessible::ComboBox) return;
    for (int i = 0; i < node->childCount(); ++i) CollectUnnamed(node->child(i), here, unnamed);
}

// Every focusable or operable control without an accessible name, anywhere in the
// accessibility trees of the given windows (a path of object names for each).
inline QStringList UnnamedControls(const QList<QWidget*>& windows) {
    QStringList unnamed;
    for (QWidget* window : windows)
        CollectUnnamed(QAccessible::queryAccessibleInterface(window), window->objectName(), unnamed);
    return unnamed;
}

