#include "widgets/ButtonST.h"

#include "platform/UiThread.h"
#include "widgets/SystemColours.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace {

// The disabled look: the icon in grey, half faded.
QImage DisabledImage(const QImage& image) {
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]) / 2);
        }
    }
    return grey;
}

// One-pixel frame: top and left in one colour, bottom and right in the other.
void Draw3dRect(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    painter.fillRect(r.x(), r.y(), r.width() - 1, 1, topLeft);
    painter.fillRect(r.x(), r.y(), 1, r.height() - 1, topLeft);
    painter.fillRect(r.x() + r.width() - 1, r.y(), 1, r.height(), bottomRight);
    painter.fillRect(r.x(), r.y() + r.height() - 1, r.width(), 1, bottomRight);
}

// Whether the last input was a key or the mouse, for the focus ring of every button; the focused
// widget is repainted when that changes.
class CInputWatch : public QObject {
public:
    static CInputWatch* Instance() {
        static QPointer<CInputWatch> watch;
        if (!watch && qApp != nullptr) {
            watch = new CInputWatch(qApp);
            qApp->installEventFilter(watch);
        }
        return watch;
    }
    bool ByKeys() const { return m_bByKeys; }
    void Set(bool byKeys) {
        if (byKeys == m_bByKeys)
            return;
        m_bByKeys = byKeys;
        if (QWidget* focused = QApplication::focusWidget())
            focused->update();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            Set(true);
        else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            Set(false);
        return false;
    }

private:
    using QObject::QObject;
    bool m_bByKeys = false;
};

} // namespace

bool CButtonST::InputByKeys() {
    const CInputWatch* watch = CInputWatch::Instance();
    return watch != nullptr && watch->ByKeys();
}

CButtonST::CButtonST(QWidget* parent) : QAbstractButton(parent) {
    CInputWatch::Instance();
    ResetColours();
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void CButtonST::ResetColours() {
    m_colours = {kSysBtnFace, kSysBtnFace, kSysBtnFace};
}

int CButtonST::SetStateIcons(IconHandle icon, IconHandle iconOut) {
    AssertUiThread();
    m_icons = {}; // the icons held so far are released here
    int result = 0;
    if ((icon && icon->isNull()) || (iconOut && iconOut->isNull())) {
        result = 1;
    } else {
        if (icon)
            m_icons[0] = {icon, icon->width(), icon->height()};
        if (iconOut)
            m_icons[1] = {iconOut, iconOut->width(), iconOut->height()};
    }
    update();
    return result;
}

void CButtonST::SetTransparent(bool transparent) {
    AssertUiThread();
    m_bTransparent = transparent;
    update();
}

void CButtonST::SetHoverBorder(bool hoverBorder) {
    AssertUiThread();
    m_bHoverBorder = hoverBorder;
    update();
}

void CButtonST::SetColour(int index, const QColor& colour) {
    AssertUiThread();
    if (index < 0 || index >= static_cast<int>(m_colours.size()))
        return;
    m_colours[static_cast<std::size_t>(index)] = colour;
    update();
}

int CButtonST::BrightenHoverFace() {
    AssertUiThread();
    QColor& face = m_colours[kFaceHover];
    // The same amount on every channel keeps the hue; no channel may pass 255.
    int d = 30;
    for (const int channel : {face.red(), face.green(), face.blue()})
        d = std::min(d, channel + 30 <= 255 ? 30 : 255 - channel);
    face = QColor(face.red() + d, face.green() + d, face.blue() + d);
    update();
    return 0;
}

void CButtonST::SetHover(bool hover) {
    if (m_bHover == hover)
        return;
    m_bHover = hover;
    update();
}

void CButtonST::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    // Entering with the button held down (a drag from elsewhere) does not light the button.
    if (!m_bFlat || (QApplication::mouseButtons() & Qt::LeftButton))
        return;
    SetHover(true);
}

void CButtonST::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    SetHover(false);
}

