#pragma once

#include <QAbstractListModel>

namespace kiv {

class Project;

// A project's symbols for QML, read from the project on every request. The
// first record ("Symbol Undefined" in the default set) is never listed.
// Edits go through commands on the current project, so a model refuses them
// while its project is not the current one.
class SymbolListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum SymbolDisplayRoles { SymbolId = Qt::UserRole, Name, IconId, SymbolType, Locked };
    Q_ENUM(SymbolDisplayRoles)

    // Without a project (as QML makes it) the model has no rows.
    explicit SymbolListModel(Project* project = nullptr, QObject* parent = nullptr);
    ~SymbolListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

public slots:
    // Each returns the outcome of its command: false for a taken name, an
    // unknown symbol or a failed write.
    bool addSymbol(const QString& name, int iconId);
    bool modifySymbol(int symbolId, const QString& name, int iconId);
    void removeSymbol(int symbolId);
    void onSymbolsChanged();

signals:
    void symbolCreated(int symbolId);

private:
    bool isEditable() const;
    bool nameTakenByOther(const QString& name, int symbolId) const;

    Project* m_project = nullptr;
    // A row announced as inserted by an add that then failed, until the
    // reset that takes it back.
    int m_failedInsertRows = 0;
};

} // namespace kiv
