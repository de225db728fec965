// The hand-over between two instances.
#include "InstanceHandOver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

TEST(InstanceHandOver, ASecondStartGivesItsArgumentsToTheRunningOne) {
    testsupport::EnsureGuiApplication();
    const QString channel = "vantorel-test-" + QUuid::createUuid().toString(QUuid::Id128);
    vantorel::InstanceHandOver starting(channel);
    EXPECT_FALSE(starting.HandOver({"/tmp/a.jpg"}, 200)); // nobody runs yet: start normally

    vantorel::InstanceHandOver running(channel);
    QStringList received;
    ASSERT_TRUE(running.Listen([&](const QStringList& lines) { received += lines; }));
    EXPECT_FALSE(starting.HandOver({}, 200)); // without arguments the program starts normally
    // The sender blocks on its socket, so the running side answers from its event loop meanwhile.
    bool handed = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            handed = starting.HandOver({"/tmp/a b.jpg", "file:///tmp/c.jpg"});
        },
        Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    while (received.size() < 2 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(handed);
    EXPECT_EQ(received, (QStringList{"/tmp/a b.jpg", "file:///tmp/c.jpg"}));
}

} // namespace
