#include "widgets/ColorStatic.h"

#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "widgets/AccessibleRole.h"
#include "widgets/SystemColours.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

CColorStatic::CColorStatic(QWidget* parent, const QString& text)
    : QWidget(parent), m_strText(Tr(text)), m_crBack(kSysBtnFace), m_crText(kSysWindowText) {
    // A text to a reader: read with its window, and in a review of it.
    UseAccessibleRole<CColorStatic, QAccessible::StaticText>();
    setAccessibleName(m_strText); // a screen reader reads the label's text
}

QString CColorStatic::SpokenText() const {
    return m_strSpokenLabel.isEmpty() ? m_strText
                                      : Aviluma::tr("%1：%2")
                                            .arg(Tr(m_strSpokenLabel), m_strText.trimmed());
}

void CColorStatic::SetSpokenLabel(const QString& label) {
    AssertUiThread();
    m_strSpokenLabel = label;
    setAccessibleName(SpokenText());
}

void CColorStatic::SetOwnFont(const QFont& font) {
    AssertUiThread();
    m_font = font;
    m_bUseWindowFont = false;
    UpdateToolTip();
    update();
}

void CColorStatic::SetText(const QString& source) {
    AssertUiThread();
    const QString text = Tr(source);
    // The readout is rewritten five times a second: an unchanged text costs nothing.
    if (text == m_strText)
        return;
    m_strText = text;
    setAccessibleName(SpokenText());
    UpdateToolTip();
    update();
}

void CColorStatic::SetLayout(bool centreVertically, bool elide, int extraLeftInset) {
    AssertUiThread();
    m_bCentreVertically = centreVertically;
    m_bElide = elide;
    m_nExtraLeftInset = extraLeftInset;
    UpdateToolTip();
    update();
}

void CColorStatic::SetTextColour(const QColor& colour) {
    AssertUiThread();
    m_crText = colour;
    update();
}

void CColorStatic::SetTransparent(bool transparent) {
    AssertUiThread();
    m_bTransparent = transparent;
    update();
}

void CColorStatic::paintEvent(QPaintEvent*) {
    ++m_nPaints;
    QPainter painter(this);
    // Transparent: Qt has already drawn the parent's picture beneath us, fresh, so nothing of an
    // earlier, longer text can remain.
    if (!m_bTransparent)
        painter.fillRect(rect(), m_crBack);
    painter.setPen(m_crText);
    painter.setFont(ShownFont());
    const QFontMetrics metrics = painter.fontMetrics();
    const QStringList lines = ShownLines();
    const int lineHeight = metrics.lineSpacing();
    const int textHeight = static_cast<int>(lines.size() - 1) * lineHeight + metrics.height();
    const int top = m_bCentreVertically ? (height() - textHeight) / 2 : kTextMargin;
    for (int k = 0; k < lines.size(); ++k)
        painter.drawText(kTextMargin + m_nExtraLeftInset, top + k * lineHeight + metrics.ascent(), lines[k]);
}

QStringList CColorStatic::Lines() const {
    QStringList lines = m_strText.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast(); // a line feed at the very end adds no line
    return lines;
}

QFont CColorStatic::ShownFont() const {
    QFont shown = m_bUseWindowFont ? font() : m_font;
    if (!m_bElide)
        return shown;
    const QStringList lines = Lines();
    const auto fits = [&](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        return std::all_of(lines.begin(), lines.end(), [&](const QString& line) {
            return metrics.horizontalAdvance(line) <= TextRoom();
        });
    };
    const bool pixels = shown.pixelSize() > 0;
    const double size = pixels ? shown.pixelSize() : shown.pointSizeF();
    // A step a twentieth of the size: the text shrinks no more than it has to.
    for (int step = 0; step <= 6 && !fits(shown); ++step) {
        const double smaller = size * (1.0 - 0.05 * (step + 1));
        if (smaller < size * kSmallestFit - 1e-6)
            break;
        if (pixels)
            shown.setPixelSize(static_cast<int>(smaller));
        else
            shown.setPointSizeF(smaller);
    }
    return shown;
}

QStringList CColorStatic::ShownLines() const {
    QStringList lines = Lines();
    if (m_bElide) {
        const QFontMetrics metrics(ShownFont());
        for (QString& line : lines)
            line = metrics.elidedText(line, Qt::ElideRight, TextRoom());
    }
    return lines;
}

bool CColorStatic::TextFits() const {
    const QStringList lines = Lines();
    if (ShownLines() != lines)
        return false;
    // Lines below the first must fit beneath it; a single line may fill its box to the edges.
    const QFontMetrics metrics(ShownFont());
    const int textHeight = static_cast<int>(lines.size() - 1) * metrics.lineSpacing() + metrics.ascent();
    return (lines.size() == 1 || textHeight <= height()) &&
           std::all_of(lines.begin(), lines.end(),
                       [&](const QString& line) { return metrics.horizontalAdvance(line) <= TextRoom(); });
}

void CColorStatic::UpdateToolTip() {
    // The tooltip carries what the cut left out.
    setToolTip(m_bElide && ShownLines() != Lines() ? m_strText : QString());
}

void CColorStatic::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateToolTip();
}
