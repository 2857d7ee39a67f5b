// The attitude indicator: the drone's roll as a banking aircraft and its heading as a needle, over a
// fixed background and dial, drawn from four pictures in Source/.
#pragma once

#include "instruments/InstrumentPictures.h"

#include <QRect>
#include <QWidget>

#include <memory>

class CAttitude : public QWidget {
public:
    static constexpr QSize kSize{325, 325}; // the size of its pictures, and so of the instrument

    // Loads the pictures from the program's Source/ folder; their denser renders are read when a
    // denser screen first asks for them.
    explicit CAttitude(QWidget* parent = nullptr);

    // The owner writes the angles (degrees, positive clockwise) on the UI thread and then calls
    // Invalidate; the drawing size is fixed by plane.png.
    float m_fRoll = 0.0f;
    float m_fHeading = 0.0f;
    QRect m_rcClient; // the client rectangle as of the last paint; empty before the first
    int m_nWidth = 0;
    int m_nHeight = 0;

    // Repaints m_rcClient, so nothing happens before the window has first been painted.
    void Invalidate() { update(m_rcClient); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<CSourcePicture> m_pImagePlane;
    std::unique_ptr<CSourcePicture> m_pImagePointer;
    std::unique_ptr<CSourcePicture> m_pBrushBack; // the two fixed layers, tiled as texture brushes
    std::unique_ptr<CSourcePicture> m_pBrushPanel;
};
