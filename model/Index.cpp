#include "model/Index.h"

#include "Database/Quarzel.pb.h"
#include "Database/Records.h"
#include "model/Project.h"

#include <QByteArray>
#include <QSettings>

namespace kiv {

const QString Index::Key = QStringLiteral("index-key");

Index::Index()
{
    QSettings settings;
    if (!settings.contains(Key))
        settings.setValue(Key, QByteArray());
}

std::vector<QDir> Index::load() const
{
    QZProtoBuffers::Index record;
    const QByteArray stored = QSettings().value(Key).toByteArray();
    // A damaged value yields what could be read before the fault.
    if (!stored.isEmpty())
        record.ParseFromArray(stored.constData(), stored.size());
    std::vector<QDir> folders;
    for (const std::string& path : record.projectpath()) {
        const QDir folder(QString::fromUtf8(path.data(), static_cast<int>(path.size())));
        if (folder.exists() && folder.exists(QStringLiteral("main.db")))
            folders.push_back(folder);
    }
    return folders;
}

void Index::save(const std::vector<std::shared_ptr<Project>>& projects)
{
    QZProtoBuffers::Index record;
    for (const auto& project : projects)
        record.add_projectpath(project->folder().absolutePath().toUtf8().toStdString());
    std::string bytes;
    if (!serializeRecord(record, &bytes))
        return;
    QSettings().setValue(Key, QByteArray(bytes.data(), static_cast<int>(bytes.size())));
}

} // namespace kiv
