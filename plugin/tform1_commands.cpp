#include "plugin/command_word.h"
#include "plugin/tform1.h"

void TForm1::ExecuteCommand(const char* text, int32_t workspace) {
    static_cast<void>(workspace);
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
        case CommandWord::OpenWorkspace:
        case CommandWord::ResetData:
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
