// The rows of an application list: copies of the application records
// [name, disabled flag, bundle path] of the list the window shows. Icons are asked of
// the workspace only when a row is drawn, and kept per bundle path.
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>

#include "base/plist/Value.h"

namespace lendmode {

class CellCheck;

class AppListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1 };

    explicit AppListModel(QObject* parent = nullptr);

    const plist::Array& records() const { return records_; }
    // Takes a new list. A list of the same length updates the rows in place, so the
    // views keep their scroll position.
    void setRecords(plist::Array records);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The workspace icon of a bundle path, or a generic application icon when there is
    // no workspace or it has none.
    QIcon iconForPath(const QString& path) const;
    // Fills an application cell for one record: name, flag (its tag the row), icon.
    // Rows outside the list leave the cell as it is.
    void fillCell(CellCheck& cell, int row) const;
    static QIcon genericApplicationIcon();

private:
    plist::Array records_;
    mutable QHash<QString, QIcon> icons_;
    mutable QIcon generic_;
};

}  // namespace lendmode
