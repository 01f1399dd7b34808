// Every theme value the screens ask for exists in the theme itself, so no
// screen silently shows its fallback instead.

#include <QtTest>

#include <QDirIterator>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>

#include "app/QmlTypeRegistry.h"

class TestThemeNames : public QObject {
    Q_OBJECT

private slots:
    void everyRequestedNameIsInTheTheme();
};

void TestThemeNames::everyRequestedNameIsInTheTheme()
{
    // Also keeps the program's library, and with it the resources, linked.
    kiv::QmlTypeRegistry::registerTypes();
    QQmlEngine engine;
    QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/qml/UI.qml")));
    QScopedPointer<QObject> ui(component.create());
    QVERIFY2(ui, qPrintable(component.errorString()));

    static const QRegularExpression call(QStringLiteral(R"(Utils\.theme\(\s*"(\w+)\")"));
    QStringList missing;
    int calls = 0;
    QDirIterator it(QStringLiteral(":/qml"), {QStringLiteral("*.qml"), QStringLiteral("*.js")},
        QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = call.globalMatch(text); match.hasNext(); ++calls) {
            const QString name = match.next().captured(1);
            if (ui->metaObject()->indexOfProperty(name.toUtf8().constData()) < 0)
                missing.append(name + QStringLiteral(" in ") + file.fileName());
        }
    }
    QVERIFY(calls > 100);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestThemeNames)
#include "tst_themenames.moc"
