#pragma once

#include <QDate>

class QPagedPaintDevice;

namespace kavro {

struct ListCopy;

// Prints the list copy as the report (ReportLayout) on device: the default printer through a
// QPrinter, or a PDF file through a QPdfWriter. The device is set to A4 portrait with 10 mm
// margins first. False when painting on the device cannot start.
bool PrintReport(QPagedPaintDevice& device, const ListCopy& copy, const QDate& printDate);

} // namespace kavro
