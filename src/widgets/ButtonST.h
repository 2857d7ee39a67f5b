// The flat, transparent icon button of every window: the parent's picture shows through it, its icon
// sits centred, a thin raised frame shows while the mouse is over it and a sunken one while it is held.
// Clicks reach the window as ordinary button clicks.
#pragma once

#include "res/Resources.h"

#include <QAbstractButton>
#include <QColor>
#include <QPainter>
#include <QPoint>

#include <array>

class CButtonST : public QAbstractButton {
public:
    explicit CButtonST(QWidget* parent = nullptr);

    // Whether the focus ring shows: the button has the focus and the player's last input was a key (or
    // the focus came by Tab), so a player who moves about with the keys sees where they are, however
    // the focus got there (a window opened or a message closed by Space), and one who clicks sees no
    // ring.
    bool ShowsFocusRing() const { return hasFocus() && InputByKeys(); }
    // The player's last input was a key, not the mouse (watched for the whole program).
    static bool InputByKeys();

    // Like every widget, a button is used on the UI thread only.

    // Takes over icon (shown normally) and iconOut (shown while the mouse is not over the button),
    // releasing the icons held before. A null icon means none. Returns 1 when an icon cannot be used
    // (it holds no picture): the button is then left without icons.
    int SetStateIcons(IconHandle icon, IconHandle iconOut = nullptr);
    void SetTransparent(bool transparent);
    void SetHoverBorder(bool hoverBorder);
    // Sets one of the three face colours (slots below).
    void SetColour(int index, const QColor& colour);
    // Lightens the hovered face colour evenly, as far as every channel allows up to 30. Returns 0.
    int BrightenHoverFace();

    bool IsHover() const { return m_bHover; }
    IconHandle StateIcon(int slot) const { return m_icons[static_cast<std::size_t>(slot)].image; }
    bool HoverBorder() const { return m_bHoverBorder; }
    QColor Colour(int index) const { return m_colours[static_cast<std::size_t>(index)]; }

    // Colour slots: the face while hovered or pressed, at rest, and with the keyboard focus. Only an
    // opaque button shows its face.
    enum { kFaceHover = 0, kFaceNormal = 1, kFaceFocus = 2 };

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The ring ShowsFocusRing asks for, inside the button's edge; buttons that paint themselves draw it
    // last.
    void DrawFocusRing(QPainter& painter) const;

private:
    struct IconSlot {
        IconHandle image;
        int width = 0;
        int height = 0;
    };

    void SetHover(bool hover);
    void PaintIcon(QPainter& painter, const QRect& item, bool pressed, bool disabled);
    void ResetColours();
    void MoveFocusOnDisable();

    QPoint m_ptPressShift{1, 1};
    bool m_bFlat = true;
    bool m_bHover = false;
    bool m_bTransparent = false;
    bool m_bToggle = false; // never a toggle in this program; kept for the slot rules
    bool m_bHoverBorder = true;
    int m_nChecked = 0;
    std::array<QColor, 3> m_colours;
    std::array<IconSlot, 2> m_icons;
};
