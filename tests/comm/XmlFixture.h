// Shared by the XML layer's tests: a scratch folder, captured trace lines,
// and small file helpers.
#pragma once

#include "comm/DbgTrace.h"
#include "comm/XDXml.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

class XmlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Temp.isValid());
        m_PrevSink = SetDbgTraceSink([this](const QString& s) { m_vecTrace.push_back(s); });
    }
    void TearDown() override { SetDbgTraceSink(std::move(m_PrevSink)); }

    QString Path(const QString& strName) const { return m_Temp.path() + u'/' + strName; }
    static QString Fixture(const char* pszName) {
        return QStringLiteral(DRAVIK_TEST_DATA_DIR "/comm/") + QLatin1String(pszName);
    }
    static QByteArray ReadBytes(const QString& strPath) {
        QFile file(strPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool WriteBytes(const QString& strPath, const QByteArray& bytes) {
        QFile file(strPath);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    bool Traced(const QString& strLine) const {
        return std::find(m_vecTrace.begin(), m_vecTrace.end(), strLine) != m_vecTrace.end();
    }
    // The five lines of a failure raised underneath the layer, by its title.
    bool TracedLong(const QString& strTitle) const {
        auto it = std::find(m_vecTrace.begin(), m_vecTrace.end(),
                            QStringLiteral("Error: Title: %1.").arg(strTitle));
        if (m_vecTrace.end() - it < 5)
            return false;
        return it[1].startsWith(QStringLiteral("Code = ")) &&
               it[2].startsWith(QStringLiteral("Code Meaning = ")) &&
               it[3].startsWith(QStringLiteral("Source = ")) &&
               it[4].startsWith(QStringLiteral("Error Description = "));
    }

    QTemporaryDir m_Temp;
    std::vector<QString> m_vecTrace;
    DBG_TRACE_SINK m_PrevSink;
};
