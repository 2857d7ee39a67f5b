// The height meter: the drone's pitch as a pointer sliding up and down over a fixed background and
// scale, drawn from three pictures in Source/.
#pragma once

#include "instruments/InstrumentPictures.h"

#include <QRect>
#include <QWidget>

#include <memory>

class CHeightMeter : public QWidget {
public:
    static constexpr QSize kSize{101, 325}; // the size of its pictures, and so of the instrument

    // Loads the pictures from the program's Source/ folder; their denser renders are read when a
    // denser screen first asks for them.
    explicit CHeightMeter(QWidget* parent = nullptr);

    float m_fOffset = 0.0f; // pixels above the rest position; written by the owner on the UI thread
    float m_fScale = 0.0f;  // the pointer's travel in pixels: its picture's height - 45, set by every paint
    QRect m_rcClient;       // the client rectangle as of the last paint; empty before the first

    // The offset of a pitch in degrees: pitch x 3 x scale / 360 in single precision, so +-60 degrees
    // spans the whole travel.
    static float OffsetForPitch(float pitch, float scale) { return pitch * 3.0f * scale / 360.0f; }

    void Invalidate() { update(m_rcClient); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<CSourcePicture> m_pImagePointer;
    std::unique_ptr<CSourcePicture> m_pBrushBack; // the two fixed layers, tiled as texture brushes
    std::unique_ptr<CSourcePicture> m_pBrushPanel;
};
