// The role a screen reader knows a widget of our own by: to Qt a plain QWidget is a "filler", a
// container readers pass over.
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

template <class Widget, QAccessible::Role kRole>
QAccessibleInterface* AccessibleRoleFactory(const QString&, QObject* object) {
    if (auto* widget = dynamic_cast<Widget*>(object))
        return new QAccessibleWidget(widget, kRole);
    return nullptr;
}

// Every Widget is kRole from now on; its name is its accessibleName(). Called by its constructor.
template <class Widget, QAccessible::Role kRole>
void UseAccessibleRole() {
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleRoleFactory<Widget, kRole>);
        return true;
    }();
    static_cast<void>(installed);
}
