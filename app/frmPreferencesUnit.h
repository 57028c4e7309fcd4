#pragma once

#include "app/Preferences.h"

#include <QDialog>

class IDesktop;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// Edit > Preferences…: shows the preferences and gives back the edited ones on OK.
class TfrmPreferences : public QDialog {
    Q_OBJECT

public:
    TfrmPreferences(const TPreferences& APreferences, IDesktop& ADesktop, QWidget* parent = nullptr);

    // The preferences as the controls show them now.
    TPreferences Edited() const;

    // The languages offered: the value stored and the name shown.
    static const QList<QPair<QString, QString>>& Languages();

private:
    void ShowFont();
    void ChooseFont();

    IDesktop& FDesktop;
    TPreferences FEdited;
    QCheckBox* FchkCheckForUpdates;
    QCheckBox* FchkColours;
    QLabel* FlblFont;
    QSpinBox* FspnCapacity;
    QLineEdit* FedtEditor;
    QCheckBox* FchkNotifyLogErrors;
    QComboBox* FcmbLanguage;
};
