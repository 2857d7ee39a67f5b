// A padlock over a part of a window's picture that is not open yet: on a mode card, the card's start
// key dimmed with the lock on it and a line below saying what opens it; on a map, a small lock at the
// corner of a level's platform. It takes no clicks: they reach what lies beneath.
#pragma once

#include <QString>
#include <QWidget>

class CLockMark : public QWidget {
public:
    enum class Style { Card, Corner };
    // over: the part locked, in the parent's coordinates; text: what opens it, as its source text (it is
    // shown in the player's language).
    CLockMark(QWidget* parent, const QRect& over, Style style, const QString& text = QString());
    QString Text() const { return m_strText; }
    // Whether the line under a card's padlock shows whole.
    bool TextFits() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
    QRect m_over; // in this widget's coordinates
    QString m_strText;
};
