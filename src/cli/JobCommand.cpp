#include "JobCommand.h"

#include "VersionListing.h"
#include "cAsync.h"
#include "mVersionInfo.h"

#include <QEventLoop>
#include <QFileInfo>

namespace vambrel {

namespace {

const QString kCancelable[] = {QStringLiteral("ProgressMain"), QStringLiteral("ProgressFolder"),
                               QStringLiteral("ProgressFile")};

// Counts the events of one name and asks for Cancel at the N-th.
struct CancelRule {
    QString event;
    qint64 at = 0;
    qint64 seen = 0;
    void apply(const QString& name, bool& cancel) {
        if (at > 0 && name == event && ++seen == at)
            cancel = true;
    }
};

} // namespace

QString JobCommand::helpText() {
    return QStringLiteral(
        "Usage : qvtjob build FICHIER --spec DOSSIERS [--mask MOTIF] [--cancel-on ÉVÉNEMENT:N] [--quiet]\n"
        "        qvtjob verinfo FICHIER...\n"
        "        qvtjob --help\n"
        "\n"
        "Exécute une tâche du serveur qvtSrv comme le fait Vambrel et affiche ses événements.\n"
        "\n"
        "Commandes :\n"
        "  build     crée le catalogue FICHIER, qui ne doit pas exister, à partir des dossiers de\n"
        "            départ ; affiche un événement par ligne.\n"
        "  verinfo   affiche les informations de version de chaque FICHIER.\n"
        "\n"
        "Options de build :\n"
        "  --spec DOSSIERS          dossiers de départ séparés par « : » (obligatoire)\n"
        "  --mask MOTIF             motif des noms de fichiers (« *.* » par défaut)\n"
        "  --cancel-on ÉVÉNEMENT:N  demande l'annulation au N-ième événement ÉVÉNEMENT\n"
        "                           (ProgressMain, ProgressFolder ou ProgressFile)\n"
        "  --quiet                  n'affiche que l'événement final\n"
        "\n"
        "Codes de sortie de build : 0 catalogue terminé (Complete true), 1 échec (Complete false,\n"
        "cause sur la sortie d'erreur), 2 annulation (Cancelled), 64 usage incorrect.\n"
        "Codes de sortie de verinfo : 0, ou 1 si un fichier n'a pas pu être lu.\n");
}

QString JobCommand::quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            out += QStringLiteral("\\u%1").arg(static_cast<unsigned>(u), 4, 16, QLatin1Char('0'));
        } else if (u == u'\\' || u == u'"') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x%1").arg(static_cast<unsigned>(u), 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

void JobCommand::print(std::FILE* f, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f);
}

int JobCommand::usage(const QString& problem) {
    print(m_err, QStringLiteral("qvtjob : ") + problem + QStringLiteral("\nEssayez « qvtjob --help ».\n"));
    return Usage;
}

int JobCommand::run(const QStringList& args) {
    if (args.isEmpty())
        return usage(QStringLiteral("commande manquante."));
    const QString& command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        print(m_out, helpText());
        return 0;
    }
    if (command == QLatin1String("build"))
        return build(args.mid(1));
    if (command == QLatin1String("verinfo"))
        return verinfo(args.mid(1));
    return usage(QStringLiteral("commande inconnue « %1 ».").arg(command));
}

int JobCommand::build(const QStringList& args) {
    QString file, spec, mask = QStringLiteral("*.*");
    bool haveSpec = false, quiet = false;
    CancelRule rule;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--spec") || a == QLatin1String("--mask") ||
            a == QLatin1String("--cancel-on")) {
            if (!hasValue)
                return usage(QStringLiteral("l'option %1 demande une valeur.").arg(a));
            const QString v = args.at(++i);
            if (a == QLatin1String("--spec")) {
                spec = v;
                haveSpec = true;
            } else if (a == QLatin1String("--mask")) {
                mask = v;
            } else {
                const qsizetype colon = v.lastIndexOf(QLatin1Char(':'));
                bool ok = false;
                rule.event = v.left(colon);
                rule.at = colon > 0 ? v.mid(colon + 1).toLongLong(&ok) : 0;
                if (!ok || rule.at < 1 ||
                    std::find(std::begin(kCancelable), std::end(kCancelable), rule.event) ==
                        std::end(kCancelable))
                    return usage(
                        QStringLiteral("--cancel-on attend ÉVÉNEMENT:N, avec ProgressMain, ProgressFolder "
                                       "ou ProgressFile et N à partir de 1 (reçu « %1 »).")
                            .arg(v));
            }
        } else if (a == QLatin1String("--quiet")) {
            quiet = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usage(QStringLiteral("option inconnue « %1 ».").arg(a));
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return usage(QStringLiteral("argument en trop « %1 ».").arg(a));
        }
    }
    if (file.isEmpty())
        return usage(QStringLiteral("le nom du catalogue à créer manque."));
    if (!haveSpec)
        return usage(QStringLiteral("l'option --spec manque."));

    client::cAsync job;
    job.setFileName(file);
    job.setSpec(spec);
    job.setMask(mask);
    QEventLoop loop;
    int status = Failed;
    auto line = [&](const QString& text) {
        if (!quiet)
            print(m_out, text + QLatin1Char('\n'));
    };
    constexpr auto direct = Qt::DirectConnection;
    QObject::connect(
        &job, &client::cAsync::ProgressMain, &loop,
        [&](const QString& s, bool& cancel) {
            line(QStringLiteral("ProgressMain ") + quoted(s));
            rule.apply(kCancelable[0], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::ProgressFolder, &loop,
        [&](qint32 n, bool& cancel) {
            line(QStringLiteral("ProgressFolder ") + QString::number(n));
            rule.apply(kCancelable[1], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::ProgressFile, &loop,
        [&](qint32 n, bool& cancel) {
            line(QStringLiteral("ProgressFile ") + QString::number(n));
            rule.apply(kCancelable[2], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::ProgressState, &loop,
        [&](qint32 n) { line(QStringLiteral("ProgressState ") + QString::number(n)); }, direct);
    QObject::connect(
        &job, &client::cAsync::Complete, &loop,
        [&](bool& success) {
            print(m_out, success ? QStringLiteral("Complete true\n") : QStringLiteral("Complete false\n"));
            if (!success)
                print(m_err, QStringLiteral("qvtjob : ") + job.errorText() + QLatin1Char('\n'));
            status = success ? Completed : Failed;
            loop.quit();
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::Cancelled, &loop,
        [&] {
            print(m_out, QStringLiteral("Cancelled\n"));
            status = Cancelled;
            loop.quit();
        },
        direct);

    if (const auto refused = job.Start()) {
        print(m_err, QStringLiteral("qvtjob : %1 (%2, erreur %3)\n")
                         .arg(refused->description, refused->source)
                         .arg(refused->number));
        return Failed;
    }
    loop.exec();
    std::fflush(m_out);
    return status;
}

int JobCommand::verinfo(const QStringList& args) {
    if (args.isEmpty())
        return usage(QStringLiteral("verinfo attend au moins un fichier."));
    int status = 0;
    bool first = true;
    for (const QString& file : args) {
        const QFileInfo fi(file);
        if (!fi.isFile() || !fi.isReadable()) {
            print(m_err, QStringLiteral("qvtjob : « %1 » n'est pas un fichier lisible.\n").arg(file));
            status = 1;
            continue;
        }
        if (!first)
            print(m_out, QStringLiteral("\n"));
        first = false;
        print(m_out, VersionListing::render(file, ReadVersionInfo(file)));
    }
    std::fflush(m_out);
    return status;
}

} // namespace vambrel
