// Included once by each widget test program: one QApplication for the whole
// run (created before the first test, destroyed after the last), and
// readable QStrings in failure messages.
#pragma once

#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

class CQtTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char arg0[] = "dravik_test";
        static char* argv[] = {arg0, nullptr};
        m_pApp = new QApplication(argc, argv);
    }
    void TearDown() override { delete m_pApp; }

private:
    QApplication* m_pApp = nullptr;
};

inline ::testing::Environment* const g_pQtTestEnvironment =
    ::testing::AddGlobalTestEnvironment(new CQtTestEnvironment);
