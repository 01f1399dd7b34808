#include <QtTest>

#include "app/ApplicationManagerWin.h"
#include "app/FileBrowserListModel.h"
#include "support/ApplicationIdentity.h"

#include <QTemporaryDir>

using namespace kiv;

namespace {

QVariantList column(const FileBrowserListModel& model, int role)
{
    QVariantList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values.append(model.data(model.index(row), role));
    return values;
}

QStringList names(const FileBrowserListModel& model)
{
    QStringList list;
    for (const QVariant& name : column(model, FileBrowserListModel::NameRole))
        list.append(name.toString());
    return list;
}

} // namespace

class TestFileBrowserListModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        const QDir root(m_root.path());
        for (const char* name : { "a.csv", "B.txt", "c.png", ".hidden.csv" }) {
            QFile file(root.absoluteFilePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(root.mkdir(QStringLiteral("sub")));
    }

    void filtersAndFolderMode()
    {
        FileBrowserListModel model;
        model.cd(m_root.path());
        QSignalSpy filtersChanged(&model, &FileBrowserListModel::nameFiltersChanged);
        model.setNameFilters({ QStringLiteral("*.csv"), QStringLiteral("*.txt") });
        QCOMPARE(filtersChanged.count(), 1);
        QCOMPARE(names(model), QStringList({ "a.csv", "B.txt", "sub" }));
        QCOMPARE(column(model, FileBrowserListModel::IsFolderRole), QVariantList({ false, false, true }));
        QCOMPARE(model.data(model.index(0), FileBrowserListModel::PathRole).toUrl(),
                 QUrl::fromLocalFile(QDir(m_root.path()).absoluteFilePath(QStringLiteral("a.csv"))));
        QCOMPARE(model.data(model.index(3), FileBrowserListModel::NameRole), QVariant());
        QCOMPARE(model.data(model.index(0), Qt::DisplayRole), QVariant());

        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy modeChanged(&model, &FileBrowserListModel::selectFolderChanged);
        model.setSelectFolder(true);
        QCOMPARE(names(model), QStringList({ "sub" }));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).mid(1), QVariantList({ 0, 2 }));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).mid(1), QVariantList({ 0, 0 }));
        QCOMPARE(modeChanged.count(), 1);
        model.setSelectFolder(true);
        QCOMPARE(modeChanged.count(), 1);
        model.setSelectFolder(false);
        QCOMPARE(names(model), QStringList({ "a.csv", "B.txt", "sub" }));
    }

    void navigation()
    {
        FileBrowserListModel model;
        model.cd(m_root.path());
        const QStringList before = names(model);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.cd(-1);
        model.cd(model.rowCount());
        model.cd(QStringLiteral("missing"));
        model.cd(QStringLiteral("a.csv"));
        QCOMPARE(removed.count(), 0);
        QCOMPARE(names(model), before);

        model.cd(before.indexOf(QStringLiteral("sub")));
        QVERIFY(model.hasParent());
        QCOMPARE(model.rowCount(), 0);
        model.cdUp();
        QCOMPARE(names(model), before);
        model.cd(QStringLiteral("sub"));
        QCOMPARE(model.rowCount(), 0);
        QSignalSpy parentChanged(&model, &FileBrowserListModel::hasParentChanged);
        while (model.hasParent())
            model.cdUp();
        QCOMPARE(parentChanged.count(), 1);
        QCOMPARE(parentChanged.at(0).at(0).toBool(), false);
        model.cdUp();
        QCOMPARE(parentChanged.count(), 1);
    }

    void imageFormats()
    {
        FileBrowserListModel model;
        const QStringList formats = model.supportedImageFormats();
        QVERIFY(formats.contains(QStringLiteral("*.png")));
        QVERIFY(formats.contains(QStringLiteral("*.jpg")));
    }

    void startsInDocuments()
    {
        ApplicationManagerWin application(nullptr);
        const QString documents = QDir::homePath() + QStringLiteral("/Documents/Quarzel");
        QCOMPARE(application.documentPath(), documents);
        QVERIFY(QDir().mkpath(documents + QStringLiteral("/project1.qz")));
        FileBrowserListModel model;
        QCOMPARE(names(model), QStringList({ "project1.qz" }));
    }
};

QTEST_MAIN(TestFileBrowserListModel)
#include "tst_filebrowserlistmodel.moc"
