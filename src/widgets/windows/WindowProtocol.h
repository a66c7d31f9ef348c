#pragma once

// A registration window's table as its test protocol prints it: the header from section
// "Report" of the window's settings, the instrument chosen at start, the device number in
// the tool bar, the period of the rows and the limits in force; values outside them marked
// as the grid colours them and the statistics of every value column after the rows.

#include "export/TExportTable.h"

class TRegistrationWindow;

TExportTable withProtocol(TExportTable table, const TRegistrationWindow &window);
