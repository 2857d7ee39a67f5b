#include "app/PracticeDrone.h"

#include "platform/Translation.h"
#include "state/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kDroneProgram = QStringLiteral("aviluma-drone");
constexpr int kEndWaitMs = 3000; // its registry entry and window go well within this

} // namespace

CPracticeDrone::CPracticeDrone() = default;

CPracticeDrone::~CPracticeDrone() {
    Stop();
}

QString CPracticeDrone::ProgramPath() {
    const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()).filePath(kDroneProgram));
    if (beside.isFile() && beside.isExecutable())
        return beside.filePath();
    return QStandardPaths::findExecutable(kDroneProgram);
}

bool CPracticeDrone::Running() const {
    return m_process != nullptr && m_process->state() != QProcess::NotRunning;
}

bool CPracticeDrone::Start(QString* error) {
    if (Running())
        return true;
    const QString program = ProgramPath();
    if (program.isEmpty()) {
        *error =
            Aviluma::tr("找不到模拟无人机程序 %1。").arg(kDroneProgram);
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments({QStringLiteral("--lang"), LanguageCode(InstalledLanguage())});
    m_process->setProcessChannelMode(QProcess::ForwardedChannels); // its warnings beside the game's
    m_process->start();
    if (!m_process->waitForStarted()) {
        *error = Aviluma::tr("无法启动模拟无人机 %1：%2")
                     .arg(program, m_process->errorString());
        m_process.reset();
        return false;
    }
    qCDebug(lcLink, "started the simulated drone %s (process %lld)", qPrintable(program),
            static_cast<long long>(m_process->processId()));
    return true;
}

void CPracticeDrone::Stop() {
    if (!Running()) {
        m_process.reset();
        return;
    }
    m_process->terminate();
    if (!m_process->waitForFinished(kEndWaitMs)) {
        qCWarning(lcLink, "the simulated drone did not end when asked; it is stopped");
        m_process->kill();
        m_process->waitForFinished(kEndWaitMs);
    }
    m_process.reset();
}
