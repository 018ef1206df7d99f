// Answers the program's questions from a script for the length of a test.
// Every question asked is recorded; a question asked when no answer is queued
// fails the test and is answered with Cancel/No so the code under test goes on.
#pragma once

#include "app/core/UserPrompt.h"

#include <deque>
#include <vector>

class CPromptScript {
public:
    CPromptScript();
    ~CPromptScript();
    CPromptScript(const CPromptScript&) = delete;
    CPromptScript& operator=(const CPromptScript&) = delete;

    // Queues the answer to the next question.
    void Expect(PromptAnswer answer) { m_Answers.push_back(answer); }
    // Every request seen so far, in order.
    const std::vector<PROMPT_REQUEST>& Asked() const { return m_Asked; }
    std::vector<QString> Texts() const;
    // Answers queued but never asked for.
    std::size_t Unused() const { return m_Answers.size(); }

private:
    PromptAnswer Answer(const PROMPT_REQUEST& request);

    std::deque<PromptAnswer> m_Answers;
    std::vector<PROMPT_REQUEST> m_Asked;
    CUserPrompt::Handler m_Previous;
};
