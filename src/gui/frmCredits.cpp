#include "frmCredits.h"

#include "Twips.h"
#include "core/Setup.h"
#include "engine/LibraryVersions.h"
#include "support/Language.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int FormWidth = 5400;
constexpr int Margin = 240;
constexpr int LineHeight = 300;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;

} // namespace

frmCredits::frmCredits(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCredits"));
    setWindowTitle(tr("Credits"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    const int width = FormWidth - 2 * Margin;
    int top = Margin;
    const auto line = [&](const QString& text, int height = LineHeight) {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(Twips::Rect(Margin, top, width, height));
        top += height;
        return label;
    };
    lblProgramName = line(Language::Text(1), LineHeight + 60);
    QFont nameFont = lblProgramName->font();
    nameFont.setPointSize(12);
    nameFont.setBold(true);
    lblProgramName->setFont(nameFont);
    top += 120;
    lblVersion = line(tr("Version ") + VersionText());
    line(tr("Copyright 2026 The Revarodevaza ZR7 developers."));
    line(tr("All rights reserved."));
    top += 180;
    line(tr("Built on these libraries, each under its own licence:"));
    line(QStringLiteral("Qt ") + QString::fromLatin1(qVersion()) + tr(" (LGPL 3)"));
    line(QStringLiteral("libsodium ") + QString::fromStdString(LibraryVersions::Sodium()) +
         tr(" (ISC licence)"));
    line(QStringLiteral("OpenSSL ") + QString::fromStdString(LibraryVersions::OpenSsl()) +
         tr(" (Apache licence 2.0)"));

    const int buttonTop = top + 300;
    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setDefault(true);
    cmdClose->setGeometry(
        Twips::Rect((FormWidth - ButtonWidth) / 2, buttonTop, ButtonWidth, ButtonHeight));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(buttonTop + ButtonHeight + Margin));
}
