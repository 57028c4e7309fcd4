#pragma once

#include <QString>

class QDialog;
class QFont;
class QWidget;

// Every modal box and desktop request the windows make goes through this interface,
// so that window tests can answer the prompts from a script.
class IDesktop {
public:
    virtual ~IDesktop() = default;

    // The modal input box with OK and Cancel. True on OK, with the typed text in `value`.
    virtual bool InputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                            QString& value) = 0;
    // The folder chooser: folders only, nothing preselected. True with the chosen folder.
    virtual bool SelectDirectory(QWidget* parent, QString& folder) = 0;
    // The information box: title "Information", information icon, OK.
    virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
    // The error box: error icon, OK.
    virtual void ShowError(QWidget* parent, const QString& title, const QString& text) = 0;
    // The save dialog, starting at ASuggested. True with the chosen file name.
    virtual bool SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                              const QString& filter, QString& fileName) = 0;
    // Shows a dialog modally and returns when it has closed.
    virtual void ShowModal(QDialog& dialog) = 0;
    // Asks the desktop to open a web address; the outcome is not reported.
    virtual void OpenUrl(const QString& address) = 0;
    // A question with Yes and No (No is the default). True for Yes.
    virtual bool Confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    // The font chooser, starting at `font`. True with the chosen font in `font`.
    virtual bool ChooseFont(QWidget* parent, const QString& caption, QFont& font) = 0;
    // A notice to the desktop, shown outside the window (DesktopNotify).
    virtual void Notify(const QString& title, const QString& text) = 0;
};

// The real boxes and desktop services.
class TQtDesktop : public IDesktop {
public:
    bool InputQuery(QWidget* parent, const QString& caption, const QString& prompt,
                    QString& value) override;
    bool SelectDirectory(QWidget* parent, QString& folder) override;
    void ShowInformation(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& title, const QString& text) override;
    bool SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                      const QString& filter, QString& fileName) override;
    void ShowModal(QDialog& dialog) override;
    void OpenUrl(const QString& address) override;
    bool Confirm(QWidget* parent, const QString& title, const QString& text) override;
    bool ChooseFont(QWidget* parent, const QString& caption, QFont& font) override;
    void Notify(const QString& title, const QString& text) override;
};
