// The application list: a list view over an AppListModel drawn by an AppCellDelegate,
// with its vertical scroll bar always shown and no selection. The keyboard's current
// row is drawn (Space toggles it), and an empty list says so.
#pragma once

#include <QListView>

namespace lendmode {

// The identifier of the preferences window's nested application list.
inline constexpr const char* kTableAppID = "TableAppID";

class AppTableView : public QListView {
    Q_OBJECT
    Q_PROPERTY(QString identifier READ identifier WRITE setIdentifier)

public:
    explicit AppTableView(QWidget* parent = nullptr);

    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    // Draws the rows afresh from the model.
    void reloadData();
    QSize sizeHint() const override { return {300, 220}; }
    // What the list shows when it has no rows.
    static QString emptyText();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void contrastScrollBar();

private:
    QString identifier_;
};

}  // namespace lendmode
