// What an action reads from its sender: the control's tag (a row ID or a row index)
// and whether it is on. Our own controls declare the tag as the property "tag"; Qt's
// own controls carry it as a dynamic property of the same name.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QVariant>

#include "ui/ButtonYellow.h"

namespace lendmode::ui {

inline void setTag(QObject* control, qint64 tag) {
    if (control) control->setProperty("tag", QVariant::fromValue<qint64>(tag));
}

// 0 when the control has no tag.
inline qint64 tagOf(const QObject* control) {
    return control ? control->property("tag").toLongLong() : 0;
}

// On only when fully on: a check box in the mixed state counts as off.
inline bool isOn(const QAbstractButton* button) {
    if (!button) return false;
    if (const auto* box = qobject_cast<const QCheckBox*>(button)) return box->checkState() == Qt::Checked;
    if (const auto* yellow = qobject_cast<const ButtonYellow*>(button)) return yellow->state() == Qt::Checked;
    return button->isChecked();
}

}  // namespace lendmode::ui
