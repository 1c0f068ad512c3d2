// Answers a modal box without ever leaving it open: a failed check inside a timer callback
// would otherwise return before the box is closed and leave the test waiting for ever.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

namespace valmor::test {

// Runs `open`, which shows a modal box and waits for it. Once the box is the active modal
// widget, `check` looks at it (and may answer it); then the box is closed whatever `check`
// did. No box within `wait` fails the test, and any dialog still shown is closed.
inline void answerModalBox(const std::function<void(QWidget* box)>& check,
                           const std::function<void()>& open,
                           std::chrono::milliseconds wait = std::chrono::seconds(10)) {
    const auto closeBox = [](QWidget* box) {
        if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->reject();
        else
            box->close();
    };
    bool seen = false;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            poll.stop();
            seen = true;
            const QPointer<QWidget> shown(box);
            check(box);
            if (shown && shown->isVisible())
                closeBox(shown);
        } else if (clock.elapsed() > wait.count()) {
            poll.stop();
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && qobject_cast<QDialog*>(window) != nullptr)
                    closeBox(window);
            }
        }
    });
    poll.start();
    open();
    poll.stop();
    EXPECT_TRUE(seen) << "no modal box showed within " << wait.count() << " ms";
}

} // namespace valmor::test
