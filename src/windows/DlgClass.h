// "班级": joins this PC to a class server (the connection, the class, the seat), tests the connection
// in plain words, and keeps a password in libpq's ~/.pgpass (mode 0600), never in the game's files.
#pragma once

#include "classroom/ClassClient.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

inline const QString kClassItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "班级(&C)..."));

class CDlgClass : public QDialog {
public:
    // checks: where 测试连接 runs, never on this window's thread; it outlives the dialog.
    explicit CDlgClass(CClassChecks& checks, QWidget* parent = nullptr);
    ~CDlgClass() override;

    // The settings as saved by 保存; nothing when the dialog was left otherwise.
    std::optional<ClassSettings> Saved() const { return m_saved; }

    QLineEdit* m_editConnection;
    QLineEdit* m_editClass;
    QLineEdit* m_editSeat;
    QLineEdit* m_editPassword;
    QLabel* m_stcResult;
    QPushButton* m_btnTest;

    void Test();
    void Save();

private:
    CClassChecks& m_checks;
    std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true); // an answer after the dialog is dropped
    std::optional<ClassSettings> m_saved;
};
