// Practice or competition, asked before a wild or endless game. Choosing competition starts a new
// competition: a new score sheet and empty competition lists.
#pragma once

#include "platform/DialogShell.h"

inline const QString kSheetNotCreatedText = QStringLiteral("记录文件创建失败");

class CDlgGameType : public CDialogShell {
public:
    CDlgGameType();

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
};
