#include "Database/StartLeftovers.h"

#include <QFileInfo>

#include <utility>

namespace kiv {

void StartLeftovers::addProjectRule(ProjectRule rule)
{
    m_projectRules.push_back(std::move(rule));
}

void StartLeftovers::addRule(Rule rule)
{
    m_rules.push_back(std::move(rule));
}

QStringList StartLeftovers::projectFolders(const QString& documentsFolder, const QStringList& given)
{
    QStringList candidates;
    if (!documentsFolder.isEmpty()) {
        const QDir::Filters folders = QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot;
        for (const QFileInfo& project : QDir(documentsFolder).entryInfoList({QStringLiteral("*.qz")}, folders))
            candidates << project.absoluteFilePath();
    }
    candidates += given;
    QStringList seen;
    QStringList result;
    for (const QString& candidate : candidates) {
        const QFileInfo folder(candidate);
        const QString canonical = folder.canonicalFilePath();
        if (!folder.isDir() || folder.isSymLink() || canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen << canonical;
        result << folder.absoluteFilePath();
    }
    return result;
}

int StartLeftovers::settle(const QString& documentsFolder, const QStringList& projectFolders) const
{
    int settled = 0;
    for (const Rule& rule : m_rules)
        settled += rule();
    for (const QString& folder : StartLeftovers::projectFolders(documentsFolder, projectFolders)) {
        const QDir project(folder);
        for (const ProjectRule& rule : m_projectRules)
            settled += rule(project);
    }
    return settled;
}

} // namespace kiv
