#include "model/MergeJournal.h"

#include <QtTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sqlite3.h>

#include <functional>

// Starts the real program on the test's X display with a fresh home, checks
// what a first start leaves on disk and on screen, that a second start ends
// while one runs, and closes the window the way a window manager would.
namespace {

// Windows of the program come and go while the test looks at them (a window
// destroyed between listing and asking is BadWindow): ignore such errors
// rather than let Xlib end the test.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The first mapped top-level window that is wanted.
Window findMappedWindow(Display* display, const std::function<bool(Window)>& wanted)
{
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable
            && wanted(children[i]))
            found = children[i];
    }
    XFree(children);
    return found;
}

// The program's top-level window: mapped, and of class "Quarzel".
Window findProgramWindow(Display* display)
{
    return findMappedWindow(display, [display](Window window) {
        XClassHint hint;
        if (!XGetClassHint(display, window, &hint))
            return false;
        const bool program =
            QByteArray(hint.res_class).contains("Quarzel") || QByteArray(hint.res_name).contains("Quarzel");
        XFree(hint.res_name);
        XFree(hint.res_class);
        return program;
    });
}

// The process a window belongs to, as it says itself; -1 when it does not.
qint64 processOf(Display* display, Window window)
{
    const Atom property = XInternAtom(display, "_NET_WM_PID", True);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    qint64 pid = -1;
    if (property != None
        && XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                              &data)
               == Success
        && data) {
        if (type == XA_CARDINAL && format == 32 && items == 1)
            pid = qint64(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

// A mapped top-level window of that process.
Window windowOf(Display* display, qint64 pid)
{
    return findMappedWindow(display, [=](Window window) { return processOf(display, window) == pid; });
}

// Number of distinct colours in the window, sampled on a grid.
int distinctColours(Display* display, Window window)
{
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height),
                              AllPlanes, ZPixmap);
    if (!image)
        return 0;
    QSet<unsigned long> colours;
    for (int y = 0; y < attributes.height; y += 4) {
        for (int x = 0; x < attributes.width; x += 4)
            colours.insert(XGetPixel(image, x, y));
    }
    XDestroyImage(image);
    return colours.size();
}

void sendClose(Display* display, Window window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// A tap in the middle of the window, as the window system delivers it.
void sendTap(Display* display, Window window)
{
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    XEvent event {};
    event.xbutton.window = window;
    event.xbutton.root = DefaultRootWindow(display);
    event.xbutton.x = attributes.width / 2;
    event.xbutton.y = attributes.height / 2;
    event.xbutton.x_root = attributes.x + event.xbutton.x;
    event.xbutton.y_root = attributes.y + event.xbutton.y;
    event.xbutton.button = Button1;
    event.xbutton.same_screen = True;
    event.xbutton.time = CurrentTime;
    event.type = ButtonPress;
    XSendEvent(display, window, False, ButtonPressMask, &event);
    event.type = ButtonRelease;
    event.xbutton.state = Button1Mask;
    XSendEvent(display, window, False, ButtonReleaseMask, &event);
    XFlush(display);
}

// What a killed export, merge or sketch save leaves, and files of the
// user's named like it or beside it, which no journal lists.
const QStringList ExportLeftovers{"Documents/Quarzel/project1.kmz.0123456789abcdef.part",
                                  "Documents/Quarzel/project1.qz/images/m_a.jpg",
                                  "Documents/Quarzel/project1.qz/images/IMG_s.jpeg.k3.part",
                                  "tmp/Orvanta/export-0123456789abcdef/a.png"};
const QStringList UserFiles{"Documents/Quarzel/notes.part", "Documents/Quarzel/other.kmz.part",
                            "Documents/Quarzel/project1.kmz.part", "Documents/Quarzel/project1.qz/images/a.jpg",
                            "Documents/Quarzel/project1.qz/localities.csv.1a2b.part", "tmp/Orvanta/export-notes/a.png",
                            "tmp/Orvanta/export-Ab12Cd/a.png",
                            "Documents/Quarzel/project1.qz/images/IMG_5678.jpg.part"};
// The killed export's and sketch save's journals, each listing its part or
// working folder.
const QMap<QString, QByteArray> Journals{
    {"Documents/Quarzel/.export-0123456789abcdef.journal",
     "quarzel export journal 1\npart project1.kmz.0123456789abcdef.part\n"},
    {"tmp/Orvanta/.export-0123456789abcdef.journal", "quarzel export journal 1\nfolder export-0123456789abcdef\n"},
    {"Documents/Quarzel/project1.qz/images/.sketch-k3.journal",
     "quarzel sketch journal 2\npart IMG_s.jpeg.k3.part\n"}};

// Makes the file at path a copy of a merge, noted in the project's journal,
// that is then stopped before its rows are stored.
bool noteMergeCopy(const QString& project, const QString& path)
{
    sqlite3* database = nullptr;
    kiv::MergeJournal journal;
    QString part;
    const bool noted = sqlite3_open_v2(QFile::encodeName(project + "/main.db").constData(), &database,
                                       SQLITE_OPEN_READWRITE, nullptr)
            == SQLITE_OK
        && journal.begin(QDir(project), database) && !(part = journal.notePart(path)).isEmpty()
        && QFile::rename(path, part) && journal.place(part, path);
    sqlite3_close(database);
    return noted;
}

// Below the home, or the temporary folder for "tmp/".
QString homeOrTemp(const QString& path)
{
    return path.startsWith("tmp/") ? QDir::tempPath() + path.mid(3) : QDir::homePath() + '/' + path;
}

bool hasTable(const QString& path, const char* table)
{
    sqlite3* db = nullptr;
    bool found = false;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' AND name=?", -1, &statement,
                               nullptr)
            == SQLITE_OK) {
            sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
            found = sqlite3_step(statement) == SQLITE_ROW;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return found;
}

