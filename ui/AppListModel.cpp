#include "ui/AppListModel.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <climits>

#include "platform/IconTile.h"
#include "platform/QtPorts.h"
#include "ui/CellCheck.h"
#include "ui/ImageView.h"
#include "ui/RowValues.h"
#include "ui/Tags.h"

namespace lendmode {

AppListModel::AppListModel(Source source, QObject* parent)
    : QAbstractListModel(parent), source_(std::move(source)) {
    rows_ = static_cast<int>(std::min<std::size_t>(records().size(), INT_MAX));
}

const plist::Array& AppListModel::records() const {
    const plist::Array* list = source_ ? source_() : nullptr;
    return list ? *list : lastShown_;
}

void AppListModel::reload() {
    if (const plist::Array* list = source_ ? source_() : nullptr; list && list != seen_) {
        seen_ = list;
        lastShown_ = *list;
    }
    const int rows = static_cast<int>(std::min<std::size_t>(records().size(), INT_MAX));
    if (rows == rows_) {
        if (rows > 0) emit dataChanged(index(0), index(rows - 1));
        return;
    }
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

int AppListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant AppListModel::data(const QModelIndex& index, int role) const {
    const plist::Array& list = records();
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list.size()) return {};
    const plist::Value& record = list[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole: return ui::recordName(record);
        // The whole name, which the row may shorten, and where the application is
        // (two of the same name differ only there).
        case Qt::ToolTipRole: {
            const QString path = ui::recordPath(record);
            return path.isEmpty() ? ui::recordName(record)
                                  : ui::recordName(record) + QLatin1Char('\n') + path;
        }
        case Qt::CheckStateRole: return ui::recordFlag(record) ? Qt::Checked : Qt::Unchecked;
        case PathRole: return ui::recordPath(record);
        case Qt::DecorationRole: return iconForPath(ui::recordPath(record));
        default: return {};
    }
}

Qt::ItemFlags AppListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

QIcon AppListModel::iconForPath(const QString& path) const {
    auto it = icons_.constFind(path);
    if (it != icons_.constEnd()) return *it;
    QIcon icon;
    if (const auto& workspace = platform::qt::qtPorts().workspace; workspace && !path.isEmpty()) {
        icon = workspace->iconForFile(path);
    }
    if (icon.isNull()) {
        if (generic_.isNull()) generic_ = genericApplicationIcon();
        icon = generic_;
    }
    icons_.insert(path, icon);
    return icon;
}

QIcon AppListModel::genericApplicationIcon() {
    QPixmap pixmap =
        platform::qt::applicationIconTile(QColor(0xC7, 0xC7, 0xCC), QColor(0x8E, 0x8E, 0x93), 4, 13);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Four small squares: the familiar "some application" mark.
    p.setBrush(QColor(255, 255, 255, 220));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(18, 18, 12, 12), 3, 3);
    p.drawRoundedRect(QRectF(34, 18, 12, 12), 3, 3);
    p.drawRoundedRect(QRectF(18, 34, 12, 12), 3, 3);
    p.drawRoundedRect(QRectF(34, 34, 12, 12), 3, 3);
    p.end();
    return QIcon(pixmap);
}

void AppListModel::fillCell(CellCheck& cell, int row) const {
    const plist::Array& list = records();
    if (row < 0 || static_cast<std::size_t>(row) >= list.size()) return;
    const plist::Value& record = list[static_cast<std::size_t>(row)];
    cell.title1->setText(ui::recordName(record));
    cell.buttonCheck->setCheckState(ui::recordFlag(record) ? Qt::Checked : Qt::Unchecked);
    ui::setTag(cell.buttonCheck, row);
    cell.iconApp->setImage(iconForPath(ui::recordPath(record)));
}

}  // namespace lendmode
