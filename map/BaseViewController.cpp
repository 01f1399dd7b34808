#include "map/BaseViewController.h"

#include <QDebug>

namespace kiv {

BaseViewController::BaseViewController(QQuickItem* parent)
    : QQuickItem(parent)
{
    // Inactive until the page first appears.
    QQuickItem::setEnabled(false);
}

BaseViewController::~BaseViewController()
{
    logLifecycle(" deleted");
}

void BaseViewController::logLifecycle(const char* suffix) const
{
    qDebug().noquote().nospace() << "View " << m_title << suffix;
}

void BaseViewController::setTitle(const QString& title)
{
    m_title = title;
    emit titleChanged(m_title);
}

void BaseViewController::setButtonsModel(QObject* model)
{
    m_buttonsModel = model;
    emit buttonsModelChanged(model);
}

void BaseViewController::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    emit activeChanged(active);
    QQuickItem::setEnabled(active);
    logLifecycle(active ? " became ACTIVE" : " became INACTIVE");
}

void BaseViewController::viewDidLoad()
{
    logLifecycle(" did load");
}

void BaseViewController::viewWillAppear()
{
    logLifecycle(" will appear");
    setActive(true);
}

void BaseViewController::viewDidAppear()
{
    logLifecycle(" did appear");
    setActive(true);
}

void BaseViewController::viewWillDisappear()
{
    logLifecycle(" will disappear");
    setActive(false);
}

void BaseViewController::viewDidDisappear()
{
    logLifecycle(" did disappear");
    setActive(false);
}

} // namespace kiv
