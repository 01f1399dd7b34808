#pragma once

#include "model/AbstractProjectListModel.h"

namespace kiv {

// A project's symbols for QML, read from the project on every request. The
// first record ("Symbol Undefined" in the default set) is never listed.
class SymbolListModel : public AbstractProjectListModel
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
    bool nameTakenByOther(const QString& name, int symbolId) const;
};

} // namespace kiv
