#include "app/PinStore.h"

#include "app/CommandCatalogue.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <cstring>

namespace {

QString Escaped(const QString& AValue) {
    QString text;
    text.reserve(AValue.size());
    for (const QChar c : AValue) {
        if (c == u'\\') text += QStringLiteral("\\\\");
        else if (c == u'\n') text += QStringLiteral("\\n");
        else if (c == u'\r') text += QStringLiteral("\\r");
        else text += c;
    }
    return text;
}

QString Unescaped(const QString& AText) {
    QString value;
    value.reserve(AText.size());
    for (qsizetype i = 0; i < AText.size(); ++i) {
        if (AText[i] != u'\\' || i + 1 == AText.size()) {
            value += AText[i];
            continue;
        }
        const QChar next = AText[++i];
        value += next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
    }
    return value;
}

QString NewId() {
    return QString::number(QRandomGenerator::global()->generate64(), 16);
}

// The id of a pin whose section lost its own: the same for the same pin at every reading,
// so that a change made to it finds it again in the file.
QString ContentId(const TPin& APin) {
    const QByteArray content = (APin.Project + u'\n' + APin.Line + u'\n' + APin.Name).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex().left(16));
}

qsizetype IndexOf(const QList<TPin>& APins, const QString& AId) {
    for (qsizetype i = 0; i < APins.size(); ++i)
        if (APins[i].Id == AId) return i;
    return -1;
}

}  // namespace

QString TPin::DefaultName(const QString& ALine) {
    const QString artisan = CommandPrefix(TCommandType::Artisan);
    return ALine.startsWith(artisan) ? ALine.mid(artisan.size()) : ALine;
}

QList<TPin> TPinStore::Parse(const QByteArray& AText) {
    QList<TPin> pins;
    QSet<QString> ids;
    bool inPin = false;
    TPin pin;
    const auto finish = [&] {
        if (inPin && !pin.Line.trimmed().isEmpty()) {
            if (pin.Name.trimmed().isEmpty()) pin.Name = TPin::DefaultName(pin.Line);
            if (pin.Id.isEmpty() || ids.contains(pin.Id)) pin.Id = ContentId(pin);
            // Two copies of the same damaged pin: the second is told apart by its place.
            if (ids.contains(pin.Id)) pin.Id += u'-' + QString::number(pins.size());
            ids.insert(pin.Id);
            pins.append(pin);
        }
        pin = TPin();
    };
    for (const QByteArray& raw : AText.split('\n')) {
        const QString line = QString::fromUtf8(raw.endsWith('\r') ? raw.chopped(1) : raw);
        if (line.trimmed() == QStringLiteral("[Pin]")) {
            finish();
            inPin = true;
            continue;
        }
        if (line.startsWith(u'[')) {
            finish();
            inPin = false;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inPin || equals <= 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = Unescaped(line.mid(equals + 1));
        if (key == QStringLiteral("Id")) pin.Id = value.trimmed();
        else if (key == QStringLiteral("Name")) pin.Name = value;
        else if (key == QStringLiteral("Project")) pin.Project = value;
        else if (key == QStringLiteral("Line")) pin.Line = value;
    }
    finish();
    return pins;
}

QByteArray TPinStore::Text(const QList<TPin>& APins) {
    QString text;
    for (const TPin& pin : APins) {
        if (!text.isEmpty()) text += u'\n';
        text += QStringLiteral("[Pin]\nId=") + Escaped(pin.Id) + QStringLiteral("\nName=") + Escaped(pin.Name) +
                QStringLiteral("\nProject=") + Escaped(pin.Project) + QStringLiteral("\nLine=") + Escaped(pin.Line) +
                u'\n';
    }
    return text.toUtf8();
}

void TPinStore::Load() {
    std::string bytes;
    if (FFileName.isEmpty() || platform::ReadRegularFile(FFileName.toStdString(), kMaxFileBytes, bytes) != 0) {
        FPins.clear();
        return;
    }
    FPins = Parse(QByteArray::fromStdString(bytes));
}

QList<TPin> TPinStore::PinsFor(const QString& AProject) const {
    QList<TPin> shown;
    for (const TPin& pin : FPins)
        if (pin.Project.isEmpty() ||
            (!AProject.isEmpty() && (pin.Project == AProject ||
                                     platform::SamePath(pin.Project.toStdString(), AProject.toStdString()))))
            shown.append(pin);
    return shown;
}

bool TPinStore::Change(const std::function<void(QList<TPin>&)>& AChange) {
    FLastError.clear();
    if (FFileName.isEmpty()) {
        FLastError = QStringLiteral("no file for the pins");
        return false;
    }
    QDir().mkpath(QFileInfo(FFileName).path());
    QList<TPin> changed;
    const int error = platform::RewriteFile(FFileName.toStdString(), kMaxFileBytes, [&](std::string& bytes) {
        changed = Parse(QByteArray::fromStdString(bytes));
        AChange(changed);
        bytes = Text(changed).toStdString();
        return 0;
    });
    if (error != 0) {
        FLastError = QStringLiteral("Unable to write to %1 (%2)").arg(FFileName, QString::fromLocal8Bit(std::strerror(error)));
        Load();
        return false;
    }
    FPins = changed;
    return true;
}

bool TPinStore::Add(const TPin& APin) {
    TPin pin = APin;
    pin.Id = NewId();
    if (pin.Name.trimmed().isEmpty()) pin.Name = TPin::DefaultName(pin.Line);
    FAdded = pin.Id;
    return Change([&](QList<TPin>& pins) { pins.append(pin); });
}

bool TPinStore::Rename(const QString& AId, const QString& AName) {
    return Change([&](QList<TPin>& pins) {
        const qsizetype i = IndexOf(pins, AId);
        if (i >= 0) pins[i].Name = AName.trimmed().isEmpty() ? TPin::DefaultName(pins[i].Line) : AName;
    });
}

bool TPinStore::Swap(const QString& AId, const QString& AOtherId) {
    return Change([&](QList<TPin>& pins) {
        const qsizetype a = IndexOf(pins, AId);
        const qsizetype b = IndexOf(pins, AOtherId);
        if (a >= 0 && b >= 0) pins.swapItemsAt(a, b);
    });
}

bool TPinStore::Remove(const QString& AId) {
    return Change([&](QList<TPin>& pins) {
        const qsizetype i = IndexOf(pins, AId);
        if (i >= 0) pins.removeAt(i);
    });
}
