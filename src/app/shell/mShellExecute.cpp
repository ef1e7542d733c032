#include "mShellExecute.h"

#include "AppInfo.h"
#include "CatalogueFileType.h"
#include "DesktopEntry.h"
#include "MimeApps.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "ShellLauncher.h"
#include "frmShellProperties.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel {

namespace {

ShellLauncher*& injectedLauncher() {
    static ShellLauncher* launcher = nullptr;
    return launcher;
}

ShellLauncher& launcher() {
    static ShellLauncher real;
    ShellLauncher* injected = injectedLauncher();
    return injected != nullptr ? *injected : real;
}

mShellExecute::Reporter& injectedReporter() {
    static mShellExecute::Reporter reporter;
    return reporter;
}

int accessCode(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return mShellExecute::AccessDenied;
    case ENOMEM:
        return mShellExecute::OutOfMemory;
    default:
        return mShellExecute::BadFormat;
    }
}

// Why a path cannot be reached: the file itself missing in an existing folder, or its path broken.
int missingCode(const QByteArray& path, int error) {
    switch (error) {
    case ENOENT: {
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray parent = slash <= 0 ? QByteArray("/") : path.left(slash);
        struct stat info {};
        if (::stat(parent.constData(), &info) == 0)
            return S_ISDIR(info.st_mode) ? mShellExecute::FileNotFound : mShellExecute::PathNotFound;
        return errno == EACCES ? mShellExecute::AccessDenied : mShellExecute::PathNotFound;
    }
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return mShellExecute::PathNotFound;
    default:
        return accessCode(error);
    }
}

bool looksLikeUrl(const QString& text) {
    // Two letters at least before the colon: a scheme, not a drive letter.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

QMimeType typeOf(const QString& path, const struct stat& info) {
    QMimeDatabase types;
    if (S_ISDIR(info.st_mode))
        return types.mimeTypeForName(QStringLiteral("inode/directory"));
    if (S_ISREG(info.st_mode)) {
        const QMimeType type = types.mimeTypeForFile(path);
        // With the catalogue type installed in another data folder than the generic SQLite type
        // (under /usr/local, in ~/.local), the database may answer the generic one.
        if (type.inherits(QStringLiteral("application/vnd.sqlite3")) &&
            type.name() != QLatin1String(kCatalogueMimeType) && IsCatalogueFile(path)) {
            const QMimeType catalogue = types.mimeTypeForName(QLatin1String(kCatalogueMimeType));
            if (catalogue.isValid())
                return catalogue;
        }
        return type;
    }
    // Never read special files to learn their type: a FIFO would block.
    if (S_ISCHR(info.st_mode))
        return types.mimeTypeForName(QStringLiteral("inode/chardevice"));
    if (S_ISBLK(info.st_mode))
        return types.mimeTypeForName(QStringLiteral("inode/blockdevice"));
    if (S_ISFIFO(info.st_mode))
        return types.mimeTypeForName(QStringLiteral("inode/fifo"));
    return types.mimeTypeForName(QStringLiteral("inode/socket"));
}

} // namespace

QString mShellExecute::ErrorMessage(int code) {
    switch (code) {
    case 0:
    case 8:
        return QStringLiteral("Mémoire insuffisante.");
    case 2:
        return QStringLiteral("Fichier non trouvé.");
    case 3:
        return QStringLiteral("Erreur dans le chemin.");
    case 5:
        return QStringLiteral("Accès au fichier refusé.");
    case 11:
        return QStringLiteral("Erreur lors de l'ouverture du fichier.");
    case 26:
        return QStringLiteral("Violation de partage.");
    case 27:
        return QStringLiteral("Ce type de fichier n'a pas d'association valide.");
    case 28:
        return QStringLiteral("Délai d'attente dépassé.");
    case 29:
        return QStringLiteral("Erreur dans la transaction DDE.");
    case 30:
        return QStringLiteral("L'application demandée est occupée.");
    case 31:
        return QStringLiteral("Aucune application n'est associée à ce type de fichier.");
    case 32:
        return QStringLiteral("Une DLL requise n'a pas été trouvée.");
    default:
        return QStringLiteral("Une erreur est survenue pendant l'ouverture du fichier.");
    }
}

void mShellExecute::setLauncher(ShellLauncher* launcher) {
    injectedLauncher() = launcher;
}

void mShellExecute::setReporter(Reporter reporter) {
    injectedReporter() = std::move(reporter);
}

