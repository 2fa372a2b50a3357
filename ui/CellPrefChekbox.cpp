#include "ui/CellPrefChekbox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "model/Keys.h"
#include "ui/AppTableView.h"
#include "ui/ButtonYellow.h"
#include "ui/CheckBox.h"
#include "ui/DoubleSlider.h"
#include "ui/SegmentedControl.h"
#include "ui/Tags.h"
#include "ui/Theme.h"

namespace lendmode {
namespace {

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

bool CellPrefChekbox::isKnownIdentifier(const QString& identifier) {
    return identifier == QLatin1String(cells::kSegment2Custom) ||
           identifier == QLatin1String(cells::kChekbox) ||
           identifier == QLatin1String(cells::kSegmentControl3) ||
           identifier == QLatin1String(cells::kAppListCell);
}

CellPrefChekbox* CellPrefChekbox::make(const QString& identifier, QWidget* parent) {
    return isKnownIdentifier(identifier) ? new CellPrefChekbox(identifier, parent) : nullptr;
}

CellPrefChekbox::CellPrefChekbox(const QString& identifier, QWidget* parent)
    : QWidget(parent), identifier_(identifier) {
    setObjectName(identifier);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 8, 20, 8);
    column->setSpacing(6);

    title1 = named(new QLabel(this), "title1");
    ui::makeTitle(title1, 1.0, QFont::Medium);

    if (identifier == QLatin1String(cells::kAppListCell)) {
        column->addWidget(title1);
        tableApp = named(new AppTableView(this), "tableApp");
        tableApp->setIdentifier(QLatin1String(kTableAppID));
        tableApp->setMinimumHeight(168);
        column->addWidget(tableApp, 1);
        auto* hint = named(new QLabel(tr("Ticked applications are quit at switch-on and cannot be opened "
                                         "until Lendmode is off."),
                                      this),
                           "hint");
        hint->setWordWrap(true);
        ui::makeSecondary(hint);
        column->addWidget(hint);
        QSizePolicy policy = sizePolicy();
        policy.setVerticalStretch(1);
        policy.setVerticalPolicy(QSizePolicy::Expanding);
        setSizePolicy(policy);
        return;
    }

    // A caption column on the left, the control on the right.
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    auto* captions = new QVBoxLayout;
    captions->setSpacing(2);
    captions->addWidget(title1);
    line->addLayout(captions, 1);

    if (identifier == QLatin1String(cells::kSegment2Custom)) {
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        button1 = named(new ButtonYellow(this), "button1");
        button1->setTag(1);
        button2 = named(new ButtonYellow(this), "button2");
        button2->setTag(2);
        for (ButtonYellow* b : {button1, button2}) {
            b->setMinimumWidth(112);
            b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
            pair->addWidget(b);
        }
        line->addLayout(pair);
    } else {
        title2 = named(new QLabel(this), "title2");
        title2->setWordWrap(true);
        ui::makeSecondary(title2);
        captions->addWidget(title2);
        if (identifier == QLatin1String(cells::kChekbox)) {
            box = named(new CheckBox(this), "box");
            line->addWidget(box, 0, Qt::AlignVCenter);
        } else {
            segmentControl = named(new SegmentedControl(this), "segmentControl");
            segmentControl->setSegmentCount(3);
            segmentControl->setFixedWidth(276);  // the same for every three-way row
            line->addWidget(segmentControl, 0, Qt::AlignVCenter);
        }
    }
    column->addLayout(line);

    slider = named(new DoubleSlider(this), "slider");
    slider->hide();
    column->addWidget(slider);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CellPrefChekbox::prepareForReuse() {
    for (QLabel* label : {title1, title2}) {
        if (label) label->clear();
    }
    if (box) {
        box->setCheckState(Qt::Unchecked);
        ui::setTag(box, 0);
    }
    if (segmentControl) {
        segmentControl->setLabels(QStringList(segmentControl->segmentCount(), QString()));
        segmentControl->setSelectedSegment(-1);
        segmentControl->setTag(0);
    }
    if (slider) {
        const QSignalBlocker quiet(slider);
        slider->setMinValue(0.0);
        slider->setMaxValue(1.0);
        slider->setDoubleValue(0.0);
        slider->setTag(0);
        slider->hide();
    }
    for (ButtonYellow* button : {button1, button2}) {
        if (!button) continue;
        button->setText(QString());
        button->setState(Qt::Unchecked);
    }
}

}  // namespace lendmode
