#include "OsVersion.h"

#include <QRegularExpression>

namespace vambrel {

bool OsVersion::Query(OsVersion* out, const SystemSource& source) {
    if (out == nullptr)
        return false;
    const QMap<QString, QString> release = source.osRelease();
    QString distribution = release.value(QStringLiteral("PRETTY_NAME"));
    if (distribution.isEmpty())
        distribution = release.value(QStringLiteral("NAME"));
    return FromKernelRelease(source.kernelRelease(), distribution, out);
}

bool OsVersion::FromKernelRelease(const QString& release, const QString& distribution, OsVersion* out) {
    if (out == nullptr)
        return false;
    *out = OsVersion();
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,9})\\.(\\d{1,9})(?:\\.(\\d{1,9}))?"));
    const QRegularExpressionMatch match = pattern.match(release);
    if (!match.hasMatch())
        return false;
    // Plain decimal, as the numbers are: "06" is 6.
    const auto number = [&match](int group) { return QString::number(match.captured(group).toUInt()); };
    out->versionText = number(1) + QLatin1Char('.') + number(2);
    out->buildText = match.captured(3).isEmpty() ? QStringLiteral("0") : number(3);
    out->platformName = PlatformName(LinuxKernel, 0, 0);
    out->serviceText = distribution;
    return true;
}

QString OsVersion::PlatformName(int platform, int major, int minor) {
    switch (platform) {
    case Win32s:
        return QStringLiteral("Win32");
    case Windows9x:
        if (major == 4 && minor == 0)
            return QStringLiteral("Windows 95");
        if (major == 4 && minor == 90)
            return QStringLiteral("Windows ME");
        return QStringLiteral("Windows 98");
    case WindowsNT:
        if (major == 5 && minor == 0)
            return QStringLiteral("Windows 2000");
        if (major == 5 && minor == 1)
            return QStringLiteral("Windows XP");
        return QStringLiteral("Windows NT");
    case LinuxKernel:
        return QStringLiteral("Linux");
    default:
        return QStringLiteral("Unknown");
    }
}

bool OsVersion::RefreshesItself(const QString& platformName) {
    return platformName == QStringLiteral("Windows 95") || platformName == QStringLiteral("Win32");
}

} // namespace vambrel
