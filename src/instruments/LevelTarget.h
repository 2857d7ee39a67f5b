// The level target of the first-flight lesson: the drone's lean as a dot, roll across (right to the
// right) and pitch up and down (nose up upwards), over a square of ±kRangeDeg degrees, with the box of
// level flight drawn around the centre. The box fills from its foot as the player holds the dot in it.
// Drawn in vector strokes, sharp at any density; a lean past the square keeps the dot on its edge,
// drawn hollow.
#pragma once

#include <QPointF>
#include <QWidget>

class CLevelTarget : public QWidget {
public:
    static constexpr float kRangeDeg = 20.0f;   // from the centre to each edge of the square
    static constexpr float kGridStepDeg = 5.0f; // a line every five degrees

    explicit CLevelTarget(QWidget* parent = nullptr);

    // The owner sets the values on the UI thread; each repaints only when what it shows changes.
    void SetLimit(float degrees); // half the width of the box: level is within ±degrees on both axes
    void SetAttitude(float roll, float pitch);
    void SetHold(float fraction); // of the hold done, 0..1
    void SetLive(bool live);      // false while there is no attitude to show: no dot

    // Where the dot is drawn, in the widget's pixels, and whether it is inside the box.
    QPointF DotCentre() const;
    bool DotInBox() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF Square() const;                     // the ±kRangeDeg square
    QPointF At(float roll, float pitch) const; // unclamped
    void Describe();                           // what a screen reader reads of it

    float m_fLimit = 5.0f;
    float m_fRoll = 0.0f;
    float m_fPitch = 0.0f;
    float m_fHold = 0.0f;
    bool m_bLive = false;
};
