#include "app/frmToolsUnit.h"

#include "app/BackgroundJobs.h"
#include "app/Screenful.h"
#include "components/JobStop.h"
#include "components/ToolRead.h"
#include "platform/ToolSearch.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

TToolsDetector::TToolsDetector(QString AProjectFolder, QObject* parent, TBackgroundJobs* AJobs)
    : QObject(parent), FProjectFolder(std::move(AProjectFolder)), FJobs(AJobs ? AJobs : new TBackgroundJobs(this)) {}

TToolsDetector::~TToolsDetector() { Stop(); }

void TToolsDetector::Stop() {
    if (FJob) FJob->Stop();
}

void TToolsDetector::Start() {
    FJob = FJobs->Start<TToolsDetection>(
        this,
        [folder = FProjectFolder.toStdString()](TJobStop& AStop) {
            try {
                return DetectProjectTools(folder, &AStop);
            } catch (const std::exception&) {
                // A folder that cannot be looked at gives the defaults.
                return TToolsDetection{};
            }
        },
        [this](TToolsDetection AFound) { emit detected(AFound); });
}

const TToolsCheck::TCheck TToolsCheck::kChecks[3] = {
    {TRunRequest::TTool::Php, "-v"},
    {TRunRequest::TTool::Artisan, "--version"},
    {TRunRequest::TTool::Composer, "--version"},
};

TToolsCheck::TToolsCheck(const TProjectTools& ATools, QString AProjectFolder, QObject* parent)
    : QObject(parent), FTools(ATools), FProjectFolder(std::move(AProjectFolder)), FJobs(new TBackgroundJobs(this)) {}

TToolsCheck::~TToolsCheck() { Stop(); }

void TToolsCheck::Stop() {
    if (FJob) FJob->Stop();
}

void TToolsCheck::Start() {
    if (FTools.Route == TProjectTools::TRoute::Ssh)
        RunHostProbe();
    else
        RunLine(0);
}

void TToolsCheck::RunHostProbe() {
    // The probe is not a php or composer line, so the route needs it written out: it
    // runs as its own line, through the client, with the limits of a check.
    std::string line;
    try {
        line = SshCommandLine(FTools, kSshArtisanProbe);
    } catch (const std::exception& error) {
        emit hostChecked(QString::fromUtf8(error.what()));
        FJob.reset();
        emit finished();
        return;
    }
    FJob = FJobs->Start<TProbeResult>(
        this,
        [line, folder = FProjectFolder.toStdString()](TJobStop& AStop) { return RunProbe(line, folder, &AStop); },
        [this](TProbeResult AResult) {
            QString summary = QString::fromStdString(SshProbeSummary(AResult.ExitCode, AResult.Output));
            const QString output = Screenful(QString::fromUtf8(AResult.Output)).trimmed();
            if (!AResult.Problem.empty()) summary += u' ' + QString::fromStdString(AResult.Problem);
            // The client's own message says why the host did not answer.
            if (AResult.ExitCode != 0 && !output.isEmpty()) summary += u'\n' + output;
            emit hostChecked(summary);
            if (AResult.ExitCode == 0)
                RunLine(0);
            else {
                FJob.reset();
                emit finished();
            }
        });
}

void TToolsCheck::RunLine(int AIndex) {
    if (AIndex >= int(std::size(kChecks))) {
        FJob.reset();
        emit finished();
        return;
    }
    // A check runs through the project's tools, as the project's commands do.
    const TCheck& check = kChecks[AIndex];
    TToolRequest request{TRunRequest::ForTool(check.Tool, check.Arguments, FProjectFolder.toStdString()), FTools,
                         TToolReadLimits::ForChecks()};
    FJob = FJobs->Start<TToolReadResult>(
        this,
        [request](TJobStop& AStop) {
            TToolRead read(request);
            const TStopHookScope hook(&AStop, [&read] { read.Stop(); });
            return read.Run();
        },
        [this, AIndex, limits = request.Limits](TToolReadResult AResult) {
            const QString output = QString::fromUtf8(AResult.End == TToolReadResult::TEnd::NotStarted
                                                         ? AResult.StartError
                                                         : AResult.Output);
            emit checked(QString::fromStdString(AResult.RoutedLine), Screenful(output), AResult.ExitCode,
                         QString::fromStdString(AResult.Reason(limits)));
            RunLine(AIndex + 1);
        });
}

