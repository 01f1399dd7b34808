#pragma once

#include <QSortFilterProxyModel>

namespace kiv {

// Plane and line symbols of a source model that gives the symbol type under
// the proxy's filter role: a project's symbol list or the theme's icon list.
// Sightings never pass; either kind can be filtered out.
class FilteredSymbolListModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(bool filterPlaneSymbols READ filterPlaneSymbols WRITE setFilterPlaneSymbols NOTIFY
                   filterPlaneSymbolsChanged)
    Q_PROPERTY(bool filterLineSymbols READ filterLineSymbols WRITE setFilterLineSymbols NOTIFY
                   filterLineSymbolsChanged)

public:
    explicit FilteredSymbolListModel(QObject* parent = nullptr);
    ~FilteredSymbolListModel() override;

    bool filterPlaneSymbols() const { return m_filterPlaneSymbols; }
    void setFilterPlaneSymbols(bool filter);
    bool filterLineSymbols() const { return m_filterLineSymbols; }
    void setFilterLineSymbols(bool filter);

    // The first proxy row whose role of that name holds the value; -1 when
    // none does or the source has no such role.
    Q_INVOKABLE int getIndexByIconId(int iconId) const;
    Q_INVOKABLE int getIndexBySymbolId(int symbolId) const;

public slots:
    // The source list's add when the source is a project's symbol list.
    bool addSymbol(const QString& name, int iconId);

signals:
    void filterPlaneSymbolsChanged(bool filterPlaneSymbols);
    void filterLineSymbolsChanged(bool filterLineSymbols);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    int indexByRoleValue(const QByteArray& roleName, int value) const;

    bool m_filterPlaneSymbols = false;
    bool m_filterLineSymbols = false;
};

} // namespace kiv
