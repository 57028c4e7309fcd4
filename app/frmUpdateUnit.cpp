#include "app/frmUpdateUnit.h"

#include "app/Fonts.h"
#include "ui_frmUpdate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

TfrmUpdate::TfrmUpdate(TOpenWebsite AOpenWebsite, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfrmUpdate>()),
      FOpenWebsite(std::move(AOpenWebsite)) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("frmUpdate"));
    QFont dialogFont = TahomaFont();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    QPalette memoColours = ui->memMessage->palette();
    memoColours.setColor(QPalette::Base, palette().color(QPalette::Button));
    ui->memMessage->setPalette(memoColours);
    for (QLabel* label : {ui->Label1, ui->Label2, ui->Label4, ui->Label6, ui->Image1})
        label->adjustSize();
    ui->lblDownloadLink->installEventFilter(this);
    connect(ui->btnClose, &QPushButton::clicked, this, &TfrmUpdate::btnCloseClick);
}

TfrmUpdate::~TfrmUpdate() = default;

// Texts from the network are shown literally: as rich text, markup such as an image
// would make the label fetch and render whatever it names.
void TfrmUpdate::SetNewVersion(const QString& ANewVersionNumber) {
    ui->lblNewVersion->setTextFormat(Qt::PlainText);
    ui->lblNewVersion->setText(ANewVersionNumber);
    ui->lblNewVersion->adjustSize();
}

void TfrmUpdate::SetDownloadLink(const QString& ANewDownloadLink) {
    ui->lblDownloadLink->setTextFormat(Qt::PlainText);
    ui->lblDownloadLink->setText(ANewDownloadLink);
    ui->lblDownloadLink->adjustSize();
}

void TfrmUpdate::SetMessage(const QString& AUserMessage) {
    QString lines = AUserMessage;
    lines.replace(u'|', u'\n');
    ui->memMessage->setPlainText(lines);
}

bool TfrmUpdate::IsWebAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void TfrmUpdate::btnCloseClick() { close(); }

void TfrmUpdate::lblDownloadLinkClick() {
    const QString address = ui->lblDownloadLink->text();
    if (IsWebAddress(address)) FOpenWebsite(address);
}

bool TfrmUpdate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lblDownloadLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        lblDownloadLinkClick();
    return QDialog::eventFilter(watched, event);
}

void TfrmUpdate::keyPressEvent(QKeyEvent* event) {
    // The dialog has no default or cancel button: Enter and Esc do nothing special.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
