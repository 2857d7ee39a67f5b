#include "platform/UiThread.h"
#include "platform/MessageBox.h"
#include "platform/WindowSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

QApplication& App() {
    return OffscreenApp();
}

class UiThread : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        CUiThread::Attach();
    }
    void TearDown() override { CUiThread::Detach(); }
};

TEST_F(UiThread, PostedJobsRunOnTheUiThreadInOrder) {
    std::vector<int> order;
    std::atomic<bool> allOnUi{true};
    const auto ui = std::this_thread::get_id();
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            CUiThread::Post([&, i] {
                order.push_back(i);
                allOnUi = allOnUi && std::this_thread::get_id() == ui;
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()); // nothing runs until the UI thread drains
    ASSERT_TRUE(CUiThread::WaitFor([&] { return order.size() == 100; }, 5000ms));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnUi);
}

TEST_F(UiThread, InvokeFromAWorkerWaitsForTheUiThreadsResult) {
    int answer = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = CUiThread::Invoke([] { return CUiThread::IsUiThread() ? 42 : -1; });
        done = true;
    });
    // The UI thread waits for the worker, and the worker for the UI thread: WaitFor keeps draining.
    EXPECT_TRUE(CUiThread::WaitFor([&] { return done.load(); }, 5000ms));
    worker.join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(CUiThread::Invoke([] { return 7; }), 7); // on the UI thread: at once
}

TEST_F(UiThread, TheEventLoopDrainsWithoutAnyoneWaiting) {
    std::atomic<bool> ran{false};
    std::thread([&] { CUiThread::Post([&] { ran = true; }); }).join();
    QTimer::singleShot(2000, &App(), &QCoreApplication::quit); // a bound, should the wake-up fail
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ran)
            QCoreApplication::quit();
    });
    poll.start(5);
    App().exec();
    EXPECT_TRUE(ran);
}

TEST_F(UiThread, MessageBoxFromAWorkerShowsOnTheUiThreadWithChineseButtonsOverTheWindow) {
    // The window the player is in: the box opens centred on it.
    QWidget window;
    window.setGeometry(300, 200, 800, 600);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // Answer the box like a player: find it, check its texts and place, press "是".
    QStringList buttons;
    QString title, text;
    QPoint centre;
    QTimer player;
    QObject::connect(&player, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        title = box->windowTitle();
        text = box->text();
        centre = box->frameGeometry().center();
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("是"))
                b->click();
    });
    player.start(20);

    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = MessageBoxYesNo(QStringLiteral("是否退出游戏？")) ? 1 : 0; });
    EXPECT_TRUE(CUiThread::WaitFor([&] { return answer.load() != -1; }, 5000ms));
    worker.join();
    player.stop();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(title, QStringLiteral("Aviluma"));
    EXPECT_EQ(text, QStringLiteral("是否退出游戏？"));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("否"), QStringLiteral("是")}));
    EXPECT_LE((centre - window.frameGeometry().center()).manhattanLength(), 2);
}

// A window's focused button looks focused as soon as the window opens, before any key.
TEST_F(UiThread, AWindowShowsItsFocusBeforeAnyKey) {
    ShowFocusAlways();
    QDialog dialog;
    auto* focused = new QPushButton(QStringLiteral("确定"), &dialog);
    auto* other = new QPushButton(QStringLiteral("确定"), &dialog);
    other->move(0, 40);
    for (QPushButton* button : {focused, other})
        button->setAutoDefault(false);
    dialog.show();
    focused->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return focused->hasFocus(); }));
    EXPECT_NE(focused->grab().toImage(), other->grab().toImage());
}

} // namespace
