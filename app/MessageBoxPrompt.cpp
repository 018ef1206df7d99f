#include "app/MessageBoxPrompt.h"

#include "skin/SkinImages.h"

#include <QMessageBox>
#include <QPointer>

namespace {

QPointer<QWidget>& Parent() {
    static QPointer<QWidget> parent;
    return parent;
}

QMessageBox::Icon ToIcon(PromptIcon icon, PromptButtons buttons) {
    switch (icon) {
    case PromptIcon::Information:
        // A yes/no question without an icon of its own stays plain.
        return buttons == PromptButtons::YesNo ? QMessageBox::NoIcon : QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

} // namespace

void CMessageBoxPrompt::Install() {
    CUserPrompt::SetHandler(&CMessageBoxPrompt::Show);
}

void CMessageBoxPrompt::SetParent(QWidget* pParent) {
    Parent() = pParent;
}

PromptAnswer CMessageBoxPrompt::Show(const PROMPT_REQUEST& request) {
    QWidget* pParent = Parent();
    if (pParent && !pParent->isVisible())
        pParent = nullptr;
    QMessageBox box(ToIcon(request.icon, request.buttons), request.strCaption, request.strText,
                    ToButtons(request.buttons), pParent);
    box.setWindowIcon(skin::AppIcon());
    switch (box.exec()) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return request.buttons == PromptButtons::Ok      ? PromptAnswer::Ok
               : request.buttons == PromptButtons::YesNo ? PromptAnswer::No
                                                         : PromptAnswer::Cancel;
    }
}
