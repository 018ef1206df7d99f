#include "tests/support/PromptScript.h"

#include <gtest/gtest.h>

CPromptScript::CPromptScript() {
    m_Previous = CUserPrompt::SetHandler([this](const PROMPT_REQUEST& r) { return Answer(r); });
}

CPromptScript::~CPromptScript() {
    CUserPrompt::SetHandler(std::move(m_Previous));
    EXPECT_EQ(m_Answers.size(), 0u) << "answers queued but never asked for";
}

std::vector<QString> CPromptScript::Texts() const {
    std::vector<QString> texts;
    for (const auto& r : m_Asked)
        texts.push_back(r.strText);
    return texts;
}

PromptAnswer CPromptScript::Answer(const PROMPT_REQUEST& request) {
    m_Asked.push_back(request);
    if (m_Answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << request.strText.toStdString();
        return request.buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
    PromptAnswer answer = m_Answers.front();
    m_Answers.pop_front();
    return answer;
}
