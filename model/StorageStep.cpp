#include "model/StorageStep.h"

#include <QDebug>

#include <exception>

namespace kiv {

bool runStorageStep(const char* failure, const std::function<bool()>& step)
{
    try {
        return step();
    } catch (const std::exception& e) {
        qDebug() << failure << e.what();
        return false;
    }
}

} // namespace kiv
