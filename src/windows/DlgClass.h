// "班级": joins this PC to a class server (the connection, the class, the seat), tests the connection
// in plain words, and keeps a password in libpq's ~/.pgpass (mode 0600), never in the game's files.
#pragma once

#include "records/Outbox.h"

#include <QDialog>

#include <thread>

class QLabel;
class QLineEdit;
class QPushButton;

inline const QString kClassItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "班级(&C)..."));

class CDlgClass : public QDialog {
public:
    explicit CDlgClass(QWidget* parent = nullptr);
    ~CDlgClass() override; // waits for a test of the connection still under way (bounded by its timeouts)

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
    std::thread m_test;
    std::optional<ClassSettings> m_saved;
};
