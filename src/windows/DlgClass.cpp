#include "windows/DlgClass.h"

#include "classroom/ClassServer.h"
#include "platform/FileIo.h"
#include "platform/MessageBox.h"
#include "platform/Translation.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>

CDlgClass::CDlgClass(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "班级"))));
    auto* form = new QFormLayout(this);
    m_editConnection = new QLineEdit(this);
    m_editConnection->setPlaceholderText(QStringLiteral("host=192.168.10.2 dbname=league user=room1 sslmode=require"));
    m_editConnection->setMinimumWidth(420);
    m_editClass = new QLineEdit(this);
    m_editClass->setMaxLength(kMaxClassLength);
    m_editSeat = new QLineEdit(this);
    m_editSeat->setMaxLength(kMaxSeatLength);
    m_editPassword = new QLineEdit(this);
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_editPassword->setPlaceholderText(
        Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "留空：沿用 ~/.pgpass 或 PGPASSWORD"))));
    form->addRow(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "服务器连接(&S)："))), m_editConnection);
    form->addRow(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "班级(&C)："))), m_editClass);
    form->addRow(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "座位(&E)："))), m_editSeat);
    form->addRow(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "密码(&P)："))), m_editPassword);
    m_stcResult = new QLabel(this);
    m_stcResult->setWordWrap(true);
    form->addRow(m_stcResult);
    auto* buttons = new QDialogButtonBox(this);
    m_btnTest = buttons->addButton(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "测试连接(&T)"))),
                                   QDialogButtonBox::ActionRole);
    buttons->addButton(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "保存"))), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "取消"))),
                       QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(m_btnTest, &QPushButton::clicked, this, [this] { Test(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (const std::optional<ClassSettings> settings = ReadClassSettings()) {
        m_editConnection->setText(settings->connection);
        m_editClass->setText(settings->className);
        m_editSeat->setText(settings->seat);
    }
}

CDlgClass::~CDlgClass() {
    if (m_test.joinable())
        m_test.join();
}

void CDlgClass::Test() {
    if (m_test.joinable())
        m_test.join();
    m_btnTest->setEnabled(false);
    m_stcResult->setText(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "正在连接……"))));
    const QString connection = m_editConnection->text();
    const QString className = m_editClass->text().trimmed();
    const QString password = m_editPassword->text();
    // Off the UI thread: a server that does not answer takes seconds to give up.
    m_test = std::thread([this, connection, className, password] {
        QString why;
        bool ok = false;
        {
            CClassConnection test(connection);
            if (!password.isEmpty())
                test.Database().setPassword(password); // for this test only; saving puts it in ~/.pgpass
            ok = test.Open(&why) && test.Check(&why, className);
        }
        QMetaObject::invokeMethod(
            this,
            [this, ok, why] {
                m_stcResult->setText(ok ? Tr(kClassConnectionGoodText) : why);
                m_btnTest->setEnabled(true);
            },
            Qt::QueuedConnection);
    });
}

void CDlgClass::Save() {
    const ClassSettings settings{m_editConnection->text().trimmed(), m_editClass->text().trimmed(),
                                 m_editSeat->text().trimmed()};
    QString why;
    if (settings.connection.isEmpty() || settings.className.isEmpty()) {
        m_stcResult->setText(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "请填写服务器连接和班级。"))));
        return;
    }
    if (!ParseConnection(settings.connection, &why)) {
        m_stcResult->setText(why);
        return;
    }
    if (!m_editPassword->text().isEmpty() &&
        !StorePassword(QDir::homePath() + QStringLiteral("/.pgpass"), settings.connection, m_editPassword->text(), &why)) {
        m_stcResult->setText(why);
        return;
    }
    if (!WriteClassSettings(settings, &why)) {
        m_stcResult->setText(why);
        return;
    }
    m_saved = settings;
    accept();
}
