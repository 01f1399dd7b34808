#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Quarzel"));
    QGuiApplication::setApplicationVersion(QStringLiteral(QUARZEL_VERSION));
    QTextStream(stdout) << "Quarzel " << QGuiApplication::applicationVersion() << Qt::endl;
    return 0;
}
