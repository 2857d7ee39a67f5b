#include "platform/MessageBox.h"

#include "platform/UiThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_responderMutex;
MessageResponder g_responder;

bool ShowOnUiThread(const QString& text, MessageKind kind) {
    QMessageBox box(kind == MessageKind::Question ? QMessageBox::Question : QMessageBox::Information,
                    QStringLiteral("Aviluma"), text);
    QPushButton* accept = nullptr;
    if (kind == MessageKind::Question) {
        accept = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
        box.setDefaultButton(box.addButton(QStringLiteral("否"), QMessageBox::NoRole));
    } else {
        box.setDefaultButton(box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole));
    }
    box.exec();
    return accept != nullptr && box.clickedButton() == accept;
}

bool Show(const QString& text, MessageKind kind) {
    MessageResponder responder;
    {
        std::lock_guard lock(g_responderMutex);
        responder = g_responder;
    }
    if (responder)
        return responder(text, kind);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr || !CUiThread::IsAttached()) {
        // No window system (a headless tool): say it where someone may read it, and answer No.
        std::fprintf(stderr, "Aviluma: %s\n", qPrintable(text));
        return false;
    }
    return CUiThread::Invoke([&] { return ShowOnUiThread(text, kind); });
}

} // namespace

void MessageBoxOk(const QString& text) {
    Show(text, MessageKind::Information);
}

bool MessageBoxYesNo(const QString& text) {
    return Show(text, MessageKind::Question);
}

void SetMessageResponder(MessageResponder responder) {
    std::lock_guard lock(g_responderMutex);
    g_responder = std::move(responder);
}
