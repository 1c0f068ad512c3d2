#include "editor/editor_settings.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QVariant>

namespace valmor {

namespace {

const QString kRecentFolders = QStringLiteral("recentFolders");
const QString kPath = QStringLiteral("path");
const QString kBalancePlace = QStringLiteral("balance/place");
const QString kBalanceColouring = QStringLiteral("balance/colouring");

// How many folders are kept, and the longest path kept (a longer one is left out).
constexpr qsizetype kMostRecentFolders = 10;
constexpr qsizetype kLongestFolder = 4096;

const QString kDamageShare = QStringLiteral("damage share");
const QString kDefeatChance = QStringLiteral("defeat chance");
const QString kTarget = QStringLiteral("target");

// The kept folders as their bytes; entries that are not byte strings of sane length, or not
// absolute, are dropped, and no more than kMostRecentFolders are read however many are told.
QList<QByteArray> keptFolders(QSettings& settings) {
    QList<QByteArray> folders;
    const int told = settings.beginReadArray(kRecentFolders);
    for (int i = 0; i < std::min<qsizetype>(told, kMostRecentFolders); ++i) {
        settings.setArrayIndex(i);
        const QVariant entry = settings.value(kPath);
        if (entry.typeId() != QMetaType::QByteArray)
            continue;
        const QByteArray bytes = entry.toByteArray();
        if (!bytes.isEmpty() && bytes.size() <= kLongestFolder && !bytes.contains('\0') &&
            bytes.startsWith('/') && !folders.contains(bytes))
            folders.append(bytes);
    }
    settings.endArray();
    return folders;
}

// The largest settings file read: a few folders and a window's place take a few hundred bytes.
constexpr off_t kMostSettingsBytes = 1024 * 1024;

// Whether the settings file may be read and written: a regular file of its own name and of a
// sane size, or none yet. Anything else at its name (a link that would have the editor write
// over the file it leads to, a pipe whose open never returns, a huge file) is left alone, and
// the editor runs without settings.
bool settingsUsable() {
    const QByteArray name = QFile::encodeName(QSettings().fileName());
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_nlink == 1 && status.st_size <= kMostSettingsBytes;
}

bool isFolder(const QByteArray& path) {
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

std::vector<std::filesystem::path> recentGameFolders() {
    if (!settingsUsable())
        return {};
    QSettings settings;
    std::vector<std::filesystem::path> folders;
    for (const QByteArray& bytes : keptFolders(settings)) {
        if (isFolder(bytes))
            folders.emplace_back(bytes.toStdString());
    }
    return folders;
}

void noteGameFolderUsed(const std::filesystem::path& folder) {
    const QByteArray bytes = QByteArray::fromStdString(folder.native());
    if (!folder.is_absolute() || bytes.size() > kLongestFolder || !settingsUsable())
        return;
    QSettings settings;
    QList<QByteArray> folders = keptFolders(settings);
    folders.removeAll(bytes);
    folders.prepend(bytes);
    settings.remove(kRecentFolders);
    settings.beginWriteArray(kRecentFolders);
    for (qsizetype i = 0; i < std::min(folders.size(), kMostRecentFolders); ++i) {
        settings.setArrayIndex(static_cast<int>(i));
        settings.setValue(kPath, folders[i]);
    }
    settings.endArray();
}

std::optional<QRect> balanceWindowPlace(const QRect& available, const QSize& least) {
    if (!settingsUsable())
        return std::nullopt;
    const QVariant value = QSettings().value(kBalancePlace);
    if (value.typeId() != QMetaType::QRect)
        return std::nullopt;
    const QRect place = value.toRect();
    if (!place.isValid() || place.width() < least.width() || place.height() < least.height() ||
        !available.contains(place))
        return std::nullopt;
    return place;
}

void keepBalanceWindowPlace(const QRect& place) {
    if (settingsUsable())
        QSettings().setValue(kBalancePlace, place);
}

std::optional<BalanceMeasure> balanceWindowColouring() {
    if (!settingsUsable())
        return std::nullopt;
    const QString value = QSettings().value(kBalanceColouring).toString();
    if (value == kDamageShare)
        return BalanceMeasure::DamageShare;
    if (value == kDefeatChance)
        return BalanceMeasure::DefeatChance;
    if (value == kTarget)
        return BalanceMeasure::Target;
    return std::nullopt;
}

void keepBalanceWindowColouring(BalanceMeasure measure) {
    if (settingsUsable())
        QSettings().setValue(kBalanceColouring,
                             measure == BalanceMeasure::DamageShare    ? kDamageShare
                             : measure == BalanceMeasure::DefeatChance ? kDefeatChance
                                                                       : kTarget);
}

} // namespace valmor
