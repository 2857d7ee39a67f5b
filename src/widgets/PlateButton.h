// A button with its caption on a rounded plate, in the colours of the art, for windows whose buttons
// say what they do in words. Keys and focus work as on every button of the program (CButtonST); a
// checked plate, the open tab, glows orange like the start keys. The arrow keys are left to the window.
#pragma once

#include "widgets/ButtonST.h"

class CPlateButton : public CButtonST {
public:
    explicit CPlateButton(QWidget* parent = nullptr, const QString& caption = QString());

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
