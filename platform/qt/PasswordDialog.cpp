#include "platform/qt/PasswordDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/SymbolCanvas.h"

namespace platform::qt {
namespace {

// A padlock in the flat style of the alerts' symbols: a blue rounded body with a white
// keyhole under a grey shackle, sharp at any scale.
QPixmap lockSymbol(qreal pixelRatio) {
    QPixmap pixmap = symbolCanvas(pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8E, 0x8E, 0x93), 6, Qt::SolidLine, Qt::RoundCap));
    QPainterPath shackle;
    shackle.moveTo(17, 26);
    shackle.lineTo(17, 18);
    shackle.arcTo(QRectF(17, 6, 22, 24), 180, -180);
    shackle.lineTo(39, 26);
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0A, 0x84, 0xFF));
    p.drawRoundedRect(QRectF(8, 24, 40, 28), 6, 6);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(24, 31, 8, 8));
    p.drawRoundedRect(QRectF(26, 36, 4, 10), 2, 2);
    return pixmap;
}

}  // namespace

PasswordDialog::PasswordDialog(const QString& reason, bool again, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Lendmode"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* symbol = new QLabel;
    symbol->setPixmap(lockSymbol(devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignTop);

    // The headline in bold and a little larger, as in the alerts.
    auto* headline = new QLabel(again ? QStringLiteral("Wrong password. Try again.")
                                      : QStringLiteral("Lendmode needs the owner's password"));
    headline->setObjectName(QStringLiteral("headline"));
    QFont bold = headline->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    headline->setFont(bold);

    const QString what = reason.isEmpty() ? QStringLiteral("Enter the owner's password.")
                                          : QStringLiteral("Enter the owner's password to %1.").arg(reason);
    auto* details = new QLabel(what);
    details->setObjectName(QStringLiteral("reason"));
    details->setWordWrap(true);
    details->setMinimumWidth(360);

    field_ = new QLineEdit;
    field_->setObjectName(QStringLiteral("passwordField"));
    field_->setEchoMode(QLineEdit::Password);
    field_->setPlaceholderText(QStringLiteral("Password"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {ok, cancel}) button->setMinimumWidth(88);
    // An empty answer is never the password: OK waits for something to check.
    ok->setEnabled(false);
    ok->setDefault(true);
    connect(field_, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* texts = new QVBoxLayout;
    texts->addWidget(headline);
    texts->addWidget(details);
    texts->addSpacing(6);
    texts->addWidget(field_);
    texts->addSpacing(6);
    texts->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(16);
    layout->addWidget(symbol, 0, Qt::AlignTop);
    layout->addLayout(texts);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    field_->setFocus();
}

QString PasswordDialog::password() const {
    return field_->text();
}

std::optional<std::string> askOwnerPassword(const std::string& reason, bool again) {
    PasswordDialog dialog(QString::fromStdString(reason), again);
    dialog.raise();
    dialog.activateWindow();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password().toStdString();
}

}  // namespace platform::qt