// Every file below a folder, by its path, with its bytes.
QMap<QString, QByteArray> filesBelow(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(file.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return files;
}

// What a start may change: the projects and the settings.
QMap<QString, QByteArray> projectsAndSettings()
{
    QMap<QString, QByteArray> files = filesBelow(QDir::homePath() + "/Documents");
    files.insert(filesBelow(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    return files;
}

// The lock a running program holds.
QString instanceLock()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/KIV/Quarzel/instance.lock";
}

// Files of the user's folders that the process maps shared and writable: a
// write through such a map into a page the full disk cannot hold ends the
// process with SIGBUS, where a write call would have failed.
QStringList filesMappedForWriting(qint64 pid)
{
    const QStringList folders{QDir::homePath(), QDir::tempPath(),
                              QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                              QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)};
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {maps.fileName()};
    QStringList files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        // Address, permissions, offset, device, inode, path.
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || !fields[1].startsWith("rw") || !fields[1].endsWith('s'))
            continue;
        const QString path = QString::fromLocal8Bit(fields[5]);
        for (const QString& folder : folders) {
            if (path.startsWith(folder + '/'))
                files.append(path);
        }
    }
    return files;
}

// Cuts every file of the program's QML cache to half its size; how many.
int cutQmlCache()
{
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                     + "/KIV/Quarzel/qmlcache");
    int cut = 0;
    for (const QString& name : cache.entryList({"*.qmlc"}, QDir::Files)) {
        QFile file(cache.absoluteFilePath(name));
        if (file.resize(file.size() / 2))
            ++cut;
    }
    return cut;
}

void startProgram(QProcess& program)
{
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(QUARZEL_BINARY_DIR "/Quarzel"), QStringList());
}

