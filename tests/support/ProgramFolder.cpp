#include "support/ProgramFolder.h"

#include "state/DataFolders.h"
#include "state/Globals.h"

#include <QDir>

CProgramFolder::CProgramFolder(const QStringList& folders, bool pictures) {
    const QDir dir(m_dir.path());
    for (const QString& folder : folders)
        dir.mkpath(folder);
    if (pictures) {
        dir.mkpath(QStringLiteral("Source"));
        // The pictures lie beside the test program, as beside the game.
        InitAppDir();
        const QDir pictures(AppPath(u"/Source"));
        for (const QString& name : pictures.entryList({QStringLiteral("*.png")}))
            QFile::copy(pictures.filePath(name), dir.filePath(QStringLiteral("Source/") + name));
    }
    g_strAppDir.Set(m_dir.path());
    SetDataFolders({dir.filePath(QStringLiteral("Data")), dir.filePath(QStringLiteral("Record"))});
}

CMessageLog::CMessageLog(bool answerWith) : answer(answerWith) {
    SetMessageResponder([this](const QString& text, MessageKind) {
        {
            std::lock_guard lock(m_mutex);
            m_texts << text;
        }
        if (hook)
            hook(text);
        return answer.load();
    });
}

CMessageLog::~CMessageLog() {
    SetMessageResponder({});
}

QStringList CMessageLog::Texts() const {
    std::lock_guard lock(m_mutex);
    return m_texts;
}

void CMessageLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_texts.clear();
}
