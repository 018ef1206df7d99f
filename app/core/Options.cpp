#include "app/core/Options.h"

#include "comm/DbgInfoLog.h"
#include "comm/XDXml.h"

#include <algorithm>
#include <limits>

APP_OPTIONS g_AppOptions;

namespace {

// Element names in file order; "LuanchInTray" is spelled so in every file
// the program has ever written.
const char* const OPTION_ELEMENTS[] = {"AutoRun", "LuanchInTray", "ShowReadChart", "ShowWriteChart",
                                       "FreshTime"};

} // namespace

std::int64_t ParseDecimal64(const QString& strText) {
    qsizetype i = 0;
    const qsizetype n = strText.size();
    while (i < n && strText[i].isSpace())
        ++i;
    bool bNegative = false;
    if (i < n && (strText[i] == QLatin1Char('+') || strText[i] == QLatin1Char('-'))) {
        bNegative = strText[i] == QLatin1Char('-');
        ++i;
    }
    // Accumulate towards the sign so that the most negative value fits.
    std::int64_t llValue = 0;
    const std::int64_t llMin = std::numeric_limits<std::int64_t>::min();
    const std::int64_t llMax = std::numeric_limits<std::int64_t>::max();
    bool bSaturated = false;
    for (; i < n && strText[i] >= QLatin1Char('0') && strText[i] <= QLatin1Char('9'); ++i) {
        const int nDigit = strText[i].unicode() - u'0';
        if (bSaturated)
            continue;
        if (bNegative) {
            if (llValue < (llMin + nDigit) / 10) {
                llValue = llMin;
                bSaturated = true;
            } else {
                llValue = llValue * 10 - nDigit;
            }
        } else {
            if (llValue > (llMax - nDigit) / 10) {
                llValue = llMax;
                bSaturated = true;
            } else {
                llValue = llValue * 10 + nDigit;
            }
        }
    }
    return llValue;
}

std::uint32_t ParseDecimal32(const QString& strText) {
    const std::int64_t llValue = ParseDecimal64(strText);
    if (llValue < std::numeric_limits<std::int32_t>::min())
        return 0x80000000u;
    if (llValue > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(llValue);
}

BOOL LoadOptions(BOOL& bAutoRun, BOOL& bLaunchInTray, BOOL& bShowReadChart, BOOL& bShowWriteChart,
                 std::uint32_t& uFreshTime) {
    const APP_OPTIONS defaults;
    bAutoRun = defaults.bAutoRun;
    bLaunchInTray = defaults.bLaunchInTray;
    bShowReadChart = defaults.bShowReadChart;
    bShowWriteChart = defaults.bShowWriteChart;
    uFreshTime = defaults.uFreshTime;

    CXDXml xml;
    if (!xml.Load(QString::fromLatin1(OPTIONS_FILE))) {
        DBG_LOG(8, "Load xml failed");
        return FALSE;
    }
    CXDXmlNode options = xml.SelectNodes(QStringLiteral("items/Options"));
    if (options.IsEmpty())
        return TRUE;

    std::uint32_t uValues[5];
    for (int i = 0; i < 5; ++i)
        uValues[i] = ParseDecimal32(
            options.SelectSingleNode(QString::fromLatin1(OPTION_ELEMENTS[i])).GetText());
    bAutoRun = uValues[0] != 0;
    bLaunchInTray = uValues[1] != 0;
    bShowReadChart = uValues[2] != 0;
    bShowWriteChart = uValues[3] != 0;
    // A shorter period than a second would make the missions' speeds
    // meaningless and the refresh cycle run flat out.
    uFreshTime = std::max(uValues[4], MIN_FRESH_TIME);
    return TRUE;
}

BOOL LoadOptions(APP_OPTIONS& options) {
    return LoadOptions(options.bAutoRun, options.bLaunchInTray, options.bShowReadChart,
                       options.bShowWriteChart, options.uFreshTime);
}

BOOL SaveOptions(BOOL bAutoRun, BOOL bLaunchInTray, BOOL bShowReadChart, BOOL bShowWriteChart,
                 std::uint32_t uFreshTime) {
    // The file is rebuilt as a whole; nothing of its old content is kept.
    CXDXml xml;
    if (!xml.CreateRoot(QStringLiteral("items"))) {
        DBG_LOG(8, "CreateRoot failed");
        return FALSE;
    }
    const std::int32_t nValues[5] = {bAutoRun, bLaunchInTray, bShowReadChart, bShowWriteChart,
                                     static_cast<std::int32_t>(uFreshTime)};
    xml.AddChildElement(QStringLiteral("Options"));
    for (int i = 0; i < 5; ++i)
        xml.AddChildTextNode(QString::fromLatin1(OPTION_ELEMENTS[i]), QString::number(nValues[i]));
    xml.PopElement();
    // A failed write is the XML layer's to report; the old file stays whole.
    xml.SaveXml(QString::fromLatin1(OPTIONS_FILE));
    return TRUE;
}

BOOL SaveOptions(const APP_OPTIONS& options) {
    return SaveOptions(options.bAutoRun, options.bLaunchInTray, options.bShowReadChart,
                       options.bShowWriteChart, options.uFreshTime);
}