void mShellExecute::report(QWidget* owner, int code) {
    const QString message = ErrorMessage(code);
    if (injectedReporter()) {
        injectedReporter()(owner, message);
        return;
    }
    QMessageBox::critical(owner, AppInfo::productName(), message, QMessageBox::Ok);
}

int mShellExecute::Open(const QString& file, const QString& verb, const QString& parameters,
                        const QString& folder, int showMode, QWidget* owner, bool reportErrors) {
    Q_UNUSED(parameters)
    Q_UNUSED(showMode)
    const int code = execute(file, verb, folder, owner, nullptr);
    if (reportErrors && code <= 32)
        report(owner, code);
    return code;
}

bool mShellExecute::ShellRequest(const QString& file, const QString& verb, const QString& parameters,
                                 const QString& folder, int showMode, QWidget* owner, bool noErrorDisplay,
                                 qint64* processHandle, int* resultCode) {
    Q_UNUSED(parameters)
    Q_UNUSED(showMode)
    qint64 processId = 0;
    const int code = execute(file, verb, folder, owner, &processId);
    if (processHandle != nullptr)
        *processHandle = code > 32 ? processId : 0;
    if (resultCode != nullptr)
        *resultCode = code;
    if (!noErrorDisplay && code <= 32)
        report(owner, code);
    return code > 32;
}

int mShellExecute::execute(const QString& file, const QString& verb, const QString& folder, QWidget* owner,
                           qint64* processId) {
    const QString action = verb.trimmed();
    const bool properties = action.compare(QStringLiteral("properties"), Qt::CaseInsensitive) == 0;
    const bool open = action.isEmpty() || action.compare(QStringLiteral("open"), Qt::CaseInsensitive) == 0 ||
                      action.compare(QStringLiteral("explore"), Qt::CaseInsensitive) == 0 ||
                      action.compare(QStringLiteral("opennew"), Qt::CaseInsensitive) == 0;

    if (!folder.isEmpty()) {
        struct stat info {};
        if (::stat(PathToNative(folder).constData(), &info) != 0)
            return errno == EACCES ? AccessDenied : PathNotFound;
        if (!S_ISDIR(info.st_mode))
            return PathNotFound;
    }
    if (file.isEmpty() || file.contains(QChar(u'\0')))
        return FileNotFound;

    const QString base = folder.isEmpty() ? QDir::currentPath() : folder;
    QString path = QDir::isAbsolutePath(file) ? file : JoinPath(base, file);
    if (looksLikeUrl(file) && !QFileInfo::exists(path)) {
        const QUrl url(file);
        if (!url.isValid())
            return FileNotFound;
        if (!url.isLocalFile()) {
            if (!open)
                return NoAssociation;
            const QString application =
                MimeApps().applicationFor(QStringLiteral("x-scheme-handler/") + url.scheme().toLower());
            if (application.isEmpty())
                return NoAssociation;
            return openWith(application, url.toString(QUrl::FullyEncoded), folder, processId);
        }
        path = url.toLocalFile();
    }

    const QByteArray native = PathToNative(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return missingCode(native, errno);
    const int needed = S_ISDIR(info.st_mode) ? (R_OK | X_OK) : R_OK;
    if (::access(native.constData(), needed) != 0)
        return accessCode(errno);

    if (properties)
        return frmShellProperties::showFor(path, owner) ? Success : FileNotFound;
    if (!open)
        return NoAssociation;
    const QString application = MimeApps().applicationFor(typeOf(path, info));
    if (application.isEmpty())
        return NoAssociation;
    return openWith(application, path, folder, processId);
}

int mShellExecute::openWith(const QString& applicationFile, const QString& target, const QString& folder,
                            qint64* processId) {
    const std::optional<DesktopEntry> entry = DesktopEntry::load(applicationFile);
    if (!entry || !entry->isLaunchable())
        return AssociationIncomplete;
    QStringList command = entry->command(target);
    if (command.isEmpty())
        return AssociationIncomplete;
    if (entry->terminal())
        command = QStringList{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")} + command;
    QString program = command.first();
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        if (!info.isFile() || !info.isExecutable())
            return AssociationIncomplete;
    } else {
        program = QStandardPaths::findExecutable(program);
        if (program.isEmpty())
            return AssociationIncomplete;
    }
    command.first() = program;
    QString workingFolder = folder;
    if (workingFolder.isEmpty() && QFileInfo(entry->workingFolder()).isDir())
        workingFolder = entry->workingFolder();
    qint64 started = 0;
    if (!launcher().launch(command, workingFolder, &started))
        return BadFormat;
    if (processId != nullptr)
        *processId = started;
    return Success;
}

} // namespace vambrel
