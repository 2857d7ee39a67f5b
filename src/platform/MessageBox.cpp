#include "platform/MessageBox.h"

#include "platform/Translation.h"
#include "platform/UiThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_responderMutex;
MessageResponder g_responder;

constexpr int kStillAskedCheckMs = 100;

// Centred on the window it is over, as that window's own geometry has it. Qt would centre it on where
// the window system last reported the window, which for a window placed by the program and never moved
// by the window manager can be the screen's corner.
class CCentredMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event); // takes its final size
        if (const QWidget* over = parentWidget())
            move(over->window()->frameGeometry().center() - (frameGeometry().center() - pos()));
    }
};

bool ShowOnUiThread(const QString& text, MessageKind kind, const std::function<bool()>& stillAsked) {
    // Over the window the player is in, so it opens centred on it and stays above it.
    QWidget* over = QApplication::activeModalWidget();
    if (over == nullptr)
        over = QApplication::activeWindow();
    CCentredMessageBox box(kind == MessageKind::Question ? QMessageBox::Question : QMessageBox::Information,
                           QStringLiteral("Aviluma"), text, QMessageBox::NoButton, over);
    QPushButton* accept = nullptr;
    QPushButton* decline = nullptr;
    if (kind == MessageKind::Question) {
        accept = box.addButton(Aviluma::tr("是"), QMessageBox::YesRole);
        decline = box.addButton(Aviluma::tr("否"), QMessageBox::NoRole);
        box.setDefaultButton(decline);
    } else {
        box.setDefaultButton(
            box.addButton(Aviluma::tr("确定"), QMessageBox::AcceptRole));
    }
    QTimer watch;
    if (stillAsked) {
        QObject::connect(&watch, &QTimer::timeout, &box, [&] {
            if (!stillAsked())
                decline != nullptr ? decline->click() : box.reject();
        });
        watch.start(kStillAskedCheckMs);
    }
    box.exec();
    return accept != nullptr && box.clickedButton() == accept;
}

bool Show(const QString& source, MessageKind kind, const std::function<bool()>& stillAsked = {}) {
    // A responder hears what the player would read.
    const QString text = Tr(source);
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
    return CUiThread::Invoke([&] { return ShowOnUiThread(text, kind, stillAsked); });
}

} // namespace

void MessageBoxOk(const QString& text) {
    Show(text, MessageKind::Information);
}

bool MessageBoxYesNo(const QString& text) {
    return Show(text, MessageKind::Question);
}

bool MessageBoxYesNoWhile(const QString& text, const std::function<bool()>& stillAsked) {
    return Show(text, MessageKind::Question, stillAsked);
}

void SetMessageResponder(MessageResponder responder) {
    std::lock_guard lock(g_responderMutex);
    g_responder = std::move(responder);
}
