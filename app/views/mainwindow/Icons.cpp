#include "views/mainwindow/Icons.h"

#include "views/lists/ListRow.h"

#include <QApplication>
#include <QPixmap>
#include <QStyle>

namespace kavro::icons {

namespace {

QIcon themed(const char* name, QStyle::StandardPixmap fallback)
{
    static const bool fallbackThemeSet = [] {
        // A desktop without a theme of its own still gets full-colour icons.
        if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QStringLiteral("hicolor"))
            QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)fallbackThemeSet;
    const QString themeName = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return QApplication::style()->standardIcon(fallback);
}

} // namespace

QIcon category()
{
    static const QIcon icon = [] {
        QIcon result;
        const QIcon closed = themed("folder", QStyle::SP_DirClosedIcon);
        const QIcon open = themed("folder-open", QStyle::SP_DirOpenIcon);
        for (const int size : {16, 22, 32}) {
            result.addPixmap(closed.pixmap(size), QIcon::Normal);
            result.addPixmap(open.pixmap(size), QIcon::Selected);
        }
        return result;
    }();
    return icon;
}

QIcon disc(bool hasContent)
{
    static const QIcon full = themed("media-optical", QStyle::SP_DriveCDIcon);
    static const QIcon empty = [] {
        QIcon result;
        for (const int size : {16, 22, 32})
            result.addPixmap(full.pixmap(size, QIcon::Disabled), QIcon::Normal);
        return result;
    }();
    return hasContent ? full : empty;
}

QIcon driveDisc()
{
    static const QIcon icon = themed("drive-optical", QStyle::SP_DriveDVDIcon);
    return icon;
}

QIcon folder()
{
    static const QIcon icon = themed("folder", QStyle::SP_DirIcon);
    return icon;
}

QIcon file()
{
    static const QIcon icon = themed("text-x-generic", QStyle::SP_FileIcon);
    return icon;
}

QIcon machine()
{
    static const QIcon icon = themed("drive-multidisk", QStyle::SP_DriveHDIcon);
    return icon;
}

QIcon searchTab()
{
    static const QIcon icon = themed("edit-find", QStyle::SP_FileDialogContentsView);
    return icon;
}

QIcon forRowImage(int image)
{
    switch (image) {
    case RowIcon::DriveDisc:
        return driveDisc();
    case RowIcon::Category:
        return category();
    case RowIcon::Disc:
        return disc();
    case RowIcon::Folder:
        return folder();
    case RowIcon::File:
        return file();
    default:
        return {};
    }
}

} // namespace kavro::icons
