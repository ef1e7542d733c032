#include "ProgramSetup.h"

#include "FileTime.h"
#include "controls/ProgramIcon.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <optional>

namespace vambrel {

namespace {

// The theme that the set-up installs; used when the desktop chose none.
const QString kFallbackTheme = QStringLiteral("Adwaita");

bool themeExists(const QString& name) {
    for (const QString& folder : QIcon::themeSearchPaths())
        if (QDir(folder).exists(name + QStringLiteral("/index.theme")))
            return true;
    return false;
}

std::optional<QByteArray> g_savedLang;

// The few texts of the file dialogs' type column that Qt's French catalogue lacks.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0 || !source)
            return {};
        static const struct {
            const char* source;
            const char* text;
        } texts[] = {{"Drive", "Lecteur"},      {"Folder", "Dossier"},  {"File", "Fichier"},
                     {"%1 File", "Fichier %1"}, {"Alias", "Raccourci"}, {"Shortcut", "Raccourci"}};
        for (const auto& t : texts)
            if (qstrcmp(source, t.source) == 0)
                return QString::fromUtf8(t.text);
        return {};
    }
};

} // namespace

void PreferFrenchLocale() {
    if (!qEnvironmentVariableIsEmpty("LC_ALL") || !qEnvironmentVariableIsEmpty("LC_TIME"))
        return;
    const QByteArray lang = qgetenv("LANG");
    if (lang.startsWith("fr"))
        return;
    g_savedLang = lang;
    qputenv("LANG", "fr_FR.UTF-8");
}

bool SetUpProgram(QApplication& app) {
    if (g_savedLang) {
        if (g_savedLang->isEmpty())
            qunsetenv("LANG");
        else
            qputenv("LANG", *g_savedLang);
        g_savedLang.reset();
    }
    // Dates of a million rows are converted to local time when listed or printed; read the zone
    // once rather than at every conversion, as the job server does.
    PinLocalTimeZone();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // Owned by the application: the texts stay loaded as long as it runs.
    auto* qtTexts = new QTranslator(&app);
    const bool translated =
        qtTexts->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (translated)
        app.installTranslator(qtTexts);
    else
        delete qtTexts;
    app.installTranslator(new MissingQtTexts(&app));

    app.setWindowIcon(ProgramIcon());
    // Ties the windows to the installed desktop entry (its name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quorvat.Vambrel"));
    // Outside a desktop session the platform may not say where themes live: the freedesktop
    // places, after whatever it did say.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = QDir(data).filePath(QStringLiteral("icons"));
        if (!paths.contains(icons))
            paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);
    const QString theme = QIcon::themeName();
    if ((theme.isEmpty() || theme == QStringLiteral("hicolor")) && themeExists(kFallbackTheme))
        QIcon::setThemeName(kFallbackTheme);
    QIcon::setFallbackThemeName(kFallbackTheme);
    return translated;
}

} // namespace vambrel
