// The real program's answer to the question seam: a message box in the
// program's name, over the main window when there is one.
#pragma once

#include "app/core/UserPrompt.h"

class QWidget;

class CMessageBoxPrompt {
public:
    // Installs the handler; pParent may change later through SetParent.
    static void Install();
    static void SetParent(QWidget* pParent);
    static PromptAnswer Show(const PROMPT_REQUEST& request);
};
