#include "singleinstance.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The running copy answers on this (the user-interface) thread while a new copy, on a worker
// thread, makes its blocking start-up check.
bool startSecondCopy(const QString &text)
{
    auto result = std::async(std::launch::async, [text] {
        TecSingleInstance guard;
        guard.setObjectName(QStringLiteral("CFGSingleInstance1"));
        return guard.CheckInstance(text);
    });
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return result.get();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The socket lives in the temporary folder; a private one keeps tests apart.
        qputenv("TMPDIR", tmp.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", tmp.path().toUtf8());
        window.setObjectName(QStringLiteral("Form1"));
        guard = new TecSingleInstance(&window);
        guard->setObjectName(QStringLiteral("CFGSingleInstance1"));
        guard->AcceptInstInfo = [this](const QString &text, bool &accept) {
            received << text;
            accept = acceptHandOver;
        };
    }

    QTemporaryDir tmp;
    QWidget window;
    TecSingleInstance *guard = nullptr;
    QStringList received;
    bool acceptHandOver = true;
};

} // namespace

TEST(SingleInstance, InstanceTextIsTheFirstArgumentUpTo255Characters)
{
    EXPECT_EQ(TecSingleInstance::instanceTextFromArguments({QStringLiteral("orvex")}), QString());
    EXPECT_EQ(TecSingleInstance::instanceTextFromArguments(
                  {QStringLiteral("orvex"), QStringLiteral("a b"), QStringLiteral("c")}),
              QStringLiteral("a b"));
    const QString limit(255, QLatin1Char('x'));
    EXPECT_EQ(TecSingleInstance::instanceTextFromArguments({QStringLiteral("orvex"), limit}),
              limit);
    EXPECT_EQ(TecSingleInstance::instanceTextFromArguments(
                  {QStringLiteral("orvex"), limit + QLatin1Char('x')}),
              QString());
}

TEST_F(SingleInstanceTest, RunningCopyTakesTheTextAndComesBackFromMinimised)
{
    ASSERT_FALSE(guard->CheckInstance(QString())) << "no copy runs yet";
    ASSERT_TRUE(guard->isAnswering());
    EXPECT_EQ(guard->serverName(),
              tmp.path() + QStringLiteral("/TecSingleInst_CFGSingleInstance1-%1").arg(::getuid()));
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());

    EXPECT_TRUE(startSecondCopy(QStringLiteral("PIC16F1827")));
    EXPECT_EQ(received, QStringList{QStringLiteral("PIC16F1827")});
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());

    EXPECT_TRUE(startSecondCopy(QString()));
    EXPECT_EQ(received.last(), QString());
}

TEST_F(SingleInstanceTest, ARefusedHandOverLetsTheNewCopyStart)
{
    ASSERT_FALSE(guard->CheckInstance(QString()));
    acceptHandOver = false;
    EXPECT_FALSE(startSecondCopy(QStringLiteral("x")));
    EXPECT_EQ(received, QStringList{QStringLiteral("x")}) << "asked once";
    EXPECT_TRUE(guard->isAnswering()) << "the refusing copy keeps its name";
}

TEST_F(SingleInstanceTest, AcceptsWhileAModalDialogIsOpen)
{
    ASSERT_FALSE(guard->CheckInstance(QString()));
    window.show();
    QDialog dialog(&window);
    bool accepted = false;
    QTimer::singleShot(0, &dialog, [&] {
        accepted = startSecondCopy(QStringLiteral("while modal"));
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(received, QStringList{QStringLiteral("while modal")});
}

// A copy that crashed leaves its socket file behind; nobody answers on it any more.
TEST_F(SingleInstanceTest, SocketLeftByACrashedCopyIsReplaced)
{
    const QString path = guard->serverName();
    ASSERT_TRUE(path.startsWith(tmp.path()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray native = path.toLocal8Bit();
    ASSERT_LT(size_t(native.size()), sizeof(addr.sun_path));
    memcpy(addr.sun_path, native.constData(), size_t(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    ::close(fd); // bound but never listening: the file stays, connections are refused

    EXPECT_FALSE(guard->CheckInstance(QStringLiteral("x")));
    EXPECT_TRUE(guard->isAnswering());
    EXPECT_TRUE(startSecondCopy(QStringLiteral("after the crash")));
    EXPECT_EQ(received, QStringList{QStringLiteral("after the crash")});
}

TEST_F(SingleInstanceTest, InactiveGuardNeitherAsksNorAnswers)
{
    guard->Active = false;
    EXPECT_FALSE(guard->CheckInstance(QString()));
    EXPECT_FALSE(guard->isAnswering());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
