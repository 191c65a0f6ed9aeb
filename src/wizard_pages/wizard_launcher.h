#pragma once

#include <string>

#include "wizard_pages/wizard_window.h"

class QWidget;

namespace zvr {

class CDataServer;

// Opens the connected strategy's wizard modally over parent, on its own document loaded from
// the connection's strategy file. Returns how it ended; Cancelled when there is no wizard.
WizardEnd RunCalibrationWizard(CDataServer& document, WizardWindowLinks links, QWidget* parent);

}  // namespace zvr
