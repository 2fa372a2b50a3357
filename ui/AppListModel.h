// The rows of an application list: the application records [name, disabled flag,
// bundle path] of the list the window shows, read where they live rather than copied
// (with tens of thousands of applications a copy per change would cost a frame and
// megabytes). Icons are asked of the workspace only when a row is drawn, and kept per
// bundle path.
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>
#include <functional>

#include "base/plist/Value.h"

namespace lendmode {

class CellCheck;

class AppListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1 };

    // Finds the list: asked on every use and never kept, since the settings replace
    // it when they reload. Nothing: no list.
    using Source = std::function<const plist::Array*()>;
    explicit AppListModel(Source source, QObject* parent = nullptr);

    // The list now; when it has gone (a set without an application row), the last
    // one the window showed.
    const plist::Array& records() const;
    // The list has changed. One of the same length updates the rows in place, so the
    // views keep their scroll position.
    void reload();

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
    Source source_;
    int rows_ = 0;  // as the views were last told
    // A copy of the list, taken when another list replaces it (not at every change),
    // shown only once the list itself has gone.
    const plist::Array* seen_ = nullptr;
    plist::Array lastShown_;
    mutable QHash<QString, QIcon> icons_;
    mutable QIcon generic_;
};

}  // namespace lendmode
