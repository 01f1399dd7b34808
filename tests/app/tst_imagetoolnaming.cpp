#include <QtTest>

#include "tools/ImageTool.h"

#include <QRegularExpression>
#include <QTemporaryDir>

using kiv::ImageTool;

// New pictures are named by prefix, local time stamp and suffix inside the
// project's "images" folder; an existing file is never handed out again.
class TestImageToolNaming : public QObject
{
    Q_OBJECT

private slots:
    void naming_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("sketch") << "IMG_" << ".jpeg";
        QTest::newRow("stereonet") << "STEREONET_" << ".png";
        QTest::newRow("bare") << "" << "";
    }

    void naming()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QTemporaryDir project;
        const QString path = ImageTool::uniqueImagePathIn(project.path(), prefix, suffix);
        QVERIFY(QFileInfo(project.path() + QStringLiteral("/images")).isDir());
        const QFileInfo info(path);
        QVERIFY(info.isAbsolute());
        QCOMPARE(info.absolutePath(), QDir(project.path()).absoluteFilePath(QStringLiteral("images")));
        const QRegularExpression form(QStringLiteral("^%1(\\d{4}-\\d{2}-\\d{2})_(\\d{2})-(\\d{2})-(\\d{2})%2$")
                                          .arg(QRegularExpression::escape(prefix),
                                               QRegularExpression::escape(suffix)));
        const QRegularExpressionMatch match = form.match(info.fileName());
        QVERIFY2(match.hasMatch(), qPrintable(info.fileName()));
        // The stamp is local time, now.
        const QDateTime stamp = QDateTime::fromString(
            match.captured(1) + QLatin1Char('T') + match.captured(2) + QLatin1Char(':')
                + match.captured(3) + QLatin1Char(':') + match.captured(4),
            Qt::ISODate);
        QVERIFY(stamp.isValid());
        QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) <= 2);
        QVERIFY(!info.exists());
    }

    void existingFileIsNotHandedOut()
    {
        QTemporaryDir project;
        // Retry across a second boundary: the name changes with the clock.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString path = ImageTool::uniqueImagePathIn(project.path(), "IMG_", ".jpeg");
            QVERIFY(!path.isEmpty());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            const QString again = ImageTool::uniqueImagePathIn(project.path(), "IMG_", ".jpeg");
            if (again.isEmpty())
                return;
            QVERIFY(again != path);
        }
        QFAIL("an existing picture's name was handed out again");
    }

    void noPath_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("no project") << "none" << "IMG_";
        QTest::newRow("images is a file") << "file" << "IMG_";
        QTest::newRow("prefix leaves folder") << "ok" << "../IMG_";
    }

    void noPath()
    {
        QFETCH(QString, situation);
        QFETCH(QString, prefix);
        QTemporaryDir project;
        QString folder = project.path();
        if (situation == QLatin1String("none"))
            folder.clear();
        if (situation == QLatin1String("file")) {
            QFile file(folder + QStringLiteral("/images"));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(ImageTool::uniqueImagePathIn(folder, prefix, ".png"), QString());
    }

    void withoutCurrentProject()
    {
        QCOMPARE(ImageTool::uniqueImagePath("IMG_", ".jpeg"), QString());
        QCOMPARE(ImageTool::makeUniqueImagePath("IMG_", ".jpeg"), QString());
    }
};

QTEST_GUILESS_MAIN(TestImageToolNaming)
#include "tst_imagetoolnaming.moc"
