#include "support/QmlTheme.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>

namespace kiv::test {

QObject* installTheme(QQmlEngine* engine)
{
    QQmlContext* context = engine->rootContext();
    QQmlComponent component(engine, QUrl(QStringLiteral("qrc:/qml/UI.qml")));
    QObject* ui = component.create(context);
    if (!ui) {
        qWarning("failed to load the theme: %s", qPrintable(component.errorString()));
        return nullptr;
    }
    ui->setParent(engine);
    context->setContextProperty(QStringLiteral("_ui"), ui);
    return ui;
}

} // namespace kiv::test
