#include "ui/CellCheck.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

#include "ui/CheckBox.h"
#include "ui/ImageView.h"

namespace lendmode {

CellCheck::CellCheck(QWidget* parent) : QWidget(parent) {
    buttonCheck = new CheckBox(this);
    buttonCheck->setObjectName(QStringLiteral("buttonCheck"));
    iconApp = new ImageView(this);
    iconApp->setObjectName(QStringLiteral("iconApp"));
    title1 = new QLabel(this);
    title1->setObjectName(QStringLiteral("title1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(6);
    layout->addWidget(buttonCheck);
    layout->addWidget(iconApp);
    layout->addWidget(title1, 1);
}

}  // namespace lendmode
