// The About box: the application icon, the name and version, and "确定".
#pragma once

#include "platform/DialogShell.h"

class CAboutDlg : public CDialogShell {
public:
    CAboutDlg();

protected:
    QWidget* CreateControl(const ControlTemplate& control) override;
    void OnInitDialog() override;
};
