#include "map/ProjectViewController.h"

#include <QDebug>

namespace kiv {

ProjectViewController::ProjectViewController(QQuickItem* parent)
    : BaseViewController(parent)
{
}

ProjectViewController::~ProjectViewController()
{
    qDebug() << "ProjectViewController::~ProjectViewController";
}

void ProjectViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
}

} // namespace kiv
