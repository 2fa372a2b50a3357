// The cell of one definition row in the preferences window. One cell kind per row
// kind, named by the row's "idCell"; each kind has only the controls it shows, and the
// outlets of the others stay empty:
//   "Segment2Custom"  title1, button1 (tag 1) and button2 (tag 2): a two-part switch
//   "Chekbox"         title1, title2, box
//   "SegmentControl3" title1, title2, segmentControl with three segments
//   "AppListCell"     title1, tableApp (a list with the identifier "TableAppID")
// Every kind but "AppListCell" also has a slider, hidden until a row with slider keys
// is shown in it.
#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;

namespace lendmode {

class AppTableView;
class ButtonYellow;
class DoubleSlider;
class SegmentedControl;

class CellPrefChekbox : public QWidget {
    Q_OBJECT
public:
    // A cell of a known kind, or nullptr for any other identifier.
    static CellPrefChekbox* make(const QString& identifier, QWidget* parent = nullptr);
    static bool isKnownIdentifier(const QString& identifier);

    QString identifier() const { return identifier_; }

    // Puts every control back as a new cell has it, before the cell shows another row:
    // empty texts and labels, nothing selected, boxes and buttons off, tags 0, the
    // slider hidden.
    void prepareForReuse();

    QLabel* title1 = nullptr;
    QLabel* title2 = nullptr;
    QCheckBox* box = nullptr;
    DoubleSlider* slider = nullptr;
    SegmentedControl* segmentControl = nullptr;
    AppTableView* tableApp = nullptr;
    ButtonYellow* button1 = nullptr;
    ButtonYellow* button2 = nullptr;

private:
    CellPrefChekbox(const QString& identifier, QWidget* parent);

    QString identifier_;
};

}  // namespace lendmode
