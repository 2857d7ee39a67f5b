// The application: records its folder, runs the main window, and ends every thread before it goes.
#pragma once

class CAvilumaApp {
public:
    // Runs the program; returns false, as the program ends when the main window has closed.
    bool InitInstance();
};
