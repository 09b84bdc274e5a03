#include "frmCredits.h"

#include "Twips.h"
#include "core/Setup.h"
#include "support/Language.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int FormWidth = 4800;
constexpr int Margin = 240;
constexpr int LineHeight = 360;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;

} // namespace

frmCredits::frmCredits(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCredits"));
    setWindowTitle(tr("Credits"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    const int width = FormWidth - 2 * Margin;
    lblProgramName = new QLabel(Language::Text(1), this);
    QFont nameFont = lblProgramName->font();
    nameFont.setPointSize(12);
    nameFont.setBold(true);
    lblProgramName->setFont(nameFont);
    lblProgramName->setAlignment(Qt::AlignCenter);
    lblProgramName->setGeometry(Twips::Rect(Margin, Margin, width, LineHeight + 60));

    lblVersion = new QLabel(tr("Version ") + VersionText(), this);
    lblVersion->setAlignment(Qt::AlignCenter);
    lblVersion->setGeometry(Twips::Rect(Margin, Margin + LineHeight + 120, width, LineHeight));

    const int buttonTop = Margin + 2 * LineHeight + 360;
    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setDefault(true);
    cmdClose->setGeometry(
        Twips::Rect((FormWidth - ButtonWidth) / 2, buttonTop, ButtonWidth, ButtonHeight));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(buttonTop + ButtonHeight + Margin));
}
