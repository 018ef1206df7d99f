// The one seam through which the program shows a message or asks the user a
// question. The window installs a handler that shows a real message box;
// tests install one that answers from a script, so nothing ever blocks on a
// modal dialog.
#pragma once

#include <QString>
#include <functional>

enum class PromptIcon { Information, Warning, Question, Error };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };

enum class PromptAnswer { Ok, Cancel, Yes, No };

struct PROMPT_REQUEST {
    QString strText;
    QString strCaption;
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::Information;
};

class CUserPrompt {
public:
    using Handler = std::function<PromptAnswer(const PROMPT_REQUEST&)>;

    // Shows the text and returns the user's answer. With no handler
    // installed (a headless run) the text goes to standard error and the
    // answer is the safe one: Ok for a message, Cancel or No for a question.
    static PromptAnswer Ask(const QString& strText, PromptButtons buttons = PromptButtons::Ok,
                            PromptIcon icon = PromptIcon::Information,
                            const QString& strCaption = QStringLiteral("Dravik"));

    // Installs a handler and returns the previous one.
    static Handler SetHandler(Handler handler);
};
