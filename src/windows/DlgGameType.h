// Practice or competition, asked before a wild or endless game. Choosing competition starts a new
// competition: a new score sheet and empty competition lists.
#pragma once

#include "platform/DialogShell.h"
#include "platform/Translation.h"

inline const QString kSheetNotCreatedText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "记录文件创建失败"));

class CDlgGameType : public CDialogShell {
public:
    CDlgGameType();

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
};