// Starts the program and waits until its window shows something; 0 when
// it did not.
Window startShown(Display* display, QProcess& program)
{
    startProgram(program);
    Window window = 0;
    if (!program.waitForStarted()
        || !QTest::qWaitFor([&] { return (window = windowOf(display, program.processId())) != 0; }, 30000)
        || !QTest::qWaitFor([&] { return distinctColours(display, window) > 2; }, 20000))
        return 0;
    return window;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

    // Open throughout: the X server starts afresh when its last client leaves,
    // and refuses connections meanwhile.
    Display* display = nullptr;

private slots:
    void initTestCase()
    {
        display = XOpenDisplay(nullptr);
        XSetErrorHandler(ignoreXError);
        QVERIFY2(display, "no X display");
    }

    void cleanupTestCase()
    {
        if (display)
            XCloseDisplay(display);
    }

    void firstStartAndClose()
    {

        QProcess program;
        startProgram(program);
        QVERIFY(program.waitForStarted());

        Window window = 0;
        QTRY_VERIFY_WITH_TIMEOUT((window = findProgramWindow(display)) != 0, 30000);

        const QString home = QDir::homePath();
        const QString project = home + "/Documents/Quarzel/project1.qz/main.db";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(project), 10000);
        QVERIFY(hasTable(project, "project"));

        const QString cacheDb = QDir::tempPath() + "/example.quarzel.Quarzel/cache.db";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(cacheDb), 10000);
        QVERIFY(hasTable(cacheDb, "cacheData"));
        QVERIFY(QFileInfo(QDir::tempPath() + "/Orvanta").isDir());

        // The splash gives way to the project page; something is drawn.
        QTRY_VERIFY_WITH_TIMEOUT(distinctColours(display, window) > 2, 10000);

        sendClose(display, window);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString output = QString::fromLocal8Bit(program.readAll());
        QVERIFY2(!output.contains(QStringLiteral("Failed to load font")), qPrintable(output));

        // The help pages are installed with the program's other assets.
        const QString assets = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/KIV/Quarzel";
        QVERIFY(QFileInfo(assets + "/help/Default.htm").size() > 0);

        QSettings settings("KIV", "Quarzel");
        QCOMPARE(QFileInfo(settings.value("currentProject").toString()).canonicalFilePath(),
                 QFileInfo(home + "/Documents/Quarzel/project1.qz").canonicalFilePath());
    }

    // One instance per user: a second start on the same home says on screen
    // and in the log that the program is running already, and ends without
    // touching a project or the settings; the first runs on.
    void secondStartEndsUntouched_data()
    {
        QTest::addColumn<QString>("notice");
        QTest::addColumn<bool>("freshData");
        QTest::newRow("notice closed by the user") << "closed" << false;
        QTest::newRow("notice left to close itself") << "left" << false;
        QTest::newRow("notice tapped") << "tapped" << false;
        // The lock's folder is made by the first start itself.
        QTest::newRow("first start, lock folder not there yet") << "closed" << true;
    }

    void secondStartEndsUntouched()
    {
        QFETCH(QString, notice);
        QFETCH(bool, freshData);

        QTemporaryDir data;
        QProcess first;
        QProcess second;
        if (freshData) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("XDG_DATA_HOME", data.path());
            first.setProcessEnvironment(environment);
            second.setProcessEnvironment(environment);
        }
        const Window window = startShown(display, first);
        QVERIFY(window);
        QVERIFY(QFile::exists(QDir::homePath() + "/Documents/Quarzel/project1.qz/main.db"));
        // Once the first start has written what it writes.
        QMap<QString, QByteArray> before;
        QTRY_VERIFY_WITH_TIMEOUT((before = projectsAndSettings(), QTest::qWait(500), before == projectsAndSettings()),
                                 20000);

        startProgram(second);
        QVERIFY(second.waitForStarted());
        Window noticeWindow = 0;
        QTRY_VERIFY_WITH_TIMEOUT((noticeWindow = windowOf(display, second.processId())) != 0, 30000);
        QTRY_VERIFY(distinctColours(display, noticeWindow) > 1);
        if (notice == "closed")
            sendClose(display, noticeWindow);
        if (notice == "tapped")
            sendTap(display, noticeWindow);
        // A tapped notice ends the start well before it would close by itself.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning,
                                 notice == "left" ? 60000 : notice == "tapped" ? 7000 : 20000);
        const QString output = QString::fromLocal8Bit(second.readAll());
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY2(second.exitCode() != 0, qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("already running")), qPrintable(output));
        QCOMPARE(projectsAndSettings(), before);

        QCOMPARE(first.state(), QProcess::Running);
        sendClose(display, window);
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
    }

    // A lock left by a killed instance, written or not, does not hold up
    // the next start, nor does a folder without room for another file. A
    // start that holds the lock removes what killed exports left.
    void staleLockDoesNotBlock_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::newRow("killed instance") << "killed";
        QTest::newRow("killed before writing its lock") << "unwritten";
        QTest::newRow("killed instance, no room for another file") << "killed, full";
        // What Qt's QML cache commits when the disk fills under its last write.
        QTest::newRow("killed instance, QML cache cut short") << "killed, cut";
    }

    void staleLockDoesNotBlock()
    {
        QFETCH(QString, lock);
        const bool full = lock.endsWith("full");

        if (lock.startsWith("killed")) {
            QProcess killed;
            QVERIFY(startShown(display, killed));
            killed.kill();
            QVERIFY(killed.waitForFinished(20000));
            if (lock.endsWith("cut"))
                QVERIFY(cutQmlCache() > 0);
        } else {
            QFile lockFile(instanceLock());
            QVERIFY(lockFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        }
        QVERIFY(QFile::exists(instanceLock()));
        for (const QString& path : ExportLeftovers + UserFiles) {
            QVERIFY(QDir().mkpath(QFileInfo(homeOrTemp(path)).path()));
            QFile file(homeOrTemp(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(path.toUtf8());
        }
        for (auto journal = Journals.begin(); journal != Journals.end(); ++journal) {
            QFile file(homeOrTemp(journal.key()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(journal.value());
        }
        const QString project = QDir::homePath() + "/Documents/Quarzel/project1.qz";
        QVERIFY(noteMergeCopy(project, homeOrTemp(ExportLeftovers[1])));

        QProcess program;
        Window window = 0;
        if (full) {
            // No file of the program grows past 0 bytes, as on a full disk.
            program.setProcessChannelMode(QProcess::MergedChannels);
            program.start("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 0 && exec \"$0\"",
                                      QStringLiteral(QUARZEL_BINARY_DIR "/Quarzel")});
            QVERIFY(program.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT((window = windowOf(display, program.processId())) != 0, 30000);
            QTRY_VERIFY_WITH_TIMEOUT(distinctColours(display, window) > 2, 20000);
        } else {
            window = startShown(display, program);
        }
        QVERIFY(window);
        // Nothing, not even the GL driver's shader cache, may die of a disk
        // that fills later in the session.
        const QStringList mapped = filesMappedForWriting(program.processId());
        QVERIFY2(mapped.isEmpty(), qPrintable(mapped.join(' ')));
        if (!full) {
            // The lock is its own now.
            QFile lockFile(instanceLock());
            QVERIFY(lockFile.open(QIODevice::ReadOnly));
            QCOMPARE(lockFile.readLine().trimmed().toLongLong(), program.processId());
        }
        // Without the lock another instance might be exporting.
        for (const QString& path : ExportLeftovers)
            QVERIFY2(QFile::exists(homeOrTemp(path)) == full, qPrintable(path));
        QVERIFY(QFile::exists(QFileInfo(homeOrTemp(ExportLeftovers.last())).path()) == full);
        QCOMPARE(QDir(project).entryList({".merge-*"}, QDir::Files | QDir::Hidden).size(), full ? 1 : 0);
        for (const QString& path : Journals.keys())
            QVERIFY2(QFile::exists(homeOrTemp(path)) == full, qPrintable(path));
        for (const QString& path : UserFiles) {
            QFile file(homeOrTemp(path));
            QVERIFY2(file.open(QIODevice::ReadOnly) && file.readAll() == path.toUtf8(), qPrintable(path));
        }
        sendClose(display, window);
        QVERIFY(program.waitForFinished(20000));
        const QString output = QString::fromLocal8Bit(program.readAll());
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(!output.contains(QStringLiteral("already running")), qPrintable(output));
        if (full) {
            QVERIFY2(output.contains("which is no running instance"), qPrintable(output));
            QVERIFY2(output.contains("starting without the lock"), qPrintable(output));
        }
        for (const QString& path : ExportLeftovers + UserFiles + Journals.keys())
            QFile::remove(homeOrTemp(path));
        for (const QString& journal : QDir(project).entryList({".merge-*"}, QDir::Files | QDir::Hidden))
            QFile::remove(project + '/' + journal);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program_gl.moc"
