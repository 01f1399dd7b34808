#include "support/ApplicationIdentity.h"

#include <QCoreApplication>

namespace kiv::test {

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("KIV"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quarzel.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Quarzel"));
}

} // namespace kiv::test
