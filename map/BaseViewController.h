#pragma once

#include <QPointer>
#include <QQuickItem>
#include <QString>

namespace kiv {

// Root item of a page: a title, an optional buttons model and the page's
// lifecycle. A page that is not active is disabled, so it takes no input.
class BaseViewController : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QObject* buttonsModel READ buttonsModel WRITE setButtonsModel NOTIFY buttonsModelChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)

public:
    explicit BaseViewController(QQuickItem* parent = nullptr);
    ~BaseViewController() override;

    QString title() const { return m_title; }
    // Both announce every call, even with an unchanged value.
    void setTitle(const QString& title);
    QObject* buttonsModel() const { return m_buttonsModel; }
    void setButtonsModel(QObject* model);
    bool active() const { return m_active; }
    void setActive(bool active);

public slots:
    virtual void viewDidLoad();
    virtual void viewWillAppear();
    virtual void viewDidAppear();
    virtual void viewWillDisappear();
    virtual void viewDidDisappear();

signals:
    void titleChanged(const QString& title);
    void buttonsModelChanged(QObject* model);
    void activeChanged(bool active);

private:
    void logLifecycle(const char* suffix) const;

    QString m_title;
    QPointer<QObject> m_buttonsModel;
    bool m_active = false;
};

} // namespace kiv
