#pragma once

#include "app/Desktop.h"

#include <QDialog>
#include <QFont>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// Answers the window's prompts from a script and records every request.
class TScriptedDesktop : public IDesktop {
public:
    struct Prompt {
        QString Caption;
        QString Text;
        QString InitialValue;
    };
    struct ErrorBox {
        QString Title;
        QString Text;
    };

    // Answers for the input box: a text for OK, nullopt for Cancel. With none left, Cancel.
    std::deque<std::optional<QString>> InputAnswers;
    std::vector<Prompt> Prompts;

    // Answers for the folder chooser: a folder, or nullopt for Cancel.
    std::deque<std::optional<QString>> FolderAnswers;
    int FolderRequests = 0;

    // Answers for the save dialog: a file name, or nullopt for Cancel. With none left, Cancel.
    std::deque<std::optional<QString>> SaveAnswers;
    QStringList SaveSuggestions;

    QStringList Informations;
    std::vector<ErrorBox> Errors;
    QStringList OpenedUrls;
    QStringList Notifications;  // "title: text"

    // Runs while a modal dialog is "shown"; the dialog counts as closed when it returns.
    std::function<void(QDialog&)> OnShowModal;
    int ModalDialogs = 0;

    bool InputQuery(QWidget*, const QString& caption, const QString& prompt,
                    QString& value) override {
        Prompts.push_back({caption, prompt, value});
        if (InputAnswers.empty()) return false;
        const std::optional<QString> answer = InputAnswers.front();
        InputAnswers.pop_front();
        if (!answer) return false;
        value = *answer;
        return true;
    }

    bool SelectDirectory(QWidget*, QString& folder) override {
        ++FolderRequests;
        if (FolderAnswers.empty()) return false;
        const std::optional<QString> answer = FolderAnswers.front();
        FolderAnswers.pop_front();
        if (!answer) return false;
        folder = *answer;
        return true;
    }

    bool SaveFileName(QWidget*, const QString&, const QString& suggested, const QString&,
                      QString& fileName) override {
        SaveSuggestions.append(suggested);
        if (SaveAnswers.empty()) return false;
        const std::optional<QString> answer = SaveAnswers.front();
        SaveAnswers.pop_front();
        if (!answer) return false;
        fileName = *answer;
        return true;
    }

    void ShowInformation(QWidget*, const QString& text) override { Informations.append(text); }

    void ShowError(QWidget*, const QString& title, const QString& text) override {
        Errors.push_back({title, text});
    }

    void ShowModal(QDialog& dialog) override {
        ++ModalDialogs;
        if (OnShowModal) OnShowModal(dialog);
    }

    void OpenUrl(const QString& address) override { OpenedUrls.append(address); }
    void Notify(const QString& title, const QString& text) override { Notifications.append(title + QStringLiteral(": ") + text); }

    // Answers for Yes/No questions; with none left, No.
    std::deque<bool> ConfirmAnswers;
    QStringList Confirms;

    bool Confirm(QWidget*, const QString&, const QString& text) override {
        Confirms.append(text);
        if (ConfirmAnswers.empty()) return false;
        const bool answer = ConfirmAnswers.front();
        ConfirmAnswers.pop_front();
        return answer;
    }

    // Answers for the font chooser: a font, or nullopt for Cancel. With none left, Cancel.
    std::deque<std::optional<QFont>> FontAnswers;
    std::vector<QFont> FontSuggestions;

    bool ChooseFont(QWidget*, const QString&, QFont& font) override {
        FontSuggestions.push_back(font);
        if (FontAnswers.empty()) return false;
        const std::optional<QFont> answer = FontAnswers.front();
        FontAnswers.pop_front();
        if (!answer) return false;
        font = *answer;
        return true;
    }
};
