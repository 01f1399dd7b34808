#include <QtTest>

#include "app/platform/Platform.h"

#include <QProcess>

#include <sys/wait.h>
#include <unistd.h>

namespace platform = kiv::platform;

// The POSIX answers of the platform layer, and the overrides that let tests
// stand in for another system.
class TestPosixPlatform : public QObject
{
    Q_OBJECT

private:
    // Runs `body` in a child process; gives its exit status and what it wrote
    // to standard error.
    template <typename Body>
    static bool runChild(Body body, int* exitCode, QByteArray* errorOutput)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return false;
        const pid_t child = fork();
        if (child < 0)
            return false;
        if (child == 0) {
            close(pipeEnds[0]);
            dup2(pipeEnds[1], STDERR_FILENO);
            body();
            _exit(99);
        }
        close(pipeEnds[1]);
        char buffer[512];
        ssize_t n = 0;
        while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            errorOutput->append(buffer, int(n));
        close(pipeEnds[0]);
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return false;
        *exitCode = WEXITSTATUS(status);
        return true;
    }

private slots:
    void userNameIsTheAccount()
    {
        QProcess id;
        id.start(QStringLiteral("id"), {QStringLiteral("-un")});
        if (!id.waitForFinished(5000) || id.exitCode() != 0)
            QSKIP("id -un is not available");
        const QString expected = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
        QCOMPARE(platform::userName(), expected);
    }

    void setEnvironment_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << QByteArray("QUARZEL_TEST_VAR") << QByteArray("/opt/a b") << true;
        QTest::newRow("empty value") << QByteArray("QUARZEL_TEST_EMPTY") << QByteArray() << true;
        QTest::newRow("no name") << QByteArray() << QByteArray("x") << false;
        QTest::newRow("equals in name") << QByteArray("A=B") << QByteArray("x") << false;
    }

    void setEnvironment()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QFETCH(bool, accepted);
        QCOMPARE(platform::setEnvironment(name, value), accepted);
        if (accepted) {
            QVERIFY(qEnvironmentVariableIsSet(name.constData()));
            QCOMPARE(qgetenv(name.constData()), value);
        }
    }

    void osVersion_data()
    {
        QTest::addColumn<QByteArray>("fake");
        QTest::addColumn<bool>("atLeast61");
        QTest::newRow("real system") << QByteArray() << true;
        QTest::newRow("same") << QByteArray("6.1") << true;
        QTest::newRow("same with pack") << QByteArray("6.1.0") << true;
        QTest::newRow("later pack") << QByteArray("6.1.1") << true;
        QTest::newRow("vista sp2") << QByteArray("6.0.2") << false;
        QTest::newRow("xp") << QByteArray("5.1.3") << false;
        QTest::newRow("ten") << QByteArray("10.0") << true;
        QTest::newRow("unreadable is ignored") << QByteArray("seven") << true;
    }

    void osVersion()
    {
        QFETCH(QByteArray, fake);
        QFETCH(bool, atLeast61);
        if (fake.isEmpty()) {
            qunsetenv("QUARZEL_FAKE_OS_VERSION");
        } else {
            qputenv("QUARZEL_FAKE_OS_VERSION", fake);
            if (fake == "seven")
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ignoring QUARZEL_FAKE_OS_VERSION"));
        }
        QCOMPARE(platform::isOsVersionAtLeast(6, 1, 0), atLeast61);
        qunsetenv("QUARZEL_FAKE_OS_VERSION");
    }

    void touchDigitizer_data()
    {
        QTest::addColumn<QByteArray>("forced");
        QTest::addColumn<bool>("expected");
        QTest::newRow("offscreen has none") << QByteArray() << false;
        QTest::newRow("forced on") << QByteArray("1") << true;
        QTest::newRow("forced off") << QByteArray("0") << false;
    }

    void touchDigitizer()
    {
        QFETCH(QByteArray, forced);
        QFETCH(bool, expected);
        if (forced.isEmpty())
            qunsetenv("QUARZEL_TOUCH_DIGITIZER");
        else
            qputenv("QUARZEL_TOUCH_DIGITIZER", forced);
        QCOMPARE(platform::hasTouchDigitizer(), expected);
        qunsetenv("QUARZEL_TOUCH_DIGITIZER");
    }

    void noTouchKeyboardProgram()
    {
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("no on-screen keyboard"));
        QVERIFY(!platform::launchTouchKeyboard());
    }

    void fatalMessageThenImmediateExit()
    {
        int exitCode = -1;
        QByteArray output;
        QVERIFY(runChild(
            [] {
                platform::showFatalMessage(QStringLiteral("Incompatible Version of Windows"),
                                           QStringLiteral("This application requires Windows 7 or above."));
                platform::exitImmediately(0);
            },
            &exitCode, &output));
        QCOMPARE(exitCode, 0);
        QCOMPARE(output, QByteArray("Incompatible Version of Windows: "
                                    "This application requires Windows 7 or above.\n"));
    }

    void exitSkipsExitHandlers()
    {
        int exitCode = -1;
        QByteArray output;
        QVERIFY(runChild(
            [] {
                std::atexit([] { std::fputs("handler ran\n", stderr); });
                platform::exitImmediately(7);
            },
            &exitCode, &output));
        QCOMPARE(exitCode, 7);
        QCOMPARE(output, QByteArray());
    }
};

QTEST_MAIN(TestPosixPlatform)
#include "tst_posixplatform.moc"
