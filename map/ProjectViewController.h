#pragma once

#include "map/BaseViewController.h"

namespace kiv {

// Root of the open project's screen, which hosts the project's pages.
class ProjectViewController : public BaseViewController
{
    Q_OBJECT
public:
    explicit ProjectViewController(QQuickItem* parent = nullptr);
    ~ProjectViewController() override;

    // Called before the project closes; nothing to save here yet.
    Q_INVOKABLE void prepareToClose() {}

public slots:
    void viewDidLoad() override;
};

} // namespace kiv
