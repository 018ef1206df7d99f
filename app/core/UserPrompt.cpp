#include "app/core/UserPrompt.h"

#include <cstdio>

namespace {
CUserPrompt::Handler& CurrentHandler() {
    static CUserPrompt::Handler handler;
    return handler;
}
} // namespace

PromptAnswer CUserPrompt::Ask(const QString& strText, PromptButtons buttons, PromptIcon icon,
                              const QString& strCaption) {
    PROMPT_REQUEST request{strText, strCaption, buttons, icon};
    if (auto& handler = CurrentHandler())
        return handler(request);
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(strCaption), qUtf8Printable(strText));
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    }
    return PromptAnswer::Cancel;
}

CUserPrompt::Handler CUserPrompt::SetHandler(Handler handler) {
    Handler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