namespace {

QLineEdit* AddLine(QFormLayout& AForm, const QString& ALabel, const char* AName, const QString& AAccessible,
                   QWidget* AParent) {
    auto* edit = new QLineEdit(AParent);
    edit->setObjectName(QLatin1String(AName));
    edit->setAccessibleName(AAccessible);
    auto* label = new QLabel(ALabel, AParent);
    label->setBuddy(edit);
    AForm.addRow(label, edit);
    return edit;
}

}  // namespace

TfrmTools::TfrmTools(const QString& AProjectFolder, const TProjectTools& ATools, const QString& ADetected,
                     QWidget* parent)
    : QDialog(parent), FProjectFolder(AProjectFolder) {
    setObjectName(QStringLiteral("frmTools"));
    setWindowTitle(tr("Project Tools"));
    setAccessibleName(QStringLiteral("Project tools"));
    auto* layout = new QVBoxLayout(this);

    auto* project = new QLabel(tr("Project: ") + AProjectFolder, this);
    project->setObjectName(QStringLiteral("lblToolsProject"));
    project->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(project);
    if (!ADetected.isEmpty()) {
        auto* detected = new QLabel(ADetected, this);
        detected->setObjectName(QStringLiteral("lblDetected"));
        detected->setAccessibleName(QStringLiteral("What was found"));
        layout->addWidget(detected);
    }

    auto* form = new QFormLayout;
    FedtPhp = AddLine(*form, tr("&PHP program:"), "edtPhp", QStringLiteral("PHP program"), this);
    FedtPhp->setToolTip(tr("php on the search path, or the full path of a PHP program"));
    FedtComposer =
        AddLine(*form, tr("C&omposer program:"), "edtComposer", QStringLiteral("Composer program"), this);
    FedtComposer->setToolTip(
        tr("composer on the search path, a full path, or composer.phar for the project's own copy"));

    FcmbRoute = new QComboBox(this);
    FcmbRoute->setObjectName(QStringLiteral("cmbRoute"));
    FcmbRoute->setAccessibleName(QStringLiteral("How commands reach the project"));
    FcmbRoute->addItem(tr("Directly"), int(TProjectTools::TRoute::Direct));
    FcmbRoute->addItem(tr("Through Sail (./vendor/bin/sail)"), int(TProjectTools::TRoute::Sail));
    FcmbRoute->addItem(tr("Through a Docker Compose service"), int(TProjectTools::TRoute::Compose));
    FcmbRoute->addItem(tr("On another computer over SSH"), int(TProjectTools::TRoute::Ssh));
    if (platform::OffersWsl()) FcmbRoute->addItem(tr("Inside WSL"), int(TProjectTools::TRoute::Wsl));
    auto* routeLabel = new QLabel(tr("&Run commands:"), this);
    routeLabel->setBuddy(FcmbRoute);
    form->addRow(routeLabel, FcmbRoute);
    FedtService = AddLine(*form, tr("&Service:"), "edtService", QStringLiteral("Docker Compose service"), this);
    FedtSshHost = AddLine(*form, tr("SSH &host:"), "edtSshHost", QStringLiteral("SSH host"), this);
    FedtSshHost->setToolTip(tr("user@host; the host's key must already be known, and a key or agent is used, "
                               "never a password"));
    FedtSshPort = AddLine(*form, tr("SSH por&t:"), "edtSshPort", QStringLiteral("SSH port"), this);
    FedtSshPort->setToolTip(tr("Blank for the usual port"));
    FedtSshFolder = AddLine(*form, tr("&Folder on the host:"), "edtSshFolder",
                            QStringLiteral("Project folder on the SSH host"), this);
    FedtSshFolder->setToolTip(tr("The project's folder on the host, for example /var/www/blog or ~/blog"));
    FedtSshIdentity =
        AddLine(*form, tr("&Identity file:"), "edtSshIdentity", QStringLiteral("SSH identity file"), this);
    FedtSshIdentity->setToolTip(tr("Optional: the private key file on this computer"));
    FedtWslDistribution =
        AddLine(*form, tr("WSL distri&bution:"), "edtWslDistribution", QStringLiteral("WSL distribution"), this);
    FedtWslDistribution->setToolTip(tr("The distribution's name, as wsl.exe --list shows it"));
    FedtWslFolder = AddLine(*form, tr("Folder in WS&L:"), "edtWslFolder", QStringLiteral("Folder in WSL"), this);
    FedtWslFolder->setToolTip(tr("The project's folder inside the distribution; a Windows path becomes its /mnt path"));
    // A Windows path typed or pasted there becomes the distribution's path of it.
    connect(FedtWslFolder, &QLineEdit::editingFinished, this, [this] {
        if (const auto path = WslPathOf(FedtWslFolder->text().toStdString()))
            FedtWslFolder->setText(QString::fromStdString(*path));
    });
    if (!platform::OffersWsl())
        for (QLineEdit* edit : {FedtWslDistribution, FedtWslFolder}) {
            form->labelForField(edit)->hide();
            edit->hide();
        }

    FmemEnvironment = new QPlainTextEdit(this);
    FmemEnvironment->setObjectName(QStringLiteral("memEnvironment"));
    FmemEnvironment->setAccessibleName(QStringLiteral("Extra environment variables"));
    FmemEnvironment->setToolTip(tr("One NAME=value a line"));
    FmemEnvironment->setTabChangesFocus(true);
    FmemEnvironment->setFixedHeight(70);
    auto* environmentLabel = new QLabel(tr("&Environment:"), this);
    environmentLabel->setBuddy(FmemEnvironment);
    form->addRow(environmentLabel, FmemEnvironment);
    layout->addLayout(form);

    FbtnCheck = new QPushButton(tr("&Check"), this);
    FbtnCheck->setObjectName(QStringLiteral("btnCheck"));
    FbtnCheck->setAccessibleName(QStringLiteral("Check the tools"));
    FbtnCheck->setAutoDefault(false);
    layout->addWidget(FbtnCheck, 0, Qt::AlignLeft);
    FmemResults = new QPlainTextEdit(this);
    FmemResults->setObjectName(QStringLiteral("memCheckResults"));
    FmemResults->setAccessibleName(QStringLiteral("Check results"));
    FmemResults->setReadOnly(true);
    FmemResults->setMinimumHeight(140);
    layout->addWidget(FmemResults, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsTools"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmTools::AcceptIfUsable);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FbtnCheck, &QPushButton::clicked, this, &TfrmTools::btnCheckClick);
    connect(FcmbRoute, &QComboBox::currentIndexChanged, this, &TfrmTools::UpdateServiceEnabled);

    setTools(ATools);
    resize(560, 480);
}

TfrmTools::~TfrmTools() { EndCheck(); }

TProjectTools TfrmTools::Tools() const {
    TProjectTools tools;
    tools.PhpProgram = FedtPhp->text().trimmed().toStdString();
    tools.ComposerProgram = FedtComposer->text().trimmed().toStdString();
    tools.Route = TProjectTools::TRoute(FcmbRoute->currentData().toInt());
    tools.ComposeService = FedtService->text().trimmed().toStdString();
    tools.SshHost = FedtSshHost->text().trimmed().toStdString();
    tools.SshPort = FedtSshPort->text().trimmed().toStdString();
    tools.SshFolder = FedtSshFolder->text().trimmed().toStdString();
    tools.SshIdentity = FedtSshIdentity->text().trimmed().toStdString();
    tools.WslDistribution = FedtWslDistribution->text().trimmed().toStdString();
    tools.WslFolder = FedtWslFolder->text().trimmed().toStdString();
    for (const QString& line : FmemEnvironment->toPlainText().split(u'\n'))
        if (!line.trimmed().isEmpty()) tools.Environment.push_back(line.toStdString());
    return tools;
}

void TfrmTools::setTools(const TProjectTools& ATools) {
    FedtPhp->setText(QString::fromStdString(ATools.PhpProgram));
    FedtComposer->setText(QString::fromStdString(ATools.ComposerProgram));
    FcmbRoute->setCurrentIndex(FcmbRoute->findData(int(ATools.Route)));
    FedtService->setText(QString::fromStdString(ATools.ComposeService));
    FedtSshHost->setText(QString::fromStdString(ATools.SshHost));
    FedtSshPort->setText(QString::fromStdString(ATools.SshPort));
    FedtSshFolder->setText(QString::fromStdString(ATools.SshFolder));
    FedtSshIdentity->setText(QString::fromStdString(ATools.SshIdentity));
    FedtWslDistribution->setText(QString::fromStdString(ATools.WslDistribution));
    FedtWslFolder->setText(QString::fromStdString(ATools.WslFolder));
    QStringList lines;
    for (const std::string& line : ATools.Environment) lines.append(QString::fromStdString(line));
    FmemEnvironment->setPlainText(lines.join(u'\n'));
    UpdateServiceEnabled();
}

QString TfrmTools::CheckResults() const { return FmemResults->toPlainText(); }

void TfrmTools::UpdateServiceEnabled() {
    const int route = FcmbRoute->currentData().toInt();
    FedtService->setEnabled(route == int(TProjectTools::TRoute::Compose));
    for (QLineEdit* edit : {FedtSshHost, FedtSshPort, FedtSshFolder, FedtSshIdentity})
        edit->setEnabled(route == int(TProjectTools::TRoute::Ssh));
    for (QLineEdit* edit : {FedtWslDistribution, FedtWslFolder}) edit->setEnabled(route == int(TProjectTools::TRoute::Wsl));
    // The project's own folder, as the distribution sees it, until the user writes another.
    if (route == int(TProjectTools::TRoute::Wsl) && FedtWslFolder->text().trimmed().isEmpty())
        if (const auto path = WslPathOf(FProjectFolder.toStdString())) FedtWslFolder->setText(QString::fromStdString(*path));
}

void TfrmTools::AcceptIfUsable() {
    const TProjectTools tools = Tools();
    const std::string problem = tools.Route == TProjectTools::TRoute::Ssh   ? SshSettingsProblem(tools)
                                : tools.Route == TProjectTools::TRoute::Wsl ? WslSettingsProblem(tools)
                                                                             : std::string();
    if (problem.empty()) {
        accept();
        return;
    }
    FmemResults->setPlainText(tr("These settings cannot be kept: ") + QString::fromStdString(problem));
}

void TfrmTools::btnCheckClick() {
    if (FCheck) return;
    FmemResults->clear();
    FbtnCheck->setEnabled(false);
    FCheck = new TToolsCheck(Tools(), FProjectFolder, this);
    connect(FCheck, &TToolsCheck::checked, this,
            [this](const QString& ALine, const QString& AOutput, int ACode, const QString& AProblem) {
        const QString status = ACode >= 0          ? tr("exit code %1").arg(ACode)
                               : AProblem.isEmpty() ? tr("could not start")
                                                    : AProblem;
        QString text = QStringLiteral("$ ") + ALine + QStringLiteral("  (") + status + u')';
        const QString output = AOutput.trimmed();
        if (!output.isEmpty()) text += u'\n' + output;
        FmemResults->appendPlainText(text + u'\n');
    });
    connect(FCheck, &TToolsCheck::hostChecked, this,
            [this](const QString& ASummary) { FmemResults->appendPlainText(ASummary + u'\n'); });
    connect(FCheck, &TToolsCheck::finished, this, [this] {
        EndCheck();
        emit checkFinished();
    });
    FCheck->Start();
}

void TfrmTools::EndCheck() {
    if (!FCheck) return;
    FCheck->Stop();
    FCheck->deleteLater();
    FCheck = nullptr;
    FbtnCheck->setEnabled(true);
}

void TfrmTools::done(int AResult) {
    EndCheck();
    QDialog::done(AResult);
}
