// Asks a competition player for the name that goes on the score sheet and the top list.
#pragma once

#include "platform/DialogShell.h"
#include "platform/Translation.h"

class QLineEdit;

inline const QString kEmptyNameText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "姓名输入不能为空！"));

class CDlgRecord : public CDialogShell {
public:
    CDlgRecord();
    // The line on what the name is for ("本局 1848 分，进入前三名"), shown at the next opening.
    void SetReason(const QString& reason) { m_strReason = reason; }

protected:
    void OnInitDialog() override;

private:
    void OnTakeName();

    QLineEdit* m_editName = nullptr; // of the current opening
    QString m_strReason;
};
