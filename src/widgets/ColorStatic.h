// A text label printed straight onto its parent's picture: its own font and colour, several lines by
// line feeds, and a repaint only when the text really changes.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class CColorStatic : public QWidget {
public:
    explicit CColorStatic(QWidget* parent = nullptr, const QString& text = QString());

    // Like every widget, a label is used on the UI thread only.
    void SetOwnFont(const QFont& font);
    void SetText(const QString& text);
    void SetTextColour(const QColor& colour);
    void SetTransparent(bool transparent);

    QString Text() const { return m_strText; }
    int PaintCount() const { return m_nPaints; }

    static constexpr int kTextMargin = 3; // text origin from the top-left corner

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bTransparent = false;
    bool m_bUseWindowFont = true;
    QString m_strText;
    QFont m_font;
    QColor m_crBack;
    QColor m_crText;
    int m_nPaints = 0;
};
