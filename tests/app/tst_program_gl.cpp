#include <QtTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sqlite3.h>

// Starts the real program on the test's X display with a fresh home, checks
// what a first start leaves on disk and on screen, and closes the window the
// way a window manager would.
namespace {

// Windows of the program come and go while the test looks at them (a window
// destroyed between listing and asking is BadWindow): ignore such errors
// rather than let Xlib end the test.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The program's top-level window: mapped, and of class "Quarzel".
Window findProgramWindow(Display* display)
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
        XClassHint hint;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        if (XGetClassHint(display, children[i], &hint)) {
            if (QByteArray(hint.res_class).contains("Quarzel") || QByteArray(hint.res_name).contains("Quarzel"))
                found = children[i];
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
    }
    XFree(children);
    return found;
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

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void firstStartAndClose()
    {
        Display* display = XOpenDisplay(nullptr);
        XSetErrorHandler(ignoreXError);
        QVERIFY2(display, "no X display");

        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(QUARZEL_BINARY_DIR "/Quarzel"), QStringList());
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
        XCloseDisplay(display);
        const QString output = QString::fromLocal8Bit(program.readAll());
        QVERIFY2(!output.contains(QStringLiteral("Failed to load font")), qPrintable(output));

        // The help pages are installed with the program's other assets.
        const QString assets = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/KIV/Quarzel";
        QVERIFY(QFileInfo(assets + "/help/Default.htm").size() > 0);

        QSettings settings("KIV", "Quarzel");
        QCOMPARE(QFileInfo(settings.value("currentProject").toString()).canonicalFilePath(),
                 QFileInfo(home + "/Documents/Quarzel/project1.qz").canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program_gl.moc"
