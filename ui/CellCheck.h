// The cell of one application in the application lists: a check box (the disabled
// flag), the application's icon and its name. The lists keep one cell, fill it for
// each row they draw and draw from it (AppCellDelegate); the row index travels in the
// tag of buttonCheck. nomer is kept for the cell's own use and set by nobody.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace lendmode {

class ImageView;

class CellCheck : public QWidget {
    Q_OBJECT
public:
    explicit CellCheck(QWidget* parent = nullptr);

    QCheckBox* buttonCheck = nullptr;
    QLabel* title1 = nullptr;
    ImageView* iconApp = nullptr;
    qint64 nomer = 0;
};

}  // namespace lendmode
