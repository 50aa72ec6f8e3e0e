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
    // Themes that draw commands in one colour (Adwaita) name them "-symbolic".
    const QString themeName = QString::fromLatin1(name);
    for (const QString& candidate : {themeName, QString(themeName + QStringLiteral("-symbolic"))}) {
        if (QIcon::hasThemeIcon(candidate))
            return QIcon::fromTheme(candidate);
    }
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

namespace {

struct CommandIcon {
    const char* themeName;
    QStyle::StandardPixmap fallback;
    const char* commands; // designed names, separated by blanks
};

// What each command does, as the freedesktop icon naming names it.
const CommandIcon kCommandIcons[] = {
    {"document-save", QStyle::SP_DialogSaveButton, "TBItem15 N_Backup_mdb"},
    {"document-revert", QStyle::SP_BrowserReload, "TBItem16 N_import"},
    {"document-open", QStyle::SP_DialogOpenButton, "DB_import MDB_import"},
    {"go-previous", QStyle::SP_ArrowBack, "TBItem17"},
    {"go-next", QStyle::SP_ArrowForward, "TBItem18"},
    {"folder-new", QStyle::SP_FileDialogNewFolder, "TBItem31 N22"},
    {"list-add", QStyle::SP_FileDialogNewFolder, "TBItem32 TBItem34 N38"},
    {"edit-find", QStyle::SP_FileDialogContentsView, "TBItem35 N21"},
    {"media-eject", QStyle::SP_ArrowUp, "TBItem30 TBItem36 N40 N7 N12 EjectRW EjectRWs N10 N32 N15"},
    {"edit-delete", QStyle::SP_TrashIcon, "TBItem37 N11 N39 N2 N4"},
    {"document-print", QStyle::SP_FileDialogDetailedView, "TBItem19 N_Print N45 N48"},
    {"preferences-system", QStyle::SP_FileDialogInfoView, "TBItem20 N_system_set"},
    {"help-browser", QStyle::SP_DialogHelpButton, "TBItem22 N_help"},
    {"internet-web-browser", QStyle::SP_DirLinkIcon, "TBItem23"},
    {"view-list-details", QStyle::SP_FileDialogDetailedView, "TBItem24"},
    {"view-list", QStyle::SP_FileDialogListView, "TBItem25 TBSubmenuItem6"},
    {"view-grid", QStyle::SP_FileDialogContentsView, "TBItem26"},
    {"folder", QStyle::SP_DirIcon, "TBItem27 TBSubmenuItem7"},
    {"drive-multidisk", QStyle::SP_DriveHDIcon, "TBItem28 N_catalogue_cabinet"},
    {"view-app-grid", QStyle::SP_FileDialogDetailedView, "N_slot_map"},
    {"application-exit", QStyle::SP_DialogCloseButton, "TBItem21 N_close"},
    {"media-optical", QStyle::SP_DriveCDIcon, "N_scan N3 N5 LoadRW LoadRWs"},
    {"system-shutdown", QStyle::SP_MediaStop, "N_power_off"},
    {"media-playback-start", QStyle::SP_MediaPlay, "N_power_on"},
    {"view-refresh", QStyle::SP_BrowserReload, "N_Reset SwapID1"},
    {"dialog-password", QStyle::SP_DialogApplyButton, "N_password"},
    {"document-properties", QStyle::SP_FileDialogDetailedView, "N23 N33 N47 N8"},
    {"help-about", QStyle::SP_MessageBoxInformation, "N_about"},
};

} // namespace

QIcon forCommand(const QString& designedName)
{
    for (const CommandIcon& entry : kCommandIcons) {
        if (QString::fromLatin1(entry.commands).split(QLatin1Char(' ')).contains(designedName))
            return themed(entry.themeName, entry.fallback);
    }
    return {};
}

} // namespace kavro::icons
