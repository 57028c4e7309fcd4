#pragma once

#include "components/ServiceSettings.h"

#include <QDialog>

class QLineEdit;
class QSpinBox;
class QTableWidget;

// The Services board's settings of one project: the queue worker's options and the
// user's own services (name and command line).
class TfrmServiceSettings : public QDialog {
    Q_OBJECT

public:
    TfrmServiceSettings(const QString& AProject, const TServiceSettings& ASettings, QWidget* AParent = nullptr);

    // The settings as edited; what the dialog does not show is kept from those given.
    TServiceSettings Settings() const;

private:
    TServiceSettings FSettings;
    QLineEdit* FedtConnection;
    QLineEdit* FedtQueue;
    QSpinBox* FspnTries;
    QSpinBox* FspnTimeout;
    QTableWidget* FtblOwn;
};
