#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QWidget>

// What a screen reader would call the control.
inline QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString("<no interface>");
}

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// True when Tab, from the window's first control, reaches the control.
inline bool reachableByTab(QWidget* window, QWidget* control)
{
    if (!(control->focusPolicy() & Qt::TabFocus))
        return false;
    for (QWidget* next = window->nextInFocusChain(); next != window;
         next = next->nextInFocusChain()) {
        if (next == control)
            return true;
    }
    return false;
}

// On the indicator: an option reacts only to clicks on its indicator and caption.
inline void choose(QAbstractButton* option)
{
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}

// Types the text key by key, characters beyond ASCII included.
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// A label's field carries the label's text as its name, and the label is its label for
// assistive tools (on Linux Qt names a drop-down list after its current item).
inline bool labelledBy(QWidget* field, QLabel* label)
{
    if (label->buddy() != field || field->accessibleName() != label->text())
        return false;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
    for (const auto& [other, relation] : face->relations(QAccessible::Label)) {
        if (other->object() == label)
            return true;
    }
    return false;
}
