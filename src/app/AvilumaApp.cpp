#include "app/AvilumaApp.h"

#include "app/AvilumaDlg.h"
#include "state/Globals.h"

bool CAvilumaApp::InitInstance() {
    InitAppDir();
    {
        CAvilumaDlg dlg;
        dlg.DoModal();
        dlg.Shutdown(); // the link stopped, every game and the heartbeat ended and joined
    }
    return false;
}
