#include "ScreenshotTourFindFiles.h"

#include "views/dialogs/TfrmFindFiles.h"
#include "views/mainwindow/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include <cstdio>

namespace kavro {

namespace {

void settle(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

bool ShotFindFiles(TMainForm& form, const std::function<bool(QWidget&, const char*)>& shoot)
{
    auto* open = form.findChild<QAction*>(QStringLiteral("N_find_files"));
    if (open == nullptr) {
        std::fprintf(stderr, "kavro-demo: the main window has no N_find_files\n");
        return false;
    }
    open->trigger();
    settle(300);
    auto* window = form.findChild<TfrmFindFiles*>();
    if (window == nullptr || !window->isVisible()) {
        std::fprintf(stderr, "kavro-demo: Find files did not open\n");
        return false;
    }
    window->resize(1060, 520);
    window->move(form.pos() + QPoint(60, 80));
    window->textEdit()->setFocus();
    window->textEdit()->setText(QStringLiteral("*.pdf"));
    window->finishSearch();
    window->table()->horizontalHeader()->setSortIndicator(FindFilesModel::Size, Qt::DescendingOrder);
    window->table()->selectRow(0);
    settle(500);
    const bool shot = window->model().rowCount() > 0 && shoot(*window, "find-files.png");
    if (window->model().rowCount() == 0)
        std::fprintf(stderr, "kavro-demo: Find files found no \"*.pdf\"\n");
    window->close();
    settle(200);
    return shot;
}

} // namespace kavro
