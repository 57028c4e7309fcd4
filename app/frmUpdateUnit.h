#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TfrmUpdate;
}

// The "Update Available" dialog: the new version, a download link and the maker's
// message.
class TfrmUpdate : public QDialog {
    Q_OBJECT

public:
    using TOpenWebsite = std::function<void(const QString& AAddress)>;

    TfrmUpdate(TOpenWebsite AOpenWebsite, QWidget* parent = nullptr);
    ~TfrmUpdate() override;

    void SetNewVersion(const QString& ANewVersionNumber);
    void SetDownloadLink(const QString& ANewDownloadLink);
    // Every "|" in the message starts a new line.
    void SetMessage(const QString& AUserMessage);

    // Only web addresses are opened from the link: it comes from the network.
    static bool IsWebAddress(const QString& address);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void btnCloseClick();
    void lblDownloadLinkClick();

    std::unique_ptr<Ui::TfrmUpdate> ui;
    TOpenWebsite FOpenWebsite;
};
