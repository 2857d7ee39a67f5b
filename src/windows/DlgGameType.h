// Practice or competition, asked before a wild or endless game (Accepted; Esc or the close box:
// Rejected, nothing to play). Choosing competition starts a new competition: a new score sheet and
// empty competition lists; asked first when the lists hold scores, and only with a good link, so
// nothing is emptied for a game that cannot start.
#pragma once

#include "platform/DialogShell.h"
#include "platform/Translation.h"

inline const QString kSheetNotCreatedText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "记录文件创建失败"));
inline const QString kNewCompetitionText = QStringLiteral(
    QT_TRANSLATE_NOOP("Aviluma", "新的比赛会清空狂野模式和无尽模式的比赛前三名。\n开始新的比赛吗？"));

class CDlgGameType : public CDialogShell {
public:
    CDlgGameType();

protected:
    void OnInitDialog() override;

private:
    void OnPractice();
    void OnCompetition();
};
