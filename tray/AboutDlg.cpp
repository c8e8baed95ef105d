#include "tray/AboutDlg.h"

#include "platform/ui/StandardText.h"
#include "tray/TrayResources.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {
    RegisterTrayDialogTemplates();
}

void RegisterTrayDialogTemplates() {
    DialogTemplate about;
    about.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    about.cx = 170;
    about.cy = 62;
    about.title = u"About BorvantaSysTray";
    DialogItemTemplate line;
    line.className = u"Static";
    line.text = u"BorvantaSysTray, Version 1.0";
    line.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    line.x = 40;
    line.y = 10;
    line.cx = 119;
    line.cy = 8;
    line.id = 0xFFFF;
    DialogItemTemplate ok;
    ok.className = u"Button";
    ok.text = platform::GetStandardText(platform::StandardText::Ok); // the program's language
    ok.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
    ok.x = 113;
    ok.y = 41;
    ok.cx = 50;
    ok.cy = 14;
    ok.id = IDOK;
    about.items = {line, ok};
    RegisterDialogTemplate(IDD_ABOUTBOX, about);

    // The hidden main dialog: a layered, transparent popup with a window menu, never shown.
    DialogTemplate main;
    main.style = WS_POPUP | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    main.exStyle = WS_EX_LAYERED | WS_EX_TRANSPARENT;
    main.cx = 122;
    main.cy = 65;
    main.title = u"BorvantaSysTray";
    RegisterDialogTemplate(IDD_BORVANTASYSTRAY_DIALOG, main);
}
