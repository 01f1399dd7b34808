#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QString>

namespace kiv {

// The one way native code and QML raise message boxes, custom dialogs,
// toasts and the modal "working" overlay.
class DialogController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool dialogActive READ dialogActive WRITE setDialogActive NOTIFY dialogActiveChanged)
    Q_PROPERTY(bool messageBoxActive READ messageBoxActive WRITE setMessageBoxActive NOTIFY messageBoxActiveChanged)
    Q_PROPERTY(QString messageBoxTitle READ messageBoxTitle WRITE setMessageBoxTitle NOTIFY messageBoxTitleChanged)
    Q_PROPERTY(QString messageBoxMessage READ messageBoxMessage WRITE setMessageBoxMessage NOTIFY messageBoxMessageChanged)
    Q_PROPERTY(QObject* messageBoxButtonsModel READ messageBoxButtonsModel WRITE setMessageBoxButtonsModel NOTIFY
                   messageBoxButtonsModelChanged)
    Q_PROPERTY(QObject* okButton READ okButton WRITE setOkButton NOTIFY okButtonChanged)
    Q_PROPERTY(QObject* yesNoButtons READ yesNoButtons WRITE setYesNoButtons NOTIFY yesNoButtonsChanged)
    Q_PROPERTY(QQuickItem* rootItem READ rootItem WRITE setRootItem NOTIFY rootItemChanged)
    Q_PROPERTY(bool customDialogActive READ customDialogActive WRITE setCustomDialogActive NOTIFY
                   customDialogActiveChanged)
    Q_PROPERTY(QString customDialogType READ customDialogType WRITE setCustomDialogType NOTIFY customDialogTypeChanged)
    Q_PROPERTY(QObject* customDialog READ customDialog WRITE setCustomDialog NOTIFY customDialogChanged)
    Q_PROPERTY(bool toastReady READ toastReady WRITE setToastReady NOTIFY toastReadyChanged)
    Q_PROPERTY(int toastDuration READ toastDuration NOTIFY toastDurationChanged)
    Q_PROPERTY(QString toastIcon READ toastIcon NOTIFY toastIconChanged)
    Q_PROPERTY(QString toastMessage READ toastMessage NOTIFY toastMessageChanged)
    Q_PROPERTY(bool toastBlocksInteraction READ toastBlocksInteraction NOTIFY toastBlocksInteractionChanged)

public:
    struct Toast
    {
        QString icon;
        QString message;
        int duration = 0;
        bool blocksInteraction = false;
    };

    static const QString errorGlyph;
    static const QString infoGlyph;
    static const QString okGlyph;
    static constexpr int defaultToastDuration = 2000;

    explicit DialogController(QObject* parent = nullptr);

    bool dialogActive() const { return m_dialogActive; }
    bool messageBoxActive() const { return m_messageBoxActive; }
    QString messageBoxTitle() const { return m_messageBoxTitle; }
    QString messageBoxMessage() const { return m_messageBoxMessage; }
    QObject* messageBoxButtonsModel() const { return m_messageBoxButtonsModel; }
    QObject* okButton() const { return m_okButton; }
    QObject* yesNoButtons() const { return m_yesNoButtons; }
    QQuickItem* rootItem() const { return m_rootItem; }
    bool customDialogActive() const { return m_customDialogActive; }
    QString customDialogType() const { return m_customDialogType; }
    QObject* customDialog() const { return m_customDialog; }
    bool toastReady() const { return m_toastReady; }
    int toastDuration() const;
    QString toastIcon() const;
    QString toastMessage() const;
    bool toastBlocksInteraction() const;
    const QList<Toast>& toasts() const { return m_toasts; }

    void setDialogActive(bool active);
    void setMessageBoxActive(bool active);
    void setMessageBoxTitle(const QString& title);
    void setMessageBoxMessage(const QString& message);
    void setMessageBoxButtonsModel(QObject* model);
    void setOkButton(QObject* model);
    void setYesNoButtons(QObject* model);
    void setRootItem(QQuickItem* item);
    void setCustomDialogActive(bool active);
    void setCustomDialogType(const QString& type);
    void setCustomDialog(QObject* dialog);
    void setToastReady(bool ready);

public slots:
    void messageBox(const QString& title, const QString& message, QObject* buttonModel);
    void messageBox(const QString& title, const QString& message);
    void launchCustomDialog(const QString& dialogType);
    void dismissDialog(int retVal);
    void toast(const QString& message, const QString& icon, int duration);
    void toast(const QString& message, const QString& icon);
    void toast(const QString& message);
    void toastError(const QString& message, int duration);
    void toastError(const QString& message);
    void toastInfo(const QString& message, int duration);
    void toastInfo(const QString& message);
    void toastOk(const QString& message, int duration);
    void toastOk(const QString& message);
    void dismissToast();
    void modalWait(const QString& text);
    void modalWait(bool v);
    void onToastReadyChanged();
    void onToastActiveChanged();

signals:
    void dialogActiveChanged(bool dialogActive);
    void messageBoxActiveChanged(bool messageBoxActive);
    void messageBoxTitleChanged(const QString& messageBoxTitle);
    void messageBoxMessageChanged(const QString& messageBoxMessage);
    void messageBoxButtonsModelChanged(QObject* messageBoxButtonsModel);
    void okButtonChanged(QObject* okButton);
    void yesNoButtonsChanged(QObject* yesNoButtons);
    void rootItemChanged(QQuickItem* rootItem);
    void customDialogActiveChanged(bool customDialogActive);
    void customDialogTypeChanged(const QString& customDialogType);
    void customDialogChanged(QObject* customDialog);
    void toastReadyChanged(bool toastReady);
    void toastDurationChanged(int toastDuration);
    void toastIconChanged(const QString& toastIcon);
    void toastMessageChanged(const QString& toastMessage);
    void toastBlocksInteractionChanged(bool toastBlocksInteraction);
    void result(int result);
    void displayToast();

private:
    // Slots called from another thread run again on the controller's thread.
    template <typename Fn>
    bool postedToOwnThread(Fn fn);
    void invokeModalWait(const QVariant& argument);

    bool m_dialogActive = false;
    bool m_messageBoxActive = false;
    QString m_messageBoxTitle;
    QString m_messageBoxMessage;
    QPointer<QObject> m_messageBoxButtonsModel;
    QPointer<QObject> m_okButton;
    QPointer<QObject> m_yesNoButtons;
    QPointer<QQuickItem> m_rootItem;
    bool m_customDialogActive = false;
    QString m_customDialogType;
    QPointer<QObject> m_customDialog;
    bool m_toastReady = false;
    QList<Toast> m_toasts;
};

} // namespace kiv
