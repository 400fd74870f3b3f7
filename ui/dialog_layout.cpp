#include "ui/dialog_layout.h"

#include "res/resource.h"

int CenteredOffset(int referenceSize, int windowSize)
{
    int offset = (referenceSize - windowSize) / 2;
    return offset > 0 ? offset : 0;
}

bool IsEnabledForOption(int controlId, int optionId)
{
    switch (controlId) {
    case IDC_VM_PATH:
    case IDC_BROWSE_VM:
        return optionId == IDC_OPT_RUN_VM;
    case IDC_SAVE_FOLDER:
    case IDC_BROWSE_FOLDER:
        return optionId == IDC_OPT_SAVE;
    }
    return true;
}

void ConvertFilterList(char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text == '|')
            *text = '\0';
    }
}
