// A text label printed straight onto its parent's picture: its own font and colour, several lines by
// line feeds, and a repaint only when the text really changes.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class CColorStatic : public QWidget {
public:
    // The label shows its text in the player's language (Tr): it takes the source text.
    explicit CColorStatic(QWidget* parent = nullptr, const QString& text = QString());

    // Like every widget, a label is used on the UI thread only.
    void SetOwnFont(const QFont& font);
    void SetText(const QString& text);
    // What a screen reader says before the text, for a bare number or readout ("得分" for "  0"): the
    // accessible name becomes "得分：0" (the label given as a source text, shown in the player's
    // language); empty, the text alone.
    void SetSpokenLabel(const QString& label);
    void SetTextColour(const QColor& colour);
    void SetTransparent(bool transparent);
    // How the text sits in its box: centred between top and bottom (the text stays in its picture's
    // frame whatever the font's height), fitted where it would run past the right edge (drawn smaller,
    // down to kSmallestFit of its size, and only past that cut with "…", the whole text then showing as
    // the tooltip), and kept inset from the left edge by that many more pixels.
    void SetLayout(bool centreVertically, bool elide, int extraLeftInset = 0);

    QString Text() const { return m_strText; }
    QString SpokenText() const;
    // The width a line has to fit in: the label's, less the margins and the inset.
    int TextRoom() const { return width() - 2 * kTextMargin - m_nExtraLeftInset; }
    int PaintCount() const { return m_nPaints; }

    static constexpr int kTextMargin = 3; // text origin from the top-left corner
    static constexpr double kSmallestFit = 0.7;
    // The font the text is drawn with: the label's, made smaller where a fitted text needs it.
    QFont ShownFont() const;
    // Whether the whole text shows: nothing cut with "…", no line past the right edge, and no line
    // after the first below the bottom.
    bool TextFits() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QStringList Lines() const;      // the text's lines
    QStringList ShownLines() const; // the same as drawn, cut where they would still run over
    void UpdateToolTip();

    bool m_bTransparent = false;
    bool m_bUseWindowFont = true;
    bool m_bCentreVertically = false;
    bool m_bElide = false;
    int m_nExtraLeftInset = 0;
    QString m_strSpokenLabel; // source text
    QString m_strText;
    QFont m_font;
    QColor m_crBack;
    QColor m_crText;
    int m_nPaints = 0;
};
