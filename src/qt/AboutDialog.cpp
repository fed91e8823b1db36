#include "qt/AboutDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "qt/Artwork.h"

namespace quillon::qt {

QString VersionLine() { return QStringLiteral("Quillon Version ") + QStringLiteral(QUILLON_VERSION_TEXT); }

AboutDialog::AboutDialog(QWidget* parent) : AboutDialog(AboutBox{AboutVersionLine(), {}}, parent) {}

AboutDialog::AboutDialog(const AboutBox& about, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quillon"));
    setWindowIcon(AppIcon());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(AppIcon().pixmap(QSize(48, 48), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* version = new QLabel(QString::fromStdString(about.version_line), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    auto* what = new QLabel(QStringLiteral("Configuration wizard for an embedded TCP/IP stack"), this);
    what->setObjectName(QStringLiteral("aboutDescription"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(version, 0, 1);
    grid->addWidget(what, 1, 1);
    int row = 2;
    for (const std::string& line : about.notices) {
        auto* notice = new QLabel(QString::fromStdString(line), this);
        notice->setObjectName(QStringLiteral("aboutNotice"));
        // A warning, not a credit: it must not read as part of the description.
        QFont bold = notice->font();
        bold.setBold(true);
        notice->setFont(bold);
        grid->addWidget(notice, row++, 1);
    }
    grid->addWidget(buttons, row, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace quillon::qt
