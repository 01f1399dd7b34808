#include "app/DialogController.h"

#include <QThread>
#include <QVariant>

namespace kiv {

const QString DialogController::errorGlyph = QString(QChar(0xE8D0));
const QString DialogController::infoGlyph = QString(QChar(0xE820));
const QString DialogController::okGlyph = QString(QChar(0xE8C4));

namespace {

template <typename T, typename Signal>
void assign(DialogController* owner, T& field, const T& value, Signal signal)
{
    if (field == value)
        return;
    field = value;
    emit(owner->*signal)(value);
}

template <typename T, typename Signal>
void assignPointer(DialogController* owner, QPointer<T>& field, T* value, Signal signal)
{
    if (field.data() == value)
        return;
    field = value;
    emit(owner->*signal)(value);
}

} // namespace

DialogController::DialogController(QObject* parent)
    : QObject(parent)
{
    connect(this, &DialogController::toastReadyChanged, this, &DialogController::onToastReadyChanged);
    connect(this, &DialogController::displayToast, this, &DialogController::onToastActiveChanged);
}

template <typename Fn>
bool DialogController::postedToOwnThread(Fn fn)
{
    if (QThread::currentThread() == thread())
        return false;
    QMetaObject::invokeMethod(this, fn, Qt::QueuedConnection);
    return true;
}

int DialogController::toastDuration() const
{
    return m_toasts.isEmpty() ? 0 : m_toasts.first().duration;
}

QString DialogController::toastIcon() const
{
    return m_toasts.isEmpty() ? QString() : m_toasts.first().icon;
}

QString DialogController::toastMessage() const
{
    return m_toasts.isEmpty() ? QString() : m_toasts.first().message;
}

bool DialogController::toastBlocksInteraction() const
{
    return !m_toasts.isEmpty() && m_toasts.first().blocksInteraction;
}

void DialogController::setDialogActive(bool active)
{
    assign(this, m_dialogActive, active, &DialogController::dialogActiveChanged);
}

void DialogController::setMessageBoxActive(bool active)
{
    assign(this, m_messageBoxActive, active, &DialogController::messageBoxActiveChanged);
}

void DialogController::setMessageBoxTitle(const QString& title)
{
    assign(this, m_messageBoxTitle, title, &DialogController::messageBoxTitleChanged);
}

void DialogController::setMessageBoxMessage(const QString& message)
{
    assign(this, m_messageBoxMessage, message, &DialogController::messageBoxMessageChanged);
}

void DialogController::setMessageBoxButtonsModel(QObject* model)
{
    assignPointer(this, m_messageBoxButtonsModel, model, &DialogController::messageBoxButtonsModelChanged);
}

void DialogController::setOkButton(QObject* model)
{
    assignPointer(this, m_okButton, model, &DialogController::okButtonChanged);
}

void DialogController::setYesNoButtons(QObject* model)
{
    assignPointer(this, m_yesNoButtons, model, &DialogController::yesNoButtonsChanged);
}

void DialogController::setRootItem(QQuickItem* item)
{
    assignPointer(this, m_rootItem, item, &DialogController::rootItemChanged);
}

void DialogController::setCustomDialogActive(bool active)
{
    assign(this, m_customDialogActive, active, &DialogController::customDialogActiveChanged);
}

void DialogController::setCustomDialogType(const QString& type)
{
    assign(this, m_customDialogType, type, &DialogController::customDialogTypeChanged);
}

void DialogController::setCustomDialog(QObject* dialog)
{
    assignPointer(this, m_customDialog, dialog, &DialogController::customDialogChanged);
}

void DialogController::setToastReady(bool ready)
{
    assign(this, m_toastReady, ready, &DialogController::toastReadyChanged);
}

void DialogController::messageBox(const QString& title, const QString& message, QObject* buttonModel)
{
    if (postedToOwnThread([=] { messageBox(title, message, buttonModel); }))
        return;
    setMessageBoxTitle(title);
    setMessageBoxMessage(message);
    setMessageBoxButtonsModel(buttonModel);
    setCustomDialogActive(false);
    setDialogActive(true);
    setMessageBoxActive(true);
}

void DialogController::messageBox(const QString& title, const QString& message)
{
    messageBox(title, message, nullptr);
}

void DialogController::launchCustomDialog(const QString& dialogType)
{
    if (postedToOwnThread([=] { launchCustomDialog(dialogType); }))
        return;
    setCustomDialogType(dialogType);
    setMessageBoxActive(false);
    setDialogActive(true);
    setCustomDialogActive(true);
}

void DialogController::dismissDialog(int retVal)
{
    if (postedToOwnThread([=] { dismissDialog(retVal); }))
        return;
    setDialogActive(false);
    setMessageBoxActive(false);
    setCustomDialogActive(false);
    // Cleared first, so a receiver may launch the next dialog from its answer.
    setCustomDialogType(QString());
    emit result(retVal);
    // Each connection serves exactly one answer.
    disconnect(this, &DialogController::result, nullptr, nullptr);
}

void DialogController::toast(const QString& message, const QString& icon, int duration)
{
    if (postedToOwnThread([=] { toast(message, icon, duration); }))
        return;
    const bool wasEmpty = m_toasts.isEmpty();
    m_toasts.append({ icon, message, duration, false });
    if (m_toastReady && wasEmpty)
        emit displayToast();
}

void DialogController::toast(const QString& message, const QString& icon)
{
    toast(message, icon, defaultToastDuration);
}

void DialogController::toast(const QString& message)
{
    toast(message, infoGlyph, defaultToastDuration);
}

void DialogController::toastError(const QString& message, int duration)
{
    toast(message, errorGlyph, duration);
}

void DialogController::toastError(const QString& message)
{
    toast(message, errorGlyph, defaultToastDuration);
}

void DialogController::toastInfo(const QString& message, int duration)
{
    toast(message, infoGlyph, duration);
}

void DialogController::toastInfo(const QString& message)
{
    toast(message, infoGlyph, defaultToastDuration);
}

void DialogController::toastOk(const QString& message, int duration)
{
    toast(message, okGlyph, duration);
}

void DialogController::toastOk(const QString& message)
{
    toast(message, okGlyph, defaultToastDuration);
}

void DialogController::dismissToast()
{
    if (postedToOwnThread([=] { dismissToast(); }))
        return;
    if (m_toasts.isEmpty())
        return;
    m_toasts.removeFirst();
    if (!m_toasts.isEmpty())
        emit displayToast();
}

void DialogController::modalWait(const QString& text)
{
    invokeModalWait(QVariant(text));
}

void DialogController::modalWait(bool v)
{
    invokeModalWait(QVariant(v));
}

void DialogController::invokeModalWait(const QVariant& argument)
{
    if (postedToOwnThread([=] { invokeModalWait(argument); }))
        return;
    if (!m_rootItem)
        return;
    QMetaObject::invokeMethod(m_rootItem.data(), "modalWait", Qt::QueuedConnection, Q_ARG(QVariant, argument));
}

void DialogController::onToastReadyChanged()
{
    if (m_toastReady && !m_toasts.isEmpty())
        emit displayToast();
}

void DialogController::onToastActiveChanged()
{
    emit toastDurationChanged(toastDuration());
    emit toastIconChanged(toastIcon());
    emit toastMessageChanged(toastMessage());
    emit toastBlocksInteractionChanged(toastBlocksInteraction());
}

} // namespace kiv
