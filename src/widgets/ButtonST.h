// The flat, transparent icon button of every window: the parent's picture shows through it, its icon
// sits centred, a thin raised frame shows while the mouse is over it and a sunken one while it is held.
// Clicks reach the window as ordinary button clicks.
#pragma once

#include "res/Resources.h"

#include <QAbstractButton>
#include <QColor>
#include <QPoint>
#include <QPointer>

#include <array>
#include <cstdint>

class CButtonST : public QAbstractButton {
public:
    explicit CButtonST(QWidget* parent = nullptr);

    // The setters are safe from any thread (see UiHandOff.h).

    // Takes over icon (shown normally) and iconOut (shown while the mouse is not over the button),
    // releasing the icons held before. A null icon means none. Returns 1 when an icon cannot be used
    // (it holds no picture): the button is then left without icons.
    int SetStateIcons(IconHandle icon, IconHandle iconOut = nullptr);
    void SetTransparent(bool transparent);
    void SetHoverBorder(bool hoverBorder);
    void SetImageAlign(std::uint8_t align);
    // Sets one of the six face and text colours (slots below).
    void SetColour(int index, const QColor& colour);
    // Lightens the hovered face colour evenly, as far as every channel allows up to 30. Returns 0.
    int BrightenHoverFace();

    // UI thread only.
    bool IsHover() const { return m_bHover; }
    IconHandle StateIcon(int slot) const { return m_icons[static_cast<std::size_t>(slot)].image; }
    bool HoverBorder() const { return m_bHoverBorder; }
    QColor Colour(int index) const { return m_colours[static_cast<std::size_t>(index)]; }

    // Colour slots.
    enum { kFaceHover = 0, kTextHover = 1, kFaceNormal = 2, kTextNormal = 3, kFaceFocus = 4, kTextFocus = 5 };

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct IconSlot {
        IconHandle image;
        int width = 0;
        int height = 0;
    };

    void SetHover(bool hover);
    void ResetColours();
    void MoveFocusOnDisable();

    QPointer<CButtonST> m_self{this};
    QPoint m_ptImageMargin{3, 3};
    QPoint m_ptPressShift{1, 1};
    bool m_bFlat = true;
    bool m_bHover = false;
    bool m_bTransparent = false;
    bool m_bToggle = false; // never a toggle in this program; kept for the slot rules
    std::uint8_t m_nImageAlign = 0;
    bool m_bHoverBorder = true;
    bool m_bFlatFocusRect = false;
    bool m_bTrackAlways = true;
    int m_nChecked = 0;
    std::array<QColor, 6> m_colours;
    std::array<IconSlot, 2> m_icons;
};
