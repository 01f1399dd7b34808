#include "app/UpdateReminder.h"

#include <QDateTime>
#include <QSettings>
#include <QStringList>

namespace kiv {

namespace {

const QString RemindAfterKey = QStringLiteral("NewVersionRemindMeLaterTime");

QStringList buildParts(const QString& number)
{
    return number.split(QLatin1Char('.'), Qt::SkipEmptyParts);
}

} // namespace

std::optional<bool> UpdateReminder::isNewerBuild(const QString& current, const QString& candidate)
{
    const QStringList have = buildParts(current);
    const QStringList offered = buildParts(candidate);
    if (have.size() != 4 || offered.size() != 4)
        return std::nullopt;
    for (int i = 0; i < 4; ++i) {
        const int a = have[i].toInt();
        const int b = offered[i].toInt();
        if (a != b)
            return b > a;
    }
    return false;
}

bool UpdateReminder::isDue()
{
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime remindAfter = QSettings().value(RemindAfterKey).toDateTime();
    if (!remindAfter.isValid())
        remindAfter = now.addDays(-2);
    return remindAfter.daysTo(now) > 0;
}

void UpdateReminder::remindLater()
{
    QSettings().setValue(RemindAfterKey, QDateTime::currentDateTime());
}

} // namespace kiv
