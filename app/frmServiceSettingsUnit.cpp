#include "app/frmServiceSettingsUnit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

template <typename T>
T* Named(T* AControl, const char* AName, const QString& AAccessible, const QString& ATip) {
    AControl->setObjectName(QString::fromLatin1(AName));
    AControl->setAccessibleName(AAccessible);
    AControl->setToolTip(ATip);
    return AControl;
}

}  // namespace

TfrmServiceSettings::TfrmServiceSettings(const QString& AProject, const TServiceSettings& ASettings, QWidget* AParent)
    : QDialog(AParent), FSettings(ASettings) {
    setObjectName(QStringLiteral("frmServiceSettings"));
    setWindowTitle(tr("Services of %1").arg(AProject));
    auto* layout = new QVBoxLayout(this);

    auto* queue = new QFormLayout;
    FedtConnection = Named(new QLineEdit(QString::fromStdString(ASettings.Queue.Connection), this), "edtQueueConnection",
                           tr("Queue connection"), tr("The queue connection the worker takes jobs from; empty: the default"));
    FedtQueue = Named(new QLineEdit(QString::fromStdString(ASettings.Queue.Queue), this), "edtQueueName", tr("Queues"),
                      tr("The queues to work, in order, separated by commas; empty: the default"));
    FspnTries = Named(new QSpinBox(this), "spnQueueTries", tr("Tries"), tr("How often a job is tried; 0: the default"));
    FspnTries->setRange(0, 1000);
    FspnTries->setValue(ASettings.Queue.Tries);
    FspnTimeout = Named(new QSpinBox(this), "spnQueueTimeout", tr("Timeout in seconds"),
                        tr("How long a job may run; 0: the default"));
    FspnTimeout->setRange(0, 86400);
    FspnTimeout->setValue(ASettings.Queue.TimeoutSeconds);
    queue->addRow(tr("Queue &connection:"), FedtConnection);
    queue->addRow(tr("&Queues:"), FedtQueue);
    queue->addRow(tr("&Tries:"), FspnTries);
    queue->addRow(tr("Time&out (s):"), FspnTimeout);
    layout->addLayout(queue);

    auto* ownLabel = new QLabel(tr("&Own services:"), this);
    layout->addWidget(ownLabel);
    FtblOwn = Named(new QTableWidget(0, 2, this), "tblOwnServices", tr("Own services"),
                    tr("Your own services: a name and the command line that runs it"));
    FtblOwn->setHorizontalHeaderLabels({tr("Name"), tr("Command line")});
    FtblOwn->horizontalHeader()->setStretchLastSection(true);
    ownLabel->setBuddy(FtblOwn);
    for (const TOwnService& own : ASettings.Own) {
        const int row = FtblOwn->rowCount();
        FtblOwn->insertRow(row);
        FtblOwn->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(own.Name)));
        FtblOwn->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(own.CommandLine)));
    }
    layout->addWidget(FtblOwn);
    auto* rows = new QHBoxLayout;
    auto* add = Named(new QPushButton(tr("&Add"), this), "btnOwnServiceAdd", tr("Add"), tr("Add a service of your own"));
    auto* remove = Named(new QPushButton(tr("&Remove"), this), "btnOwnServiceRemove", tr("Remove"),
                         tr("Remove the selected service of your own"));
    rows->addWidget(add);
    rows->addWidget(remove);
    rows->addStretch();
    layout->addLayout(rows);
    connect(add, &QPushButton::clicked, this, [this] {
        const int row = FtblOwn->rowCount();
        FtblOwn->insertRow(row);
        FtblOwn->setItem(row, 0, new QTableWidgetItem);
        FtblOwn->setItem(row, 1, new QTableWidgetItem);
        FtblOwn->setCurrentCell(row, 0);
        FtblOwn->editItem(FtblOwn->item(row, 0));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (FtblOwn->currentRow() >= 0) FtblOwn->removeRow(FtblOwn->currentRow());
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("bbxServiceSettings"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 420);
}

TServiceSettings TfrmServiceSettings::Settings() const {
    TServiceSettings settings = FSettings;
    settings.Queue.Connection = FedtConnection->text().trimmed().toStdString();
    settings.Queue.Queue = FedtQueue->text().trimmed().toStdString();
    settings.Queue.Tries = FspnTries->value();
    settings.Queue.TimeoutSeconds = FspnTimeout->value();
    settings.Own.clear();
    for (int row = 0; row < FtblOwn->rowCount(); ++row) {
        auto Text = [&](int AColumn) {
            const QTableWidgetItem* item = FtblOwn->item(row, AColumn);
            return item ? item->text().trimmed().toStdString() : std::string();
        };
        if (!Text(0).empty() && !Text(1).empty()) settings.Own.push_back({Text(0), Text(1)});
    }
    return settings;
}
