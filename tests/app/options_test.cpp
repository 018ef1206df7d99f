// The options file: defaults, missing elements, value encodings, the
// shortest period, and atomic replacement.
#include "app/core/Options.h"
#include "tests/missions/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>

namespace {

const QString OPTIONS = QStringLiteral("./Options.xml");

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& strPath, const QByteArray& data) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray OptionsDocument(const QByteArray& elements) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items><Options>" + elements +
           "</Options></items>\n";
}

// Runs each test in a scratch working folder: the file is "./Options.xml".
class OptionsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Dir.isValid());
        m_strOldDir = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_Dir.path()));
    }
    void TearDown() override { QDir::setCurrent(m_strOldDir); }

    // Loads into options that start from values no default has.
    APP_OPTIONS Load(BOOL* pbResult = nullptr) {
        APP_OPTIONS options{7, 7, 7, 7, 7};
        const BOOL bResult = LoadOptions(options);
        if (pbResult)
            *pbResult = bResult;
        return options;
    }

    QTemporaryDir m_Dir;
    QString m_strOldDir;
    CLogCapture m_Log;
};

void ExpectDefaults(const APP_OPTIONS& o) {
    EXPECT_EQ(o.bAutoRun, 0);
    EXPECT_EQ(o.bLaunchInTray, 0);
    EXPECT_EQ(o.bShowReadChart, 1);
    EXPECT_EQ(o.bShowWriteChart, 1);
    EXPECT_EQ(o.uFreshTime, 1000u);
}

