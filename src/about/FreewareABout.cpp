#include "FreewareABout.h"

#include "LinkLabel.h"
#include "Maker.h"
#include "platform/SystemColor.h"
#include "platform/Twips.h"
#include "support/StdModul.h"

#include <QApplication>
#include <QPushButton>
#include <QStringList>

// Q_INIT_RESOURCE must be used outside any namespace, and a static library's resources
// are only linked in when something calls it.
static void InitAboutLogo()
{
    Q_INIT_RESOURCE(About);
}

using platform::Twips;

namespace {

constexpr std::uint32_t kHighlightText = 0x8000000E;
constexpr std::uint32_t kWindowBackground = 0x80000005;

void FillBackground(QWidget* widget, std::uint32_t colour)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, platform::TranslateColor(colour));
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
}

} // namespace

FreewareABout::FreewareABout(QWidget* owner)
    : QDialog(owner,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("über..."));
    setModal(true);
    setFont(owner ? owner->font() : QApplication::font());
    setFixedSize(platform::TwipsSize(4620, 2055));
    FillBackground(this, kHighlightText);

    const about::Maker maker = about::TheMaker();
    Label1 = new QLabel(this);
    Label1->setGeometry(Twips(120, 120, 4335, 1215));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2 = new LinkLabel(maker.web, this);
    Label2->setGeometry(Twips(120, 1380, 2775, 255));
    Label3 = new LinkLabel(maker.mail, this);
    Label3->setGeometry(Twips(120, 1680, 2895, 255));
    Label2->SetTarget(maker.web);
    Label3->SetTarget(QStringLiteral("mailto:") + maker.mail);

    // The logo lies over the right-hand part of the text block.
    Picture1 = new QLabel(this);
    Picture1->setGeometry(Twips(2280, 0, 2235, 1260));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    InitAboutLogo();
    // On a high-density screen the logo drawn at twice the resolution, at the same size.
    QPixmap logo;
    if (devicePixelRatioF() > 1 && logo.load(QStringLiteral(":/about/QuarzlichtLogo@2x.png")))
        logo.setDevicePixelRatio(2);
    else
        logo.load(QStringLiteral(":/about/QuarzlichtLogo.png"));
    Picture1->setPixmap(logo);
    Picture1->setAccessibleName(QStringLiteral("Logo"));
    FillBackground(Picture1, kWindowBackground);
    Picture1->raise();

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setGeometry(Twips(3240, 1560, 1215, 375));
    Command1->setDefault(true); // Enter; Escape and the close box reject the dialog
    Command1->setFocus();
    // Tab runs from OK through the two links.
    setTabOrder(Command1, Label2);
    setTabOrder(Label2, Label3);

    connect(Label2, &LinkLabel::Clicked, this, &FreewareABout::Label2_Click);
    connect(Label3, &LinkLabel::Clicked, this, &FreewareABout::Label3_Click);
    connect(Command1, &QPushButton::clicked, this, &FreewareABout::Command1_Click);

    if (owner)
        move(owner->frameGeometry().center() - rect().center());
    Form_Load();
}

void FreewareABout::Form_Load()
{
    const about::Maker maker = about::TheMaker();
    const QStringList lines{QStringLiteral("FREEWARE"),
                            QString(),
                            QStringLiteral("Zur Verfügung gestellt von:"),
                            maker.company,
                            maker.street,
                            QStringLiteral("D-") + maker.postcode + u' ' + maker.town};
    Label1->setText(lines.join(u'\n'));
}

void FreewareABout::Label2_Click()
{
    StdModul::ShellOpen(this, Label2->Target(), QString());
}

void FreewareABout::Label3_Click()
{
    StdModul::ShellOpen(this, Label3->Target(), QString());
}

void FreewareABout::Command1_Click()
{
    accept();
}
