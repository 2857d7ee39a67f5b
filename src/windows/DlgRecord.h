// Asks a competition player for the name that goes on the score sheet and the top list.
#pragma once

#include "platform/DialogShell.h"

inline const QString kEmptyNameText = QStringLiteral("姓名输入不能为空！");

class CDlgRecord : public CDialogShell {
public:
    CDlgRecord();

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
};
