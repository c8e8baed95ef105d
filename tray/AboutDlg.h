#pragma once
// The tray program's About box (template IDD_ABOUTBOX): its name, version and an OK button.

#include "platform/framework/CDialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};

// Registers the About box and the hidden main dialog's templates (again: harmless).
void RegisterTrayDialogTemplates();