void CButtonST::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    const bool inside = rect().contains(event->position().toPoint());
    if (!m_bFlat || ((event->buttons() & Qt::LeftButton) && !m_bHover))
        return;
    SetHover(inside);
}

void CButtonST::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a fast pair is a click of its own.
    mousePressEvent(event);
}

void CButtonST::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && CInputWatch::Instance())
        CInputWatch::Instance()->Set(true);
    update();
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    SetHover(false);
}

namespace {

// Space (and Select) press a button; with a modifier they are someone else's shortcut, such as the
// window manager's Alt+Space.
bool IsModifiedPress(const QKeyEvent* event) {
    const int key = event->key();
    const bool press =
        key == Qt::Key_Space || key == Qt::Key_Select || key == Qt::Key_Return || key == Qt::Key_Enter;
    return press && (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier;
}

} // namespace

void CButtonST::keyPressEvent(QKeyEvent* event) {
    if (IsModifiedPress(event)) {
        event->ignore(); // on to the window
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CButtonST::keyReleaseEvent(QKeyEvent* event) {
    if (IsModifiedPress(event)) {
        event->ignore();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void CButtonST::DrawFocusRing(QPainter& painter) const {
    // A soft light-blue ring inside the button's edge, the colour of the art's glowing frames.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QRectF ring = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 4.0));
    painter.drawRoundedRect(ring, 6.0, 6.0);
    painter.setPen(QPen(QColor(79, 195, 247), 2.0));
    painter.drawRoundedRect(ring, 6.0, 6.0);
    painter.restore();
}

void CButtonST::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            SetHover(false);
            MoveFocusOnDisable();
        }
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            SetHover(false);
        break;
    case QEvent::PaletteChange: // the desktop's colours changed: a brightened face is lost
        ResetColours();
        update();
        break;
    default:
        break;
    }
}

void CButtonST::MoveFocusOnDisable() {
    // The next control of the dialog that takes the focus by Tab, whether or not this one had it.
    for (QWidget* w = nextInFocusChain(); w != nullptr && w != this; w = w->nextInFocusChain()) {
        if (w->window() == window() && w != window() && w->isEnabled() && w->isVisible() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    if (QWidget* parent = parentWidget())
        parent->setFocus(Qt::OtherFocusReason);
}

void CButtonST::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect item = rect();
    const bool pressed = isDown() || (m_bToggle && m_nChecked != 0);
    const bool disabled = !isEnabled();

    // The face: with m_bTransparent Qt has already drawn the parent's picture beneath us.
    if (!m_bTransparent) {
        const QColor face = (m_bHover || pressed) ? m_colours[kFaceHover]
                            : hasFocus()          ? m_colours[kFaceFocus]
                                                  : m_colours[kFaceNormal];
        painter.fillRect(item, face);
    }

    if (m_bFlat && m_bHoverBorder) {
        if (pressed)
            Draw3dRect(painter, item, kSysBtnShadow, kSysBtnHighlight); // sunken
        else if (m_bHover)
            Draw3dRect(painter, item, kSysBtnHighlight, kSysBtnShadow); // raised
    }

    if (m_icons[0].image)
        PaintIcon(painter, item, pressed, disabled);
    if (ShowsFocusRing())
        DrawFocusRing(painter);
}

void CButtonST::PaintIcon(QPainter& painter, const QRect& item, bool pressed, bool disabled) {
    const bool useOut = m_icons[1].image && !pressed && (m_bToggle || !m_bHover);
    const IconSlot& slot = m_icons[useOut ? 1 : 0];
    // Without a caption the icon is centred for every alignment, with truncating halves.
    QPoint at((item.width() - slot.width) / 2, (item.height() - slot.height) / 2);
    if (pressed && !m_bToggle)
        at += m_ptPressShift;
    // Drawn for the density painted at, so on a denser screen the icon is as sharp as the text.
    const QImage icon = IconAtRatio(*slot.image, PaintRatio(painter));
    painter.drawImage(at, disabled ? DisabledImage(icon) : icon);
}
