#include "plugin/command_word.h"
#include "plugin/tform1_handlers.h"

void TForm1Handlers::ExecuteCommand(const char* text, int32_t workspace) {
    switch (RecogniseCommand(text)) {
        case CommandWord::ShowHide:
            m_ui.Form1->SetVisible(!m_ui.Form1->Visible());
            break;
        case CommandWord::Show:
        case CommandWord::Configure:
            ShowCommand();
            break;
        case CommandWord::Hide:
            m_ui.Form1->SetVisible(false);
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

void TForm1Handlers::ShowCommand() {
    if (!m_ui.Form1->Visible()) {
        m_ui.Form1->SetVisible(true);
    }
    if (m_ui.Form1->Minimized()) {
        m_ui.Form1->Restore();
    }
    m_ui.Form1->BringToFront();
}
