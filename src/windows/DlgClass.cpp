#include "windows/DlgClass.h"

#include "platform/Translation.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDlgClass::CDlgClass(CClassChecks& checks, QWidget* parent) : QDialog(parent), m_checks(checks) {
    setWindowTitle(Aviluma::tr("班级"));
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
        Aviluma::tr("留空：沿用 ~/.pgpass 或 PGPASSWORD"));
    form->addRow(Aviluma::tr("服务器连接(&S)："), m_editConnection);
    form->addRow(Aviluma::tr("班级(&C)："), m_editClass);
    form->addRow(Aviluma::tr("座位(&E)："), m_editSeat);
    form->addRow(Aviluma::tr("密码(&P)："), m_editPassword);
    m_stcResult = new QLabel(this);
    m_stcResult->setWordWrap(true);
    form->addRow(m_stcResult);
    auto* buttons = new QDialogButtonBox(this);
    m_btnTest = buttons->addButton(Aviluma::tr("测试连接(&T)"),
                                   QDialogButtonBox::ActionRole);
    buttons->addButton(Aviluma::tr("保存"), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(Aviluma::tr("取消"),
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
    *m_pAlive = false;
}

void CDlgClass::Test() {
    m_btnTest->setEnabled(false);
    m_stcResult->setText(Aviluma::tr("正在连接……"));
    // A server that does not answer takes seconds to give up: the check runs elsewhere, and this
    // window, open or closed by then, hears of it on its own thread.
    m_checks.Check(m_editConnection->text(), m_editClass->text().trimmed(), m_editPassword->text(),
                   [this, alive = m_pAlive](const QString& why) {
                       if (!*alive)
                           return;
                       m_stcResult->setText(why.isEmpty() ? Tr(kClassConnectionGoodText) : why);
                       m_btnTest->setEnabled(true);
                   });
}

void CDlgClass::Save() {
    const ClassSettings settings{m_editConnection->text().trimmed(), m_editClass->text().trimmed(),
                                 m_editSeat->text().trimmed()};
    QString why;
    if (settings.connection.isEmpty() || settings.className.isEmpty()) {
        m_stcResult->setText(Aviluma::tr("请填写服务器连接和班级。"));
        return;
    }
    if (!IsClassConnection(settings.connection, &why)) {
        m_stcResult->setText(why);
        return;
    }
    if (!m_editPassword->text().isEmpty() &&
        !KeepClassPassword(settings.connection, m_editPassword->text(), &why)) {
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
