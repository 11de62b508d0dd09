// Handlers of the printing tab and the print and printer set-up commands.
#include "mainwindow/Kanro_dprintUnit.h"

void TForm_Main::SpeedButton_F7Click() {}

void TForm_Main::SpeedButton_F11Click() {}

void TForm_Main::SpeedButton_PRNSETClick() {}

void TForm_Main::SpeedButton_PrnIdGetClick() {}

// Applies the registration of the selected paper feed.
void TForm_Main::ComboBox_SELChange()
{
    SpeedButton_PrnIdGetClick();
}

void TForm_Main::BitBtn_PrnSetClick() {}

void TForm_Main::BitBtn_PrnSet2Click() {}

void TForm_Main::BitBtn_MRGNClick() {}