TEST_F(OptionsFile, WithoutAFileTheDefaultsStandAndSavingWritesAWholeFile) {
    BOOL bResult = TRUE;
    ExpectDefaults(Load(&bResult));
    EXPECT_FALSE(bResult);
    EXPECT_TRUE(m_Log.Has(8, "Load xml failed"));

    ASSERT_TRUE(SaveOptions(APP_OPTIONS{}));
    const QByteArray file = ReadFile(OPTIONS);
    EXPECT_TRUE(file.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE(file.contains("xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""));
    // In this order, with the element name spelled as every earlier file has it.
    const char* elements[] = {"<AutoRun>0</AutoRun>", "<LuanchInTray>0</LuanchInTray>",
                              "<ShowReadChart>1</ShowReadChart>",
                              "<ShowWriteChart>1</ShowWriteChart>", "<FreshTime>1000</FreshTime>"};
    qsizetype nAt = file.indexOf("<Options>");
    ASSERT_GE(nAt, 0);
    for (const char* psz : elements) {
        const qsizetype nNext = file.indexOf(psz);
        EXPECT_GT(nNext, nAt) << psz;
        nAt = nNext;
    }
    ExpectDefaults(Load(&bResult));
    EXPECT_TRUE(bResult);
}

TEST_F(OptionsFile, ValuesRoundTripIncludingTheLargestPeriod) {
    ASSERT_TRUE(SaveOptions(TRUE, TRUE, FALSE, FALSE, 4294967295u));
    EXPECT_TRUE(ReadFile(OPTIONS).contains("<FreshTime>-1</FreshTime>"));
    const APP_OPTIONS o = Load();
    EXPECT_EQ(o.bAutoRun, 1);
    EXPECT_EQ(o.bLaunchInTray, 1);
    EXPECT_EQ(o.bShowReadChart, 0);
    EXPECT_EQ(o.bShowWriteChart, 0);
    EXPECT_EQ(o.uFreshTime, 4294967295u);

    ASSERT_TRUE(SaveOptions(FALSE, TRUE, TRUE, FALSE, 2500));
    const APP_OPTIONS o2 = Load();
    EXPECT_EQ(o2.bAutoRun, 0);
    EXPECT_EQ(o2.bShowReadChart, 1);
    EXPECT_EQ(o2.uFreshTime, 2500u);
}

TEST_F(OptionsFile, AMissingElementReadsAsZero) {
    ASSERT_TRUE(WriteFile(OPTIONS, OptionsDocument("<AutoRun>1</AutoRun><ShowReadChart>1"
                                                   "</ShowReadChart><FreshTime>3000</FreshTime>")));
    const APP_OPTIONS o = Load();
    EXPECT_EQ(o.bAutoRun, 1);
    EXPECT_EQ(o.bLaunchInTray, 0);
    EXPECT_EQ(o.bShowReadChart, 1);
    EXPECT_EQ(o.bShowWriteChart, 0); // the write curve starts hidden
    EXPECT_EQ(o.uFreshTime, 3000u);
}

TEST_F(OptionsFile, AFileWithoutOptionsKeepsTheDefaults) {
    for (const QByteArray& data :
         {QByteArray("<?xml version=\"1.0\"?><items/>"), QByteArray("<other><Options/></other>")}) {
        ASSERT_TRUE(WriteFile(OPTIONS, data));
        BOOL bResult = FALSE;
        ExpectDefaults(Load(&bResult));
        EXPECT_TRUE(bResult);
    }
}

TEST_F(OptionsFile, ADamagedFileKeepsTheDefaultsAndIsReplacedOnSave) {
    SaveOptions(TRUE, TRUE, FALSE, FALSE, 5000);
    const QByteArray whole = ReadFile(OPTIONS);
    for (const QByteArray& data :
         {whole.left(whole.size() / 2), QByteArray(), QByteArray(16, '\0')}) {
        ASSERT_TRUE(WriteFile(OPTIONS, data));
        BOOL bResult = TRUE;
        ExpectDefaults(Load(&bResult));
        EXPECT_FALSE(bResult);
    }
    SaveOptions(APP_OPTIONS{});
    BOOL bResult = FALSE;
    ExpectDefaults(Load(&bResult));
    EXPECT_TRUE(bResult);
}

// A stored period shorter than a second runs as one second.
TEST_F(OptionsFile, FreshTimeBelowOneSecondIsTakenAsOneSecond) {
    struct CASE {
        const char* pszElement;
        std::uint32_t uExpected;
    };
    for (const CASE& c :
         {CASE{"<FreshTime>500</FreshTime>", 1000}, CASE{"<FreshTime>999</FreshTime>", 1000},
          CASE{"<FreshTime>0</FreshTime>", 1000}, CASE{"", 1000},
          CASE{"<FreshTime>soon</FreshTime>", 1000}, CASE{"<FreshTime>1000</FreshTime>", 1000},
          CASE{"<FreshTime>1001</FreshTime>", 1001},
          CASE{"<FreshTime>-1</FreshTime>", 4294967295u}}) {
        ASSERT_TRUE(WriteFile(OPTIONS, OptionsDocument(c.pszElement)));
        EXPECT_EQ(Load().uFreshTime, c.uExpected) << c.pszElement;
    }
}

TEST_F(OptionsFile, AFailedSaveKeepsTheOldFileWhole) {
    ASSERT_TRUE(SaveOptions(TRUE, FALSE, TRUE, FALSE, 1234));
    const QByteArray old = ReadFile(OPTIONS);
    ASSERT_FALSE(old.isEmpty());

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 40; // less than any options file
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveOptions(FALSE, TRUE, FALSE, TRUE, 99999);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(ReadFile(OPTIONS).toStdString(), old.toStdString());
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList({"Options.xml"}));
}

struct DECIMAL_CASE {
    const char* pszText;
    std::int64_t ll64;
    std::uint32_t u32;
};

TEST(DecimalText, LeadingBlanksSignDigitsThenAnything) {
    const DECIMAL_CASE cases[] = {
        {"0", 0, 0},
        {"1000", 1000, 1000},
        {"-1", -1, 0xFFFFFFFFu},
        {"-1048576", -1048576, 0xFFF00000u},
        {"4294967295", 4294967295LL, 0xFFFFFFFFu},
        {"2147483648", 2147483648LL, 0x80000000u},
        {"-2147483648", -2147483648LL, 0x80000000u},
        {"  \t+42abc", 42, 42},
        {"12 34", 12, 12},
        {"", 0, 0},
        {"abc", 0, 0},
        {"-", 0, 0},
        {"+-5", 0, 0},
        {"1152921500311879680", 1152921500311879680LL, 0xFFFFFFFFu},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max(), 0xFFFFFFFFu},
        {"99999999999999999999", std::numeric_limits<std::int64_t>::max(), 0xFFFFFFFFu},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min(), 0x80000000u},
        {"-99999999999999999999", std::numeric_limits<std::int64_t>::min(), 0x80000000u},
        {"-4294967296", -4294967296LL, 0x80000000u},
    };
    for (const DECIMAL_CASE& c : cases) {
        EXPECT_EQ(ParseDecimal64(QString::fromLatin1(c.pszText)), c.ll64) << c.pszText;
        EXPECT_EQ(ParseDecimal32(QString::fromLatin1(c.pszText)), c.u32) << c.pszText;
    }
}

} // namespace
