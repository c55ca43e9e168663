#include "plugin/command_word.h"
#include "plugin/tform1.h"

void TForm1::ExecuteCommand(const char* text, int32_t workspace) {
    switch (RecogniseCommand(text)) {
        case CommandWord::ShowHide:
            setVisible(!isVisible());
            break;
        case CommandWord::Show:
        case CommandWord::Configure:
            ShowCommand();
            break;
        case CommandWord::Hide:
            hide();
            break;
        case CommandWord::SaveWorkspace:
            SaveWorkspace(workspace);
            break;
        case CommandWord::OpenWorkspace:
            OpenWorkspace(workspace);
            break;
        case CommandWord::ResetData:
            ClearAll();
            break;
        case CommandWord::None:
            break;
    }
}

void TForm1::ShowCommand() {
    if (isHidden()) {
        show();
    }
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}
